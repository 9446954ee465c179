// Downloads started from the window against the simulated device on a
// pseudo-terminal, with the real line timings: progress and final texts, the
// guard between the two downloads, Disconnect and closing mid-download, and
// the worker's short-write box.

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <atomic>
#include <csignal>
#include <memory>
#include <thread>

#include "WindowHarness.h"
#include "app/qt/SignalWatcher.h"
#include "tools/device/PtyDevice.h"

namespace brenvik::app::test {
namespace {

constexpr int kDownloadTimeoutMs = 10000;

int CountCommand(const device::PtyDevice& device, uint8_t command) {
  int count = 0;
  for (const device::ReceivedFrame& frame : device.Frames())
    count += frame.command == command ? 1 : 0;
  return count;
}

class DownloadWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(device.Start().error(), "");
    window.ConnectTo(QString::fromStdString(device.Path()));
    ASSERT_EQ(window.State(), kConnected);
  }

  device::PtyDevice device;
  WindowHarness window;
};

TEST_F(DownloadWindowTest, DbDownloadShowsProgressThenCompletedAndReleasesOnlyMmi) {
  window.Choose(DataFile("db20.csv"), "IDC_SELECT_DB");
  window.Choose(DataFile("mmi.csv"), "IDC_SELECT_MMI");
  window.Click("IDC_DOWNLOAD_DB");

  // One download at a time: both buttons wait while it runs.
  EXPECT_EQ(window.State(), (WindowHarness::ControlState{false, false, false, "&Disconn..."}));
  ASSERT_TRUE(window.WaitForTextStarting("IDC_DB_STATUS", "Writing...", kDownloadTimeoutMs))
      << window.Text("IDC_DB_STATUS").toStdString();
  EXPECT_FALSE(window.Button("IDC_DOWNLOAD_MMI").isEnabled());
  ASSERT_TRUE(window.WaitForText("IDC_DB_STATUS", "Completed!", kDownloadTimeoutMs))
      << window.Text("IDC_DB_STATUS").toStdString();

  // The download that ran stays disabled until Disconnect and Connect.
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.Button("IDC_DOWNLOAD_MMI").isEnabled(); }, 1000));
  EXPECT_FALSE(window.Button("IDC_DOWNLOAD_DB").isEnabled());
  EXPECT_EQ(window.Text("IDC_MMI_STATUS"), "OK");

  const auto frames = device.Frames();
  ASSERT_EQ(frames.size(), 20u);
  EXPECT_EQ(frames.front().command, 0x80);
  EXPECT_EQ(frames.front().indexOrCount, 20);
  EXPECT_EQ(frames.back().indexOrCount, 0xFFFF);
  for (const auto& frame : frames) EXPECT_TRUE(frame.valid) << frame.problem;
  EXPECT_TRUE(window.messages.isEmpty());

  // Disconnect and Connect release it again and clear both status lines.
  window.Click("IDC_CONNECT");
  window.Click("IDC_CONNECT");
  EXPECT_EQ(window.State(), kConnected);
  EXPECT_EQ(window.Text("IDC_DB_STATUS"), "");
  EXPECT_EQ(window.Text("IDC_MMI_STATUS"), "");
}

TEST_F(DownloadWindowTest, MmiDownloadCompletesAndReleasesOnlyDb) {
  window.Choose(DataFile("db20.csv"), "IDC_SELECT_DB");
  window.Choose(DataFile("mmi.csv"), "IDC_SELECT_MMI");
  window.Click("IDC_DOWNLOAD_MMI");
  EXPECT_FALSE(window.Button("IDC_DOWNLOAD_DB").isEnabled());
  EXPECT_FALSE(window.Button("IDC_DOWNLOAD_MMI").isEnabled());
  ASSERT_TRUE(window.WaitForText("IDC_MMI_STATUS", "Completed!", kDownloadTimeoutMs))
      << window.Text("IDC_MMI_STATUS").toStdString();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.Button("IDC_DOWNLOAD_DB").isEnabled(); }, 1000));
  EXPECT_FALSE(window.Button("IDC_DOWNLOAD_MMI").isEnabled());
  // The DB status line shows the file's count until a DB download starts.
  EXPECT_EQ(window.Text("IDC_DB_STATUS"), "Total entries is 20");

  const auto frames = device.Frames();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].command, 0x8A);
  EXPECT_TRUE(frames[0].valid) << frames[0].problem;
}

