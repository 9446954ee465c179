// brenvik-device: a simulated device for trying the window and the loader
// without hardware. It answers each frame the way the real device does (ACK,
// no answer to the first DB frame) or as told, prints a line per frame and can
// write what it received back out as DB and MMI files.

#include <getopt.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/StandardDescriptors.h"
#include "res/Version.h"
#include "serial/SerialPort.h"
#include "tools/StopSignalHandler.h"
#include "tools/device/DeviceFileWriter.h"
#include "tools/device/PtyDevice.h"
#include "tools/device/SimulatedDevice.h"

namespace {

using brenvik::tools::g_stopRequested;
using brenvik::tools::InstallStopHandlers;

using brenvik::Result;
using brenvik::device::Answer;
using brenvik::device::AnswerQueue;
using brenvik::device::DeviceEvent;
using brenvik::device::DevicePolicy;

constexpr const char* kUsage =
    "Usage: brenvik-device [options]\n"
    "\n"
    "Simulates the device on a pseudo-terminal and prints, as the first line, the\n"
    "path the loader or the window should open: \"Device on /dev/pts/N\". With\n"
    "--device it answers on a real serial port instead and names that port; the\n"
    "loader then opens the port at the other end of the cable.\n"
    "\n"
    "Then it prints one line per frame it receives: its number, command, index or\n"
    "count, whether its checks passed and what it answered. It runs until Ctrl-C,\n"
    "SIGTERM or SIGHUP.\n"
    "\n"
    "By default every frame is answered ACK, except the first DB frame (0x80),\n"
    "which the real device does not answer either; a frame that fails its checks\n"
    "is answered NAK.\n"
    "\n"
    "Frames are numbered from 0 in the order they arrive, across downloads.\n"
    "\n"
    "An option's value may also follow it after an equals sign: --delay=40.\n"
    "\n"
    "Options:\n"
    "  --device PATH    answer on this serial port instead of a pseudo-terminal\n"
    "  --link PATH      make PATH a symbolic link to the pseudo-terminal while the\n"
    "                   device runs (a symbolic link there is replaced, anything\n"
    "                   else refused), so a loader can find a device that is\n"
    "                   stopped and started again on the same path, as an adapter\n"
    "                   unplugged and plugged in\n"
    "  --nak N[,M...]   answer NAK to the frames with these numbers (from 0), once\n"
    "  --silent         never answer\n"
    "  --answer HEX     answer this byte (e.g. 41 or 0x41) instead of ACK\n"
    "  --answer-first   answer the first DB frame (0x80) too\n"
    "\n"
    "A device that misbehaves (--answer-frame, --delay-frame and --nak-index may\n"
    "be given more than once):\n"
    "  --answer-frame N:HEX[,HEX...]\n"
    "                   answer frame N with exactly these bytes, e.g. 1:41,7F,FF\n"
    "                   (garbage) or 1:06,06 (two answers); N: alone: no answer\n"
    "  --delay MS       send every answer MS milliseconds after its frame (the\n"
    "                   loader gives up on an answer after about 1010 ms)\n"
    "  --delay-frame N:MS\n"
    "                   send the answer to frame N alone MS milliseconds late\n"
    "  --silent-after N\n"
    "                   answer no frame after frame N\n"
    "  --nak-index I:TIMES\n"
    "                   answer NAK to the DB entry frame carrying index I (decimal,\n"
    "                   or 0xFFFF for the last entry) the first TIMES times it comes\n"
    "\n"
    "Output:\n"
    "  --db-out FILE    write the received database as a DB file after each\n"
    "                   complete DB download\n"
    "  --mmi-out FILE   write the received MMI settings as an MMI file after each\n"
    "                   MMI frame\n"
    "  -q, --quiet      print only the first line and errors\n"
    "  -h, --help       show this text\n"
    "  -V, --version    show the version\n";

struct Options {
  DevicePolicy policy;
  std::string devicePath;
  std::string dbOut;
  std::string mmiOut;
  std::string linkPath;
  bool quiet = false;
};

bool ParseNumber(const std::string& text, int base, long max, long& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text.c_str(), &end, base);
  if (errno != 0 || *end != '\0' || value < 0 || value > max) return false;
  out = value;
  return true;
}

bool ParseNakList(const std::string& list, std::set<int>& frames) {
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t comma = list.find(',', start);
    const std::string item = list.substr(start, comma - start);
    long number = 0;
    if (!ParseNumber(item, 10, 1000000, number)) return false;
    frames.insert(static_cast<int>(number));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return true;
}

