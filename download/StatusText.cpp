#include "download/StatusText.h"

#include <cstdio>
#include <cstring>

namespace brenvik {
namespace {

// The words behind "ERR: <kind> " of an outcome the link diagnostic follows.
const char* FailureWords(DownloadOutcome outcome) {
  switch (outcome) {
    case DownloadOutcome::TxError:
      return "tx error!";
    case DownloadOutcome::RxTimeout:
      return "rx timeout!";
    case DownloadOutcome::NoAck:
      return "no ACK!";
    case DownloadOutcome::TooManyNaks:
      return "too many NAKs!";
    case DownloadOutcome::Completed:
    case DownloadOutcome::Stopped:
      break;
  }
  return nullptr;
}

}  // namespace

void WriteStatusText(const DownloadProgress& progress, char (&out)[kStatusTextSize]) {
  const char* kind = KindName(progress.kind);
  switch (progress.phase) {
    case DownloadPhase::None:
      out[0] = '\0';
      return;
    case DownloadPhase::Started:
      std::snprintf(
          out, sizeof out, "%s",
          progress.kind == DownloadKind::Db ? "Downloading database..." : "Downloading MMI...");
      return;
    case DownloadPhase::Writing:
      std::snprintf(out, sizeof out, "Writing...%d%%, %d/%d", progress.Percent(), progress.sent,
                    progress.count);
      return;
    case DownloadPhase::Ended:
      break;
  }
  if (progress.outcome == DownloadOutcome::Completed) {
    std::snprintf(out, sizeof out, "Completed!");
    return;
  }
  const char* failure = FailureWords(progress.outcome);
  if (failure == nullptr) {
    std::snprintf(out, sizeof out, "ERR: %s stopped", kind);
    return;
  }
  // The operator knows the diagnostic as "k = %0.2X, ...": the 0 flag has no
  // effect beside a precision (and the compiler warns about it), so "%.2X"
  // prints the same digits. ret is signed: 0x90 shows as FFFFFF90.
  const LinkDiagnostic& link = progress.diagnostic;
  std::snprintf(out, sizeof out, "ERR: %s %sk = %.2X, ret = %.2X, retry = %d", kind, failure,
                static_cast<unsigned>(link.k),
                static_cast<unsigned>(static_cast<int32_t>(link.ret)), link.retry);
}

std::string StatusTextOf(const DownloadProgress& progress) {
  char text[kStatusTextSize];
  WriteStatusText(progress, text);
  return text;
}

void StatusText::Publish(const DownloadProgress& progress) {
  // Formatted before the lock is taken, so a reader waits only for the copy.
  char text[kStatusTextSize];
  WriteStatusText(progress, text);
  {
    std::lock_guard guard(lock_);
    progress_ = progress;
    std::memcpy(text_, text, std::strlen(text) + 1);
  }
  if (listener_) listener_(progress);
}

DownloadProgress StatusText::Progress() const {
  std::lock_guard guard(lock_);
  return progress_;
}

std::string StatusText::Text() const {
  std::lock_guard guard(lock_);
  return text_;
}

void StatusText::CopyTo(char (&out)[kStatusTextSize]) const {
  std::lock_guard guard(lock_);
  std::memcpy(out, text_, sizeof out);
}

}  // namespace brenvik
