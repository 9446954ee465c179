#include "app/qt/QtCommandLine.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "res/Version.h"

namespace brenvik::app {
namespace {

struct CommandLineCase {
  std::vector<const char*> args;  // after the program's name
  std::optional<int> exitCode;
  std::string message;  // the whole text, or its first line for --help
  bool traceFrames;
  std::string port = {};     // in the port field as the window opens
  bool displayNamed = true;  // by the environment
  std::string job = {};      // whose files the window opens with
};

void PrintTo(const CommandLineCase& c, std::ostream* os) {
  *os << "brenvik";
  for (const char* arg : c.args) *os << ' ' << arg;
  if (!c.displayNamed) *os << " (no display)";
}

class CommandLineTest : public testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLineTest, EndsOrRunsTheWindowAsTheArgumentsSay) {
  std::vector<const char*> args{"brenvik"};
  args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
  const CommandLine got = ParseCommandLine(args, GetParam().displayNamed);
  EXPECT_EQ(got.exitCode, GetParam().exitCode);
  EXPECT_EQ(got.message.substr(0, GetParam().message.size()), GetParam().message);
  EXPECT_EQ(got.traceFrames, GetParam().traceFrames);
  EXPECT_EQ(got.port, GetParam().port);
  EXPECT_EQ(got.job, GetParam().job);
}

const std::string kTryHelp = "\nTry 'brenvik --help'.\n";
const std::string kVersionLine = std::string("brenvik (Brenvik) ") + kVersion + "\n";
const std::string kUsageLine = "Usage: brenvik [--no-trace] [Qt options]\n";
const std::string kNoDisplay =
    "brenvik needs a desktop session (no display found); brenvik-load loads from a terminal\n";

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLineTest,
    testing::Values(
        CommandLineCase{{}, std::nullopt, "", true},
        CommandLineCase{{"--no-trace"}, std::nullopt, "", false},
        CommandLineCase{{"-platform", "offscreen", "--style=fusion", "--no-trace", "--reverse"},
                        std::nullopt,
                        "",
                        false},
        CommandLineCase{{"--version"}, 0, kVersionLine, true},
        CommandLineCase{{"-platform", "offscreen", "--help"}, 0, kUsageLine, true},
        CommandLineCase{{"--no-trac"}, 2, "brenvik: unknown option --no-trac" + kTryHelp, true},
        CommandLineCase{
            {"--platform=xcb"}, 2, "brenvik: unknown option --platform=xcb" + kTryHelp, true},
        CommandLineCase{{"db.csv"}, 2, "brenvik: unexpected argument db.csv" + kTryHelp, true},
        CommandLineCase{
            {"--port", "/dev/pts/3", "--no-trace"}, std::nullopt, "", false, "/dev/pts/3"},
        CommandLineCase{{"--port=COM3"}, std::nullopt, "", true, "COM3"},
        CommandLineCase{{"--port"}, 2, "brenvik: option --port needs a value" + kTryHelp, true},
        CommandLineCase{{"--job", "line.job"}, std::nullopt, "", true, "", true, "line.job"},
        CommandLineCase{{"--job=jobs/a b.job"}, std::nullopt, "", true, "", true, "jobs/a b.job"},
        CommandLineCase{{"--job"}, 2, "brenvik: option --job needs a value" + kTryHelp, true},
        CommandLineCase{{"--job="}, 2, "brenvik: option --job needs a value" + kTryHelp, true},
        CommandLineCase{{}, 1, kNoDisplay, true, "", false},
        CommandLineCase{{"--help"}, 0, kUsageLine, true, "", false},
        CommandLineCase{{"--platform", "offscreen"}, std::nullopt, "", true, "", false},
        CommandLineCase{{"-platform=offscreen"}, 1, kNoDisplay, true, "", false}));

}  // namespace
}  // namespace brenvik::app
