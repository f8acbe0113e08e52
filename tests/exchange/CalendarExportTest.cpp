// Birthdays, festivals and solar terms written as a calendar file, read back
// with libical and with Python's icalendar package as calendar programs do.

#include "exchange/CalendarExport.h"

#include "FixedClock.h"
#include "ScriptedPrompter.h"
#include "SeededDatabase.h"
#include "calendar/CMonthSheet.h"
#include "platform/WholeFile.h"
#include "reminders/LoadReminderList.h"
#include "storage/CAdoDatabase.h"

#include <gtest/gtest.h>
#include <libical/ical.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct ReadEvent {
    std::string uid, summary, description, categories;
    DateTime day;
    std::vector<int> triggers; // seconds from the start of the day
    bool transparent = false;
};

// The events as libical reads them; fails the test on any parse error.
std::vector<ReadEvent> ReadWithLibical(const std::string& text) {
    std::vector<ReadEvent> events;
    icalcomponent* calendar = icalparser_parse_string(text.c_str());
    EXPECT_NE(calendar, nullptr);
    if (calendar == nullptr)
        return events;
    EXPECT_EQ(icalcomponent_count_errors(calendar), 0);
    for (icalcomponent* e = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT);
         e != nullptr; e = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT)) {
        ReadEvent event;
        event.uid = icalcomponent_get_uid(e);
        event.summary = icalcomponent_get_summary(e);
        const char* description = icalcomponent_get_description(e);
        event.description = description != nullptr ? description : "";
        const icaltimetype start = icalcomponent_get_dtstart(e);
        EXPECT_EQ(start.is_date, 1) << event.uid;
        event.day = DateTime(start.year, start.month, start.day);
        const icaltimetype end = icalcomponent_get_dtend(e);
        EXPECT_EQ(DateTime(end.year, end.month, end.day), event.day.AddDays(1)) << event.uid;
        if (icalproperty* p = icalcomponent_get_first_property(e, ICAL_CATEGORIES_PROPERTY))
            event.categories = icalproperty_get_categories(p);
        if (icalproperty* p = icalcomponent_get_first_property(e, ICAL_TRANSP_PROPERTY))
            event.transparent = icalproperty_get_transp(p) == ICAL_TRANSP_TRANSPARENT;
        for (icalcomponent* a = icalcomponent_get_first_component(e, ICAL_VALARM_COMPONENT);
             a != nullptr; a = icalcomponent_get_next_component(e, ICAL_VALARM_COMPONENT)) {
            icalproperty* trigger = icalcomponent_get_first_property(a, ICAL_TRIGGER_PROPERTY);
            EXPECT_NE(trigger, nullptr);
            if (trigger != nullptr)
                event.triggers.push_back(
                    icaldurationtype_as_int(icalproperty_get_trigger(trigger).duration));
        }
        events.push_back(std::move(event));
    }
    icalcomponent_free(calendar);
    return events;
}

// One line per event from read_ics.py; empty when the script failed.
std::vector<std::string> ReadWithPython(const std::string& file) {
    const std::string command =
        ANNIVO_SYSTEM_PYTHON " " ANNIVO_EXCHANGE_SCRIPTS "/read_ics.py '" + file + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, n);
    EXPECT_EQ(pclose(pipe), 0) << output;
    std::vector<std::string> lines;
    std::istringstream stream(output);
    for (std::string line; std::getline(stream, line);)
        if (!line.empty())
            lines.push_back(line);
    return lines;
}

std::string PersonValues(const std::string& name, const std::string& date, bool lunar,
                         int ahead = 0, const std::string& email = "", int valid = 1) {
    return SqlFormat("('%s','%s','%s',%d,'%s',%d)", name, date, lunar ? "阴历" : "阳历", ahead,
                     email, valid);
}

void AddPeople(const SeededDatabase& db, const std::string& values) {
    db.Run("Insert Into TiXing (m_Name,m_Date,m_DateStatus,m_Ahead,m_Email,m_IsVailid) Values " +
           values);
}

void AddPerson(const SeededDatabase& db, const std::string& name, const std::string& date,
               bool lunar, int ahead = 0, const std::string& email = "") {
    AddPeople(db, PersonValues(name, date, lunar, ahead, email));
}

std::string Export(const SeededDatabase& db, const DateTime& now, int years = 10,
                   bool festivals = false, bool solarTerms = false) {
    CalendarExportRequest request;
    request.file = db.Dir().Path() / "生日.ics";
    request.years = years;
    request.festivals = festivals;
    request.solarTerms = solarTerms;
    const CalendarExportResult result = ExportCalendarFile(db.Path(), request, now);
    EXPECT_TRUE(result.ok) << result.message;
    return ReadWholeFile(request.file).value_or("");
}

