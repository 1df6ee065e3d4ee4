#include "DesktopNotifier.h"

#include "Artwork.h"
#include "resources/StringTable.h"
#include "resources/resource.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStandardPaths>
#include <QStringList>
#include <QVariantMap>

#include <utility>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
// The action a click on the notification itself invokes.
const QString kDefaultAction = QStringLiteral("default");

// The urgency levels of the notification protocol, sent as a byte.
constexpr uchar kNormalUrgency = 1;
constexpr uchar kCriticalUrgency = 2;

// Lets the service choose how long the notification stays.
constexpr int kServerDefaultTimeout = -1;

// The size the package installs the icon at, and draws the notification's picture at.
constexpr int kIconPixels = 64;

QDBusMessage Call(const QString& method) {
    return QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
}

// Whether the desktop finds the program's icon by its name: the package installs it into the icon theme.
bool IconInstalled(const QString& name) {
    const QString file = QStringLiteral("icons/hicolor/%1x%1/apps/%2.png").arg(kIconPixels).arg(name);
    return !QStandardPaths::locate(QStandardPaths::GenericDataLocation, file).isEmpty();
}

// A picture as the protocol's image-data hint takes it: 8-bit RGBA rows.
struct NotificationImage {
    int width = 0;
    int height = 0;
    int rowStride = 0;
    QByteArray bytes;
};

QDBusArgument& operator<<(QDBusArgument& argument, const NotificationImage& image) {
    constexpr int kBitsPerSample = 8;
    constexpr int kChannels = 4;
    argument.beginStructure();
    argument << image.width << image.height << image.rowStride << true << kBitsPerSample << kChannels
             << image.bytes;
    argument.endStructure();
    return argument;
}

// Never received; the type system asks for it all the same.
const QDBusArgument& operator>>(const QDBusArgument& argument, NotificationImage&) {
    return argument;
}

QString KeyOf(const Alarm& alarm) {
    return QStringLiteral("%1/%2/%3")
        .arg(QString::fromStdString(alarm.device))
        .arg(static_cast<int>(alarm.subject.topic))
        .arg(static_cast<int>(alarm.subject.problem));
}

} // namespace

Q_DECLARE_METATYPE(NotificationImage)

namespace {

QVariant ImageHint(const QImage& image) {
    const NotificationImage hint{image.width(), image.height(), static_cast<int>(image.bytesPerLine()),
                                 QByteArray(reinterpret_cast<const char*>(image.constBits()),
                                            static_cast<qsizetype>(image.sizeInBytes()))};
    return QVariant::fromValue(hint);
}

} // namespace

CDesktopNotifier::CDesktopNotifier(QString appName, QString desktopEntry, QObject* parent)
    : QObject(parent), m_appName(std::move(appName)), m_desktopEntry(std::move(desktopEntry)) {
    qDBusRegisterMetaType<NotificationImage>();
    if (!IconInstalled(m_desktopEntry)) {
        m_icon = LoadIconResource(IDR_MAINFRAME)
                     .pixmap(kIconPixels, kIconPixels)
                     .toImage()
                     .convertToFormat(QImage::Format_RGBA8888);
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    // Without a bus there is nothing to listen to; the signals of any sender are the service's.
    (void)bus.connect(QString(), kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                      SLOT(OnActionInvoked(uint, QString)));
    (void)bus.connect(QString(), kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                      SLOT(OnNotificationClosed(uint, uint)));
}

void CDesktopNotifier::Notify(const Alarm& alarm) {
    const QString key = KeyOf(alarm);
    Shown& shown = m_shown[key];
    // The one before has yet to say which notification to replace.
    if (shown.call != 0) {
        shown.queued = alarm;
        return;
    }
    Send(key, alarm);
}

void CDesktopNotifier::Send(const QString& key, const Alarm& alarm) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        m_shown.erase(key);
        return; // no session bus, so no desktop to notify
    }
    Shown& shown = m_shown[key];
    const uchar urgency = alarm.urgency == AlarmUrgency::Critical ? kCriticalUrgency : kNormalUrgency;
    QVariantMap hints{{QStringLiteral("urgency"), QVariant::fromValue(urgency)},
                      {QStringLiteral("desktop-entry"), m_desktopEntry}};
    if (!m_icon.isNull()) {
        hints.insert(QStringLiteral("image-data"), ImageHint(m_icon));
    }
    QDBusMessage call = Call(QStringLiteral("Notify"));
    call << m_appName << shown.id << m_desktopEntry << QString::fromStdString(alarm.summary)
         << QString::fromStdString(alarm.body)
         << QStringList{kDefaultAction, QString::fromUtf8(LoadStringResource(IDS_ALARM_SHOW))} << hints
         << kServerDefaultTimeout;
    shown.call = ++m_lastCall;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, key, number = shown.call](QDBusPendingCallWatcher* finished) {
                const QDBusPendingReply<uint> reply = *finished;
                OnNotified(key, number, reply.isValid() ? std::optional(reply.value()) : std::nullopt);
                finished->deleteLater();
            });
}

void CDesktopNotifier::OnNotified(const QString& key, unsigned call, std::optional<uint> id) {
    const auto shown = m_shown.find(key);
    if (shown == m_shown.end() || shown->second.call != call) {
        // Closed while on its way: it goes as soon as it came.
        if (id) {
            Close(*id);
        }
        return;
    }
    // A service that did not answer showed nothing to replace.
    shown->second.id = id.value_or(0);
    shown->second.call = 0;
    if (std::optional<Alarm> queued = std::exchange(shown->second.queued, std::nullopt)) {
        Send(key, *queued);
    }
}

void CDesktopNotifier::CloseAll() {
    for (const auto& [key, shown] : m_shown) {
        if (shown.id != 0) {
            Close(shown.id);
        }
    }
    m_shown.clear();
}

void CDesktopNotifier::CloseOf(const Alarm& alarm) {
    const auto shown = m_shown.find(KeyOf(alarm));
    if (shown == m_shown.end()) {
        return;
    }
    if (shown->second.id != 0) {
        Close(shown->second.id);
    }
    // One still on its way is closed as it comes (OnNotified), and what was queued behind it is void.
    m_shown.erase(shown);
}

void CDesktopNotifier::Close(uint id) const {
    QDBusMessage call = Call(QStringLiteral("CloseNotification"));
    call << id;
    // No answer is awaited: a notification the service closed already is gone either way.
    (void)QDBusConnection::sessionBus().send(call);
}

void CDesktopNotifier::OnActionInvoked(uint id, const QString& action) {
    if (action != kDefaultAction) {
        return;
    }
    for (const auto& [key, shown] : m_shown) {
        if (shown.id == id && id != 0) {
            emit Activated();
            return;
        }
    }
}

void CDesktopNotifier::OnNotificationClosed(uint id, uint) {
    for (auto& [key, shown] : m_shown) {
        if (shown.id == id) {
            // The next alarm of the subject is a notification of its own again.
            shown.id = 0;
        }
    }
}
