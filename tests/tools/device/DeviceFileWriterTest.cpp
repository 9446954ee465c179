#include "tools/device/DeviceFileWriter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <memory>

#include "download/DownloadRunner.h"
#include "files/DbFileReader.h"
#include "files/MmiFileReader.h"
#include "tools/DeviceTestSupport.h"
#include "tools/device/SimulatedDevice.h"

namespace brenvik::device {
namespace {

using test::ReadWholeFile;
using test::ToolsTempDir;

// The sample files shipped with the tests, or the same content made here.
std::string SampleFile(const ToolsTempDir& dir, const std::string& name,
                       const std::string& fallback) {
  if (const char* data = std::getenv("BRENVIK_TEST_DATA")) {
    std::string path = std::string(data) + "/files/" + name;
    if (std::filesystem::exists(path)) return path;
  }
  return dir.Write(name, fallback);
}

const char* const kFallbackDb =
    "3\n"
    "heading\n"
    "1,P101,1,2,PUMP 1,0,STOP,1,RUN,P1,0,0\n"
    "2,V201,2,3,INLET VALVE,0,CLOSED,50,HALF,100,OPEN,V1,0,0\n"
    "3,T301,3,0,TANK LEVEL,T1,0,0\n";
const char* const kFallbackMmi =
    "contrast,4\nbacklight,1\nlanguage,0\nbeep,1\ntimeout,3\n"
    "banner,BRENVIK FIELD UNIT,\nsite,NORTH PLANT,\noperator,SHIFT B,\n";

void ExpectSameTable(const DbTable& got, const DbTable& want) {
  ASSERT_EQ(got.count, want.count);
  for (int i = 0; i < want.count; ++i) {
    EXPECT_EQ(std::memcmp(&got.records[i], &want.records[i], sizeof(DbRecord)), 0)
        << "record " << i << ": code " << got.records[i].code << " vs " << want.records[i].code;
  }
}

TEST(DeviceFileWriterTest, DbFileHasCountHeadingAndOneLinePerEntry) {
  auto table = std::make_unique<DbTable>();
  table->count = 2;
  DbRecord& first = table->records[0];
  std::strcpy(first.code, "A100");
  first.attribute = 1;
  first.subEntryCount = 2;
  std::strcpy(first.label, "FIRST ENTRY");
  first.subEntries[0] = {1, "T1"};
  first.subEntries[1] = {255, "T2"};
  std::strcpy(first.tailText, "X1");
  DbRecord& second = table->records[1];
  std::strcpy(second.code, "B200");
  std::strcpy(second.label, "SECOND ENTRY");
  std::strcpy(second.tailText, "Y2");

  ToolsTempDir dir;
  const std::string path = dir.Path("out-db.csv");
  ASSERT_TRUE(WriteDbFile(*table, path));
  EXPECT_EQ(ReadWholeFile(path),
            "2\n"
            "no,code,attribute,subEntryCount,label,value,text,...,tail\n"
            "1,A100,1,2,FIRST ENTRY,1,T1,255,T2,X1,0,0\n"
            "2,B200,0,0,SECOND ENTRY,Y2,0,0\n");
  EXPECT_FALSE(std::filesystem::exists(path + ".part"));
}

TEST(DeviceFileWriterTest, MmiFileHasEightLabelValueLines) {
  MmiBlock block{};
  const uint8_t settings[] = {1, 0, 5, 2, 9};
  std::memcpy(block.settings, settings, sizeof settings);
  std::strcpy(block.longText, "FIRST TEXT");
  std::strcpy(block.shortText1, "SECOND TEXT");
  std::strcpy(block.shortText2, "THIRD TEXT");

  ToolsTempDir dir;
  const std::string path = dir.Path("out-mmi.csv");
  ASSERT_TRUE(WriteMmiFile(block, path));
  EXPECT_EQ(ReadWholeFile(path),
            "s1,1,\ns2,0,\ns3,5,\ns4,2,\ns5,9,\n"
            "t1,FIRST TEXT,\nt2,SECOND TEXT,\nt3,THIRD TEXT,\n");
}

TEST(DeviceFileWriterTest, UnwritablePathIsReportedWithItsCause) {
  auto table = std::make_unique<DbTable>();
  const Result<> result = WriteDbFile(*table, "/nonexistent-dir/db.csv");
  EXPECT_FALSE(result);
  EXPECT_EQ(result.error(), "/nonexistent-dir/db.csv: No such file or directory");
}

TEST(DeviceFileWriterTest, WrittenFilesReadBackToTheSameTableAndBlock) {
  ToolsTempDir dir;
  auto original = std::make_unique<DbTable>();
  ASSERT_TRUE(ReadDbFile(*original, SampleFile(dir, "sample-db.csv", kFallbackDb).c_str()));
  ASSERT_TRUE(WriteDbFile(*original, dir.Path("again-db.csv")));
  auto again = std::make_unique<DbTable>();
  ASSERT_TRUE(ReadDbFile(*again, dir.Path("again-db.csv").c_str()));
  ExpectSameTable(*again, *original);

  MmiBlock block{};
  ASSERT_TRUE(ReadMmiFile(block, SampleFile(dir, "sample-mmi.csv", kFallbackMmi).c_str()));
  ASSERT_TRUE(WriteMmiFile(block, dir.Path("again-mmi.csv")));
  MmiBlock blockAgain{};
  ASSERT_TRUE(ReadMmiFile(blockAgain, dir.Path("again-mmi.csv").c_str()));
  EXPECT_EQ(std::memcmp(&blockAgain, &block, sizeof block), 0);

  // Texts that kept their line end, as a spreadsheet saves the last cell of
  // a line, and a setting that is a line end alone.
  const std::string ended =
      dir.Write("ended-mmi.csv", "s1,\ns2,0\ns3,5\ns4,2\ns5,9\nt1,BANNER\nt2,SITE\nt3,OP\n");
  ASSERT_TRUE(ReadMmiFile(block, ended.c_str()));
  ASSERT_TRUE(WriteMmiFile(block, dir.Path("ended-again-mmi.csv")));
  EXPECT_EQ(ReadWholeFile(dir.Path("ended-again-mmi.csv")),
            "s1,\ns2,0,\ns3,5,\ns4,2,\ns5,9,\nt1,BANNER\nt2,SITE\nt3,OP\n");
  ASSERT_TRUE(ReadMmiFile(blockAgain, dir.Path("ended-again-mmi.csv").c_str()));
  EXPECT_EQ(std::memcmp(&blockAgain, &block, sizeof block), 0);
  const std::string endedDb = dir.Write("ended-db.csv", "2\nh\n1,A,1,0,L,T\n2,B,1,1,L,5,S,U,0,0\n");
  ASSERT_TRUE(ReadDbFile(*original, endedDb.c_str()));
  ASSERT_TRUE(WriteDbFile(*original, dir.Path("ended-again-db.csv")));
  ASSERT_TRUE(ReadDbFile(*again, dir.Path("ended-again-db.csv").c_str()));
  ExpectSameTable(*again, *original);
}

// The device behind the port, answering at once; no line, no delays.
class DevicePortOnSimulatedDevice final : public DevicePort {
 public:
  explicit DevicePortOnSimulatedDevice(SimulatedDevice& device) : device_(device) {}
  int Write(const void* bytes, int n) override {
    std::vector<uint8_t> answers;
    device_.Feed(static_cast<const uint8_t*>(bytes), static_cast<std::size_t>(n), answers);
    queued_.insert(queued_.end(), answers.begin(), answers.end());
    return n;
  }
  int Read(void* buffer, int n) override {
    if (queued_.empty() || n < 1) return 0;
    *static_cast<uint8_t*>(buffer) = queued_.front();
    queued_.pop_front();
    return 1;
  }
  void Drain() override {}
  void DiscardInput() override { queued_.clear(); }

