#include "tools/device/DeviceOptions.h"

#include <getopt.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "res/Version.h"
#include "serial/WireProtocol.h"
#include "tools/OptionErrors.h"

namespace brenvik::device {
namespace {

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
    "  --device PATH      answer on this serial port instead of a pseudo-terminal\n"
    "  --link PATH        make PATH a symbolic link to the pseudo-terminal while\n"
    "                     the device runs (a symbolic link there is replaced,\n"
    "                     anything else refused), so a loader can find a device\n"
    "                     that is stopped and started again on the same path, as\n"
    "                     an adapter unplugged and plugged in\n"
    "  --nak N[,M...]     answer NAK to the frames with these numbers (from 0),\n"
    "                     once\n"
    "  --silent           never answer\n"
    "  --answer HEX       answer this byte (e.g. 41 or 0x41) instead of ACK\n"
    "  --answer-first     answer the first DB frame (0x80) too\n"
    "\n"
    "A real line on the pseudo-terminal:\n"
    "  --line-rate BAUD   read the loader's bytes no faster than a line of BAUD\n"
    "                     carries them (10 bits a byte) and send the answers at\n"
    "                     that rate\n"
    "  --latency MS       hand each answer to the loader at the next tick of an\n"
    "                     MS-millisecond clock that runs from the start, as a USB\n"
    "                     adapter's latency timer does\n"
    "\n"
    "A device that misbehaves:\n"
    "  --answer-frame N:HEX[,HEX...]\n"
    "                     answer frame N with exactly these bytes, e.g. 1:41,7F,FF\n"
    "                     (garbage) or 1:06,06 (two answers); N: alone: no\n"
    "                     answer; again for more frames\n"
    "  --delay MS         send every answer MS milliseconds after its frame (the\n"
    "                     loader gives up on an answer after about 1010 ms)\n"
    "  --delay-frame N:MS\n"
    "                     send the answer to frame N alone MS milliseconds late;\n"
    "                     again for more frames\n"
    "  --silent-after N   answer no frame after frame N\n"
    "  --nak-index I:TIMES\n"
    "                     answer NAK to the DB entry frame carrying index I\n"
    "                     (decimal, or 0xFFFF for the last entry) the first TIMES\n"
    "                     times it comes; again for more indexes\n"
    "\n"
    "Output:\n"
    "  --db-out FILE      write the received database as a DB file after each\n"
    "                     complete DB download\n"
    "  --mmi-out FILE     write the received MMI settings as an MMI file after\n"
    "                     each MMI frame\n"
    "  -q, --quiet        print only the first line and errors\n"
    "  -h, --help         show this text\n"
    "  -V, --version      show the version\n"
    "\n"
    "Exit status:\n"
    "  0  stopped by Ctrl-C, SIGTERM or SIGHUP\n"
    "  1  the device could not start: no pseudo-terminal, a --link path that is\n"
    "     refused, or a --device port that will not open\n"
    "  2  wrong usage\n";

// The largest frame number (also the most refusals of an index) and delay taken.
constexpr long kMaxFrameNumber = 1000000;
constexpr long kMaxDelayMs = 3600000;
// An FTDI adapter's latency timer goes up to 255 ms.
constexpr long kMaxBaud = 4000000;
constexpr long kMaxLatencyMs = 255;

bool ParseNumber(const std::string& text, int base, long max, long& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text.c_str(), &end, base);
  if (errno != 0 || *end != '\0' || value < 0 || value > max) return false;
  out = value;
  return true;
}

// Hands each item of "A,B,..." to `take`; false at the first one it refuses.
template <typename Take>
bool ParseList(const std::string& list, Take take) {
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = list.find(',', start);
    if (!take(list.substr(start, comma - start))) return false;
    if (comma == std::string::npos) return true;
    start = comma + 1;
  }
}

bool ParseNakList(const std::string& list, std::set<int>& frames) {
  return ParseList(list, [&frames](const std::string& item) {
    long number = 0;
    if (!ParseNumber(item, 10, kMaxFrameNumber, number)) return false;
    frames.insert(static_cast<int>(number));
    return true;
  });
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
  if (!SplitAtColon(text, frameText, bytesText) ||
      !ParseNumber(frameText, 10, kMaxFrameNumber, frame)) {
    return false;
  }
  std::vector<uint8_t> bytes;
  auto takeByte = [&bytes](const std::string& item) {
    long byte = 0;
    if (!ParseNumber(item, 16, 0xFF, byte)) return false;
    bytes.push_back(static_cast<uint8_t>(byte));
    return true;
  };
  if (!bytesText.empty() && !ParseList(bytesText, takeByte)) return false;
  policy.answerScript[static_cast<int>(frame)] = std::move(bytes);
  return true;
}

