#include "ConfigDlg.h"

#include "AboutDlg.h"
#include "ControlText.h"
#include "LinkStateEvent.h"
#include "StatusText.h"
#include "ui/qt/Artwork.h"
#include "ui/res/StringTable.h"
#include "ui/res/resource.h"

#include "runtime/StateRelay.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QShortcut>
#include <QTimerEvent>

#include <array>

namespace {

// The system-menu command that opens the About box; only bits 4 to 15 of a command are compared.
constexpr unsigned kIdmAboutBox = 0x0010;
constexpr unsigned kSysCommandMask = 0xFFF0;

// The status controls that paint themselves: frame, status line, local-time line, version line and the
// two lamp captions.
constexpr std::array<int, 6> kStatusTextIds = {IDC_STATUS_FRAME, IDC_STATUS_LINE, IDC_LOCAL_TIME_LINE,
                                               IDC_VERSION_LINE, IDC_GPS_CAPTION, IDC_TIME_SYNC_CAPTION};

QString ResourceText(int stringId) {
    return QString::fromUtf8(LoadStringResource(stringId));
}

} // namespace

CConfigDlg::CConfigDlg(CMessageBoxes& boxes)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      CWorkerThread(std::string()), m_boxes(boxes), m_linkA(std::string()), m_linkB(std::string()),
      m_hIcon(LoadIconResource(IDR_MAINFRAME)) {}

CConfigDlg::~CConfigDlg() {
    // The links stop themselves; the relay is this object's own thread and must end before its parts go.
    Stop();
}

const CDeviceLink& CConfigDlg::ActiveLink() const {
    return m_connection.ActiveSide() == LinkSide::A ? m_linkA : m_linkB;
}

void CConfigDlg::OnInitDialog() {
    BuildControls();
    InstallAboutCommand();
    setWindowIcon(m_hIcon);
    CreateFonts();
    setWindowTitle(ResourceText(IDS_WINDOW_TITLE));
    LayoutControls();
    SetStartTexts();
    ConnectHandlers();
    InvalidateWindow();
    Start();
    // The dialog manager gives the focus to the first tab stop, the address edit.
    Item(IDC_DEVICE_ADDRESS)->setFocus();
}

void CConfigDlg::BuildControls() {
    const DialogTemplate& dialogTemplate = *FindDialogTemplate(IDD_CONFIG_DIALOG);
    const int dpi = logicalDpiY();
    ApplyDialogTemplateFrame(dialogTemplate, *this, dpi);
    m_controls = BuildDialogControls(dialogTemplate, *this, kStatusTextIds, dpi);
    for (int bitmapId : {IDB_LAMP_RED, IDB_LAMP_GREEN, IDB_LAMP_GREY}) {
        m_lampBitmaps[bitmapId] = LoadBitmapResource(bitmapId);
    }
}

// Window managers own the system menu here, so the About item lives in the window's context menu and
// on F1.
void CConfigDlg::InstallAboutCommand() {
    if (ResourceText(IDS_ABOUTBOX).isEmpty()) {
        return;
    }
    auto* shortcut = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(shortcut, &QShortcut::activated, this, [this] { OnSysCommand(kIdmAboutBox); });
}

void CConfigDlg::contextMenuEvent(QContextMenuEvent* event) {
    const QString aboutText = ResourceText(IDS_ABOUTBOX);
    if (aboutText.isEmpty()) {
        return;
    }
    QMenu menu(this);
    connect(menu.addAction(aboutText), &QAction::triggered, this, [this] { OnSysCommand(kIdmAboutBox); });
    menu.exec(event->globalPos());
}

void CConfigDlg::OnSysCommand(unsigned command) {
    if ((command & kSysCommandMask) == kIdmAboutBox) {
        CAboutDlg about(this);
        about.exec();
    }
}

void CConfigDlg::CreateFonts() {
    m_fontLarge = FontWithFallback("Arial", 13, true);
    for (int id : {IDC_STATUS_LINE, IDC_LOCAL_TIME_LINE, IDC_GPS_CAPTION, IDC_TIME_SYNC_CAPTION}) {
        Item(id)->setFont(m_fontLarge);
    }
    m_fontSmall = FontWithFallback("Arial", 8, false);
    Item(IDC_VERSION_LINE)->setFont(m_fontSmall);
}

