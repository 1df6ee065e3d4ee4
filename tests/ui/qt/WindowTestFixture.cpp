#include "WindowTestFixture.h"

#include "EventLoopWait.h"

#include "resources/resource.h"
#include "tests/support/LoopbackGuard.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>

std::vector<std::string> ShellOnlySim(const char* address, const std::vector<std::string>& more) {
    std::vector<std::string> options{"--address", address, "--telnet-port", "0"};
    options.insert(options.end(), more.begin(), more.end());
    return options;
}

RestartEnvironment LoopbackRestartEnvironment(RestartTiming timing) {
    return {
        .timing = timing,
        .localNetworks = [] { return std::vector<Ipv4Network>{{.address = 0x7F000001, .mask = 0xFF000000}}; },
        .mayConnectTo =
            [](const std::string& address) {
                // The window's own tries must never leave loopback, whatever a test typed.
                EXPECT_TRUE(IsLoopbackAddress(address))
                    << "the window tried to follow the device to " << address;
                return IsLoopbackAddress(address);
            }};
}

CWindowTest::CWindowTest() : m_window(m_boxes) {
    m_window.OnInitDialog();
    m_window.Logic().SetRestartEnvironment(LoopbackRestartEnvironment());
}

CWindowTest::~CWindowTest() {
    m_window.Logic().OnClose();
}

void CWindowTest::SetEditText(int id, const QString& text) {
    QWidget* control = m_window.Controls().Item(id);
    // The address box is a drop-down whose edit the user types into.
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        control = combo->lineEdit();
    }
    auto* edit = qobject_cast<QLineEdit*>(control);
    ASSERT_NE(edit, nullptr) << "control " << id << " is not an edit";
    edit->setText(text);
}

void CWindowTest::Click(int id) {
    QAbstractButton* button = ButtonOf(m_window, id);
    ASSERT_NE(button, nullptr) << "control " << id << " is not a button";
    button->click();
}

void CWindowTest::ClickConnect(const char* address) {
    // Tests talk to loopback only; a typo must not send the window to a real device.
    ASSERT_TRUE(IsLoopbackAddress(address)) << address;
    SetEditText(IDC_DEVICE_ADDRESS, QString::fromUtf8(address));
    Click(IDC_CONNECT);
}

bool CWindowTest::ConnectTo(const char* address) {
    ClickConnect(address);
    return ProcessEventsUntil([this] { return m_window.Logic().Phase() == ConnectionPhase::Connected; },
                              kDeviceWaitMs);
}

bool CWindowTest::WaitForDeviceTime() {
    return ProcessEventsUntil([this] { return IsEnabled(m_window, IDC_APPLY); }, kDeviceWaitMs);
}
