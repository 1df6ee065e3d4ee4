#include "BenchWindow.h"

#include "UtcLine.h"

#include "resources/resource.h"
#include "tests/support/LoopbackGuard.h"
#include "ui/qt/ControlText.h"
#include "ui/qt/LocalNetworks.h"
#include "ui/qt/StatusText.h"

#include <QAbstractButton>

MessageAnswer CSilentBoxes::Show(QWidget&, const std::string&, const std::string&, MessageKind kind) {
    ++m_count;
    return kind == MessageKind::Error ? MessageAnswer::Ok : m_questionAnswer;
}

CBenchWindow::CBenchWindow(const char* address) : m_dialog(m_boxes) {
    m_dialog.OnInitDialog();
    SetControlText(*m_dialog.Controls().Item(IDC_DEVICE_ADDRESS), QString::fromUtf8(address));
    RestartEnvironment environment;
    environment.localNetworks = LocalNetworks;
    environment.mayConnectTo = IsLoopbackAddress;
    m_dialog.Logic().SetRestartEnvironment(environment);
    m_dialog.show();
}

CBenchWindow::~CBenchWindow() {
    m_dialog.Logic().OnClose();
}

bool CBenchWindow::ClickConnectButton() {
    if (ConnectButtonText() == ResourceText(IDS_CONNECT) &&
        !IsLoopbackAddress(ControlText(*m_dialog.Controls().Item(IDC_DEVICE_ADDRESS)).toStdString())) {
        return false;
    }
    static_cast<QAbstractButton*>(m_dialog.Controls().Item(IDC_CONNECT))->click();
    return true;
}

bool CBenchWindow::ApplyAddressChange(const char* ip, const char* mask, const char* gateway) {
    const CDialogControls& controls = m_dialog.Controls();
    if (!IsLoopbackAddress(ip) || !controls.Item(IDC_APPLY)->isEnabled()) {
        return false;
    }
    SetControlText(*controls.Item(IDC_NEW_IP_ADDRESS), QString::fromUtf8(ip));
    SetControlText(*controls.Item(IDC_NEW_SUBNET_MASK), QString::fromUtf8(mask));
    SetControlText(*controls.Item(IDC_NEW_GATEWAY), QString::fromUtf8(gateway));
    m_boxes.SetQuestionAnswer(MessageAnswer::Yes);
    static_cast<QAbstractButton*>(controls.Item(IDC_APPLY))->click();
    m_boxes.SetQuestionAnswer(MessageAnswer::No);
    return true;
}

QString CBenchWindow::AddressBoxText() const {
    return ControlText(*m_dialog.Controls().Item(IDC_DEVICE_ADDRESS));
}

QString CBenchWindow::ConnectButtonText() const {
    return ControlText(*m_dialog.Controls().Item(IDC_CONNECT));
}

QString CBenchWindow::StatusLine() const {
    return m_dialog.Controls().StatusText(IDC_STATUS_LINE)->Text();
}

bool CBenchWindow::IsDisconnected() const {
    const auto* button = static_cast<const QAbstractButton*>(m_dialog.Controls().Item(IDC_CONNECT));
    return ConnectButtonText() == ResourceText(IDS_CONNECT) && !button->isChecked() &&
           m_dialog.Controls().Item(IDC_DEVICE_ADDRESS)->isEnabled() &&
           m_dialog.Logic().Phase() == ConnectionPhase::Disconnected;
}

bool CBenchWindow::IsConnected() const {
    return StatusLine() == ResourceText(IDS_CONNECTED_PLEASE_WAIT) || ShowsUtcTime();
}

bool CBenchWindow::ShowsUtcTime() const {
    return ShownUtcSeconds(StatusLine().toStdString()).has_value();
}
