#pragma once

#include "AddressChangePanel.h"
#include "AlarmFeed.h"
#include "DeviceConnection.h"
#include "DialogView.h"

#include "health/ClockStep.h"

// The live status display of the connected device, four refreshes a second: the link's readings and the
// time service's answer become the status lines, the lamps and their tips; the device is judged as the
// status program judges it, and the judgement goes to the alarm feed.
class CStatusRefresh {
public:
    // Reads connection's active link; view, connection, feed and panel outlive the refresh.
    CStatusRefresh(CDialogView& view, const CDeviceConnection& connection, CAlarmFeed& feed,
                   CAddressChangePanel& panel)
        : m_view(view), m_connection(connection), m_feed(feed), m_panel(panel) {}
    CStatusRefresh(const CStatusRefresh&) = delete;
    CStatusRefresh& operator=(const CStatusRefresh&) = delete;

    // One refresh at now; the panel is enabled when the device allows a change and panelMayEnable says
    // the window does.
    void Refresh(bool panelMayEnable, CClockStep::Clock::time_point now);
    // The next device may be another one: its clock is not held to the last one's.
    void ForgetClockStep() { m_clockStep = CClockStep{}; }

private:
    CDialogView& m_view;
    const CDeviceConnection& m_connection;
    CAlarmFeed& m_feed;
    CAddressChangePanel& m_panel;
    CClockStep m_clockStep;
};
