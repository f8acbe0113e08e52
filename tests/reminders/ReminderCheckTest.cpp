#include "reminders/ReminderCheck.h"

#include "app/Globals.h"
#include "mail/MailQueue.h"
#include "platform/TextCodec.h"
#include "reminders/LoadReminderList.h"

#include "FixedClock.h"
#include "Printers.h"
#include "RecordingSink.h"
#include "ScriptedPrompter.h"
#include "SeededDatabase.h"
#include "SmtpTestServer.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

struct Mail {
    std::string recipient;
    std::string subject;
    std::string body;
    bool operator<(const Mail& other) const { return subject < other.subject; }
    bool operator==(const Mail&) const = default;
};

void PrintTo(const Mail& mail, std::ostream* out) {
    *out << "to " << mail.recipient << " subject " << mail.subject << " body " << mail.body;
}

// Recipient, subject and body of a recorded SMTP session, back in UTF-8.
Mail ParseSession(const std::string& session) {
    auto between = [&](const std::string& from, const std::string& to) {
        const std::size_t start = session.find(from);
        if (start == std::string::npos)
            return std::string("(missing)");
        const std::size_t end = session.find(to, start + from.size());
        return Gb18030ToUtf8(session.substr(start + from.size(), end - start - from.size()));
    };
    return {between("RCPT TO: <", ">\r\n"), between("\r\nSubject: ", "\r\n"),
            between("\r\n\r\n", "\r\n\r\n.\r\n")};
}

class ReminderCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.Start();
        g_Setting = SettingRecord();
        g_Setting.m_ServerName = "127.0.0.1";
        g_Setting.m_Email = "annivo@example.com";
        g_Setting.m_UserName = "annivo";
        g_Setting.m_Password = "pw";
        g_Setting.m_AcceptEmail = "me@example.com";
        g_Setting.m_DayWnd = g_Setting.m_DayEmail = 1;
        g_Setting.m_AheadWnd = g_Setting.m_AheadEmail = 1;
        g_Setting.m_EveryDay = 1;
        g_ActiveView = 0;
        ASSERT_EQ(BusyCount(), 0);
    }

    void TearDown() override {
        // Nothing may be left running or counted when the next test starts.
        EXPECT_TRUE(sink.WaitForMailThreads(0, static_cast<int>(sink.popups.size())));
        sink.CloseAllPopups();
        EXPECT_EQ(BusyCount(), 0);
    }

    void Insert(const std::string& name, const std::string& state, const std::string& birth,
                int ahead, const std::string& title = "生日快乐") {
        db.Run(SqlFormat("Insert Into TiXing (m_State,m_Name,m_Date,m_DateStatus,m_SoundPath,"
                         "m_Email,m_Title,m_Content,m_Ahead) Values ('%s','%s','%s','阳历',"
                         "'HAPPYBIRTHDAY','%s','%s','祝你生日快乐！',%d)",
                         state, name, birth, "friend@example.com", title, ahead));
    }

    void Tick(const DateTime& now) {
        clock.Set(now);
        check.CheckReminders();
    }

    void Reload() { LoadReminderList(list, clock, prompter); }

    std::string Stored(int id, const std::string& column) const {
        return db.Value("select * from TiXing Where ID=" + std::to_string(id), column);
    }

    // Waits for the mails of the ticks so far and returns those not seen before.
    std::vector<Mail> NewMails() {
        // Every mail raised the busy count until its thread was done.
        EXPECT_TRUE(sink.WaitForMailThreads(0, static_cast<int>(sink.popups.size())));
        const std::size_t total = sink.Hints().size();
        EXPECT_TRUE(server.WaitForSessions(total));
        std::vector<Mail> mails;
        const auto sessions = server.Sessions();
        for (std::size_t i = m_MailsSeen; i < total && i < sessions.size(); ++i)
            mails.push_back(ParseSession(sessions[i]));
        m_MailsSeen = total;
        std::sort(mails.begin(), mails.end());
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

private:
    std::size_t m_MailsSeen = 0;
};

