#include "views/CalendarTexts.h"
#include "views/BalloonShape.h"

#include "FixedClock.h"
#include "ScriptedPrompter.h"
#include "SeededDatabase.h"
#include "calendar/CMonthSheet.h"
#include "reminders/LoadReminderList.h"

#include <gtest/gtest.h>
#include <set>
#include <sstream>

namespace {

ReminderRecord Person(const char* name, const char* calendar, DateTime birth) {
    ReminderRecord person;
    person.name = name;
    person.calendar = calendar;
    person.birth = birth;
    return person;
}

TEST(BalloonShape, TailPointLandsOnTheAnchorWithOrWithoutIcon) {
    const BalloonShape plain = MakeBalloonShape(100, 12);
    EXPECT_EQ(plain.width, 124);
    EXPECT_EQ(plain.height, 57);
    EXPECT_EQ(plain.tail[1], (BalloonPoint{124 - 12, 57 - 10}));
    EXPECT_EQ(plain.WindowPosition({500, 300}), (BalloonPoint{500 - 112, 300 - 47}));
    EXPECT_EQ(plain.textOrigin, (BalloonPoint{12, 10}));
    // An icon taller than the text raises the body to its height.
    const BalloonShape icon = MakeBalloonShape(100, 12, 32, 40);
    EXPECT_EQ(icon.width, 124 + 37);
    EXPECT_EQ(icon.height, 40 + 25);
    EXPECT_EQ(icon.textOrigin, (BalloonPoint{12 + 37, 10}));
    const BalloonPoint corner = icon.WindowPosition({0, 0});
    EXPECT_EQ(corner.x + icon.tail[1].x, 0);
    EXPECT_EQ(corner.y + icon.tail[1].y, 0);
}

TEST(CalendarTexts, WeekNumbersAndDayTips) {
    EXPECT_EQ(WeekNumberText(0) + "|" + WeekNumberText(6) + "|" + WeekNumberText(53), "|06|53");
    const CalendarDate day{2011, 2, 3, 4, 1, 0};
    EXPECT_EQ(DayTipText(day, {2011, 1, 1, 4, 1, 0}, ""), "公元2011年2月3日\n农历2011年1月1日");
    EXPECT_EQ(DayTipText(day, {2011, 1, 1, 4, 1, 0}, "春节 四个字的"),
              "公元2011年2月3日\n农历2011年1月1日\n节日:春节 四个字的");
    EXPECT_EQ(DayTipText({2028, 6, 27, 2, 1, 0}, {2028, 5, 5, 2, 1, 1}, ""),
              "公元2028年6月27日\n农历2028年闰5月5日");
    // Before the lunar table begins there is no lunar line rather than zeros.
    EXPECT_EQ(DayTipText({1900, 1, 6, 6, 1, 0}, {1899, 0, 0, 6, 0, 0}, "小寒"),
              "公元1900年1月6日\n节日:小寒");
}

TEST(CalendarTexts, BirthdayListTakesTheShownYearsBirthdaysOfTheMonth) {
    ReminderList people(4);
    people[0] = Person("张三", "阳历", DateTime(1980, 1, 23, 23, 59));
    people[1] = Person("李四", "阳历", DateTime(1984, 2, 29));
    people[2] = Person("王五", "阴历", DateTime(1970, 12, 20)); // 2012-01-13, 2011-01-23
    people[3] = Person("O'Brien", "其他", DateTime(1970, 1, 2));
    using Lines = std::vector<std::string>;
    EXPECT_EQ(BirthdayListLines(people, 2011, 1, 2011),
              (Lines{"张三的今年生日是:阳历2011-1-23", "王五的今年生日是:阳历2011-1-23",
                     "O'Brien的今年生日是:阳历2011-1-2"}));
    EXPECT_EQ(BirthdayListLines(people, 2012, 1, 2011),
              (Lines{"张三的2012年生日是:阳历2012-1-23", "王五的2012年生日是:阳历2012-1-13",
                     "O'Brien的2012年生日是:阳历2012-1-2"}));
    EXPECT_EQ(BirthdayListLines(people, 2011, 2, 2011), (Lines{"李四的今年生日是:阳历2011-2-28"}));
    EXPECT_TRUE(BirthdayListLines(people, 2011, 3, 2011).empty());
}

// The list under the calendar names exactly the people and days the grid marks.
TEST(CalendarTexts, BirthdayListAgreesWithTheGridInEveryMonth) {
    const SeededDatabase db;
    db.Run("DELETE FROM Festival"); // the grid marks birthdays alone
    db.Run("INSERT INTO TiXing (m_Name,m_DateStatus,m_Date) VALUES "
           "('闰日','阳历','2000-02-29 23:59:59'),('年末','阳历','1999-12-31 00:00:00'),"
           "('守岁','阴历','1980-12-30 23:59:59'),('腊月','阴历','1985-12-20 23:59:59'),"
           "('冬月','阴历','1970-11-30 23:59:59'),('端午','阴历','1975-05-05 23:59:59'),"
           "('正月','阴历','1988-01-30 23:59:59'),('元旦','阳历','1990-01-01 08:00:00')");
    const FixedClock clock(DateTime(2026, 6, 1, 9, 0, 0));
    ScriptedPrompter prompter;
    ReminderList people;
    LoadReminderList(people, clock, prompter);
    ASSERT_EQ(people.size(), 8u);
    CMonthSheet sheet(clock, prompter, db.Path()); // reads the people from the table itself
    for (int year : {2026, 2028, 2033}) {
        for (int month = 1; month <= 12; ++month) {
            sheet.FillMonth(year, month);
            sheet.FillCellTexts(year, month, {false, true});
            std::multiset<std::string> marked, listed;
            for (int i = 0; i < CMonthSheet::kCells; ++i) {
                std::istringstream names(sheet.FestivalTexts()[i]);
                for (std::string name; names >> name;)
                    marked.insert(name.substr(0, name.size() - std::string("生日").size()) + " " +
                                  std::to_string(sheet.GregorianCells()[i].day));
            }
            for (const std::string& line : BirthdayListLines(people, year, month, 2026)) {
                const std::size_t of = line.find("的"), date = line.rfind('-');
                ASSERT_EQ(line.substr(of, line.find("阳历") - of),
                          year == 2026 ? "的今年生日是:"
                                       : "的" + std::to_string(year) + "年生日是:");
                ASSERT_EQ(line.substr(line.find("阳历") + std::string("阳历").size(), 4),
                          std::to_string(year));
                listed.insert(line.substr(0, of) + " " + line.substr(date + 1));
            }
            EXPECT_EQ(listed, marked) << year << "-" << month;
        }
    }
    EXPECT_TRUE(prompter.asked.empty());
}

TEST(HalfWidthShift, KeepsTheGridCentredWithinAPixelOverAnyResizes) {
    const std::vector<std::vector<int>> runs = {
        {401, 402, 403, 404}, {399, 397, 400}, {1000, 400, 401}, {400, 400}, {301, 900, 333}};
    for (const std::vector<int>& widths : runs) {
        HalfWidthShift shift(400);
        int moved = 0;
        for (int width : widths) {
            moved += shift.Next(width);
            // Half the total change, the odd pixel not yet given.
            EXPECT_LE(std::abs(2 * moved - (width - 400)), 1) << width;
        }
    }
    HalfWidthShift shift(400);
    EXPECT_EQ(shift.Next(401), 0);
    EXPECT_EQ(shift.Next(402), 1) << "the carried pixel comes with the next resize";
}

} // namespace
