// The address change panel against the simulated device: what reaches the device after Yes, and that
// nothing does after No or for an invalid or hostile text. Loopback addresses 127.0.4.40 to 127.0.4.59.
#include "EventLoopWait.h"
#include "WindowTestFixture.h"

#include "resources/resource.h"
#include "tests/support/SimProcess.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr const char* kRebootWarning =
    "The unit will now reboot.\nPlease allow 2 minutes for this.\nDo you wish to continue?";

// Commands the device must receive after a click before a test may say that the click sent nothing.
// A request is typed at the next send, or after one or two more polls when the device's answer wins
// the link's wait over the request (loopback answers within microseconds); four leave a margin.
constexpr std::size_t kPollsAfterClick = 4;

using ConfigDlgAddress = CWindowTest;

std::vector<std::string> ReceivedLines(const CSimProcess& sim) {
    std::vector<std::string> texts;
    for (const SimLogLine& line : sim.ReadLog().lines) {
        texts.push_back(line.text);
    }
    return texts;
}

// Whether lines holds expected as one unbroken run, in that order.
bool ContainsRun(const std::vector<std::string>& lines, const std::vector<std::string>& expected) {
    return std::search(lines.begin(), lines.end(), expected.begin(), expected.end()) != lines.end();
}

// Keeps the window running until the sim has received count more lines than it had.
bool WaitForMoreLines(const CSimProcess& sim, std::size_t count) {
    const std::size_t wanted = ReceivedLines(sim).size() + count;
    return ProcessEventsUntil([&] { return ReceivedLines(sim).size() >= wanted; }, kDeviceWaitMs);
}

void ExpectNoAddressCommand(const CSimProcess& sim) {
    EXPECT_TRUE(sim.ReadLog().addressChanges.empty());
    for (const std::string& line : ReceivedLines(sim)) {
        for (const char* command : {"setip", "echo", "touch"}) {
            EXPECT_FALSE(line.starts_with(command)) << "the device received: " << line;
        }
    }
}

// The way the address change reaches the device: the shell's setip, or the telnet port's file writes.
struct AddressRoute {
    const char* name;
    const char* address;
    std::vector<std::string> simOptions;
    bool telnet;
    std::vector<std::string> commands;
};

class ConfigDlgAddressRoute : public CWindowTest, public testing::WithParamInterface<AddressRoute> {};

TEST_P(ConfigDlgAddressRoute, YesSendsTheValuesInNormalFormAndShowsWhereTheDeviceWentOutOfReach) {
    const AddressRoute& route = GetParam();
    if (route.telnet && !CanBindTelnetPort()) {
        GTEST_SKIP() << "a sim on the telnet port 23 needs root";
    }
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(route.simOptions)) << sim.ErrorOutput();
    ASSERT_TRUE(ConnectTo(route.address));
    EXPECT_EQ(&m_window.Logic().ActiveLink(),
              route.telnet ? &m_window.Logic().TelnetLink() : &m_window.Logic().ShellLink());
    ASSERT_TRUE(WaitForDeviceTime());

    SetEditText(IDC_NEW_IP_ADDRESS, " 10.0.0.5 ");
    SetEditText(IDC_NEW_SUBNET_MASK, "255.255.0.0");
    SetEditText(IDC_NEW_GATEWAY, "10.0.0.1");
    m_boxes.QueueAnswer(MessageAnswer::Yes);
    Click(IDC_APPLY);
    // The device reboots at once (no downtime), which ends the link: the expected end, no error.
    ASSERT_TRUE(ProcessEventsUntil([this] { return TextOf(m_window, IDC_DEVICE_ADDRESS) == "10.0.0.5"; },
                                   kDeviceWaitMs));

    const std::vector<RecordedBox>& boxes = m_boxes.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              std::string("No network of this PC holds 10.0.0.5.\nAfter the restart this PC cannot "
                          "reach the device there\nuntil it is moved to the network 10.0.0.0/16.\n\n") +
                  kRebootWarning);
    EXPECT_EQ(boxes[0].caption, "Confirm");
    EXPECT_EQ(boxes[0].kind, MessageKind::Confirm);
    EXPECT_EQ(boxes[0].window.phase, ConnectionPhase::Connected);
    EXPECT_EQ(TextOf(m_window, IDC_STATUS_LINE), "Device now at 10.0.0.5");
    EXPECT_EQ(m_window.Logic().RestartFollowPhase(), RestartPhase::Idle) << "nothing to count down or try";

    const SimLog log = sim.ReadLog();
    ASSERT_EQ(log.addressChanges.size(), 1u);
    const SimAddressChange& change = log.addressChanges[0];
    EXPECT_EQ(change.port, route.telnet ? kTelnetPort : kShellPort);
    EXPECT_EQ(change.ip, "10.0.0.5");
    EXPECT_EQ(change.mask, "255.255.0.0");
    EXPECT_EQ(change.gateway, "10.0.0.1");
    EXPECT_TRUE(ContainsRun(ReceivedLines(sim), route.commands));
    EXPECT_EQ(m_window.Logic().Phase(), ConnectionPhase::Disconnected);
    EXPECT_EQ(&m_window.Logic().ActiveLink(),
              route.telnet ? &m_window.Logic().TelnetLink() : &m_window.Logic().ShellLink())
        << "the last winner stays designated after the reset";
    sim.Stop();
}

