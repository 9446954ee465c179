#include "NonRegularFiles.h"

namespace brenvik::test {

std::vector<std::string> NonRegularFiles(const std::string& dir) { return {dir}; }

}  // namespace brenvik::test