TEST_F(ReminderCheckTest, RemindsZhangSanAheadAndOnTheDay) {
    Insert("张三", "生效", "1980-09-12 23:59:59", 33);
    Reload();

    Tick(DateTime(2011, 9, 8, 10, 0, 0)); // d = 4: not yet
    EXPECT_EQ(list[0].state, "生效");
    EXPECT_TRUE(sink.popups.empty());

    Tick(DateTime(2011, 9, 9, 10, 0, 0)); // d = 3
    EXPECT_EQ(list[0].state, "将到");
    EXPECT_EQ(list[0].ahead, 32);
    EXPECT_EQ(Stored(1, "m_State"), "将到");
    EXPECT_EQ(Stored(1, "m_Ahead"), "32");
    ASSERT_EQ(sink.popups.size(), 1u);
    EXPECT_EQ(sink.popups[0],
              (RecordingSink::Popup{"HAPPYBIRTHDAY", "生日提前提醒！",
                                    "张三的出生日期是:阳历1980-09-12。\r\n他(她)今年的31周岁生日是:"
                                    "2011-09-12。还有3天就要到了，请准备！"}));
    EXPECT_EQ(NewMails(), (std::vector<Mail>{
                              {"me@example.com", "张三的31周岁生日即将到!",
                               "张三的出生日期是:阳历1980-09-12\r\n阳历2011-09-12是他(她)的"
                               "31周岁生日，特此提醒!"},
                          }));
    EXPECT_EQ(BusyCount(), 1); // the open pop-up
    sink.CloseAllPopups();
    EXPECT_EQ(BusyCount(), 0);

    Tick(DateTime(2011, 9, 12, 0, 0, 5)); // d = 0
    EXPECT_EQ(list[0].state, "进行");
    EXPECT_EQ(Stored(1, "m_State"), "进行");
    EXPECT_EQ(Stored(1, "m_Ahead"), "32");
    ASSERT_EQ(sink.popups.size(), 1u);
    EXPECT_EQ(sink.popups[0],
              (RecordingSink::Popup{"HAPPYBIRTHDAY", "生日提醒!",
                                    "今天是张三的31周岁生日！让我们一起祝他(她)生日快乐！"}));
    EXPECT_EQ(NewMails(), (std::vector<Mail>{
                              {"me@example.com", "张三的31周岁生日的提醒!",
                               "张三的出生日期是:阳历1980-09-12\r\n今天(阳历2011-09-12)是他(她)的"
                               "31周岁生日，特此提醒!"},
                              {"friend@example.com", "生日快乐", "祝你生日快乐！"},
                          }));
    EXPECT_GT(sink.refreshes, 0);
    EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(ReminderCheckTest, FiresOnlyOncePerDayEvenAfterReloading) {
    Insert("张三", "生效", "1980-09-12 23:59:59", 33);
    Reload();
    for (const DateTime day : {DateTime(2011, 9, 9, 10, 0, 0), DateTime(2011, 9, 12, 10, 0, 0)}) {
        SCOPED_TRACE(day.Format("%Y-%m-%d"));
        Tick(day);
        EXPECT_EQ(sink.popups.size(), 1u);
        EXPECT_FALSE(NewMails().empty());
        sink.CloseAllPopups();

        Tick(day.AddSeconds(20));
        Reload();
        Tick(day.AddSeconds(40));
        EXPECT_TRUE(sink.popups.empty());
        EXPECT_TRUE(NewMails().empty());
    }
}

TEST_F(ReminderCheckTest, TheDayAfterResetsStateAndCountdown) {
    Insert("张三", "生效", "1980-09-12 23:59:59", 33);
    Reload();
    g_Setting.m_EveryDay = 0;
    Tick(DateTime(2011, 9, 10, 10, 0, 0)); // d = 2: the window opens, once
    EXPECT_EQ(Stored(1, "m_Ahead"), "30");
    Tick(DateTime(2011, 9, 12, 10, 0, 0));
    EXPECT_EQ(sink.popups.size(), 2u);
    NewMails();
    sink.CloseAllPopups();

    Tick(DateTime(2011, 9, 13, 10, 0, 0));
    EXPECT_EQ(list[0].state, "生效");
    EXPECT_EQ(list[0].ahead, 33);
    EXPECT_EQ(Stored(1, "m_State"), "生效");
    EXPECT_EQ(Stored(1, "m_Ahead"), "33");
    EXPECT_TRUE(sink.popups.empty());
    EXPECT_TRUE(NewMails().empty());
}

TEST_F(ReminderCheckTest, ASwitchedOffReminderNeverFires) {
    Insert("张三", "失效", "1980-09-12 23:59:59", 30);
    Reload();
    for (int day = 8; day <= 13; ++day)
        Tick(DateTime(2011, 9, day, 10, 0, 0));
    EXPECT_TRUE(sink.popups.empty());
    EXPECT_TRUE(NewMails().empty());
    EXPECT_EQ(Stored(1, "m_State"), "失效");
    EXPECT_EQ(Stored(1, "m_Ahead"), "33"); // only the countdown is reset
}

TEST_F(ReminderCheckTest, WithEveryChannelOffTheStateStillChanges) {
    g_Setting.m_DayWnd = g_Setting.m_DayEmail = 0;
    g_Setting.m_AheadWnd = g_Setting.m_AheadEmail = 0;
    Insert("张三", "生效", "1980-09-12 23:59:59", 33, "");
    Reload();

    Tick(DateTime(2011, 9, 9, 10, 0, 0));
    EXPECT_EQ(Stored(1, "m_State"), "将到");
    EXPECT_EQ(Stored(1, "m_Ahead"), "32");
    Tick(DateTime(2011, 9, 12, 10, 0, 0));
    EXPECT_EQ(Stored(1, "m_State"), "进行");
    EXPECT_TRUE(sink.popups.empty());
    EXPECT_TRUE(NewMails().empty());
    EXPECT_EQ(BusyCount(), 0);
}

TEST_F(ReminderCheckTest, AnEmptyTitleSendsNoGreetingButTheUserStillHearsOfIt) {
    g_Setting.m_DayWnd = 0;
    Insert("张三", "生效", "1980-09-12 23:59:59", 33, "");
    Reload();
    Tick(DateTime(2011, 9, 12, 10, 0, 0));
    const std::vector<Mail> mails = NewMails();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].recipient, "me@example.com");
    EXPECT_TRUE(sink.popups.empty());
}

