#include "calendar/CMonthSheet.h"

#include "calendar/SolarTerms.h"
#include "platform/ProfileFile.h"
#include "platform/TextCodec.h"
#include "settings/CIniFile.h"
#include "storage/CAdoDatabase.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace {

// Longest festival text (GB18030 bytes) a cell shows whole: three Chinese characters.
constexpr std::size_t kShortTextLimit = 6;
// A longer one shows its first two characters and "..".
constexpr std::size_t kShortTextHead = 4;

std::string ShortText(const std::string& text) {
    if (Gb18030Length(text) <= kShortTextLimit)
        return text;
    return CutToGb18030Bytes(text, kShortTextHead) + "..";
}

// The class a day's festivals give its colour; a class the editor never
// stores (one left unselected reads as -1) gives none, so it can neither
// outrank a real festival nor turn a day red.
int ColourClass(bool found, int festivalClass) {
    const bool known = festivalClass >= kLegalHolidayClass && festivalClass <= kCustomClass;
    return found && known ? festivalClass : std::numeric_limits<int>::max();
}

bool IsWeekendColumn(int cell) {
    const int column = cell % 7;
    return column == 0 || column == 6;
}

} // namespace

FestivalOptions ReadFestivalOptions() {
    const SharedProfileReading readOnce; // two keys, one parse
    const CIniFile ini("annivo.ini");
    FestivalOptions options;
    options.solarTerms = ini.GetInt("Festival", "24Fest", 1) == 1;
    options.birthdays = ini.GetInt("Festival", "Birthday", 1) == 1;
    return options;
}

std::vector<MonthBirthday> BirthdaysInMonth(const ReminderList& people, int year, int month) {
    const CLunarCalendar calendar;
    std::vector<MonthBirthday> found;
    for (const ReminderRecord& person : people) {
        const int kind = person.calendar == "阴历" ? kLunarCalendarKind : 1;
        const DateTime birthday = calendar.BirthdayInYear(person.birth, kind, year);
        if (birthday.IsValid() && birthday.Month() == month)
            found.push_back({&person, birthday});
    }
    return found;
}

CMonthSheet::CMonthSheet(const Clock& clock, Prompter& prompter, std::string connectionString)
    : m_Clock(clock), m_Prompter(prompter), m_ConnectionString(std::move(connectionString)) {}

// ---------------------------------------------------------------- festival list

void CMonthSheet::LoadFestivals(int year, int month, bool skipBirthdays) {
    LoadFestivals(year, month, skipBirthdays, ReadFestivalOptions());
}

void CMonthSheet::LoadFestivals(int year, int month, bool skipBirthdays,
                                const FestivalOptions& options) {
    m_Festivals.clear();
    try {
        CAdoDatabase db;
        db.SetConnectionString(m_ConnectionString);
        db.SetTask("读取日历的节日和生日");
        db.Open();
        db.Execute("Select * from Festival Order By Class");
        ReadFestivalRows(db);
        if (options.solarTerms)
            AddSolarTerms(year, month);
        if (options.birthdays && !skipBirthdays && m_People != nullptr) {
            AddBirthdays(*m_People, year, month);
        } else if (options.birthdays && !skipBirthdays) {
            // Yes/no columns of converted databases hold -1 for yes.
            db.Execute("Select * from TiXing Where Abs(m_IsVailid)=1 Order By m_Date");
            AddBirthdays(db, year);
        }
        db.Close();
    } catch (const DbError& e) {
        m_Prompter.Tell(e.what());
    }
}

void CMonthSheet::ReadFestivalRows(CAdoDatabase& db) {
    if (db.GetRecordCount() <= 0)
        return;
    for (; !db.IsEOF(); db.MoveNext()) {
        FestivalEntry entry;
        entry.festivalClass = db.GetCollect("Class").AsInt();
        entry.kind = db.GetCollect("GorN").AsInt();
        entry.month = db.GetCollect("Month").AsInt();
        entry.day = db.GetCollect("Day").AsInt();
        entry.name = db.GetCollect("FestivalName").AsString();
        m_Festivals.push_back(std::move(entry));
    }
}

void CMonthSheet::AddSolarTerms(int year, int month) {
    const int days = m_Calendar.DaysInGregorianMonth(year, month);
    for (int day = 1; day <= days; ++day) {
        std::string name = SolarTermName(DateTime(year, month, day));
        if (!name.empty())
            m_Festivals.push_back(
                {kTraditionalClass, kFestivalGregorian, month, day, std::move(name)});
    }
}

// A birthday is marked on the day the reminders use for the displayed year
// (BirthdayInYear), so the calendar never shows it on another day than the
// one reminded; a year without that birthday shows none.
void CMonthSheet::AddBirthdays(CAdoDatabase& db, int year) {
    if (db.GetRecordCount() <= 0)
        return;
    for (; !db.IsEOF(); db.MoveNext()) {
        const BirthDate birth = db.GetCollect("m_Date").AsBirthDate();
        const int kind =
            db.GetCollect("m_DateStatus").AsString() == "阴历" ? kLunarCalendarKind : 1;
        const DateTime birthday = m_Calendar.BirthdayInYear(birth, kind, year);
        if (!birthday.IsValid())
            continue;
        m_Festivals.push_back({kCustomClass, kFestivalGregorian, birthday.Month(), birthday.Day(),
                               db.GetCollect("m_Name").AsString() + "生日"});
    }
}

