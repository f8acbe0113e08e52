// Contacts in and out as vCard: files shaped the way phones and mail
// programs write them, real SQLite files, and a second reader (Python's
// vobject) for what the export writes.

#include "exchange/VCard.h"
#include "exchange/VCardExchange.h"

#include "SeededDatabase.h"
#include "TestFiles.h"
#include "platform/TextCodec.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>

namespace {

using Strings = std::vector<std::string>;
using ::testing::HasSubstr;

const Strings kColumns = {"m_Name",       "m_DateStatus", "m_Date",     "m_Mobile",
                          "m_Email",      "m_QQ",         "m_Group",    "m_Company",
                          "m_Department", "m_Position",   "m_CompTel",  "m_CompAddr",
                          "m_Fax",        "m_HomeTel",    "m_HomeAddr", "m_IsVailid"};

// Every row of TiXing in ID order, the address book's columns joined by '|'.
Strings Rows(const std::string& database) {
    CAdoDatabase db(database);
    db.Open();
    db.Execute("select * from TiXing Order By ID");
    Strings rows;
    for (; !db.IsEOF(); db.MoveNext()) {
        std::string row;
        for (const std::string& column : kColumns) {
            const DbValue value = db.GetCollect(column);
            row +=
                (row.empty() ? "" : "|") + (value.IsNull() ? std::string("∅") : value.AsString());
        }
        rows.push_back(row);
    }
    return rows;
}

// Each byte as =XX, the way quoted-printable writers spell non-ASCII text.
std::string Qp(const std::string& bytes) {
    std::string out;
    char hex[4];
    for (unsigned char c : bytes) {
        std::snprintf(hex, sizeof hex, "=%02X", c);
        out += hex;
    }
    return out;
}

struct Shape {
    const char* what;
    std::string file;
    Strings rows; // TiXing afterwards
    std::string message;
};

std::vector<Shape> Shapes() {
    const std::string zhang = Qp(Utf8ToGb18030("张三"));           // 4 bytes: =D5=C5=C8=FD
    const std::string addr = Qp(Utf8ToGb18030("上海市南京路1号")); // a GB18030 address
    return {
        {"2.1, quoted-printable GB18030, a soft line break between the bytes of one character",
         "BEGIN:VCARD\r\nVERSION:2.1\r\n"
         "N;CHARSET=GB18030;ENCODING=QUOTED-PRINTABLE:;" +
             zhang.substr(0, 9) + "=\r\n" + zhang.substr(9) +
             ";;;\r\n"
             "FN;CHARSET=GBK;ENCODING=QUOTED-PRINTABLE:" +
             zhang.substr(0, 3) + "=\r\n" + zhang.substr(3) +
             "\r\n"
             "TEL;CELL:13800138000\r\nTEL;WORK;VOICE:010-62345678\r\nTEL;HOME:021-1234\r\n"
             "TEL;WORK;FAX:010-9\r\nBDAY:19800415\r\n"
             "ADR;HOME;CHARSET=GB18030;ENCODING=QUOTED-PRINTABLE:;;" +
             addr.substr(0, 20) + "=\r\n" + addr.substr(20) + ";;;;\r\nEND:VCARD\r\n",
         {"张三|阳历|1980-04-15 00:00:00|13800138000|||||||010-62345678||010-9|021-1234|"
          "上海市南京路1号|1"},
         "导入1人，更新0人，跳过0人"},
        {"3.0 with a folded address, N alone in Chinese order, a birthday with a time, LF only",
         "BEGIN:VCARD\nVERSION:3.0\nN:李;四;;;\nBDAY:1975-12-01T08:30:00Z\n"
         "ADR;TYPE=WORK,POSTAL:;;北京市海淀区\n 中关村大街1号;;;;\n"
         "ORG:某大学;计算机系\nTITLE:教授\nCATEGORIES:客户,同学\n"
         "EMAIL;TYPE=INTERNET:li@example.com\nEND:VCARD\n",
         {"李四|阳历|1975-12-01 00:00:00||li@example.com||同学|某大学|计算机系|教授||"
          "北京市海淀区中关村大街1号||||1"},
         "导入1人，更新0人，跳过0人"},
        {"4.0 with a birthday without a year and an IM address as a URI",
         "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:王五\r\nBDAY:--0415\r\n"
         "TEL;VALUE=uri;TYPE=\"cell,voice\":tel:+86-139-0000-0000\r\nIMPP:qq:123456\r\n"
         "END:VCARD\r\n",
         {"王五|阳历|1604-04-15 00:00:00|+86-139-0000-0000||123456||||||||||1"},
         "导入1人，更新0人，跳过0人"},
        {"group prefixes, a BOM, escaped separators and a line break in a value",
         "\xEF\xBB\xBF"
         "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Zhao Liu\r\nitem1.TEL;type=pref:555-1\r\n"
         "item1.X-ABLabel:_$!<Mobile>!$_\r\nitem2.EMAIL;type=INTERNET:z@example.com\r\n"
         "item3.ORG:A\\, Inc.\\;x;R\\\\D\r\nTITLE:经理\\n助理\r\nX-QQ:987\r\n"
         "IMPP;X-SERVICE-TYPE=MSN:msnim:chat?contact=z@live.com\r\nEND:VCARD\r\n",
         {"Zhao Liu|阳历|∅|555-1|z@example.com|987||A, Inc.;x|R\\D|经理\n助理||||||0"},
         "导入1人，更新0人，跳过0人"},
        {"two cards with one name: the second fills only what the first left empty",
         "BEGIN:VCARD\nVERSION:3.0\nFN:孙七\nTEL;TYPE=CELL:111\nEND:VCARD\n"
         "BEGIN:VCARD\nVERSION:3.0\nFN:孙七\nTEL;TYPE=CELL:222\nEMAIL:s@example.com\n"
         "BDAY:2001-02-03\nEND:VCARD\n",
         {"孙七|阳历|2001-02-03 00:00:00|111|s@example.com||||||||||"
          "|0"},
         "导入1人，更新1人，跳过0人"},
        {"a card without a name is skipped and counted",
         "BEGIN:VCARD\r\nVERSION:3.0\r\nTEL:123\r\nEND:VCARD\r\n"
         "BEGIN:VCARD\r\nVERSION:3.0\r\nFN: \r\nN:;;;;\r\nEND:VCARD\r\n"
         "BEGIN:VCARD\r\nVERSION:2.1\r\nN:周;八\r\nEND:VCARD\r\n",
         {"周八|阳历|∅|||||||||||||0"},
         "导入1人，更新0人，跳过2人"},
    };
}

TEST(VCardImport, EachShapeThatPhonesWriteIsStoredAsExpected) {
    for (const Shape& shape : Shapes()) {
        SCOPED_TRACE(shape.what);
        const SeededDatabase db;
        const std::string file = db.Dir().File("contacts.vcf");
        WriteBytes(file, shape.file);
        const VCardOutcome outcome = ImportVCardFile(file, db.Path());
        EXPECT_EQ(outcome.exitCode, 0);
        EXPECT_EQ(outcome.message, shape.message);
        EXPECT_EQ(Rows(db.Path()), shape.rows);
    }
}

TEST(VCardImport, AnExistingContactKeepsWhatItHasAndGetsWhatItLacks) {
    const SeededDatabase db;
    db.Run("InSert Into TiXing(m_Name,m_DateStatus,m_Date,m_IsVailid,m_Mobile,m_Group) "
           "Values('张三','阴历',#1980-02-30#,1,'13900000000','亲人')");
    const std::string file = db.Dir().File("a.vcf");
    WriteBytes(file, "BEGIN:VCARD\nVERSION:3.0\nFN:张三\nBDAY:19900101\nTEL;TYPE=CELL:111\n"
                     "EMAIL:z@example.com\nCATEGORIES:朋友\nEND:VCARD\n");
    const VCardOutcome outcome = ImportVCardFile(file, db.Path());
    EXPECT_EQ(outcome.message, "导入0人，更新1人，跳过0人");
    EXPECT_EQ(Rows(db.Path()),
              Strings{"张三|阴历|1980-02-30 00:00:00|13900000000|z@example.com||亲人|||||||||1"});
    // Nothing left to add: the card changes nothing and says so.
    EXPECT_EQ(ImportVCardFile(file, db.Path()).message, "导入0人，更新0人，跳过1人");
}

TEST(VCardImport, LongValuesAreCutAtACharacterBoundaryAndCounted) {
    const SeededDatabase db;
    const std::string file = db.Dir().File("long.vcf");
    // 22 bytes of name (limit 20); a 4-byte 𠮷 across the 10-byte limit of 职位.
    WriteBytes(file, "BEGIN:VCARD\nVERSION:3.0\nFN:一二三四五六七八九十甲\nTITLE:经理𠮷𠮷\n"
                     "TEL;TYPE=CELL:12345678901234567890\nEND:VCARD\n");
    const VCardOutcome outcome = ImportVCardFile(file, db.Path());
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.cutFields, 2u);
    EXPECT_THAT(outcome.message, HasSubstr("导入1人，更新0人，跳过0人"));
    EXPECT_THAT(outcome.message, HasSubstr("有2项内容超过了栏目的长度，已截短。"));
    EXPECT_EQ(Rows(db.Path()),
              Strings{"一二三四五六七八九十|阳历|∅|12345678901234567890||||||经理𠮷||||||0"});
}

