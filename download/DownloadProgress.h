#pragma once

#include <cstdint>

namespace brenvik {

enum class DownloadKind { Db, Mmi };

// "DB" or "MMI", as the status texts and the loader name a download.
constexpr const char* KindName(DownloadKind kind) {
  return kind == DownloadKind::Db ? "DB" : "MMI";
}

// Where a download stands.
enum class DownloadPhase {
  None,     // nothing published yet (or cleared for the next download)
  Started,  // the download has begun, no frame is out yet
  Writing,  // the database download is sending its frames
  Ended,    // outcome tells how it ended
};

// How a download ended. When several apply, the first after Completed in this
// order is the one reported.
enum class DownloadOutcome {
  Completed,
  Stopped,      // a stop request
  TxError,      // a frame was not written whole
  RxTimeout,    // no answer within the wait
  NoAck,        // an answer other than ACK (DB: other than ACK or NAK)
  TooManyNaks,  // DB: the context's NAK limit was reached
};

// The frame link's figures of the last answer wait, shown behind a failure.
struct LinkDiagnostic {
  int32_t k = 0;      // count of the last read attempt
  int8_t ret = 0;     // the byte received (0 when none arrived)
  int32_t retry = 0;  // empty read attempts
  bool operator==(const LinkDiagnostic&) const = default;
};

// What a download reports of itself while it runs and when it has ended. The
// texts a person reads are made from it (StatusText.h).
struct DownloadProgress {
  DownloadKind kind = DownloadKind::Db;
  DownloadPhase phase = DownloadPhase::None;
  // Entries out ahead of the next frame (a NAK takes one back); the first
  // frame makes it 1.
  int sent = 0;
  int count = 0;  // entries of the download, as the file gave them
  // The device has answered at least once (ACK, NAK or another byte): a
  // time-out without it means nothing came back at all.
  bool answered = false;
  DownloadOutcome outcome = DownloadOutcome::Completed;  // once Ended
  LinkDiagnostic diagnostic;                             // once Ended

  // Whole percent of sent out of count, in double precision as the device's
  // tooling computes it (29 of 100 shows 28). No entries count as done.
  int Percent() const {
    if (count <= 0) return 100;
    return static_cast<int>(static_cast<double>(sent) / static_cast<double>(count) * 100.0);
  }
  // The download has ended and the device has taken all of it.
  bool Completed() const {
    return phase == DownloadPhase::Ended && outcome == DownloadOutcome::Completed;
  }
  bool operator==(const DownloadProgress&) const = default;
};

}  // namespace brenvik