void CMonthSheet::AddBirthdays(const ReminderList& people, int year, int month) {
    std::vector<MonthBirthday> found = BirthdaysInMonth(people, year, month);
    // The table is read ordered by birth date, ties in ID order (the list's
    // own order), which decides how names on one day are joined.
    std::stable_sort(found.begin(), found.end(),
                     [](const MonthBirthday& a, const MonthBirthday& b) {
                         return a.person->birth < b.person->birth;
                     });
    for (const MonthBirthday& b : found)
        m_Festivals.push_back(
            {kCustomClass, kFestivalGregorian, month, b.birthday.Day(), b.person->name + "生日"});
}

CMonthSheet::DayFestivals CMonthSheet::Lookup(int kind, int month, int day, bool alsoDay30) const {
    DayFestivals result;
    for (const FestivalEntry& entry : m_Festivals) {
        if (entry.kind != kind || entry.month != month ||
            (entry.day != day && !(alsoDay30 && entry.day == 30)))
            continue;
        if (!result.found) {
            result.found = true;
            result.festivalClass = entry.festivalClass;
        }
        if (entry.name.empty())
            continue;
        if (!result.names.empty())
            result.names += ' ';
        result.names += entry.name;
    }
    return result;
}

std::string CMonthSheet::FestivalText(int kind, int month, int day) const {
    const DayFestivals festivals = Lookup(kind, month, day);
    if (!festivals.found)
        return {};
    return std::to_string(festivals.festivalClass) + festivals.names;
}

// ---------------------------------------------------------------- month sheet

void CMonthSheet::FillMonth(int year, int month) {
    const bool known = month >= 1 && month <= 12;
    const int firstColumn = known ? m_Calendar.Weekday(year, month, 1) : 0;
    const int days = known ? m_Calendar.DaysInGregorianMonth(year, month) : 0;
    const int rows = (days + firstColumn + 6) / 7;
    const int firstWeek =
        known
            ? (m_Calendar.GregorianDayOfYear(year, month, 1) + m_Calendar.Weekday(year, 1, 1) - 1) /
                  7
            : 0;
    for (int row = 0; row < kRows; ++row)
        m_Weeks[row] = row < rows ? firstWeek + row + 1 : 0;

    const DateTime now = m_Clock.Now();
    const bool todayInMonth = now.IsValid() && now.Year() == year && now.Month() == month;
    for (int i = 0; i < kCells; ++i) {
        // Cells outside the month are cleared rather than left with the
        // previous month's content.
        CalendarDate cell;
        if (i >= firstColumn && i < firstColumn + days) {
            cell.year = year;
            cell.month = month;
            cell.day = i - firstColumn + 1;
            cell.weekday = i % 7;
            cell.valid = 1;
        }
        m_Gregorian[i] = cell;
        m_Lunar[i] = CalendarDate();
        m_Labels[i].clear();
        m_FestivalTexts[i].clear();
        m_Colours[i] = kNoFestivalColour;
        m_Today[i] = cell.valid && todayInMonth && now.Day() == cell.day ? 1 : 0;
        m_Red[i] = IsWeekendColumn(i) ? 1 : 0;
    }
}

void CMonthSheet::FillCellTexts(int year, int month) {
    FillCellTexts(year, month, ReadFestivalOptions());
}

void CMonthSheet::FillCellTexts(int year, int month, const FestivalOptions& options) {
    LoadFestivals(year, month, false, options);
    for (int i = 0; i < kCells; ++i) {
        const CalendarDate& cell = m_Gregorian[i];
        if (!cell.valid)
            continue;

        const DayFestivals gregorian = Lookup(kFestivalGregorian, cell.month, cell.day);
        int festivalClass = ColourClass(gregorian.found, gregorian.festivalClass);
        std::string text = gregorian.names;

        CalendarDate lunar = m_Calendar.GregorianToLunar(cell);
        lunar.valid = lunar.month != 0 ? 1 : 0;
        // A lunar festival is kept in the ordinary month only, never again in
        // a leap month of the same number; one on a 30th falls on the 29th
        // when the month has no 30th (除夕 in a year whose 腊月 is short).
        if (lunar.valid && lunar.leap == 0) {
            const bool lastOfShortMonth =
                lunar.day == 29 && m_Calendar.LunarMonthDays(lunar.year, lunar.month) == 29;
            const DayFestivals lunarFestivals =
                Lookup(kFestivalLunar, lunar.month, lunar.day, lastOfShortMonth);
            festivalClass = std::min(
                festivalClass, ColourClass(lunarFestivals.found, lunarFestivals.festivalClass));
            if (!lunarFestivals.names.empty()) {
                if (!text.empty())
                    text += ' ';
                text += lunarFestivals.names;
            }
        }
        m_Lunar[i] = lunar;

        if (text.empty()) {
            m_Labels[i] = m_Calendar.LunarDayLabel(lunar.month, lunar.day, lunar.leap);
            m_Colours[i] = kNoFestivalColour;
        } else {
            m_Labels[i] = ShortText(text);
            switch (festivalClass) {
            case kLegalHolidayClass:
                m_Colours[i] = 1;
                m_Red[i] = 1;
                break;
            case kTraditionalClass:
            case kForeignClass:
            case kCustomClass: m_Colours[i] = festivalClass + 1; break;
            default:
                // A class the catalogue does not know takes the day's red mark away.
                m_Colours[i] = kNoFestivalColour;
                m_Red[i] = 0;
                break;
            }
        }
        m_FestivalTexts[i] = std::move(text);
    }
}