// Splits "LEFT:RIGHT" at its first colon; false when there is none.
bool SplitAtColon(const std::string& text, std::string& left, std::string& right) {
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos) return false;
  left = text.substr(0, colon);
  right = text.substr(colon + 1);
  return true;
}

// "N:HEX[,HEX...]", or "N:" for no answer at all.
bool ParseScriptedAnswer(const std::string& text, DevicePolicy& policy) {
  std::string frameText;
  std::string bytesText;
  long frame = 0;
  if (!SplitAtColon(text, frameText, bytesText) || !ParseNumber(frameText, 10, 1000000, frame)) {
    return false;
  }
  std::vector<uint8_t> bytes;
  std::size_t start = 0;
  while (!bytesText.empty() && start <= bytesText.size()) {
    const std::size_t comma = bytesText.find(',', start);
    long byte = 0;
    if (!ParseNumber(bytesText.substr(start, comma - start), 16, 0xFF, byte)) return false;
    bytes.push_back(static_cast<uint8_t>(byte));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  policy.answerScript[static_cast<int>(frame)] = std::move(bytes);
  return true;
}

// "N:MS"
bool ParseFrameDelay(const std::string& text, DevicePolicy& policy) {
  std::string frameText;
  std::string delayText;
  long frame = 0;
  long delayMs = 0;
  if (!SplitAtColon(text, frameText, delayText) || !ParseNumber(frameText, 10, 1000000, frame) ||
      !ParseNumber(delayText, 10, 3600000, delayMs)) {
    return false;
  }
  policy.frameDelays[static_cast<int>(frame)] = std::chrono::milliseconds(delayMs);
  return true;
}

// "I:TIMES", I decimal or with 0x in hex.
bool ParseIndexNak(const std::string& text, DevicePolicy& policy) {
  std::string indexText;
  std::string timesText;
  long index = 0;
  long times = 0;
  if (!SplitAtColon(text, indexText, timesText)) return false;
  const bool hex = indexText.rfind("0x", 0) == 0 || indexText.rfind("0X", 0) == 0;
  if (!ParseNumber(hex ? indexText.substr(2) : indexText, hex ? 16 : 10, 0xFFFF, index) ||
      !ParseNumber(timesText, 10, 1000000, times)) {
    return false;
  }
  policy.indexNaks.push_back({static_cast<uint16_t>(index), static_cast<int>(times)});
  return true;
}

enum LongOnly : int {
  kDevice = 256,
  kNak,
  kSilent,
  kAnswer,
  kAnswerFirst,
  kAnswerFrame,
  kDelay,
  kDelayFrame,
  kSilentAfter,
  kNakIndex,
  kDbOut,
  kMmiOut,
  kLink,
};

constexpr option kLongOptions[] = {
    {"device", required_argument, nullptr, kDevice},
    {"link", required_argument, nullptr, kLink},
    {"nak", required_argument, nullptr, kNak},
    {"silent", no_argument, nullptr, kSilent},
    {"answer", required_argument, nullptr, kAnswer},
    {"answer-first", no_argument, nullptr, kAnswerFirst},
    {"answer-frame", required_argument, nullptr, kAnswerFrame},
    {"delay", required_argument, nullptr, kDelay},
    {"delay-frame", required_argument, nullptr, kDelayFrame},
    {"silent-after", required_argument, nullptr, kSilentAfter},
    {"nak-index", required_argument, nullptr, kNakIndex},
    {"db-out", required_argument, nullptr, kDbOut},
    {"mmi-out", required_argument, nullptr, kMmiOut},
    {"quiet", no_argument, nullptr, 'q'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

// What an option needs when its value is missing or wrong.
const char* ValueHint(int option) {
  switch (option) {
    case kDevice:
      return "--device needs a path";
    case kLink:
      return "--link needs a path";
    case kNak:
      return "--nak needs frame numbers: N[,M...]";
    case kAnswer:
      return "--answer needs a byte in hex, 00 to FF";
    case kAnswerFrame:
      return "--answer-frame needs a frame and bytes in hex: N:HEX[,HEX...]";
    case kDelay:
      return "--delay needs milliseconds";
    case kDelayFrame:
      return "--delay-frame needs a frame and milliseconds: N:MS";
    case kSilentAfter:
      return "--silent-after needs a frame number";
    case kNakIndex:
      return "--nak-index needs an index and a count: I:TIMES";
    case kDbOut:
      return "--db-out needs a file";
    case kMmiOut:
      return "--mmi-out needs a file";
    default:
      return "an option needs a value";
  }
}

// Takes one option's value into the options; false when it is not valid.
bool TakeValue(int option, const std::string& text, Options& options) {
  DevicePolicy& policy = options.policy;
  long number = 0;
  switch (option) {
    case kDevice:
      options.devicePath = text;
      return !text.empty();
    case kLink:
      options.linkPath = text;
      return !text.empty();
    case kNak:
      return ParseNakList(text, policy.nakFrames);
    case kAnswer:
      if (!ParseNumber(text, 16, 0xFF, number)) return false;
      policy.answerByte = static_cast<uint8_t>(number);
      return true;
    case kAnswerFrame:
      return ParseScriptedAnswer(text, policy);
    case kDelay:
      if (!ParseNumber(text, 10, 3600000, number)) return false;
      policy.answerDelay = std::chrono::milliseconds(number);
      return true;
    case kDelayFrame:
      return ParseFrameDelay(text, policy);
    case kSilentAfter:
      if (!ParseNumber(text, 10, 1000000, number)) return false;
      policy.silentAfterFrame = static_cast<int>(number);
      return true;
    case kNakIndex:
      return ParseIndexNak(text, policy);
    case kDbOut:
      options.dbOut = text;
      return !text.empty();
    case kMmiOut:
      options.mmiOut = text;
      return !text.empty();
    default:
      return false;
  }
}

// Returns the exit code when the program should end here (help, bad usage).
std::optional<int> ParseOptions(int argc, char** argv, Options& options) {
  auto usageError = [](const std::string& message) {
    std::fprintf(stderr, "brenvik-device: %s\nTry 'brenvik-device --help'.\n", message.c_str());
    return 2;
  };
  // Our own messages name the option and what it needs.
  opterr = 0;
  for (;;) {
    // Once, at start, before any thread runs.
    // NOLINTNEXTLINE(concurrency-mt-unsafe)
    const int option = getopt_long(argc, argv, ":qhV", kLongOptions, nullptr);
    if (option == -1) break;
    switch (option) {
      case 'h':
        std::fputs(kUsage, stdout);
        return 0;
      case 'V':
        std::printf("brenvik-device (Brenvik) %s\n", brenvik::kVersion);
        return 0;
      case 'q':
        options.quiet = true;
        break;
      case kSilent:
        options.policy.silent = true;
        break;
      case kAnswerFirst:
        options.policy.answerFirstFrame = true;
        break;
      case ':':
        return usageError(ValueHint(optopt));
      case '?':
        if (optopt != 0) return usageError(std::string("unknown option -") + char(optopt));
        return usageError(std::string("unknown option ") + argv[optind - 1]);
      default:
        if (!TakeValue(option, optarg != nullptr ? optarg : "", options)) {
          return usageError(ValueHint(option));
        }
        break;
    }
  }
  if (optind < argc) return usageError(std::string("unexpected argument ") + argv[optind]);
  if (!options.linkPath.empty() && !options.devicePath.empty()) {
    return usageError("--link names the pseudo-terminal; it does not go with --device");
  }
  return std::nullopt;
}

// Makes `link` a symbolic link to `target`, replacing a symbolic link there
// in one step (a loader waiting on the path never finds it missing) but
// nothing else; fails with the cause when it cannot.
Result<> MakeLink(const std::string& link, const std::string& target) {
  struct stat info {};
  if (::lstat(link.c_str(), &info) == 0 && !S_ISLNK(info.st_mode)) {
    return brenvik::Error{link + " exists and is not a symbolic link; not replacing it"};
  }
  const std::string temporary = link + ".new-" + std::to_string(::getpid());
  (void)::unlink(temporary.c_str());
  if (::symlink(target.c_str(), temporary.c_str()) != 0 ||
      ::rename(temporary.c_str(), link.c_str()) != 0) {
    const int errnum = errno;
    (void)::unlink(temporary.c_str());
    return brenvik::SystemError("cannot make the link " + link, errnum);
  }
  return {};
}

// Removes the link unless another device has meanwhile put its own there.
void RemoveLink(const std::string& link, const std::string& target) {
  std::error_code error;
  if (std::filesystem::read_symlink(link, error).string() == target) (void)::unlink(link.c_str());
}

std::string HexBytes(const std::vector<uint8_t>& bytes) {
  std::string text;
  char pair[4];
  for (std::size_t i = 0; i < bytes.size() && i < 32; ++i) {
    std::snprintf(pair, sizeof pair, i == 0 ? "%02X" : " %02X", bytes[i]);
    text += pair;
  }
  if (bytes.size() > 32) text += " ...";
  return text;
}

// Prints an event and writes the output files it calls for. The writers are
// those of the device in use, so they see what it has received.
class EventReporter {
 public:
  using Writer = std::function<Result<>(const std::string&)>;

  EventReporter(const Options& options, Writer writeDb, Writer writeMmi)
      : options_(options), writeDb_(std::move(writeDb)), writeMmi_(std::move(writeMmi)) {}

  void operator()(const DeviceEvent& event) const {
    switch (event.kind) {
      case DeviceEvent::Kind::Frame:
        Say(brenvik::device::DescribeFrame(event.frame, event.answer));
        break;
      case DeviceEvent::Kind::StrayBytes:
        Say("ignored " + std::to_string(event.strayBytes.size()) +
            " byte(s) outside a frame: " + HexBytes(event.strayBytes));
        break;
      case DeviceEvent::Kind::DbComplete:
        Say("database complete");
        if (!options_.dbOut.empty()) Write(writeDb_, options_.dbOut);
        break;
      case DeviceEvent::Kind::MmiReceived:
        Say("MMI settings received");
        if (!options_.mmiOut.empty()) Write(writeMmi_, options_.mmiOut);
        break;
    }
  }

 private:
  void Say(const std::string& line) const {
    if (!options_.quiet) std::printf("%s\n", line.c_str());
  }
  void Write(const Writer& writer, const std::string& path) const {
    const Result<> written = writer(path);
    if (written) {
      Say("wrote " + path);
    } else {
      std::fprintf(stderr, "brenvik-device: cannot write %s\n", written.error().c_str());
    }
  }

  const Options& options_;
  Writer writeDb_;
  Writer writeMmi_;
};

int RunOnPty(const Options& options) {
  brenvik::device::PtyDevice device(options.policy);
  device.SetObserver(EventReporter(
      options, [&device](const std::string& path) { return device.WriteDb(path); },
      [&device](const std::string& path) { return device.WriteMmi(path); }));
  if (!device.Start()) {
    std::fprintf(stderr, "brenvik-device: no pseudo-terminal: %s\n", device.Error().c_str());
    return 1;
  }
  if (!options.linkPath.empty()) {
    if (const Result<> linked = MakeLink(options.linkPath, device.Path()); !linked) {
      std::fprintf(stderr, "brenvik-device: %s\n", linked.error().c_str());
      return 1;
    }
  }
  std::printf("Device on %s\n", device.Path().c_str());
  while (!g_stopRequested) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  // The link goes first: a loader waiting for the port must not open a
  // device that is stopping.
  if (!options.linkPath.empty()) RemoveLink(options.linkPath, device.Path());
  device.Stop();
  if (!options.quiet) std::printf("stopped after %zu frame(s)\n", device.FrameCount());
  return 0;
}

int RunOnSerialPort(const Options& options) {
  brenvik::SerialPort port;
  if (port.OpenPath(options.devicePath.c_str()) != 1) {
    std::fprintf(stderr, "brenvik-device: cannot open %s\n", options.devicePath.c_str());
    return 1;
  }
  brenvik::device::SimulatedDevice device(options.policy);
  const EventReporter report(
      options,
      [&device](const std::string& path) {
        return brenvik::device::WriteDbFile(device.Received().Db(), path);
      },
      [&device](const std::string& path) {
        return brenvik::device::WriteMmiFile(device.Received().Mmi(), path);
      });
  std::printf("Device on %s\n", options.devicePath.c_str());
  std::vector<Answer> answers;
  std::vector<DeviceEvent> events;
  AnswerQueue outgoing;
  uint8_t buffer[256];
  while (!g_stopRequested) {
    // The port's reads never block: poll it, briefly idle when nothing came.
    const int n = port.Read(buffer, sizeof buffer);
    if (n > 0) {
      answers.clear();
      events.clear();
      device.Feed(buffer, static_cast<std::size_t>(n), answers, &events);
      for (const Answer& answer : answers) outgoing.Add(answer, AnswerQueue::Clock::now());
    }
    for (uint8_t answer : outgoing.TakeDue(AnswerQueue::Clock::now())) port.Write(&answer, 1);
    if (n > 0) {
      for (const DeviceEvent& event : events) report(event);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  port.Close();
  if (!options.quiet) std::printf("stopped after %zu frame(s)\n", device.Frames().size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (!brenvik::GuardStandardDescriptors()) return 1;
  // One line at a time, also into a pipe: scripts wait for the first line.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  Options options;
  if (const std::optional<int> code = ParseOptions(argc, argv, options)) return *code;
  InstallStopHandlers();
  return options.devicePath.empty() ? RunOnPty(options) : RunOnSerialPort(options);
}
