#include "exchange/CalendarSyncScheduler.h"

#include "exchange/CalDavPublish.h"
#include "platform/Clock.h"
#include "platform/ProgramDirectory.h"
#include "platform/SecretStore.h"
#include "storage/CAdoDatabase.h"

#include <QMetaObject>
#include <QPointer>

#include <chrono>

namespace {
constexpr auto kAfterChange = std::chrono::minutes(1);
constexpr auto kDaily = std::chrono::hours(24);
} // namespace

CalendarSyncScheduler::CalendarSyncScheduler(const Clock& clock,
                                             std::function<void(const std::string&)> hint,
                                             QObject* parent)
    : QObject(parent), m_Clock(clock), m_Hint(std::move(hint)) {
    m_ChangeTimer.setSingleShot(true);
    m_ChangeTimer.setInterval(kAfterChange);
    connect(&m_ChangeTimer, &QTimer::timeout, this, &CalendarSyncScheduler::PublishSoon);
    m_DailyTimer.setInterval(kDaily);
    connect(&m_DailyTimer, &QTimer::timeout, this, &CalendarSyncScheduler::PublishSoon);
    m_DailyTimer.start();
}

CalendarSyncScheduler::~CalendarSyncScheduler() {
    Join();
}

void CalendarSyncScheduler::Join() {
    if (m_Worker.joinable())
        m_Worker.join();
}

void CalendarSyncScheduler::PeopleChanged() {
    // Not restarted by a second change: the first one waits at most a minute.
    if (!m_ChangeTimer.isActive() && ReadCalendarSyncSettings().Configured())
        m_ChangeTimer.start();
}

void CalendarSyncScheduler::Report(const std::string& hint) {
    if (m_Hint)
        m_Hint(hint);
    emit Finished(QString::fromStdString(hint));
}

void CalendarSyncScheduler::PublishSoon() {
    if (m_Running) {
        m_Again = true;
        return;
    }
    const CalendarSyncSettings settings = ReadCalendarSyncSettings();
    if (!settings.Configured())
        return;
    // Reading from a locked keyring makes the desktop ask for its password,
    // and nobody asked for a publish now.
    if (SecretStoreLocked()) {
        Report("日历未同步：桌面的密码库已锁定，解锁后会在下次同步时继续。");
        return;
    }
    m_Running = true;
    ReadSecretLater(
        CalendarSecretKey(settings.url, settings.user), this,
        [this, settings](const SecretResult& secret) {
            if (secret.outcome != SecretOutcome::Done) {
                m_Running = false;
                Report(secret.outcome == SecretOutcome::NoStore
                           ? "日历未同步：没有可用的密码库，请在“设定 > 日历同步”中按“立即同步”。"
                       : secret.outcome == SecretOutcome::Missing
                           ? "日历未同步：密码库中没有日历的密码，请在“设定 > 日历同步”中填写。"
                           : "日历未同步：无法从密码库取得日历的密码（" + secret.error + "）。");
                return;
            }
            CalendarPublishRequest request;
            request.account = {settings.url, settings.user, secret.secret};
            request.years = settings.years;
            request.festivals = settings.festivals;
            request.solarTerms = settings.solarTerms;
            Join();
            m_Worker = std::thread([this, request, now = m_Clock.Now(),
                                    database = g_ConnectionString, directory = ProgramDirectory()] {
                const PublishResult result = PublishCalendar(database, request, now, directory);
                const std::string hint =
                    (result.ok ? "日历已同步：" : "日历未同步：") + result.message;
                // The destructor joins this thread, so `this` is still there
                // when the queued call is made, or the call is dropped with it.
                QMetaObject::invokeMethod(
                    this,
                    [this, hint] {
                        m_Running = false;
                        Report(hint);
                        if (m_Again) {
                            m_Again = false;
                            PublishSoon();
                        }
                    },
                    Qt::QueuedConnection);
            });
        });
}
