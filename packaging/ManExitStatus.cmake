# Run as cmake -DPAGE=<page> -P ManExitStatus.cmake on a page help2man made.
# help2man knows no exit status section: it makes the help's "Exit status:"
# paragraph a subsection of the section before it. Each program's help puts
# that paragraph last in its options, so here it becomes the page's own
# EXIT STATUS section, right after OPTIONS, where man pages have it.
file(READ "${PAGE}" page)
set(subsection ".SS \"Exit status:\"\n")
string(FIND "${page}" "${subsection}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${PAGE}: the help has no \"Exit status:\" paragraph")
endif()
string(REPLACE "${subsection}" ".SH \"EXIT STATUS\"\n" page "${page}")
file(WRITE "${PAGE}" "${page}")
