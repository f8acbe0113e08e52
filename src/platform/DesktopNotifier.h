#pragma once

#include <QObject>
#include <QString>

#include <set>
#include <vector>

class QDBusPendingCallWatcher;

// Puts reminders into the desktop's notification list through the
// freedesktop notification service on the session bus, with the actions
// 查看 and 知道了. They stay listed after the pop-up is gone, which matters on
// desktops without a notification area, where the pop-up is easily missed.
//
// The bus is first opened by the first notification, so a start costs
// nothing. Without a bus or a notification service nothing fails: the first
// failure of a run is logged, the rest are silent.
class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    explicit DesktopNotifier(QObject* parent = nullptr);
    ~DesktopNotifier() override;

    // Sends one notification; the body is plain text (CR LF or LF breaks).
    void Notify(const QString& summary, const QString& body);

signals:
    // 查看, or a click on one of this program's notifications.
    void ViewRequested();

private slots:
    void OnActionInvoked(uint id, const QString& action);
    void OnNotificationClosed(uint id);

private:
    struct Pending {
        QString summary;
        QString body;
    };
    bool Connect();
    void AskCapabilities();
    void Send(const Pending& notification);
    void LogFailure(const QString& why);

    QString m_ConnectionName;
    bool m_Connected = false;
    bool m_NoBus = false;
    bool m_Asking = false; // the service's capabilities are being asked
    bool m_CapabilitiesKnown = false;
    bool m_Markup = false; // the service reads the body as markup
    bool m_FailureLogged = false;
    std::vector<Pending> m_Waiting; // sent once the capabilities are known
    std::set<uint> m_Shown;         // ids of ours still in the list
};
