#include "download/DownloadRunner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "ScriptedDevice.h"

// These run the real clock: a paced frame and its pauses take real time, so
// they are kept few and short.
namespace brenvik::test {
namespace {

using Clock = std::chrono::steady_clock;

std::unique_ptr<DownloadContext> RealContext() {
  auto ctx = std::make_unique<DownloadContext>();
  ctx->link.SetTrace(false);
  ctx->link.SetTxErrorHandler([](const char*) {});
  return ctx;
}

std::string Text(const StatusText& status) { return status.Text(); }

bool WaitUntilEnded(const DownloadRunner& runner, std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  while (runner.Running()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

TEST(DownloadRunner, StartSetsThePortAndRefusesASecondStartWhileRunning) {
  auto ctx = RealContext();
  ctx->dbTable.count = 1;
  ScriptedDevice device;
  ScriptedDevice otherDevice;
  DownloadRunner runner;

  ASSERT_TRUE(runner.Start(*ctx, device, DownloadKind::Db));
  EXPECT_EQ(ctx->link.Port(), &device);
  EXPECT_TRUE(runner.Running());
  EXPECT_FALSE(runner.Start(*ctx, otherDevice, DownloadKind::Mmi));
  DownloadRunner secondRunner;  // the context itself says a download runs
  EXPECT_FALSE(secondRunner.Start(*ctx, otherDevice, DownloadKind::Mmi));
  EXPECT_EQ(ctx->link.Port(), &device);

  ASSERT_TRUE(WaitUntilEnded(runner, std::chrono::seconds(5)));
  EXPECT_FALSE(ctx->downloadRunning.load());
  EXPECT_EQ(Text(ctx->dbStatusText), "Completed!");
  // The worker wrote through the port it was given: one whole frame.
  EXPECT_EQ(device.Line().size(), 168u);
  EXPECT_TRUE(otherDevice.Line().empty());

  // A finished download is joined by the next start.
  std::memset(&ctx->mmiBlock, 0, sizeof ctx->mmiBlock);
  ASSERT_TRUE(runner.Start(*ctx, otherDevice, DownloadKind::Mmi));
  runner.Join();
  EXPECT_FALSE(runner.Running());
  EXPECT_EQ(Text(ctx->mmiStatusText), "Completed!");
  EXPECT_EQ(otherDevice.Line().size(), 268u);
}

TEST(DownloadRunner, StopEndsASilentDownloadPromptly) {
  struct Case {
    const char* name;
    std::chrono::milliseconds stopAfter;
  };
  // During the paced first frame, and during the answer wait of the second.
  const Case cases[] = {{"paced frame", std::chrono::milliseconds(200)},
                        {"answer wait", std::chrono::milliseconds(1200)}};
  for (const Case& c : cases) {
    auto ctx = RealContext();
    ctx->dbTable.count = 3;
    ScriptedDevice device;
    device.DefaultAnswer(Answer::Silent());
    DownloadRunner runner;
    ASSERT_TRUE(runner.Start(*ctx, device, DownloadKind::Db));
    std::this_thread::sleep_for(c.stopAfter);
    ASSERT_TRUE(runner.Running()) << c.name;

    const auto requested = Clock::now();
    runner.Stop();
    const auto took = Clock::now() - requested;
    EXPECT_LT(took, std::chrono::milliseconds(500)) << c.name;
    std::printf("[ figure ] stop during %s took %lld ms\n", c.name,
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
    EXPECT_FALSE(runner.Running()) << c.name;
    EXPECT_EQ(Text(ctx->dbStatusText), "ERR: DB stopped") << c.name;
  }
}

TEST(DownloadRunner, DestructorStopsAndJoinsTheWorker) {
  auto ctx = RealContext();
  ctx->dbTable.count = 3;
  ScriptedDevice device;
  device.DefaultAnswer(Answer::Silent());
  {
    DownloadRunner runner;
    ASSERT_TRUE(runner.Start(*ctx, device, DownloadKind::Db));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_FALSE(ctx->downloadRunning.load());
  EXPECT_EQ(Text(ctx->dbStatusText), "ERR: DB stopped");
}

}  // namespace
}  // namespace brenvik::test
