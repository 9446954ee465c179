#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QRect>
#include <QString>
#include <algorithm>
#include <cmath>
#include <vector>

namespace brenvik::app {

// A caption and the width, in dialog units, of the control that shows it;
// marginPx is what the control's frame and padding take from that width.
struct DialogCaption {
  QString text;  // '&' marks a mnemonic and takes no room
  int widthDlu = 0;
  int marginPx = 0;
};

// Converts the dialog-unit layout of our windows into pixels of the dialog
// font: a horizontal unit is a quarter of the font's average character width,
// a vertical unit an eighth of its height, so positions and sizes keep their
// proportions at every font size.
class DialogUnits {
 public:
  DialogUnits(double baseX, double baseY) : baseX_(baseX), baseY_(baseY) {}

  // The classic base: the average width of the 52 Latin letters and the
  // font's character height.
  static DialogUnits ForFont(const QFont& font) {
    const QFontMetrics metrics(font);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const double average = metrics.horizontalAdvance(letters) / 52.0;
    return DialogUnits(std::round(average), metrics.height());
  }

  // The layout was drawn for a narrow 8-point font; most fonts here run wider.
  // Scales both units alike (so the proportions stay) just enough that every
  // caption fits its control in full.
  DialogUnits FittingCaptions(const QFontMetrics& metrics,
                              const std::vector<DialogCaption>& captions) const {
    double scale = 1.0;
    for (const DialogCaption& caption : captions) {
      const int textWidth = metrics.size(Qt::TextShowMnemonic, caption.text).width();
      const double available = caption.widthDlu * baseX_ / 4.0;
      if (available > 0) scale = std::max(scale, (textWidth + caption.marginPx) / available);
    }
    return DialogUnits(baseX_ * scale, baseY_ * scale);
  }

  int X(int dlu) const { return static_cast<int>(std::lround(dlu * baseX_ / 4.0)); }
  int Y(int dlu) const { return static_cast<int>(std::lround(dlu * baseY_ / 8.0)); }
  QRect Rect(int x, int y, int width, int height) const {
    return QRect(X(x), Y(y), X(x + width) - X(x), Y(y + height) - Y(y));
  }
  QSize Size(int width, int height) const { return QSize(X(width), Y(height)); }

  double baseX() const { return baseX_; }
  double baseY() const { return baseY_; }

 private:
  double baseX_;
  double baseY_;
};

}  // namespace brenvik::app
