#include "reminders/ReminderCheck.h"

#include "mail/MailQueue.h"
#include "reminders/LoadReminderList.h"
#include "reminders/ReminderListRows.h"
#include "settings/Globals.h"

#include "FixedClock.h"
#include "ReceivedMail.h"
#include "RecordingSink.h"
#include "ScriptedPrompter.h"
#include "SecondConnection.h"
#include "SeededDatabase.h"
#include "SmtpTestServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <regex>

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::UnorderedElementsAreArray;

class ReminderCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.Start();
        g_Setting = SettingRecord();
        g_Setting.m_ServerName = "127.0.0.1";
        g_Setting.m_AcceptEmail = "me@example.com";
        g_Setting.m_DayWnd = g_Setting.m_DayEmail = g_Setting.m_AheadWnd = 1;
        g_Setting.m_AheadEmail = g_Setting.m_EveryDay = 1;
        g_ActiveView = 0;
    }

    void TearDown() override {
        // Nothing may be left running or counted when the next test starts.
        sink.CloseAllPopups();
        EXPECT_TRUE(sink.WaitForMailThreads(0, 0));
    }

    void Insert(const std::string& name, const std::string& state, const std::string& birth,
                int ahead, const std::string& title = "生日快乐") {
        db.Run(SqlFormat("Insert Into TiXing (m_State,m_Name,m_Date,m_DateStatus,m_SoundPath,"
                         "m_Email,m_Title,m_Content,m_Ahead) Values ('%s','%s','%s','阳历',"
                         "'HAPPYBIRTHDAY','friend@example.com','%s','祝你生日快乐！',%d)",
                         state, name, birth, title, ahead));
    }

    void Tick(const DateTime& now) {
        clock.Set(now);
        check.CheckReminders();
    }

    std::string Stored(const std::string& column) const {
        return db.Value("select * from TiXing Where ID=1", column);
    }

    // Waits for the mails of the ticks so far; those not seen before as
    // "recipient | subject | body", in no particular order.
    std::vector<std::string> NewMails() {
        // Every mail raised the busy count until its thread was done.
        EXPECT_TRUE(sink.WaitForMailThreads(0, static_cast<int>(sink.popups.size())));
        const std::vector<std::string> sessions = server.Sessions(sink.Hints().size());
        std::vector<std::string> mails;
        for (std::size_t i = mailsSeen; i < sessions.size(); ++i) {
            const ReceivedMail m(sessions[i]);
            mails.push_back(m.recipient + " | " + m.subject + " | " + m.body);
        }
        mailsSeen = sessions.size();
        return mails;
    }

    SeededDatabase db;
    SmtpTestServer server;
    RecordingSink sink;
    ScriptedPrompter prompter;
    FixedClock clock{DateTime(2011, 9, 1, 10, 0, 0)};
    MailQueue mail{sink, server.Port()};
    ReminderList list;
    ReminderCheck check{list, mail, sink, prompter, clock};
    std::size_t mailsSeen = 0;
};

TEST_F(ReminderCheckTest, RemindsZhangSanOncePerDayAndResetsTheDayAfter) {
    Insert("张三", "生效", "1980-09-12 23:59:59", 33);
    LoadReminderList(list, clock, prompter);

    // Reminds on `now` and no more that day, also with the list read again.
    auto remindsOnce = [&](DateTime now, const std::string& state, const std::string& ahead,
                           const std::string& popup, const std::vector<std::string>& mails) {
        SCOPED_TRACE(state);
        Tick(now);
        EXPECT_EQ(Stored("m_State") + Stored("m_Ahead"), state + ahead);
        EXPECT_EQ(sink.popups, std::vector<std::string>{popup});
        EXPECT_THAT(NewMails(), UnorderedElementsAreArray(mails));
        sink.CloseAllPopups();
        Tick(now.AddSeconds(20));
        LoadReminderList(list, clock, prompter);
        Tick(now.AddSeconds(40));
        EXPECT_TRUE(sink.popups.empty());
        EXPECT_TRUE(NewMails().empty());
    };
    remindsOnce(DateTime(2011, 9, 9, 10, 0, 0), "将到", "32",
                "HAPPYBIRTHDAY | 生日提前提醒！ | 张三的出生日期是:阳历1980-09-12。\r\n"
                "他(她)今年的31周岁生日是:2011-09-12。还有3天就要到了，请准备！",
                {"me@example.com | 张三的31周岁生日即将到! | 张三的出生日期是:阳历1980-09-12\r\n"
                 "阳历2011-09-12是他(她)的31周岁生日，特此提醒!"});
    remindsOnce(DateTime(2011, 9, 12, 0, 0, 5), "进行", "32",
                "HAPPYBIRTHDAY | 生日提醒! | 今天是张三的31周岁生日！让我们一起祝他(她)生日快乐！",
                {"friend@example.com | 生日快乐 | 祝你生日快乐！",
                 "me@example.com | 张三的31周岁生日的提醒! | 张三的出生日期是:阳历1980-09-12\r\n"
                 "今天(阳历2011-09-12)是他(她)的31周岁生日，特此提醒!"});

    Tick(DateTime(2011, 9, 13, 10, 0, 0)); // the day after
    EXPECT_EQ(list[0].state + Stored("m_State") + Stored("m_Ahead"), "生效生效33");
    EXPECT_TRUE(sink.popups.empty());
    EXPECT_GT(sink.refreshes, 0);
    EXPECT_TRUE(prompter.asked.empty());
}