TEST_F(DownloadWindowTest, DownloadPressedTwiceQuicklyStartsOneWorker) {
  window.Choose(DataFile("db20.csv"), "IDC_SELECT_DB");
  window.Click("IDC_DOWNLOAD_DB");
  window.Click("IDC_DOWNLOAD_DB");  // disabled by now: the click goes nowhere
  window.dialog->OnDownloadDb();    // and the handler itself refuses a second start
  window.dialog->OnDownloadMmi();   // the other kind waits as well (no file needed to refuse)
  ASSERT_TRUE(window.WaitForText("IDC_DB_STATUS", "Completed!", kDownloadTimeoutMs));
  QTest::qWait(200);
  EXPECT_EQ(CountCommand(device, 0x80), 1);
  EXPECT_EQ(device.FrameCount(), 20u);
}

TEST_F(DownloadWindowTest, SelectionDuringDownloadChangesOnlyTheNextDownload) {
  window.Choose(DataFile("db20.csv"), "IDC_SELECT_DB");
  window.Click("IDC_DOWNLOAD_DB");
  ASSERT_TRUE(window.WaitForTextStarting("IDC_DB_STATUS", "Writing...", kDownloadTimeoutMs));
  window.Choose(DataFile("db3.csv"), "IDC_SELECT_DB");
  ASSERT_TRUE(window.WaitForText("IDC_DB_STATUS", "Completed!", kDownloadTimeoutMs));
  EXPECT_EQ(device.FrameCount(), 20u);
  EXPECT_EQ(device.Frames().front().indexOrCount, 20);

  window.Click("IDC_CONNECT");
  window.Click("IDC_CONNECT");
  window.Click("IDC_DOWNLOAD_DB");
  ASSERT_TRUE(window.WaitForText("IDC_DB_STATUS", "Completed!", kDownloadTimeoutMs));
  const auto frames = device.Frames();
  ASSERT_EQ(frames.size(), 23u);
  EXPECT_EQ(frames[20].command, 0x80);
  EXPECT_EQ(frames[20].indexOrCount, 3);
}

TEST_F(DownloadWindowTest, DisconnectDuringDownloadStopsItWithoutABoxAndFreesThePort) {
  window.Choose(DataFile("db20.csv"), "IDC_SELECT_DB");
  window.Choose(DataFile("mmi.csv"), "IDC_SELECT_MMI");
  window.Click("IDC_DOWNLOAD_DB");
  ASSERT_TRUE(window.WaitForTextStarting("IDC_DB_STATUS", "Writing...", kDownloadTimeoutMs));

  window.Click("IDC_CONNECT");
  EXPECT_EQ(window.State(), kDisconnected);
  EXPECT_EQ(window.Text("IDC_DB_STATUS"), "");
  QTest::qWait(300);  // the timer no longer copies the worker's text
  EXPECT_EQ(window.Text("IDC_DB_STATUS"), "");
  EXPECT_TRUE(window.messages.isEmpty());
  const std::size_t framesBefore = device.FrameCount();
  EXPECT_LT(framesBefore, 20u);

  // The same port again, and a download on it: no old worker is left to use it.
  window.ConnectTo(QString::fromStdString(device.Path()));
  ASSERT_EQ(window.State(), kConnected);
  window.Click("IDC_DOWNLOAD_MMI");
  ASSERT_TRUE(window.WaitForText("IDC_MMI_STATUS", "Completed!", kDownloadTimeoutMs))
      << window.Text("IDC_MMI_STATUS").toStdString();
  EXPECT_EQ(CountCommand(device, 0x8A), 1);
  EXPECT_EQ(CountCommand(device, 0x80), 1);
  EXPECT_TRUE(window.messages.isEmpty());
}

