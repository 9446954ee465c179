#include "download/DbDownload.h"

#include <algorithm>
#include <cstring>

#include "download/DownloadOutcome.h"
#include "serial/FrameLink.h"
#include "serial/WireProtocol.h"

namespace brenvik {
namespace {

constexpr int kAfterFirstFrameMs = 500;
// Where the count or index and the record image go in the frame buffer.
constexpr std::size_t kCountOrIndexAt = kFrameBodyAt + kDbCountOrIndexAt;
constexpr std::size_t kRecordImageAt = kFrameBodyAt + kDbRecordImageAt;

void PutByte(FrameBuffer& buffer, std::size_t at, uint8_t value) {
  if (at < kFrameBufferSize) buffer[at] = value;
}

// Copies a text up to and including its NUL, but never more than its field in
// the record holds, so an unterminated field cannot make the copy read on.
template <std::size_t FieldSize>
void PutText(FrameBuffer& buffer, std::size_t at, const char (&field)[FieldSize]) {
  if (at >= kFrameBufferSize) return;
  std::size_t n = strnlen(field, FieldSize);
  if (n < FieldSize) ++n;  // the NUL goes too
  n = std::min(n, kFrameBufferSize - at);
  std::memcpy(&buffer[at], field, n);
}

void BuildDbFrame(FrameBuffer& frame, uint8_t command, uint16_t countOrIndex,
                  const DbRecord& record) {
  FrameLink::StartFrame(frame, kDbBodyLength, command);
  frame[kCountOrIndexAt] = static_cast<uint8_t>(countOrIndex & 0xFF);
  frame[kCountOrIndexAt + 1] = static_cast<uint8_t>(countOrIndex >> 8);
  RecordImage(frame, kRecordImageAt, record);
  FrameLink::SealFrame(frame);
}

}  // namespace

void RecordImage(FrameBuffer& frameBuffer, std::size_t at, const DbRecord& record) {
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
  FrameLink& link = ctx.link;
  // The table holds at most kMaxDbEntries records; a larger count must not
  // make the download read past them.
  const int count = std::min<int>(ctx.dbTable.count, kMaxDbEntries);
  const DbRecord* records = ctx.dbTable.records;
  DownloadProgress progress;
  progress.kind = DownloadKind::Db;
  progress.phase = DownloadPhase::Started;
  progress.count = count;
  ctx.dbStatusText.Publish(progress);
  link.DiscardStaleAnswers();
  std::memset(ctx.frameBuffer, 0, sizeof ctx.frameBuffer);
  ctx.txError = 0;
  DownloadEnd end;
  ReplyResult reply;
  // Entries sent ahead of the next frame (a NAK takes one back); the first
  // frame makes it 1.
  int index = 0;

  if (ctx.stop.Requested()) {
    end.stopped = true;
  } else {
    // A table of no entries still announces itself with the first frame; its
    // record slot is sent empty, never as what an earlier file left there.
    static constexpr DbRecord kNoEntry{};
    const DbRecord& first = count > 0 ? records[0] : kNoEntry;
    BuildDbFrame(ctx.frameBuffer, kDbFirstCommand, static_cast<uint16_t>(count), first);
    link.TraceFrame(ctx.frameBuffer);
    // The first frame gets no answer wait; whatever the device answers stays
    // queued and is read by the wait of the second frame.
    const SendResult sent = link.SendFrame(ctx.frameBuffer, Pacing::Paced);
    if (sent.failed) {
      ctx.txError = 1;
      reply.k = sent.count;  // no wait follows: show what the write said
    }
    index = 1;
    progress.phase = DownloadPhase::Writing;
    progress.sent = index;
    ctx.dbStatusText.Publish(progress);
    if (!link.Pause(kAfterFirstFrameMs)) end.stopped = true;
  }

  if (!end.stopped && count > 1) {
    // A device that always refuses entry i answers NAK, ACK, NAK, ACK...
    // while the download steps between i-1 and i; only NAKs since the last
    // new highest entry count towards the limit.
    int highest = index;
    int32_t naks = 0;
    for (;;) {
      if (ctx.txError != 0) break;
      if (ctx.stop.Requested()) {
        end.stopped = true;
        break;
      }
      progress.sent = index;
      ctx.dbStatusText.Publish(progress);
      const uint16_t field = index == count - 1 ? kLastEntryIndex : static_cast<uint16_t>(index);
      BuildDbFrame(ctx.frameBuffer, kDbEntryCommand, field, records[index]);
      link.TraceFrame(ctx.frameBuffer);
      if (link.SendFrame(ctx.frameBuffer, Pacing::Unpaced).failed) ctx.txError = 1;

      // The wait runs even after a failed transmission.
      reply = link.AwaitReply();
      if (reply.stopped) {
        end.stopped = true;
        break;
      }
      if (reply.timedOut != 0) {
        end.rxTimeout = true;
        break;
      }
      progress.answered = true;
      const auto answer = static_cast<uint8_t>(reply.ret);
      if (answer == kAck) {
        ++index;
        if (index > highest) {
          highest = index;
          naks = 0;
        }
      } else if (answer == kNak) {
        if (ctx.maxNaks > 0 && ++naks >= ctx.maxNaks) {
          end.tooManyNaks = true;
          break;
        }
        // Step back one entry, so the entry in front of the refused one goes
        // again and then the refused one; at entry 0 entry 0 goes again.
        index = std::max(index - 1, 0);
      } else {
        end.noAck = true;
        break;
      }
      if (index >= count) break;
    }
  }

  end.txError = ctx.txError != 0;
  progress.sent = index;
  PublishEnd(ctx.dbStatusText, progress, end, reply);
}

unsigned DbDownloadThread(void* context) { return RunDownloadThread(context, DownloadDb); }

}  // namespace brenvik
