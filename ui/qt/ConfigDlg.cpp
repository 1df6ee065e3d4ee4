#include "ConfigDlg.h"

#include "AboutDlg.h"
#include "AlarmSetting.h"
#include "AnswersDlg.h"
#include "ControlText.h"
#include "DeviceLogDlg.h"
#include "DevicesDlg.h"
#include "FindDlg.h"
#include "LinkStateEvent.h"
#include "LocalNetworks.h"
#include "RecentAddressSetting.h"
#include "StatusText.h"
#include "resources/StringTable.h"
#include "resources/resource.h"
#include "ui/AboutCommand.h"
#include "ui/LampTips.h"
#include "ui/MainAccessibleNames.h"
#include "ui/SearchNetworkCheck.h"
#include "ui/StatusControls.h"
#include "ui/qt/Artwork.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QShortcut>
#include <QTimerEvent>

#include <algorithm>

namespace {

// The program's desktop entry (resources/vantrex-config.desktop), and the name of the icon it installs.
const QString kDesktopEntry = QStringLiteral("vantrex-config");
} // namespace

CConfigDlg::CConfigDlg(CMessageBoxes& boxes)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_boxes(boxes), m_hIcon(LoadIconResource(IDR_MAINFRAME)),
      m_notifier(ResourceText(IDS_WINDOW_TITLE), kDesktopEntry),
      m_logic(
          *this,
          [this](CWorkerThread& link, StateReport report) {
              QCoreApplication::postEvent(this, new CLinkStateEvent(&link, report));
          },
          LocalNetworks) {}

void CConfigDlg::OnInitDialog() {
    BuildControls();
    InstallAboutCommand();
    InstallDeviceLogCommand();
    InstallAnswersCommand();
    InstallFindCommand();
    setWindowIcon(m_hIcon);
    CreateFonts();
    setWindowTitle(ResourceText(IDS_WINDOW_TITLE));
    LayoutControls();
    ConnectHandlers();
    m_logic.SetAlarmsOn(LoadAlarmsOn());
    m_logic.SetRecentAddresses(LoadRecentAddresses());
    m_logic.OnInitDialog();
    InstallDevicesCommand();
    // The dialog manager gives the focus to the first tab stop, the address edit.
    Item(IDC_DEVICE_ADDRESS)->setFocus();
}

void CConfigDlg::BuildControls() {
    const DialogTemplate& dialogTemplate = *FindDialogTemplate(IDD_CONFIG_DIALOG);
    const int dpi = logicalDpiY();
    ApplyDialogTemplateFrame(dialogTemplate, *this, dpi);
    m_controls = BuildDialogControls(dialogTemplate, *this, kStatusTextIds, dpi);
    StatusText(kFramedStatusTextId)->SetBorder(true);
    for (int bitmapId : {IDB_LAMP_RED, IDB_LAMP_GREEN, IDB_LAMP_GREY}) {
        m_lampBitmaps[bitmapId] = LoadBitmapResource(bitmapId);
    }
    for (const auto& [id, name] : kMainAccessibleNames) {
        Item(id)->setAccessibleName(ResourceText(name));
        // Qt reads an editable drop-down by its text; the focus is in its edit, which takes the name.
        if (const auto* combo = qobject_cast<QComboBox*>(Item(id)); combo != nullptr && combo->lineEdit()) {
            combo->lineEdit()->setAccessibleName(ResourceText(name));
        }
    }
    // The template's lamps start grey.
    for (int lampId : {IDC_GPS_LAMP, IDC_TIME_SYNC_LAMP}) {
        Item(lampId)->setAccessibleName(
            QString::fromStdString(LampAccessibleName(lampId, IDB_LAMP_GREY, LoadStringResource)));
    }
}

// Window managers own the system menu here, so the About item lives in the window's context menu and
// on F1.
void CConfigDlg::InstallAboutCommand() {
    if (AboutCommandText().empty()) {
        return;
    }
    auto* shortcut = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(shortcut, &QShortcut::activated, this, [this] { OnSysCommand(kIdmAboutBox); });
}

void CConfigDlg::InstallDeviceLogCommand() {
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this);
    connect(shortcut, &QShortcut::activated, this, &CConfigDlg::ShowDeviceLog);
}

void CConfigDlg::ShowDeviceLog() {
    if (m_deviceLogDlg == nullptr) {
        m_deviceLogDlg = new CDeviceLogDlg(m_logic.DeviceLog(), m_boxes, this);
    }
    m_deviceLogDlg->ShowBeside(*this, StatusArea());
}

void CConfigDlg::InstallAnswersCommand() {
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_E), this);
    connect(shortcut, &QShortcut::activated, this, &CConfigDlg::ShowDeviceAnswers);
}

void CConfigDlg::ShowDeviceAnswers() {
    if (m_answersDlg == nullptr) {
        m_answersDlg = new CAnswersDlg(m_logic.DeviceAnswers(), this);
    }
    m_answersDlg->ShowBeside(*this, StatusArea());
}

QRect CConfigDlg::StatusArea() const {
    const QWidget* status = Item(IDC_STATUS_GROUP);
    return {status->mapToGlobal(QPoint(0, 0)), status->size()};
}

