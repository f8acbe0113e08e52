#include "views/CalendarTexts.h"
#include "views/BalloonShape.h"

#include <gtest/gtest.h>

namespace {

ReminderRecord Person(const char* name, DateTime birthdayThisYear) {
    ReminderRecord person;
    person.name = name;
    person.birthdayThisYear = birthdayThisYear;
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
    // Before the lunar table begins there is no lunar line rather than zeros.
    EXPECT_EQ(DayTipText({1900, 1, 6, 6, 1, 0}, {1899, 0, 0, 6, 0, 0}, "小寒"),
              "公元1900年1月6日\n节日:小寒");
}

TEST(CalendarTexts, BirthdayListTakesThisYearsBirthdayOfTheMonth) {
    ReminderList people(4);
    people[0] = Person("张三", DateTime(2011, 1, 23, 23, 59));
    people[1] = Person("李四", DateTime()); // 29 February, common year
    people[2] = Person("王五", DateTime(2011, 2, 1));
    people[3] = Person("O'Brien", DateTime(2011, 1, 2));
    EXPECT_EQ(BirthdayListLines(people, 1),
              (std::vector<std::string>{"张三的今年生日是:阳历2011-1-23",
                                        "O'Brien的今年生日是:阳历2011-1-2"}));
    EXPECT_TRUE(BirthdayListLines(people, 3).empty());
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
