// Backing up the people table to a workbook and restoring it, with real
// SQLite files, real workbooks and the files that go wrong.

#include "exchange/TableExchange.h"

#include "ScriptedPrompter.h"
#include "SeededDatabase.h"
#include "TestFiles.h"
#include "exchange/Workbook.h"

#include <gtest/gtest.h>

namespace {

const std::string kFixtures = ANNIVO_EXCHANGE_FIXTURES;
using Strings = std::vector<std::string>;
using Result = ExchangeOutcome::Result;

const Strings kColumns = {"m_State",    "m_Name",    "m_Date",     "m_DateStatus", "m_SoundPath",
                          "m_Email",    "m_Title",   "m_Content",  "m_Ahead",      "m_IsVailid",
                          "m_Mobile",   "m_QQ",      "m_Group",    "m_Company",    "m_Department",
                          "m_Position", "m_CompTel", "m_CompAddr", "m_Fax",        "m_HomeTel",
                          "m_HomeAddr"};

// Every row of TiXing in ID order, every column but ID, NULL shown as "∅".
Strings Rows(const std::string& path, const Strings& columns = kColumns) {
    CAdoDatabase db(path);
    db.Open();
    db.Execute("select * from TiXing Order By ID");
    Strings rows;
    for (; !db.IsEOF(); db.MoveNext()) {
        std::string row;
        for (const std::string& column : columns) {
            const DbValue value = db.GetCollect(column);
            if (!row.empty())
                row += '|';
            row += value.IsNull() ? "∅" : value.AsString();
        }
        rows.push_back(row);
    }
    return rows;
}

// Every kind of value a person can hold, the awkward ones included.
void AddPeople(const SeededDatabase& db) {
    db.Run("Insert Into TiXing (m_State,m_Name,m_Date,m_DateStatus,m_SoundPath,m_Email,m_Title,"
           "m_Content,m_Ahead,m_IsVailid,m_Mobile,m_QQ,m_Group,m_Company,m_Department,"
           "m_Position,m_CompTel,m_CompAddr,m_Fax,m_HomeTel,m_HomeAddr) Values "
           "('生效','张三',#1990-05-01 23:59:59#,'阳历','HAPPYBIRTHDAY','z@example.com','生日快乐',"
           "'祝你生日快乐',33,1,'13800000000','12345','同事','某公司','研发部','工程师',"
           "'010-1234','北京','010-5678','020-1111','上海')");
    db.Run("Insert Into TiXing (m_Name,m_Date,m_DateStatus,m_Ahead,m_Title,m_Email) Values "
           "('O''Brien \"q\" C:\\dir 𠀋',#1961-02-28 00:00:00#,'阴历',22,'_x0041_ <b>&amp;',"
           "' a\x01\tb\n ')");
    db.Run("Insert Into TiXing (m_Name,m_Date,m_IsVailid) Values ('无生日',NULL,0)");
    db.Run("Insert Into TiXing (m_Name,m_Date,m_Ahead,m_IsVailid) Values "
           "('空值',#1899-05-01 08:30:00#,NULL,NULL)");
    db.Run("Update TiXing Set m_Content='" + std::string(10000, 'x') + "字' Where ID=4");
    db.Run("Insert Into TiXing (m_Name) Values ('已删')");
    db.Run("Delete From TiXing Where m_Name='已删'");
}

TEST(TableExchange, RestoringABackupGivesBackEveryValueOfEveryRow) {
    const SeededDatabase original;
    AddPeople(original);
    const std::string file = original.Dir().File("备份 data.xlsx");
    std::vector<std::pair<std::size_t, std::size_t>> reports;
    const ExchangeOutcome exported = ExportTable(
        file, [&](std::size_t done, std::size_t total) { reports.emplace_back(done, total); });
    EXPECT_EQ(exported.result, Result::Done);
    EXPECT_EQ(exported.message, "导出文件保存于" + file + "!");
    EXPECT_EQ(exported.rows, 4u);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().first, reports.back().second);

