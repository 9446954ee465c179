// The Windows window's command line: no echo unless --trace asks for it.

#include "app/win32/Win32CommandLine.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace brenvik::app {
namespace {

struct CommandLineCase {
  std::vector<const char*> args;  // after the program's name
  std::optional<int> exitCode;
  std::string message;   // the whole text, or its first line for --help
  bool traceFrames;      // when the window opens
  std::string job = {};  // whose files the window opens with
};

TEST(Win32CommandLineTest, EchoesFramesOnlyWithTrace) {
  const std::string tryHelp = "\nTry 'brenvik --help'.\n";
  const CommandLineCase cases[] = {
      {{}, std::nullopt, "", false},
      {{"--trace"}, std::nullopt, "", true},
      {{"--no-trace"}, std::nullopt, "", false},
      {{"--trace", "--no-trace"}, std::nullopt, "", false},
      {{"--help"}, 0, "Usage: brenvik [--trace | --no-trace]\n", false},
      {{"-platform", "offscreen"}, 2, "brenvik: unknown option -platform" + tryHelp, false},
      {{"Ωmega-db.csv"}, 2, "brenvik: unexpected argument Ωmega-db.csv" + tryHelp, false},
      {{"--job", "Ωmega.job", "--trace"}, std::nullopt, "", true, "Ωmega.job"},
      {{"--job"}, 2, "brenvik: option --job needs a value" + tryHelp, false},
  };
  for (const CommandLineCase& c : cases) {
    std::vector<const char*> args{"brenvik"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    SCOPED_TRACE(args.size() > 1 ? args[1] : "no arguments");
    const CommandLine got = ParseCommandLine(args);
    EXPECT_EQ(got.exitCode, c.exitCode);
    EXPECT_EQ(got.message.substr(0, c.message.size()), c.message);
    if (!c.exitCode) {
      EXPECT_EQ(got.traceFrames, c.traceFrames);
      EXPECT_EQ(got.job, c.job);
    }
  }
}

TEST(Win32CommandLineTest, ArgumentsComeFromTheWideCommandLine) {
  const std::vector<std::string> args = CommandLineArguments();
  ASSERT_FALSE(args.empty());
  EXPECT_NE(args[0].find("app_win32_window_test"), std::string::npos);
}

}  // namespace
}  // namespace brenvik::app
