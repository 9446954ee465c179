#include "download/DbDownload.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "DownloadHarness.h"
#include "serial/FrameLink.h"

namespace brenvik::test {
namespace {

// Gives entry i the code "C<i>", so every frame shows which entry it carries.
void FillTable(DbTable& table, int count) {
  table.count = count;
  for (int i = 0; i < kMaxDbEntries; ++i) {
    std::memset(&table.records[i], 0, sizeof(DbRecord));
    std::snprintf(table.records[i].code, sizeof table.records[i].code, "C%d", i);
  }
}

// The device does not answer the first frame unless a case says so.
std::vector<Answer> AnswersAfterFirst(std::vector<Answer> answers) {
  answers.insert(answers.begin(), Answer::Silent());
  return answers;
}

// Which entry a frame carries, read back from its code.
int EntryOf(const std::vector<uint8_t>& body) {
  int entry = -1;
  if (body.size() > 6 && body[5] == 'C') {
    std::sscanf(reinterpret_cast<const char*>(&body[6]), "%d", &entry);
  }
  return entry;
}

struct SentFrame {
  uint8_t command;
  unsigned field;  // count, index or 0xFFFF
  int entry;
  bool operator==(const SentFrame&) const = default;
};

std::ostream& operator<<(std::ostream& out, const SentFrame& f) {
  return out << "{" << std::hex << int(f.command) << ", " << f.field << std::dec << ", e" << f.entry
             << "}";
}

std::vector<SentFrame> SentFrames(const ScriptedDevice& device) {
  std::vector<SentFrame> sent;
  for (const auto& body : device.Frames()) {
    std::vector<uint8_t> withNulTerminatedCode = body;
    withNulTerminatedCode.push_back(0);
    sent.push_back(
        {body.size() > 2 ? body[2] : uint8_t{0}, Field(body), EntryOf(withNulTerminatedCode)});
  }
  return sent;
}

struct FlowCase {
  const char* name;
  int count;
  std::vector<Answer> script;  // from the first frame on
  std::vector<SentFrame> frames;
  const char* finalText;
  int reads;  // read attempts, -1: not checked
};

void CheckFlow(const FlowCase& c, int32_t maxNaks) {
  Harness h;
  FillTable(h.ctx->dbTable, c.count);
  h.ctx->maxNaks = maxNaks;
  h.device.Script(c.script);
  DownloadDb(*h.ctx);
  EXPECT_EQ(SentFrames(h.device), c.frames) << c.name;
  EXPECT_EQ(h.DbText(), c.finalText) << c.name;
  if (c.reads >= 0) {
    EXPECT_EQ(h.device.ReadCalls(), c.reads) << c.name;
  }
  EXPECT_TRUE(h.boxes.empty()) << c.name;
  // A time-out tells whether anything came back before it (the device
  // answers a frame its script does not reach with ACK).
  if (h.ctx->dbStatusText.Progress().outcome == DownloadOutcome::RxTimeout) {
    const bool answers = std::any_of(c.script.begin(), c.script.end(),
                                     [](const Answer& answer) { return !answer.bytes.empty(); });
    EXPECT_EQ(h.ctx->dbStatusText.Progress().answered, answers) << c.name;
  }
  // Every frame on the line is whole: 168 bytes each.
  EXPECT_EQ(h.device.Line().size(), 168u * c.frames.size()) << c.name;
}

TEST(DbDownload, FramesAndOutcomeFollowTheAnswers) {
  const FlowCase cases[] = {
      {"one entry: first frame alone, nothing read", 1, {}, {{0x80, 1, 0}}, "Completed!", 0},
      {"two entries", 2, AnswersAfterFirst({}), {{0x80, 2, 0}, {0x82, 0xFFFF, 1}}, "Completed!", 1},
      {"three entries",
       3,
       AnswersAfterFirst({}),
       {{0x80, 3, 0}, {0x82, 1, 1}, {0x82, 0xFFFF, 2}},
       "Completed!",
       2},
      {"NAK after index 3 sends index 2 then 3",
       5,
       AnswersAfterFirst({Answer::Ack(), Answer::Ack(), Answer::Nak()}),
       {{0x80, 5, 0},
        {0x82, 1, 1},
        {0x82, 2, 2},
        {0x82, 3, 3},
        {0x82, 2, 2},
        {0x82, 3, 3},
        {0x82, 0xFFFF, 4}},
       "Completed!",
       -1},
      {"NAK after index 1 sends index 0 with entry 0",
       3,
       AnswersAfterFirst({Answer::Nak()}),
       {{0x80, 3, 0}, {0x82, 1, 1}, {0x82, 0, 0}, {0x82, 1, 1}, {0x82, 0xFFFF, 2}},
       "Completed!",
       -1},
      {"NAK at index 0 sends entry 0 again",
       3,
       AnswersAfterFirst({Answer::Nak(), Answer::Nak()}),
       {{0x80, 3, 0}, {0x82, 1, 1}, {0x82, 0, 0}, {0x82, 0, 0}, {0x82, 1, 1}, {0x82, 0xFFFF, 2}},
       "Completed!",
       -1},
      {"NAK on the last entry sends the one before again",
       2,
       AnswersAfterFirst({Answer::Nak()}),
       {{0x80, 2, 0}, {0x82, 0xFFFF, 1}, {0x82, 0, 0}, {0x82, 0xFFFF, 1}},
       "Completed!",
       -1},
      {"answer 0x41 ends with no ACK",
       3,
       AnswersAfterFirst({Answer::Byte(0x41)}),
       {{0x80, 3, 0}, {0x82, 1, 1}},
       "ERR: DB no ACK!k = 01, ret = 41, retry = 0",
       1},
      {"answer 0x90 shows as eight digits",
       3,
       AnswersAfterFirst({Answer::After(2, 0x90)}),
       {{0x80, 3, 0}, {0x82, 1, 1}},
       "ERR: DB no ACK!k = 01, ret = FFFFFF90, retry = 2",
       3},
      {"silent device times out after the second frame",
       3,
       AnswersAfterFirst({Answer::Silent()}),
       {{0x80, 3, 0}, {0x82, 1, 1}},
       "ERR: DB rx timeout!k = 00, ret = 00, retry = 10",
       10},
      {"NAK, then silence: the time-out follows an answer",
       3,
       AnswersAfterFirst({Answer::Nak(), Answer::Silent()}),
       {{0x80, 3, 0}, {0x82, 1, 1}, {0x82, 0, 0}},
       "ERR: DB rx timeout!k = 00, ret = 00, retry = 10",
       11},
      {"silent one-entry device never times out",
       1,
       {Answer::Silent()},
       {{0x80, 1, 0}},
       "Completed!",
       0},
      {"count 0 still sends the first frame, its record empty, not left from an earlier file",
       0,
       {},
       {{0x80, 0, -1}},
       "Completed!",
       0},
      {"device answering the first frame too: each wait reads the answer before",
       3,
       {Answer::Ack(), Answer::Ack(), Answer::Nak()},
       {{0x80, 3, 0}, {0x82, 1, 1}, {0x82, 0xFFFF, 2}},
       "Completed!",
       2},
      {"queued first answer NAK steps back",
       3,
       {Answer::Nak()},
       {{0x80, 3, 0}, {0x82, 1, 1}, {0x82, 0, 0}, {0x82, 1, 1}, {0x82, 0xFFFF, 2}},
       "Completed!",
       -1},
  };
  for (const FlowCase& c : cases) CheckFlow(c, 0);
}

// A device refusing entry 2 for ever answers NAK, ACK, NAK... as the
// download steps between entries 1 and 2.
TEST(DbDownload, NakLimitCountsTheNaksSinceTheLastNewHighestEntry) {
  const FlowCase limitThree = {"third NAK without progress ends the download",
                               4,
                               AnswersAfterFirst({Answer::Ack(), Answer::Nak(), Answer::Ack(),
                                                  Answer::Nak(), Answer::Ack(), Answer::Nak()}),
                               {{0x80, 4, 0},
                                {0x82, 1, 1},
                                {0x82, 2, 2},
                                {0x82, 1, 1},
                                {0x82, 2, 2},
                                {0x82, 1, 1},
                                {0x82, 2, 2}},
                               "ERR: DB too many NAKs!k = 01, ret = 15, retry = 0",
                               6};
  CheckFlow(limitThree, 3);
  const FlowCase limitTwo = {"a new highest entry starts the count again",
                             4,
                             AnswersAfterFirst({Answer::Ack(), Answer::Nak(), Answer::Ack(),
                                                Answer::Ack(), Answer::Nak()}),
                             {{0x80, 4, 0},
                              {0x82, 1, 1},
                              {0x82, 2, 2},
                              {0x82, 1, 1},
                              {0x82, 2, 2},
                              {0x82, 0xFFFF, 3},
                              {0x82, 2, 2},
                              {0x82, 0xFFFF, 3}},
                             "Completed!",
                             7};
  CheckFlow(limitTwo, 2);
}

struct ProgressCase {
  int count;
  std::vector<std::string> texts;
  int sentAtEnd;  // the first frame counts as one entry
};

TEST(DbDownload, StatusTextShowsProgressBeforeEachFrameThenTheOutcome) {
  const ProgressCase cases[] = {
      {1, {"Downloading database...", "Writing...100%, 1/1", "Completed!"}, 1},
      {2, {"Downloading database...", "Writing...50%, 1/2", "Completed!"}, 2},
      {3, {"Downloading database...", "Writing...33%, 1/3", "Writing...66%, 2/3", "Completed!"}, 3},
      {0, {"Downloading database...", "Writing...100%, 1/0", "Completed!"}, 1},
      {-2, {"Downloading database...", "Writing...100%, 1/-2", "Completed!"}, 1},
  };
  for (const ProgressCase& c : cases) {
    Harness h;
    FillTable(h.ctx->dbTable, c.count);
    h.device.Script(AnswersAfterFirst({}));
    DownloadDb(*h.ctx);
    EXPECT_EQ(h.DbSequence(), c.texts) << c.count;
    const DownloadProgress end = h.ctx->dbStatusText.Progress();
    EXPECT_TRUE(end.Completed()) << c.count;
    EXPECT_EQ(end.sent, c.sentAtEnd) << c.count;
    EXPECT_EQ(end.count, c.count);
  }
}

TEST(DbDownload, PercentageIsComputedInDoublePrecision) {
  struct Case {
    int count;
    std::vector<const char*> shown;
  };
  const Case cases[] = {
      {100, {"Writing...28%, 29/100", "Writing...56%, 57/100", "Writing...57%, 58/100"}},
      {3000, {"Writing...28%, 870/3000", "Writing...0%, 1/3000", "Writing...99%, 2999/3000"}},
  };
  for (const Case& c : cases) {
    Harness h;
    FillTable(h.ctx->dbTable, c.count);
    h.device.Script(AnswersAfterFirst({}));
    DownloadDb(*h.ctx);
    const auto texts = h.DbSequence();
    for (const char* shown : c.shown) {
      EXPECT_NE(std::find(texts.begin(), texts.end(), shown), texts.end()) << shown;
    }
    EXPECT_EQ(texts.back(), "Completed!");
  }
}

TEST(DbDownload, WorkedFirstFrameIsExactOnTheLine) {
  Harness h;
  h.ctx->dbTable.count = 2;
  std::memset(h.ctx->dbTable.records, 0, 2 * sizeof(DbRecord));
  h.ctx->dbTable.records[0].code[0] = 'A';
  h.device.Script(AnswersAfterFirst({}));
  DownloadDb(*h.ctx);

  std::vector<uint8_t> body{0x52, 0xFF, 0x80, 0x02, 0x00, 0x41};
  body.insert(body.end(), 76, 0x00);
  body.push_back(0x14);
  ASSERT_EQ(h.device.Frames().size(), 2u);
  EXPECT_EQ(h.device.Frames()[0], body);

  const std::string expectedLine =
      "\x02"
      "52FF80020041" +
      std::string(152, '0') +
      "14"
      "\x03";
  const auto line = h.device.Line();
  ASSERT_EQ(line.size(), 2u * 168u);
  EXPECT_EQ(std::string(line.begin(), line.begin() + 168), expectedLine);
}

TEST(DbDownload, LastFrameOfAnAllZeroEntryCarriesFFFFAndChecksumD1) {
  Harness h;
  h.ctx->dbTable.count = 2;
  std::memset(h.ctx->dbTable.records, 0, 2 * sizeof(DbRecord));
  h.ctx->dbTable.records[0].code[0] = 'A';
  h.device.Script(AnswersAfterFirst({}));
  DownloadDb(*h.ctx);

  std::vector<uint8_t> body{0x52, 0xFF, 0x82, 0xFF, 0xFF};
  body.insert(body.end(), 77, 0x00);
  body.push_back(0xD1);
  ASSERT_EQ(h.device.Frames().size(), 2u);
  EXPECT_EQ(h.device.Frames()[1], body);
}

TEST(DbDownload, OnlyTheFirstFrameIsPacedAndFollowedByHalfASecond) {
  Harness h;
  FillTable(h.ctx->dbTable, 3);
  h.device.Script(AnswersAfterFirst({Answer::After(1, 0x06)}));
  DownloadDb(*h.ctx);
  std::vector<int> expected{2};
  expected.insert(expected.end(), 83, 5);
  expected.push_back(500);
  expected.insert(expected.end(), {10, 100, 10});  // the two answer waits
  EXPECT_EQ(h.clock.Sleeps(), expected);
  // The second frame starts once the first frame and its pause are over.
  const auto writes = h.device.Writes();
  // The paced first frame is one write per pair; later frames write their
  // body in one go: STX, body, ETX.
  ASSERT_EQ(writes.size(), 85u + 3u + 3u);
  EXPECT_EQ(writes[85].atMs, 2 + 83 * 5 + 500);
  EXPECT_EQ(writes[86].requested, 166);
}

TEST(DbDownload, IndexAndCountGoOutLittleEndian) {
  Harness h;
  FillTable(h.ctx->dbTable, 3000);
  h.device.Script(AnswersAfterFirst({}));
  DownloadDb(*h.ctx);
  const auto frames = h.device.Frames();
  ASSERT_EQ(frames.size(), 3000u);
  EXPECT_EQ(frames[0][3], 0xB8);
  EXPECT_EQ(frames[0][4], 0x0B);
  EXPECT_EQ(frames[255][3], 0xFF);
  EXPECT_EQ(frames[255][4], 0x00);
  EXPECT_EQ(frames[256][3], 0x00);
  EXPECT_EQ(frames[256][4], 0x01);
  EXPECT_EQ(Field(frames[2998]), 2998u);
  EXPECT_EQ(Field(frames[2999]), 0xFFFFu);
  EXPECT_EQ(EntryOf(frames[2999]), 2999);
  EXPECT_EQ(h.DbText(), "Completed!");
}

TEST(DbDownload, CountAboveTheTableIsSentAsTheTableHolds) {
  Harness h;
  FillTable(h.ctx->dbTable, 3);
  h.ctx->dbTable.count = 40000;  // a table can hold no more than 3000
  h.device.Script(AnswersAfterFirst({}));
  DownloadDb(*h.ctx);
  const auto frames = h.device.Frames();
  ASSERT_EQ(frames.size(), 3000u);
  EXPECT_EQ(Field(frames[0]), 3000u);
  EXPECT_EQ(Field(frames[2999]), 0xFFFFu);
}

struct FailureCase {
  const char* name;
  std::vector<Answer> script;
  std::function<void(Harness&)> arrange;
  std::size_t completeFrames;
  std::vector<std::string> boxes;
  const char* finalText;
};

constexpr int64_t kFirstFrameDoneMs = 2 + 83 * 5;
constexpr int64_t kSecondFrameMs = kFirstFrameDoneMs + 500;

TEST(DbDownload, TransmissionFailuresAndStopsEndTheDownload) {
  const FailureCase cases[] = {
      {"port closed before the second frame",
       AnswersAfterFirst({}),
       [](Harness& h) { h.clock.At(kSecondFrameMs, [&h] { h.device.Close(); }); },
       1,
       {"Error, expected 2 but 0"},
       "ERR: DB tx error!k = 00, ret = 00, retry = 10"},
      {"port closed during an answer wait",
       AnswersAfterFirst({Answer::After(3, 0x06)}),
       [](Harness& h) { h.clock.At(kSecondFrameMs + 50, [&h] { h.device.Close(); }); },
       2,
       {},
       "ERR: DB rx timeout!k = 00, ret = 00, retry = 10"},
      {"port closed from the start: first frame fails, no wait",
       {},
       [](Harness& h) { h.device.Close(); },
       0,
       {"Error, expected 2 but 0"},
       "ERR: DB tx error!k = 00, ret = 00, retry = 0"},
      {"short write of 1 in the first frame",
       {},
       [](Harness& h) { h.device.ShortWriteAt(1, 1); },
       0,
       {"Error, expected 2 but 1"},
       "ERR: DB tx error!k = 01, ret = 00, retry = 0"},
      {"short write of 1 in the second frame: its wait still runs",
       AnswersAfterFirst({}),
       // The body write of the second frame stops one character into its fifth pair.
       [](Harness& h) { h.device.ShortWriteAt(86, 9); },
       1,
       {"Error, expected 2 but 1"},
       "ERR: DB tx error!k = 01, ret = 06, retry = 0"},
      {"tx error wins over a refusal in the same frame",
       AnswersAfterFirst({Answer::Nak()}),
       [](Harness& h) { h.device.ShortWriteAt(86, 8); },
       1,
       {"Error, expected 2 but 0"},
       "ERR: DB tx error!k = 01, ret = 15, retry = 0"},
      {"stop before the first frame",
       AnswersAfterFirst({}),
       [](Harness& h) { h.ctx->stop.Request(); },
       0,
       {},
       "ERR: DB stopped"},
      {"stop during the paced first frame",
       AnswersAfterFirst({}),
       [](Harness& h) { h.clock.At(100, [&h] { h.ctx->stop.Request(); }); },
       0,
       {},
       "ERR: DB stopped"},
      {"stop during the half-second pause",
       AnswersAfterFirst({}),
       [](Harness& h) { h.clock.At(kFirstFrameDoneMs + 200, [&h] { h.ctx->stop.Request(); }); },
       1,
       {},
       "ERR: DB stopped"},
      {"stop during an answer wait",
       AnswersAfterFirst({Answer::After(5, 0x06)}),
       [](Harness& h) { h.clock.At(kSecondFrameMs + 250, [&h] { h.ctx->stop.Request(); }); },
       2,
       {},
       "ERR: DB stopped"},
      {"stop between two frames",
       AnswersAfterFirst({}),
       [](Harness& h) {
         // Requested right after the read that takes the second frame's ACK:
         // no sleep follows, so the check before the next frame sees it.
         h.device.OnRead([&h](int call) {
           if (call == 0) h.ctx->stop.Request();
         });
       },
       2,
       {},
       "ERR: DB stopped"},
  };
  for (const FailureCase& c : cases) {
    Harness h;
    FillTable(h.ctx->dbTable, 3);
    h.device.Script(c.script);
    c.arrange(h);
    DownloadDb(*h.ctx);
    const auto line = h.device.Line();
    EXPECT_EQ(h.boxes, c.boxes) << c.name;
    EXPECT_EQ(h.DbText(), c.finalText) << c.name;
    EXPECT_EQ(line.size() / 168, c.completeFrames) << c.name;
    EXPECT_EQ(h.ctx->txError, c.boxes.empty() ? 0 : 1) << c.name;
  }
}

TEST(DbDownload, StopDuringThePacedFrameStillEndsItWithEtxAndSendsNoMore) {
  Harness h;
  FillTable(h.ctx->dbTable, 3);
  h.clock.At(100, [&h] { h.ctx->stop.Request(); });
  DownloadDb(*h.ctx);
  const auto line = h.device.Line();
  ASSERT_FALSE(line.empty());
  EXPECT_EQ(std::count(line.begin(), line.end(), kStx), 1);
  EXPECT_EQ(line.back(), kEtx);
  EXPECT_EQ(h.device.ReadCalls(), 0);
  EXPECT_EQ(h.DbText(), "ERR: DB stopped");
}

// Builds one record with each field set, downloads it as the second (last)
// entry and returns that frame's body.
std::vector<uint8_t> LastFrameBodyOf(const DbRecord& record) {
  Harness h;
  FillTable(h.ctx->dbTable, 2);
  h.ctx->dbTable.records[1] = record;
  h.device.Script(AnswersAfterFirst({}));
  DownloadDb(*h.ctx);
  const auto frames = h.device.Frames();
  return frames.size() == 2 ? frames[1] : std::vector<uint8_t>{};
}

DbRecord EmptyRecord() {
  DbRecord record;
  std::memset(&record, 0, sizeof record);
  return record;
}

TEST(DbDownload, TailTextReachesTheDeviceAsFiveBytes) {
  DbRecord seven = EmptyRecord();
  std::strcpy(seven.tailText, "ABCDEFG");
  auto body = LastFrameBodyOf(seven);
  ASSERT_EQ(body.size(), 83u);
  EXPECT_EQ(std::vector<uint8_t>(body.begin() + 77, body.begin() + 82), Bytes("ABCDE"));

  DbRecord four = EmptyRecord();
  std::strcpy(four.tailText, "WXYZ");
  body = LastFrameBodyOf(four);
  ASSERT_EQ(body.size(), 83u);
  EXPECT_EQ(std::vector<uint8_t>(body.begin() + 77, body.begin() + 82),
            (std::vector<uint8_t>{'W', 'X', 'Y', 'Z', 0}));
}

TEST(DbDownload, LongLabelRunsOnAndIsOverwrittenBySubEntrySlotZero) {
  DbRecord record = EmptyRecord();
  std::strcpy(record.code, "K");
  std::strcpy(record.label, "ABCDEFGHIJKLMNOPQR");  // 18 characters, 17-byte slot
  record.subEntries[0].value = 500;                 // low byte 0xF4
  std::strcpy(record.subEntries[0].text, "T");
  const auto body = LastFrameBodyOf(record);
  ASSERT_EQ(body.size(), 83u);
  EXPECT_EQ(std::vector<uint8_t>(body.begin() + 18, body.begin() + 35), Bytes("ABCDEFGHIJKLMNOPQ"));
  EXPECT_EQ(body[35], 0xF4);
  EXPECT_EQ(body[36], 'T');
  EXPECT_EQ(body[37], 0x00);
}

TEST(RecordImage, FieldsLandAtTheirOffsetsAndTextsRunOnUntilOverwritten) {
  DbRecord record = EmptyRecord();
  std::strcpy(record.code, "0123456789");
  record.attribute = 0xA5;
  record.subEntryCount = 3;
  std::strcpy(record.label, "LABEL");
  record.subEntries[0] = {0x101, "FIFTEEN-CHARS-A"};  // runs 3 bytes into slot 1
  record.subEntries[1] = {-1, ""};
  record.subEntries[2] = {7, "FIFTEEN-CHARS-C"};  // runs into the tail text
  // tailText empty: its NUL lands on image offset 72 only.

  uint8_t buffer[kFrameBufferSize] = {};
  RecordImage(buffer, 0, record);
  std::vector<uint8_t> image(buffer, buffer + 80);

  std::vector<uint8_t> expected(80, 0);
  auto put = [&](std::size_t at, const std::string& text) {
    std::copy(text.begin(), text.end(), expected.begin() + static_cast<long>(at));
  };
  put(0, "0123456789");
  expected[11] = 0xA5;
  expected[12] = 3;
  put(13, "LABEL");
  expected[30] = 0x01;
  put(31, "FIFTEEN-CHARS-A");  // 31..45, NUL at 46
  expected[44] = 0xFF;         // slot 1 value over the run-on
  expected[45] = 0x00;         // slot 1 text: just its NUL
  expected[58] = 7;
  put(59, "FIFTEEN-CHARS-C");  // 59..73, NUL at 74
  expected[72] = 0x00;         // tailText's NUL; its last two characters stay
  EXPECT_EQ(image, expected);
  EXPECT_EQ(image[73], 'C');
}

TEST(RecordImage, NeverWritesOutsideTheBufferNorReadsPastAField) {
  // Every text field full and unterminated: copies stop at the field's end.
  DbRecord record;
  std::memset(&record, 'X', sizeof record);
  struct Guarded {
    uint8_t buffer[kFrameBufferSize];
    uint8_t guard[64];
  } g;
  std::memset(&g, 0, sizeof g);

  RecordImage(g.buffer, 1 + 5, record);
  // The furthest a field reaches is tailText: 72 + 8 bytes behind the image start.
  EXPECT_EQ(g.buffer[6 + 79], 'X');
  EXPECT_EQ(g.buffer[6 + 80], 0);

  RecordImage(g.buffer, kFrameBufferSize - 10, record);
  EXPECT_EQ(g.buffer[kFrameBufferSize - 1], 'X');
  for (uint8_t b : g.guard) ASSERT_EQ(b, 0);

  RecordImage(g.buffer, kFrameBufferSize + 5, record);
  for (uint8_t b : g.guard) ASSERT_EQ(b, 0);
}

TEST(DbDownload, ThreadEntryClearsTheRunningFlagAndReturnsZero) {
  Harness h;
  FillTable(h.ctx->dbTable, 1);
  h.ctx->downloadRunning = true;
  EXPECT_EQ(DbDownloadThread(h.ctx.get()), 0u);
  EXPECT_FALSE(h.ctx->downloadRunning.load());
  EXPECT_EQ(h.DbText(), "Completed!");
}

}  // namespace
}  // namespace brenvik::test