// A birthday known by month and day only (from a phone's contacts) is
// reminded without an age: its stored year is no year of birth.
TEST_F(ReminderCheckTest, ABirthdayWithoutAYearIsRemindedWithoutAnAge) {
    g_Setting.m_AheadEmail = g_Setting.m_DayEmail = 0;
    Insert("王五", "生效", "1604-09-12 00:00:00", 33, "");
    LoadReminderList(list, clock, prompter);
    Tick(DateTime(2011, 9, 9, 10, 0, 0));
    Tick(DateTime(2011, 9, 12, 10, 0, 0));
    EXPECT_THAT(
        sink.popups,
        ElementsAre("HAPPYBIRTHDAY | 生日提前提醒！ | 王五的出生日期是:阳历09-12。\r\n"
                    "他(她)今年的生日是:2011-09-12。还有3天就要到了，请准备！",
                    "HAPPYBIRTHDAY | 生日提醒! | 今天是王五的生日！让我们一起祝他(她)生日快乐！"));
}

TEST_F(ReminderCheckTest, WithEveryChannelOffTheStateStillChanges) {
    g_Setting.m_DayWnd = g_Setting.m_DayEmail = g_Setting.m_AheadWnd = 0;
    g_Setting.m_AheadEmail = g_Setting.m_EveryDay = 0;
    Insert("张三", "生效", "1980-09-12 23:59:59", 33, "");
    LoadReminderList(list, clock, prompter);
    Tick(DateTime(2011, 9, 9, 10, 0, 0));
    EXPECT_EQ(Stored("m_State") + Stored("m_Ahead"), "将到30"); // reminded once: no countdown
    Tick(DateTime(2011, 9, 12, 10, 0, 0));
    EXPECT_EQ(Stored("m_State"), "进行");
    EXPECT_TRUE(sink.popups.empty());
    EXPECT_TRUE(NewMails().empty());
}

TEST_F(ReminderCheckTest, SeveralPeopleDueOnOneTickFireInListOrder) {
    g_Setting.m_DayEmail = g_Setting.m_AheadEmail = 0;
    g_ActiveView = 1; // another view shown: the list is not redrawn
    Insert("李四", "生效", "1990-09-12 23:59:59", 0, "");
    Insert("钱七", "失效", "1990-09-12 23:59:59", 33); // switched off: no pop-up, no greeting
    Insert("王五", "生效", "1985-09-14 23:59:59", 33, "");
    Insert("孙八", "失效", "1985-09-14 23:59:59", 33);
    Insert("赵六", "将到", "1970-09-12 23:59:59", 30, "");
    LoadReminderList(list, clock, prompter);
    Tick(DateTime(2011, 9, 12, 10, 0, 0));
    EXPECT_THAT(sink.popups, ElementsAre(HasSubstr("今天是李四的21周岁生日"),
                                         HasSubstr("他(她)今年的26周岁生日是:2011-09-14。还有2天"),
                                         HasSubstr("今天是赵六的41周岁生日")));
    EXPECT_TRUE(NewMails().empty());
    EXPECT_EQ(sink.refreshes, 0);
}

// Thousands of people due on one tick must not redraw the list thousands of times.
TEST_F(ReminderCheckTest, ATickRedrawsTheShownListOnceHoweverManyChange) {
    g_Setting.m_DayEmail = g_Setting.m_AheadEmail = 0;
    g_ActiveView = 0;
    for (const char* name : {"李四", "王五", "赵六"})
        Insert(name, "生效", "1990-09-12 23:59:59", 33, "");
    LoadReminderList(list, clock, prompter);
    Tick(DateTime(2011, 9, 12, 10, 0, 0));
    EXPECT_EQ(sink.popups.size(), 3u);
    EXPECT_EQ(sink.refreshes, 1);
}

