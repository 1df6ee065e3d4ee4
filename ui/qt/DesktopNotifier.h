#pragma once

#include "ui/Alarm.h"

#include <QImage>
#include <QObject>
#include <QString>

#include <map>
#include <optional>

// Shows alarms as desktop notifications through the freedesktop notification service on the session
// bus. Sending never waits: the calls go out and their answers come back as events, so a missing bus, a
// missing service or a hung one costs the window nothing, and the user simply sees no notification.
// An alarm replaces the notification of the same device and subject still on screen, so that a recovery
// takes its loss away; a click on a notification (its default action) is Activated.
class CDesktopNotifier : public QObject {
    Q_OBJECT

public:
    // appName names the sender in the notification; desktopEntry is the name of the program's desktop
    // entry, which is also the icon it installs.
    CDesktopNotifier(QString appName, QString desktopEntry, QObject* parent = nullptr);

    // Sends alarm as a notification, critical alarms with the critical urgency.
    void Notify(const Alarm& alarm);
    // Takes every notification this notifier showed off the screen.
    void CloseAll();
    // Takes the notification of alarm's device and subject off the screen, if there is one.
    void CloseOf(const Alarm& alarm);

signals:
    // The user clicked one of the notifications.
    void Activated();

private slots:
    void OnActionInvoked(uint id, const QString& action);
    void OnNotificationClosed(uint id, uint reason);

private:
    // One notification on screen (or on its way there) per device and subject.
    struct Shown {
        uint id = 0;                 // the service's; 0 until it answered
        unsigned call = 0;           // the call whose answer is awaited; 0 when none is
        std::optional<Alarm> queued; // the alarm to show once that answer is in
    };

    void Send(const QString& key, const Alarm& alarm);
    void OnNotified(const QString& key, unsigned call, std::optional<uint> id);
    void Close(uint id) const;

    QString m_appName;
    QString m_desktopEntry;
    // The icon of the program as built, for a service that cannot find it installed; null when it is.
    QImage m_icon;
    std::map<QString, Shown> m_shown;
    unsigned m_lastCall = 0;
};
