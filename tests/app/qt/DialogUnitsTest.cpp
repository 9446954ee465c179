#include "app/qt/DialogUnits.h"

#include <gtest/gtest.h>

#include <QApplication>

namespace brenvik::app {
namespace {

TEST(DialogUnitsTest, ClassicBaseGivesTheClassicPixelSizes) {
  // An 8-point dialog font at 96 dpi has the base 6 x 13.
  const DialogUnits units(6, 13);
  EXPECT_EQ(units.Size(231, 124), QSize(347, 202));
  EXPECT_EQ(units.Rect(169, 7, 52, 14), QRect(254, 11, 78, 23));
  EXPECT_EQ(units.Size(67, 34), QSize(101, 55));  // the 100 x 55 logo's place
}

TEST(DialogUnitsTest, NeighbouringControlsShareTheirEdgeWithoutGaps) {
  const DialogUnits units(7.3, 15.1);
  const QRect left = units.Rect(35, 43, 131, 15);
  const QRect right = units.Rect(166, 43, 54, 15);
  EXPECT_EQ(left.right() + 1, right.left());
}

TEST(DialogUnitsTest, ScalesBothAxesAlikeUntilEveryCaptionFits) {
  QFont font = QApplication::font();
  font.setPointSize(11);
  const QFontMetrics metrics(font);
  const DialogUnits base(6, 13);
  const DialogUnits fitted = base.FittingCaptions(
      metrics,
      {{QStringLiteral("Select MMI File"), 53, 10}, {QStringLiteral("&Disconn..."), 53, 10}});

  EXPECT_GT(fitted.baseX(), base.baseX());
  EXPECT_DOUBLE_EQ(fitted.baseY() / fitted.baseX(), base.baseY() / base.baseX());
  EXPECT_LE(metrics.horizontalAdvance(QStringLiteral("Select MMI File")) + 10, fitted.X(53));
  // The mnemonic marker takes no room.
  EXPECT_LE(metrics.horizontalAdvance(QStringLiteral("Disconn...")) + 10, fitted.X(53));
}

TEST(DialogUnitsTest, KeepsTheBaseWhenEveryCaptionFitsAlready) {
  const QFontMetrics metrics(QApplication::font());
  const DialogUnits base(20, 40);
  const DialogUnits fitted = base.FittingCaptions(metrics, {{QStringLiteral("OK"), 50, 10}});
  EXPECT_DOUBLE_EQ(fitted.baseX(), 20);
  EXPECT_DOUBLE_EQ(fitted.baseY(), 40);
}

}  // namespace
}  // namespace brenvik::app
