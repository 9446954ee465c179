#include "app/StandardConsole.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "base/FileDescriptor.h"
#include "files/FileWarnings.h"

namespace brenvik::app {
namespace {

using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

TEST(StandardConsole, FrameTraceIsRawStxHexPairsRawEtxWithNoLineEnd) {
  StandardConsole console;
  CaptureStdout();
  const uint8_t frame[] = {0x02, 0x05, 0xFF, 0x8A, 0x00, 0x0A, 0x0D, 0x03};
  console.TraceFrame(frame);
  console.TraceFrame(frame);
  const std::string trace = std::string("\x02") + "05FF8A000A0D" + "\x03";
  EXPECT_EQ(GetCapturedStdout(), trace + trace);
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
TEST(StandardConsole, CompleteLinesAndFrameTracesReachAPipeAtOnce) {
  StandardConsole console;
  PipedStdout out;
  CaptureStderr();
  console.Print("Number of Entries = 3000\n");
  EXPECT_EQ(out.Take(), "Number of Entries = 3000\n");
  const uint8_t frame[] = {0x02, 0x52, 0xFF, 0x03};
  console.TraceFrame(frame);
  EXPECT_EQ(out.Take(),
            "\x02"
            "52FF\x03");
  EXPECT_EQ(GetCapturedStderr(), "");
}

TEST(StandardConsole, ReportsAndWarningsAreLinesOnStandardError) {
  StandardConsole console;
  CaptureStdout();
  CaptureStderr();
  console.Report("Error opening file: No such file or directory");
  PrintWarnings({"db.csv:3: field 2 (code) has 12 characters, cut to 10",
                 "db.csv:4: field 6 (tailText) is the last field of its line"},
                console);
  EXPECT_EQ(GetCapturedStderr(),
            "Error opening file: No such file or directory\n"
            "db.csv:3: field 2 (code) has 12 characters, cut to 10\n"
            "db.csv:4: field 6 (tailText) is the last field of its line\n");
  EXPECT_EQ(GetCapturedStdout(), "");
}

}  // namespace
}  // namespace brenvik::app
