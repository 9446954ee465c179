// The About box and the window menu entry that opens it.

#include <QLabel>
#include <QMenu>

#include "WindowHarness.h"
#include "app/qt/AboutDlg.h"

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
  auto* ok = about.findChild<QPushButton*>("IDOK");
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->text(), "OK");
  EXPECT_TRUE(ok->isDefault());

  // In the dialog font and in a much larger one (the box lays itself out
  // again): every control inside the box, none covering another, every text
  // whole.
  for (const int pointSize : {about.font().pointSize(), 20}) {
    QFont font = about.font();
    font.setPointSize(pointSize);
    about.setFont(font);
    QStringList texts;
    bool hasIcon = false;
    QList<QWidget*> controls = {ok};
    for (QLabel* label : about.findChildren<QLabel*>()) {
      controls << label;
      if (!label->pixmap().isNull()) hasIcon = true;
      if (label->text().isEmpty()) continue;
      texts << label->text();
      EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width())
          << label->text().toStdString() << " at " << pointSize << " pt";
    }
    EXPECT_TRUE(hasIcon);
    ASSERT_EQ(texts.size(), 2);
    EXPECT_TRUE(texts.contains("Brenvik Version 1.0"));
    EXPECT_GE(ok->width(), ok->fontMetrics().horizontalAdvance("OK"));
    for (int i = 0; i < controls.size(); ++i) {
      EXPECT_TRUE(about.rect().contains(controls[i]->geometry())) << i << " at " << pointSize;
      for (int j = i + 1; j < controls.size(); ++j) {
        EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry()))
            << i << " and " << j << " at " << pointSize << " pt";
      }
    }
  }
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
