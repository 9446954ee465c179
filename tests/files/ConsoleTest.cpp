#include "files/Console.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "base/FileDescriptor.h"

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

// Standard output redirected to a pipe, buffered in full as stdio buffers a
// pipe, so that only what the console pushes out can be read from it.
class PipedStdout {
 public:
  PipedStdout() {
    std::fflush(stdout);
    int ends[2] = {-1, -1};
    if (::pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0) return;
    read_.Reset(ends[0]);
    const FileDescriptor write(ends[1]);
    saved_.Reset(::dup(STDOUT_FILENO));
    ::dup2(write.Get(), STDOUT_FILENO);
    std::setvbuf(stdout, nullptr, _IOFBF, BUFSIZ);
  }
  ~PipedStdout() {
    std::fflush(stdout);
    ::dup2(saved_.Get(), STDOUT_FILENO);
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
  }
  PipedStdout(const PipedStdout&) = delete;
  PipedStdout& operator=(const PipedStdout&) = delete;

  // What has reached the pipe since the last call.
  std::string Take() {
    std::string got;
    char buffer[256];
    for (ssize_t n; (n = ::read(read_.Get(), buffer, sizeof buffer)) > 0;) got.append(buffer, n);
    return got;
  }

 private:
  FileDescriptor read_;
  FileDescriptor saved_;
};

// A watcher of the window's output sees the entry count as soon as the file
// is read and each frame's trace whole as it goes out, not when a buffer fills.
TEST(Console, CompleteLinesAndFrameTracesReachAPipeAtOnce) {
  PipedStdout out;
  CaptureStderr();
  ConsolePrintf("Number of Entries = %d\n", 3000);
  EXPECT_EQ(out.Take(), "Number of Entries = 3000\n");
  ConsolePutch(0x02);
  ConsolePrintf("%.2X", 0x52);
  ConsolePrintf("%.2X", 0xFF);
  EXPECT_EQ(out.Take(), "\x02");
  ConsolePutch(0x03);
  EXPECT_EQ(out.Take(), "52FF\x03");
  EXPECT_EQ(GetCapturedStderr(), "");
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
}

}  // namespace
}  // namespace brenvik
