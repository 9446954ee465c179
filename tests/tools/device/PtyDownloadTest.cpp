// Downloads over a real pseudo-terminal with real timings: the serial port,
// the download runner and the simulated device as the window uses them.

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

#include "download/DownloadRunner.h"
#include "files/DbFileReader.h"
#include "files/MmiFileReader.h"
#include "serial/SerialPort.h"
#include "tools/DeviceTestSupport.h"
#include "tools/device/PtyDevice.h"

namespace brenvik::device {
namespace {

using namespace std::chrono_literals;
using test::AnswersOf;
using test::IndexesOf;
using test::PtyLine;
using test::ToolsTempDir;

constexpr const char* kThreeEntryDb =
    "3\n"
    "no,code,attribute,subEntryCount,label,value,text,...,tail\n"
    "1,P101,1,2,PUMP 1,0,STOP,1,RUN,P1,0,0\n"
    "2,V201,2,3,INLET VALVE,0,CLOSED,50,HALF,100,OPEN,V1,0,0\n"
    "3,T301,3,0,TANK LEVEL,T1,0,0\n";

constexpr const char* kMmi =
    "s1,1,\ns2,0,\ns3,5,\ns4,2,\ns5,9,\nt1,FIRST TEXT,\nt2,SECOND TEXT,\nt3,THIRD TEXT,\n";

TEST(PtyDownloadTest, ThreeEntryDbAllAcknowledgedArrivesWhole) {
  ToolsTempDir dir;
  PtyLine run;
  ASSERT_TRUE(ReadDbFile(run.ctx->dbTable, dir.Write("in-db.csv", kThreeEntryDb).c_str()));
  ASSERT_TRUE(run.Connect());

  EXPECT_EQ(run.Run(DownloadKind::Db), "Completed!");
  const std::vector<ReceivedFrame> frames = run.device.Frames();
  ASSERT_EQ(frames.size(), 3u);
  for (const ReceivedFrame& frame : frames) EXPECT_TRUE(frame.valid) << frame.problem;
  EXPECT_EQ(frames[0].command, 0x80);
  EXPECT_EQ(frames[1].command, 0x82);
  EXPECT_EQ(IndexesOf(frames), (std::vector<unsigned>{3, 1, 0xFFFF}));
  EXPECT_EQ(AnswersOf(frames), (std::vector<int>{-1, 0x06, 0x06}));
  EXPECT_EQ(run.device.StrayByteCount(), 0u);
  EXPECT_TRUE(run.txErrors.empty());

  ASSERT_TRUE(run.device.HasDb());
  ASSERT_TRUE(run.device.WriteDb(dir.Path("out-db.csv")));
  EXPECT_EQ(test::ReadWholeFile(dir.Path("out-db.csv")), kThreeEntryDb);
}

TEST(PtyDownloadTest, NakOnFrameTwoSendsTheEntryBeforeItAndThenItAgain) {
  ToolsTempDir dir;
  DevicePolicy policy;
  policy.nakFrames = {2};
  PtyLine run(policy);
  ASSERT_TRUE(ReadDbFile(run.ctx->dbTable, dir.Write("in-db.csv", kThreeEntryDb).c_str()));
  ASSERT_TRUE(run.Connect());

  EXPECT_EQ(run.Run(DownloadKind::Db), "Completed!");
  const std::vector<ReceivedFrame> frames = run.device.Frames();
  // Entries 0, 1, 2, then 1 and 2 again after the refusal.
  EXPECT_EQ(IndexesOf(frames), (std::vector<unsigned>{3, 1, 0xFFFF, 1, 0xFFFF}));
  EXPECT_EQ(AnswersOf(frames), (std::vector<int>{-1, 0x06, 0x15, 0x06, 0x06}));
  ASSERT_TRUE(run.device.HasDb());
  ASSERT_TRUE(run.device.WriteDb(dir.Path("out-db.csv")));
  EXPECT_EQ(test::ReadWholeFile(dir.Path("out-db.csv")), kThreeEntryDb);
}

TEST(PtyDownloadTest, MmiAcknowledgedArrivesWhole) {
  ToolsTempDir dir;
  PtyLine run;
  ASSERT_TRUE(ReadMmiFile(run.ctx->mmiBlock, dir.Write("in-mmi.csv", kMmi).c_str()));
  ASSERT_TRUE(run.Connect());

  EXPECT_EQ(run.Run(DownloadKind::Mmi), "Completed!");
  const std::vector<ReceivedFrame> frames = run.device.Frames();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_TRUE(frames[0].valid) << frames[0].problem;
  EXPECT_EQ(frames[0].command, 0x8A);
  EXPECT_EQ(frames[0].body[132], 0x0C) << "checksum of the example block";
  ASSERT_TRUE(run.device.WriteMmi(dir.Path("out-mmi.csv")));
  EXPECT_EQ(test::ReadWholeFile(dir.Path("out-mmi.csv")), kMmi);
}

TEST(PtyDownloadTest, SilentDeviceTimesTheMmiDownloadOutAfterAboutOneSecond) {
  ToolsTempDir dir;
  DevicePolicy policy;
  policy.silent = true;
  PtyLine run(policy);
  ASSERT_TRUE(ReadMmiFile(run.ctx->mmiBlock, dir.Write("in-mmi.csv", kMmi).c_str()));
  ASSERT_TRUE(run.Connect());

  const std::string text = run.Run(DownloadKind::Mmi);
  EXPECT_EQ(text.rfind("ERR: MMI rx timeout!k = 00, ret = ", 0), 0u) << text;
  EXPECT_TRUE(text.size() > 12 && text.substr(text.size() - 12) == ", retry = 10") << text;
  ASSERT_TRUE(run.device.WaitForFrames(1, 1s));
  EXPECT_TRUE(run.device.Frames()[0].valid);
  EXPECT_FALSE(run.device.Frames()[0].answered);
}

TEST(PtyDownloadTest, LoaderExclusiveOpenWorksWhileTheDeviceHoldsItsEnd) {
  PtyDevice device;
  ASSERT_EQ(device.Start().error(), "");
  SerialPort first;
  SerialPort second;
  ASSERT_EQ(first.OpenPath(device.Path().c_str()), 1);
  EXPECT_EQ(second.OpenPath(device.Path().c_str()), 0) << "the port is in use";
  first.Close();
  EXPECT_EQ(second.OpenPath(device.Path().c_str()), 1) << "the pty outlives the first loader";
}

}  // namespace
}  // namespace brenvik::device
