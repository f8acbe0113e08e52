#include "reminders/DatabaseSeed.h"
#include "platform/TextCodec.h"
#include "reminders/CAdoDatabase.h"

#include "Printers.h"
#include "SeededDatabase.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

namespace {

// "name:kind" of every column in table order, the kind being what a workbook
// exchange tells apart: int, text, long (text), date, yesno.
std::string Columns(const SeededDatabase& db, const std::string& table) {
    CAdoDatabase access(db.Path());
    access.Open();
    access.Execute("PRAGMA table_info(" + table + ")");
    std::string columns;
    for (; !access.IsEOF(); access.MoveNext()) {
        const std::string type = access.GetCollect("type").AsString();
        const std::string kind = type == "INTEGER"                ? "int"
                                 : type.rfind("VARCHAR(", 0) == 0 ? "text"
                                 : type == "LONGTEXT"             ? "long"
                                 : type == "DATETIME"             ? "date"
                                 : type == "YESNO"                ? "yesno"
                                                                  : "undocumented " + type;
        columns += (columns.empty() ? "" : " ") + access.GetCollect("name").AsString() + ":" + kind;
    }
    return columns;
}

TEST(DatabaseSeed, TablesHaveTheColumnsTheProgramReadsWithTellableTypes) {
    const SeededDatabase db;
    EXPECT_EQ(Columns(db, "TiXing"),
              "ID:int m_State:text m_Name:text m_Date:date m_DateStatus:text m_SoundPath:text "
              "m_Email:text m_Title:text m_Content:long m_Ahead:int m_IsVailid:int m_Mobile:text "
              "m_QQ:text m_Group:text m_Company:text m_Department:text m_Position:text "
              "m_CompTel:text m_CompAddr:text m_Fax:text m_HomeTel:text m_HomeAddr:text");
    EXPECT_EQ(Columns(db, "Festival"),
              "编号:int Class:int GorN:int Month:int Day:int FestivalName:text");
    EXPECT_EQ(Columns(db, "MySetting"),
              "m_Name:text m_MyMobile:text m_IsLock:int m_UnLockPwd:text m_DayWnd:yesno "
              "m_DayEmail:yesno m_AheadWnd:yesno m_AheadEmail:yesno m_EveryDay:yesno "
              "m_AcceptEmail:text m_SmtpSelect:int m_Email:text m_ServerName:text "
              "m_UserName:text m_Password:text");
}

TEST(DatabaseSeed, NewRowsGetTheDefaultsThatWritersRelyOn) {
    const SeededDatabase db;
    // The reminder editor names no m_IsVailid; the address book no state,
    // ahead code, sound, title or content.
    db.Run("InSert InTo TiXing(m_State,m_Name,m_Date,m_DateStatus,m_SoundPath,m_Email,m_Title,"
           "m_Content,m_Ahead,m_Mobile)Values('生效','甲',#1980-09-12 23:59:59#,'阳历','','','',"
           "'',33,'')");
    db.Run("InSert Into TiXing(m_Name,m_DateStatus,m_Date,m_IsVailid,m_Mobile,m_Email,m_QQ,"
           "m_Group,m_Company,m_Department,m_Position,m_CompTel,m_CompAddr,m_Fax,m_HomeTel,"
           "m_HomeAddr)Values('乙','阴历',#1975-03-04#,0,'','','','同学','','','','','','','','')");
    db.Run("Insert Into TiXing(m_Name) Values ('丙')");

    const std::string byName = "select * from TiXing Where m_Name='%s'";
    EXPECT_EQ(db.Value(SqlFormat(byName, "甲"), "m_IsVailid"), "1");
    EXPECT_EQ(db.Value(SqlFormat(byName, "乙"), "m_State"), "生效");
    EXPECT_EQ(db.Value(SqlFormat(byName, "乙"), "m_Ahead"), "0");
    for (const char* column : {"m_SoundPath", "m_Title", "m_Content", "m_Email", "m_Group",
                               "m_HomeAddr", "m_DateStatus"})
        EXPECT_EQ(db.Value(SqlFormat(byName, "丙"), column), "") << column;
    EXPECT_EQ(db.Value(SqlFormat(byName, "丙"), "m_IsVailid"), "1");
    EXPECT_EQ(db.Column("select * from TiXing Order By ID", "ID"),
              (std::vector<std::string>{"1", "2", "3"}));
    // A long text that looks like a number stays the text it was.
    db.Run("Update TiXing Set m_Content='007.50' Where ID=1");
    EXPECT_EQ(db.Value("select * from TiXing Where ID=1", "m_Content"), "007.50");
}

TEST(DatabaseSeed, FestivalsAreWellFormedForTheCalendar) {
    const SeededDatabase db;
    CAdoDatabase access(db.Path());
    access.Open();
    access.Execute("Select * from Festival Order By Class");
    ASSERT_GT(access.GetRecordCount(), 20);
    std::map<std::string, std::string> byName;
    int lastClass = -1;
    for (; !access.IsEOF(); access.MoveNext()) {
        const int cls = access.GetCollect("Class").AsInt();
        const int kind = access.GetCollect("GorN").AsInt();
        const int month = access.GetCollect("Month").AsInt();
        const int day = access.GetCollect("Day").AsInt();
        const std::string name = access.GetCollect("FestivalName").AsString();
        EXPECT_GE(cls, lastClass) << name;
        lastClass = cls;
        EXPECT_TRUE(cls >= 0 && cls <= 2) << name;
        EXPECT_TRUE(kind == 0 || kind == 1) << name;
        EXPECT_TRUE(month >= 1 && month <= 12) << name;
        // Lunar months have at most 30 days; 30 itself is missing in some years.
        EXPECT_TRUE(day >= 1 && day <= (kind == 1 ? DateTime::DaysInMonth(2012, month) : 29))
            << name;
        // A calendar cell shows up to six bytes whole.
        EXPECT_LE(Gb18030Length(name), 6u) << name;
        EXPECT_TRUE(byName
                        .emplace(name, std::to_string(cls) + (kind ? " 阳历 " : " 阴历 ") +
                                           std::to_string(month) + "-" + std::to_string(day))
                        .second)
            << "twice: " << name;
    }
    const std::map<std::string, std::string> expected = {
        {"元旦", "0 阳历 1-1"},     {"春节", "0 阴历 1-1"},     {"劳动节", "0 阳历 5-1"},
        {"国庆节", "0 阳历 10-1"},  {"元宵节", "1 阴历 1-15"},  {"端午节", "1 阴历 5-5"},
        {"七夕", "1 阴历 7-7"},     {"中秋节", "1 阴历 8-15"},  {"重阳节", "1 阴历 9-9"},
        {"腊八节", "1 阴历 12-8"},  {"小年", "1 阴历 12-23"},   {"妇女节", "1 阳历 3-8"},
        {"植树节", "1 阳历 3-12"},  {"青年节", "1 阳历 5-4"},   {"儿童节", "1 阳历 6-1"},
        {"建党节", "1 阳历 7-1"},   {"建军节", "1 阳历 8-1"},   {"教师节", "1 阳历 9-10"},
        {"情人节", "2 阳历 2-14"},  {"愚人节", "2 阳历 4-1"},   {"万圣节", "2 阳历 11-1"},
        {"平安夜", "2 阳历 12-24"}, {"圣诞节", "2 阳历 12-25"},
    };
    for (const auto& [name, row] : expected)
        EXPECT_EQ(byName[name], row) << name;
}

TEST(DatabaseSeed, AnExistingFileIsNeverReplaced) {
    TempDir dir;
    const std::string path = dir.File("data.db");
    {
        std::ofstream user(path, std::ios::binary);
        user << "the user's own data";
    }
    auto contents = [&] {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    };
    EXPECT_THROW(CreateDatabaseFromSeed(path), DbError);
    EXPECT_EQ(contents(), "the user's own data");

    // The build's tool: keeps the file and succeeds, so the build goes on.
    const std::string keep = std::string(ANNIVO_MAKEDB) + " '" + path + "' >/dev/null";
    EXPECT_EQ(std::system(keep.c_str()), 0);
    EXPECT_EQ(contents(), "the user's own data");

    const std::string fresh = dir.File("new.db");
    const std::string make = std::string(ANNIVO_MAKEDB) + " '" + fresh + "' >/dev/null";
    EXPECT_EQ(std::system(make.c_str()), 0);
    CAdoDatabase made(fresh);
    made.Open();
    made.Execute("Select * From MySetting");
    EXPECT_EQ(made.GetRecordCount(), 1);
    made.Close();
}

} // namespace
