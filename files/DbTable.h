#pragma once

#include <cstddef>
#include <cstdint>

namespace brenvik {

inline constexpr int kMaxDbEntries = 3000;
inline constexpr int kMaxSubEntries = 3;

// One sub-entry of a database record: a number and its text.
struct DbSubEntry {
  int32_t value;  // the frame carries only its low 8 bits
  char text[16];  // NUL-terminated, at most 15 characters
};
static_assert(sizeof(DbSubEntry) == 20);
static_assert(offsetof(DbSubEntry, value) == 0);
static_assert(offsetof(DbSubEntry, text) == 4);

// One database entry as the download copies it into a frame; the layout is
// fixed because the record image is cut out of it at these offsets.
struct DbRecord {
  char code[11];  // at most 10 characters
  uint8_t attribute;
  uint8_t subEntryCount;  // 0 to 3
  char label[19];         // at most 18 characters
  DbSubEntry subEntries[kMaxSubEntries];
  char tailText[8];  // at most 7 characters
};
static_assert(sizeof(DbRecord) == 100);
static_assert(offsetof(DbRecord, code) == 0);
static_assert(offsetof(DbRecord, attribute) == 11);
static_assert(offsetof(DbRecord, subEntryCount) == 12);
static_assert(offsetof(DbRecord, label) == 13);
static_assert(offsetof(DbRecord, subEntries) == 32);
static_assert(offsetof(DbRecord, tailText) == 92);

// The record image: the 77 bytes of a database frame that carry one record,
// and where each field lands in them. A text is copied with its terminating
// zero and may run on past its room, where the field written after it
// overwrites it; the tail text's room ends where the frame's checksum goes.
// A text reaches the device whole only when it is shorter than its room.
inline constexpr std::size_t kRecordImageSize = 77;
inline constexpr std::size_t kImageCodeAt = 0;
inline constexpr std::size_t kImageAttributeAt = 11;
inline constexpr std::size_t kImageSubEntryCountAt = 12;
inline constexpr std::size_t kImageLabelAt = 13;
inline constexpr std::size_t kImageSubEntriesAt = 30;
inline constexpr std::size_t kImageSubEntryStride = 14;  // the value byte and 13 of text
inline constexpr std::size_t kImageTailTextAt = 72;

inline constexpr std::size_t kImageCodeRoom = kImageAttributeAt - kImageCodeAt;
inline constexpr std::size_t kImageLabelRoom = kImageSubEntriesAt - kImageLabelAt;
inline constexpr std::size_t kImageSubTextRoom = kImageSubEntryStride - 1;
inline constexpr std::size_t kImageTailTextRoom = kRecordImageSize - kImageTailTextAt;
static_assert(kImageSubEntriesAt + kMaxSubEntries * kImageSubEntryStride == kImageTailTextAt);
static_assert(kImageCodeRoom == sizeof(DbRecord::code), "code always reaches the device whole");

// The entry count and room for 3000 records; only the first `count` records
// are meaningful.
struct DbTable {
  int32_t count;
  DbRecord records[kMaxDbEntries];
};
static_assert(offsetof(DbTable, count) == 0);
static_assert(offsetof(DbTable, records) == 4);
static_assert(sizeof(DbTable) == 4 + 100 * kMaxDbEntries);

}  // namespace brenvik
