#include "connect/LinkRace.h"

#include "tests/ui/support/FakeRacingLink.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kAddress = "127.0.35.2";

class LinkRaceTest : public ::testing::Test {
protected:
    CFakeRacingLink& Fake(LinkSide side) { return side == LinkSide::Shell ? m_shell : m_telnet; }
    static LinkSide Rival(LinkSide side) {
        return side == LinkSide::Shell ? LinkSide::Telnet : LinkSide::Shell;
    }
    ReportAction Report(LinkSide side, LinkState state) {
        return m_race.OnReport(side, Fake(side).Report(state));
    }

    CFakeRacingLink m_shell;
    CFakeRacingLink m_telnet;
    CLinkRace m_race{m_shell, m_telnet};
};

TEST_F(LinkRaceTest, StartsBothLinksAgainstTheAddressOnTheirPorts) {
    LinkTiming timing;
    timing.pollPacingMs = 1234;
    ASSERT_TRUE(m_race.Start(kAddress, timing));
    CLinkRace otherPorts{m_shell, m_telnet, {.shell = 15316, .telnet = 2323}};
    ASSERT_TRUE(otherPorts.Start(kAddress, timing));

    ASSERT_EQ(m_shell.m_runs.size(), 2u);
    ASSERT_EQ(m_telnet.m_runs.size(), 2u);
    EXPECT_EQ(m_shell.m_runs[0].host, kAddress);
    EXPECT_EQ(m_telnet.m_runs[0].host, kAddress);
    EXPECT_EQ(m_shell.m_runs[0].port, kShellPort);
    EXPECT_EQ(m_telnet.m_runs[0].port, kTelnetPort);
    EXPECT_EQ(m_shell.m_runs[1].port, 15316);
    EXPECT_EQ(m_telnet.m_runs[1].port, 2323);
    EXPECT_EQ(m_telnet.m_runs[0].timing.pollPacingMs, 1234u);
    EXPECT_EQ(m_race.Phase(), ConnectionPhase::Connecting);
}

TEST_F(LinkRaceTest, TheFirstReadyLinkWinsAndItsRivalStops) {
    for (const LinkSide winner : {LinkSide::Shell, LinkSide::Telnet}) {
        SCOPED_TRACE(winner == LinkSide::Shell ? "shell wins" : "telnet wins");
        ASSERT_TRUE(m_race.Start(kAddress, LinkTiming{}));
        EXPECT_EQ(Report(winner, StateStarting), ReportAction::Ignore);
        EXPECT_EQ(Report(winner, StateReady), ReportAction::Accept);
        EXPECT_EQ(m_race.Phase(), ConnectionPhase::Connected);
        EXPECT_EQ(m_race.ActiveSide(), winner);
        EXPECT_EQ(&m_race.ActiveLink(), &Fake(winner));
        EXPECT_TRUE(Fake(winner).Worker().IsStarted());
        EXPECT_FALSE(Fake(Rival(winner)).Worker().IsStarted());
        // The stopped rival's last word, and any later one of the winner, ends the connection once.
        EXPECT_EQ(Report(Rival(winner), StateReady), ReportAction::Ignore);
        EXPECT_EQ(Report(winner, StateSilent), ReportAction::Lose);
        EXPECT_EQ(m_race.Phase(), ConnectionPhase::Disconnected);
        m_race.Stop();
    }
}

TEST_F(LinkRaceTest, TheAttemptFailsOnlyWhenBothLinksFailed) {
    ASSERT_TRUE(m_race.Start(kAddress, LinkTiming{}));
    EXPECT_EQ(Report(LinkSide::Telnet, StateConnectFailed), ReportAction::MarkFailed);
    EXPECT_EQ(Report(LinkSide::Shell, StateSilent), ReportAction::FailAttempt);
    // The owner reports the failure with the links stopped and the attempt still standing.
    m_race.StopLinks();
    EXPECT_EQ(m_race.Phase(), ConnectionPhase::Connecting);
    EXPECT_FALSE(m_shell.Worker().IsStarted());
    EXPECT_FALSE(m_telnet.Worker().IsStarted());
    m_race.Stop();
    EXPECT_EQ(m_race.Phase(), ConnectionPhase::Disconnected);
}

TEST_F(LinkRaceTest, ALinkWithoutAThreadCountsAsFailed) {
    struct Case {
        const char* name;
        bool shellFails;
        bool telnetFails;
        bool started;
    };
    for (const Case& c : {Case{"shell", true, false, true}, Case{"telnet", false, true, true},
                          Case{"both", true, true, false}}) {
        SCOPED_TRACE(c.name);
        m_shell.failStart = c.shellFails;
        m_telnet.failStart = c.telnetFails;
        EXPECT_EQ(m_race.Start(kAddress, LinkTiming{}), c.started);
        if (c.started) {
            // The other link alone decides the attempt.
            const LinkSide running = c.shellFails ? LinkSide::Telnet : LinkSide::Shell;
            EXPECT_EQ(Report(running, StateConnectFailed), ReportAction::FailAttempt);
        }
        m_race.Stop();
    }
}

TEST_F(LinkRaceTest, TellsTheSideOfAReportingThread) {
    EXPECT_EQ(m_race.SideOf(&m_shell.Worker()), LinkSide::Shell);
    EXPECT_EQ(m_race.SideOf(&m_telnet.Worker()), LinkSide::Telnet);
}

} // namespace
