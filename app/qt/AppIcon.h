#pragma once

#include <QFont>
#include <QIcon>
#include <QPixmap>

namespace brenvik::app {

// The program's icon in its three sizes (16, 32 and 48 pixels).
QIcon AppIcon();
// The 100 x 55 logo of the main window.
QPixmap AppLogo();
// The font both dialogs are laid out in: the desktop's dialog font.
QFont DialogFont();

}  // namespace brenvik::app
