#include "app/qt/AboutDlg.h"

#include <QEvent>
#include <QStyle>

#include "app/Resource.h"
#include "app/qt/AppIcon.h"
#include "app/qt/DialogUnits.h"

namespace brenvik::app {

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent), m_icon(this), m_version(this), m_note(this), m_btnOk(this) {
  setWindowTitle(QStringLiteral("About Brenvik"));
  setWindowIcon(AppIcon());
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFont(DialogFont());

  m_icon.setAlignment(Qt::AlignCenter);
  // Shown as written: no character of the name is taken as a mnemonic.
  m_version.setTextFormat(Qt::PlainText);
  m_version.setText(QStringLiteral("Brenvik Version 1.0"));
  m_note.setText(QStringLiteral("Serial loader for DB and MMI data"));
  m_btnOk.setText(QStringLiteral("OK"));
  m_btnOk.setObjectName(QStringLiteral("IDOK"));
  m_btnOk.setProperty("controlId", IDOK);
  m_btnOk.setDefault(true);
  connect(&m_btnOk, &QPushButton::clicked, this, &QDialog::accept);

  LayOutControls();
  m_btnOk.setFocus();
}

// The box is 235 x 55 dialog units; positions are x, y, width, height.
void CAboutDlg::LayOutControls() {
  const int buttonMargin = 2 * (style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, this) +
                                style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this));
  const DialogUnits units = DialogUnits::ForFont(font()).FittingCaptions(
      fontMetrics(), {{QStringLiteral("OK"), 50, buttonMargin},
                      {m_version.text(), 119, 0},
                      {m_note.text(), 119, 0}});

  setFixedSize(units.Size(235, 55));
  const QRect iconRect = units.Rect(11, 17, 20, 20);
  m_icon.setGeometry(iconRect);
  const int side = std::min(iconRect.width(), iconRect.height()) >= 48 ? 48 : 32;
  m_icon.setPixmap(AppIcon().pixmap(side, side));
  m_version.setGeometry(units.Rect(40, 10, 119, 8));
  m_note.setGeometry(units.Rect(40, 25, 119, 8));
  m_btnOk.setGeometry(units.Rect(178, 7, 50, 16));
}

void CAboutDlg::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
    LayOutControls();
  }
  QDialog::changeEvent(event);
}

}  // namespace brenvik::app
