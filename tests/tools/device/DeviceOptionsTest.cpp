#include "tools/device/DeviceOptions.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "tools/CommandLine.h"

namespace brenvik::device {
namespace {

ParsedDeviceOptions Parse(std::vector<std::string> args) {
  test::CommandLine line("brenvik-device", std::move(args));
  return ParseDeviceOptions(line.argc(), line.argv());
}

std::string Hex(int byte) {
  char text[3];
  std::snprintf(text, sizeof text, "%02X", byte);
  return text;
}

// The options as one line: only what differs from the defaults, each part
// named, so that a row states every field an option set.
std::string Described(const DeviceOptions& o) {
  const DevicePolicy& p = o.policy;
  std::string text;
  auto add = [&text](const std::string& part) { text += (text.empty() ? "" : " ") + part; };
  for (const int frame : p.nakFrames) add("nak=" + std::to_string(frame));
  if (p.silent) add("silent");
  if (p.answerByte) add("answer=" + Hex(*p.answerByte));
  if (p.answerFirstFrame) add("first");
  if (!p.nakInvalidFrames) add("no-nak-invalid");
  for (const auto& [frame, bytes] : p.answerScript) {
    std::string part = "script=" + std::to_string(frame) + ":";
    for (const uint8_t byte : bytes) part += Hex(byte) + ";";
    add(part);
  }
  if (p.answerDelay.count() != 0) add("delay=" + std::to_string(p.answerDelay.count()));
  for (const auto& [frame, delay] : p.frameDelays) {
    add("delay-frame=" + std::to_string(frame) + ":" + std::to_string(delay.count()));
  }
  if (p.silentAfterFrame) add("silent-after=" + std::to_string(*p.silentAfterFrame));
  for (const IndexNak& nak : p.indexNaks) {
    add("nak-index=" + std::to_string(nak.index) + "x" + std::to_string(nak.times));
  }
  if (!o.devicePath.empty()) add("device=" + o.devicePath);
  if (!o.linkPath.empty()) add("link=" + o.linkPath);
  if (!o.dbOut.empty()) add("db-out=" + o.dbOut);
  if (!o.mmiOut.empty()) add("mmi-out=" + o.mmiOut);
  if (o.pace.baud != 0) add("line-rate=" + std::to_string(o.pace.baud));
  if (o.pace.latencyMs != 0) add("latency=" + std::to_string(o.pace.latencyMs));
  if (o.quiet) add("quiet");
  return text.empty() ? "defaults" : text;
}

constexpr const char* kNeedsFrames = "!--nak needs frame numbers: N[,M...]";
constexpr const char* kNeedsByte = "!--answer needs a byte in hex, 00 to FF";
constexpr const char* kNeedsScript =
    "!--answer-frame needs a frame and bytes in hex: N:HEX[,HEX...]";
constexpr const char* kNeedsMs = "!--delay needs milliseconds";
constexpr const char* kNeedsFrameMs = "!--delay-frame needs a frame and milliseconds: N:MS";
constexpr const char* kNeedsBaud = "!--line-rate needs a baud rate, 1 to 4000000";
constexpr const char* kNeedsLatency = "!--latency needs milliseconds, 0 to 255";
constexpr const char* kNeedsFrame = "!--silent-after needs a frame number";
constexpr const char* kNeedsIndex = "!--nak-index needs an index and a count: I:TIMES";

TEST(DeviceOptions, CommandLineGivesThePolicyOrTheUsageErrorNamingTheOption) {
  const struct {
    std::vector<std::string> args;
    const char* got;  // the options described, or "!" and the usage error's message
  } cases[] = {
      {{}, "defaults"},
      {{"--nak", "5,1,3"}, "nak=1 nak=3 nak=5"},
      {{"--nak=0"}, "nak=0"},
      {{"--nak", "1000000"}, "nak=1000000"},
      {{"--nak", "1000001"}, kNeedsFrames},
      {{"--nak", "-1"}, kNeedsFrames},
      {{"--nak", "x,y"}, kNeedsFrames},
      {{"--nak", "1,,2"}, kNeedsFrames},
      {{"--nak", "1,"}, kNeedsFrames},
      {{"--nak", ""}, kNeedsFrames},
      {{"--nak"}, kNeedsFrames},
      {{"--silent"}, "silent"},
      {{"--silent=1"}, "!option '--silent' takes no value"},
      {{"--answer", "41"}, "answer=41"},
      {{"--answer=0x41"}, "answer=41"},
      {{"--answer", "00"}, "answer=00"},
      {{"--answer", "FF"}, "answer=FF"},
      {{"--answer", "100"}, kNeedsByte},
      {{"--answer", "-1"}, kNeedsByte},
      {{"--answer", "x,y"}, kNeedsByte},
      {{"--answer-first"}, "first"},
      {{"--answer-frame", "5:41,7F,FF"}, "script=5:41;7F;FF;"},
      {{"--answer-frame", "1:06,06", "--answer-frame", "2:"}, "script=1:06;06; script=2:"},
      {{"--answer-frame", "1"}, kNeedsScript},
      {{"--answer-frame", "1:GG"}, kNeedsScript},
      {{"--answer-frame", "1:100"}, kNeedsScript},
      {{"--answer-frame", "x:06"}, kNeedsScript},
      {{"--answer-frame", ":06"}, kNeedsScript},
      {{"--delay", "40"}, "delay=40"},
      {{"--line-rate", "9600", "--latency=16", "--delay", "40"},
       "delay=40 line-rate=9600 latency=16"},
      {{"--line-rate=4000000", "--latency", "255"}, "line-rate=4000000 latency=255"},
      {{"--latency", "0"}, "defaults"},
      {{"--line-rate", "0"}, kNeedsBaud},
      {{"--line-rate", "4000001"}, kNeedsBaud},
      {{"--line-rate", "96OO"}, kNeedsBaud},
      {{"--latency", "256"}, kNeedsLatency},
      {{"--latency"}, kNeedsLatency},
      {{"--line-rate", "9600", "--device", "/dev/ttyUSB0"},
       "!--line-rate and --latency pace the pseudo-terminal; not a --device port"},
      {{"--delay=3600000"}, "delay=3600000"},
      {{"--delay", "3600001"}, kNeedsMs},
      {{"--delay", "-5"}, kNeedsMs},
      {{"--delay", "40ms"}, kNeedsMs},
      {{"--delay"}, kNeedsMs},
      {{"--delay-frame", "4:0", "--delay-frame", "2:3600000"},
       "delay-frame=2:3600000 delay-frame=4:0"},
      {{"--delay-frame", "3"}, kNeedsFrameMs},
      {{"--delay-frame", "3:3600001"}, kNeedsFrameMs},
      {{"--delay-frame", "1000001:5"}, kNeedsFrameMs},
      {{"--silent-after", "20"}, "silent-after=20"},
      {{"--silent-after", "0"}, "silent-after=0"},
      {{"--silent-after", "x"}, kNeedsFrame},
      {{"--silent-after", "1000001"}, kNeedsFrame},
      {{"--nak-index", "1:2", "--nak-index", "0xFFFF:1"}, "nak-index=1x2 nak-index=65535x1"},
      {{"--nak-index", "65535:0"}, "nak-index=65535x0"},
      {{"--nak-index", "0X10:1"}, "nak-index=16x1"},
      {{"--nak-index", "65536:1"}, kNeedsIndex},
      {{"--nak-index", "0x10000:1"}, kNeedsIndex},
      {{"--nak-index", "1"}, kNeedsIndex},
      {{"--nak-index", "1:-1"}, kNeedsIndex},
      {{"--device", "/dev/ttyUSB0", "-q"}, "device=/dev/ttyUSB0 quiet"},
      {{"--device="}, "!--device needs a path"},
      {{"--link", "/tmp/dev-a", "--quiet"}, "link=/tmp/dev-a quiet"},
      {{"--link="}, "!--link needs a path"},
      {{"--link", "/tmp/a", "--device", "/dev/ttyUSB0"},
       "!--link names the pseudo-terminal; it does not go with --device"},
      {{"--db-out", "db.csv", "--mmi-out=mmi.csv"}, "db-out=db.csv mmi-out=mmi.csv"},
      {{"--db-out="}, "!--db-out needs a file"},
      {{"--mmi-out", ""}, "!--mmi-out needs a file"},
      {{"--bogus"}, "!unknown option '--bogus'"},
      {{"-x"}, "!unknown option '-x'"},
      {{"--de=5"}, "!option '--de' is ambiguous"},
      {{"--silent", "extra"}, "!unexpected argument extra"},
  };
  for (const auto& c : cases) {
    std::string line;
    for (const std::string& arg : c.args) line += " [" + arg + "]";
    SCOPED_TRACE(line);
    const ParsedDeviceOptions parsed = Parse(c.args);
    const std::string got = c.got;
    if (got[0] != '!') {
      EXPECT_FALSE(parsed.exitCode.has_value()) << parsed.text;
      EXPECT_EQ(Described(parsed.options), got);
    } else {
      EXPECT_EQ(parsed.exitCode, std::optional<int>(2));
      EXPECT_EQ(parsed.text,
                "brenvik-device: " + got.substr(1) + "\nTry 'brenvik-device --help'.\n");
    }
  }
}

}  // namespace
}  // namespace brenvik::device
