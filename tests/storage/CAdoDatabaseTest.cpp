// The database object, and the program's kinds of SQL text against a real
// seeded database with names that break naive quoting.

#include "storage/CAdoDatabase.h"

#include "reminders/LoadReminderList.h"

#include "FixedClock.h"
#include "Printers.h"
#include "ScriptedPrompter.h"
#include "SecondConnection.h"
#include "SeededDatabase.h"
#include "TestFiles.h"

#include <array>
#include <cmath>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using ::testing::Eq;
using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

using Strings = std::vector<std::string>;

// Reading every kind of column is covered where the program loads its reminders and settings.
TEST(CAdoDatabase, ColumnNamesIgnoreCaseAndAFailureLeavesTheConnectionUsable) {
    const SeededDatabase seeded;
    seeded.Run("Insert Into TiXing (m_Name) Values ('张三')");
    CAdoDatabase db(seeded.Path());
    db.Open();
    db.Execute("select * from TiXing Order By ID");
    EXPECT_EQ(db.GetCollect("m_name").AsString(), "张三");
    EXPECT_THROW(db.GetCollect("m_Missing"), DbError);
    db.MoveNext();
    db.MoveNext(); // harmless at the end
    EXPECT_TRUE(db.IsEOF());
    EXPECT_THROW(db.Execute("Selec * from TiXing"), DbError);
    db.Execute("select * from TiXing Where m_Name='nobody'");
    EXPECT_TRUE(db.GetRecordCount() == 0 && db.IsEOF());

    // A missing file is not created, and the message names it in full.
    const std::filesystem::path saved = std::filesystem::current_path();
    std::filesystem::current_path(seeded.Dir().Path());
    EXPECT_THAT([] { CAdoDatabase("no-such.db").Open(); },
                ThrowsMessage<DbError>(HasSubstr(seeded.Dir().File("no-such.db"))));
    std::filesystem::current_path(saved);
    EXPECT_FALSE(std::filesystem::exists(seeded.Dir().File("no-such.db")));
}

// Walking the rows as they are read gives what a held result gives, value
// for value, by name or by position; a failure midway is thrown and leaves
// no row behind.
TEST(CAdoDatabase, ForEachRowReadsWhatExecuteHolds) {
    const SeededDatabase seeded;
    seeded.Run("Insert Into TiXing (m_Name,m_Date,m_Ahead,m_Content) Values "
               "('张三','1980-02-30 23:59:59',32,NULL),('O''Brien 𠮷',NULL,2.5,'x')");
    CAdoDatabase db(seeded.Path());
    db.Open();
    const std::array columns = {"m_Name", "m_Date", "m_Ahead", "m_Content", "m_IsVailid"};
    const std::string query = "select m_Name, m_Date, m_Ahead, m_Content, m_IsVailid, * from "
                              "TiXing Order By ID";
    auto row = [&] {
        std::string line;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            // A text read in place leaves nothing of what the string held.
            std::string inPlace = "什么都不该留下的很长很长的旧内容";
            db.ReadTextAt(i, inPlace);
            const std::string named = db.GetCollect(columns[i]).AsString();
            line += named + "|" + (db.GetCollect(columns[i]).IsNull() ? "null" : "") +
                    (inPlace == named && db.ValueAt(i).AsString() == named ? "" : "<不同>") + "|";
        }
        EXPECT_THROW(db.ValueAt(99), DbError);
        return line + db.ValueAt(1).AsBirthDate().Format("%Y-%m-%d");
    };
    Strings held, walked;
    for (db.Execute(query); !db.IsEOF(); db.MoveNext())
        held.push_back(row());
    db.ForEachRow(query, [&] { walked.push_back(row()); });
    EXPECT_EQ(walked, held);
    ASSERT_EQ(walked.size(), 2u);
    EXPECT_EQ(walked[0], "张三||1980-02-30 23:59:59||32|||null|1||1980-02-30");
    EXPECT_EQ(db.GetRecordCount(), -1);
    EXPECT_TRUE(db.GetCollect("m_Name").IsEmpty());
    EXPECT_THROW(db.ForEachRow("select * from TiXing", [] { throw DbError("中断"); }), DbError);
    EXPECT_EQ(db.GetRecordCount(), -1);
    EXPECT_THROW(db.ForEachRow("Selec * from TiXing", [] {}), DbError);
}

