#include "download/StatusText.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "download/DownloadContext.h"

namespace brenvik {
namespace {

std::string Copy(const StatusText& status) {
  char text[kStatusTextSize];
  status.CopyTo(text);
  return std::string(text, strnlen(text, sizeof text));
}

TEST(StatusText, StartsEmptyInANewContextAndIsEmptyAgainOnceCleared) {
  auto ctx = std::make_unique<DownloadContext>();
  EXPECT_EQ(Copy(ctx->dbStatusText), "");
  EXPECT_EQ(Copy(ctx->mmiStatusText), "");
  DownloadProgress progress;
  progress.phase = DownloadPhase::Started;
  ctx->dbStatusText.Publish(progress);
  ctx->dbStatusText.Publish(DownloadProgress{});
  EXPECT_EQ(Copy(ctx->dbStatusText), "");
}

TEST(StatusText, CopyWhileRewrittenIsNeverTorn) {
  DownloadProgress writing;
  writing.phase = DownloadPhase::Writing;
  writing.sent = 1;
  writing.count = 3;
  DownloadProgress ended = writing;
  ended.phase = DownloadPhase::Ended;
  ended.sent = 2;
  ended.outcome = DownloadOutcome::TooManyNaks;
  ended.diagnostic = {1, 0x15, 0};
  const std::string shortText = "Writing...33%, 1/3";
  const std::string longText = "ERR: DB too many NAKs!k = 01, ret = 15, retry = 0";
  StatusText status;
  status.Publish(writing);
  std::atomic<bool> done{false};

  std::thread writer([&] {
    for (int i = 0; i < 100000; ++i) status.Publish(i % 2 == 0 ? ended : writing);
    done = true;
  });
  long copies = 0;
  long torn = 0;
  while (!done) {
    const std::string copy = Copy(status);
    const DownloadProgress progress = status.Progress();
    if (copy != shortText && copy != longText) ++torn;
    if (progress != writing && progress != ended) ++torn;
    ++copies;
  }
  writer.join();
  EXPECT_EQ(torn, 0) << "of " << copies << " copies";
}

}  // namespace
}  // namespace brenvik
