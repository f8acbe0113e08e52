// Every SQL text the program runs, against a real seeded database, with names
// that break naive quoting.

#include "reminders/CAdoDatabase.h"

#include "Printers.h"
#include "SeededDatabase.h"

#include <gtest/gtest.h>

namespace {

// "𠀀" and "😀" take four bytes in GB18030.
const std::vector<std::string> kHardNames = {
    "O'Brien", "\"引号\"张", "back\\slash", "𠀀丽", "😀小明", "'; DROP TABLE TiXing; --", "%s%d",
};

int IdOf(const SeededDatabase& db, const std::string& name) {
    return std::stoi(db.Value(SqlFormat("select * from TiXing Where m_Name='%s'", name), "ID"));
}

TEST(SqlTexts, ReminderEditorCheckAndListStatementsKeepNamesIntact) {
    const SeededDatabase db;
    for (const std::string& name : kHardNames) {
        SCOPED_TRACE(name);
        const std::string content = name + "，生日快乐！\r\n第二行";
        // Editor, add mode: uniqueness check, then the insert.
        EXPECT_TRUE(
            db.Column(SqlFormat("select * from TiXing Where m_Name='%s'", name), "ID").empty());
        db.Run(SqlFormat("InSert InTo TiXing(m_State,m_Name,m_Date,m_DateStatus,m_SoundPath,"
                         "m_Email,m_Title,m_Content,m_Ahead,m_Mobile)Values('%s','%s',%s,'%s',"
                         "'%s','%s','%s','%s',%s,'%s')",
                         "生效", name, DateTime(1980, 9, 12).Format("#%Y-%m-%d 23:59:59#"), "阴历",
                         "/音乐/" + name + ".mp3", "a@b.cn", "来自" + name + "的生日祝福！",
                         content, std::string("33"), "13800000000"));
        const int id = IdOf(db, name);
        const std::string byId = SqlFormat("select * from TiXing Where ID=%d", id);
        EXPECT_EQ(db.Value(byId, "m_Name"), name);
        EXPECT_EQ(db.Value(byId, "m_Content"), content);
        EXPECT_EQ(db.Value(byId, "m_Date"), "1980-09-12 23:59:59");
        EXPECT_EQ(db.Value(byId, "m_IsVailid"), "1");

        // Editor, edit mode: the rename check, then the update by ID.
        const std::string renamed = name + "'二";
        EXPECT_TRUE(db.Column(SqlFormat("Select * from TiXing Where m_Name='%s' And m_Name<>'%s'",
                                        renamed, name),
                              "ID")
                        .empty());
        EXPECT_EQ(db.Column(SqlFormat("Select * from TiXing Where m_Name='%s' And m_Name<>'%s'",
                                      name, "别人"),
                            "ID"),
                  std::vector<std::string>{std::to_string(id)});
        db.Run(SqlFormat("Update TiXing Set m_State='%s',m_Name='%s',m_Date=%s,m_DateStatus='%s',"
                         "m_SoundPath='%s',m_Email='%s',m_Title='%s',m_Content='%s',m_Ahead=%s,"
                         "m_Mobile='%s' Where ID=%d",
                         "失效", renamed, std::string("#1981-02-28 23:59:59#"), "阳历",
                         "HAPPYBIRTHDAY", "c@d.cn", "", content, std::string("55"), "", id));
        EXPECT_EQ(db.Value(byId, "m_Name"), renamed);
        EXPECT_EQ(db.Value(byId, "m_Date"), "1981-02-28 23:59:59");

        // The reminder check's three writes.
        db.Run(SqlFormat("Update TiXing Set m_State='%s' Where ID=%d", "将到", id));
        EXPECT_EQ(db.Value(byId, "m_State"), "将到");
        db.Run(SqlFormat("Update TiXing Set m_State='%s',m_Ahead=%d Where ID=%d", "进行", 52, id));
        EXPECT_EQ(db.Value(byId, "m_State") + db.Value(byId, "m_Ahead"), "进行52");
        db.Run(SqlFormat("Update TiXing Set m_Ahead=%d Where ID=%d", 55, id));
        EXPECT_EQ(db.Value(byId, "m_State") + db.Value(byId, "m_Ahead"), "进行55");

        // The list's toggles and delete.
        db.Run(SqlFormat("Update TiXing Set m_State='失效' Where ID=%d", id));
        EXPECT_EQ(db.Value(byId, "m_State"), "失效");
        db.Run(SqlFormat("Update TiXing Set m_State='生效' Where ID=%d", id));
        EXPECT_EQ(db.Value(byId, "m_State"), "生效");
        db.Run(SqlFormat("DELETE from TiXing where ID=%s", std::to_string(id)));
        EXPECT_EQ(db.Value(byId, "ID"), "(no row)");
    }
    EXPECT_TRUE(db.Column("select * from TiXing Order By ID", "ID").empty());
}

TEST(SqlTexts, AddressBookStatementsKeepNamesIntact) {
    const SeededDatabase db;
    const std::string insert =
        "InSert Into TiXing(m_Name,m_DateStatus,m_Date,m_IsVailid,m_Mobile,m_Email,m_QQ,m_Group,"
        "m_Company,m_Department,m_Position,m_CompTel,m_CompAddr,m_Fax,m_HomeTel,m_HomeAddr)Values("
        "'%s','%s',%s,%d,'%s','%s','%s','%s','%s','%s','%s','%s','%s','%s','%s','%s')";
    const std::string update =
        "Update TiXing Set m_Name='%s',m_DateStatus='%s',m_Date=%s,m_IsVailid=%d,m_Mobile='%s',"
        "m_Email='%s',m_QQ='%s',m_Group='%s',m_Company='%s',m_Department='%s',m_Position='%s',"
        "m_CompTel='%s',m_CompAddr='%s',m_Fax='%s',m_HomeTel='%s',m_HomeAddr='%s' Where "
        "m_Name='%s'";
    const std::string byName = "Select * From TiXing Where m_Name='%s'";
    for (const std::string& name : kHardNames) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(db.Column(SqlFormat(byName, name), "ID").empty());
        // A contact born in 1925 keeps its four-digit year.
        db.Run(SqlFormat(insert, name, "阳历", std::string("#1925-06-01#"), 0, "139", "x@y.cn",
                         "10001", "朋友", name + "公司", "", "", "", name + "路1号", "", "", ""));
        EXPECT_EQ(db.Value(SqlFormat(byName, name), "m_Date"), "1925-06-01 00:00:00");
        EXPECT_EQ(db.Value(SqlFormat(byName, name), "m_CompAddr"), name + "路1号");

        const std::string renamed = "新" + name;
        db.Run(SqlFormat(update, renamed, "阴历", std::string("#1925-06-02#"), 1, "", "", "",
                         "同事", "", "", "", "", "", "", "", name + "家", name));
        EXPECT_TRUE(db.Column(SqlFormat(byName, name), "ID").empty());
        EXPECT_EQ(db.Value(SqlFormat(byName, renamed), "m_HomeAddr"), name + "家");
        EXPECT_EQ(db.Value(SqlFormat(byName, renamed), "m_IsVailid"), "1");
        EXPECT_EQ(db.Value(SqlFormat(byName, renamed), "m_State"), "生效");
    }
    EXPECT_EQ(db.Column("Select * From TiXing Order By m_Group", "m_Group").size(),
              kHardNames.size());
    EXPECT_EQ(db.Column("SELECT   *  FROM  TiXing", "m_Name").size(), kHardNames.size());
    for (const std::string& name : kHardNames)
        db.Run(SqlFormat("Delete * From TiXing Where m_Name='%s'", "新" + name));
    EXPECT_TRUE(db.Column("SELECT   *  FROM  TiXing", "m_Name").empty());
}

