// The Windows main window, driven inside this process through its control
// ids as the operator would: its controls after start, after a port that
// will not open, after files are chosen, and at the end of the session.
// The boxes and the file chooser are the test's own, so nothing waits for a
// person.

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/Resource.h"
#include "app/win32/BrenvikDlg.h"
#include "base/Utf8Win32.h"
#include "download/FileDigest.h"
#include "download/JobFile.h"
#include "files/TempDir.h"

namespace brenvik::app {
namespace {

const std::string kData = BRENVIK_APP_TEST_DATA;

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

constexpr int kControlIds[] = {IDC_PORT,        IDC_DB_PATH,     IDC_DB_STATUS, IDC_SELECT_DB,
                               IDC_DOWNLOAD_DB, IDC_CONNECT,     IDC_MMI_PATH,  IDC_SELECT_MMI,
                               IDC_MMI_STATUS,  IDC_DOWNLOAD_MMI};

// What the window shows: each control's enabled state in id order, the
// caption of Connect and the four fields.
struct Shown {
  std::vector<bool> enabled;
  std::string connect;
  std::string dbPath;
  std::string dbStatus;
  std::string mmiPath;
  std::string mmiStatus;
  bool operator==(const Shown&) const = default;
};

void PrintTo(const Shown& shown, std::ostream* out) {
  *out << "enabled {";
  for (const bool enabled : shown.enabled) *out << enabled;
  *out << "} connect \"" << shown.connect << "\" db \"" << shown.dbPath << "\" \"" << shown.dbStatus
       << "\" mmi \"" << shown.mmiPath << "\" \"" << shown.mmiStatus << "\"";
}

// Port, paths, statuses and Select enabled; Connect too; both downloads not.
const std::vector<bool> kUnconnected = {true, true, true, true, false,
                                        true, true, true, true, false};
// Connected: the port field disabled, both downloads enabled.
const std::vector<bool> kConnected = {false, true, true, true, true, true, true, true, true, true};
// A DB download runs: neither download can start.
const std::vector<bool> kDbRunning = {false, true, true, true, false,
                                      true,  true, true, true, false};
// The DB download ended: its button stays disabled, the MMI one is free again.
const std::vector<bool> kDbRan = {false, true, true, true, false, true, true, true, true, true};

class Win32WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dialog.SetMessageBox([this](const std::string& text) { m_boxes.push_back(text); });
    m_dialog.SetQuestionBox([this](const std::string& text) {
      m_questions.push_back(text);
      return true;
    });
    m_dialog.SetFileChooser([this](DownloadKind) { return m_nextFile; });
    m_dialog.SetPortLister([] { return std::vector<PortInfo>{}; });
    m_window = m_dialog.Create();
    ASSERT_NE(m_window, nullptr);
  }

  HWND Item(int id) const { return GetDlgItem(m_window, id); }

  static std::string TextOf(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return Utf8FromWide(text);
  }