TEST(VCardImport, ADamagedOrWrongFileChangesNothing) {
    const SeededDatabase db;
    db.Run("InSert Into TiXing(m_Name,m_DateStatus,m_Date) Values('原有','阳历',#1970-01-01#)");
    const Strings before = Rows(db.Path());
    const std::string big = db.Dir().File("big.vcf");
    WriteBytes(big, "BEGIN:VCARD\nVERSION:3.0\nFN:大文件\nEND:VCARD\n");
    std::filesystem::resize_file(big, 50u * 1024 * 1024);

    const std::map<std::string, std::pair<std::string, std::string>> cases = {
        {"empty", {"", "是空的"}},
        {"blank", {"\r\n \r\n", "是空的"}},
        {"not a vCard", {"姓名,电话\n张三,123\n", "不是名片文件"}},
        {"a card cut off", {"BEGIN:VCARD\nVERSION:3.0\nFN:半张\nTEL:1\n", "没有结束"}},
        {"a second card cut off",
         {"BEGIN:VCARD\nFN:整张\nEND:VCARD\nBEGIN:VCARD\nFN:半张\n", "没有结束"}},
    };
    for (const auto& [what, file] : cases) {
        SCOPED_TRACE(what);
        const std::string path = db.Dir().File("bad.vcf");
        WriteBytes(path, file.first);
        const VCardOutcome outcome = ImportVCardFile(path, db.Path());
        EXPECT_NE(outcome.exitCode, 0);
        EXPECT_THAT(outcome.message, HasSubstr(file.second));
        EXPECT_THAT(outcome.message, HasSubstr("没有导入任何联系人"));
    }
    const VCardOutcome tooBig = ImportVCardFile(big, db.Path());
    EXPECT_NE(tooBig.exitCode, 0);
    EXPECT_THAT(tooBig.message, HasSubstr("太大"));
    const VCardOutcome missing = ImportVCardFile(db.Dir().File("none.vcf"), db.Path());
    EXPECT_NE(missing.exitCode, 0);
    EXPECT_THAT(missing.message, HasSubstr("无法读取"));
    EXPECT_EQ(Rows(db.Path()), before);
}

