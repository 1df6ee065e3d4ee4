// vantrex-config as the user starts it, with its own options and Qt's. Qt is given a platform that
// cannot start unless a -platform option replaces it, so what the program answers without one it
// answers without a display. Address 127.0.4.70, never contacted (no --connect).
#include "tests/support/ChildProcess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Far beyond the run of a program that only prints and ends.
constexpr int kAnswerMs = 10000;
// Far beyond the moment a refused command line would have ended the program.
constexpr int kRunsOnMs = 2000;

class ProgramTest : public testing::Test {
protected:
    void SetUp() override { setenv("QT_QPA_PLATFORM", "no-such-platform", 1); }

    bool Start(const std::vector<std::string>& arguments) {
        std::vector<std::string> command{VANTREX_CONFIG_PATH};
        command.insert(command.end(), arguments.begin(), arguments.end());
        return m_program.Start(command);
    }

    CChildProcess m_program;
};

// A command line that asks for no window, and how the program answers it.
struct Answer {
    std::vector<std::string> arguments;
    int exitStatus;
    std::string firstLineStart; // of standard output; empty: no output there
};

TEST_F(ProgramTest, AnswersItsOwnOptionsAfterQtHasTakenItsOwn) {
    const Answer answers[] = {
        {{"--version"}, 0, "vantrex-config "},
        {{"--help"}, 0, "Usage: vantrex-config "},
        {{"-platform", "offscreen", "-style", "Fusion", "--version"}, 0, "vantrex-config "},
        {{"--help", "-platform", "offscreen"}, 0, "Usage: vantrex-config "},
        {{"-platform", "offscreen", "--conect"}, 2, ""},
        {{"-style", "Fusion", "-platform", "offscreen", "127.0.4.70", "127.0.4.71"}, 2, ""},
    };
    for (const Answer& answer : answers) {
        std::string line;
        for (const std::string& argument : answer.arguments) {
            line += argument + " ";
        }
        SCOPED_TRACE(line);
        ASSERT_TRUE(Start(answer.arguments));
        const std::string firstLine = m_program.ReadLine(kAnswerMs).value_or("");
        EXPECT_TRUE(firstLine.starts_with(answer.firstLineStart)) << firstLine;
        EXPECT_EQ(firstLine.empty(), answer.firstLineStart.empty()) << firstLine;
        EXPECT_EQ(m_program.Finish(kAnswerMs), answer.exitStatus);
    }
}

TEST_F(ProgramTest, OpensTheWindowWithQtOptions) {
    ASSERT_TRUE(Start({"-platform", "offscreen", "-style", "Fusion", "127.0.4.70"}));
    EXPECT_EQ(m_program.Finish(kRunsOnMs), 128 + SIGTERM) << "the window should still have been open";
}

} // namespace
