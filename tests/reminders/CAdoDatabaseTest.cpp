#include "reminders/CAdoDatabase.h"

#include "Printers.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <thread>

namespace {

// A small people table in a real file, made without the class under test.
class DatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.File("people.db");
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db,
                               "CREATE TABLE People (ID INTEGER PRIMARY KEY AUTOINCREMENT,"
                               " m_Name TEXT DEFAULT '', m_Date DATETIME, m_Ahead INTEGER,"
                               " m_Flag SMALLINT, m_Note TEXT);"
                               "INSERT INTO People (m_Name, m_Date, m_Ahead, m_Flag, m_Note)"
                               " VALUES ('张三', '2011-09-09 23:59:59', 33, -1, NULL);",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
    }

    // Runs one statement on a fresh object, as every operation of the program does.
    void Run(const std::string& sql) {
        CAdoDatabase db;
        db.SetConnectionString(path);
        db.Open();
        db.Execute(sql);
        db.Close();
    }

    std::vector<std::string> Names(const std::string& sql) {
        CAdoDatabase db(path);
        db.Open();
        db.Execute(sql);
        std::vector<std::string> names;
        if (db.GetRecordCount() > 0)
            for (; !db.IsEOF(); db.MoveNext())
                names.push_back(db.GetCollect("m_Name").AsString());
        return names;
    }

    TempDir dir;
    std::string path;
};

TEST_F(DatabaseTest, ReadsColumnsWithTheUsualConversions) {
    CAdoDatabase db(path);
    db.Open();
    db.Execute("select * from People Order By ID");
    ASSERT_EQ(db.GetRecordCount(), 1);
    ASSERT_FALSE(db.IsEOF());
    EXPECT_EQ(db.GetCollect("m_name").AsString(), "张三"); // column names ignore case
    EXPECT_EQ(db.GetCollect("m_Date").AsDateTime(), DateTime(2011, 9, 9, 23, 59, 59));
    EXPECT_EQ(db.GetCollect("m_Ahead").AsInt(), 33);
    EXPECT_EQ(db.GetCollect("m_Flag").AsYesNo(), 1); // a stored true of -1
    EXPECT_TRUE(db.GetCollect("m_Note").IsNull());
    EXPECT_EQ(db.GetCollect("m_Note").AsString(), "");
    EXPECT_EQ(db.GetCollect("m_Note").AsInt(), 0);
    EXPECT_FALSE(db.GetCollect("m_Note").AsDateTime().IsValid());
    EXPECT_THROW(db.GetCollect("m_Missing"), DbError);
    db.MoveNext();
    EXPECT_TRUE(db.IsEOF());
    db.MoveNext(); // harmless at the end

    db.Execute("Update People Set m_Ahead=32 Where ID=1");
    EXPECT_EQ(db.GetRecordCount(), -1);
    EXPECT_TRUE(db.IsEOF());
    EXPECT_TRUE(db.GetCollect("m_Name").IsEmpty());
    db.Execute("select * from People Where m_Name='nobody'");
    EXPECT_EQ(db.GetRecordCount(), 0);
    EXPECT_TRUE(db.IsEOF());
}

TEST_F(DatabaseTest, NamesWithQuotesSaveLoadAndMatchLikeAnyOther) {
    const std::string names[] = {"O'Brien", "''", "it's \"quoted\"", "back\\slash", "𠀀丽", "'; DROP TABLE People; --"};
    for (const std::string& name : names)
        Run(SqlFormat("Insert Into People (m_Name, m_Ahead) Values ('%s', %d)", name, 11));
    for (const std::string& name : names) {
        EXPECT_EQ(Names(SqlFormat("select * from People Where m_Name='%s'", name)),
                  std::vector<std::string>{name});
        EXPECT_EQ(Names(SqlFormat("Select * from People Where m_Name='%s' And m_Name<>'%s'", name, "x")),
                  std::vector<std::string>{name});
    }
    EXPECT_EQ(Names("select * from People").size(), 7u);
}