TEST(CalendarExport, EveryBirthdayFallsOnTheDayTheCalendarShowsAndNoOtherPeopleAreIn) {
    const SeededDatabase db;
    std::string values;
    for (int i = 0; i < 200; ++i) {
        const bool lunar = i % 2 == 1;
        const int month = 1 + (i * 7) % 12;
        // Lunar days up to 30 in any month; Gregorian ones within the month,
        // with a few 29 Februarys.
        int day = 1 + (i * 13) % 30;
        if (!lunar)
            day = std::min(day, BirthDate::LastDay(1952, month));
        const int year = i == 198 ? 2029 : 1950 + (i % 60) + (lunar ? 0 : 2 * ((i / 2) % 2));
        char date[32];
        std::snprintf(date, sizeof date, "%04d-%02d-%02d 00:00:00", year, month, day);
        values += PersonValues("人" + std::to_string(i), date, lunar) + ",";
    }
    values += PersonValues("闰日", "1952-02-29 00:00:00", false) + ",";
    values += PersonValues("不提醒", "1980-01-05 00:00:00", false, 0, "", 0);
    AddPeople(db, values);

    const DateTime now(2026, 3, 1, 10, 0, 0);
    const std::vector<ReadEvent> events = ReadWithLibical(Export(db, now));

    // What the calendar view marks, month by month, from the program's own list.
    FixedClock clock(now);
    ScriptedPrompter prompter;
    ReminderList list;
    LoadReminderList(list, clock, prompter);
    ASSERT_EQ(list.size(), 201u);
    std::set<std::pair<std::string, int>> expected; // name, yyyymmdd
    for (int year = 2026; year < 2036; ++year)
        for (int month = 1; month <= 12; ++month)
            for (const MonthBirthday& b : BirthdaysInMonth(list, year, month))
                if (year > b.person->birth.Year())
                    expected.insert(
                        {b.person->name, year * 10000 + month * 100 + b.birthday.Day()});
    std::set<std::pair<std::string, int>> found;
    std::set<std::string> uids;
    for (const ReadEvent& e : events) {
        const std::string name = e.summary.substr(0, e.summary.find(' '));
        found.insert({name, e.day.Year() * 10000 + e.day.Month() * 100 + e.day.Day()});
        uids.insert(e.uid);
        EXPECT_EQ(e.categories, "生日");
        EXPECT_TRUE(e.transparent);
    }
    EXPECT_EQ(found, expected);
    EXPECT_EQ(uids.size(), events.size()) << "UIDs repeat";
    // 29 February: the 28th in common years, the 29th in leap years.
    EXPECT_TRUE(found.contains({"闰日", 20270228}));
    EXPECT_TRUE(found.contains({"闰日", 20280229}));
    // Born in 2029: the first birthday is in 2030.
    EXPECT_FALSE(std::any_of(found.begin(), found.end(), [](const auto& f) {
        return f.first == "人198" && f.second < 20300000;
    }));
    EXPECT_TRUE(
        std::any_of(found.begin(), found.end(), [](const auto& f) { return f.first == "人198"; }));
}

TEST(CalendarExport, TextsAlarmsAndSpecialCharactersComeBackExactly) {
    const SeededDatabase db;
    const std::string odd = "张,三;\\𠮷\"O'Neil";
    std::string longName;
    for (int i = 0; i < 30; ++i)
        longName += "𠮷,";
    AddPerson(db, odd, "1990-11-20 08:30:00", true, 33, "zhang@example.cn");
    AddPerson(db, longName, "1995-06-01 00:00:00", false);
    const std::string text = Export(db, DateTime(2026, 3, 1), 1);
    // Lines are folded at 75 octets, never inside a character.
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        EXPECT_LE(line.size(), 76u) << line; // with the CR

    const std::vector<ReadEvent> events = ReadWithLibical(text);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].uid, "annivo-1-2026@annivo");
    EXPECT_EQ(events[0].summary, odd + " 36周岁生日（农历十一月二十）");
    EXPECT_EQ(events[0].description, "出生日期：农历1990年十一月二十\n电子邮件：zhang@example.cn");
    EXPECT_EQ(events[0].day, DateTime(2026, 12, 28));
    // 3 days ahead: 09:00 three days before, and 09:00 on the day.
    EXPECT_EQ(events[0].triggers, (std::vector<int>{9 * 3600 - 3 * 86400, 9 * 3600}));
    EXPECT_EQ(events[1].summary, longName + " 31周岁生日");
    EXPECT_EQ(events[1].description, "出生日期：1995-06-01");
    EXPECT_EQ(events[1].triggers, (std::vector<int>{9 * 3600}));

    const std::vector<std::string> python = ReadWithPython(db.Dir().File("生日.ics"));
    EXPECT_EQ(python, (std::vector<std::string>{
                          "annivo-1-2026@annivo\t2026-12-28\t" + odd +
                              " 36周岁生日（农历十一月二十）\t出生日期：农历1990年十一月二十\\n"
                              "电子邮件：zhang@example.cn\t生日\t-226800,32400",
                          "annivo-2-2026@annivo\t2026-06-01\t" + longName +
                              " 31周岁生日\t出生日期：1995-06-01\t生日\t32400"}));
}

