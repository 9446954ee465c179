#include "tools/device/FrameDecoder.h"

#include <gtest/gtest.h>

#include "tools/DeviceTestSupport.h"

namespace brenvik::device {
namespace {

using test::Body;
using test::DbBody;
using test::FrameOnLine;
using test::HexText;
using test::Join;

// Feeds a whole line of bytes and collects the frames that came out.
std::vector<ReceivedFrame> FeedAll(FrameDecoder& decoder, const std::string& line) {
  std::vector<ReceivedFrame> frames;
  for (char c : line) {
    if (auto frame = decoder.Feed(static_cast<uint8_t>(c))) frames.push_back(*frame);
  }
  return frames;
}

TEST(FrameDecoderTest, WorkedFirstDbFrameDecodesWithItsCountAndChecksum) {
  // A table of 2 entries whose entry 0 has code "A": checksum 0x14.
  const std::vector<uint8_t> body = DbBody(0x80, 2, {0x41});
  const std::string text = HexText(body);
  ASSERT_EQ(text.size(), 166u);
  EXPECT_EQ(text.substr(0, 12), "52FF80020041");
  EXPECT_EQ(text.substr(164), "14");

  FrameDecoder decoder;
  const auto frames = FeedAll(decoder, FrameOnLine(body));
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_TRUE(frames[0].valid) << frames[0].problem;
  EXPECT_EQ(frames[0].command, 0x80);
  EXPECT_EQ(frames[0].indexOrCount, 2);
  ASSERT_EQ(frames[0].body.size(), 83u);
  EXPECT_EQ(frames[0].body[82], 0x14);
  EXPECT_EQ(decoder.StrayByteCount(), 0u);
}

TEST(FrameDecoderTest, LastEntryAndMmiFramesDecode) {
  const ReceivedFrame last = DecodeFrameText(HexText(DbBody(0x82, 0xFFFF)));
  EXPECT_TRUE(last.valid) << last.problem;
  EXPECT_EQ(last.indexOrCount, 0xFFFF);
  EXPECT_EQ(last.body[82], 0xD1);

  const ReceivedFrame mmi = DecodeFrameText(HexText(Body(0x84, 0x8A, {0, 1, 0, 5, 2, 9})));
  EXPECT_TRUE(mmi.valid) << mmi.problem;
  EXPECT_EQ(mmi.command, 0x8A);
  EXPECT_EQ(mmi.body.size(), 133u);
  EXPECT_EQ(mmi.indexOrCount, 0) << "MMI frames carry no index";
}

struct BadFrameCase {
  const char* name;
  std::string hexText;
  const char* problem;
};

std::string WithChar(std::string text, std::size_t at, char c) {
  text[at] = c;
  return text;
}

TEST(FrameDecoderTest, FramesThatFailACheckAreNamedForTheCheck) {
  const std::string good = HexText(DbBody(0x80, 2, {0x41}));  // checksum 14
  const std::string goodMmi = HexText(Body(0x84, 0x8A, {}));
  const BadFrameCase cases[] = {
      {"bad checksum", good.substr(0, 164) + "15", "checksum 0x15, expected 0x14"},
      {"lowercase hex", WithChar(good, 3, 'f'), "lowercase hex digit 'f' at 3"},
      {"not hex", WithChar(good, 10, 'G'), "not a hex digit: 'G' at 10"},
      {"odd length", good.substr(0, 165), "odd number of hex digits (165)"},
      {"short by one byte", good.substr(0, 164), "164 hex digits, LEN 0x52 needs 166"},
      {"long by one byte", good + "00", "168 hex digits, LEN 0x52 needs 166"},
      {"wrong LEN", Join({"53", good.substr(2)}), "LEN 0x53 is neither 0x52 nor 0x84"},
      {"missing 0xFF", Join({"52FE", good.substr(4)}), "byte 1 is 0xFE, not 0xFF"},
      {"unknown command", Join({"52FF81", good.substr(6)}), "unknown command 0x81"},
      {"MMI command with DB LEN", Join({"52FF8A", good.substr(6)}),
       "command 0x8A with LEN 0x52, not 0x84"},
      {"DB command with MMI LEN", Join({"84FF82", goodMmi.substr(6)}),
       "command 0x82 with LEN 0x84, not 0x52"},
      {"empty", "", "empty frame"},
  };
  for (const BadFrameCase& c : cases) {
    const ReceivedFrame frame = DecodeFrameText(c.hexText);
    EXPECT_FALSE(frame.valid) << c.name;
    EXPECT_EQ(frame.problem, c.problem) << c.name;
  }
}

TEST(FrameDecoderTest, BytesBetweenFramesAreIgnoredAndKeptForTheReport) {
  const std::string frame = FrameOnLine(DbBody(0x82, 1));
  FrameDecoder decoder;
  const auto frames = FeedAll(decoder, Join({"xy", frame, "\r\n\x03", frame}));
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_TRUE(frames[0].valid);
  EXPECT_TRUE(frames[1].valid);
  EXPECT_EQ(decoder.StrayByteCount(), 5u);
  EXPECT_EQ(decoder.TakeStrayBytes(), (std::vector<uint8_t>{'x', 'y', '\r', '\n', 0x03}));
  EXPECT_TRUE(decoder.TakeStrayBytes().empty()) << "taken once";
}

TEST(FrameDecoderTest, StxInsideAFrameReportsTheCutFrameAndStartsANewOne) {
  const std::string frame = FrameOnLine(DbBody(0x82, 1));
  FrameDecoder decoder;
  const auto frames = FeedAll(decoder, Join({"\x02"
                                             "52FF82",
                                             frame}));
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_FALSE(frames[0].valid);
  EXPECT_FALSE(frames[0].terminated);
  EXPECT_EQ(frames[0].problem, "cut short by STX after 6 hex digits");
  EXPECT_TRUE(frames[1].valid);
  EXPECT_TRUE(frames[1].terminated);
}

TEST(FrameDecoderTest, OverlongFrameIsReportedWithoutGrowingWithoutBound) {
  FrameDecoder decoder;
  const auto frames = FeedAll(decoder, Join({"\x02", std::string(5000, '0'), "\x03"}));
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_FALSE(frames[0].valid);
  EXPECT_EQ(frames[0].problem, "frame too long: 5000 hex digits");
}

}  // namespace
}  // namespace brenvik::device
