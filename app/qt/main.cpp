#include <cstdio>
#include <span>

#include "app/qt/BrenvikApp.h"
#include "app/qt/QtCommandLine.h"
#include "base/StandardDescriptors.h"

int main(int argc, char** argv) {
  if (!brenvik::GuardStandardDescriptors()) return 1;
  // Before QApplication, which would need a display: --help and --version
  // must work without one (the man pages are made from them at build time).
  const brenvik::app::CommandLine commandLine =
      brenvik::app::ParseCommandLine(std::span<const char* const>(argv, argc));
  if (commandLine.exitCode) {
    std::fputs(commandLine.message.c_str(), *commandLine.exitCode == 0 ? stdout : stderr);
    return *commandLine.exitCode;
  }
  brenvik::app::CBrenvikApp app(argc, argv, commandLine.traceFrames);
  return app.InitInstance();
}
