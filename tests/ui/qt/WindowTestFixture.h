#pragma once

#include "FakeMessageBoxes.h"

#include "ui/qt/ConfigDlg.h"

#include <gtest/gtest.h>

#include <QString>

#include <string>
#include <vector>

// Connecting, accepting a link and the first device time take about 2.1 s by design (1 s pacing before
// the version command and 1 s before getdate); the bound leaves room for a busy machine.
inline constexpr int kDeviceWaitMs = 10000;

// Options of a sim at address that offers only its shell port, so that it needs no root, plus more.
std::vector<std::string> ShellOnlySim(const char* address, const std::vector<std::string>& more = {});

// The follow-up environment of window tests: this PC's only network is loopback (127.0.0.0/8), and every
// address the window would connect to on its own must pass the loopback guard, or the test fails.
RestartEnvironment LoopbackRestartEnvironment(RestartTiming timing = {});

// A configuration window set up as the program sets it up, whose message boxes are recorded instead of
// shown. It is closed through its close routine at the end of the test, which stops every thread.
class CWindowTest : public testing::Test {
protected:
    CWindowTest();
    ~CWindowTest() override;

    // Replaces the text of an edit, or of a drop-down's edit.
    void SetEditText(int id, const QString& text);
    // Clicks a button as the user would (a check button flips its tick first).
    void Click(int id);
    // Types address into the address edit and clicks Connect; never the default address.
    void ClickConnect(const char* address);
    // ClickConnect, then waits until the window has accepted a link; true when it has.
    bool ConnectTo(const char* address);
    // Waits until the window shows a device time, which enables the address change panel.
    bool WaitForDeviceTime();

    CFakeMessageBoxes m_boxes;
    CConfigDlg m_window;
};