TEST(VCardImport, AFailingDatabaseKeepsNoneOfTheCards) {
    const SeededDatabase db;
    const std::string file = db.Dir().File("a.vcf");
    WriteBytes(file, "BEGIN:VCARD\nFN:甲\nEND:VCARD\nBEGIN:VCARD\nFN:乙\nEND:VCARD\n");
    // The second insert breaks on a constraint the program does not have.
    db.Run("Create Trigger NoYi Before Insert On TiXing When new.m_Name='乙' "
           "Begin Select Raise(Abort, 'no'); End");
    const VCardOutcome outcome = ImportVCardFile(file, db.Path());
    EXPECT_NE(outcome.exitCode, 0);
    EXPECT_THAT(outcome.message, HasSubstr("没有导入任何联系人"));
    EXPECT_TRUE(Rows(db.Path()).empty());
}

// 200 people with every field, the awkward characters included.
void AddPeople(const SeededDatabase& db) {
    const Strings groups = {"亲人", "朋友", "同事", "同学"};
    for (int i = 0; i < 200; ++i) {
        const std::string n = std::to_string(i);
        std::string date = "#" + std::to_string(1930 + i % 80) + "-0" + std::to_string(1 + i % 9) +
                           "-" + std::to_string(10 + i % 19) + "#";
        std::string calendar = i % 3 == 0 ? "阴历" : "阳历";
        if (i % 50 == 7) {
            date = "#1980-02-30#"; // a lunar day the Gregorian calendar lacks
            calendar = "阴历";
        }
        if (i % 50 == 8) {
            date = "#1604-02-29#"; // no year known
            calendar = "阳历";
        }
        db.Run(SqlFormat(
            "InSert Into TiXing(m_Name,m_DateStatus,m_Date,m_IsVailid,m_Mobile,m_Email,m_QQ,"
            "m_Group,m_Company,m_Department,m_Position,m_CompTel,m_CompAddr,m_Fax,m_HomeTel,"
            "m_HomeAddr)Values('%s','%s',%s,1,'%s','%s','%s','%s','%s','%s','%s','%s','%s','%s',"
            "'%s','%s')",
            "𠮷,;\\人" + n, calendar, date, "138" + n, "p" + n + "@例子.com", "qq:" + n + ",;\\",
            groups[i % 4], "公司,;\\" + n + "：很长的名字" + std::string(i % 20, 'x'), "部门;" + n,
            "职" + n, "010-" + n, "地址,;\\\n第二行" + n, "fax" + n, "020-" + n,
            "家:" + n + "号" + std::string(i % 60, 'y')));
    }
}