// A REAL column may hold any number (a damaged file, an imported workbook).
TEST(CAdoDatabase, RealsOutsideTheIntRangeReadAsTheNearestInt) {
    const std::pair<double, std::int32_t> cases[] = {{41.9, 41},
                                                     {-41.9, -41},
                                                     {1e20, INT32_MAX},
                                                     {-1e20, INT32_MIN},
                                                     {2147483648.0, INT32_MAX},
                                                     {std::nan(""), 0}};
    for (const auto& [stored, read] : cases)
        EXPECT_EQ(DbValue::Real(stored).AsInt(), read) << stored;
}

TEST(CAdoDatabase, JetFormsAreTranslatedAndExactlyOneStatementRuns) {
    const SeededDatabase db;
    db.Run("Insert Into TiXing(m_Name,m_Date) Values('晚',#1990-12-01 23:59:59#),"
           "('早',#1960-01-31#),('中',#1975-7-4 8:00:00#)");
    EXPECT_EQ(db.Column("Select * from TiXing Order By m_Date", "m_Name"),
              (Strings{"早", "中", "晚"}));
    EXPECT_EQ(db.Value("select * from TiXing Where m_Date=#1975-07-04 08:00:00#", "m_Name"), "中");
    // '#' and '"' inside a quoted value are data; texts that look like numbers stay texts.
    db.Run("Update TiXing Set m_Content='#1 \"x\"',m_Title=\"0138\",m_Email='007.50' Where ID=1");
    for (const auto& [column, value] :
         {std::pair{"m_Content", "#1 \"x\""}, std::pair{"m_Title", "0138"},
          std::pair{"m_Email", "007.50"}})
        EXPECT_EQ(db.Value("select * from TiXing Where ID=1", column), value);
    db.Run("Delete * From TiXing Where ID=1");
    EXPECT_EQ(db.Column("select * from TiXing", "ID"), (Strings{"2", "3"}));
    EXPECT_THROW(db.Run("Update TiXing Set m_Date=#2011-02-31# Where ID=2"), DbError);
    // A lunar birth date on a day the Gregorian calendar lacks is stored as written.
    db.Run("Update TiXing Set m_Date=#2011-02-30 23:59:59# Where ID=2");
    EXPECT_EQ(db.Value("select typeof(m_Date) As t, * from TiXing Where ID=2", "t") +
                  db.Value("select * from TiXing Where ID=2", "m_Date"),
              "text2011-02-30 23:59:59");

    // Exactly one statement runs; unquoted values must be numbers or dates.
    EXPECT_THROW(db.Run("Update TiXing Set m_Ahead=1 Where ID=2; Delete From TiXing"), DbError);
    EXPECT_EQ(db.Column("select * from TiXing", "ID"), (Strings{"2", "3"}));
    EXPECT_NO_THROW(db.Run("Update TiXing Set m_Ahead=1 Where ID=2;"));

    for (const char* good : {"12", "#2011-09-09 23:59:59#"})
        EXPECT_EQ(SqlFormat("ID=%s", std::string(good)), std::string("ID=") + good);
    for (const char* bad : {"1 OR 1=1", "#2011-09-09# OR 1=1", "#2011-09-09# OR #2011-09-09#",
                            "#2011-02-31#", "#2011-04-31#", "##", "", "-"})
        EXPECT_THROW(SqlFormat("DELETE from TiXing where ID=%s", std::string(bad)), DbError) << bad;
    // Each quote doubles only inside its own kind of quoted value.
    EXPECT_EQ(SqlFormat("100%% a='%s',b=\"%s\",c=%d", std::string("x\"y'"), "x\"y'", 7),
              "100% a='x\"y''',b=\"x\"\"y'\",c=7");
}

TEST(CAdoDatabase, TwoWritersAtOnceBothSucceed) {
    const SeededDatabase db;
    std::string errors[2];
    auto writer = [&](int w) {
        try {
            for (int i = 0; i < 150; ++i)
                db.Run(SqlFormat("Insert Into TiXing (m_Name, m_Ahead) Values ('w%d', %d)", w, i));
        } catch (const DbError& e) {
            errors[w] = e.what();
        }
    };
    std::thread a(writer, 0), b(writer, 1);
    a.join();
    b.join();
    EXPECT_EQ(errors[0] + errors[1], "");
    EXPECT_EQ(db.Column("select * from TiXing", "m_Name").size(), 300u);
}