// Whether the device's tty still carries the exclusive flag a port sets.
bool ExclusiveFlagSet(const device::PtyDevice& device) {
  const int fd = ::open(device.Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  int exclusive = 0;
  if (fd >= 0) {
    ::ioctl(fd, TIOCGEXCL, &exclusive);
    ::close(fd);
  }
  return exclusive != 0;
}

enum class Stray { Escape, Enter, CloseBox, Disconnect };

struct StrayCase {
  Stray what;
  bool yes;
};

void PrintTo(const StrayCase& c, std::ostream* os) {
  static const char* const kNames[] = {"Escape", "Enter", "CloseBox", "Disconnect"};
  *os << kNames[static_cast<int>(c.what)] << (c.yes ? "_Yes" : "_No");
}

class StrayInputDuringDownloadTest : public DownloadWindowTest,
                                     public testing::WithParamInterface<StrayCase> {};

TEST_P(StrayInputDuringDownloadTest, AsksFirstNoKeepsTheDownloadYesStopsItAndFreesThePort) {
  const StrayCase c = GetParam();
  window.answerYes = c.yes;
  window.dialog->show();
  window.Choose(DataFile("db20.csv"), "IDC_SELECT_DB");
  window.Click("IDC_DOWNLOAD_DB");
  ASSERT_TRUE(window.WaitForTextStarting("IDC_DB_STATUS", "Writing...", kDownloadTimeoutMs));

  QElapsedTimer clock;
  clock.start();
  window.Get<QLineEdit>("IDC_DB_PATH").setFocus();
  switch (c.what) {
    case Stray::Escape:
      QTest::keyClick(window.dialog.get(), Qt::Key_Escape);
      break;
    case Stray::Enter:
      QTest::keyClick(&window.Get<QLineEdit>("IDC_DB_PATH"), Qt::Key_Return);
      break;
    case Stray::CloseBox:
      window.dialog->close();
      break;
    case Stray::Disconnect:
      window.Click("IDC_CONNECT");
      break;
  }
  const QString question = c.what == Stray::Disconnect
                               ? "A download is running. Stop it and disconnect?"
                               : "A download is running. Stop it and close the window?";
  EXPECT_EQ(window.questions, QStringList{question});

  if (!c.yes) {
    EXPECT_TRUE(window.dialog->isVisible());
    ASSERT_TRUE(window.WaitForText("IDC_DB_STATUS", "Completed!", kDownloadTimeoutMs))
        << window.Text("IDC_DB_STATUS").toStdString();
    EXPECT_EQ(device.FrameCount(), 20u);
    return;
  }
  EXPECT_LT(clock.elapsed(), 1000);
  EXPECT_EQ(window.dialog->isVisible(), c.what == Stray::Disconnect);
  EXPECT_FALSE(window.dialog->Context().downloadRunning.load());
  EXPECT_EQ(window.dialog->Context().dbStatusText.Text(), "ERR: DB stopped");
  EXPECT_FALSE(ExclusiveFlagSet(device));
  QTest::qWait(100);
  EXPECT_TRUE(window.messages.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Answers, StrayInputDuringDownloadTest,
                         testing::Values(StrayCase{Stray::Escape, false},
                                         StrayCase{Stray::Enter, true},
                                         StrayCase{Stray::CloseBox, true},
                                         StrayCase{Stray::Disconnect, false},
                                         StrayCase{Stray::Disconnect, true}));

TEST_F(DownloadWindowTest, SigtermDuringDownloadClosesWithoutAskingAndFreesThePort) {
  const SignalWatcher watcher([this](int) { window.dialog->CloseWithoutAsking(); });
  ASSERT_TRUE(watcher.Active());
  window.dialog->show();
  window.Choose(DataFile("db20.csv"), "IDC_SELECT_DB");
  window.Click("IDC_DOWNLOAD_DB");
  ASSERT_TRUE(window.WaitForTextStarting("IDC_DB_STATUS", "Writing...", kDownloadTimeoutMs));
  ASSERT_TRUE(ExclusiveFlagSet(device));

  ::kill(::getpid(), SIGTERM);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window.dialog->isVisible(); }, 1000));
  EXPECT_TRUE(window.questions.isEmpty());
  EXPECT_EQ(window.dialog->Context().dbStatusText.Text(), "ERR: DB stopped");
  EXPECT_FALSE(ExclusiveFlagSet(device));
}

