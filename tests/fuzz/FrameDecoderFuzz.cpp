// fuzz_frame_decoder: the simulated device's FrameDecoder on an arbitrary byte
// stream. The harness keeps its own plain account of where frames begin and
// end and checks that the decoder reports exactly those frames, that every
// frame it calls valid really is one (LEN that fits the command, LEN+1 body
// bytes, a checksum that matches, the body's exact hex text on the line), and
// that feeding the stream in two pieces, the decoder copied in between, gives
// the same frames as feeding it whole.
//
// Input: a flags byte, a split byte, then the stream. With bit 0 of the flags
// set the harness first writes the right checksum into every frame whose hex
// text is long enough for its LEN, so that valid frames of every shape are
// reached, not only the ones in the seed corpus.

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "serial/WireProtocol.h"
#include "tools/device/FrameDecoder.h"

namespace brenvik::fuzz {
namespace {

using device::FrameDecoder;
using device::ReceivedFrame;

// What the decoder keeps of a frame's text before it only counts.
constexpr std::size_t kMaxHexText = 512;
constexpr std::size_t kMaxStrayKept = 4096;

int UpperHexValue(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

char UpperHexDigit(unsigned value) { return "0123456789ABCDEF"[value & 0xF]; }

std::string HexOf(const std::vector<uint8_t>& body) {
  std::string text;
  for (uint8_t b : body) {
    text.push_back(UpperHexDigit(b >> 4));
    text.push_back(UpperHexDigit(b));
  }
  return text;
}

// Writes the checksum of body bytes 0 to LEN-1 at body offset LEN of the frame
// text [begin, end) when that much of it is hex.
void SealText(std::vector<uint8_t>& stream, std::size_t begin, std::size_t end) {
  auto byteAt = [&stream, begin](std::size_t i) -> int {
    const int high = UpperHexValue(stream[begin + 2 * i]);
    const int low = UpperHexValue(stream[begin + 2 * i + 1]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
  };
  if (end - begin < 2) return;
  const int len = byteAt(0);
  if (len < 0 || end - begin < 2 * (static_cast<std::size_t>(len) + 1)) return;
  unsigned sum = 0;
  for (int i = 0; i < len; ++i) {
    const int b = byteAt(static_cast<std::size_t>(i));
    if (b < 0) return;
    sum += static_cast<unsigned>(b);
  }
  stream[begin + 2 * static_cast<std::size_t>(len)] = static_cast<uint8_t>(UpperHexDigit(sum >> 4));
  stream[begin + 2 * static_cast<std::size_t>(len) + 1] = static_cast<uint8_t>(UpperHexDigit(sum));
}

void SealFrames(std::vector<uint8_t>& stream) {
  std::optional<std::size_t> begin;
  for (std::size_t i = 0; i < stream.size(); ++i) {
    if (stream[i] == kStx) {
      if (begin) SealText(stream, *begin, i);
      begin = i + 1;
    } else if (stream[i] == kEtx && begin) {
      SealText(stream, *begin, i);
      begin.reset();
    }
  }
}

bool SameFrame(const ReceivedFrame& a, const ReceivedFrame& b) {
  return a.valid == b.valid && a.problem == b.problem && a.command == b.command &&
         a.indexOrCount == b.indexOrCount && a.body == b.body && a.terminated == b.terminated;
}

// What a valid frame must be, checked without the decoder's own code.
void CheckValidFrame(const ReceivedFrame& frame, std::string_view text) {
  Require(frame.problem.empty(), "a valid frame has no problem");
  Require(frame.terminated, "a valid frame ended with ETX");
  Require(frame.body.size() >= 3, "a valid frame has LEN, 0xFF and a command");
  const uint8_t len = frame.body[0];
  Require(frame.body.size() == std::size_t{len} + 1, "a valid frame has LEN+1 body bytes");
  Require(frame.body[1] == 0xFF, "0xFF follows LEN");
  Require(frame.command == frame.body[2], "the command is body byte 2");
  const bool db = frame.command == kDbFirstCommand || frame.command == kDbEntryCommand;
  Require((db && len == kDbBodyLength) || (frame.command == kMmiCommand && len == kMmiBodyLength),
          "LEN matches the command");
  uint8_t sum = 0;
  for (std::size_t i = 0; i < len; ++i) sum = static_cast<uint8_t>(sum + frame.body[i]);
  Require(frame.body[len] == sum, "the checksum matches the body");
  if (db) {
    Require(frame.indexOrCount == (frame.body[3] | (frame.body[4] << 8)),
            "index or count is body bytes 3 and 4, little-endian");
  }
  Require(HexOf(frame.body) == text, "the line carried the body's exact hex text");
}

struct Reported {
  std::size_t at;  // the stream offset of the byte that ended the frame
  ReceivedFrame frame;
};

// Feeds the whole stream byte by byte and checks each answer against a plain
// account of STX and ETX.
std::vector<Reported> FeedChecked(const std::vector<uint8_t>& stream) {
  FrameDecoder decoder;
  std::vector<Reported> reported;
  std::vector<uint8_t> stray;
  std::size_t strayTotal = 0;
  bool inFrame = false;
  std::string text;
  for (std::size_t i = 0; i < stream.size(); ++i) {
    const uint8_t byte = stream[i];
    std::optional<ReceivedFrame> frame = decoder.Feed(byte);
    if (byte == kStx) {
      if (inFrame) {
        Require(frame.has_value(), "an STX inside a frame reports the frame it cut");
        Require(!frame->valid && !frame->terminated, "a cut frame is neither valid nor ended");
        Require(!frame->problem.empty(), "a cut frame names its problem");
      } else {
        Require(!frame, "an STX outside a frame reports nothing");
      }
      inFrame = true;
      text.clear();
    } else if (!inFrame) {
      Require(!frame, "a byte outside a frame reports nothing");
      ++strayTotal;
      if (stray.size() < kMaxStrayKept) stray.push_back(byte);
    } else if (byte == kEtx) {
      Require(frame.has_value(), "ETX ends the frame");
      Require(frame->terminated, "a frame ended by ETX is terminated");
      if (text.size() > kMaxHexText) {
        Require(!frame->valid && !frame->problem.empty(), "an overlong frame is not valid");
      } else {
        Require(SameFrame(*frame, device::DecodeFrameText(text)),
                "the frame is the decoding of its text");
      }
      if (frame->valid) {
        CheckValidFrame(*frame, text);
      } else {
        Require(!frame->problem.empty(), "a frame that is not valid names its problem");
      }
      inFrame = false;
    } else {
      Require(!frame, "a byte inside a frame reports nothing");
      text.push_back(static_cast<char>(byte));
    }
    if (frame) reported.push_back({i, std::move(*frame)});
  }
  Require(decoder.InFrame() == inFrame, "the decoder knows whether a frame is open");
  Require(decoder.StrayByteCount() == strayTotal, "every byte outside a frame is counted");
  Require(decoder.TakeStrayBytes() == stray, "the first stray bytes are kept in order");
  Require(decoder.TakeStrayBytes().empty(), "stray bytes are handed over once");
  return reported;
}

std::vector<Reported> FeedInTwo(const std::vector<uint8_t>& stream, std::size_t split) {
  std::vector<Reported> reported;
  FrameDecoder first;
  for (std::size_t i = 0; i < split; ++i) {
    if (auto frame = first.Feed(stream[i])) reported.push_back({i, std::move(*frame)});
  }
  FrameDecoder second = first;
  for (std::size_t i = split; i < stream.size(); ++i) {
    if (auto frame = second.Feed(stream[i])) reported.push_back({i, std::move(*frame)});
  }
  return reported;
}

}  // namespace
}  // namespace brenvik::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace brenvik::fuzz;
  if (size < 2) return 0;
  const bool seal = (data[0] & 1) != 0;
  std::vector<uint8_t> stream(data + 2, data + size);
  if (seal) SealFrames(stream);
  const std::size_t split = stream.size() * data[1] / 255;

  const std::vector<Reported> whole = FeedChecked(stream);
  const std::vector<Reported> pieces = FeedInTwo(stream, split);
  Require(whole.size() == pieces.size(), "two pieces give as many frames as the whole");
  for (std::size_t i = 0; i < whole.size(); ++i) {
    Require(whole[i].at == pieces[i].at && SameFrame(whole[i].frame, pieces[i].frame),
            "two pieces give the same frames as the whole");
  }
  return 0;
}