INSTANTIATE_TEST_SUITE_P(
    Device, ConfigDlgAddressRoute,
    testing::Values(AddressRoute{"ShellPort",
                                 "127.0.4.40",
                                 {"--address", "127.0.4.40", "--telnet-port", "0", "--downtime", "0"},
                                 false,
                                 {"setip -i 10.0.0.5 -g 10.0.0.1 -s 255.255.0.0"}},
                    AddressRoute{"TelnetPort",
                                 "127.0.4.41",
                                 {"--address", "127.0.4.41", "--shell-port", "0", "--telnet-port", "23",
                                  "--downtime", "0"},
                                 true,
                                 {"echo '10.0.0.5' > /usr/ipaddress", "echo '255.255.0.0' > /usr/netmask",
                                  "echo '10.0.0.1' > /usr/gateway", "touch /usr/ramdisk/reset"}}),
    [](const testing::TestParamInfo<AddressRoute>& info) { return std::string(info.param.name); });

TEST_F(ConfigDlgAddress, NoSendsNothingAndKeepsThePanel) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(ShellOnlySim("127.0.4.42"))) << sim.ErrorOutput();
    ASSERT_TRUE(ConnectTo("127.0.4.42"));
    ASSERT_TRUE(WaitForDeviceTime());

    SetEditText(IDC_NEW_IP_ADDRESS, "10.0.0.5");
    SetEditText(IDC_NEW_SUBNET_MASK, "255.255.255.0");
    SetEditText(IDC_NEW_GATEWAY, "10.0.0.1");
    m_boxes.QueueAnswer(MessageAnswer::No);
    Click(IDC_APPLY);
    ASSERT_TRUE(WaitForMoreLines(sim, kPollsAfterClick));

    ASSERT_EQ(m_boxes.Boxes().size(), 1u);
    EXPECT_EQ(m_boxes.Boxes()[0].kind, MessageKind::Confirm);
    ExpectNoAddressCommand(sim);
    EXPECT_EQ(m_window.Logic().Phase(), ConnectionPhase::Connected);
    EXPECT_EQ(TextOf(m_window, IDC_NEW_IP_ADDRESS), "10.0.0.5");
    EXPECT_EQ(TextOf(m_window, IDC_NEW_SUBNET_MASK), "255.255.255.0");
    EXPECT_EQ(TextOf(m_window, IDC_NEW_GATEWAY), "10.0.0.1");
    EXPECT_TRUE(IsEnabled(m_window, IDC_APPLY));
    sim.Stop();
}

