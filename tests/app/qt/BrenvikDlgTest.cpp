// The main window without a download: its controls, the port field, Connect
// and Disconnect, the file selections and the keys that close it.

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "WindowHarness.h"
#include "app/qt/DialogUnits.h"
#include "download/FileDigest.h"
#include "download/JobFile.h"
#include "files/DbFileReader.h"
#include "tools/device/PtyDevice.h"

namespace brenvik::app::test {
namespace {

struct ControlRow {
  const char* name;
  int id;
  const char* kind;
  const char* text;
  bool enabled;
  QRect dlu;  // x, y, width, height in dialog units
};

const std::vector<ControlRow> kControls = {
    {"IDC_PORT", 1001, "QComboBox", "COM1", true, {169, 7, 52, 14}},
    {"IDC_DB_PATH", 1002, "QLineEdit", "", true, {35, 43, 131, 15}},
    {"IDC_DB_STATUS", 1003, "QLineEdit", "", true, {35, 59, 131, 14}},
    {"IDC_SELECT_DB", 1004, "QPushButton", "Select DB File", true, {169, 43, 54, 14}},
    {"IDC_DOWNLOAD_DB", 1005, "QPushButton", "Download DB", false, {170, 59, 53, 14}},
    {"IDC_CONNECT", 1006, "QPushButton", "Connect", true, {169, 23, 53, 14}},
    {"IDC_MMI_PATH", 1007, "QLineEdit", "", true, {35, 75, 131, 15}},
    {"IDC_SELECT_MMI", 1008, "QPushButton", "Select MMI File", true, {169, 75, 53, 14}},
    {"IDC_MMI_STATUS", 1009, "QLineEdit", "", true, {35, 94, 131, 14}},
    {"IDC_DOWNLOAD_MMI", 1010, "QPushButton", "Download MMI", false, {170, 94, 52, 14}},
};

QString TextOf(QWidget& control) {
  if (auto* combo = qobject_cast<QComboBox*>(&control)) return combo->currentText();
  if (auto* edit = qobject_cast<QLineEdit*>(&control)) return edit->text();
  if (auto* button = qobject_cast<QPushButton*>(&control)) return button->text();
  return {};
}

TEST(BrenvikDlgTest, ControlsCarryTheirIdsTextsStatesAndProportionalPlaces) {
  WindowHarness window;
  CBrenvikDlg& dialog = *window.dialog;
  EXPECT_EQ(dialog.windowTitle(), "Brenvik");
  EXPECT_FALSE(dialog.windowIcon().isNull());
  // Pixels per dialog unit, taken from the window's 231 x 124 units.
  const double perX = dialog.width() / 231.0;
  const double perY = dialog.height() / 124.0;

  for (const ControlRow& row : kControls) {
    SCOPED_TRACE(row.name);
    auto& control = window.Get<QWidget>(row.name);
    EXPECT_EQ(control.property("controlId").toInt(), row.id);
    EXPECT_TRUE(control.inherits(row.kind));
    EXPECT_EQ(TextOf(control), row.text);
    EXPECT_EQ(control.isEnabled(), row.enabled);
    EXPECT_NEAR(control.x(), row.dlu.x() * perX, 1.5);
    EXPECT_NEAR(control.y(), row.dlu.y() * perY, 1.5);
    EXPECT_NEAR(control.width(), row.dlu.width() * perX, 1.5);
    EXPECT_NEAR(control.height(), row.dlu.height() * perY, 1.5);
  }
  EXPECT_TRUE(window.Get<QLineEdit>("IDC_DB_STATUS").isReadOnly());
  EXPECT_TRUE(window.Get<QLineEdit>("IDC_MMI_STATUS").isReadOnly());
  EXPECT_FALSE(window.Get<QLineEdit>("IDC_DB_PATH").isReadOnly());

  QStringList labels;
  for (QLabel* label : dialog.findChildren<QLabel*>()) {
    if (!label->text().isEmpty()) labels << label->text();
  }
  labels.sort();
  EXPECT_EQ(labels, QStringList({"File:", "File:", "Port:", "Status:", "Status:"}));
}

TEST(BrenvikDlgTest, PortListHoldsCom1ToCom48ThenThePortsPresentEachOpeningItsPath) {
  device::PtyDevice device;
  ASSERT_EQ(device.Start().error(), "");
  WindowHarness window;
  QComboBox& port = window.Port();
  EXPECT_TRUE(port.isEditable());
  ASSERT_EQ(port.count(), 48);
  for (int i = 0; i < 48; ++i) EXPECT_EQ(port.itemText(i), QStringLiteral("COM%1").arg(i + 1));
  EXPECT_EQ(port.currentIndex(), 0);
  EXPECT_EQ(port.currentText(), "COM1");

  // An adapter plugged in after start-up shows once the list drops down.
  PortInfo adapter;
  adapter.path = device.Path();
  adapter.product = "FT232R USB UART";
  adapter.serialNumber = "A10K3XYZ";
  window.ports = {adapter};
  port.showPopup();
  port.hidePopup();
  ASSERT_EQ(port.count(), 49);
  const QString label = QString::fromStdString(PortLabel(adapter));
  EXPECT_EQ(port.itemText(48), label);
  EXPECT_EQ(port.currentText(), "COM1");
  EXPECT_GT(port.view()->minimumWidth(), port.fontMetrics().horizontalAdvance(label));

  port.setCurrentIndex(48);
  window.Click("IDC_CONNECT");
  EXPECT_TRUE(window.messages.isEmpty()) << window.messages.join("|").toStdString();
  EXPECT_EQ(window.State(), kConnected);
}

TEST(BrenvikDlgTest, TabOrderRunsThroughTheControlsInIdOrder) {
  WindowHarness window;
  QStringList order;
  QWidget* widget = &window.Port();
  do {
    if (widget->objectName().startsWith("IDC_") && (widget->focusPolicy() & Qt::TabFocus)) {
      order << widget->objectName();
    }
    widget = widget->nextInFocusChain();
  } while (widget != &window.Port());
  QStringList expected;
  for (const ControlRow& row : kControls) expected << row.name;
  EXPECT_EQ(order, expected);
}

// Linux fonts run wider than the layout's 8-point font: at every size every
// caption must fit inside its button's frame, every label inside its place.
TEST(BrenvikDlgTest, EveryCaptionFitsItsControlAtEveryFontSize) {
  WindowHarness window;
  CBrenvikDlg& dialog = *window.dialog;
  for (int pointSize : {7, 9, 11, 14, 20}) {
    SCOPED_TRACE(pointSize);
    QFont font = dialog.font();
    font.setPointSize(pointSize);
    dialog.setFont(font);
    const QFontMetrics metrics(font);

    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
      QStyleOptionButton option;
      option.initFrom(button);
      option.rect = button->rect();
      const QRect contents =
          dialog.style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
      QStringList captions{button->text()};
      if (button->objectName() == "IDC_CONNECT") captions += {"&Disconn...", "&Connect"};
      for (const QString& caption : captions) {
        EXPECT_LE(metrics.size(Qt::TextShowMnemonic, caption).width(), contents.width())
            << caption.toStdString();
      }
    }
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
      if (label->text().isEmpty()) continue;
      EXPECT_LE(metrics.horizontalAdvance(label->text()), label->width())
          << label->text().toStdString();
      EXPECT_LE(metrics.height(), label->height() + 1) << label->text().toStdString();
    }
  }
}

