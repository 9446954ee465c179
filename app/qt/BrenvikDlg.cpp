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

#include "app/Resource.h"
#include "app/WindowTexts.h"
#include "app/qt/AboutDlg.h"
#include "app/qt/AppIcon.h"
#include "app/qt/DialogUnits.h"

namespace brenvik::app {

namespace {

constexpr int kTimerPeriodMs = 100;

void Identify(QWidget& control, const char* name, int id) {
  control.setObjectName(QString::fromLatin1(name));
  control.setProperty("controlId", id);
}

// No button of this window is a default button: Enter presses the focused
// button, and anywhere else it closes the window.
void MakePlainButton(QPushButton& button, const char* caption) {
  button.setText(QString::fromLatin1(caption));
  button.setAutoDefault(false);
  button.setDefault(false);
}

void SetIfChanged(QLineEdit& edit, const QString& text) {
  // Rewriting an unchanged text would move the caret of a field being edited.
  if (edit.text() != text) edit.setText(text);
}

// The kind's files first, all files besides, as QFileDialog takes them.
QString NameFilters(DownloadKind kind) {
  const FileFilter filter = FileFilterFor(kind);
  return QStringLiteral("%1 (%2);;All files (*)")
      .arg(QString::fromLatin1(filter.name), QString::fromLatin1(filter.pattern));
}

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
      m_lblDbFile(this),
      m_lblDbStatus(this),
      m_lblPort(this),
      m_lblMmiFile(this),
      m_lblMmiStatus(this),
      m_logo(this),
      m_controller(
          {.showMessage =
               [this](const std::string& text) { ShowMessage(QString::fromStdString(text)); },
           .askQuestion =
               [this](const std::string& text) {
                 return m_askQuestion && m_askQuestion(QString::fromStdString(text));
               },
           // Queued: the box is shown by the UI thread's event loop.
           .wakeUi =
               [this] {
                 QMetaObject::invokeMethod(this, "ShowPendingTxError", Qt::QueuedConnection);
               }}) {
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
  m_listPorts = ListPresentPorts;
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
  setFont(DialogFont());
  CreateControls();
  LayOutControls();

  m_timer.setInterval(kTimerPeriodMs);
  connect(&m_timer, &QTimer::timeout, this, &CBrenvikDlg::OnTimer);

  ApplyRules();
  OnPortListDropDown();
  m_cbPort.setCurrentIndex(0);
  m_cbPort.setFocus();
}

CBrenvikDlg::~CBrenvikDlg() { m_controller.Close(); }

void CBrenvikDlg::CreateControls() {
  Identify(m_cbPort, "IDC_PORT", IDC_PORT);
  m_cbPort.setEditable(true);
  // A typed port stays a typed text; it is not added to the list.
  m_cbPort.setInsertPolicy(QComboBox::NoInsert);
  for (int i = 0; i < kComPortCount; ++i) m_cbPort.addItem(QString::fromStdString(ComPortName(i)));
  connect(&m_cbPort, &PortComboBox::popupAboutToShow, this, &CBrenvikDlg::OnPortListDropDown);
  m_cbPort.installEventFilter(this);
  if (m_cbPort.lineEdit() != nullptr) m_cbPort.lineEdit()->installEventFilter(this);

  Identify(m_editDbPath, "IDC_DB_PATH", IDC_DB_PATH);
  Identify(m_editDbStatus, "IDC_DB_STATUS", IDC_DB_STATUS);
  m_editDbStatus.setReadOnly(true);
  Identify(m_btnSelectDb, "IDC_SELECT_DB", IDC_SELECT_DB);
  MakePlainButton(m_btnSelectDb, "Select DB File");
  Identify(m_btnDownloadDb, "IDC_DOWNLOAD_DB", IDC_DOWNLOAD_DB);
  MakePlainButton(m_btnDownloadDb, "Download DB");
  Identify(m_btnConnect, "IDC_CONNECT", IDC_CONNECT);
  MakePlainButton(m_btnConnect, "Connect");
  Identify(m_editMmiPath, "IDC_MMI_PATH", IDC_MMI_PATH);
  Identify(m_btnSelectMmi, "IDC_SELECT_MMI", IDC_SELECT_MMI);
  MakePlainButton(m_btnSelectMmi, "Select MMI File");
  Identify(m_editMmiStatus, "IDC_MMI_STATUS", IDC_MMI_STATUS);
  m_editMmiStatus.setReadOnly(true);
  Identify(m_btnDownloadMmi, "IDC_DOWNLOAD_MMI", IDC_DOWNLOAD_MMI);
  MakePlainButton(m_btnDownloadMmi, "Download MMI");

  m_lblDbFile.setText(QStringLiteral("File:"));
  m_lblDbStatus.setText(QStringLiteral("Status:"));
  m_lblPort.setText(QStringLiteral("Port:"));
  m_lblMmiFile.setText(QStringLiteral("File:"));
  m_lblMmiStatus.setText(QStringLiteral("Status:"));
  m_logo.setPixmap(AppLogo());
  m_logo.setScaledContents(true);

  setTabOrder(&m_cbPort, &m_editDbPath);
  setTabOrder(&m_editDbPath, &m_editDbStatus);
  setTabOrder(&m_editDbStatus, &m_btnSelectDb);
  setTabOrder(&m_btnSelectDb, &m_btnDownloadDb);
  setTabOrder(&m_btnDownloadDb, &m_btnConnect);
  setTabOrder(&m_btnConnect, &m_editMmiPath);
  setTabOrder(&m_editMmiPath, &m_btnSelectMmi);
  setTabOrder(&m_btnSelectMmi, &m_editMmiStatus);
  setTabOrder(&m_editMmiStatus, &m_btnDownloadMmi);

  connect(&m_btnSelectDb, &QPushButton::clicked, this, &CBrenvikDlg::OnSelectDbFile);
  connect(&m_btnDownloadDb, &QPushButton::clicked, this, &CBrenvikDlg::OnDownloadDb);
  connect(&m_btnConnect, &QPushButton::clicked, this, &CBrenvikDlg::OnConnect);
  connect(&m_btnSelectMmi, &QPushButton::clicked, this, &CBrenvikDlg::OnSelectMmiFile);
  connect(&m_btnDownloadMmi, &QPushButton::clicked, this, &CBrenvikDlg::OnDownloadMmi);
}

// The window is 231 x 124 dialog units; positions are x, y, width, height.
void CBrenvikDlg::LayOutControls() {
  const int buttonMargin = 2 * (style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, this) +
                                style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this));
  const DialogUnits units = DialogUnits::ForFont(font()).FittingCaptions(
      fontMetrics(), {{QStringLiteral("Select DB File"), 54, buttonMargin},
                      {QStringLiteral("Download DB"), 53, buttonMargin},
                      {QStringLiteral("&Disconn..."), 53, buttonMargin},
                      {QStringLiteral("&Connect"), 53, buttonMargin},
                      {QStringLiteral("Select MMI File"), 53, buttonMargin},
                      {QStringLiteral("Download MMI"), 52, buttonMargin},
                      {QStringLiteral("File:"), 14, 0},
                      {QStringLiteral("Status:"), 24, 0},
                      {QStringLiteral("Port:"), 17, 0}});

