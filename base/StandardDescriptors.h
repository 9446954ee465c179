#pragma once

namespace brenvik {

// Opens the null device (/dev/null, NUL on Windows) on each of the
// descriptors 0, 1 and 2 that is closed, so that the next open (a serial port,
// a data file) cannot become standard output and have the program's output
// written onto it. Call first thing in main. Returns false when a closed one
// could not be given the null device; the program should then end, as
// anything it opens could land there.
bool GuardStandardDescriptors();

}  // namespace brenvik