  void Click(int id) { SendMessageW(m_window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

  void TypePort(const wchar_t* port) {
    SendMessageW(Item(IDC_PORT), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SetWindowTextW(Item(IDC_PORT), port);
  }

  void ChooseFile(int selectId, const std::string& path) {
    m_nextFile = path;
    Click(selectId);
  }

  Shown Now() const {
    Shown shown;
    for (const int id : kControlIds) shown.enabled.push_back(IsWindowEnabled(Item(id)) != FALSE);
    shown.connect = TextOf(Item(IDC_CONNECT));
    shown.dbPath = TextOf(Item(IDC_DB_PATH));
    shown.dbStatus = TextOf(Item(IDC_DB_STATUS));
    shown.mmiPath = TextOf(Item(IDC_MMI_PATH));
    shown.mmiStatus = TextOf(Item(IDC_MMI_STATUS));
    return shown;
  }

  CBrenvikDlg m_dialog;
  HWND m_window = nullptr;
  std::vector<std::string> m_boxes;
  std::vector<std::string> m_questions;
  std::string m_nextFile;
};

TEST_F(Win32WindowTest, StartsWithTheTemplatesControlsCom1AndTheAboutEntry) {
  EXPECT_EQ(TextOf(m_window), "Brenvik");
  EXPECT_EQ(Now(), (Shown{kUnconnected, "Connect", "", "", "", ""}));
  EXPECT_EQ(TextOf(Item(IDC_SELECT_DB)), "Select DB File");
  EXPECT_EQ(TextOf(Item(IDC_DOWNLOAD_MMI)), "Download MMI");
  EXPECT_EQ(SendMessageW(Item(IDC_PORT), CB_GETCOUNT, 0, 0), 48);
  EXPECT_EQ(SendMessageW(Item(IDC_PORT), CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(TextOf(Item(IDC_PORT)), "COM1");
  EXPECT_NE(GetWindowLongW(Item(IDC_DB_STATUS), GWL_STYLE) & ES_READONLY, 0);
  EXPECT_EQ(GetWindowLongW(Item(IDC_DB_PATH), GWL_STYLE) & ES_READONLY, 0);

  wchar_t about[64] = {};
  GetMenuStringW(GetSystemMenu(m_window, FALSE), IDM_ABOUTBOX, about, 64, MF_BYCOMMAND);
  EXPECT_EQ(Utf8FromWide(about), "&About Brenvik...");
  EXPECT_NE(SendMessageW(m_window, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(SendMessageW(m_window, WM_GETICON, ICON_SMALL, 0), 0);
  EXPECT_TRUE(m_boxes.empty());
}

struct StepCase {
  const char* what;
  int selectId;  // 0: Connect to COM249, else the Select button pressed
  std::string file;
  Shown shown;
  std::string boxStart;  // how the one box shown starts; empty when none
};

TEST_F(Win32WindowTest, EachStepShowsItsStatusTextAndKeepsTheDownloadsDisabledUnconnected) {
  const std::string db = kData + "/db3.csv";
  const std::string mmi = kData + "/mmi.csv";
  const std::string bad = kData + "/bad_db.csv";
  const StepCase steps[] = {
      {"a port that is not there",
       0,
       "",
       {kUnconnected, "Connect", "", "", "", ""},
       "Failed connecting to COM port.\n"},
      {"a DB file",
       IDC_SELECT_DB,
       db,
       {kUnconnected, "Connect", db, "Total entries is 3", "", ""},
       ""},
      {"an MMI file",
       IDC_SELECT_MMI,
       mmi,
       {kUnconnected, "Connect", db, "Total entries is 3", mmi, "OK"},
       ""},
      {"the DB chooser cancelled",
       IDC_SELECT_DB,
       "",
       {kUnconnected, "Connect", db, "Total entries is 3", mmi, "OK"},
       ""},
      {"a rejected DB file",
       IDC_SELECT_DB,
       bad,
       {kUnconnected, "Connect", bad, "Error: " + bad, mmi, "OK"},
       ""},
      {"the port again, after the files",
       0,
       "",
       {kUnconnected, "Connect", bad, "Error: " + bad, mmi, "OK"},
       "Failed connecting to COM port.\n"},
  };
  for (const StepCase& step : steps) {
    SCOPED_TRACE(step.what);
    m_boxes.clear();
    if (step.selectId == 0) {
      TypePort(L"COM249");
      Click(IDC_CONNECT);
    } else {
      ChooseFile(step.selectId, step.file);
    }
    Shown now = Now();
    // A rejected file's status goes on to say where and why.
    if (now.dbStatus.starts_with(step.shown.dbStatus)) now.dbStatus = step.shown.dbStatus;
    EXPECT_EQ(now, step.shown);
    ASSERT_EQ(m_boxes.size(), step.boxStart.empty() ? 0u : 1u);
    if (!step.boxStart.empty()) {
      EXPECT_TRUE(m_boxes[0].starts_with(step.boxStart)) << m_boxes[0];
      // The cause follows on its own line.
      EXPECT_GT(m_boxes[0].size(), step.boxStart.size()) << m_boxes[0];
    }
  }
}

// A job whose file changed leaves the window as it was; a good one shows
// its files and name and locks the Select buttons.
TEST_F(Win32WindowTest, JobShowsItsFilesAndNameAndLocksTheSelectButtonsOrSaysWhyNot) {
  test::TempDir dir;
  const std::string db = dir.Write("db3.csv", ReadWholeFile(kData + "/db3.csv"));
  const std::string mmi = dir.Write("mmi.csv", ReadWholeFile(kData + "/mmi.csv"));
  const std::string jobPath = dir.Path("line.job");
  const Job job{"line 4",
                "2026-12-08T14:00:00+01:00",
                "1.0",
                {ApprovedEntry(jobPath, DownloadKind::Db, db, *DigestFile(db), 3, 0),
                 ApprovedEntry(jobPath, DownloadKind::Mmi, mmi, *DigestFile(mmi), 1, 0)},
                {}};
  ASSERT_TRUE(WriteJob(jobPath, job));

  dir.Write("mmi.csv", "s1,1\ns2,1\ns3,1\ns4,1\ns5,1\nt1,A,\nt2,B,\nt3,C,\n");
  m_dialog.OpenJob(jobPath);
  EXPECT_EQ(m_boxes,
            std::vector<std::string>{mmi + " does not match the job " + jobPath + ": SHA-256 " +
                                     DigestFile(mmi)->substr(0, 12) + ", the job's 70fa977e90f0"});
  EXPECT_EQ(TextOf(m_window), "Brenvik");
  EXPECT_EQ(Now(), (Shown{kUnconnected, "Connect", "", "", "", ""}));

  m_boxes.clear();
  dir.Write("mmi.csv", ReadWholeFile(kData + "/mmi.csv"));
  m_dialog.OpenJob(jobPath);
  EXPECT_TRUE(m_boxes.empty()) << m_boxes[0];
  EXPECT_EQ(TextOf(m_window), "Brenvik - line 4");
  const std::vector<bool> locked = {true, true, true, false, false, true, true, false, true, false};
  EXPECT_EQ(Now(), (Shown{locked, "Connect", db, "Total entries is 3", mmi, "OK"}));
}

TEST_F(Win32WindowTest, TheEndOfTheSessionIsAgreedToAndClosesTheWindow) {
  EXPECT_EQ(SendMessageW(m_window, WM_QUERYENDSESSION, 0, 0), TRUE);
  EXPECT_TRUE(IsWindowVisible(m_window));
  SendMessageW(m_window, WM_ENDSESSION, TRUE, 0);
  EXPECT_FALSE(IsWindowVisible(m_window));
  EXPECT_TRUE(m_boxes.empty());
}

// On wine, against the Linux simulated device behind the COM port that
// BRENVIK_WINE_DEVICE_COM names (a fixture of ctest); skipped without one.
TEST_F(Win32WindowTest, ADbDownloadOnAComPortShowsItsStatusOnTheTimerAndEndsCompleted) {
  const char* com = std::getenv("BRENVIK_WINE_DEVICE_COM");
  if (com == nullptr) GTEST_SKIP() << "no device behind a COM port";
  m_dialog.Context().link.SetTrace(false);
  const std::string db = kData + "/db3.csv";

  TypePort(WideFromUtf8(com).c_str());
  Click(IDC_CONNECT);
  ASSERT_TRUE(m_boxes.empty()) << m_boxes[0];
  EXPECT_EQ(Now(), (Shown{kConnected, "&Disconn...", "", "", "", ""}));
  ChooseFile(IDC_SELECT_DB, db);
  Click(IDC_DOWNLOAD_DB);
  EXPECT_EQ(Now().enabled, kDbRunning);

  // The status field changes only on the window's timer, so messages are
  // dispatched until the final text arrives.
  bool sawWriting = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (Now().dbStatus != "Completed!" && std::chrono::steady_clock::now() < deadline) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    sawWriting = sawWriting || Now().dbStatus.starts_with("Writing...");
    Sleep(10);
  }
  EXPECT_TRUE(sawWriting);
  EXPECT_EQ(Now(), (Shown{kDbRan, "&Disconn...", db, "Completed!", "", ""}));

  Click(IDC_CONNECT);
  EXPECT_EQ(Now(), (Shown{kUnconnected, "&Connect", db, "", "", ""}));

  // The Windows session ends in the middle of a download: it is stopped
  // without a question and the window goes.
  Click(IDC_CONNECT);
  Click(IDC_DOWNLOAD_DB);
  ASSERT_TRUE(m_dialog.Context().downloadRunning.load());
  EXPECT_EQ(SendMessageW(m_window, WM_QUERYENDSESSION, 0, 0), TRUE);
  SendMessageW(m_window, WM_ENDSESSION, TRUE, 0);
  EXPECT_FALSE(m_dialog.Context().downloadRunning.load());
  EXPECT_FALSE(IsWindowVisible(m_window));
  EXPECT_TRUE(m_questions.empty());
  EXPECT_TRUE(m_boxes.empty());
}

}  // namespace
}  // namespace brenvik::app
