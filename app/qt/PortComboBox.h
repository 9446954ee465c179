#pragma once

#include <QComboBox>

namespace brenvik::app {

// The port field: an editable list that says when it is about to drop down,
// so that the ports present can be listed anew each time, and that then
// shows the ports present, listed last behind the fixed COM names.
class PortComboBox : public QComboBox {
  Q_OBJECT

 public:
  using QComboBox::QComboBox;
  void showPopup() override;
  // Items from `index` on are the ports present; -1 when none is listed.
  void SetPresentPortsFrom(int index) { m_presentFrom = index; }

 signals:
  void popupAboutToShow();

 private:
  int m_presentFrom = -1;
};

}  // namespace brenvik::app
