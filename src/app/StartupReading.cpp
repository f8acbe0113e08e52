#include "app/StartupReading.h"

#include "app/Startup.h"
#include "platform/Clock.h"
#include "platform/FontConfiguration.h"
#include "reminders/LoadReminderList.h"

#include <utility>

StartupReading::StartupReading(const Clock& clock) {
    CheckStartedInProfileDir();
    m_EnterFailure = EnterProgramDirectory();
    // One reading of the clock for the load and the rows, as a load and
    // refresh on the window's thread would make them.
    m_People.readAt = clock.Now();
    m_Reader = std::jthread([this] {
        // The fonts first: the window's thread needs them soonest.
        LoadFontConfiguration();
        m_FontsRead.count_down();
        if (!m_EnterFailure) {
            m_People.failure = ReadReminderList(m_People.list, m_People.readAt);
            SortByBirthdayThisYear(m_People.list);
            m_People.rows = std::make_shared<const std::vector<ShownReminder>>(
                ShownReminders(m_People.list, m_People.readAt));
        }
        m_PeopleRead.count_down(); // the last this thread touches
    });
}

StartupReading::~StartupReading() = default;

void StartupReading::WaitForFonts() {
    m_FontsRead.wait();
}

StartupReading::People StartupReading::Take() {
    m_PeopleRead.wait();
    return std::move(m_People);
}