 private:
  SimulatedDevice& device_;
  std::deque<uint8_t> queued_;
};

class InstantClock final : public LinkClock {
 public:
  bool Sleep(int, StopSignal& stop) override { return !stop.Requested(); }
};

// The whole road without a line: file, reader, the real download, the device's
// record, its writer, the reader again.
TEST(DeviceFileWriterTest, DownloadedSampleFilesComeBackUnchanged) {
  ToolsTempDir dir;
  InstantClock clock;
  auto ctx = std::make_unique<DownloadContext>();
  ctx->link.SetClock(clock);
  ctx->link.SetTrace(false);
  ASSERT_TRUE(ReadDbFile(ctx->dbTable, SampleFile(dir, "sample-db.csv", kFallbackDb).c_str()));
  ASSERT_TRUE(ReadMmiFile(ctx->mmiBlock, SampleFile(dir, "sample-mmi.csv", kFallbackMmi).c_str()));

  SimulatedDevice device;
  DevicePortOnSimulatedDevice port(device);
  for (DownloadKind kind : {DownloadKind::Db, DownloadKind::Mmi}) {
    DownloadRunner runner;
    ASSERT_TRUE(runner.Start(*ctx, port, kind));
    runner.Join();
  }
  EXPECT_EQ(ctx->dbStatusText.Text(), "Completed!");
  EXPECT_EQ(ctx->mmiStatusText.Text(), "Completed!");

  ASSERT_TRUE(device.Received().HasDb());
  ASSERT_TRUE(WriteDbFile(device.Received().Db(), dir.Path("received-db.csv")));
  auto received = std::make_unique<DbTable>();
  ASSERT_TRUE(ReadDbFile(*received, dir.Path("received-db.csv").c_str()));
  ExpectSameTable(*received, ctx->dbTable);

  ASSERT_TRUE(device.Received().HasMmi());
  ASSERT_TRUE(WriteMmiFile(device.Received().Mmi(), dir.Path("received-mmi.csv")));
  MmiBlock receivedBlock{};
  ASSERT_TRUE(ReadMmiFile(receivedBlock, dir.Path("received-mmi.csv").c_str()));
  EXPECT_EQ(std::memcmp(&receivedBlock, &ctx->mmiBlock, sizeof receivedBlock), 0);
}

}  // namespace
}  // namespace brenvik::device