TEST(VCardExport, ImportingTheExportIntoAnEmptyDatabaseGivesBackEveryRow) {
    const SeededDatabase original;
    AddPeople(original);
    original.Run("InSert Into TiXing(m_Name) Values('')"); // a row without a name has no card
    const std::string file = original.Dir().File("通讯录.vcf");
    const VCardOutcome exported = ExportVCardFile(file, original.Path());
    ASSERT_EQ(exported.exitCode, 0) << exported.message;
    EXPECT_EQ(exported.exported, 200u);
    EXPECT_EQ(exported.message, "已将200位联系人导出到" + file + "。");

    const std::string text = ReadBytes(file);
    EXPECT_EQ(text.find("\n"), text.find("\r\n") + 1); // CR LF lines
    EXPECT_THAT(text, HasSubstr("X-ANNIVO-LUNAR-BIRTHDAY:1980-02-30\r\n"));

    const SeededDatabase copy;
    const VCardOutcome imported = ImportVCardFile(file, copy.Path());
    EXPECT_EQ(imported.message, "导入200人，更新0人，跳过0人");
    Strings expected = Rows(original.Path());
    expected.pop_back();
    EXPECT_EQ(Rows(copy.Path()), expected);
}

TEST(VCardExport, ALunarBirthdayGoesOutAsItsGregorianDayToo) {
    VCardContact lunar;
    lunar.name = "陈";
    lunar.calendar = "阴历";
    lunar.birth = BirthDate(1980, 1, 1); // the lunar new year of 1980 fell on 16 February
    const std::string card = WriteVCard(lunar);
    EXPECT_THAT(card, HasSubstr("\r\nBDAY:1980-02-16\r\nX-ANNIVO-LUNAR-BIRTHDAY:1980-01-01\r\n"));
    EXPECT_EQ(ParseVCards(card), std::vector<VCardContact>{lunar});
}

