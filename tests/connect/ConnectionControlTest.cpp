#include "connect/ConnectionControl.h"

#include "link/LinkState.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint16_t kShellRun = 7;
constexpr std::uint16_t kTelnetRun = 3;

StateReport Report(int state, std::uint16_t run, std::uint16_t sequence) {
    return {state, run, sequence};
}

class ConnectionControlTest : public ::testing::Test {
protected:
    void StartAttempt() { m_control.OnAttemptStarted(kShellRun, kTelnetRun); }
    ReportAction FromA(int state, std::uint16_t sequence) {
        return m_control.OnReport(LinkSide::Shell, Report(state, kShellRun, sequence));
    }
    ReportAction FromB(int state, std::uint16_t sequence) {
        return m_control.OnReport(LinkSide::Telnet, Report(state, kTelnetRun, sequence));
    }

    CConnectionControl m_control;
};

TEST_F(ConnectionControlTest, StartsDisconnectedOnTheShellLinkAndIgnoresReports) {
    EXPECT_EQ(m_control.Phase(), ConnectionPhase::Disconnected);
    EXPECT_EQ(m_control.ActiveSide(), LinkSide::Shell);
    EXPECT_EQ(FromA(StateReady, 1), ReportAction::Ignore);
    EXPECT_EQ(FromB(StateConnectFailed, 1), ReportAction::Ignore);
    EXPECT_EQ(m_control.Phase(), ConnectionPhase::Disconnected);
}

TEST_F(ConnectionControlTest, CancelDuringAttemptDisconnectsAndSilencesItsLinks) {
    StartAttempt();
    EXPECT_EQ(m_control.Phase(), ConnectionPhase::Connecting);
    m_control.OnReset();
    EXPECT_EQ(m_control.Phase(), ConnectionPhase::Disconnected);
    // Reports posted before the cancel arrive afterwards and must not connect the window.
    EXPECT_EQ(FromA(StateReady, 2), ReportAction::Ignore);
    EXPECT_EQ(FromB(StateSilent, 2), ReportAction::Ignore);
    EXPECT_EQ(m_control.Phase(), ConnectionPhase::Disconnected);
}

TEST_F(ConnectionControlTest, StartingReportsChangeNothing) {
    StartAttempt();
    EXPECT_EQ(FromA(StateStarting, 1), ReportAction::Ignore);
    EXPECT_EQ(FromB(StateStarting, 1), ReportAction::Ignore);
    EXPECT_EQ(m_control.Phase(), ConnectionPhase::Connecting);
    EXPECT_FALSE(m_control.HasFailed(LinkSide::Shell));
    EXPECT_FALSE(m_control.HasFailed(LinkSide::Telnet));
}

TEST_F(ConnectionControlTest, BFailsThenAReadyAcceptsAAndStopsB) {
    StartAttempt();
    EXPECT_EQ(FromB(StateConnectFailed, 2), ReportAction::MarkFailed);
    EXPECT_TRUE(m_control.HasFailed(LinkSide::Telnet));
    EXPECT_EQ(FromA(StateReady, 2), ReportAction::Accept);
    EXPECT_EQ(m_control.Phase(), ConnectionPhase::Connected);
    EXPECT_EQ(m_control.ActiveSide(), LinkSide::Shell);
    // The telnet link was stopped by the accepting step, so its late news is no loss of the shell's
    // connection.
    EXPECT_EQ(FromB(StateLinkClosed, 3), ReportAction::Ignore);
    EXPECT_EQ(m_control.Phase(), ConnectionPhase::Connected);
}

TEST_F(ConnectionControlTest, BReadyWinsAndStaysActiveAcrossResets) {
    StartAttempt();
    EXPECT_EQ(FromB(StateReady, 2), ReportAction::Accept);
    EXPECT_EQ(FromA(StateReady, 2), ReportAction::Ignore);
    EXPECT_EQ(m_control.ActiveSide(), LinkSide::Telnet);
    m_control.OnReset();
    EXPECT_EQ(m_control.ActiveSide(), LinkSide::Telnet);
    StartAttempt();
    EXPECT_EQ(m_control.ActiveSide(), LinkSide::Telnet);
    EXPECT_EQ(FromA(StateReady, 2), ReportAction::Accept);
    EXPECT_EQ(m_control.ActiveSide(), LinkSide::Shell);
}

TEST_F(ConnectionControlTest, BothFailingFailsTheAttemptExactlyOnce) {
    StartAttempt();
    EXPECT_EQ(FromA(StateSocketFailed, 2), ReportAction::MarkFailed);
    EXPECT_EQ(FromB(StateSilent, 3), ReportAction::FailAttempt);
    // While the failure is shown the window is still connecting, but no report may fail it again.
    EXPECT_EQ(m_control.Phase(), ConnectionPhase::Connecting);
    EXPECT_EQ(FromB(StateSilent, 3), ReportAction::Ignore);
    EXPECT_EQ(FromA(StateReceiveFailed, 3), ReportAction::Ignore);
    EXPECT_EQ(FromB(StateReady, 4), ReportAction::Ignore);
    m_control.OnReset();
    EXPECT_EQ(m_control.Phase(), ConnectionPhase::Disconnected);
}

