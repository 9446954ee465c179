#pragma once

#include <memory>
#include <vector>

#include "files/DbTable.h"
#include "files/MmiBlock.h"
#include "tools/device/FrameDecoder.h"

namespace brenvik::device {

// What the device stored from the downloads: the database rebuilt from its
// frames and the MMI block from its frame, as far as the wire carries them.
class ReceivedData {
 public:
  ReceivedData();

  enum class Outcome { Nothing, DbComplete, MmiReceived };

  // Takes a valid frame that the device kept (not refused). A 0x80 frame starts
  // a new database: its count and entry 0; 0x82 frames fill in entry `index`
  // (0xFFFF: the last). DbComplete when the last entry has arrived and every
  // entry before it, or at once for a count of 0 or 1.
  Outcome Take(const ReceivedFrame& frame);

  bool HasDb() const { return dbComplete_; }
  bool HasMmi() const { return mmiReceived_; }
  // The database as received; `count` is the count of the last 0x80 frame,
  // at most kMaxDbEntries records of it are kept.
  const DbTable& Db() const { return *db_; }
  const MmiBlock& Mmi() const { return mmi_; }

  // The DbRecord that a record image describes: texts up to their slot, the
  // value bytes as 0 to 255, everything else zero.
  static DbRecord RecordFromImage(const uint8_t* image);

 private:
  std::unique_ptr<DbTable> db_;  // 300 KB: kept off the stack of whoever owns the device
  std::vector<bool> entrySeen_;
  bool dbStarted_ = false;
  bool dbComplete_ = false;
  MmiBlock mmi_{};
  bool mmiReceived_ = false;
};

}  // namespace brenvik::device