TEST_F(ConfigDlgAddress, YesAfterTheConnectionWasLostDuringTheQuestionReachesNoLaterConnection) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(ShellOnlySim("127.0.4.44"))) << sim.ErrorOutput();
    ASSERT_TRUE(ConnectTo("127.0.4.44"));
    ASSERT_TRUE(WaitForDeviceTime());
    SetEditText(IDC_NEW_IP_ADDRESS, "10.0.0.5");
    SetEditText(IDC_NEW_GATEWAY, "10.0.0.1");

    // The device goes away while the user still reads the warning, and the user then says Yes.
    m_boxes.WhileNextBoxIsOpen([&] {
        sim.Stop();
        EXPECT_TRUE(ProcessEventsUntil([this] { return m_boxes.Boxes().size() >= 2; }, kDeviceWaitMs));
    });
    m_boxes.QueueAnswer(MessageAnswer::Yes);
    Click(IDC_APPLY);
    const std::vector<RecordedBox> boxes = m_boxes.TakeBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].kind, MessageKind::Confirm);
    EXPECT_EQ(boxes[1].text, "Connection has been lost");
    EXPECT_EQ(m_window.Logic().Phase(), ConnectionPhase::Disconnected);

    // The change was meant for a connection that is over; the next one must not carry it out.
    CSimProcess restarted;
    ASSERT_TRUE(restarted.Start(ShellOnlySim("127.0.4.44"))) << restarted.ErrorOutput();
    ASSERT_TRUE(ConnectTo("127.0.4.44"));
    ASSERT_TRUE(WaitForMoreLines(restarted, kPollsAfterClick));
    ExpectNoAddressCommand(restarted);
    EXPECT_EQ(m_window.Logic().Phase(), ConnectionPhase::Connected);
    EXPECT_TRUE(m_boxes.Boxes().empty());
    restarted.Stop();
}

// Three texts of the panel and the one message they must give.
struct RefusedInput {
    const char* ip;
    const char* mask;
    const char* gateway;
    const char* message;
};

constexpr const char* kBadIp = "IP address is not valid";
constexpr const char* kBadMask = "Subnet mask is not valid";
constexpr const char* kBadGateway = "Gateway is not valid";

// Each is refused at its first invalid field, in the order IP address, subnet mask, gateway; the
// hostile ones would run shell commands on the device if they were typed there.
constexpr RefusedInput kRefusedInputs[] = {
    {"10.0.0.5", "255.255.255.0", "", kBadGateway},
    {"0.0.0.0", "255.255.255.0", "10.0.0.1", kBadIp},
    {"300.1.1.1", "255.255.255.0", "10.0.0.1", kBadIp},
    {"-1.2.3.4", "255.255.255.0", "10.0.0.1", kBadIp},
    {"1.2.3.4.5", "255.255.255.0", "10.0.0.1", kBadIp},
    {"10.0.0.5; reboot", "255.255.255.0", "10.0.0.1", kBadIp},
    {"10.0.0.5' > /etc/passwd; echo '", "255.255.255.0", "10.0.0.1", kBadIp},
    {"10.0.0.5", "255.0.255.0", "10.0.0.1", kBadMask},
    {"10.0.0.5", "255.255.255.0 && reboot", "10.0.0.1", kBadMask},
    {"10.0.0.5", "255.255.255.0", "10.0.0.1 -s 0.0.0.0", kBadGateway},
    {"10.0.0", "255.255", "", kBadIp},
};

TEST_F(ConfigDlgAddress, InvalidAndHostileTextsGetTheirMessageAndNeverReachTheDevice) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start(ShellOnlySim("127.0.4.43"))) << sim.ErrorOutput();
    ASSERT_TRUE(ConnectTo("127.0.4.43"));
    ASSERT_TRUE(WaitForDeviceTime());

    for (const RefusedInput& input : kRefusedInputs) {
        SCOPED_TRACE(std::string(input.ip) + " / " + input.mask + " / " + input.gateway);
        SetEditText(IDC_NEW_IP_ADDRESS, input.ip);
        SetEditText(IDC_NEW_SUBNET_MASK, input.mask);
        SetEditText(IDC_NEW_GATEWAY, input.gateway);
        Click(IDC_APPLY);

        const std::vector<RecordedBox> boxes = m_boxes.TakeBoxes();
        ASSERT_EQ(boxes.size(), 1u) << "one message and no confirmation";
        EXPECT_EQ(boxes[0].text, input.message);
        EXPECT_EQ(boxes[0].caption, "Error");
        EXPECT_EQ(boxes[0].kind, MessageKind::Error);
        EXPECT_EQ(TextOf(m_window, IDC_NEW_IP_ADDRESS), input.ip) << "the texts stay for correction";
        EXPECT_EQ(TextOf(m_window, IDC_NEW_SUBNET_MASK), input.mask);
        EXPECT_EQ(TextOf(m_window, IDC_NEW_GATEWAY), input.gateway);
    }
    ASSERT_TRUE(WaitForMoreLines(sim, kPollsAfterClick));
    ExpectNoAddressCommand(sim);
    EXPECT_EQ(m_window.Logic().Phase(), ConnectionPhase::Connected);
    sim.Stop();
}

} // namespace
