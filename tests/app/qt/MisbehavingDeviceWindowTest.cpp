// Downloads started from the window against a device that misbehaves, on a
// pseudo-terminal with the real line timings: the status fields end with the
// texts the download writes, and the window stays responsive meanwhile (its
// status timer keeps refreshing and its event loop is never held up).

#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <chrono>
#include <memory>
#include <vector>

#include "WindowHarness.h"
#include "tools/DeviceTestSupport.h"
#include "tools/device/PtyDevice.h"

namespace brenvik::app::test {
namespace {

using namespace std::chrono_literals;
using brenvik::test::IndexesOf;

constexpr int kDownloadTimeoutMs = 10000;
constexpr uint8_t kAckByte = 0x06;
constexpr uint8_t kNakByte = 0x15;
constexpr unsigned kLast = 0xFFFF;

// Counts the status timer's refreshes of a status field with no hook in the
// window: the field is marked with a text no download writes, each tick puts
// the worker's text back over the mark, and the mark is set again at once.
// Keeps the texts the refreshes showed, in order, each once.
class StatusRefreshProbe {
 public:
  explicit StatusRefreshProbe(QLineEdit& field)
      : field_(field), active_(std::make_shared<bool>(true)) {
    connection_ =
        QObject::connect(&field_, &QLineEdit::textChanged, &field_, [this](const QString& text) {
          if (text == Mark()) return;
          ++refreshes_;
          if (texts_.isEmpty() || texts_.constLast() != text) texts_ << text;
          // Marked again once the window has finished writing its fields.
          QMetaObject::invokeMethod(
              &field_,
              [field = &field_, active = active_] {
                if (*active) field->setText(Mark());
              },
              Qt::QueuedConnection);
        });
    field_.setText(Mark());
  }
  ~StatusRefreshProbe() { Stop(); }
  StatusRefreshProbe(const StatusRefreshProbe&) = delete;
  StatusRefreshProbe& operator=(const StatusRefreshProbe&) = delete;

  // Ends the marking; the next tick leaves the worker's text in the field.
  void Stop() {
    *active_ = false;
    QObject::disconnect(connection_);
  }
  int Refreshes() const { return refreshes_; }
  const QStringList& Texts() const { return texts_; }
  QString LastText() const { return texts_.isEmpty() ? QString() : texts_.constLast(); }
  bool WaitForText(const QString& text, int timeoutMs) const {
    return QTest::qWaitFor([&] { return LastText() == text; }, timeoutMs);
  }

 private:
  static QString Mark() { return QStringLiteral("(probe)"); }

  QLineEdit& field_;
  std::shared_ptr<bool> active_;  // shared with marks still queued
  QMetaObject::Connection connection_;
  int refreshes_ = 0;
  QStringList texts_;
};

// A single-shot timer posted to the window's event loop; it fires late only
// when that loop is held up.
class SingleShotProbe {
 public:
  explicit SingleShotProbe(int delayMs) : delayMs_(delayMs) {
    posted_.start();
    QTimer::singleShot(delayMs, &context_, [this] { firedAtMs_ = posted_.elapsed(); });
  }
  bool Fired() const { return firedAtMs_ >= 0; }
  qint64 LateByMs() const { return firedAtMs_ - delayMs_; }
  qint64 FiredAtMs() const { return firedAtMs_; }

 private:
  QObject context_;  // cancels the timer if the probe goes first
  QElapsedTimer posted_;
  int delayMs_;
  qint64 firedAtMs_ = -1;
};

// The first byte of each frame's answer, -1 for none.
std::vector<int> FirstAnswerBytes(const std::vector<device::Answer>& answers) {
  std::vector<int> bytes;
  bytes.reserve(answers.size());
  for (const device::Answer& answer : answers) {
    bytes.push_back(answer.bytes.empty() ? -1 : answer.bytes.front());
  }
  return bytes;
}

class MisbehavingDeviceWindowTest : public testing::Test {
 protected:
  // The device is made per test, with the misbehaviour it needs.
  ::testing::AssertionResult ConnectTo(const device::DevicePolicy& policy) {
    device = std::make_unique<device::PtyDevice>(policy);
    if (const Result<> started = device->Start(); !started) {
      return ::testing::AssertionFailure() << started.error();
    }
    window.ConnectTo(QString::fromStdString(device->Path()));
    if (!(window.State() == kConnected)) return ::testing::AssertionFailure() << "not connected";
    return ::testing::AssertionSuccess();
  }

