#include "download/MmiDownload.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "DownloadHarness.h"
#include "download/DbDownload.h"
#include "serial/FrameLink.h"

namespace brenvik::test {
namespace {

// The block of the example MMI file: settings 1, 0, 5, 2, 9 and three texts.
void FillExampleBlock(MmiBlock& block) {
  std::memset(&block, 0, sizeof block);
  const uint8_t settings[] = {1, 0, 5, 2, 9};
  std::memcpy(block.settings, settings, sizeof settings);
  std::strcpy(block.longText, "FIRST TEXT");
  std::strcpy(block.shortText1, "SECOND TEXT");
  std::strcpy(block.shortText2, "THIRD TEXT");
}

TEST(MmiDownload, ExampleBlockGivesChecksum0CAnd268BytesOnTheLine) {
  Harness h;
  FillExampleBlock(h.ctx->mmiBlock);
  DownloadMmi(*h.ctx);

  std::vector<uint8_t> body(133, 0);
  const uint8_t head[] = {0x84, 0xFF, 0x8A, 0x00, 1, 0, 5, 2, 9};
  std::copy(std::begin(head), std::end(head), body.begin());
  auto put = [&](std::size_t at, const char* text) {
    std::memcpy(&body[at], text, std::strlen(text));
  };
  put(9, "FIRST TEXT");
  put(90, "SECOND TEXT");
  put(111, "THIRD TEXT");
  body[132] = 0x0C;

  ASSERT_EQ(h.device.Frames().size(), 1u);
  EXPECT_EQ(h.device.Frames()[0], body);
  const auto line = h.device.Line();
  ASSERT_EQ(line.size(), 268u);
  EXPECT_EQ(line.front(), kStx);
  EXPECT_EQ(line[265], '0');
  EXPECT_EQ(line[266], 'C');
  EXPECT_EQ(line.back(), kEtx);
  EXPECT_EQ(h.MmiText(), "Completed!");
}

TEST(MmiDownload, FrameIsPacedAndFollowedByOneAnswerWait) {
  Harness h;
  FillExampleBlock(h.ctx->mmiBlock);
  DownloadMmi(*h.ctx);
  std::vector<int> expected{2};
  expected.insert(expected.end(), 133, 5);
  expected.push_back(10);
  EXPECT_EQ(h.clock.Sleeps(), expected);
  EXPECT_EQ(h.device.Drains(), std::vector<std::size_t>{268});
  EXPECT_EQ(h.device.ReadCalls(), 1);
}

struct OutcomeCase {
  const char* name;
  std::vector<Answer> script;
  std::function<void(Harness&)> arrange;
  const char* finalText;
  std::vector<std::string> boxes;
};

TEST(MmiDownload, AnyAnswerButAckIsARefusalAndNothingIsSentAgain) {
  const OutcomeCase cases[] = {
      {"ACK", {Answer::Ack()}, [](Harness&) {}, "Completed!", {}},
      {"ACK on the fourth attempt", {Answer::After(3, 0x06)}, [](Harness&) {}, "Completed!", {}},
      {"NAK", {Answer::Nak()}, [](Harness&) {}, "ERR: MMI no ACK!k = 01, ret = 15, retry = 0", {}},
      {"0x90 after two attempts",
       {Answer::After(2, 0x90)},
       [](Harness&) {},
       "ERR: MMI no ACK!k = 01, ret = FFFFFF90, retry = 2",
       {}},
      {"silence",
       {Answer::Silent()},
       [](Harness&) {},
       "ERR: MMI rx timeout!k = 00, ret = 00, retry = 10",
       {}},
      {"port closed while the frame is sent",
       {Answer::Ack()},
       [](Harness& h) { h.clock.At(100, [&h] { h.device.Close(); }); },
       "ERR: MMI tx error!k = 00, ret = 00, retry = 10",
       {"Error, expected 2 but 0"}},
      {"short write with an ACK behind it",
       {Answer::Ack()},
       [](Harness& h) { h.device.ShortWriteAt(40, 1); },
       "ERR: MMI tx error!k = 01, ret = 06, retry = 0",
       {"Error, expected 2 but 1"}},
      {"stop during the paced frame",
       {Answer::Ack()},
       [](Harness& h) { h.clock.At(100, [&h] { h.ctx->stop.Request(); }); },
       "ERR: MMI stopped",
       {}},
      {"stop during the answer wait",
       {Answer::After(5, 0x06)},
       [](Harness& h) { h.clock.At(2 + 133 * 5 + 250, [&h] { h.ctx->stop.Request(); }); },
       "ERR: MMI stopped",
       {}},
      {"stop before the frame",
       {Answer::Ack()},
       [](Harness& h) { h.ctx->stop.Request(); },
       "ERR: MMI stopped",
       {}},
  };
  for (const OutcomeCase& c : cases) {
    Harness h;
    FillExampleBlock(h.ctx->mmiBlock);
    h.device.Script(c.script);
    c.arrange(h);
    DownloadMmi(*h.ctx);
    EXPECT_EQ(h.MmiText(), c.finalText) << c.name;
    EXPECT_EQ(h.boxes, c.boxes) << c.name;
    const auto line = h.device.Line();
    EXPECT_LE(std::count(line.begin(), line.end(), kStx), 1) << c.name;
    EXPECT_EQ(h.ctx->txError, c.boxes.empty() ? 0 : 1) << c.name;
    EXPECT_EQ(h.DbText(), "") << c.name;  // the other status line is left alone
  }
}

TEST(MmiDownload, StatusTextOpensWithDownloadingMmi) {
  Harness h;
  FillExampleBlock(h.ctx->mmiBlock);
  DownloadMmi(*h.ctx);
  h.Sample();
  EXPECT_EQ(h.mmiTexts, (std::vector<std::string>{"Downloading MMI...", "Completed!"}));
}

TEST(MmiDownload, ShortText2GoesOutAsItsFirst21Bytes) {
  struct Case {
    std::string text;
    std::vector<uint8_t> atOffset111;  // body offsets 111 to 131
  };
  const std::string twenty = "ABCDEFGHIJKLMNOPQRST";
  const std::string twentyTwo = "ABCDEFGHIJKLMNOPQRSTUV";
  std::vector<uint8_t> withNul = Bytes(twenty);
  withNul.push_back(0);
  const Case cases[] = {{twenty, withNul}, {twentyTwo, Bytes(twentyTwo.substr(0, 21))}};
  for (const Case& c : cases) {
    Harness h;
    FillExampleBlock(h.ctx->mmiBlock);
    std::memset(h.ctx->mmiBlock.shortText2, 0, sizeof h.ctx->mmiBlock.shortText2);
    std::memcpy(h.ctx->mmiBlock.shortText2, c.text.data(), c.text.size());
    DownloadMmi(*h.ctx);
    const auto frames = h.device.Frames();
    ASSERT_EQ(frames.size(), 1u);
    ASSERT_EQ(frames[0].size(), 133u);
    EXPECT_EQ(std::vector<uint8_t>(frames[0].begin() + 111, frames[0].begin() + 132), c.atOffset111)
        << c.text;
  }
}

TEST(MmiDownload, PayloadIsAVerbatimCopyOfTheFirst129Bytes) {
  MmiBlock block;
  uint8_t raw[sizeof block] = {};
  for (std::size_t i = 0; i < sizeof raw; ++i) raw[i] = static_cast<uint8_t>(i + 1);
  std::memcpy(&block, raw, sizeof block);
  uint8_t buffer[kFrameBufferSize] = {};
  MmiPayload(buffer, 4, block);
  EXPECT_EQ(std::vector<uint8_t>(buffer + 4, buffer + 4 + 129),
            std::vector<uint8_t>(raw, raw + 129));
  EXPECT_EQ(buffer[3], 0);
  EXPECT_EQ(buffer[4 + 129], 0);
}

// A database download against a device that answers every frame, the first
// one too, ends with one answer still queued. The next download must not take
// it for the answer to its own frame: a refused MMI frame would show success.
TEST(MmiDownload, AnswerLeftQueuedByADatabaseDownloadIsNotTakenForTheMmiAnswer) {
  Harness h;
  h.ctx->dbTable.count = 2;
  h.device.Script({Answer::Ack(), Answer::Ack(), Answer::Nak()});
  DownloadDb(*h.ctx);
  ASSERT_EQ(h.DbText(), "Completed!");
  FillExampleBlock(h.ctx->mmiBlock);
  DownloadMmi(*h.ctx);
  EXPECT_EQ(h.MmiText(), "ERR: MMI no ACK!k = 01, ret = 15, retry = 0");
  EXPECT_EQ(h.device.DiscardCalls(), 2);  // once at the start of each download
}

TEST(MmiDownload, ByteQueuedBeforeTheDownloadStartsIsDropped) {
  Harness h;
  h.device.Queue({0x15});  // left over from an earlier session
  FillExampleBlock(h.ctx->mmiBlock);
  DownloadMmi(*h.ctx);
  EXPECT_EQ(h.MmiText(), "Completed!");
}

TEST(MmiDownload, ThreadEntryClearsTheRunningFlagAndReturnsZero) {
  Harness h;
  FillExampleBlock(h.ctx->mmiBlock);
  h.ctx->downloadRunning = true;
  EXPECT_EQ(MmiDownloadThread(h.ctx.get()), 0u);
  EXPECT_FALSE(h.ctx->downloadRunning.load());
  EXPECT_EQ(h.MmiText(), "Completed!");
}

}  // namespace
}  // namespace brenvik::test