TEST_F(ReminderCheckTest, SeveralPeopleDueOnOneTickFireInListOrder) {
    g_Setting.m_DayEmail = g_Setting.m_AheadEmail = 0;
    g_ActiveView = 1; // another view shown: the list is not redrawn
    Insert("李四", "生效", "1990-09-12 23:59:59", 0, "");
    Insert("王五", "生效", "1985-09-14 23:59:59", 33, "");
    Insert("路人", "生效", "1985-10-14 23:59:59", 33, "");
    Insert("赵六", "将到", "1970-09-12 23:59:59", 30, "");
    Reload();
    Tick(DateTime(2011, 9, 12, 10, 0, 0));
    std::vector<std::string> messages;
    for (const auto& popup : sink.popups)
        messages.push_back(popup.message);
    EXPECT_EQ(messages,
              (std::vector<std::string>{
                  "今天是李四的21周岁生日！让我们一起祝他(她)生日快乐！",
                  "王五的出生日期是:阳历1985-09-14。\r\n他(她)今年的26周岁生日是:2011-09-14。"
                  "还有2天就要到了，请准备！",
                  "今天是赵六的41周岁生日！让我们一起祝他(她)生日快乐！",
              }));
    EXPECT_EQ(BusyCount(), 3);
    EXPECT_EQ(sink.refreshes, 0);
}

TEST_F(ReminderCheckTest, AFailedWriteIsToldAndTheReminderStillGivenOnce) {
    Insert("张三", "生效", "1980-09-12 23:59:59", 33, "");
    Reload();
    g_Setting.m_DayEmail = 0;
    g_ConnectionString = db.Dir().File("missing.db");
    Tick(DateTime(2011, 9, 12, 10, 0, 0));
    Tick(DateTime(2011, 9, 12, 10, 0, 20));
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_NE(prompter.asked[0].text.find("missing.db"), std::string::npos);
    EXPECT_EQ(sink.popups.size(), 1u);
    EXPECT_EQ(list[0].state, "进行");
    g_ConnectionString = db.Path();
    EXPECT_EQ(Stored(1, "m_State"), "生效");
}

} // namespace
