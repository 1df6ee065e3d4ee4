#pragma once

#include <QString>

struct Alarm;

// Shows alarms as desktop notifications through the freedesktop notification service on the session
// bus. Sending never waits: the call goes out without a reply being asked for, so a missing bus, a
// missing service or a hung one costs the window nothing, and the user simply sees no notification.
class CDesktopNotifier {
public:
    // appName names the sender in the notification; appIcon is the icon name the program installs.
    CDesktopNotifier(QString appName, QString appIcon);

    // Sends alarm as one notification, critical alarms with the critical urgency.
    void Notify(const Alarm& alarm) const;

private:
    QString m_appName;
    QString m_appIcon;
};
