#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/FileDescriptor.h"
#include "tools/load/LoadLog.h"

namespace brenvik::load {
namespace {

// A log nothing can take: the open or the append fails at once, naming the
// log and the cause.
TEST(LoadLogPosix, LogThatCannotTakeARecordFailsAtOnceWithItsCause) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("brenvik-log-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string fifo = (dir / "fifo").string();
  const std::string capped = (dir / "capped.jsonl").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  struct Case {
    std::string path;
    bool reader;     // the FIFO has a reader
    rlim_t sizeCap;  // the process's file size limit; 0: none
    std::string error;
  };
  const Case cases[] = {
      {fifo, false, 0,
       "cannot open the log " + fifo + " for appending: it is a FIFO with no reader"},
      {fifo, true, 0, ""},
      {"/dev/full", false, 0, "cannot write to the log /dev/full: No space left on device"},
      // The first write stops at the limit, part of the line written; the rest says why.
      {capped, false, 100, "cannot write to the log " + capped + ": File too large"},
  };
  std::signal(SIGXFSZ, SIG_IGN);
  for (const Case& c : cases) {
    const FileDescriptor reader(c.reader ? ::open(c.path.c_str(), O_RDONLY | O_NONBLOCK) : -1);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit cap = saved;
    if (c.sizeCap > 0) cap.rlim_cur = c.sizeCap;
    ::setrlimit(RLIMIT_FSIZE, &cap);
    LoadLog log;
    Result<> result = log.Open(c.path);
    if (result) result = log.Append(LoadRecord{});
    ::setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(result.error(), c.error) << c.path;
    if (c.sizeCap > 0) {
      EXPECT_EQ(std::filesystem::file_size(c.path), c.sizeCap);
    }
    if (c.reader) {
      char line[1024] = {};
      const ssize_t got = ::read(reader.Get(), line, sizeof line);
      ASSERT_GT(got, 0);
      EXPECT_EQ(std::string(line, static_cast<std::size_t>(got)), RecordLine({}));
    }
  }
  std::signal(SIGXFSZ, SIG_DFL);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace brenvik::load
