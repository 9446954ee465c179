#include "download/DownloadOutcome.h"

#include <gtest/gtest.h>

#include "DownloadHarness.h"

namespace brenvik::test {
namespace {

struct EndCase {
  DownloadKind kind;
  DownloadEnd end;
  ReplyResult reply;
  DownloadOutcome outcome;
  const char* text;
};

// Each outcome of each kind once; where an outcome is given with the next one
// in the order as well, the first of them wins.
TEST(DownloadOutcome, EndShowsTheFirstOutcomeThatAppliesWithItsText) {
  using enum DownloadKind;
  using enum DownloadOutcome;
  const ReplyResult timedOut{0, 0, 10, 1, false};
  const ReplyResult nak{1, 0x15, 0, 0, false};
  const ReplyResult late90{1, static_cast<int8_t>(0x90), 2, 0, false};
  const EndCase cases[] = {
      {Db, {}, nak, Completed, "Completed!"},
      {Mmi, {}, timedOut, Completed, "Completed!"},
      {Db, {.stopped = true, .txError = true}, timedOut, Stopped, "ERR: DB stopped"},
      {Mmi, {.stopped = true}, nak, Stopped, "ERR: MMI stopped"},
      {Db,
       {.txError = true, .rxTimeout = true},
       timedOut,
       TxError,
       "ERR: DB tx error!k = 00, ret = 00, retry = 10"},
      {Mmi, {.txError = true}, nak, TxError, "ERR: MMI tx error!k = 01, ret = 15, retry = 0"},
      {Db,
       {.rxTimeout = true, .noAck = true},
       timedOut,
       RxTimeout,
       "ERR: DB rx timeout!k = 00, ret = 00, retry = 10"},
      {Mmi,
       {.rxTimeout = true},
       timedOut,
       RxTimeout,
       "ERR: MMI rx timeout!k = 00, ret = 00, retry = 10"},
      {Db,
       {.noAck = true, .tooManyNaks = true},
       late90,
       NoAck,
       "ERR: DB no ACK!k = 01, ret = FFFFFF90, retry = 2"},
      {Mmi, {.noAck = true}, nak, NoAck, "ERR: MMI no ACK!k = 01, ret = 15, retry = 0"},
      {Db,
       {.tooManyNaks = true},
       nak,
       TooManyNaks,
       "ERR: DB too many NAKs!k = 01, ret = 15, retry = 0"},
      {Mmi,
       {.tooManyNaks = true},
       nak,
       TooManyNaks,
       "ERR: MMI too many NAKs!k = 01, ret = 15, retry = 0"},
  };
  for (const EndCase& c : cases) {
    StatusText status;
    DownloadProgress progress;
    progress.kind = c.kind;
    PublishEnd(status, progress, c.end, c.reply);
    EXPECT_EQ(Harness::Text(status), c.text);
    EXPECT_EQ(status.Progress().outcome, c.outcome) << c.text;
  }
}

}  // namespace
}  // namespace brenvik::test
