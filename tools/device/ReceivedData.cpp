#include "tools/device/ReceivedData.h"

#include <algorithm>
#include <cstring>

#include "serial/WireProtocol.h"

namespace brenvik::device {
namespace {

// Copies a text slot of the record image: up to its first zero byte or the
// end of the slot, whichever comes first. The rest of `out` stays zero.
template <std::size_t N>
void CopyText(char (&out)[N], const uint8_t* slot, std::size_t slotSize) {
  static_assert(N > 1);
  const std::size_t n = std::min(slotSize, N - 1);
  for (std::size_t i = 0; i < n && slot[i] != 0; ++i) out[i] = static_cast<char>(slot[i]);
}

}  // namespace

ReceivedData::ReceivedData() : db_(std::make_unique<DbTable>()) {}

DbRecord ReceivedData::RecordFromImage(const uint8_t* image) {
  DbRecord record{};
  // Texts arrive cut to their room in the image.
  CopyText(record.code, image + kImageCodeAt, kImageCodeRoom);
  record.attribute = image[kImageAttributeAt];
  record.subEntryCount = image[kImageSubEntryCountAt];
  CopyText(record.label, image + kImageLabelAt, kImageLabelRoom);
  for (std::size_t k = 0; k < kMaxSubEntries; ++k) {
    const uint8_t* slot = image + kImageSubEntriesAt + kImageSubEntryStride * k;
    record.subEntries[k].value = slot[0];
    CopyText(record.subEntries[k].text, slot + 1, kImageSubTextRoom);
  }
  CopyText(record.tailText, image + kImageTailTextAt, kImageTailTextRoom);
  return record;
}

ReceivedData::Outcome ReceivedData::Take(const ReceivedFrame& frame) {
  if (!frame.valid) return Outcome::Nothing;
  if (frame.command == kMmiCommand) {
    mmi_ = MmiBlock{};
    std::memcpy(&mmi_, frame.body.data() + kBodyPayloadAt, kMmiPayloadSize);
    mmiReceived_ = true;
    return Outcome::MmiReceived;
  }
  const uint8_t* image = frame.body.data() + kDbRecordImageAt;
  if (frame.command == kDbFirstCommand) {
    db_->count = frame.indexOrCount;
    const int kept = std::min<int>(db_->count, kMaxDbEntries);
    std::fill_n(db_->records, kMaxDbEntries, DbRecord{});
    entrySeen_.assign(static_cast<std::size_t>(std::max(kept, 1)), false);
    db_->records[0] = RecordFromImage(image);
    entrySeen_[0] = true;
    dbStarted_ = true;
    dbComplete_ = db_->count <= 1;
    return dbComplete_ ? Outcome::DbComplete : Outcome::Nothing;
  }
  // An entry frame: only meaningful behind a first frame, and inside its count.
  if (!dbStarted_ || db_->count < 1) return Outcome::Nothing;
  const bool last = frame.indexOrCount == kLastEntryIndex;
  const int index = last ? db_->count - 1 : frame.indexOrCount;
  if (index >= static_cast<int>(entrySeen_.size())) return Outcome::Nothing;
  db_->records[index] = RecordFromImage(image);
  entrySeen_[static_cast<std::size_t>(index)] = true;
  if (last && std::all_of(entrySeen_.begin(), entrySeen_.end(), [](bool seen) { return seen; })) {
    dbComplete_ = true;
    return Outcome::DbComplete;
  }
  return Outcome::Nothing;
}

}  // namespace brenvik::device