TEST_F(ConnectionControlTest, RepeatedFailureOfOneLinkDoesNotFailTheAttempt) {
    StartAttempt();
    EXPECT_EQ(FromA(StateConnectFailed, 2), ReportAction::MarkFailed);
    EXPECT_EQ(FromA(StateConnectFailed, 2), ReportAction::Ignore);
    EXPECT_EQ(m_control.Phase(), ConnectionPhase::Connecting);
    EXPECT_FALSE(m_control.HasFailed(LinkSide::Telnet));
}

TEST_F(ConnectionControlTest, NewAttemptClearsFailureFlags) {
    StartAttempt();
    EXPECT_EQ(FromA(StateConnectFailed, 2), ReportAction::MarkFailed);
    m_control.OnReset();
    EXPECT_TRUE(m_control.HasFailed(LinkSide::Shell));
    m_control.OnAttemptStarted(kShellRun + 1, kTelnetRun + 1);
    EXPECT_FALSE(m_control.HasFailed(LinkSide::Shell));
    EXPECT_EQ(m_control.OnReport(LinkSide::Telnet, Report(StateConnectFailed, kTelnetRun + 1, 2)),
              ReportAction::MarkFailed);
}

TEST_F(ConnectionControlTest, AnyFreshReportWhileConnectedLosesTheConnection) {
    for (const int state : {StateReceiveFailed, StateStarting, StateSocketFailed, StateConnectFailed,
                            StateLinkClosed, StateSilent, StateReady}) {
        SCOPED_TRACE(state);
        StartAttempt();
        ASSERT_EQ(FromB(StateReady, 2), ReportAction::Accept);
        EXPECT_EQ(FromB(state, 3), ReportAction::Lose);
        EXPECT_EQ(m_control.Phase(), ConnectionPhase::Disconnected);
        EXPECT_EQ(m_control.ActiveSide(), LinkSide::Telnet);
        // Once lost, the window is disconnected: further news of the same run is not a second loss.
        EXPECT_EQ(FromB(state, 4), ReportAction::Ignore);
    }
}

TEST_F(ConnectionControlTest, DuplicatedOrOlderReportIsNotALoss) {
    StartAttempt();
    ASSERT_EQ(FromA(StateReady, 3), ReportAction::Accept);
    EXPECT_EQ(FromA(StateReady, 3), ReportAction::Ignore);
    EXPECT_EQ(FromA(StateStarting, 2), ReportAction::Ignore);
    EXPECT_EQ(FromA(StateReady, 0), ReportAction::Ignore);
    EXPECT_EQ(m_control.Phase(), ConnectionPhase::Connected);
}

TEST_F(ConnectionControlTest, ReportsOfAnEarlierRunAreIgnored) {
    StartAttempt();
    m_control.OnReset();
    m_control.OnAttemptStarted(kShellRun + 1, kTelnetRun + 1);
    EXPECT_EQ(FromA(StateReady, 2), ReportAction::Ignore);
    EXPECT_EQ(FromB(StateConnectFailed, 2), ReportAction::Ignore);
    EXPECT_EQ(m_control.Phase(), ConnectionPhase::Connecting);
    // Sequences start again with each run: a low sequence of the present run counts.
    EXPECT_EQ(m_control.OnReport(LinkSide::Shell, Report(StateReady, kShellRun + 1, 1)),
              ReportAction::Accept);
}

TEST_F(ConnectionControlTest, StartValueWithSequenceZeroIsNoReport) {
    StartAttempt();
    EXPECT_EQ(FromA(StateReceiveFailed, 0), ReportAction::Ignore);
    EXPECT_FALSE(m_control.HasFailed(LinkSide::Shell));
}

TEST_F(ConnectionControlTest, StoppedLinkIsSilenced) {
    StartAttempt();
    m_control.OnLinkStopped(LinkSide::Telnet);
    EXPECT_EQ(FromB(StateReady, 2), ReportAction::Ignore);
    EXPECT_EQ(FromA(StateReady, 2), ReportAction::Accept);
}

TEST_F(ConnectionControlTest, LinkThatCannotStartCountsAsFailed) {
    StartAttempt();
    EXPECT_EQ(m_control.OnStartFailed(LinkSide::Shell), ReportAction::MarkFailed);
    EXPECT_EQ(FromB(StateSilent, 2), ReportAction::FailAttempt);

    m_control.OnReset();
    StartAttempt();
    EXPECT_EQ(m_control.OnStartFailed(LinkSide::Shell), ReportAction::MarkFailed);
    EXPECT_EQ(m_control.OnStartFailed(LinkSide::Telnet), ReportAction::FailAttempt);
    EXPECT_EQ(m_control.OnStartFailed(LinkSide::Telnet), ReportAction::Ignore);
}

} // namespace