class PortGoneTest : public testing::TestWithParam<bool> {};

TEST_P(PortGoneTest, WindowLetsThePortGoOnceNoDownloadRunsAndSaysWhy) {
  const bool downloading = GetParam();
  auto device = std::make_unique<device::PtyDevice>();
  ASSERT_EQ(device->Start().error(), "");
  const std::string path = device->Path();
  WindowHarness window;
  window.ConnectTo(QString::fromStdString(path));
  ASSERT_EQ(window.State(), kConnected);
  if (downloading) {
    window.Choose(DataFile("db20.csv"), "IDC_SELECT_DB");
    window.Click("IDC_DOWNLOAD_DB");
    ASSERT_TRUE(window.WaitForTextStarting("IDC_DB_STATUS", "Writing...", kDownloadTimeoutMs));
  }

  device.reset();  // the adapter is pulled
  const QString wentAway =
      QString::fromStdString("The port went away: " + path +
                             " hung up (the adapter was unplugged or the device powered off)");
  // A write cut off by the pull shows its short-write box first.
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return !window.messages.isEmpty() && window.messages.last() == wentAway; }, 3000))
      << window.messages.join("|").toStdString();
  EXPECT_LE(window.messages.size(), downloading ? 2 : 1);
  EXPECT_EQ(window.State(), kDisconnected);
  // What the download got to stays readable.
  EXPECT_EQ(window.Text("IDC_DB_STATUS").startsWith("ERR: DB "), downloading);
}

INSTANTIATE_TEST_SUITE_P(Moments, PortGoneTest, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) {
                           return info.param ? "DuringADownload" : "WhileIdle";
                         });

TEST_F(DownloadWindowTest, TxErrorBoxIsShownByTheUiThreadWhileTheWorkerWaits) {
  std::atomic<bool> returned{false};
  std::thread worker([&] {
    window.dialog->Context().link.ShowTxError("Error, expected 2 but 0");
    returned = true;
  });
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window.messages.isEmpty(); }, 2000));
  worker.join();
  EXPECT_TRUE(returned);
  EXPECT_EQ(window.messages, QStringList{"Error, expected 2 but 0"});
  EXPECT_EQ(window.boxesOffUiThread, 0);
}

TEST_F(DownloadWindowTest, TxErrorBoxIsDroppedOnceTheDownloadIsStopped) {
  // Asked for, not yet shown (no events processed meanwhile), then Disconnect:
  // the worker goes on and the box for the closed port never appears.
  std::atomic<bool> returned{false};
  std::thread waiting([&] {
    window.dialog->Context().link.ShowTxError("Error, expected 2 but 0");
    returned = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(returned);
  window.dialog->OnConnect();
  waiting.join();
  QTest::qWait(50);
  EXPECT_TRUE(window.messages.isEmpty());

  // Already stopped: the worker goes on at once.
  std::thread early([&] { window.dialog->Context().link.ShowTxError("Error, expected 2 but 0"); });
  early.join();
  QTest::qWait(50);
  EXPECT_TRUE(window.messages.isEmpty());
}

TEST_F(DownloadWindowTest, TxErrorBoxNeverHoldsAClosingWindow) {
  std::atomic<bool> returned{false};
  std::thread worker([&] {
    window.dialog->Context().link.ShowTxError("Error, expected 2 but 0");
    returned = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(returned);
  window.dialog->done(QDialog::Rejected);
  worker.join();
  EXPECT_TRUE(returned);
  QTest::qWait(50);
  EXPECT_TRUE(window.messages.isEmpty());
}

}  // namespace
}  // namespace brenvik::app::test
