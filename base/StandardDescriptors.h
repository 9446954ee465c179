#pragma once

namespace brenvik {

// Opens /dev/null on each of the descriptors 0, 1 and 2 that is closed, so
// that the next open (a serial port) cannot become standard output and have
// the program's output written onto the line. Call first thing in main.
// Returns false when a closed one could not be given /dev/null; the program
// should then end, as anything it opens could land there.
bool GuardStandardDescriptors();

}  // namespace brenvik
