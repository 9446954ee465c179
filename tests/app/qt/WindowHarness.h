#pragma once

// Drives the real main window off screen: its file chooser and message box
// are replaced, so a test decides which file is "chosen" and reads the texts
// the operator would have seen.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <functional>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/qt/BrenvikDlg.h"

namespace brenvik::app::test {

inline QString DataFile(const char* name) {
  return QString::fromUtf8(BRENVIK_APP_TEST_DATA) + QLatin1Char('/') + QString::fromUtf8(name);
}

struct WindowHarness {
  WindowHarness() : dialog(std::make_unique<CBrenvikDlg>()) {
    dialog->SetMessageBox([this](const QString& text) {
      messages << text;
      boxesOffUiThread += QThread::currentThread() != qApp->thread() ? 1 : 0;
    });
    dialog->SetPortLister([this] { return ports; });
    dialog->SetQuestionBox([this](const QString& text) {
      questions << text;
      return answerYes;
    });
    dialog->SetFileChooser([this](const QString& nameFilters) {
      filtersOffered << nameFilters;
      return nextFile;
    });
  }

  template <typename Control>
  Control& Get(const char* name) {
    auto* control = dialog->findChild<Control*>(QString::fromLatin1(name));
    if (control == nullptr) throw std::runtime_error(std::string("no control ") + name);
    return *control;
  }
  QComboBox& Port() { return Get<QComboBox>("IDC_PORT"); }
  QPushButton& Button(const char* name) { return Get<QPushButton>(name); }
  QString Text(const char* editName) { return Get<QLineEdit>(editName).text(); }

  void Click(const char* buttonName) { QTest::mouseClick(&Button(buttonName), Qt::LeftButton); }

  // Types a port into the field and presses Connect.
  void ConnectTo(const QString& port) {
    Port().setEditText(port);
    Click("IDC_CONNECT");
  }
  void Choose(const QString& path, const char* selectButton) {
    nextFile = path;
    Click(selectButton);
  }
  bool WaitForText(const char* editName, const QString& text, int timeoutMs) {
    return QTest::qWaitFor([&] { return Text(editName) == text; }, timeoutMs);
  }
  bool WaitForTextStarting(const char* editName, const QString& prefix, int timeoutMs) {
    return QTest::qWaitFor([&] { return Text(editName).startsWith(prefix); }, timeoutMs);
  }

  // The state-table columns: IDC_PORT, IDC_DOWNLOAD_DB, IDC_DOWNLOAD_MMI enabled, Connect caption.
  struct ControlState {
    bool port;
    bool downloadDb;
    bool downloadMmi;
    QString connectCaption;
    bool operator==(const ControlState&) const = default;
  };
  ControlState State() {
    return {Port().isEnabled(), Button("IDC_DOWNLOAD_DB").isEnabled(),
            Button("IDC_DOWNLOAD_MMI").isEnabled(), Button("IDC_CONNECT").text()};
  }

  std::unique_ptr<CBrenvikDlg> dialog;
  QStringList messages;
  QStringList questions;
  bool answerYes = true;        // what the question box answers
  std::vector<PortInfo> ports;  // what the port lister finds
  int boxesOffUiThread = 0;
  QStringList filtersOffered;
  QString nextFile;  // what the file chooser answers; empty: cancelled
};

inline void PrintTo(const WindowHarness::ControlState& s, std::ostream* os) {
  *os << "{port " << s.port << ", db " << s.downloadDb << ", mmi " << s.downloadMmi << ", \""
      << s.connectCaption.toStdString() << "\"}";
}

inline const WindowHarness::ControlState kWindowShown{true, false, false, "Connect"};
inline const WindowHarness::ControlState kConnected{false, true, true, "&Disconn..."};
inline const WindowHarness::ControlState kDisconnected{true, false, false, "&Connect"};

// Runs action and closes the first modal window that opens meanwhile;
// returns that window's class name, empty when none opened.
inline QString ModalWindowOpenedBy(const std::function<void()>& action) {
  QString seen;
  QTimer watcher;
  watcher.setInterval(10);
  QObject::connect(&watcher, &QTimer::timeout, [&seen] {
    if (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr && seen.isEmpty()) {
      seen = QString::fromLatin1(modal->metaObject()->className());
      modal->close();
    }
  });
  watcher.start();
  action();
  watcher.stop();
  return seen;
}

}  // namespace brenvik::app::test