TEST(SqlTexts, CalendarReadsReminderBirthdaysInDateOrder) {
    const SeededDatabase db;
    const std::string insert = "Insert Into TiXing(m_Name,m_Date,m_IsVailid) Values('%s',%s,%d)";
    db.Run(SqlFormat(insert, "晚", std::string("#1990-12-01 23:59:59#"), 1));
    db.Run(SqlFormat(insert, "早", std::string("#1960-01-31#"), 1));
    db.Run(SqlFormat(insert, "联系人", std::string("#1950-01-01#"), 0));
    db.Run(SqlFormat(insert, "中", std::string("#1975-7-4 8:00:00#"), 1));
    EXPECT_EQ(db.Column("Select * from TiXing Where m_IsVailid=1 Order By m_Date", "m_Name"),
              (std::vector<std::string>{"早", "中", "晚"}));
}

TEST(SqlTexts, FestivalEditorStatementsUseTheBracketedColumnsAndTheKey) {
    const SeededDatabase db;
    const std::size_t shipped =
        db.Column("Select * From Festival Order By Class,Month,Day", "编号").size();
    const std::string byName = "Select * From Festival Where FestivalName='%s'";
    for (const std::string& name : kHardNames) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(db.Column(SqlFormat(byName, name), "编号").empty());
        db.Run(
            SqlFormat("InSert Into Festival([Class],GorN,[Month],[Day],FestivalName)Values(%d,%d,"
                      "%d,%d,'%s')",
                      3, 0, 12, 30, name));
        const std::string key = db.Value(SqlFormat(byName, name), "编号");
        EXPECT_GT(std::stoi(key), static_cast<int>(shipped));
        db.Run(SqlFormat("Update Festival Set [Class]=%d,GorN=%d,[Month]=%d,[Day]=%d,"
                         "FestivalName='%s' Where 编号=%d",
                         2, 1, 2, 29, name + "节", std::stoi(key)));
        const std::string byKey = "Select * From Festival Where 编号=" + key;
        EXPECT_EQ(db.Value(byKey, "Class") + db.Value(byKey, "GorN") + db.Value(byKey, "Month") +
                      db.Value(byKey, "Day") + db.Value(byKey, "FestivalName"),
                  "21229" + name + "节");
        db.Run(SqlFormat("Delete * From Festival Where 编号=%d", std::stoi(key)));
        EXPECT_EQ(db.Value(byKey, "编号"), "(no row)");
    }
    // The calendar's read and the editor's list order.
    const std::vector<std::string> classes =
        db.Column("Select * from Festival Order By Class", "Class");
    EXPECT_TRUE(std::is_sorted(classes.begin(), classes.end()));
    EXPECT_EQ(classes.size(), shipped);
}

