#include "platform/DesktopNotifier.h"

#include "platform/AppTitle.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QtGlobal>

#include <utility>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
// A click on the notification invokes "default"; servers show the other as a button.
const QString kViewAction = QStringLiteral("default");
const QString kDismissAction = QStringLiteral("dismiss");

QString Q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

} // namespace

DesktopNotifier::DesktopNotifier(QObject* parent)
    : QObject(parent),
      m_ConnectionName(
          QStringLiteral("annivo-notifications-%1").arg(reinterpret_cast<quintptr>(this), 0, 16)) {}

DesktopNotifier::~DesktopNotifier() {
    if (m_Connected)
        QDBusConnection::disconnectFromBus(m_ConnectionName);
}

bool DesktopNotifier::Connect() {
    if (m_Connected)
        return true;
    if (m_NoBus)
        return false;
    // A connection of its own, closed with the notifier.
    QDBusConnection bus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_ConnectionName);
    if (!bus.isConnected()) {
        LogFailure(bus.lastError().message());
        QDBusConnection::disconnectFromBus(m_ConnectionName);
        m_NoBus = true;
        return false;
    }
    // From whoever owns the service name: the ids tell ours from other programs'.
    bus.connect(QString(), kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                SLOT(OnActionInvoked(uint, QString)));
    bus.connect(QString(), kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                SLOT(OnNotificationClosed(uint)));
    m_Connected = true;
    return true;
}

void DesktopNotifier::Notify(const QString& summary, const QString& body) {
    if (!Connect())
        return;
    Pending notification{summary,
                         QString(body).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))};
    if (m_CapabilitiesKnown) {
        Send(notification);
        return;
    }
    m_Waiting.push_back(std::move(notification));
    AskCapabilities();
}

// Asynchronous, like every call here: a service that is slow to start must not
// hold up the window.
void DesktopNotifier::AskCapabilities() {
    if (m_Asking)
        return;
    m_Asking = true;
    QDBusConnection bus(m_ConnectionName);
    auto* watcher = new QDBusPendingCallWatcher(
        bus.asyncCall(QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                     QStringLiteral("GetCapabilities"))),
        this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                m_Asking = false;
                const QDBusPendingReply<QStringList> reply = *call;
                std::vector<Pending> waiting = std::exchange(m_Waiting, {});
                if (reply.isError()) {
                    // No service (yet): these are lost, the next reminder asks again.
                    LogFailure(reply.error().message());
                    return;
                }
                m_CapabilitiesKnown = true;
                m_Markup = reply.value().contains(QStringLiteral("body-markup"));
                for (const Pending& notification : waiting)
                    Send(notification);
            });
}

void DesktopNotifier::Send(const Pending& notification) {
    // A service that reads markup would take a name such as "A<B" or "A&B" for
    // a tag or an entity and show it garbled, or not at all.
    const QString body = m_Markup ? notification.body.toHtmlEscaped() : notification.body;
    QVariantMap hints;
    // Stays in the list after an action, until the user or the program removes it.
    hints.insert(QStringLiteral("resident"), true);
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(1))); // normal
    hints.insert(QStringLiteral("desktop-entry"), Q(kAppId));
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << Q("Qilora生日提醒") << uint(0) << Q(kAppId) << notification.summary << body
         << QStringList{kViewAction, Q("查看"), kDismissAction, Q("知道了")} << hints
         << int(-1); // the service's own time on screen
    auto* watcher =
        new QDBusPendingCallWatcher(QDBusConnection(m_ConnectionName).asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                const QDBusPendingReply<uint> reply = *call;
                if (reply.isError()) {
                    // The service went away: find out anew what the next one can do.
                    m_CapabilitiesKnown = false;
                    LogFailure(reply.error().message());
                    return;
                }
                m_Shown.insert(reply.value());
            });
}

void DesktopNotifier::OnActionInvoked(uint id, const QString& action) {
    if (!m_Shown.contains(id))
        return; // another program's, or one of an earlier run
    if (action == kViewAction) {
        emit ViewRequested();
    } else if (action == kDismissAction) {
        // Resident notifications stay after an action; 知道了 is meant to remove it.
        QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                           QStringLiteral("CloseNotification"));
        call << id;
        QDBusConnection(m_ConnectionName).asyncCall(call);
        m_Shown.erase(id);
    }
}

void DesktopNotifier::OnNotificationClosed(uint id) {
    m_Shown.erase(id);
}

void DesktopNotifier::LogFailure(const QString& why) {
    if (std::exchange(m_FailureLogged, true))
        return;
    qWarning("%s", qUtf8Printable(Q("桌面通知不可用，提醒只以弹出窗口显示：") + why));
}
