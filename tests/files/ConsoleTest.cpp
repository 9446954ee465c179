#include "files/Console.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "files/FileWarnings.h"

namespace brenvik {
namespace {

using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

TEST(Console, FrameTracesAreUnbrokenRunsOfRawBytesAndHexPairs) {
  CaptureStdout();
  for (int frame = 0; frame < 2; ++frame) {
    ConsolePutch(0x02);
    for (int byte : {0x05, 0xFF, 0x8A, 0x00}) {
      ConsolePrintf("%.2X", byte);
    }
    ConsolePutch(0x03);
  }
  const std::string frame = std::string("\x02") + "05FF8A00" + "\x03";
  EXPECT_EQ(GetCapturedStdout(), frame + frame);
}

TEST(Console, RawByteIsWrittenUnchanged) {
  CaptureStdout();
  for (int byte : {0x00, 0x0A, 0x0D, 0x80, 0xFF}) {
    ConsolePutch(byte);
  }
  EXPECT_EQ(GetCapturedStdout(), std::string("\x00\x0A\x0D\x80\xFF", 5));
}

TEST(Console, EntryCountLineGoesToStandardOutput) {
  CaptureStdout();
  CaptureStderr();
  ConsolePrintf("Number of Entries = %d\n", 3000);
  EXPECT_EQ(GetCapturedStderr(), "");
  EXPECT_EQ(GetCapturedStdout(), "Number of Entries = 3000\n");
}

TEST(Console, ErrorReportIsOnePerrorStyleLineOnStandardError) {
  struct Case {
    int errnum;
    const char* line;
  };
  const Case cases[] = {
      {ENOENT, "Error opening file: No such file or directory\n"},
      {EACCES, "Error opening file: Permission denied\n"},
      {EISDIR, "Error opening file: Is a directory\n"},
  };
  for (const Case& c : cases) {
    CaptureStdout();
    CaptureStderr();
    ConsoleReportError("Error opening file", c.errnum);
    EXPECT_EQ(GetCapturedStderr(), c.line);
    EXPECT_EQ(GetCapturedStdout(), "");
  }
}

TEST(Console, WarningIsOneLineOnStandardError) {
  CaptureStdout();
  CaptureStderr();
  ConsoleWarn("db.csv:3: field 2 (code) has 12 characters, cut to 10");
  EXPECT_EQ(GetCapturedStderr(), "db.csv:3: field 2 (code) has 12 characters, cut to 10\n");
  EXPECT_EQ(GetCapturedStdout(), "");

  CaptureStdout();
  CaptureStderr();
  PrintWarnings({"db.csv:3: field 2 (code) has 12 characters, cut to 10",
                 "db.csv:4: field 6 (tailText) is the last field of its line"});
  EXPECT_EQ(GetCapturedStderr(),
            "db.csv:3: field 2 (code) has 12 characters, cut to 10\n"
            "db.csv:4: field 6 (tailText) is the last field of its line\n");
  EXPECT_EQ(GetCapturedStdout(), "");
}

}  // namespace
}  // namespace brenvik