TEST(SqlTexts, SettingsStatementsKeepPasswordsWithQuotes) {
    const SeededDatabase db;
    const std::string own =
        "Update MySetting Set m_Name='%s',m_ServerName='%s',m_Email='%s',m_UserName='%s',"
        "m_Password=\"%s\",m_UnLockPwd=\"%s\",m_IsLock=%d,m_SmtpSelect=%d,m_MyMobile='%s',"
        "m_AcceptEmail='%s',m_AheadEmail=%d,m_AheadWnd=%d,m_DayEmail=%d,m_DayWnd=%d,m_EveryDay=%d";
    const std::string author =
        "Update MySetting Set m_Name='%s',m_UnLockPwd=\"%s\",m_IsLock=%d,m_SmtpSelect=%d,"
        "m_MyMobile='%s',m_AcceptEmail='%s',m_AheadEmail=%d,m_AheadWnd=%d,m_DayEmail=%d,"
        "m_DayWnd=%d,m_EveryDay=%d";
    const std::string password = "p\"w'd\\#1%";
    const std::string unlock = "\"'\"";
    db.Run(SqlFormat(own, "O'Neil", "smtp.163.com", "o'neil@163.com", "o'neil", password, unlock, 1,
                     0, "139", "me@x.cn", 1, 0, 1, 0, 1));
    const std::string read = "Select * From MySetting";
    EXPECT_EQ(db.Value(read, "m_Password"), password);
    EXPECT_EQ(db.Value(read, "m_UnLockPwd"), unlock);
    EXPECT_EQ(db.Value(read, "m_UserName"), "o'neil");
    EXPECT_EQ(db.Value(read, "m_Name"), "O'Neil");

    db.Run(SqlFormat(author, "昵称", "新\"密码", 0, 1, "", "", 0, 1, 0, 1, 0));
    EXPECT_EQ(db.Value("select * from MySetting", "m_UnLockPwd"), "新\"密码");
    // The sender columns keep the user's own account.
    EXPECT_EQ(db.Value(read, "m_Password"), password);
    EXPECT_EQ(db.Value(read, "m_Email"), "o'neil@163.com");
    EXPECT_EQ(db.Column(read, "m_Name").size(), 1u);
}

TEST(SqlTexts, UnquotedValuesMustBeNumbersOrDates) {
    EXPECT_EQ(SqlFormat("m_Date=%s", std::string("#2011-09-09 23:59:59#")),
              "m_Date=#2011-09-09 23:59:59#");
    for (const char* bad : {"#2011-09-09# OR 1=1", "#2011-09-09# OR #2011-09-09#", "#2011-02-30#",
                            "##", "33 OR 1=1", "", "-"})
        EXPECT_THROW(SqlFormat("Update TiXing Set m_Date=%s Where ID=1", std::string(bad)), DbError)
            << bad;
    // A quote of the other kind inside a quoted value is plain data.
    EXPECT_EQ(SqlFormat("a='%s',b=\"%s\"", std::string("x\"y'"), std::string("x\"y'")),
              "a='x\"y''',b=\"x\"\"y'\"");
}

} // namespace