TEST(CAdoDatabase, AFileWithoutTheProgramsTablesIsRefusedAndLeftAsItIs) {
    for (const auto& [sql, missing] :
         {std::pair{"", "TiXing、Festival、MySetting"},
          std::pair{"CREATE TABLE tixing (ID); CREATE TABLE Notes (x)", "Festival、MySetting"}}) {
        const TempDir dir;
        const std::string path = dir.File("data.db");
        WriteBytes(path, "");
        OpenSecondConnection(path, sql);
        const std::string before = ReadBytes(path);
        CAdoDatabase db(path);
        db.SetTask("读取提醒列表");
        EXPECT_THAT([&] { db.Open(); },
                    ThrowsMessage<DbError>(Eq(DatabaseErrorText(
                        "读取提醒列表", path,
                        std::string("文件中没有 ") + missing +
                            " 表，它不是本程序的数据库或已经损坏；文件没有被改动。"))));
        EXPECT_TRUE(ReadBytes(path) == before);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1)
            << "no journal was started beside it";
    }
}

// Another copy of the program holding the file: what the file allows is read,
// the rest gives up after a short wait and says so, and works once it is free.
TEST(CAdoDatabase, ALockedFileIsReportedAfterAShortWaitAndWorksOnceFree) {
    auto attempt = [](const SeededDatabase& seeded, const char* sql) -> std::string {
        try {
            CAdoDatabase db(seeded.Path());
            db.Open();
            db.Execute(sql);
            return "done";
        } catch (const DbError& e) {
            return e.what();
        }
    };
    const SeededDatabase wal, rollback; // the program's first open turns on WAL
    wal.Run("Insert Into TiXing (m_Name) Values ('张三')");
    SecondConnection writer = OpenSecondConnection(wal.Path(), "BEGIN IMMEDIATE");
    EXPECT_EQ(wal.Column("select * from TiXing", "m_Name"), Strings{"张三"});
    EXPECT_EQ(attempt(wal, "Update TiXing Set m_Ahead=7"),
              DatabaseErrorText("", wal.Path(), "database is locked"));
    writer = OpenSecondConnection(rollback.Path(), "BEGIN EXCLUSIVE"); // readers wait too
    EXPECT_EQ(attempt(wal, "Update TiXing Set m_Ahead=7"), "done");
    EXPECT_EQ(attempt(rollback, "select * from TiXing"),
              DatabaseErrorText("", rollback.Path(), "database is locked"));
    writer.reset();
    EXPECT_EQ(attempt(rollback, "select * from TiXing"), "done");
}

// The files SQLite keeps beside the database cannot be made in a read-only
// folder or on a full disk. A -shm or -wal that leads nowhere stands in for
// that, as it holds for root too.
TEST(CAdoDatabase, AFileThatCannotBeWrittenBesideIsReadOnlyAndSaysSoOnce) {
    for (const std::string beside : {"-shm", "-wal"}) {
        SCOPED_TRACE(beside);
        const SeededDatabase seeded;
        // An ahead code out of range is not written back while the file is read-only.
        seeded.Run("Insert Into TiXing (m_Name,m_Ahead) Values ('张三',99)");
        if (beside == "-wal") // WAL must start at the next open
            OpenSecondConnection(seeded.Path(), "PRAGMA journal_mode=DELETE");
        const std::filesystem::path nowhere = seeded.Dir().Path() / "nowhere" / "x";
        std::filesystem::create_symlink(nowhere, seeded.Path() + beside);
        ScriptedPrompter prompter;
        ReminderList list;
        for (int load = 0; load < 2; ++load)
            LoadReminderList(list, FixedClock(DateTime(2011, 9, 1)), prompter);
        EXPECT_TRUE(list.size() == 1u && prompter.asked.empty());
        EXPECT_THAT(TakeReadOnlyNotice().value_or(""),
                    HasSubstr(seeded.Path() + " 现在只能读取，所做的修改不能保存：无法在文件夹 " +
                              seeded.Dir().Path().string()));
        EXPECT_EQ(TakeReadOnlyNotice(), std::nullopt) << "told once";
        EXPECT_THAT([&] { seeded.Run("Delete From TiXing"); },
                    ThrowsMessage<DbError>(HasSubstr("readonly database")));

        // Writable again: nothing lost, and a later fault is told anew.
        std::filesystem::remove(seeded.Path() + beside);
        EXPECT_EQ(seeded.Value("select * from TiXing", "m_Ahead"), "99");
        std::filesystem::create_symlink(nowhere, seeded.Path() + beside);
        EXPECT_EQ(seeded.Value("select * from TiXing", "m_Name"), "张三");
        EXPECT_TRUE(TakeReadOnlyNotice().has_value());
    }
    // Changes still waiting in the -wal would be missing from a read without
    // it: the file is reported unreadable rather than shown out of date.
    const SeededDatabase seeded;
    const TempDir copy;
    const SecondConnection writer =
        OpenSecondConnection(seeded.Path(), "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;"
                                            "Insert Into TiXing (m_Name) Values ('张三')");
    for (const char* suffix : {"", "-wal"})
        std::filesystem::copy_file(seeded.Path() + suffix, copy.File("data.db") + suffix);
    std::filesystem::create_symlink(copy.Path() / "nowhere", copy.File("data.db-shm"));
    EXPECT_THAT([&] { CAdoDatabase(copy.File("data.db")).Open(); },
                ThrowsMessage<DbError>(HasSubstr("unable to open database file")));
}

