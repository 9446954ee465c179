#include "app/qt/BrenvikDlg.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QContextMenuEvent>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QScrollBar>
#include <QStringList>
#include <QStyle>

#include "app/MainDialogLayout.h"
#include "app/Resource.h"
#include "app/WindowTexts.h"
#include "app/qt/AboutDlg.h"
#include "app/qt/AppIcon.h"
#include "app/qt/DialogUnits.h"

namespace brenvik::app {

namespace {

constexpr int kTimerPeriodMs = 100;

// The port field is as high as a button.
constexpr int kPortFieldHeight = 14;

}  // namespace

CBrenvikDlg::CBrenvikDlg(QWidget* parent)
    : QDialog(parent),
      m_hIcon(AppIcon()),
      m_cbPort(this),
      m_editDbPath(this),
      m_editDbStatus(this),
      m_btnSelectDb(this),
      m_btnDownloadDb(this),
      m_btnConnect(this),
      m_editMmiPath(this),
      m_btnSelectMmi(this),
      m_editMmiStatus(this),
      m_btnDownloadMmi(this),
      m_controls{&m_cbPort,        &m_editDbPath,    &m_editDbStatus, &m_btnSelectDb,
                 &m_btnDownloadDb, &m_btnConnect,    &m_editMmiPath,  &m_btnSelectMmi,
                 &m_editMmiStatus, &m_btnDownloadMmi},
      // Queued: the box is shown by the UI thread's event loop.
      m_controller(*this, [this] {
        QMetaObject::invokeMethod(this, "ShowPendingTxError", Qt::QueuedConnection);
      }) {
  m_chooseFile = [this](const QString& nameFilters) {
    QFileDialog dialog(this);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(nameFilters.split(QStringLiteral(";;")));
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().constFirst();
  };
  m_showMessage = [this](const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kAppName), text, QMessageBox::Ok,
                    this);
    box.exec();
  };
  m_askQuestion = [this](const QString& text) {
    QMessageBox box(QMessageBox::Question, QString::fromLatin1(kAppName), text,
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
  };

  setWindowTitle(QStringLiteral("Brenvik"));
  setWindowIcon(m_hIcon);
  // A fixed frame with a close box and the window menu, no minimize or maximize box.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  // The controls first: a change of font lays them out.
  CreateControls();
  setFont(DialogFont());
  LayOutControls();

  m_timer.setInterval(kTimerPeriodMs);
  connect(&m_timer, &QTimer::timeout, this, &CBrenvikDlg::OnTimer);

  m_controller.ApplyRules();
  m_controller.OnPortListDropDown();
  m_cbPort.setCurrentIndex(0);
  m_cbPort.setFocus();
}

CBrenvikDlg::~CBrenvikDlg() { m_controller.Close(); }

void CBrenvikDlg::CreateControls() {
  m_cbPort.setEditable(true);
  // A typed port stays a typed text; it is not added to the list.
  m_cbPort.setInsertPolicy(QComboBox::NoInsert);
  for (int i = 0; i < kComPortCount; ++i) m_cbPort.addItem(QString::fromStdString(ComPortName(i)));
  connect(&m_cbPort, &PortComboBox::popupAboutToShow, this, &CBrenvikDlg::OnPortListDropDown);
  m_cbPort.installEventFilter(this);
  if (m_cbPort.lineEdit() != nullptr) m_cbPort.lineEdit()->installEventFilter(this);

  for (const DialogControl& control : kMainDialogControls) {
    const QString caption = QString::fromLatin1(control.caption);
    if (control.kind == ControlKind::Label || control.kind == ControlKind::Logo) {
      QLabel& label = *m_statics.emplace_back(std::make_unique<QLabel>(caption, this));
      if (control.kind == ControlKind::Logo) label.setPixmap(AppLogo());
      label.setScaledContents(control.kind == ControlKind::Logo);
      continue;
    }
    QWidget& widget = Control(control.id);
    widget.setObjectName(QString::fromLatin1(control.name));
    widget.setProperty("controlId", control.id);
    widget.setEnabled(!control.disabledAtStart);
    if (auto* edit = qobject_cast<QLineEdit*>(&widget)) edit->setReadOnly(control.readOnly);
    // No button of this window is a default button: Enter presses the
    // focused button, and anywhere else it closes the window.
    if (auto* button = qobject_cast<QPushButton*>(&widget)) {
      button->setText(caption);
      button->setAutoDefault(false);
      button->setDefault(false);
      connect(button, &QPushButton::clicked, this,
              [this, id = control.id] { m_controller.OnButton(id); });
    }
  }
  for (std::size_t i = 1; i < m_controls.size(); ++i) setTabOrder(m_controls[i - 1], m_controls[i]);
}

// The layout's dialog units, scaled just enough that every caption fits: a
// button's with its frame and padding, Connect's in each of its three forms.
void CBrenvikDlg::LayOutControls() {
  const int buttonMargin = 2 * (style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, this) +
                                style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this));
  std::vector<DialogCaption> captions;
  for (const DialogControl& control : kMainDialogControls) {
    const int margin = control.kind == ControlKind::Button ? buttonMargin : 0;
    if (control.caption[0] != '\0') {
      captions.push_back({QString::fromLatin1(control.caption), control.width, margin});
    }
    if (control.id == IDC_CONNECT) {
      for (const char* caption : {kDisconnectCaption, kConnectAgainCaption}) {
        captions.push_back({QString::fromLatin1(caption), control.width, margin});
      }
    }
  }
  const DialogUnits units = DialogUnits::ForFont(font()).FittingCaptions(fontMetrics(), captions);

  setFixedSize(units.Size(kMainDialogWidth, kMainDialogHeight));
  auto statics = m_statics.begin();
  for (const DialogControl& control : kMainDialogControls) {
    const bool isStatic = control.id == kStaticId;
    QWidget& widget = isStatic ? **statics++ : Control(control.id);
    // The port list's height takes in its dropped-down list; the field is as
    // high as a button, and the list shows the items that fit in the rest.
    const int height = control.kind == ControlKind::PortList ? kPortFieldHeight : control.height;
    widget.setGeometry(units.Rect(control.x, control.y, control.width, height));
    if (control.kind == ControlKind::PortList) {
      m_cbPort.setMaxVisibleItems(std::max(1, (control.height - kPortFieldHeight) / 8));
    }
  }
}