  setFixedSize(units.Size(231, 124));
  // The port list drops down to 41 units in all; the field is as high as a button.
  m_cbPort.setGeometry(units.Rect(169, 7, 52, 14));
  m_cbPort.setMaxVisibleItems(std::max(1, (41 - 14) / 8));
  m_editDbPath.setGeometry(units.Rect(35, 43, 131, 15));
  m_editDbStatus.setGeometry(units.Rect(35, 59, 131, 14));
  m_btnSelectDb.setGeometry(units.Rect(169, 43, 54, 14));
  m_btnDownloadDb.setGeometry(units.Rect(170, 59, 53, 14));
  m_btnConnect.setGeometry(units.Rect(169, 23, 53, 14));
  m_editMmiPath.setGeometry(units.Rect(35, 75, 131, 15));
  m_btnSelectMmi.setGeometry(units.Rect(169, 75, 53, 14));
  m_editMmiStatus.setGeometry(units.Rect(35, 94, 131, 14));
  m_btnDownloadMmi.setGeometry(units.Rect(170, 94, 52, 14));
  m_lblDbFile.setGeometry(units.Rect(17, 46, 14, 8));
  m_lblDbStatus.setGeometry(units.Rect(7, 62, 24, 8));
  m_lblPort.setGeometry(units.Rect(148, 9, 17, 8));
  m_lblMmiFile.setGeometry(units.Rect(15, 78, 14, 8));
  m_lblMmiStatus.setGeometry(units.Rect(7, 96, 24, 8));
  m_logo.setGeometry(units.Rect(35, 7, 67, 34));
}

void CBrenvikDlg::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
    LayOutControls();
  }
  QDialog::changeEvent(event);
}

void CBrenvikDlg::PullControls() {
  WindowFields& fields = m_controller.Fields();
  fields.dbPath = m_editDbPath.text().toStdString();
  fields.dbStatus = m_editDbStatus.text().toStdString();
  fields.mmiPath = m_editMmiPath.text().toStdString();
  fields.mmiStatus = m_editMmiStatus.text().toStdString();
}

void CBrenvikDlg::PushControls() {
  const WindowFields& fields = m_controller.Fields();
  SetIfChanged(m_editDbPath, QString::fromStdString(fields.dbPath));
  SetIfChanged(m_editDbStatus, QString::fromStdString(fields.dbStatus));
  SetIfChanged(m_editMmiPath, QString::fromStdString(fields.mmiPath));
  SetIfChanged(m_editMmiStatus, QString::fromStdString(fields.mmiStatus));
}

void CBrenvikDlg::ShowMessage(const QString& text) {
  if (m_showMessage) m_showMessage(text);
}

QString CBrenvikDlg::ChooseFile(const QString& nameFilters) {
  return m_chooseFile ? m_chooseFile(nameFilters) : QString();
}

