#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/Resource.h"
#include "app/win32/BrenvikApp.h"
#include "app/win32/Win32CommandLine.h"
#include "app/win32/Win32Console.h"
#include "base/Utf8Win32.h"

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
  const std::vector<std::string> arguments = brenvik::app::CommandLineArguments();
  std::vector<const char*> args;
  args.reserve(arguments.size());
  for (const std::string& argument : arguments) args.push_back(argument.c_str());
  const brenvik::app::CommandLine commandLine = brenvik::app::ParseCommandLine(args);
  if (commandLine.exitCode) {
    // On the console that started the window, or in a box when there is none
    // (a shortcut, Explorer).
    if (brenvik::app::ReachConsole()) {
      std::fputs(commandLine.message.c_str(), *commandLine.exitCode == 0 ? stdout : stderr);
      std::fflush(nullptr);
    } else {
      MessageBoxW(nullptr, brenvik::WideFromUtf8(commandLine.message).c_str(),
                  brenvik::WideFromUtf8(brenvik::app::kAppName).c_str(),
                  *commandLine.exitCode == 0 ? MB_OK | MB_ICONINFORMATION : MB_OK | MB_ICONERROR);
    }
    return *commandLine.exitCode;
  }
  if (commandLine.traceFrames) brenvik::app::ReachConsole();
  brenvik::app::CBrenvikApp app(commandLine.traceFrames, commandLine.job);
  return app.InitInstance();
}