// The status area's controls leave a double-click to the window.
void CConfigDlg::mouseDoubleClickEvent(QMouseEvent* event) {
    if (Item(IDC_STATUS_GROUP)->geometry().contains(event->position().toPoint())) {
        ShowDeviceLog();
        return;
    }
    QDialog::mouseDoubleClickEvent(event);
}

void CConfigDlg::InstallDevicesCommand() {
    m_devicesDlg = new CDevicesDlg(*this, m_boxes, ProgramDevicesEnvironment());
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_D), this);
    connect(shortcut, &QShortcut::activated, this, &CConfigDlg::ShowDevices);
}

void CConfigDlg::ShowDevices() {
    m_devicesDlg->ShowWindow();
}

void CConfigDlg::InstallFindCommand() {
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this);
    connect(shortcut, &QShortcut::activated, this, &CConfigDlg::OnFindDevices);
}

void CConfigDlg::OnFindDevices() {
    CFindDlg find(this, m_boxes, NetworkToOffer(m_logic.LastSearchedNetwork(), LocalNetworks()));
    const int result = find.exec();
    m_logic.OnNetworkSearched(find.Logic().SearchedNetwork());
    if (result == kFindConnect) {
        m_logic.ConnectToFound(find.Logic().ChosenAddress());
    }
}

void CConfigDlg::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    AddContextMenuItems(menu);
    menu.exec(event->globalPos());
}

void CConfigDlg::AddContextMenuItems(QMenu& menu) {
    if (const QString aboutText = QString::fromStdString(AboutCommandText()); !aboutText.isEmpty()) {
        connect(menu.addAction(aboutText), &QAction::triggered, this, [this] { OnSysCommand(kIdmAboutBox); });
    }
    QAction* deviceLog = menu.addAction(ResourceText(IDS_LOG_MENU_ITEM));
    deviceLog->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    connect(deviceLog, &QAction::triggered, this, &CConfigDlg::ShowDeviceLog);
    QAction* answers = menu.addAction(ResourceText(IDS_ANSWERS_MENU_ITEM));
    answers->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    connect(answers, &QAction::triggered, this, &CConfigDlg::ShowDeviceAnswers);
    QAction* devices = menu.addAction(ResourceText(IDS_DEVICES_MENU_ITEM));
    devices->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    connect(devices, &QAction::triggered, this, &CConfigDlg::ShowDevices);
    QAction* find = menu.addAction(ResourceText(IDS_FIND_DEVICES));
    find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    connect(find, &QAction::triggered, this, &CConfigDlg::OnFindDevices);
    QAction* notify = menu.addAction(ResourceText(IDS_NOTIFY_PROBLEMS));
    notify->setCheckable(true);
    notify->setChecked(m_logic.AlarmsOn());
    connect(notify, &QAction::toggled, this, [this](bool on) {
        m_logic.SetAlarmsOn(on);
        m_devicesDlg->Logic().SetAlarmsOn(on);
        SaveAlarmsOn(on);
    });
}

void CConfigDlg::OnSysCommand(unsigned command) {
    if (IsAboutCommand(command)) {
        CAboutDlg about(this);
        about.exec();
    }
}

void CConfigDlg::CreateFonts() {
    for (std::size_t index = 0; index < kControlFonts.size(); ++index) {
        const ControlFont& font = kControlFonts[index];
        m_fonts[index] = FontWithFallback(font.family, font.points, font.bold);
    }
    for (const ControlFontUse& use : kControlFontUses) {
        Item(use.controlId)->setFont(m_fonts[use.font]);
    }
}

void CConfigDlg::ConnectHandlers() {
    connect(&m_notifier, &CDesktopNotifier::Activated, this, &CConfigDlg::BringToFront);
    connect(Button(IDC_CONNECT), &QAbstractButton::clicked, this, [this] { m_logic.OnConnect(); });
    connect(Button(IDC_APPLY), &QAbstractButton::clicked, this, [this] { m_logic.OnApply(); });
    connect(Button(IDC_DHCP), &QAbstractButton::clicked, this, [this] { m_logic.OnDhcpToggle(); });
    connect(Button(IDC_QUIT), &QAbstractButton::clicked, this, [this] { m_logic.OnClose(); });
}

void CConfigDlg::BringToFront() {
    if (isMinimized()) {
        showNormal();
    }
    raise();
    activateWindow();
}

QAbstractButton* CConfigDlg::Button(int id) const {
    return static_cast<QAbstractButton*>(Item(id));
}

void CConfigDlg::customEvent(QEvent* event) {
    if (event->type() == CLinkStateEvent::EventType()) {
        const auto* report = static_cast<const CLinkStateEvent*>(event);
        m_logic.OnLinkState(report->Link(), report->Report());
    }
}

void CConfigDlg::timerEvent(QTimerEvent* event) {
    if (const std::optional<int> timerId = m_timers.IdOf(event->timerId())) {
        m_logic.OnTimer(*timerId);
    } else {
        QDialog::timerEvent(event);
    }
}

void CConfigDlg::closeEvent(QCloseEvent* event) {
    // The close routine ends the dialog itself; the default handling would only hide it.
    event->ignore();
    m_logic.OnClose();
}

void CConfigDlg::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}