TEST(CAdoDatabase, AReadOnlyFolderOrFileGivesAReadOnlyDatabase) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into a 0555 folder or a 0444 file all the same; the test "
                        "above covers the read-only fallback in a way root cannot get round";
    for (const bool folder : {true, false}) {
        const SeededDatabase seeded;
        seeded.Run("Insert Into TiXing (m_Name) Values ('张三')");
        const std::string protect = folder ? seeded.Dir().Path().string() : seeded.Path();
        ::chmod(protect.c_str(), folder ? 0555 : 0444);
        const std::string name = seeded.Value("select * from TiXing", "m_Name");
        const std::optional<std::string> notice = TakeReadOnlyNotice();
        ::chmod(protect.c_str(), folder ? 0755 : 0644);
        EXPECT_EQ(name, "张三");
        EXPECT_THAT(notice.value_or(""),
                    HasSubstr(folder ? "没有在文件夹 " + protect + " 中写入的权限"
                                     : "没有写入这个文件的权限"));
    }
}

// Statements of the kinds the address book, festival editor and settings run.
TEST(SqlTexts, NamesWithQuotesBackslashesAndFourByteCharactersStayIntact) {
    const SeededDatabase db;
    auto row = [&db](const std::string& sql, std::initializer_list<const char*> columns) {
        std::string values;
        for (const char* column : columns)
            values += db.Value(sql, column) + "|";
        return values;
    };
    const std::size_t festivals = db.Column("Select * From Festival", "Class").size();
    // "𠀀" and "😀" take four bytes in GB18030.
    for (const std::string name : {"O'Brien", "''", "\"引号\"张", "back\\slash", "𠀀丽", "😀小明",
                                   "'; DROP TABLE TiXing; --", "%s%d"}) {
        SCOPED_TRACE(name);
        const std::string content = name + "，生日快乐！\r\n第二行";
        db.Run(SqlFormat("InSert InTo TiXing(m_Name,m_Date,m_Content) Values('%s',%s,'%s')", name,
                         std::string("#1925-06-01#"), content));
        db.Run(SqlFormat("Update TiXing Set m_Name='%s',m_CompAddr='%s' Where m_Name='%s'",
                         "新" + name, name, name));
        EXPECT_EQ(row(SqlFormat("select * from TiXing Where m_Name='%s'", "新" + name),
                      {"m_Content", "m_Date", "m_CompAddr"}),
                  content + "|1925-06-01 00:00:00|" + name + "|");
        db.Run(SqlFormat("Delete * From TiXing Where m_Name='%s'", "新" + name));
        EXPECT_TRUE(db.Column("SELECT   *  FROM  TiXing", "ID").empty());

        // Bracketed column names and the 编号 key.
        db.Run(SqlFormat("InSert Into Festival([Class],GorN,[Month],[Day],FestivalName)"
                         "Values(%d,%d,%d,%d,'%s')",
                         3, 0, 12, 30, name));
        const int key = std::stoi(
            db.Value(SqlFormat("Select * From Festival Where FestivalName='%s'", name), "编号"));
        db.Run(SqlFormat("Update Festival Set [Class]=%d,[Day]=%d,FestivalName='%s' Where 编号=%d",
                         2, 29, name + "节", key));
        EXPECT_EQ(row("Select * From Festival Where 编号=" + std::to_string(key),
                      {"Class", "Day", "FestivalName"}),
                  "2|29|" + name + "节|");
        db.Run(SqlFormat("Delete * From Festival Where 编号=%d", key));

        // Passwords are stored in double quotes.
        db.Run(
            SqlFormat("Update MySetting Set m_Name='%s',m_Password=\"%s\"", name, name + "\"#%"));
        EXPECT_EQ(row("Select * From MySetting", {"m_Name", "m_Password"}),
                  name + "|" + name + "\"#%|");
    }
    EXPECT_EQ(db.Column("Select * from Festival", "Class").size(), festivals)
        << "each delete removed its own row only";
}

} // namespace
