#include "download/DbDownload.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "serial/FrameLink.h"

namespace brenvik {
namespace {

constexpr uint8_t kDbBodyLength = 0x52;
constexpr uint8_t kFirstFrameCommand = 0x80;
constexpr uint8_t kEntryFrameCommand = 0x82;
constexpr uint16_t kLastEntryIndex = 0xFFFF;
constexpr int kAfterFirstFrameMs = 500;
// Where the record image starts: STX, then body offset 5.
constexpr std::size_t kRecordImageAt = 1 + 5;

void PutByte(uint8_t (&buffer)[kFrameBufferSize], std::size_t at, uint8_t value) {
  if (at < kFrameBufferSize) buffer[at] = value;
}

// Copies a text up to and including its NUL, but never more than its field in
// the record holds, so an unterminated field cannot make the copy read on.
template <std::size_t FieldSize>
void PutText(uint8_t (&buffer)[kFrameBufferSize], std::size_t at, const char (&field)[FieldSize]) {
  if (at >= kFrameBufferSize) return;
  std::size_t n = strnlen(field, FieldSize);
  if (n < FieldSize) ++n;  // the NUL goes too
  n = std::min(n, kFrameBufferSize - at);
  std::memcpy(&buffer[at], field, n);
}

// Whole percent of `sent` out of `count`, computed in double precision as the
// device's tooling does (29 of 100 shows 28). No entries count as done.
int Percent(int sent, int count) {
  if (count <= 0) return 100;
  return static_cast<int>(static_cast<double>(sent) / static_cast<double>(count) * 100.0);
}

void BuildDbFrame(DownloadContext& ctx, uint8_t command, uint16_t countOrIndex,
                  const DbRecord& record) {
  std::memset(ctx.frameBuffer, 0, sizeof ctx.frameBuffer);
  ctx.frameBuffer[0] = kStx;
  ctx.frameBuffer[1] = kDbBodyLength;
  ctx.frameBuffer[2] = 0xFF;
  ctx.frameBuffer[3] = command;
  ctx.frameBuffer[4] = static_cast<uint8_t>(countOrIndex & 0xFF);
  ctx.frameBuffer[5] = static_cast<uint8_t>(countOrIndex >> 8);
  RecordImage(ctx.frameBuffer, kRecordImageAt, record);
  SealFrame(ctx);
}

}  // namespace

void RecordImage(uint8_t (&frameBuffer)[kFrameBufferSize], std::size_t at, const DbRecord& record) {
  PutText(frameBuffer, at + kImageCodeAt, record.code);
  PutByte(frameBuffer, at + kImageAttributeAt, record.attribute);
  PutByte(frameBuffer, at + kImageSubEntryCountAt, record.subEntryCount);
  PutText(frameBuffer, at + kImageLabelAt, record.label);
  // All three slots go out whatever subEntryCount says; unused ones are zero.
  for (std::size_t k = 0; k < kMaxSubEntries; ++k) {
    const DbSubEntry& sub = record.subEntries[k];
    const std::size_t slot = at + kImageSubEntriesAt + k * kImageSubEntryStride;
    PutByte(frameBuffer, slot, static_cast<uint8_t>(sub.value & 0xFF));
    PutText(frameBuffer, slot + 1, sub.text);
  }
  // Runs past the image; sealing then puts the checksum and ETX over it, so
  // only its first 5 bytes reach the device.
  PutText(frameBuffer, at + kImageTailTextAt, record.tailText);
}

void DownloadDb(DownloadContext& ctx) {
  ctx.dbStatusText.Set("Downloading database...");
  DiscardStaleAnswers(ctx);
  std::memset(ctx.frameBuffer, 0, sizeof ctx.frameBuffer);
  ctx.txError = 0;
  int32_t rxTimeout = 0;
  int32_t noAck = 0;
  int32_t tooManyNaks = 0;
  bool stopped = false;
  ReplyResult reply;

  // The table holds at most kMaxDbEntries records; a larger count must not
  // make the download read past them.
  const int count = std::min<int>(ctx.dbTable.count, kMaxDbEntries);
  const DbRecord* records = ctx.dbTable.records;

  if (ctx.stop.Requested()) {
    stopped = true;
  } else {
    // A table of no entries still announces itself with the first frame; its
    // record slot is sent empty, never as what an earlier file left there.
    static constexpr DbRecord kNoEntry{};
    const DbRecord& first = count > 0 ? records[0] : kNoEntry;
    BuildDbFrame(ctx, kFirstFrameCommand, static_cast<uint16_t>(count), first);
    TraceFrame(ctx);
    // The first frame gets no answer wait; whatever the device answers stays
    // queued and is read by the wait of the second frame.
    const int firstCount = SendFrame(ctx, Pacing::Paced);
    if (ctx.txError != 0) reply.k = firstCount;  // no wait follows: show what the write said
    ctx.dbStatusText.Format("Writing...%d%%, %d/%d", Percent(1, count), 1, count);
    if (!ctx.clock->Sleep(kAfterFirstFrameMs, ctx.stop)) stopped = true;
  }

  if (!stopped && count > 1) {
    int index = 1;
    // A device that always refuses entry i answers NAK, ACK, NAK, ACK...
    // while the download steps between i-1 and i; only NAKs since the last
    // new highest entry count towards the limit.
    int highest = index;
    int32_t naks = 0;
    for (;;) {
      if (ctx.txError != 0) break;
      if (ctx.stop.Requested()) {
        stopped = true;
        break;
      }
      ctx.dbStatusText.Format("Writing...%d%%, %d/%d", Percent(index, count), index, count);
      const uint16_t field = index == count - 1 ? kLastEntryIndex : static_cast<uint16_t>(index);
      BuildDbFrame(ctx, kEntryFrameCommand, field, records[index]);
      TraceFrame(ctx);
      SendFrame(ctx, Pacing::Unpaced);

      // The wait runs even after a failed transmission.
      reply = AwaitReply(ctx);
      if (reply.stopped) {
        stopped = true;
        break;
      }
      if (reply.timedOut != 0) {
        rxTimeout = 1;
        break;
      }
      const auto answer = static_cast<uint8_t>(reply.ret);
      if (answer == kAck) {
        ++index;
        if (index > highest) {
          highest = index;
          naks = 0;
        }
      } else if (answer == kNak) {
        if (ctx.maxNaks > 0 && ++naks >= ctx.maxNaks) {
          tooManyNaks = 1;
          break;
        }
        // Step back one entry, so the entry in front of the refused one goes
        // again and then the refused one; at entry 0 entry 0 goes again.
        index = std::max(index - 1, 0);
      } else {
        noAck = 1;
        break;
      }
      if (index >= count) break;
    }
  }

  if (stopped) {
    ctx.dbStatusText.Set("ERR: DB stopped");
    return;
  }
  if (ctx.txError != 0) {
    ctx.dbStatusText.Set("ERR: DB tx error!");
  } else if (rxTimeout != 0) {
    ctx.dbStatusText.Set("ERR: DB rx timeout!");
  } else if (noAck != 0) {
    ctx.dbStatusText.Set("ERR: DB no ACK!");
  } else if (tooManyNaks != 0) {
    ctx.dbStatusText.Set("ERR: DB too many NAKs!");
  } else {
    ctx.dbStatusText.Set("Completed!");
    return;
  }
  AppendLinkDiagnostic(ctx.dbStatusText, reply);
}

unsigned DbDownloadThread(void* context) {
  auto& ctx = *static_cast<DownloadContext*>(context);
  DownloadDb(ctx);
  ctx.downloadRunning.store(false, std::memory_order_release);
  return 0;
}

}  // namespace brenvik
