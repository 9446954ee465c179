// What the loader shows of its downloads in each progress mode, on one port
// and on two: the exact bytes on standard output and standard error for one
// sequence of events, each written through an output channel into a pipe.

#include "tools/load/ProgressDisplay.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

namespace brenvik::load {
namespace {

// A pipe whose read end gives what has been written so far without waiting.
class Pipe {
 public:
  Pipe() {
    int ends[2] = {-1, -1};
    EXPECT_EQ(::pipe2(ends, O_CLOEXEC | O_NONBLOCK), 0);
    read_ = ends[0];
    write_ = ends[1];
  }
  ~Pipe() {
    ::close(read_);
    ::close(write_);
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;

  int WriteEnd() const { return write_; }
  std::string Read() const {
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(read_, buffer, sizeof buffer)) > 0;) {
      text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
  }

 private:
  int read_;
  int write_;
};

DownloadProgress Progress(DownloadPhase phase, int sent,
                          DownloadOutcome outcome = DownloadOutcome::Completed) {
  DownloadProgress progress;
  progress.phase = phase;
  progress.sent = sent;
  progress.count = 3;
  progress.outcome = outcome;
  return progress;
}

// Port 0 loads its device; with two ports, port 1's device goes silent.
void PlayEvents(ProgressDisplay& display, bool several) {
  const uint8_t frame[] = {0x02, 0x52, 0xFF, 0x0A, 0x03};
  display.Begin(0, DownloadKind::Db);
  display.Changed(0, Progress(DownloadPhase::Started, 0));
  display.Frame(0, frame, sizeof frame);
  display.Changed(0, Progress(DownloadPhase::Writing, 1));
  display.Changed(0, Progress(DownloadPhase::Writing, 1));  // the same text again
  if (several) {
    display.Begin(1, DownloadKind::Db);
    display.Changed(1, Progress(DownloadPhase::Started, 0));
  }
  display.Tick();
  display.Changed(0, Progress(DownloadPhase::Writing, 2));
  display.Warn(0, "a warning");
  display.Changed(0, Progress(DownloadPhase::Ended, 3));
  display.End(0);
  display.Counted(0, true);
  display.Line(0, "device 1: Completed!");
  if (several) {
    DownloadProgress silent = Progress(DownloadPhase::Ended, 1, DownloadOutcome::RxTimeout);
    silent.diagnostic.retry = 10;
    display.Changed(1, silent);
    display.End(1);
    display.Counted(1, false);
  }
  display.Finish();
  display.Line("the summary");
}

struct DisplayCase {
  ProgressMode mode;
  bool several;
  std::string out;
};

TEST(ProgressDisplayTest, EachModeShowsTheEventsOfOneAndOfSeveralPortsAsItShould) {
  const std::string usb0 = "/dev/ttyUSB0: ";
  const std::string byId = "/dev/serial/by-id/usb-FTDI-if00: ";
  const std::string timeout = "ERR: DB rx timeout!k = 00, ret = 00, retry = 10";
  const DisplayCase cases[] = {
      {ProgressMode::Lines, false,
       "Downloading database...\n> 02 52 FF 0A 03\nWriting...33%, 1/3\nWriting...66%, 2/3\n"
       "Completed!\ndevice 1: Completed!\nthe summary\n"},
      {ProgressMode::Lines, true,
       usb0 + "Downloading database...\n" + usb0 + "> 02 52 FF 0A 03\n" + usb0 +
           "Writing...33%, 1/3\n" + byId + "Downloading database...\n" + usb0 +
           "Writing...66%, 2/3\n" + usb0 + "Completed!\n" + usb0 + "device 1: Completed!\n" + byId +
           timeout + "\nthe summary\n"},
      // The warning ends the bar's line; the final text gets a line of its own.
      {ProgressMode::Bar, false,
       "> 02 52 FF 0A 03\n\rDB  [" + std::string(13, '#') + std::string(27, '.') +
           "]  33%  1/3     --/s    --:-- left\x1b[K\n\rDB  Completed!\x1b[K\n"
           "device 1: Completed!\nthe summary\n"},
      // A line each and the total line, redrawn as a block; left standing at the end.
      {ProgressMode::Bar, true,
       usb0 + "> 02 52 FF 0A 03\n\rttyUSB0       DB  [" + std::string(8, '#') +
           std::string(18, '.') +
           "]  33%  1/3     --/s    --:-- left\x1b[K\n"
           "usb-FTDI-if00 DB  Downloading database...\x1b[K\n"
           "devices: 0 passed, 0 failed, 1/6 entries\x1b[K\n" +
           usb0 +
           "device 1: Completed!\n\rttyUSB0       DB  Completed!\x1b[K\n"
           "usb-FTDI-if00 DB  " +
           timeout + "\x1b[K\ndevices: 1 passed, 1 failed\x1b[K\nthe summary\n"},
      {ProgressMode::None, false,
       "> 02 52 FF 0A 03\nCompleted!\ndevice 1: Completed!\nthe summary\n"},
      {ProgressMode::None, true,
       usb0 + "> 02 52 FF 0A 03\n" + usb0 + "Completed!\n" + usb0 + "device 1: Completed!\n" +
           byId + timeout + "\nthe summary\n"},
      {ProgressMode::Quiet, false, "> 02 52 FF 0A 03\n"},
      {ProgressMode::Quiet, true, usb0 + "> 02 52 FF 0A 03\n"},
  };
  for (const DisplayCase& c : cases) {
    const Pipe outPipe;
    const Pipe errPipe;
    {
      OutputChannel out(outPipe.WriteEnd());
      OutputChannel err(errPipe.WriteEnd());
      std::vector<std::string> ports = {"/dev/ttyUSB0"};
      if (c.several) ports.emplace_back("/dev/serial/by-id/usb-FTDI-if00");
      ProgressDisplay display(out, err, c.mode, ports);
      PlayEvents(display, c.several);
      EXPECT_TRUE(out.Drain(std::chrono::seconds(1)));
      EXPECT_TRUE(err.Drain(std::chrono::seconds(1)));
    }
    const std::string name =
        std::to_string(static_cast<int>(c.mode)) + (c.several ? " several" : " one");
    EXPECT_EQ(outPipe.Read(), c.out) << name;
    // Warnings go to standard error in every mode.
    EXPECT_EQ(errPipe.Read(), "brenvik-load: " + (c.several ? usb0 : "") + "a warning\n") << name;
  }
}

}  // namespace
}  // namespace brenvik::load
