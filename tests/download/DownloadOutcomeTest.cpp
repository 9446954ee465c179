#include "download/DownloadOutcome.h"

#include <gtest/gtest.h>

#include "DownloadHarness.h"

namespace brenvik::test {
namespace {

struct DiagnosticCase {
  int32_t k;
  uint8_t ret;
  int32_t retry;
  const char* text;
};

TEST(DownloadOutcome, DiagnosticShowsRetAsSignedByteWidenedTo32Bits) {
  const DiagnosticCase cases[] = {
      {1, 0x06, 0, "ERR!k = 01, ret = 06, retry = 0"},
      {1, 0x15, 3, "ERR!k = 01, ret = 15, retry = 3"},
      {1, 0x41, 0, "ERR!k = 01, ret = 41, retry = 0"},
      {1, 0x7F, 9, "ERR!k = 01, ret = 7F, retry = 9"},
      {1, 0x80, 0, "ERR!k = 01, ret = FFFFFF80, retry = 0"},
      {1, 0x90, 2, "ERR!k = 01, ret = FFFFFF90, retry = 2"},
      {1, 0xFF, 0, "ERR!k = 01, ret = FFFFFFFF, retry = 0"},
      {0, 0x00, 10, "ERR!k = 00, ret = 00, retry = 10"},
  };
  for (const DiagnosticCase& c : cases) {
    StatusText text;
    text.Set("ERR!");
    ReplyResult reply;
    reply.k = c.k;
    reply.ret = static_cast<int8_t>(c.ret);
    reply.retry = c.retry;
    AppendLinkDiagnostic(text, reply);
    EXPECT_EQ(Harness::Text(text), c.text);
  }
}

}  // namespace
}  // namespace brenvik::test
