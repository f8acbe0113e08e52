#pragma once
// A desktop of a test's own: an X server (Xvfb), a session bus that only
// this test uses (no service is started on demand) and, on request, the
// dunst notification service with a throw-away configuration. While the
// object lives, DBUS_SESSION_BUS_ADDRESS names that bus. Everything is
// stopped at the end.
//
// The bus library reads the session's address once per process: a test that
// lets the program use this bus needs a process of its own, as ctest gives
// every test.

#include "TempDir.h"
#include "TestFiles.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

#include <optional>

class DesktopSession {
public:
    DesktopSession() {
        WriteBytes(m_Dir.Path() / "bus.conf",
                   "<busconfig><type>session</type><listen>unix:dir=" + m_Dir.Path().string() +
                       "</listen><policy context=\"default\"><allow send_destination=\"*\"/>"
                       "<allow receive_sender=\"*\"/><allow own=\"*\"/></policy></busconfig>\n");
        m_Display = ":" + FirstLine(m_X, "Xvfb", {"-displayfd", "1", "-nolisten", "tcp"});
        m_Address = FirstLine(m_Bus, "dbus-daemon",
                              {"--config-file=" + QString::fromStdString(m_Dir.File("bus.conf")),
                               "--nofork", "--print-address=1"});
        m_AddressEnv.emplace("DBUS_SESSION_BUS_ADDRESS", m_Address.toStdString());
    }
    ~DesktopSession() {
        m_AddressEnv.reset();
        for (QProcess* process : {&m_Dunst, &m_Bus, &m_X}) {
            process->terminate();
            process->waitForFinished();
        }
    }

    const QString& Address() const { return m_Address; }

    // Starts dunst and waits until it owns the notification service's name.
    void StartNotificationService() {
        WriteBytes(m_Dir.Path() / "dunstrc", "[global]\n    markup = full\n");
        m_Dunst.setProcessEnvironment(Environment());
        m_Dunst.start("dunst", {"-config", QString::fromStdString(m_Dir.File("dunstrc"))});
        ASSERT_TRUE(m_Dunst.waitForStarted()) << "dunst is not installed";
        {
            const QDBusConnection probe =
                QDBusConnection::connectToBus(m_Address, "annivo-test-probe");
            ASSERT_TRUE(probe.isConnected()) << probe.lastError().message().toStdString();
            for (int wait = 0; wait < 500 && !probe.interface()->isServiceRegistered(
                                                 "org.freedesktop.Notifications");
                 ++wait)
                QTest::qWait(10);
        }
        QDBusConnection::disconnectFromBus("annivo-test-probe");
    }

    // dunstctl against this session's dunst; its standard output.
    QByteArray Control(const QStringList& arguments) {
        QProcess control;
        control.setProcessEnvironment(Environment());
        control.start("dunstctl", arguments);
        control.waitForFinished();
        EXPECT_EQ(control.exitCode(), 0) << control.readAllStandardError().toStdString();
        return control.readAllStandardOutput().trimmed();
    }
    int Displayed() { return Control({"count", "displayed"}).toInt(); }
    // Closes every notification on screen, which moves it to the history,
    // and returns the history, newest first: one "summary|body|app" a line.
    QStringList CloseAllAndReadHistory() {
        Control({"close-all"});
        QStringList lines;
        const QJsonArray history =
            QJsonDocument::fromJson(Control({"history"})).object()["data"].toArray()[0].toArray();
        for (const QJsonValue& entry : history) {
            const QJsonObject n = entry.toObject();
            lines << n["summary"]["data"].toString() + "|" + n["body"]["data"].toString() + "|" +
                         n["appname"]["data"].toString();
        }
        return lines;
    }

private:
    QProcessEnvironment Environment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DISPLAY", m_Display);
        environment.insert("DBUS_SESSION_BUS_ADDRESS", m_Address);
        return environment;
    }
    // Starts a server that prints where it listens, and reads that line.
    static QString FirstLine(QProcess& process, const QString& program,
                             const QStringList& arguments) {
        process.start(program, arguments);
        EXPECT_TRUE(process.waitForStarted()) << program.toStdString() << " is not installed";
        while (!process.canReadLine() && process.waitForReadyRead(10'000)) {
        }
        return QString::fromUtf8(process.readLine()).trimmed();
    }

    const TempDir m_Dir;
    QProcess m_X, m_Bus, m_Dunst;
    QString m_Display, m_Address;
    std::optional<ScopedEnv> m_AddressEnv;
};