TEST(VCardExport, LongLinesAreFoldedBetweenCharacters) {
    VCardContact contact;
    contact.name = "名";
    contact.homeAddr =
        std::string(7, 'a') + std::string(60, 'x') + "𠮷中文地址很长很长很长很长很长";
    const std::string card = WriteVCard(contact);
    std::size_t start = 0;
    while (start < card.size()) {
        const std::size_t end = card.find("\r\n", start);
        const std::string line = card.substr(start, end - start);
        EXPECT_LE(line.size(), 75u);
        EXPECT_EQ(Utf8ToGb18030(line).find('?'), std::string::npos) << line;
        start = end + 2;
    }
    EXPECT_EQ(ParseVCards(card).at(0).homeAddr, contact.homeAddr);
}

// What Python's vobject reads from the file: one map per card, values hex-coded.
std::vector<std::map<std::string, std::string>> ReadWithVobject(const std::string& file) {
    const std::string shown = file + ".shown";
    const std::string command =
        ANNIVO_PYTHON " " ANNIVO_VCARD_SCRIPT " '" + file + "' > '" + shown + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    std::vector<std::map<std::string, std::string>> cards;
    std::ifstream lines(shown);
    for (std::string line; std::getline(lines, line);) {
        if (line == "--") {
            cards.emplace_back();
            continue;
        }
        const std::size_t equals = line.find('=');
        std::string& value = cards.back()[line.substr(0, equals)];
        for (std::size_t i = equals + 1; i + 1 < line.size(); i += 2)
            value += static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16));
    }
    return cards;
}

TEST(VCardExport, AnotherProgramReadsTheSameValues) {
    const SeededDatabase db;
    AddPeople(db);
    const std::string file = db.Dir().File("out.vcf");
    ASSERT_EQ(ExportVCardFile(file, db.Path()).exitCode, 0);
    const std::vector<VCardContact> mine = ParseVCards(ReadBytes(file));
    const auto theirs = ReadWithVobject(file);
    ASSERT_EQ(theirs.size(), 200u);
    CAdoDatabase rows(db.Path());
    rows.Open();
    rows.Execute("select * from TiXing Order By ID");
    for (std::size_t i = 0; i < theirs.size(); ++i, rows.MoveNext()) {
        SCOPED_TRACE(i);
        std::map<std::string, std::string> card = theirs[i];
        const auto column = [&](const char* name) { return rows.GetCollect(name).AsString(); };
        EXPECT_EQ(card["FN"], column("m_Name"));
        EXPECT_EQ(card["TEL CELL"], column("m_Mobile"));
        EXPECT_EQ(card["TEL WORK VOICE"], column("m_CompTel"));
        EXPECT_EQ(card["TEL HOME VOICE"], column("m_HomeTel"));
        EXPECT_EQ(card["TEL WORK FAX"], column("m_Fax"));
        EXPECT_EQ(card["EMAIL"], column("m_Email"));
        EXPECT_EQ(card["ORG"], column("m_Company") + "\x1f" + column("m_Department"));
        EXPECT_EQ(card["TITLE"], column("m_Position"));
        EXPECT_EQ(card["ADR WORK"], column("m_CompAddr"));
        EXPECT_EQ(card["ADR HOME"], column("m_HomeAddr"));
        EXPECT_EQ(card["X-QQ"], column("m_QQ"));
        EXPECT_EQ(card["CATEGORIES"], column("m_Group"));
        const BirthDate birth = rows.GetCollect("m_Date").AsBirthDate();
        if (column("m_DateStatus") == "阴历")
            EXPECT_EQ(card["X-ANNIVO-LUNAR-BIRTHDAY"], birth.Format("%Y-%m-%d"));
        else
            EXPECT_EQ(card["BDAY"], birth.Format("%Y-%m-%d"));
        EXPECT_EQ(ParseVCards(WriteVCard(mine[i])).at(0), mine[i]);
    }
}

} // namespace