    // The sheet carries ID too, numbers as numbers and dates as date cells.
    const WorkbookSheet sheet = ReadWorkbookSheet(file, "TiXing");
    ASSERT_EQ(sheet.rows.size(), 5u);
    EXPECT_EQ(sheet.rows[0][0].text, "ID");
    EXPECT_EQ(sheet.rows[0][3].text, "m_Date");
    EXPECT_EQ(sheet.rows[1][0].kind, WorkbookCell::Kind::Number);
    EXPECT_EQ(sheet.rows[1][3].kind, WorkbookCell::Kind::Date);
    EXPECT_EQ(sheet.rows[3][3].kind, WorkbookCell::Kind::Empty);

    const SeededDatabase restored;
    const ExchangeOutcome imported = ImportTable(file);
    EXPECT_EQ(imported.result, Result::Done);
    EXPECT_EQ(imported.rows, 4u);
    EXPECT_EQ(imported.message, "成功从文件" + file + "导入记录!\n共导入4条记录。");
    EXPECT_EQ(Rows(restored.Path()), Rows(original.Path()));
    EXPECT_EQ(restored.Column("select * from TiXing Order By ID", "ID"),
              (Strings{"1", "2", "3", "4"}));

    // Restoring the same backup again doubles nobody: the program finds
    // people by name, so a second 张三 would be updated and deleted with the first.
    const ExchangeOutcome again = ImportTable(file);
    EXPECT_EQ(again.result, Result::Done);
    EXPECT_EQ(again.rows, 0u);
    EXPECT_EQ(again.message, "成功从文件" + file + "导入记录!\n共导入0条记录，跳过4条同名记录。");
    EXPECT_EQ(Rows(restored.Path()), Rows(original.Path()));
}

// Names already in the table and names repeated within the file are skipped
// and counted; rows without a name cannot be matched and come in as before.
TEST(TableExchange, ImportSkipsNamesTheTableOrTheFileAlreadyHas) {
    const SeededDatabase source;
    source.Run("Insert Into TiXing (m_Name,m_Mobile) Values ('张三','1')");
    source.Run("Insert Into TiXing (m_Name,m_Mobile) Values ('O''Brien','2')");
    source.Run("Insert Into TiXing (m_Name,m_Mobile) Values ('O''Brien','3')");
    source.Run("Insert Into TiXing (m_Name,m_Mobile) Values (NULL,'4')");
    source.Run("Insert Into TiXing (m_Name,m_Mobile) Values (NULL,'5')");
    source.Run("Insert Into TiXing (m_Name,m_Mobile) Values ('李四','6')");
    const std::string file = source.Dir().File("people.xlsx");
    ASSERT_EQ(ExportTable(file).result, Result::Done);

    const SeededDatabase target;
    target.Run("Insert Into TiXing (m_Name,m_Mobile) Values ('张三','old')");
    const ExchangeOutcome outcome = ImportTable(file);
    EXPECT_EQ(outcome.result, Result::Done);
    EXPECT_EQ(outcome.rows, 4u);
    EXPECT_EQ(outcome.message, "成功从文件" + file + "导入记录!\n共导入4条记录，跳过2条同名记录。");
    EXPECT_EQ(Rows(target.Path(), {"m_Mobile", "m_Name"}),
              (Strings{"old|张三", "2|O'Brien", "4|", "5|", "6|李四"}));
}

TEST(TableExchange, ExportWritesNothingWhenThereIsNothingToWriteOrWritingFails) {
    const SeededDatabase db;
    const std::string file = db.Dir().File("old.xlsx");
    WriteBytes(file, "old");

    const ExchangeOutcome empty = ExportTable(file);
    EXPECT_EQ(empty.result, Result::Nothing);
    EXPECT_EQ(empty.message, "数据库中还没有任何记录，没有可导出的内容。");

    // A text too long for a cell names its record; the old file stays whole.
    db.Run("Insert Into TiXing (m_Name) Values ('甲')");
    db.Run("Insert Into TiXing (m_Name,m_Content) Values ('乙','" + std::string(40000, 'y') + "')");
    const ExchangeOutcome tooLong = ExportTable(file);
    EXPECT_EQ(tooLong.result, Result::Failed);
    EXPECT_NE(tooLong.message.find("ID为2的记录：m_Content列"), std::string::npos)
        << tooLong.message;

    const ExchangeOutcome noFolder = ExportTable(db.Dir().File("no/such/folder/data.xlsx"));
    EXPECT_EQ(noFolder.result, Result::Failed);
    EXPECT_FALSE(noFolder.message.empty());

    EXPECT_EQ(ReadBytes(file), "old");
    // No half-written file is left behind.
    for (const auto& entry : std::filesystem::directory_iterator(db.Dir().Path()))
        EXPECT_FALSE(entry.path().filename().string().starts_with(".")) << entry.path();
}