TEST(CalendarExport, UidsFollowTheRowNotTheNameAndStayAcrossExports) {
    const SeededDatabase db;
    AddPerson(db, "张三", "1980-04-02 00:00:00", false);
    AddPerson(db, "李四", "1985-08-15 00:00:00", true);
    const auto uidsAndDays = [](const std::string& text) {
        std::map<std::string, int> result;
        for (const ReadEvent& e : ReadWithLibical(text))
            result[e.uid] = e.day.Year() * 10000 + e.day.Month() * 100 + e.day.Day();
        return result;
    };
    const auto first = uidsAndDays(Export(db, DateTime(2026, 3, 1, 8, 0, 0)));
    db.Run("Update TiXing Set m_Name='张小三' Where ID=1");
    const auto second = uidsAndDays(Export(db, DateTime(2026, 7, 9, 21, 0, 0)));
    EXPECT_EQ(first.size(), 20u);
    EXPECT_EQ(first, second);
    EXPECT_TRUE(first.contains("annivo-1-2035@annivo"));
    EXPECT_TRUE(first.contains("annivo-2-2026@annivo"));
}

TEST(CalendarExport, YearsAreKeptWithinOneToAHundredAndNeverPast2100) {
    EXPECT_EQ(ExportYearsFrom(2026, 10).count, 10);
    EXPECT_EQ(ExportYearsFrom(2026, 0).count, 1);
    EXPECT_EQ(ExportYearsFrom(2000, 500).count, 100);
    EXPECT_EQ(ExportYearsFrom(2095, 10).count, 6);
    EXPECT_EQ(ExportYearsFrom(2101, 10).count, 0);

    ReminderRecord person;
    person.id = 7;
    person.name = "王五";
    person.calendar = "阴历";
    person.birth = BirthDate(1990, 1, 1);
    const std::vector<CalendarEvent> events = BirthdayEvents(person, ExportYearsFrom(2090, 50));
    ASSERT_FALSE(events.empty());
    EXPECT_LE(events.back().day.Year(), 2100);
}

// Festivals of the catalogue land on the days the calendar view shows them
// (a lunar 30th on the 29th of a short month, a lunar one twice in a year
// where it falls so); the 24 solar terms once each per year.
TEST(CalendarExport, FestivalsAndSolarTermsOnTheCalendarViewsDays) {
    const SeededDatabase db;
    db.Run("Insert Into Festival (Class,GorN,Month,Day,FestivalName) Values (1,0,12,30,'除夕夜')");
    const std::vector<ReadEvent> events =
        ReadWithLibical(Export(db, DateTime(2026, 3, 1), 3, true, true));

    std::map<int, std::multiset<std::string>> festivalsByDay;
    std::map<int, int> termsByYear;
    for (const ReadEvent& e : events) {
        const int key = e.day.Year() * 10000 + e.day.Month() * 100 + e.day.Day();
        if (e.categories == "节日")
            festivalsByDay[key].insert(e.summary);
        else if (e.categories == "节气")
            ++termsByYear[e.day.Year()];
    }
    EXPECT_EQ(termsByYear, (std::map<int, int>{{2026, 24}, {2027, 24}, {2028, 24}}));

    FixedClock clock(DateTime(2026, 3, 1));
    ScriptedPrompter prompter;
    CMonthSheet sheet(clock, prompter, db.Path());
    const FestivalOptions onlyCatalogue{false, false};
    std::map<int, std::multiset<std::string>> shown;
    for (int year = 2026; year <= 2028; ++year)
        for (int month = 1; month <= 12; ++month) {
            sheet.FillMonth(year, month);
            sheet.FillCellTexts(year, month, onlyCatalogue);
            for (int i = 0; i < CMonthSheet::kCells; ++i) {
                const CalendarDate& cell = sheet.GregorianCells()[i];
                if (!cell.valid || sheet.FestivalTexts()[i].empty())
                    continue;
                std::istringstream names(sheet.FestivalTexts()[i]);
                for (std::string name; names >> name;)
                    shown[cell.year * 10000 + cell.month * 100 + cell.day].insert(name);
            }
        }
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_FALSE(shown.empty());
    EXPECT_EQ(festivalsByDay, shown);
    // 腊月 of lunar 2026 has 29 days: the 30th's festival is on its last day.
    EXPECT_TRUE(festivalsByDay[20270205].contains("除夕夜"));
}

TEST(CalendarExport, AFailureSaysWhyAndLeavesTheOldFile) {
    const SeededDatabase db;
    AddPerson(db, "张三", "1980-04-02 00:00:00", false);
    CalendarExportRequest request;
    request.file = db.Dir().Path() / "没有的目录" / "生日.ics";
    CalendarExportResult result = ExportCalendarFile(db.Path(), request, DateTime(2026, 3, 1));
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.message.find("无法写入日历文件"), std::string::npos) << result.message;

    request.file = db.Dir().Path() / "旧.ics";
    ASSERT_TRUE(ReplaceWholeFile(request.file, "old"));
    result = ExportCalendarFile(db.Dir().File("不在.db"), request, DateTime(2026, 3, 1));
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.message.empty());
    EXPECT_EQ(ReadWholeFile(request.file), "old");

    result = ExportCalendarFile(db.Path(), request, DateTime(2026, 3, 1));
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.people, 1u);
    EXPECT_EQ(result.events, 10u);
}

} // namespace
