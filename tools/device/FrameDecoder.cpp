#include "tools/device/FrameDecoder.h"

#include <cstdio>

namespace brenvik::device {
namespace {

// Enough stray bytes to show what went wrong; the rest are only counted.
constexpr std::size_t kMaxStrayKept = 4096;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Hex2(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", value & 0xFFu);
  return text;
}

std::string DescribeChar(char c) {
  const auto byte = static_cast<unsigned char>(c);
  char text[16];
  if (byte >= 0x20 && byte < 0x7F) {
    std::snprintf(text, sizeof text, "'%c'", c);
  } else {
    std::snprintf(text, sizeof text, "0x%02X", byte);
  }
  return text;
}

}  // namespace

ReceivedFrame DecodeFrameText(std::string_view hexText) {
  ReceivedFrame frame;
  auto fail = [&frame](std::string problem) {
    frame.valid = false;
    frame.problem = std::move(problem);
    return frame;
  };

  for (std::size_t i = 0; i < hexText.size(); ++i) {
    if (HexValue(hexText[i]) < 0) {
      const char c = hexText[i];
      const bool lower = (c >= 'a' && c <= 'f');
      return fail((lower ? "lowercase hex digit " : "not a hex digit: ") + DescribeChar(c) +
                  " at " + std::to_string(i));
    }
  }
  for (std::size_t i = 0; i + 1 < hexText.size(); i += 2) {
    frame.body.push_back(
        static_cast<uint8_t>(HexValue(hexText[i]) * 16 + HexValue(hexText[i + 1])));
  }
  if (frame.body.size() > kBodyCommandAt) frame.command = frame.body[kBodyCommandAt];
  if (frame.body.size() > kDbCountOrIndexAt + 1 && frame.IsDb()) {
    frame.indexOrCount = static_cast<uint16_t>(frame.body[kDbCountOrIndexAt] |
                                               (frame.body[kDbCountOrIndexAt + 1] << 8));
  }

  if (hexText.size() % 2 != 0) {
    return fail("odd number of hex digits (" + std::to_string(hexText.size()) + ")");
  }
  if (frame.body.empty()) return fail("empty frame");
  const uint8_t len = frame.body[kBodyLenAt];
  if (len != kDbBodyLength && len != kMmiBodyLength) {
    return fail("LEN " + Hex2(len) + " is neither 0x52 nor 0x84");
  }
  if (frame.body.size() <= kBodyMarkerAt || frame.body[kBodyMarkerAt] != kBodyMarker) {
    return fail(frame.body.size() <= kBodyMarkerAt
                    ? std::string("no 0xFF behind LEN")
                    : "byte 1 is " + Hex2(frame.body[kBodyMarkerAt]) + ", not 0xFF");
  }
  if (frame.body.size() <= kBodyCommandAt) return fail("no command");
  const bool dbCommand = frame.IsDb();
  if (!dbCommand && frame.command != kMmiCommand) {
    return fail("unknown command " + Hex2(frame.command));
  }
  const uint8_t wantLen = dbCommand ? kDbBodyLength : kMmiBodyLength;
  if (len != wantLen) {
    return fail("command " + Hex2(frame.command) + " with LEN " + Hex2(len) + ", not " +
                Hex2(wantLen));
  }
  const std::size_t wantDigits = BodyHexDigits(len);
  if (hexText.size() != wantDigits) {
    return fail(std::to_string(hexText.size()) + " hex digits, LEN " + Hex2(len) + " needs " +
                std::to_string(wantDigits));
  }
  const uint8_t sum = BodyChecksum({frame.body.data(), len});
  if (frame.body[len] != sum) {
    return fail("checksum " + Hex2(frame.body[len]) + ", expected " + Hex2(sum));
  }
  frame.valid = true;
  return frame;
}

std::optional<ReceivedFrame> FrameDecoder::Feed(uint8_t byte) {
  if (byte == kStx) {
    std::optional<ReceivedFrame> cut;
    if (inFrame_) {
      // The frame before never got its ETX: report it, but it is no frame to answer.
      cut = DecodeFrameText(text_);
      cut->valid = false;
      cut->terminated = false;
      cut->problem =
          "cut short by STX after " + std::to_string(text_.size() + overflow_) + " hex digits";
    }
    inFrame_ = true;
    text_.clear();
    overflow_ = 0;
    return cut;
  }
  if (!inFrame_) {
    ++strayTotal_;
    if (stray_.size() < kMaxStrayKept) stray_.push_back(byte);
    return std::nullopt;
  }
  if (byte == kEtx) {
    inFrame_ = false;
    if (overflow_ != 0) {
      ReceivedFrame frame;
      frame.problem = "frame too long: " + std::to_string(text_.size() + overflow_) + " hex digits";
      return frame;
    }
    return DecodeFrameText(text_);
  }
  if (text_.size() < kMaxHexText) {
    text_.push_back(static_cast<char>(byte));
  } else {
    ++overflow_;
  }
  return std::nullopt;
}

std::vector<uint8_t> FrameDecoder::TakeStrayBytes() {
  std::vector<uint8_t> taken;
  taken.swap(stray_);
  return taken;
}

}  // namespace brenvik::device