TEST(BrenvikDlgTest, NoButtonIsADefaultButton) {
  WindowHarness window;
  for (QPushButton* button : window.dialog->findChildren<QPushButton*>()) {
    EXPECT_FALSE(button->isDefault()) << button->objectName().toStdString();
    EXPECT_FALSE(button->autoDefault()) << button->objectName().toStdString();
  }
}

struct ConnectFailure {
  const char* port;
  const char* cause;  // the box's second line
};

class ConnectFailureTest : public testing::TestWithParam<ConnectFailure> {};

TEST_P(ConnectFailureTest, ShowsTheFailureWithItsCauseAndChangesNothing) {
  WindowHarness window;
  window.ConnectTo(QString::fromLatin1(GetParam().port));
  EXPECT_EQ(window.messages,
            QStringList{QStringLiteral("Failed connecting to COM port.\n") + GetParam().cause});
  EXPECT_EQ(window.State(), kWindowShown);
}

INSTANTIATE_TEST_SUITE_P(
    Ports, ConnectFailureTest,
    testing::Values(ConnectFailure{"/dev/brenvik-no-such-port",
                                   "/dev/brenvik-no-such-port: no such device; check that the "
                                   "adapter is plugged in and the name is right"},
                    ConnectFailure{"COM0",
                                   "COM0 is not a port; give COM1 or above, a device "
                                   "path such as /dev/ttyUSB0, or a name from "
                                   "/dev/serial/by-id"},
                    ConnectFailure{"", "no port given"}));