TEST_F(ReminderCheckTest, AFailedWriteIsToldAndTheReminderStillGivenOnce) {
    Insert("张三", "生效", "1980-09-12 23:59:59", 33, "");
    LoadReminderList(list, clock, prompter);
    g_ConnectionString = db.Dir().File("missing.db");
    Tick(DateTime(2011, 9, 12, 10, 0, 0));
    Tick(DateTime(2011, 9, 12, 10, 0, 20));
    EXPECT_THAT(prompter.Texts(), ElementsAre(HasSubstr("missing.db")));
    EXPECT_EQ(sink.popups.size(), 1u);
}

// Another copy holding the file: the tick waits once, shows one message for
// all its writes, and saves them at a later tick without telling again.
TEST_F(ReminderCheckTest, ALockedFileGivesOneMessageAndTheStatesAreSavedOnceItIsFree) {
    g_Setting.m_DayEmail = g_Setting.m_AheadEmail = 0;
    Insert("张三", "生效", "1980-09-12 23:59:59", 33, "");
    Insert("李四", "生效", "1990-09-12 23:59:59", 0, "");
    Insert("王五", "生效", "1985-09-14 23:59:59", 33, "");
    Insert("赵六", "进行", "1970-09-11 23:59:59", 30, ""); // yesterday's: back to 生效, 33
    LoadReminderList(list, clock, prompter);
    SecondConnection writer = OpenSecondConnection(db.Path(), "BEGIN IMMEDIATE");
    Tick(DateTime(2011, 9, 12, 10, 0, 0));
    Tick(DateTime(2011, 9, 12, 10, 0, 20));
    writer.reset();
    EXPECT_THAT(prompter.Texts(),
                ElementsAre(DatabaseErrorText("保存提醒状态", db.Path(), "database is locked") +
                            "\n提醒状态会在下次检查时再保存。"));
    EXPECT_EQ(sink.popups.size(), 3u);
    Tick(DateTime(2011, 9, 12, 10, 0, 40));
    EXPECT_THAT(db.Column("select m_State||m_Ahead As s from TiXing Order By ID", "s"),
                ElementsAre("进行33", "进行0", "将到31", "生效33"));
    EXPECT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(sink.popups.size(), 3u) << "nobody reminded twice";
}

// Reloads replace the list with what the file says: states another program
// kept from being saved, a state the editor set back to 生效. Nobody is
// reminded twice of the same kind on one day; a birthday edited to today is.
TEST_F(ReminderCheckTest, AReloadedListNeverRepeatsAReminderGivenToday) {
    Insert("张三", "生效", "1980-09-12 23:59:59", 33);
    Insert("王五", "生效", "1985-09-14 23:59:59", 33, "");
    LoadReminderList(list, clock, prompter);
    {
        const SecondConnection other = OpenSecondConnection(db.Path(), "BEGIN IMMEDIATE");
        Tick(DateTime(2011, 9, 12, 10, 0, 0));
    }
    EXPECT_THAT(sink.popups,
                ElementsAre(HasSubstr("今天是张三的31周岁生日"), HasSubstr("还有2天")));
    EXPECT_EQ(NewMails().size(), 3u);
    sink.CloseAllPopups();

    // Saved from the editor: 张三 unchanged, 王五 with his birthday moved to today.
    db.Run("Update TiXing Set m_State='生效',m_Ahead=33 Where m_Name='张三'");
    db.Run("Update TiXing Set m_State='生效',m_Ahead=33,m_Date='1985-09-12 23:59:59' "
           "Where m_Name='王五'");
    for (const DateTime now :
         {DateTime(2011, 9, 12, 10, 0, 20), DateTime(2011, 9, 12, 10, 0, 40)}) {
        LoadReminderList(list, clock, prompter);
        Tick(now);
    }
    EXPECT_THAT(sink.popups, ElementsAre(HasSubstr("今天是王五的26周岁生日")));
    EXPECT_THAT(NewMails(), ElementsAre(HasSubstr("王五的26周岁生日的提醒!")));
    EXPECT_THAT(db.Column("select m_State||m_Ahead As s from TiXing Order By ID", "s"),
                ElementsAre("进行33", "进行33"));
}