TEST_F(DatabaseTest, JetFormsAreTranslated) {
    Run("Update People Set m_Date=#2012-1-5 23:59:59# Where ID=1");
    CAdoDatabase db(path);
    db.Open();
    db.Execute("select * from People Where m_Date=#2012-01-05 23:59:59#");
    ASSERT_EQ(db.GetRecordCount(), 1);
    EXPECT_EQ(db.GetCollect("m_Date").AsString(), "2012-01-05 23:59:59");

    Run("Update People Set m_Note=\"it's \"\"fine\"\"\" Where ID=1");
    db.Execute("select * from People");
    EXPECT_EQ(db.GetCollect("m_Note").AsString(), "it's \"fine\"");
    // '#' and '"' inside a quoted value are data, not syntax.
    Run("Update People Set m_Note='#1 \"x\"' Where ID=1");
    db.Execute("select * from People");
    EXPECT_EQ(db.GetCollect("m_Note").AsString(), "#1 \"x\"");

    Run("Delete * From People Where ID=1");
    EXPECT_TRUE(Names("select * from People").empty());
    EXPECT_THROW(Run("Update People Set m_Date=#2011-02-30# Where ID=1"), DbError);
}

TEST_F(DatabaseTest, ExactlyOneStatementRuns) {
    EXPECT_THROW(Run("Update People Set m_Ahead=1 Where ID=1; Delete From People"), DbError);
    EXPECT_EQ(Names("select * from People").size(), 1u);
    EXPECT_NO_THROW(Run("Update People Set m_Ahead=1 Where ID=1;"));
    EXPECT_THROW(Run(""), DbError);
    // An ID passed as text must be a number.
    EXPECT_EQ(SqlFormat("DELETE from People where ID=%s", std::string("12")), "DELETE from People where ID=12");
    EXPECT_THROW(SqlFormat("DELETE from People where ID=%s", std::string("1 OR 1=1")), DbError);
    EXPECT_EQ(SqlFormat("Update T Set a='%s',b=%d Where ID=%d", std::string("将到"), 32, 7),
              "Update T Set a='将到',b=32 Where ID=7");
    EXPECT_EQ(SqlFormat("100%% '%s'", std::string("a'b")), "100% 'a''b'");
}

TEST_F(DatabaseTest, FailuresCarrySqliteMessages) {
    CAdoDatabase missing(dir.File("no-such.db"));
    try {
        missing.Open();
        FAIL() << "a missing file must not be created";
    } catch (const DbError& e) {
        EXPECT_NE(std::string(e.what()).find("unable to open database file"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("no-such.db")));

    CAdoDatabase db(path);
    db.Open();
    try {
        db.Execute("select * from NoSuchTable");
        FAIL();
    } catch (const DbError& e) {
        EXPECT_NE(std::string(e.what()).find("no such table: NoSuchTable"), std::string::npos) << e.what();
    }
    EXPECT_THROW(db.Execute("Selec * from People"), DbError);
    // The object stays usable after a failure.
    db.Execute("select * from People");
    EXPECT_EQ(db.GetRecordCount(), 1);
}

TEST_F(DatabaseTest, TwoWritersAtOnceBothSucceed) {
    auto writer = [this](int base, std::string* error) {
        try {
            for (int i = 0; i < 150; ++i)
                Run(SqlFormat("Insert Into People (m_Name, m_Ahead) Values ('%s', %d)",
                              "w" + std::to_string(base + i), base + i));
        } catch (const DbError& e) {
            *error = e.what();
        }
    };
    std::string errorA, errorB;
    std::thread a(writer, 1000, &errorA), b(writer, 2000, &errorB);
    a.join();
    b.join();
    EXPECT_EQ(errorA, "");
    EXPECT_EQ(errorB, "");
    EXPECT_EQ(Names("select * from People").size(), 301u);
}

} // namespace
