#include "app/StartupReading.h"

#include "app/Startup.h"
#include "platform/Clock.h"
#include "reminders/LoadReminderList.h"

#include <utility>

StartupReading::StartupReading(const Clock& clock) {
    CheckStartedInProfileDir();
    m_EnterFailure = EnterProgramDirectory();
    if (m_EnterFailure)
        return;
    // One reading of the clock for the load and the rows, as a load and
    // refresh on the window's thread would make them.
    m_People.readAt = clock.Now();
    m_Reader = std::jthread([this] {
        m_People.failure = ReadReminderList(m_People.list, m_People.readAt);
        SortByBirthdayThisYear(m_People.list);
        m_People.rows = std::make_shared<const std::vector<ShownReminder>>(
            ShownReminders(m_People.list, m_People.readAt));
    });
}

StartupReading::~StartupReading() = default;

StartupReading::People StartupReading::Take() {
    if (m_Reader.joinable())
        m_Reader.join();
    return std::move(m_People);
}
