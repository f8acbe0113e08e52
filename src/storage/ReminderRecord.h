#pragma once
// In-memory image of one reminder row (a TiXing row taking part in reminding),
// with the Gregorian dates of its birthdays worked out at load time.

#include "platform/BirthDate.h"
#include "platform/DateTime.h"

#include <cstdint>
#include <string>
#include <vector>

struct ReminderRecord {
    std::int32_t id = 0;  // ID
    std::string state;    // m_State: "生效", "失效", "将到", "进行"
    std::string name;     // m_Name
    std::string calendar; // m_DateStatus: "阳历" or "阴历"
    std::string sound;    // m_SoundPath
    BirthDate birth;      // m_Date
    // The birthday reminded: this year's, or next year's once this year's has
    // passed (or does not exist) and next year's is within the ahead days.
    DateTime birthdayThisYear;
    DateTime birthdayNextYear; // computed when loaded
    std::string email;         // m_Email
    std::string title;         // m_Title
    std::string content;       // m_Content
    std::int32_t ahead = 0;    // m_Ahead: 10 x ahead days + countdown
};

// The main frame's reminders, in ID order, and the year they were loaded for
// (0 for a list not read from the database), so that a program left running
// over New Year's reads them again for the new year.
struct ReminderList : std::vector<ReminderRecord> {
    using std::vector<ReminderRecord>::vector;
    int loadedYear = 0;
};
