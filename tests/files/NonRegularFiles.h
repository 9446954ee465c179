#pragma once

#include <string>
#include <vector>

namespace brenvik::test {

// Paths in `dir`, which ends in a separator, (made there where they have to be) that are not
// regular files: a directory on both platforms, and a FIFO with no writer and a device on Linux.
std::vector<std::string> NonRegularFiles(const std::string& dir);

}  // namespace brenvik::test