// "N:MS"
bool ParseFrameDelay(const std::string& text, DevicePolicy& policy) {
  std::string frameText;
  std::string delayText;
  long frame = 0;
  long delayMs = 0;
  if (!SplitAtColon(text, frameText, delayText) ||
      !ParseNumber(frameText, 10, kMaxFrameNumber, frame) ||
      !ParseNumber(delayText, 10, kMaxDelayMs, delayMs)) {
    return false;
  }
  policy.frameDelays[static_cast<int>(frame)] = std::chrono::milliseconds(delayMs);
  return true;
}

// "I:TIMES", I decimal or with 0x in hex, 0xFFFF at most (the last entry).
bool ParseIndexNak(const std::string& text, DevicePolicy& policy) {
  std::string indexText;
  std::string timesText;
  long index = 0;
  long times = 0;
  if (!SplitAtColon(text, indexText, timesText)) return false;
  const bool hex = indexText.rfind("0x", 0) == 0 || indexText.rfind("0X", 0) == 0;
  if (!ParseNumber(hex ? indexText.substr(2) : indexText, hex ? 16 : 10, kLastEntryIndex, index) ||
      !ParseNumber(timesText, 10, kMaxFrameNumber, times)) {
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
  kLineRate,
  kLatency,
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
    {"line-rate", required_argument, nullptr, kLineRate},
    {"latency", required_argument, nullptr, kLatency},
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
    case kLineRate:
      return "--line-rate needs a baud rate, 1 to 4000000";
    case kLatency:
      return "--latency needs milliseconds, 0 to 255";
    case kDbOut:
      return "--db-out needs a file";
    case kMmiOut:
      return "--mmi-out needs a file";
    default:
      return "an option needs a value";
  }
}

// Takes one option's value into the options; false when it is not valid.
bool TakeValue(int option, const std::string& text, DeviceOptions& options) {
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
      if (!ParseNumber(text, 10, kMaxDelayMs, number)) return false;
      policy.answerDelay = std::chrono::milliseconds(number);
      return true;
    case kDelayFrame:
      return ParseFrameDelay(text, policy);
    case kSilentAfter:
      if (!ParseNumber(text, 10, kMaxFrameNumber, number)) return false;
      policy.silentAfterFrame = static_cast<int>(number);
      return true;
    case kNakIndex:
      return ParseIndexNak(text, policy);
    case kLineRate:
      if (!ParseNumber(text, 10, kMaxBaud, number) || number == 0) return false;
      options.pace.baud = static_cast<int>(number);
      return true;
    case kLatency:
      if (!ParseNumber(text, 10, kMaxLatencyMs, number)) return false;
      options.pace.latencyMs = static_cast<int>(number);
      return true;
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

ParsedDeviceOptions UsageError(const std::string& message) {
  ParsedDeviceOptions parsed;
  parsed.exitCode = 2;
  parsed.text = "brenvik-device: " + message + "\nTry 'brenvik-device --help'.\n";
  return parsed;
}

}  // namespace

ParsedDeviceOptions ParseDeviceOptions(int argc, char** argv) {
  ParsedDeviceOptions parsed;
  DeviceOptions& options = parsed.options;
  // Our own messages name the option and what it needs; 0 restarts getopt's scan.
  opterr = 0;
  optind = 0;
  for (;;) {
    // Once, at start, before any thread runs.
    // NOLINTNEXTLINE(concurrency-mt-unsafe)
    const int option = getopt_long(argc, argv, ":qhV", kLongOptions, nullptr);
    if (option == -1) break;
    switch (option) {
      case 'h':
        parsed.exitCode = 0;
        parsed.text = kUsage;
        return parsed;
      case 'V':
        parsed.exitCode = 0;
        parsed.text = std::string("brenvik-device (Brenvik) ") + kVersion + "\n";
        return parsed;
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
      case '?':
        return UsageError(tools::OptionErrorText(
            kLongOptions, option, optopt, optind > 0 ? argv[optind - 1] : "", ValueHint(optopt)));
      default:
        if (!TakeValue(option, optarg != nullptr ? optarg : "", options)) {
          return UsageError(ValueHint(option));
        }
        break;
    }
  }
  if (optind < argc) return UsageError(std::string("unexpected argument ") + argv[optind]);
  if (!options.linkPath.empty() && !options.devicePath.empty()) {
    return UsageError("--link names the pseudo-terminal; it does not go with --device");
  }
  if (options.pace.Paced() && !options.devicePath.empty()) {
    return UsageError("--line-rate and --latency pace the pseudo-terminal; not a --device port");
  }
  return parsed;
}

}  // namespace brenvik::device