  QLineEdit& DbStatus() { return window.Get<QLineEdit>("IDC_DB_STATUS"); }

  // Waits while the device answers nothing: from the arrival of frame
  // `silentFrame` until the DB status shows `finalText`, the timer must keep
  // refreshing at least five times a second and a timer posted meanwhile must
  // fire on time. The field ends showing `finalText`.
  void ExpectResponsiveWaitEndingWith(StatusRefreshProbe& probe, std::size_t silentFrame,
                                      const QString& finalText) {
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return device->FrameCount() > silentFrame; }, kDownloadTimeoutMs));
    const int refreshesBefore = probe.Refreshes();
    QElapsedTimer waiting;
    waiting.start();
    const SingleShotProbe shot(100);
    ASSERT_TRUE(probe.WaitForText(finalText, kDownloadTimeoutMs)) << probe.LastText().toStdString();
    const qint64 waitedMs = waiting.elapsed();
    EXPECT_GE(waitedMs, 800) << "the answer wait lasts about a second";
    // cppcheck-suppress duplicateExpression ; Refreshes() has grown since refreshesBefore
    EXPECT_GE(probe.Refreshes() - refreshesBefore, 5 * waitedMs / 1000) << waitedMs << " ms";
    ASSERT_TRUE(shot.Fired());
    EXPECT_LE(shot.LateByMs(), 150);
    EXPECT_LT(shot.FiredAtMs(), waitedMs) << "it fired while the worker was waiting";
    probe.Stop();
    EXPECT_TRUE(window.WaitForText("IDC_DB_STATUS", finalText, 1000));
  }

  std::unique_ptr<device::PtyDevice> device;
  WindowHarness window;
};

TEST_F(MisbehavingDeviceWindowTest, GarbageAnswerShowsNoAckWithItsFirstByte) {
  device::DevicePolicy policy;
  policy.answerScript[1] = {0x41, 0x7F, 0xFF};
  ASSERT_TRUE(ConnectTo(policy));
  window.Choose(DataFile("db3.csv"), "IDC_SELECT_DB");
  window.Click("IDC_DOWNLOAD_DB");
  StatusRefreshProbe probe(DbStatus());
  QElapsedTimer running;
  running.start();

  const QString noAck = QStringLiteral("ERR: DB no ACK!k = 01, ret = 41, retry = 0");
  ASSERT_TRUE(probe.WaitForText(noAck, kDownloadTimeoutMs)) << probe.LastText().toStdString();
  const qint64 ranMs = running.elapsed();
  EXPECT_GE(probe.Refreshes(), 5 * ranMs / 1000) << ranMs << " ms";
  // Every text the worker held for a tick or longer, in order.
  EXPECT_EQ(probe.Texts(), (QStringList{"Downloading database...", "Writing...33%, 1/3", noAck}));
  probe.Stop();
  EXPECT_TRUE(window.WaitForText("IDC_DB_STATUS", noAck, 1000));

  EXPECT_EQ(IndexesOf(device->Frames()), (std::vector<unsigned>{3, 1}));
  EXPECT_TRUE(window.messages.isEmpty());
}

