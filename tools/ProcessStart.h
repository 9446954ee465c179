#pragma once

#include <string>
#include <vector>

namespace brenvik::tools {

// What a command-line tool readies at start, on the system it runs on.

// Readies the standard streams; false when the program should end at once.
// Linux: /dev/null on each closed descriptor 0 to 2 (see
// GuardStandardDescriptors), standard output line by line. Windows: standard
// output unbuffered (its runtime has no line buffering), and the console's
// output code page UTF-8 until the program exits, so that file names and
// port names show as given.
bool PrepareStandardStreams();

// The command line's arguments as UTF-8. Linux: argv as it is. Windows: read
// again from the system in UTF-16, as argv holds them in the ANSI code page,
// which has no room for a Greek or a Czech file name.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// The arguments as getopt_long takes them: a pointer to each, then a null
// one. They point into `arguments`, which must outlive them.
inline std::vector<char*> ArgumentPointers(std::vector<std::string>& arguments) {
  std::vector<char*> pointers;
  pointers.reserve(arguments.size() + 1);
  for (std::string& argument : arguments) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  return pointers;
}

// A reader of the output that goes away must not end the program: the write
// fails instead, and the caller turns output off. Linux ignores SIGPIPE;
// Windows has no such signal.
void IgnoreBrokenPipes();

}  // namespace brenvik::tools
