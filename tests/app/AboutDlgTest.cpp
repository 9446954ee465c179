// The About box and the window menu entry that opens it.

#include <QLabel>
#include <QMenu>

#include "WindowHarness.h"
#include "app/AboutDlg.h"

namespace brenvik::app::test {
namespace {

struct SysCommandCase {
  unsigned commandId;
  bool opensAbout;
};

void PrintTo(const SysCommandCase& c, std::ostream* os) { *os << "0x" << std::hex << c.commandId; }

class SysCommandTest : public testing::TestWithParam<SysCommandCase> {};

TEST_P(SysCommandTest, OpensTheAboutBoxForItsCommandWhateverTheLowFourBits) {
  WindowHarness window;
  const QString opened =
      ModalWindowOpenedBy([&] { window.dialog->OnSysCommand(GetParam().commandId, 0); });
  EXPECT_EQ(opened, GetParam().opensAbout ? "brenvik::app::CAboutDlg" : "");
  // Closing the box leaves the window as it was.
  EXPECT_EQ(window.State(), kWindowShown);
}

INSTANTIATE_TEST_SUITE_P(Commands, SysCommandTest,
                         testing::Values(SysCommandCase{0x10, true}, SysCommandCase{0x1F, true},
                                         SysCommandCase{0x20, false}, SysCommandCase{0x00, false},
                                         SysCommandCase{0xF010, false}));

TEST(AboutDlgTest, WindowMenuHoldsASeparatorAndTheAboutEntry) {
  WindowHarness window;
  QMenu menu;
  window.dialog->FillWindowMenu(menu);
  const QList<QAction*> actions = menu.actions();
  ASSERT_EQ(actions.size(), 2);
  EXPECT_TRUE(actions[0]->isSeparator());
  EXPECT_EQ(actions[1]->text(), "&About Brenvik...");
  EXPECT_EQ(ModalWindowOpenedBy([&] { actions[1]->trigger(); }), "brenvik::app::CAboutDlg");
}

TEST(AboutDlgTest, ShowsIconNameVersionAndADefaultOk) {
  CAboutDlg about;
  EXPECT_EQ(about.windowTitle(), "About Brenvik");
  QStringList texts;
  bool hasIcon = false;
  for (QLabel* label : about.findChildren<QLabel*>()) {
    if (!label->pixmap().isNull()) hasIcon = true;
    if (!label->text().isEmpty()) texts << label->text();
  }
  EXPECT_TRUE(hasIcon);
  ASSERT_EQ(texts.size(), 2);
  EXPECT_TRUE(texts.contains("Brenvik Version 1.0"));
  auto* ok = about.findChild<QPushButton*>("IDOK");
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->text(), "OK");
  EXPECT_TRUE(ok->isDefault());
  // In proportion to its 235 x 55 dialog units.
  const double perX = about.width() / 235.0;
  const double perY = about.height() / 55.0;
  EXPECT_NEAR(ok->x(), 178 * perX, 1.5);
  EXPECT_NEAR(ok->y(), 7 * perY, 1.5);
  EXPECT_NEAR(ok->width(), 50 * perX, 1.5);
  EXPECT_NEAR(ok->height(), 16 * perY, 1.5);
}

TEST(AboutDlgTest, EnterPressesOk) {
  CAboutDlg about;
  about.show();
  QTest::keyClick(&about, Qt::Key_Return);
  EXPECT_FALSE(about.isVisible());
  EXPECT_EQ(about.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace brenvik::app::test