TEST_F(MisbehavingDeviceWindowTest, DoubleAckCompletesAndTheNextMmiDropsTheLeftoverAck) {
  device::DevicePolicy policy;
  policy.answerScript[1] = {kAckByte, kAckByte};
  policy.nakFrames = {3};  // the MMI frame, after the three DB frames
  ASSERT_TRUE(ConnectTo(policy));
  window.Choose(DataFile("db3.csv"), "IDC_SELECT_DB");
  window.Choose(DataFile("mmi.csv"), "IDC_SELECT_MMI");
  window.Click("IDC_DOWNLOAD_DB");
  ASSERT_TRUE(window.WaitForText("IDC_DB_STATUS", "Completed!", kDownloadTimeoutMs))
      << window.Text("IDC_DB_STATUS").toStdString();

  // No Disconnect between them: the last ACK of the DB is still queued when
  // the MMI download starts; it drops it and reads the device's refusal.
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.Button("IDC_DOWNLOAD_MMI").isEnabled(); }, 1000));
  window.Click("IDC_DOWNLOAD_MMI");
  const QString noAck = QStringLiteral("ERR: MMI no ACK!k = 01, ret = 15, retry = 0");
  ASSERT_TRUE(window.WaitForText("IDC_MMI_STATUS", noAck, kDownloadTimeoutMs))
      << window.Text("IDC_MMI_STATUS").toStdString();
  EXPECT_EQ(window.Text("IDC_DB_STATUS"), "Completed!");

  auto frames = device->Frames();
  ASSERT_EQ(frames.size(), 4u);
  EXPECT_EQ(frames[3].command, 0x8A);
  frames.pop_back();
  EXPECT_EQ(IndexesOf(frames), (std::vector<unsigned>{3, 1, kLast}));
  EXPECT_EQ(FirstAnswerBytes(device->Answers()),
            (std::vector<int>{-1, kAckByte, kAckByte, kNakByte}));
  EXPECT_EQ(device->Answers()[1].bytes, (std::vector<uint8_t>{kAckByte, kAckByte}));
}

TEST_F(MisbehavingDeviceWindowTest, LateAnswerShowsRxTimeoutWhileTheWindowKeepsTicking) {
  device::DevicePolicy policy;
  policy.frameDelays[1] = 1300ms;  // behind the 1010 ms the download waits
  ASSERT_TRUE(ConnectTo(policy));
  window.Choose(DataFile("db3.csv"), "IDC_SELECT_DB");
  window.Click("IDC_DOWNLOAD_DB");
  StatusRefreshProbe probe(DbStatus());

  ExpectResponsiveWaitEndingWith(probe, 1,
                                 QStringLiteral("ERR: DB rx timeout!k = 00, ret = 00, retry = 10"));
  EXPECT_EQ(IndexesOf(device->Frames()), (std::vector<unsigned>{3, 1}));
  // The answer still goes out after the download has given up on it.
  EXPECT_TRUE(QTest::qWaitFor([&] { return device->AnswerBytesSent() == 1; }, 1000));
  EXPECT_TRUE(window.messages.isEmpty());
}

TEST_F(MisbehavingDeviceWindowTest, DeviceSilentMidwayThroughThreeThousandEntriesShowsRxTimeout) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath(QStringLiteral("big-db.csv"));
  {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    QByteArray text = "3000\nheading\n";
    for (int i = 0; i < 3000; ++i)
      text += QByteArray::number(i + 1) + ",E" + QByteArray::number(i) + ",0,0,ENTRY,T,0,0\n";
    ASSERT_EQ(file.write(text), text.size());
  }
  device::DevicePolicy policy;
  policy.silentAfterFrame = 20;  // the first frame and 20 entry frames are answered
  ASSERT_TRUE(ConnectTo(policy));
  window.Choose(path, "IDC_SELECT_DB");
  ASSERT_EQ(window.Text("IDC_DB_STATUS"), "Total entries is 3000");
  window.Click("IDC_DOWNLOAD_DB");
  StatusRefreshProbe probe(DbStatus());

  ExpectResponsiveWaitEndingWith(probe, 21,
                                 QStringLiteral("ERR: DB rx timeout!k = 00, ret = 00, retry = 10"));
  // The progress line the window showed through the wait: 21 of 3000 sent.
  ASSERT_GE(probe.Texts().size(), 2);
  EXPECT_EQ(probe.Texts()[probe.Texts().size() - 2], "Writing...0%, 21/3000");

  const auto frames = device->Frames();
  ASSERT_EQ(frames.size(), 22u);
  EXPECT_EQ(frames[0].command, 0x80);
  EXPECT_EQ(frames[0].indexOrCount, 3000);
  EXPECT_EQ(frames[21].indexOrCount, 21);
  EXPECT_EQ(device->Answers()[20].bytes, std::vector<uint8_t>{kAckByte});
  EXPECT_TRUE(device->Answers()[21].bytes.empty());
}

}  // namespace
}  // namespace brenvik::app::test
