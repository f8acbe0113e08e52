// The database object, and the program's kinds of SQL text against a real
// seeded database with names that break naive quoting.

#include "reminders/CAdoDatabase.h"

#include "Printers.h"
#include "SeededDatabase.h"

#include <cmath>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <thread>

namespace {

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
    EXPECT_THROW(db.Run("Update TiXing Set m_Date=#2011-02-30# Where ID=2"), DbError);

    // Exactly one statement runs; unquoted values must be numbers or dates.
    EXPECT_THROW(db.Run("Update TiXing Set m_Ahead=1 Where ID=2; Delete From TiXing"), DbError);
    EXPECT_EQ(db.Column("select * from TiXing", "ID"), (Strings{"2", "3"}));
    EXPECT_NO_THROW(db.Run("Update TiXing Set m_Ahead=1 Where ID=2;"));

    for (const char* good : {"12", "#2011-09-09 23:59:59#"})
        EXPECT_EQ(SqlFormat("ID=%s", std::string(good)), std::string("ID=") + good);
    for (const char* bad : {"1 OR 1=1", "#2011-09-09# OR 1=1", "#2011-09-09# OR #2011-09-09#",
                            "#2011-02-30#", "##", "", "-"})
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
