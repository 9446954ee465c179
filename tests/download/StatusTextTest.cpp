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

TEST(StatusText, StartsEmptyInANewContext) {
  auto ctx = std::make_unique<DownloadContext>();
  EXPECT_EQ(Copy(ctx->dbStatusText), "");
  EXPECT_EQ(Copy(ctx->mmiStatusText), "");
}

TEST(StatusText, NeverHoldsMoreThan254Characters) {
  const std::string longText(400, 'x');
  StatusText status;

  status.Set(longText.c_str());
  EXPECT_EQ(Copy(status), longText.substr(0, 254));

  status.Format("%s", longText.c_str());
  EXPECT_EQ(Copy(status), longText.substr(0, 254));

  status.Set(std::string(250, 'a').c_str());
  status.Append("k = %.2X, ret = %.2X, retry = %d", 1u, 0xFFFFFF90u, 10);
  const std::string appended = Copy(status);
  EXPECT_EQ(appended.size(), 254u);
  EXPECT_EQ(appended.substr(250), "k = ");

  char out[kStatusTextSize];
  std::memset(out, 'z', sizeof out);
  status.CopyTo(out);
  EXPECT_EQ(out[254], '\0');
}

TEST(StatusText, AppendGoesDirectlyBehindTheText) {
  StatusText status;
  status.Set("ERR: DB rx timeout!");
  status.Append("k = %.2X, ret = %.2X, retry = %d", 0u, 0u, 10);
  EXPECT_EQ(Copy(status), "ERR: DB rx timeout!k = 00, ret = 00, retry = 10");
}

TEST(StatusText, CopyWhileRewrittenIsNeverTorn) {
  const std::string shortText = "Writing...33%, 1/3";
  const std::string longText(200, 'L');
  StatusText status;
  status.Set(shortText.c_str());
  std::atomic<bool> done{false};

  std::thread writer([&] {
    for (int i = 0; i < 100000; ++i) {
      if (i % 2 == 0) {
        status.Format("%s", longText.c_str());
      } else {
        status.Set(shortText.c_str());
      }
    }
    done = true;
  });
  long copies = 0;
  long torn = 0;
  while (!done) {
    const std::string copy = Copy(status);
    if (copy != shortText && copy != longText) ++torn;
    ++copies;
  }
  writer.join();
  EXPECT_EQ(torn, 0) << "of " << copies << " copies";
}

}  // namespace
}  // namespace brenvik
