#include "app/BrenvikApp.h"

#include "app/AppIcon.h"
#include "app/BrenvikDlg.h"
#include "app/Resource.h"

namespace brenvik::app {

CBrenvikApp::CBrenvikApp(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QString::fromLatin1(kAppName));
  setApplicationVersion(QStringLiteral("1.0"));
  setWindowIcon(AppIcon());
}

int CBrenvikApp::InitInstance() {
  CBrenvikDlg dialog;
  dialog.exec();  // how the window was closed does not matter
  return 0;
}

}  // namespace brenvik::app
