// The loader's output channel on a pipe whose reader lags: nothing posted
// waits for it, stale progress merges, and nothing else is dropped.

#include "tools/load/OutputChannel.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

namespace brenvik::load {
namespace {

TEST(OutputChannelTest, ALaggingReaderGetsTheNewestProgressAndEveryOtherText) {
  int ends[2];
  ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
  ASSERT_GT(::fcntl(ends[1], F_SETPIPE_SZ, 4096), 0);
  std::string read;
  {
    OutputChannel channel(ends[1]);
    // More than the pipe and the lag allowance take: the reader lags from here on.
    channel.Post(std::string(std::size_t{24} * 1024, '.') + "\n");
    for (int i = 1; i <= 100; ++i) channel.Post("a " + std::to_string(i) + "\n", 0, true);
    channel.Post("b 1\n", 1, true);
    channel.Post("a done\n", 0);
    channel.Post("a 101\n", 0, true);
    channel.Post("a 102\n", 0, true);
    channel.Post("summary\n");
    EXPECT_FALSE(channel.Drain(std::chrono::milliseconds(50))) << "the reader has not read";

    const int flags = ::fcntl(ends[0], F_GETFL);
    ::fcntl(ends[0], F_SETFL, flags | O_NONBLOCK);
    char buffer[4096];
    while (read.find("summary\n") == std::string::npos) {
      const ssize_t n = ::read(ends[0], buffer, sizeof buffer);
      if (n > 0) read.append(buffer, static_cast<std::size_t>(n));
      if (n <= 0) channel.Drain(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(channel.Drain(std::chrono::milliseconds(1000)));
  }
  ::close(ends[0]);
  ::close(ends[1]);
  EXPECT_EQ(read.substr(read.find('\n') + 1), "a 100\nb 1\na done\na 102\nsummary\n");
}

}  // namespace
}  // namespace brenvik::load
