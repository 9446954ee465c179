# The one way a system's own files are chosen. A source whose name ends in
# Posix (LineSettingsPosix.cpp, LoadLogPosixTest.cpp) is built on Linux only,
# one ending in Win32 on Windows only, any other on both. A target lists all
# its sources, both systems' side by side, and brenvik_sources() keeps those
# of the system being built for.
function(brenvik_sources target)
  if(WIN32)
    set(other Posix)
  else()
    set(other Win32)
  endif()
  foreach(source IN LISTS ARGN)
    get_filename_component(name "${source}" NAME_WE)
    if(NOT name MATCHES "${other}(Test)?$")
      target_sources(${target} PRIVATE "${source}")
    endif()
  endforeach()
endfunction()
