#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "serial/WireProtocol.h"

namespace brenvik::device {

// One frame as the device decoded it.
struct ReceivedFrame {
  bool valid = false;         // hex digits only, LEN, 0xFF, command, checksum, length all good
  std::string problem;        // why it is not valid
  uint8_t command = 0;        // 0x80, 0x82 or 0x8A
  uint16_t indexOrCount = 0;  // DB frames: body offsets 3 and 4, little-endian
  std::vector<uint8_t> body;  // decoded body bytes, LEN and checksum included
  uint8_t answer = 0;         // the byte answered, 0 when none
  int number = -1;            // arrival number, from 0
  bool answered = false;      // whether an answer byte went back
  bool terminated = true;     // ended by ETX; false when a new STX cut it short

  bool IsDb() const { return command == kDbFirstCommand || command == kDbEntryCommand; }
};

// Checks the hex text between STX and ETX and decodes it. Every check the
// device makes is here: uppercase hex digits only, an even count of them, LEN
// 0x52 or 0x84, 0xFF behind it, a command that fits LEN, 2*(LEN+1) digits in
// all, and the checksum (sum of body bytes 0 to LEN-1) at offset LEN. As much
// as can be decoded is filled in also when the frame is not valid.
ReceivedFrame DecodeFrameText(std::string_view hexText);

// Splits the byte stream from the line into frames: STX starts a frame, ETX
// ends it. Bytes outside a frame are ignored and kept for the caller to report.
class FrameDecoder {
 public:
  // Feeds one byte; returns the frame that this byte ended (an ETX, or an STX
  // that cut an unfinished frame short).
  std::optional<ReceivedFrame> Feed(uint8_t byte);
  // Hands over the bytes ignored outside frames since the last call.
  std::vector<uint8_t> TakeStrayBytes();
  std::size_t StrayByteCount() const { return strayTotal_; }
  // Whether an STX has come whose ETX has not yet.
  bool InFrame() const { return inFrame_; }

 private:
  // The longest body (LEN 0xFF) is 512 hex digits; anything longer is only counted.
  static constexpr std::size_t kMaxHexText = BodyHexDigits(0xFF);

  bool inFrame_ = false;
  std::string text_;
  std::size_t overflow_ = 0;
  std::vector<uint8_t> stray_;
  std::size_t strayTotal_ = 0;
};

}  // namespace brenvik::device
