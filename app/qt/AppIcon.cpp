#include "app/qt/AppIcon.h"

#include <QApplication>

// The resources live in a static library: they are registered by name before
// their first use, or the linker may drop them.
static void RegisterArt() { Q_INIT_RESOURCE(brenvik); }

namespace brenvik::app {

QIcon AppIcon() {
  RegisterArt();
  QIcon icon;
  icon.addFile(QStringLiteral(":/res/icon16.png"), QSize(16, 16));
  icon.addFile(QStringLiteral(":/res/icon32.png"), QSize(32, 32));
  icon.addFile(QStringLiteral(":/res/icon48.png"), QSize(48, 48));
  return icon;
}

QPixmap AppLogo() {
  RegisterArt();
  return QPixmap(QStringLiteral(":/res/logo.png"));
}

QFont DialogFont() { return QApplication::font(); }

}  // namespace brenvik::app
