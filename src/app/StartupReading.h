#pragma once
// The part of a start that needs no window, begun before Qt starts: the
// program directory is entered, then a second thread reads the font
// configuration and the people, sorted and made into the list's rows, while
// Qt starts and the main window is made. With thousands of people the
// reading and the window take about as long. One thread, not two: the
// window's thread keeps a core of its own on a machine of two.

#include "platform/DateTime.h"
#include "reminders/ReminderListRows.h"
#include "storage/ReminderRecord.h"

#include <latch>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class Clock;

class StartupReading {
public:
    // Notes where the process was started, enters the program directory and
    // starts reading: the fonts, and, when the directory was entered, the
    // people as of `clock`'s present.
    explicit StartupReading(const Clock& clock);
    ~StartupReading(); // waits for the thread

    StartupReading(const StartupReading&) = delete;
    StartupReading& operator=(const StartupReading&) = delete;

    // Waits until the font configuration has been read, before the first
    // text is measured (reading it twice at once would cost twice).
    void WaitForFonts();

    // Why the program directory could not be entered; nothing is read then.
    const std::optional<std::string>& EnterFailure() const { return m_EnterFailure; }

    struct People {
        ReminderList list;                                      // in the order the list shows them
        std::shared_ptr<const std::vector<ShownReminder>> rows; // made at `readAt`
        DateTime readAt;
        std::optional<std::string> failure; // what the load tells
    };
    // Waits for the reading and hands over what it read. The thread ends on
    // its own time: waiting for that too would keep the window waiting.
    People Take();

private:
    std::optional<std::string> m_EnterFailure;
    People m_People;
    std::latch m_FontsRead{1};
    std::latch m_PeopleRead{1};
    std::jthread m_Reader; // last: joined before what it uses goes
};