void CBrenvikDlg::SetPortLister(PortLister lister) {
  m_listPorts = std::move(lister);
  OnPortListDropDown();
}

void CBrenvikDlg::OnPortListDropDown() {
  const int index = m_cbPort.currentIndex();
  const QString text = m_cbPort.currentText();
  const QString chosenPath =
      index >= kComPortCount ? m_cbPort.itemData(index).toString() : QString();
  while (m_cbPort.count() > kComPortCount) m_cbPort.removeItem(kComPortCount);
  m_presentPorts =
      PresentPortChoices(m_listPorts ? m_listPorts() : std::vector<PortInfo>(), m_givenPort);
  int widest = 0;
  for (const PortChoice& port : m_presentPorts) {
    const QString label = QString::fromStdString(port.label);
    m_cbPort.addItem(label, QString::fromStdString(port.path));
    widest = std::max(widest, m_cbPort.fontMetrics().horizontalAdvance(label));
  }
  m_cbPort.SetPresentPortsFrom(m_cbPort.count() > kComPortCount ? kComPortCount : -1);
  // The field keeps its size from the layout; the list is as wide as its
  // longest line, so that an adapter can be told by its name.
  m_cbPort.view()->setMinimumWidth(widest + 4 * m_cbPort.fontMetrics().averageCharWidth() +
                                   m_cbPort.view()->verticalScrollBar()->sizeHint().width());
  // What was chosen or typed stays as it was, a port that is still present
  // still chosen.
  const int again = chosenPath.isEmpty() ? -1 : m_cbPort.findData(chosenPath);
  if (again >= 0) {
    m_cbPort.setCurrentIndex(again);
  } else if (index >= 0 && index < kComPortCount && text == m_cbPort.itemText(index)) {
    m_cbPort.setCurrentIndex(index);
  } else {
    m_cbPort.setEditText(text);
  }
}

void CBrenvikDlg::ChoosePort(const std::string& port) {
  m_givenPort = port;
  OnPortListDropDown();
  const QString text = QString::fromStdString(port);
  const int com = m_cbPort.findText(text);
  m_cbPort.setCurrentIndex(com >= 0 && com < kComPortCount ? com : m_cbPort.findData(text));
}

void CBrenvikDlg::ApplyRules() {
  const ControlState state = m_controller.Rules().Controls();
  m_cbPort.setEnabled(state.portEnabled);
  m_btnDownloadDb.setEnabled(state.downloadDbEnabled);
  m_btnDownloadMmi.setEnabled(state.downloadMmiEnabled);
  m_btnConnect.setText(QString::fromLatin1(state.connectCaption));
}

void CBrenvikDlg::ShowPendingTxError() { m_controller.ShowTxError(); }

void CBrenvikDlg::OnConnect() {
  const std::string port =
      PortToOpen(m_cbPort.currentIndex(), m_cbPort.currentText().toStdString(), m_presentPorts);
  if (!m_controller.OnConnect(port)) return;
  // The timer also watches the connected port, so that one that goes away
  // is noticed without a download.
  if (m_controller.Rules().IsConnected()) m_timer.start();
  ApplyRules();
  PushControls();
}

void CBrenvikDlg::OnSelectDbFile() { OnSelectFile(DownloadKind::Db); }

void CBrenvikDlg::OnSelectMmiFile() { OnSelectFile(DownloadKind::Mmi); }

void CBrenvikDlg::OnSelectFile(DownloadKind kind) {
  const QString path = ChooseFile(NameFilters(kind));
  if (path.isEmpty()) {
    m_controller.OnChoiceCancelled(kind);
    return;
  }
  const std::string warnings =
      m_controller.OnFileChosen(kind, QFile::encodeName(path).toStdString());
  PushControls();
  if (!warnings.empty()) ShowMessage(QString::fromStdString(warnings));
}

void CBrenvikDlg::OnDownloadDb() { StartDownload(DownloadKind::Db); }

void CBrenvikDlg::OnDownloadMmi() { StartDownload(DownloadKind::Mmi); }

void CBrenvikDlg::StartDownload(DownloadKind kind) {
  switch (m_controller.OnDownload(kind)) {
    case DownloadPress::FileNotSelected:
      ShowMessage(QString::fromLatin1(kFileNotSelected));
      return;
    case DownloadPress::Attempted:
      PullControls();
      m_timer.start();
      ApplyRules();
      PushControls();
      return;
    case DownloadPress::Ignored:
      return;
  }
}

void CBrenvikDlg::OnTimer() {
  PullControls();
  if (m_controller.OnTimer()) ApplyRules();
  PushControls();
  // A port that went away (an adapter pulled) is let go once no download
  // runs, so that it can be connected again under its own name.
  if (const std::optional<std::string> wentAway = m_controller.LetGoOfVanishedPort()) {
    ApplyRules();
    PushControls();
    ShowMessage(QString::fromStdString(*wentAway));
  }
}

void CBrenvikDlg::done(int result) {
  if (!m_bClosingWithoutAsking && !m_controller.MayStopDownload(kAskClose)) return;
  m_controller.Close();
  m_timer.stop();
  QDialog::done(result);
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
