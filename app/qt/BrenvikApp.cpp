#include "app/qt/BrenvikApp.h"

#include "app/Resource.h"
#include "app/qt/AppIcon.h"
#include "app/qt/BrenvikDlg.h"
#include "app/qt/SignalWatcher.h"
#include "res/Version.h"

namespace brenvik::app {

CBrenvikApp::CBrenvikApp(int& argc, char** argv, const CommandLine& commandLine)
    : QApplication(argc, argv),
      m_bTraceFrames(commandLine.traceFrames),
      m_port(commandLine.port),
      m_job(commandLine.job) {
  setApplicationName(QString::fromLatin1(kAppName));
  setApplicationVersion(QString::fromLatin1(kVersion));
  // Lets the desktop match the window to brenvik.desktop for its icon and
  // its place in the dock.
  setDesktopFileName(QString::fromLatin1(kAppName));
  setWindowIcon(AppIcon());
}

int CBrenvikApp::InitInstance() {
  CBrenvikDlg dialog;
  // Told to end (the terminal closed, Ctrl-C, a shutdown), the window closes
  // as the close box would, without asking: the port is released and its
  // exclusive flag cleared, where being killed would leave the flag set.
  const SignalWatcher endOnSignal([&dialog](int) { dialog.CloseWithoutAsking(); });
  dialog.Context().link.SetTrace(m_bTraceFrames);
  if (!m_port.empty()) dialog.ChoosePort(m_port);
  if (!m_job.empty()) dialog.OpenJob(m_job);
  dialog.exec();  // how the window was closed does not matter
  return 0;
}

}  // namespace brenvik::app
