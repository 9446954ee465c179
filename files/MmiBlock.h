#pragma once

#include <cstddef>
#include <cstdint>

namespace brenvik {

inline constexpr int kMmiSettingCount = 5;

// The MMI settings as one fixed image; its first kMmiPayloadSize bytes go into
// the MMI frame byte for byte.
struct MmiBlock {
  uint8_t reserved;                    // always 0
  uint8_t settings[kMmiSettingCount];  // first character of each value minus '0'
  char longText[81];                   // at most 80 characters
  char shortText1[21];                 // at most 20 characters
  char shortText2[23];                 // at most 22 characters
};
static_assert(sizeof(MmiBlock) == 131);
static_assert(offsetof(MmiBlock, reserved) == 0);
static_assert(offsetof(MmiBlock, settings) == 1);
static_assert(offsetof(MmiBlock, longText) == 6);
static_assert(offsetof(MmiBlock, shortText1) == 87);
static_assert(offsetof(MmiBlock, shortText2) == 108);

// Bytes 0 to 128 of the block: everything up to the first 21 bytes of
// shortText2. The last two bytes of shortText2 never reach the device.
inline constexpr std::size_t kMmiPayloadSize = 129;

// How much of shortText2 the payload carries: 20 characters and the zero
// reach the device; the other texts always go whole.
inline constexpr std::size_t kMmiShortText2Room = kMmiPayloadSize - offsetof(MmiBlock, shortText2);
static_assert(offsetof(MmiBlock, shortText1) + sizeof(MmiBlock::shortText1) <= kMmiPayloadSize);

}  // namespace brenvik
