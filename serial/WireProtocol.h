#pragma once

// The bytes the program and the device exchange. A frame goes on the line as
// STX, its body as pairs of uppercase hex digits, ETX; the device answers it
// with one byte, ACK or NAK. The body is LEN, the marker, the command, the
// payload, and at offset LEN the checksum. The downloads build frames from
// these values and the simulated device checks frames against them.

#include <cstddef>
#include <cstdint>
#include <span>

namespace brenvik {

// The envelope of a frame on the line.
inline constexpr uint8_t kStx = 0x02;
inline constexpr uint8_t kEtx = 0x03;
// The device's answers.
inline constexpr uint8_t kAck = 0x06;
inline constexpr uint8_t kNak = 0x15;

// The body's header, the same in every frame: LEN (which is also the
// checksum's offset), the marker, the command; the payload follows. Offsets
// are within the body.
inline constexpr std::size_t kBodyLenAt = 0;
inline constexpr std::size_t kBodyMarkerAt = 1;
inline constexpr std::size_t kBodyCommandAt = 2;
inline constexpr std::size_t kBodyPayloadAt = 3;
inline constexpr uint8_t kBodyMarker = 0xFF;

// The commands, each with the LEN of its body.
inline constexpr uint8_t kDbFirstCommand = 0x80;  // the DB's count and its entry 0
inline constexpr uint8_t kDbEntryCommand = 0x82;  // one DB entry by its index
inline constexpr uint8_t kMmiCommand = 0x8A;      // the MMI block
inline constexpr uint8_t kDbBodyLength = 0x52;
inline constexpr uint8_t kMmiBodyLength = 0x84;

// A DB frame carries the count (first frame) or the entry's index (entry
// frames) at body offsets 3 and 4, low byte first, and the record image behind
// it. The last entry's frame carries kLastEntryIndex instead of its index.
inline constexpr std::size_t kDbCountOrIndexAt = kBodyPayloadAt;
inline constexpr std::size_t kDbRecordImageAt = kDbCountOrIndexAt + 2;
inline constexpr uint16_t kLastEntryIndex = 0xFFFF;

// The checksum stored at body offset LEN: the sum of body bytes 0 to LEN-1,
// LEN itself included, modulo 256. `covered` is those LEN bytes.
constexpr uint8_t BodyChecksum(std::span<const uint8_t> covered) {
  uint8_t sum = 0;
  for (const uint8_t byte : covered) sum = static_cast<uint8_t>(sum + byte);
  return sum;
}

// How many hex digits a body of LEN takes on the line: LEN bytes and the checksum.
constexpr std::size_t BodyHexDigits(uint8_t len) { return 2 * (std::size_t{len} + 1); }
// A whole frame on the line: STX, the body's hex digits, ETX.
constexpr std::size_t FrameSizeOnLine(uint8_t len) { return BodyHexDigits(len) + 2; }

static_assert(FrameSizeOnLine(kDbBodyLength) == 168);
static_assert(FrameSizeOnLine(kMmiBodyLength) == 268);
static_assert([] {
  constexpr uint8_t kBody[] = {0x04, kBodyMarker, 0x0A, 0x52};
  return BodyChecksum(kBody);
}() == 0x5F);

}  // namespace brenvik
