// Takes the picture of the main window for docs/screenshot.png: the window as
// scripts/demo opens it, the simulated device's pseudo-terminal chosen with
// --port and connected, the demo's two sample files chosen by the paths its
// instructions give, after a completed DB download. Run it on a display, for
// instance:
//   app=build/default/tests/app/qt/app_screenshot
//   xvfb-run -a -s "-screen 0 800x600x24" "$app" docs/screenshot.png

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <cstdio>

#include "app/qt/AboutDlg.h"
#include "app/qt/BrenvikDlg.h"
#include "tools/device/PtyDevice.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: app_screenshot OUT.png [ABOUT.png]\n");
    return 2;
  }
  brenvik::device::PtyDevice device;
  if (const brenvik::Result<> started = device.Start(); !started) {
    std::fprintf(stderr, "app_screenshot: %s\n", started.error().c_str());
    return 1;
  }

  brenvik::app::CBrenvikDlg dialog;
  QString nextFile;
  dialog.SetFileChooser([&nextFile](const QString&) { return nextFile; });
  dialog.SetMessageBox([](const QString& text) {
    std::fprintf(stderr, "app_screenshot: box \"%s\"\n", text.toLocal8Bit().constData());
  });
  dialog.show();
  if (!QTest::qWaitForWindowExposed(&dialog)) return 1;

  const auto find = [&dialog](const char* name) { return dialog.findChild<QWidget*>(name); };
  dialog.ChoosePort(device.Path());
  static_cast<QPushButton*>(find("IDC_CONNECT"))->click();
  // The demo runs in the top of the tree; its files are named from there.
  QDir::setCurrent(QStringLiteral(BRENVIK_SOURCE_DIR));
  nextFile = QStringLiteral("tests/data/files/sample-db.csv");
  static_cast<QPushButton*>(find("IDC_SELECT_DB"))->click();
  nextFile = QStringLiteral("tests/data/files/sample-mmi.csv");
  static_cast<QPushButton*>(find("IDC_SELECT_MMI"))->click();
  static_cast<QPushButton*>(find("IDC_DOWNLOAD_DB"))->click();
  auto* status = static_cast<QLineEdit*>(find("IDC_DB_STATUS"));
  if (!QTest::qWaitFor([status] { return status->text() == "Completed!"; }, 15000)) {
    std::fprintf(stderr, "app_screenshot: no \"Completed!\" (%s)\n",
                 status->text().toLocal8Bit().constData());
    return 1;
  }
  QTest::qWait(300);
  // Focus on the port field as after start-up, not on the last button pressed.
  find("IDC_PORT")->setFocus();
  QTest::qWait(100);
  if (!dialog.grab().save(QString::fromLocal8Bit(argv[1]))) return 1;

  if (argc > 2) {
    brenvik::app::CAboutDlg about;
    about.show();
    if (!QTest::qWaitForWindowExposed(&about)) return 1;
    QTest::qWait(100);
    if (!about.grab().save(QString::fromLocal8Bit(argv[2]))) return 1;
  }
  std::fprintf(stderr, "app_screenshot: font %s %.1fpt\n",
               dialog.font().family().toLocal8Bit().constData(), dialog.font().pointSizeF());
  return 0;
}
