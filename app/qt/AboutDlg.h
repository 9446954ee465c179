#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>

namespace brenvik::app {

// The About box: the icon, the program's name and version, and OK.
class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void LayOutControls();

  QLabel m_icon;
  QLabel m_version;
  QLabel m_note;
  QPushButton m_btnOk;
};

}  // namespace brenvik::app
