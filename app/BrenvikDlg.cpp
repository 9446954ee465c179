#include "app/BrenvikDlg.h"

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

#include "app/AboutDlg.h"
#include "app/AppIcon.h"
#include "app/DialogUnits.h"
#include "app/Resource.h"
#include "files/DbFileReader.h"
#include "files/MmiFileReader.h"

namespace brenvik::app {

namespace {

const char* const kFileNotSelected = "File not selected!";
const char* const kConnectFailed = "Failed connecting to COM port.";
const char* const kAskClose = "A download is running. Stop it and close the window?";
const char* const kAskDisconnect = "A download is running. Stop it and disconnect?";
// A file with more warnings shows the first ones and how many it left out.
constexpr std::size_t kWarningsShown = 20;
const QString kDbFilter = QStringLiteral("DB files (*db*.csv);;All files (*)");
const QString kMmiFilter = QStringLiteral("MMI files (*mmi*.csv);;All files (*)");
constexpr int kTimerPeriodMs = 100;
constexpr int kPortCount = 48;

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

QString CopyStatus(const StatusText& status) {
  return QString::fromLocal8Bit(status.Text().c_str());
}

}  // namespace

CBrenvikDlg::CBrenvikDlg(QWidget* parent)
    : QDialog(parent),
      m_ctx(std::make_unique<DownloadContext>()),
      m_hIcon(AppIcon()),
      m_dbImage(std::make_unique<DbTable>()),
      m_mmiImage(std::make_unique<MmiBlock>()),
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
      m_txErrorRelay(
          *this, [this](const QString& text) { ShowMessage(text); }, m_ctx->stop) {
  m_ctx->link.SetTrace(true);
  m_ctx->link.SetTxErrorHandler([this](const char* text) { m_txErrorRelay.ShowAndWait(text); });

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
  m_listPorts = [] {
    // A port list the system will not give is an empty one: the COM names
    // and a typed path still work.
    Result<std::vector<PortInfo>> listed = ListPorts();
    return listed ? std::move(*listed) : std::vector<PortInfo>{};
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

CBrenvikDlg::~CBrenvikDlg() {
  m_txErrorRelay.Close();
  EndWorkerAndClosePort();
}

void CBrenvikDlg::CreateControls() {
  Identify(m_cbPort, "IDC_PORT", IDC_PORT);
  m_cbPort.setEditable(true);
  // A typed port stays a typed text; it is not added to the list.
  m_cbPort.setInsertPolicy(QComboBox::NoInsert);
  for (int n = 1; n <= kPortCount; ++n) m_cbPort.addItem(QStringLiteral("COM%1").arg(n));
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
  m_strDbPath = m_editDbPath.text();
  m_strDbStatus = m_editDbStatus.text();
  m_strMmiPath = m_editMmiPath.text();
  m_strMmiStatus = m_editMmiStatus.text();
}

void CBrenvikDlg::PushControls() {
  SetIfChanged(m_editDbPath, m_strDbPath);
  SetIfChanged(m_editDbStatus, m_strDbStatus);
  SetIfChanged(m_editMmiPath, m_strMmiPath);
  SetIfChanged(m_editMmiStatus, m_strMmiStatus);
}

void CBrenvikDlg::ShowMessage(const QString& text) {
  if (m_showMessage) m_showMessage(text);
}

// The file's path heads the box once; each line then starts at its line
// number, so that the box stays narrow enough to read.
void CBrenvikDlg::ShowWarnings(const QString& path, const FileWarnings& warnings) {
  if (warnings.empty()) return;
  const QString prefix = path + QLatin1Char(':');
  const std::size_t count = warnings.size();
  QStringList lines{QStringLiteral("%1 was read with %2 %3:")
                        .arg(path)
                        .arg(count)
                        .arg(count == 1 ? QStringLiteral("warning") : QStringLiteral("warnings"))};
  for (std::size_t i = 0; i < warnings.size() && i < kWarningsShown; ++i) {
    QString line = QString::fromLocal8Bit(warnings[i].c_str());
    if (line.startsWith(prefix)) line = QStringLiteral("line ") + line.mid(prefix.size());
    lines << line;
  }
  if (warnings.size() > kWarningsShown) {
    lines << QStringLiteral("and %1 more").arg(warnings.size() - kWarningsShown);
  }
  ShowMessage(lines.join(QLatin1Char('\n')));
}

bool CBrenvikDlg::MayStopDownload(const char* question) {
  if (!m_ctx->downloadRunning.load()) return true;
  return m_askQuestion && m_askQuestion(QString::fromLatin1(question));
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
  const QString chosenPath = index >= kPortCount ? m_cbPort.itemData(index).toString() : QString();
  while (m_cbPort.count() > kPortCount) m_cbPort.removeItem(kPortCount);
  int widest = 0;
  for (const PortInfo& port : m_listPorts ? m_listPorts() : std::vector<PortInfo>()) {
    const QString label = QString::fromStdString(PortLabel(port));
    m_cbPort.addItem(label, QString::fromStdString(port.path));
    widest = std::max(widest, m_cbPort.fontMetrics().horizontalAdvance(label));
  }
  m_cbPort.SetPresentPortsFrom(m_cbPort.count() > kPortCount ? kPortCount : -1);
  // The field keeps its size from the layout; the list is as wide as its
  // longest line, so that an adapter can be told by its name.
  m_cbPort.view()->setMinimumWidth(widest + 4 * m_cbPort.fontMetrics().averageCharWidth() +
                                   m_cbPort.view()->verticalScrollBar()->sizeHint().width());
  // What was chosen or typed stays as it was, a port that is still present
  // still chosen.
  const int again = chosenPath.isEmpty() ? -1 : m_cbPort.findData(chosenPath);
  if (again >= 0) {
    m_cbPort.setCurrentIndex(again);
  } else if (index >= 0 && index < kPortCount && text == m_cbPort.itemText(index)) {
    m_cbPort.setCurrentIndex(index);
  } else {
    m_cbPort.setEditText(text);
  }
}

void CBrenvikDlg::ApplyRules() {
  const ControlState state = m_rules.Controls();
  m_cbPort.setEnabled(state.portEnabled);
  m_btnDownloadDb.setEnabled(state.downloadDbEnabled);
  m_btnDownloadMmi.setEnabled(state.downloadMmiEnabled);
  m_btnConnect.setText(QString::fromLatin1(state.connectCaption));
}

void CBrenvikDlg::OnConnect() {
  if (!m_rules.IsConnected()) {
    // A listed port opens its device path; anything typed is read as a name.
    const int index = m_cbPort.currentIndex();
    std::string name = m_cbPort.currentText().toStdString();
    if (index >= kPortCount && m_cbPort.itemText(index) == m_cbPort.currentText()) {
      name = m_cbPort.itemData(index).toString().toStdString();
    }
    const Result<> opened = m_port.OpenPort(ParsePortName(name));
    if (!opened) {
      ShowMessage(QString::fromLatin1(kConnectFailed) + QLatin1Char('\n') +
                  QString::fromLocal8Bit(opened.error().c_str()));
      return;
    }
    m_rules.PortOpened();
    // The timer also watches the connected port, so that one that goes away
    // is noticed without a download.
    m_timer.start();
  } else {
    // After a click on Download the focus moves on to this button, where a
    // stray Space or Enter must not end the download.
    if (!MayStopDownload(kAskDisconnect)) return;
    EndWorkerAndClosePort();
    m_rules.PortClosed();
    m_strMmiStatus.clear();
    m_strDbStatus.clear();
  }
  ApplyRules();
  PushControls();
}

// The status lines keep the final texts, so that what reached the device
// before the port went away stays readable.
void CBrenvikDlg::OnPortWentAway() {
  const std::string reason = m_port.WentAwayReason();
  EndWorkerAndClosePort();
  m_rules.PortClosed();
  ApplyRules();
  PushControls();
  ShowMessage(QStringLiteral("The port went away: ") + QString::fromLocal8Bit(reason.c_str()));
}

void CBrenvikDlg::OnSelectDbFile() {
  const QString path = ChooseFile(kDbFilter);
  if (path.isEmpty()) {
    m_rules.FileChosen(DownloadKind::Db, false);
    return;
  }
  const Result<FileWarnings> read = ReadDbFile(*m_dbImage, QFile::encodeName(path).constData());
  ShowSelection(DownloadKind::Db, path, read,
                QString::asprintf("Total entries is %d", m_dbImage->count));
}

void CBrenvikDlg::OnSelectMmiFile() {
  const QString path = ChooseFile(kMmiFilter);
  if (path.isEmpty()) {
    m_rules.FileChosen(DownloadKind::Mmi, false);
    return;
  }
  const Result<FileWarnings> read = ReadMmiFile(*m_mmiImage, QFile::encodeName(path).constData());
  ShowSelection(DownloadKind::Mmi, path, read, QStringLiteral("OK"));
}

// A file that was not read whole is not selected; its status names why. The
// warnings of a file that was read go to standard error as well as into the
// box, so that a terminal or a log keeps them.
void CBrenvikDlg::ShowSelection(DownloadKind kind, const QString& path,
                                const Result<FileWarnings>& read, const QString& readStatus) {
  if (read) PrintWarnings(*read);
  const bool db = kind == DownloadKind::Db;
  (db ? m_strDbPath : m_strMmiPath) = path;
  (db ? m_strDbStatus : m_strMmiStatus) =
      read ? readStatus : QStringLiteral("Error: ") + QString::fromLocal8Bit(read.error().c_str());
  m_rules.FileChosen(kind, read.ok());
  PushControls();
  if (read) ShowWarnings(path, *read);
}

void CBrenvikDlg::OnDownloadDb() { StartDownload(DownloadKind::Db); }

void CBrenvikDlg::OnDownloadMmi() { StartDownload(DownloadKind::Mmi); }

void CBrenvikDlg::StartDownload(DownloadKind kind) {
  const bool selected = m_rules.IsFileSelected(kind);
  if (m_rules.IsConnected()) {
    if (!selected) {
      ShowMessage(QString::fromLatin1(kFileNotSelected));
      return;
    }
    if (m_rules.MayStartDownload(kind)) {
      PullControls();
      m_timer.start();
      // No download runs now, so the worker's copy can be replaced safely.
      if (kind == DownloadKind::Db) {
        m_ctx->dbTable = *m_dbImage;
      } else {
        m_ctx->mmiBlock = *m_mmiImage;
      }
      // A thread that cannot be started leaves the button usable, to try again.
      if (m_runner.Start(*m_ctx, m_port, kind)) m_rules.DownloadStarted(kind);
      ApplyRules();
      PushControls();
    }
  }
  if (!selected) ShowMessage(QString::fromLatin1(kFileNotSelected));
}

void CBrenvikDlg::OnTimer() {
  PullControls();
  // Read before the texts: a worker writes its final text before it clears
  // the flag, so the texts copied below are already the final ones.
  const bool workerEnded = m_rules.IsWorkerActive() && !m_ctx->downloadRunning.load();
  if (m_rules.IsDownloading(DownloadKind::Db)) m_strDbStatus = CopyStatus(m_ctx->dbStatusText);
  if (m_rules.IsDownloading(DownloadKind::Mmi)) m_strMmiStatus = CopyStatus(m_ctx->mmiStatusText);
  if (workerEnded) {
    m_runner.Join();
    m_rules.WorkerEnded();
    ApplyRules();
  }
  PushControls();
  // A port that went away (an adapter pulled) is let go once no download
  // runs, so that it can be connected again under its own name.
  if (m_rules.IsConnected() && !m_rules.IsWorkerActive() &&
      (m_port.WentAway() || m_port.CheckWentAway())) {
    OnPortWentAway();
  }
}

// The order matters: with the stop requested first, the worker neither starts
// another frame nor waits on a box; closing the port then ends any write or
// read it is in; only then is it joined. So no worker outlives the connection
// it was started on, and none can be handed a port opened later.
void CBrenvikDlg::EndWorkerAndClosePort() {
  m_ctx->stop.Request();
  m_txErrorRelay.StopRequested();
  m_port.Close();
  m_runner.Stop();
}

void CBrenvikDlg::done(int result) {
  if (!m_bClosingWithoutAsking && !MayStopDownload(kAskClose)) return;
  m_txErrorRelay.Close();
  EndWorkerAndClosePort();
  m_rules.PortClosed();
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
