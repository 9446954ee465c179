#include "app/qt/PortComboBox.h"

#include <QAbstractItemView>

namespace brenvik::app {

void PortComboBox::showPopup() {
  emit popupAboutToShow();
  QComboBox::showPopup();
  // The ports present are what an operator is most likely after; with a
  // short list they would otherwise sit behind 48 COM names.
  if (m_presentFrom >= 0 && m_presentFrom < count()) {
    view()->scrollTo(model()->index(count() - 1, modelColumn()));
  }
}

}  // namespace brenvik::app