TEST(BrenvikDlgTest, ConnectAndDisconnectFollowTheControlStateTable) {
  device::PtyDevice device;
  ASSERT_EQ(device.Start().error(), "");
  WindowHarness window;
  EXPECT_EQ(window.State(), kWindowShown);

  window.ConnectTo(QString::fromStdString(device.Path()));
  EXPECT_TRUE(window.messages.isEmpty());
  EXPECT_EQ(window.State(), kConnected);

  window.Click("IDC_CONNECT");
  EXPECT_EQ(window.State(), kDisconnected);

  window.Click("IDC_CONNECT");  // the same port again: the close released it
  EXPECT_EQ(window.State(), kConnected);
  EXPECT_TRUE(window.messages.isEmpty());
}

TEST(BrenvikDlgTest, SelectedFilesShowTheirPathAndEntryCountOrOk) {
  WindowHarness window;
  window.Choose(DataFile("db20.csv"), "IDC_SELECT_DB");
  EXPECT_EQ(window.Text("IDC_DB_PATH"), DataFile("db20.csv"));
  EXPECT_EQ(window.Text("IDC_DB_STATUS"), "Total entries is 20");

  window.Choose(DataFile("mmi.csv"), "IDC_SELECT_MMI");
  EXPECT_EQ(window.Text("IDC_MMI_PATH"), DataFile("mmi.csv"));
  EXPECT_EQ(window.Text("IDC_MMI_STATUS"), "OK");

  // The chooser offers the file kind first, all files besides.
  EXPECT_EQ(window.filtersOffered, QStringList({"DB files (*db*.csv);;All files (*)",
                                                "MMI files (*mmi*.csv);;All files (*)"}));
  EXPECT_TRUE(window.messages.isEmpty());
}

// The job's files in a folder of their own, as a line keeps them; `mmiText`
// replaces the MMI file after the job was made, when not empty.
QString WriteJob(const QTemporaryDir& dir, const QByteArray& mmiText = {}) {
  const QString db = dir.filePath("db20.csv");
  const QString mmi = dir.filePath("mmi.csv");
  QFile::copy(DataFile("db20.csv"), db);
  QFile::copy(DataFile("mmi.csv"), mmi);
  const std::string jobPath = dir.filePath("line.job").toStdString();
  Job job{"line 4", "2026-12-08T14:00:00+01:00", "1.0", {}, {}};
  for (const auto& [kind, path] : {std::pair{DownloadKind::Db, db}, {DownloadKind::Mmi, mmi}}) {
    job.files.push_back(
        ApprovedEntry(jobPath, kind, path.toStdString(), *DigestFile(path.toStdString()), 0, 0));
  }
  EXPECT_TRUE(WriteJob(jobPath, job));
  if (!mmiText.isEmpty()) {
    QFile changed(mmi);
    EXPECT_TRUE(changed.open(QIODevice::WriteOnly | QIODevice::Truncate));
    changed.write(mmiText);
  }
  return QString::fromStdString(jobPath);
}

TEST(BrenvikDlgTest, JobShowsItsFilesAndNameAndLocksTheSelectButtonsOrSaysWhyNot) {
  QTemporaryDir dir;
  const QString changedJob = WriteJob(dir, "s1,1\ns2,1\ns3,1\ns4,1\ns5,1\nt1,A,\nt2,B,\nt3,C,\n");
  const QString mmiSha = QString::fromStdString(*DigestFile(dir.filePath("mmi.csv").toStdString()));
  QTemporaryDir goodDir;
  const QString job = WriteJob(goodDir);
  const QString missing = goodDir.filePath("no-such.job");
  const struct {
    QString job;
    QString box;  // empty: the job opened
  } cases[] = {
      {job, {}},
      {changedJob, dir.filePath("mmi.csv") + " does not match the job " + changedJob +
                       ": SHA-256 " + mmiSha.left(12) + ", the job's 70fa977e90f0"},
      {missing, missing + ": No such file or directory"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.job.toStdString());
    WindowHarness window;
    window.dialog->OpenJob(c.job.toStdString());
    const bool opened = c.box.isEmpty();
    EXPECT_EQ(window.messages, opened ? QStringList() : QStringList{c.box});
    EXPECT_EQ(window.dialog->windowTitle(), opened ? "Brenvik - line 4" : "Brenvik");
    EXPECT_EQ(window.Text("IDC_DB_PATH"), opened ? goodDir.filePath("db20.csv") : "");
    EXPECT_EQ(window.Text("IDC_DB_STATUS"), opened ? "Total entries is 20" : "");
    EXPECT_EQ(window.Text("IDC_MMI_PATH"), opened ? goodDir.filePath("mmi.csv") : "");
    EXPECT_EQ(window.Text("IDC_MMI_STATUS"), opened ? "OK" : "");
    EXPECT_EQ(window.Button("IDC_SELECT_DB").isEnabled(), !opened);
    EXPECT_EQ(window.Button("IDC_SELECT_MMI").isEnabled(), !opened);
    EXPECT_EQ(window.State(), kWindowShown);
  }
  // The job's files count as selected: Download sends them.
  device::PtyDevice device;
  ASSERT_EQ(device.Start().error(), "");
  WindowHarness window;
  window.dialog->OpenJob(job.toStdString());
  window.ConnectTo(QString::fromStdString(device.Path()));
  window.Click("IDC_DOWNLOAD_MMI");
  EXPECT_TRUE(window.WaitForText("IDC_MMI_STATUS", "Completed!", 5000));
  EXPECT_TRUE(window.messages.isEmpty()) << window.messages.join('\n').toStdString();
}

