#include "DesktopNotifier.h"

#include "ui/AlarmTracker.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

#include <utility>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

// The urgency levels of the notification protocol, sent as a byte.
constexpr uchar kNormalUrgency = 1;
constexpr uchar kCriticalUrgency = 2;

// Lets the service choose how long the notification stays.
constexpr int kServerDefaultTimeout = -1;

} // namespace

CDesktopNotifier::CDesktopNotifier(QString appName, QString appIcon)
    : m_appName(std::move(appName)), m_appIcon(std::move(appIcon)) {}

void CDesktopNotifier::Notify(const Alarm& alarm) const {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return; // no session bus, so no desktop to notify
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    const uchar urgency = alarm.urgency == AlarmUrgency::Critical ? kCriticalUrgency : kNormalUrgency;
    call << m_appName << 0U << m_appIcon << QString::fromStdString(alarm.summary)
         << QString::fromStdString(alarm.body) << QStringList()
         << QVariantMap{{QStringLiteral("urgency"), QVariant::fromValue(urgency)}} << kServerDefaultTimeout;
    // send() marks a call as wanting no reply: nothing waits for the service, and nothing reports its
    // absence.
    (void)bus.send(call); // false only when the bus is gone, which is the same as having none
}
