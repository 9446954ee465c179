#include <sys/stat.h>

#include "NonRegularFiles.h"

namespace brenvik::test {

std::vector<std::string> NonRegularFiles(const std::string& dir) {
  // A FIFO with no writer would hold an ordinary open for ever.
  const std::string fifo = dir + "fifo-data.csv";
  ::mkfifo(fifo.c_str(), 0600);
  return {dir, fifo, "/dev/null"};
}

}  // namespace brenvik::test