TEST(BrenvikDlgTest, CancelledSelectionMakesDownloadAnswerFileNotSelected) {
  device::PtyDevice device;
  ASSERT_EQ(device.Start().error(), "");
  WindowHarness window;
  window.ConnectTo(QString::fromStdString(device.Path()));
  window.Choose(DataFile("db20.csv"), "IDC_SELECT_DB");
  window.Choose(DataFile("mmi.csv"), "IDC_SELECT_MMI");
  window.Choose(QString(), "IDC_SELECT_DB");
  window.Choose(QString(), "IDC_SELECT_MMI");

  window.Click("IDC_DOWNLOAD_DB");
  window.Click("IDC_DOWNLOAD_MMI");
  EXPECT_EQ(window.messages, QStringList({"File not selected!", "File not selected!"}));
  EXPECT_EQ(window.State(), kConnected);
  QTest::qWait(50);
  EXPECT_EQ(device.FrameCount(), 0u);
}

TEST(BrenvikDlgTest, RejectedFileShowsTheReadersErrorAndIsNotSelected) {
  device::PtyDevice device;
  ASSERT_EQ(device.Start().error(), "");
  WindowHarness window;
  window.ConnectTo(QString::fromStdString(device.Path()));
  window.Choose(DataFile("db20.csv"), "IDC_SELECT_DB");

  const QString bad = DataFile("bad_db.csv");
  DbTable scratch{};
  const Result<FileWarnings> expected = ReadDbFile(scratch, QFile::encodeName(bad).constData());
  ASSERT_FALSE(expected.ok());
  window.Choose(bad, "IDC_SELECT_DB");
  EXPECT_EQ(window.Text("IDC_DB_STATUS"), "Error: " + QString::fromStdString(expected.error()));

  const QString missing = DataFile("no-such-mmi.csv");
  window.Choose(missing, "IDC_SELECT_MMI");
  EXPECT_TRUE(window.Text("IDC_MMI_STATUS").startsWith("Error: "));
  EXPECT_TRUE(window.Text("IDC_MMI_STATUS").contains("no-such-mmi.csv"));

  window.Click("IDC_DOWNLOAD_DB");
  window.Click("IDC_DOWNLOAD_MMI");
  EXPECT_EQ(window.messages, QStringList({"File not selected!", "File not selected!"}));
  QTest::qWait(50);
  EXPECT_EQ(device.FrameCount(), 0u);
}