void CBrenvikDlg::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
    LayOutControls();
  }
  QDialog::changeEvent(event);
}

std::string CBrenvikDlg::FieldText(int id) {
  if (id == IDC_PORT) return m_cbPort.currentText().toStdString();
  return qobject_cast<QLineEdit*>(&Control(id))->text().toStdString();
}

void CBrenvikDlg::SetFieldText(int id, const std::string& text) {
  QLineEdit& edit = *qobject_cast<QLineEdit*>(&Control(id));
  const QString shown = QString::fromStdString(text);
  if (edit.text() != shown) edit.setText(shown);
}

void CBrenvikDlg::SetCaption(int id, const char* caption) {
  qobject_cast<QPushButton*>(&Control(id))->setText(QString::fromLatin1(caption));
}

void CBrenvikDlg::ShowMessage(const std::string& text) {
  if (m_showMessage) m_showMessage(QString::fromStdString(text));
}

bool CBrenvikDlg::AskQuestion(const std::string& text) {
  return m_askQuestion && m_askQuestion(QString::fromStdString(text));
}

// The kind's files first, all files besides, as QFileDialog takes them.
std::string CBrenvikDlg::ChooseFile(DownloadKind kind) {
  const FileFilter filter = FileFilterFor(kind);
  const QString path = m_chooseFile ? m_chooseFile(QStringLiteral("%1 (%2);;All files (*)")
                                                       .arg(QString::fromLatin1(filter.name),
                                                            QString::fromLatin1(filter.pattern)))
                                    : QString();
  return QFile::encodeName(path).toStdString();
}

void CBrenvikDlg::ListPresentPorts(const std::vector<PortChoice>& present) {
  while (m_cbPort.count() > kComPortCount) m_cbPort.removeItem(kComPortCount);
  int widest = 0;
  for (const PortChoice& port : present) {
    const QString label = QString::fromStdString(port.label);
    m_cbPort.addItem(label, QString::fromStdString(port.path));
    widest = std::max(widest, m_cbPort.fontMetrics().horizontalAdvance(label));
  }
  m_cbPort.SetPresentPortsFrom(m_cbPort.count() > kComPortCount ? kComPortCount : -1);
  // The field keeps its size from the layout.
  m_cbPort.view()->setMinimumWidth(widest + 4 * m_cbPort.fontMetrics().averageCharWidth() +
                                   m_cbPort.view()->verticalScrollBar()->sizeHint().width());
}

void CBrenvikDlg::TypePort(const std::string& text) {
  m_cbPort.setEditText(QString::fromStdString(text));
}

void CBrenvikDlg::done(int result) {
  if (m_controller.OnClose(!m_bClosingWithoutAsking)) QDialog::done(result);
}

void CBrenvikDlg::CloseWithoutAsking() {
  m_bClosingWithoutAsking = true;
  // A box of this window holds the UI thread in its own loop; it goes first,
  // so that nothing is left waiting for an operator who has gone.
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* box = qobject_cast<QDialog*>(widget);
    if (box != nullptr && box != this && box->isVisible()) box->reject();
  }
  done(QDialog::Rejected);
}

void CBrenvikDlg::OnSysCommand(unsigned commandId, long /*param*/) {
  if ((commandId & 0xFFF0u) == IDM_ABOUTBOX) {
    CAboutDlg about;
    about.exec();
  }
}

void CBrenvikDlg::FillWindowMenu(QMenu& menu) {
  menu.addSeparator();
  QAction* about = menu.addAction(QStringLiteral("&About Brenvik..."));
  connect(about, &QAction::triggered, this, [this] { OnSysCommand(IDM_ABOUTBOX, 0); });
}

void CBrenvikDlg::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  // Keep the leading separator: the entry stands apart as in a window menu.
  menu.setSeparatorsCollapsible(false);
  FillWindowMenu(menu);
  menu.exec(event->globalPos());
}

void CBrenvikDlg::keyPressEvent(QKeyEvent* event) {
  const bool plain = event->modifiers() == Qt::NoModifier ||
                     (event->modifiers() == Qt::KeypadModifier && event->key() == Qt::Key_Enter);
  if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
    if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
      if (button->isEnabled()) button->click();
    } else {
      accept();
    }
    return;
  }
  if (plain && event->key() == Qt::Key_Escape) {
    reject();
    return;
  }
  QDialog::keyPressEvent(event);
}

// Enter in the port field (its list closed) presses Connect: whoever typed a
// device path and pressed Enter meant to connect to it, not to close the
// window and lose what was typed.
bool CBrenvikDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (enter && (watched == &m_cbPort || watched == m_cbPort.lineEdit())) {
      if (m_btnConnect.isEnabled()) m_btnConnect.click();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace brenvik::app