void CConfigDlg::SetStartTexts() {
    SetItemText(IDC_CONNECT_GROUP, IDS_CONNECT);
    Edit(IDC_DEVICE_ADDRESS)->setText(QStringLiteral("192.168.42.7"));
    SetItemText(IDC_CONNECT, IDS_CONNECT);
    SetEnabled({IDC_STATUS_GROUP}, false);

    StatusText(IDC_STATUS_FRAME)->SetActive(false);
    StatusText(IDC_STATUS_FRAME)->SetBorder(true);
    for (int id : {IDC_STATUS_LINE, IDC_LOCAL_TIME_LINE, IDC_VERSION_LINE}) {
        StatusText(id)->SetActive(true);
    }
    StatusText(IDC_GPS_CAPTION)->SetActive(false);
    StatusText(IDC_GPS_CAPTION)->SetText(ResourceText(IDS_GPS_LOCK));
    StatusText(IDC_TIME_SYNC_CAPTION)->SetActive(false);
    StatusText(IDC_TIME_SYNC_CAPTION)->SetText(ResourceText(IDS_TIME_SYNC));

    SetItemText(IDC_CHANGE_IP_GROUP, IDS_CHANGE_IP_ADDRESS);
    Item(IDC_DHCP)->setVisible(m_bDhcpCapable);
    Edit(IDC_NEW_SUBNET_MASK)->setText(QStringLiteral("255.255.255.0"));
    SetItemText(IDC_IP_ADDRESS_LABEL, IDS_IP_ADDRESS);
    SetItemText(IDC_SUBNET_MASK_LABEL, IDS_SUBNET_MASK);
    SetItemText(IDC_GATEWAY_LABEL, IDS_GATEWAY);
    SetItemText(IDC_APPLY, IDS_APPLY);
    SetItemText(IDC_MAC_GROUP, IDS_MAC_ADDRESS);
    Edit(IDC_MAC_ADDRESS)->setText(QStringLiteral("00409D"));
    SetItemText(IDC_MAC_APPLY, IDS_APPLY);
    SetPanelEnabled(false);
    SetItemText(IDC_QUIT, IDS_CLOSE);
}

void CConfigDlg::ConnectHandlers() {
    connect(Button(IDC_CONNECT), &QAbstractButton::clicked, this, &CConfigDlg::OnConnect);
    connect(Button(IDC_APPLY), &QAbstractButton::clicked, this, &CConfigDlg::OnApply);
    connect(Button(IDC_DHCP), &QAbstractButton::clicked, this, &CConfigDlg::OnDhcpToggle);
    connect(Button(IDC_QUIT), &QAbstractButton::clicked, this, &CConfigDlg::OnClose);
}

QAbstractButton* CConfigDlg::Button(int id) const {
    return static_cast<QAbstractButton*>(Item(id));
}

QLineEdit* CConfigDlg::Edit(int id) const {
    return static_cast<QLineEdit*>(Item(id));
}

void CConfigDlg::SetItemText(int id, int stringId) {
    SetControlText(*Item(id), ResourceText(stringId));
}

void CConfigDlg::SetEnabled(std::initializer_list<int> ids, bool enabled) {
    for (int id : ids) {
        QWidget* control = Item(id);
        if (!enabled && control == focusWidget()) {
            // Qt would pass the focus on to the next tab stop, often Close or Connect, which the user's
            // next Space would press. The window takes it instead: the focus is as good as lost.
            setFocus(Qt::OtherFocusReason);
        }
        control->setEnabled(enabled);
    }
}

void CConfigDlg::SetLamp(int lampId, int bitmapId) {
    static_cast<QLabel*>(Item(lampId))->setPixmap(m_lampBitmaps.at(bitmapId));
}

void CConfigDlg::ShowError(int stringId) {
    m_boxes.Show(*this, LoadStringResource(stringId), LoadStringResource(IDS_ERROR), MessageKind::Error);
}

void CConfigDlg::InvalidateWindow() {
    update();
    for (QWidget* control : m_controls.InTemplateOrder()) {
        control->update();
    }
}

void CConfigDlg::Run() {
    RelayStates(m_stopSignal, m_linkA, m_linkB, [this](CWorkerThread& link, StateReport report) {
        QCoreApplication::postEvent(this, new CLinkStateEvent(&link, report));
    });
}

void CConfigDlg::customEvent(QEvent* event) {
    if (event->type() == CLinkStateEvent::EventType()) {
        const auto* report = static_cast<const CLinkStateEvent*>(event);
        OnLinkState(report->Link(), report->Report());
    }
}

void CConfigDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_restartTimerId) {
        OnRestartTick();
    } else {
        OnTimer();
    }
}

void CConfigDlg::closeEvent(QCloseEvent* event) {
    // The close routine ends the dialog itself; the default handling would only hide it.
    event->ignore();
    OnClose();
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

void CConfigDlg::OnClose() {
    // A hidden window's timers still fire; no try may start once the window is closed.
    StopRestartTimer();
    m_restart.End();
    m_linkA.Stop();
    m_linkB.Stop();
    // Reports the links posted before they stopped must find nothing left to fail or lose.
    m_connection.OnReset();
    Stop();
    done(0);
}
