#include <cstdio>
#include <cstdlib>
#include <span>

#include "app/qt/BrenvikApp.h"
#include "app/qt/QtCommandLine.h"
#include "base/StandardDescriptors.h"

namespace {

// Whether the environment names somewhere for Qt to show the window: an X
// display, a Wayland display or a platform plugin. An empty value names none.
bool EnvironmentNamesDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (!brenvik::GuardStandardDescriptors()) return 1;
  // Before QApplication, which would need a display: --help and --version
  // must work without one (the man pages are made from them at build time),
  // and a window with no display to show on ends with a sentence of ours
  // rather than Qt's abort.
  const brenvik::app::CommandLine commandLine = brenvik::app::ParseCommandLine(
      std::span<const char* const>(argv, argc), EnvironmentNamesDisplay());
  if (commandLine.exitCode) {
    std::fputs(commandLine.message.c_str(), *commandLine.exitCode == 0 ? stdout : stderr);
    return *commandLine.exitCode;
  }
  brenvik::app::CBrenvikApp app(argc, argv, commandLine);
  return app.InitInstance();
}