// Workbooks another program made: the header picks the columns, ID and
// unknown headers are left out, dates come as date cells, serial numbers or
// text, empty number and date cells become NULL and a blank row is skipped.
TEST(TableExchange, ImportTakesTheColumnsTheHeaderNames) {
    const Strings columns = {"m_State", "m_Name",    "m_Date",    "m_DateStatus",
                             "m_Ahead", "m_Content", "m_IsVailid"};
    const Strings expected = {
        "生效|张三|1990-05-01 23:59:59|阳历|33|O'Brien \"引号\" C:\\路径 𠀋|1",
        "生效|李四|1990-01-01 00:00:00|阴历|22||∅",
        "生效|王五|1985-12-31 00:00:00|阳历|11|公式文字|0",
        "生效|赵六|2000-02-29 00:00:00||∅||∅",
    };
    for (const char* name : {"people.xlsx", "people-inline.xlsx", "people.xls"}) {
        const SeededDatabase db;
        const std::string file = kFixtures + "/" + name;
        const ExchangeOutcome outcome = ImportTable(file);
        EXPECT_EQ(outcome.result, Result::Done) << name << ": " << outcome.message;
        EXPECT_EQ(outcome.message, "成功从文件" + file + "导入记录!\n共导入4条记录。");
        Strings rows = expected;
        // FreeXL does not read the text a formula shows in an .xls file.
        if (std::string_view(name).ends_with(".xls"))
            rows[2] = "生效|王五|1985-12-31 00:00:00|阳历|11||0";
        EXPECT_EQ(Rows(db.Path(), columns), rows) << name;
    }
}

TEST(TableExchange, AFileThatCannotBeImportedChangesNothing) {
    const SeededDatabase db;
    db.Run("Insert Into TiXing (m_Name) Values ('原有')");
    const std::string people = ReadBytes(kFixtures + "/people.xlsx");
    const std::string peopleXls = ReadBytes(kFixtures + "/people.xls");
    std::string flipped = people;
    const std::size_t sheetData = people.find("xl/worksheets/sheet2.xml") + 100;
    for (std::size_t i = sheetData; i < sheetData + 64; ++i)
        flipped[i] = static_cast<char>(~flipped[i]);
    WriteBytes(db.Dir().File("truncated.xlsx"), people.substr(0, people.size() / 2));
    WriteBytes(db.Dir().File("flipped.xlsx"), flipped);
    WriteBytes(db.Dir().File("truncated.xls"), peopleXls.substr(0, 3000));
    WriteBytes(db.Dir().File("text.xlsx"), "m_Name\n张三\n");
    WriteBytes(db.Dir().File("zero.xls"), "");

    const struct {
        std::string file, says;
    } cases[] = {
        {kFixtures + "/empty.xlsx", "第一行没有数据表的列名"},
        {kFixtures + "/empty.xls", "第一行没有数据表的列名"},
        {kFixtures + "/noheader.xlsx", "第一行没有数据表的列名"},
        {kFixtures + "/noheader.xls", "第一行没有数据表的列名"},
        {kFixtures + "/people.ods", "不是Excel工作簿"},
        {db.Dir().File("text.xlsx"), "不是Excel工作簿"},
        {db.Dir().File("zero.xls"), "不是Excel工作簿"},
        {db.Dir().File("truncated.xlsx"), "已损坏"},
        {db.Dir().File("flipped.xlsx"), "已损坏"},
        {db.Dir().File("truncated.xls"), "已损坏"},
        {db.Dir().File("missing.xlsx"), "无法打开文件"},
    };
    for (const auto& c : cases) {
        const ExchangeOutcome outcome = ImportTable(c.file);
        EXPECT_EQ(outcome.result, Result::Failed) << c.file;
        EXPECT_NE(outcome.message.find(c.file), std::string::npos) << outcome.message;
        EXPECT_NE(outcome.message.find(c.says), std::string::npos) << outcome.message;
        EXPECT_NE(outcome.message.find("没有导入任何记录"), std::string::npos) << outcome.message;
    }
    EXPECT_EQ(db.Column("select * from TiXing", "m_Name"), Strings{"原有"});

    // Column names without rows: nothing to add, and the user is told so.
    const ExchangeOutcome headerOnly = ImportTable(kFixtures + "/headeronly.xlsx");
    EXPECT_EQ(headerOnly.result, Result::Done);
    EXPECT_EQ(headerOnly.rows, 0u);
}

