#include "reminders/DatabaseSeed.h"
#include "platform/TextCodec.h"
#include "reminders/CAdoDatabase.h"

#include "Printers.h"
#include "SeededDatabase.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

namespace {

enum class Kind { Integer, Text, LongText, DateTime, YesNo };

// The declared type of each column, in table order, read with SQLite's own pragma.
std::vector<std::pair<std::string, std::string>> Columns(const SeededDatabase& db,
                                                         const std::string& table) {
    CAdoDatabase access(db.Path());
    access.Open();
    access.Execute("PRAGMA table_info(" + table + ")");
    std::vector<std::pair<std::string, std::string>> columns;
    for (; !access.IsEOF(); access.MoveNext())
        columns.emplace_back(access.GetCollect("name").AsString(),
                             access.GetCollect("type").AsString());
    return columns;
}

Kind KindOf(const std::string& declared) {
    if (declared == "INTEGER")
        return Kind::Integer;
    if (declared.rfind("VARCHAR(", 0) == 0)
        return Kind::Text;
    if (declared == "LONGTEXT")
        return Kind::LongText;
    if (declared == "DATETIME")
        return Kind::DateTime;
    if (declared == "YESNO")
        return Kind::YesNo;
    ADD_FAILURE() << "undocumented column type " << declared;
    return Kind::Text;
}

TEST(DatabaseSeed, TablesHaveTheColumnsTheProgramReadsWithTellableTypes) {
    const SeededDatabase db;
    const std::map<std::string, std::vector<std::pair<std::string, Kind>>> expected = {
        {"TiXing", {{"ID", Kind::Integer},         {"m_State", Kind::Text},
                    {"m_Name", Kind::Text},        {"m_Date", Kind::DateTime},
                    {"m_DateStatus", Kind::Text},  {"m_SoundPath", Kind::Text},
                    {"m_Email", Kind::Text},       {"m_Title", Kind::Text},
                    {"m_Content", Kind::LongText}, {"m_Ahead", Kind::Integer},
                    {"m_IsVailid", Kind::Integer}, {"m_Mobile", Kind::Text},
                    {"m_QQ", Kind::Text},          {"m_Group", Kind::Text},
                    {"m_Company", Kind::Text},     {"m_Department", Kind::Text},
                    {"m_Position", Kind::Text},    {"m_CompTel", Kind::Text},
                    {"m_CompAddr", Kind::Text},    {"m_Fax", Kind::Text},
                    {"m_HomeTel", Kind::Text},     {"m_HomeAddr", Kind::Text}}},
        {"Festival",
         {{"编号", Kind::Integer},
          {"Class", Kind::Integer},
          {"GorN", Kind::Integer},
          {"Month", Kind::Integer},
          {"Day", Kind::Integer},
          {"FestivalName", Kind::Text}}},
        {"MySetting",
         {{"m_Name", Kind::Text},
          {"m_MyMobile", Kind::Text},
          {"m_IsLock", Kind::Integer},
          {"m_UnLockPwd", Kind::Text},
          {"m_DayWnd", Kind::YesNo},
          {"m_DayEmail", Kind::YesNo},
          {"m_AheadWnd", Kind::YesNo},
          {"m_AheadEmail", Kind::YesNo},
          {"m_EveryDay", Kind::YesNo},
          {"m_AcceptEmail", Kind::Text},
          {"m_SmtpSelect", Kind::Integer},
          {"m_Email", Kind::Text},
          {"m_ServerName", Kind::Text},
          {"m_UserName", Kind::Text},
          {"m_Password", Kind::Text}}},
    };
    for (const auto& [table, columns] : expected) {
        std::vector<std::pair<std::string, Kind>> actual;
        for (const auto& [name, declared] : Columns(db, table))
            actual.emplace_back(name, KindOf(declared));
        EXPECT_EQ(actual, columns) << table;
    }
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

TEST(DatabaseSeed, ShipsOneSettingsRowWithWindowRemindersOn) {
    const SeededDatabase db;
    CAdoDatabase access(db.Path());
    access.Open();
    access.Execute("Select * From MySetting");
    ASSERT_EQ(access.GetRecordCount(), 1);
    const std::map<std::string, int> flags = {{"m_DayWnd", 1},   {"m_AheadWnd", 1},
                                              {"m_DayEmail", 0}, {"m_AheadEmail", 0},
                                              {"m_IsLock", 0},   {"m_SmtpSelect", 0}};
    for (const auto& [column, value] : flags)
        EXPECT_EQ(access.GetCollect(column).AsInt(), value) << column;
    for (const char* column : {"m_Name", "m_MyMobile", "m_UnLockPwd", "m_AcceptEmail", "m_Email",
                               "m_ServerName", "m_UserName", "m_Password"})
        EXPECT_EQ(access.GetCollect(column).AsString(), "") << column;
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
    // Nothing but the two files is left behind.
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"data.db", "new.db"}));
}

TEST(DatabaseSeed, MissingDirectoryFailsWithoutLeavingAnything) {
    TempDir dir;
    EXPECT_THROW(CreateDatabaseFromSeed(dir.File("no-such-dir/data.db")), DbError);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

} // namespace