// Pop-up headings and their day counts, one line per tick that gave any.
std::string PopupDays(const std::vector<std::string>& popups) {
    std::string days;
    static const std::regex count("还有(\\d)天|(今天)");
    for (const std::string& popup : popups) {
        std::smatch m;
        if (std::regex_search(popup, m, count))
            days += m[1].matched ? m.str(1) : "0";
    }
    return days;
}

TEST_F(ReminderCheckTest, AheadRemindersReachAcrossNewYear) {
    g_Setting.m_DayEmail = g_Setting.m_AheadEmail = 0;
    // ticks on 29 December .. 2 January; m_EveryDay -> the days told on each
    for (const auto& [everyDay, told] :
         {std::pair{1, std::vector<std::string>{"", "3", "2", "1", "0"}},
          std::pair{0, std::vector<std::string>{"", "3", "", "", "0"}}}) {
        SCOPED_TRACE(everyDay);
        g_Setting.m_EveryDay = everyDay;
        db.Run("Delete From TiXing");
        Insert("张三", "生效", "1995-01-02 23:59:59", 33, "");
        clock.Set(DateTime(2025, 12, 29, 8, 0, 0));
        LoadReminderList(list, clock, prompter);
        DateTime day(2025, 12, 29, 10, 0, 0);
        for (const std::string& expected : told) {
            Tick(day);
            EXPECT_EQ(PopupDays(sink.popups), expected) << day.Format("%Y-%m-%d");
            if (expected == "3") {
                EXPECT_THAT(sink.popups[0], HasSubstr("他(她)今年的31周岁生日是:2026-01-02"));
            }
            sink.CloseAllPopups();
            day = day.AddDays(1);
        }
    }
}

TEST_F(ReminderCheckTest, ARunOverNewYearRemindsOfTheNewYearsBirthdays) {
    Insert("张三", "生效", "1995-01-01 23:59:59", 0, "");
    clock.Set(DateTime(2025, 12, 31, 8, 0, 0));
    LoadReminderList(list, clock, prompter);
    Tick(DateTime(2025, 12, 31, 23, 59, 50));
    EXPECT_TRUE(sink.popups.empty());
    Tick(DateTime(2026, 1, 1, 0, 0, 10));
    EXPECT_THAT(sink.popups, ElementsAre(HasSubstr("今天是张三的31周岁生日")));
    EXPECT_EQ(Stored("m_State"), "进行");
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].birthdayThisYear, DateTime(2026, 1, 1, 23, 59, 59));
}

// Born on 29 February: a common year's birthday is 28 February, reminded
// ahead and on the day like any other, and shown as such in the list.
TEST_F(ReminderCheckTest, ALeapDayBirthdayIsRemindedOn28FebruaryOfACommonYear) {
    g_Setting.m_DayEmail = g_Setting.m_AheadEmail = 0;
    Insert("闰日", "生效", "2000-02-29 23:59:59", 11, "");
    clock.Set(DateTime(2027, 2, 20, 8, 0, 0));
    LoadReminderList(list, clock, prompter);
    const std::vector<ReminderRow> rows = BuildReminderRows(list, clock.Now());
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].cells[kColumnState] + rows[0].cells[kColumnThisYear], "生效2027-02-28");
    Tick(DateTime(2027, 2, 27, 10, 0, 0));
    EXPECT_EQ(Stored("m_State"), "将到");
    Tick(DateTime(2027, 2, 28, 10, 0, 0));
    EXPECT_EQ(Stored("m_State"), "进行");
    EXPECT_THAT(sink.popups, ElementsAre(HasSubstr("今年的27周岁生日是:2027-02-28。还有1天"),
                                         HasSubstr("今天是闰日的27周岁生日")));
}

// Lunar 11-20 falls on 20 December 2024 and 8 January 2026: 2025 has none,
// and no reminder may come in December 2025 for last year's.
TEST_F(ReminderCheckTest, ALunarBirthdayIsNeverRemindedForADayOfLastYear) {
    db.Run("Insert Into TiXing (m_State,m_Name,m_Date,m_DateStatus,m_SoundPath,m_Ahead) "
           "Values ('生效','李四','1990-11-20 23:59:59','阴历','HAPPYBIRTHDAY',33)");
    clock.Set(DateTime(2025, 12, 1));
    LoadReminderList(list, clock, prompter);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_FALSE(list[0].birthdayThisYear.IsValid());
    for (const DateTime day : {DateTime(2025, 12, 18, 10, 0, 0), DateTime(2025, 12, 21, 10, 0, 0)})
        Tick(day);
    EXPECT_TRUE(sink.popups.empty());
    EXPECT_EQ(Stored("m_State"), "生效");
}

} // namespace