// A row whose value does not fit its column ends the import there: the
// message names the row and why, the rows before it are kept, none after.
TEST(TableExchange, AFailingRowIsNamedAndTheRowsBeforeItStay) {
    const struct {
        const char* column;
        const char* value;
        const char* says;
    } cases[] = {
        {"m_Ahead", "'三天'", "m_Ahead列的“三天”不是整数"},
        {"m_Ahead", "'2.5'", "m_Ahead列的“2.5”不是整数"},
        {"m_IsVailid", "'99999999999'", "m_IsVailid列的“99999999999”不是整数"},
        {"m_Date", "'明年'", "m_Date列的“明年”不是日期"},
        {"m_Date", "'1990-02-31'", "m_Date列的“1990-02-31”不是日期"},
    };
    for (const auto& c : cases) {
        const SeededDatabase source;
        for (const char* name : {"一", "二", "三", "四"})
            source.Run(std::string("Insert Into TiXing (m_Name,m_Ahead) Values ('") + name +
                       "',0)");
        source.Run(std::string("Update TiXing Set ") + c.column + "=" + c.value + " Where ID=3");
        const std::string file = source.Dir().File("bad.xlsx");
        ASSERT_EQ(ExportTable(file).result, Result::Done);

        const SeededDatabase target;
        const ExchangeOutcome outcome = ImportTable(file);
        EXPECT_EQ(outcome.result, Result::Partial) << c.column;
        EXPECT_EQ(outcome.rows, 2u);
        EXPECT_EQ(outcome.message, "从文件" + file + "导入时，第4行出错：" + c.says +
                                       "。\n此前的2条记录已导入，这一行和其后的行没有导入。");
        EXPECT_EQ(target.Column("select * from TiXing Order By ID", "m_Name"),
                  (Strings{"一", "二"}));
    }
}

TEST(TableExchange, TheExportPathNamesAnXlsxFileAndReplacesOnlyWhenTheUserAgrees) {
    const TempDir dir;
    const ScopedEnv home("HOME", dir.Path().string());
    const std::string existing = dir.File("有.xlsx");
    WriteBytes(existing, "old");
    const struct {
        std::string chosen;
        PromptAnswer replace;
        std::string path;
        std::size_t questions;
    } cases[] = {
        {"", PromptAnswer::Yes, "", 0},
        {dir.File("新"), PromptAnswer::Yes, dir.File("新.xlsx"), 0},
        {dir.File("新.XLS"), PromptAnswer::Yes, dir.File("新.XLSx"), 0},
        {dir.File("新.xlsx"), PromptAnswer::Yes, dir.File("新.xlsx"), 0},
        {existing, PromptAnswer::No, "", 1},
        {dir.File("有.xls"), PromptAnswer::Yes, existing, 1},
    };
    for (const auto& c : cases) {
        ScriptedPrompter prompter;
        prompter.saveFiles = {c.chosen};
        prompter.answers = {c.replace};
        EXPECT_EQ(ChooseExportPath(prompter), c.path) << c.chosen;
        ASSERT_EQ(prompter.asked.size(), c.questions) << c.chosen;
        if (c.questions) {
            EXPECT_EQ(prompter.asked[0].text, existing + "已存在。\n要替换它吗？");
        }
        ASSERT_EQ(prompter.fileDialogs.size(), 1u);
        EXPECT_EQ(prompter.fileDialogs[0].filter, "Excel文件(*.xlsx *.xls)");
        EXPECT_EQ(prompter.fileDialogs[0].initialPath, dir.File("data.xlsx"));
    }
    EXPECT_EQ(ReadBytes(existing), "old");
}

} // namespace
