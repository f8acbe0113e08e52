#include "reminders/LoadReminderList.h"

#include "calendar/LunarCalendar.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "reminders/BirthdayEvaluation.h"
#include "storage/CAdoDatabase.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

const char* const kReminderColumns = "ID, m_State, m_Name, m_Date, m_DateStatus, m_SoundPath, "
                                     "m_Email, m_Title, m_Content, m_Ahead, m_IsVailid";

ReminderRecord ReminderRecordOfRow(const CAdoDatabase& db) {
    ReminderRecord record;
    record.id = db.ValueAt(0).AsInt();
    db.ReadTextAt(1, record.state);
    db.ReadTextAt(2, record.name);
    record.birth = db.ValueAt(3).AsBirthDate();
    db.ReadTextAt(4, record.calendar);
    db.ReadTextAt(5, record.sound);
    db.ReadTextAt(6, record.email);
    db.ReadTextAt(7, record.title);
    db.ReadTextAt(8, record.content);
    record.ahead = AheadCode::InRange(db.ValueAt(9).AsInt());
    return record;
}

std::optional<std::string> ReadReminderList(ReminderList& list, const DateTime& now) {
    list.clear();
    const CLunarCalendar calendar;
    const int year = now.Year();
    list.loadedYear = year;
    std::vector<std::pair<int, int>> repaired; // ID, ahead code brought into range
    try {
        CAdoDatabase db;
        db.SetConnectionString(g_ConnectionString);
        db.SetTask("读取提醒列表");
        db.Open();
        // Each row is taken as it is read: thousands of people need no copy
        // of the whole table first.
        // Room for everyone at once: growing the list as it is read would
        // move every record several times. Counting a table is cheap.
        db.Execute("select count(*) as people from TiXing");
        list.reserve(
            static_cast<std::size_t>(std::max<std::int64_t>(0, db.GetCollect("people").AsInt())));
        // Only the columns a reminder needs, and no row that is certainly
        // not one: the address-book columns are half the table.
        const std::string query = std::string("select ") + kReminderColumns +
                                  " from TiXing where m_IsVailid <> 0 Order By ID";
        db.ForEachRow(query, [&] {
            if (db.ValueAt(10).AsYesNo() != 1)
                return;
            ReminderRecord record = ReminderRecordOfRow(db);
            if (record.ahead != db.ValueAt(9).AsInt())
                repaired.emplace_back(record.id, record.ahead);
            const int kind = record.calendar == "阴历" ? kLunarCalendarKind : 1;
            record.birthdayThisYear = calendar.BirthdayInYear(record.birth, kind, year);
            record.birthdayNextYear = calendar.BirthdayInYear(record.birth, kind, year + 1);
            AdvanceToNextBirthday(record, now);
            list.push_back(std::move(record));
        });
        // Written back once, so the next load finds it in range; a file that
        // can only be read gets it at a later load.
        if (!db.IsReadOnly())
            for (const auto& [id, ahead] : repaired)
                db.Execute(SqlFormat("Update TiXing Set m_Ahead=%d Where ID=%d", ahead, id));
        db.Close();
    } catch (const DbError& e) {
        return e.what();
    }
    return std::nullopt;
}

void LoadReminderList(ReminderList& list, const Clock& clock, Prompter& prompter) {
    // One reading of the clock, so a load across midnight on New Year's Eve
    // still puts every birthday in the same year.
    if (const std::optional<std::string> failure = ReadReminderList(list, clock.Now()))
        prompter.Tell(*failure);
}
