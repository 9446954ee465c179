#include "tools/ProcessStart.h"

#include <csignal>
#include <cstdio>

#include "base/StandardDescriptors.h"

namespace brenvik::tools {

bool PrepareStandardStreams() {
  if (!GuardStandardDescriptors()) return false;
  // Lines reach a script or a pipe as they happen.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  return true;
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

void IgnoreBrokenPipes() { std::signal(SIGPIPE, SIG_IGN); }

}  // namespace brenvik::tools