TEST(BrenvikDlgTest, WarningsOfASelectedFileShowInOneBoxBehindTheUnchangedStatus) {
  QTemporaryDir dir;
  const QString db = dir.filePath("warned-db.csv");
  const QString mmi = dir.filePath("warned-mmi.csv");
  QFile dbFile(db);
  ASSERT_TRUE(dbFile.open(QIODevice::WriteOnly));
  // 5 characters of tail on 22 of 50 lines: under half, so each is said.
  dbFile.write("50\nh\n");
  for (int i = 0; i < 50; ++i) dbFile.write(i < 22 ? "1,C,0,0,L,TAILS,0,0\n" : "1,C,0,0,L,T,0,0\n");
  dbFile.close();
  QFile mmiFile(mmi);
  ASSERT_TRUE(mmiFile.open(QIODevice::WriteOnly));
  mmiFile.write("s1,12\ns2,0\ns3,0\ns4,0\ns5,0\nt1,A,\nt2,B,\nt3,C,\n");
  mmiFile.close();

  WindowHarness window;
  testing::internal::CaptureStderr();
  window.Choose(db, "IDC_SELECT_DB");
  EXPECT_EQ(window.Text("IDC_DB_STATUS"), "Total entries is 50");
  window.Choose(mmi, "IDC_SELECT_MMI");
  EXPECT_EQ(window.Text("IDC_MMI_STATUS"), "OK");
  // Standard error gets every warning, one line each, in the order read.
  std::string printed;
  for (int line = 3; line < 25; ++line) {
    printed += db.toStdString() + ":" + std::to_string(line) +
               ": field 6 (tailText) has 5 characters, more than the 4 that reach the device "
               "whole: it gets \"TAILS\" without its terminating zero\n";
  }
  printed += mmi.toStdString() +
             ":1: field 2 (setting 1) \"12\" is not a single digit: the device gets 1\n";
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find(printed), std::string::npos) << err;

  ASSERT_EQ(window.messages.size(), 2);
  const QStringList dbLines = window.messages[0].split('\n');
  ASSERT_EQ(dbLines.size(), 22);
  EXPECT_EQ(dbLines[0], db + " was read with 22 warnings:");
  EXPECT_EQ(dbLines[1],
            "line 3: field 6 (tailText) has 5 characters, more than the 4 that "
            "reach the device whole: it gets \"TAILS\" without its terminating zero");
  EXPECT_TRUE(dbLines[20].startsWith("line 22: "));
  EXPECT_EQ(dbLines[21], "and 2 more");
  EXPECT_EQ(window.messages[1], mmi +
                                    " was read with 1 warning:\nline 1: field 2 (setting 1) "
                                    "\"12\" is not a single digit: the device gets 1");
}

// Escape ends the run like the close box; Enter ends it unless a push button
// has the focus, which Enter then presses, or the port field, where it
// presses Connect.
enum class KeyEffect { Closes, AsksForDbFile, TriesToConnect };

struct KeyCase {
  const char* focus;
  Qt::Key key;
  KeyEffect effect;
};

void PrintTo(const KeyCase& c, std::ostream* os) {
  *os << c.focus << " key " << QKeySequence(c.key).toString().toStdString();
}

class WindowKeyTest : public testing::TestWithParam<KeyCase> {};

TEST_P(WindowKeyTest, EscapeClosesEnterClosesOrPressesTheFocusedButton) {
  WindowHarness window;
  window.Port().setEditText("/dev/brenvik-no-such-port");
  window.dialog->show();
  auto& focus = window.Get<QWidget>(GetParam().focus);
  focus.setFocus();
  QWidget* target = &focus;
  if (auto* combo = qobject_cast<QComboBox*>(&focus)) target = combo->lineEdit();
  QTest::keyClick(target, GetParam().key);

  const KeyEffect effect = GetParam().effect;
  EXPECT_EQ(window.dialog->isVisible(), effect != KeyEffect::Closes);
  if (GetParam().key == Qt::Key_Escape) {
    EXPECT_EQ(window.dialog->result(), QDialog::Rejected);
  }
  EXPECT_EQ(window.filtersOffered.size(), effect == KeyEffect::AsksForDbFile ? 1 : 0);
  EXPECT_EQ(window.messages.size(), effect == KeyEffect::TriesToConnect ? 1 : 0);
  EXPECT_TRUE(window.questions.isEmpty()) << "no download runs, so nothing is asked";
}

INSTANTIATE_TEST_SUITE_P(
    Keys, WindowKeyTest,
    testing::Values(KeyCase{"IDC_PORT", Qt::Key_Escape, KeyEffect::Closes},
                    KeyCase{"IDC_SELECT_DB", Qt::Key_Escape, KeyEffect::Closes},
                    KeyCase{"IDC_PORT", Qt::Key_Return, KeyEffect::TriesToConnect},
                    KeyCase{"IDC_DB_PATH", Qt::Key_Return, KeyEffect::Closes},
                    KeyCase{"IDC_MMI_STATUS", Qt::Key_Enter, KeyEffect::Closes},
                    KeyCase{"IDC_SELECT_DB", Qt::Key_Return, KeyEffect::AsksForDbFile},
                    KeyCase{"IDC_CONNECT", Qt::Key_Return, KeyEffect::TriesToConnect}));

}  // namespace
}  // namespace brenvik::app::test
