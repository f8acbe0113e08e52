#include "exchange/VCardExchange.h"

#include "exchange/VCard.h"
#include "platform/Prompter.h"
#include "platform/TextCodec.h"
#include "platform/WholeFile.h"
#include "settings/AppInfo.h"
#include "storage/CAdoDatabase.h"
#include "views/AddressBook.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unordered_map>

namespace {

constexpr const char* kFilter = "名片文件(*.vcf *.vcard)";
constexpr const char* kNothingStored = "\n没有导入任何联系人。";

// The text fields of a card with their column and the address book's limit.
struct Field {
    std::string VCardContact::*member;
    const char* column;
    std::size_t limit; // GB18030 bytes; 0: none
};

const std::vector<Field>& Fields() {
    static const std::vector<Field> fields = [] {
        using C = ContactText;
        const auto limited = [](std::string VCardContact::*member, C text) {
            return Field{member, ContactTextColumn(text), ContactTextLimit(text)};
        };
        return std::vector<Field>{
            limited(&VCardContact::name, C::Name),
            limited(&VCardContact::mobile, C::Mobile),
            limited(&VCardContact::email, C::Email),
            limited(&VCardContact::qq, C::QQ),
            {&VCardContact::group, "m_Group", 0},
            limited(&VCardContact::company, C::Company),
            limited(&VCardContact::department, C::Department),
            limited(&VCardContact::position, C::Position),
            limited(&VCardContact::compTel, C::CompTel),
            limited(&VCardContact::compAddr, C::CompAddr),
            limited(&VCardContact::fax, C::Fax),
            limited(&VCardContact::homeTel, C::HomeTel),
            limited(&VCardContact::homeAddr, C::HomeAddr),
        };
    }();
    return fields;
}

// Cuts every value to its field; returns how many had to be cut.
std::size_t FitToFields(VCardContact& contact) {
    std::size_t cut = 0;
    for (const Field& field : Fields()) {
        std::string& value = contact.*field.member;
        if (field.limit && Gb18030Length(value) > field.limit) {
            value = CutToGb18030Bytes(value, field.limit);
            ++cut;
        }
    }
    return cut;
}

// A row as the import sees it: its text fields and whether it has a birth date.
VCardContact ReadRow(const CAdoDatabase& db) {
    VCardContact row;
    for (const Field& field : Fields())
        row.*field.member = db.GetCollect(field.column).AsString();
    row.calendar = db.GetCollect("m_DateStatus").AsString();
    row.birth = db.GetCollect("m_Date").AsBirthDate();
    return row;
}

std::string DateLiteral(const BirthDate& birth) {
    return birth.Format("#%Y-%m-%d#");
}

std::string InsertSql(const VCardContact& card) {
    std::string columns = "m_DateStatus,m_Date,m_IsVailid";
    std::string values;
    std::vector<SqlArg> args;
    if (card.birth.IsValid()) {
        // Someone whose birthday is known is someone to remind.
        values = "'%s',%s,1";
        args = {card.calendar, DateLiteral(card.birth)};
    } else {
        values = "'阳历',Null,0";
    }
    for (const Field& field : Fields()) {
        columns += std::string(",") + field.column;
        values += ",'%s'";
        args.emplace_back(card.*field.member);
    }
    return SqlFormatArgs("Insert Into TiXing(" + columns + ")Values(" + values + ")", args);
}

// The empty fields of `row` that the card fills, written into `row` too; ""
// when the card adds nothing.
std::string FillSql(VCardContact& row, const VCardContact& card) {
    std::string sets;
    std::vector<SqlArg> args;
    const auto set = [&](const char* column, const char* placeholder, SqlArg value) {
        sets += std::string(sets.empty() ? "" : ",") + column + "=" + placeholder;
        args.push_back(std::move(value));
    };
    if (!row.birth.IsValid() && card.birth.IsValid()) {
        set("m_DateStatus", "'%s'", card.calendar);
        set("m_Date", "%s", DateLiteral(card.birth));
        row.birth = card.birth;
        row.calendar = card.calendar;
    }
    for (const Field& field : Fields()) {
        std::string& mine = row.*field.member;
        const std::string& theirs = card.*field.member;
        if (mine.empty() && !theirs.empty()) {
            set(field.column, "'%s'", theirs);
            mine = theirs;
        }
    }
    if (sets.empty())
        return {};
    args.emplace_back(row.name);
    return SqlFormatArgs("Update TiXing Set " + sets + " Where m_Name='%s'", args);
}

void RollBack(CAdoDatabase& db) {
    try {
        db.Execute("ROLLBACK");
    } catch (const DbError&) {
        // Nothing was begun, or the connection is gone: nothing is kept either way.
    }
}

VCardOutcome Failure(std::string message) {
    VCardOutcome outcome;
    outcome.message = std::move(message);
    return outcome;
}

std::string Count(std::size_t n) {
    return std::to_string(n);
}

} // namespace

VCardOutcome ImportVCardFile(const std::string& path, const std::string& database) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (!error && size > kMaxVCardFileBytes)
        return Failure("文件" + path + "太大（超过" + Count(kMaxVCardFileBytes / 1024 / 1024) +
                       "MB），不是可以导入的名片文件。" + kNothingStored);
    const std::optional<std::string> text = ReadWholeFile(path);
    if (!text || std::filesystem::is_directory(path, error))
        return Failure("无法读取文件" + path + "。" + kNothingStored);
    if (text->find_first_not_of(" \t\r\n") == std::string::npos)
        return Failure("文件" + path + "是空的，里面没有名片。" + kNothingStored);
    std::vector<VCardContact> cards;
    try {
        cards = ParseVCards(*text);
    } catch (const VCardError& e) {
        return Failure("文件" + path + e.what() + "。" + kNothingStored);
    }

    VCardOutcome outcome;
    CAdoDatabase db(database);
    db.SetTask("导入名片");
    try {
        db.Open();
        db.Execute("BEGIN IMMEDIATE");
        // Read inside the transaction: no other copy can add a name meanwhile.
        std::unordered_map<std::string, VCardContact> rows;
        db.Execute("Select * From TiXing Order By ID");
        for (; !db.IsEOF(); db.MoveNext()) {
            VCardContact row = ReadRow(db);
            const std::string name = row.name;
            rows.try_emplace(name, std::move(row)); // the first row of a name is the contact
        }
        for (VCardContact& card : cards) {
            outcome.cutFields += FitToFields(card);
            if (card.name.empty()) {
                ++outcome.skipped;
                continue;
            }
            const auto found = rows.find(card.name);
            if (found == rows.end()) {
                db.Execute(InsertSql(card));
                rows.emplace(card.name, card);
                ++outcome.added;
            } else if (const std::string sql = FillSql(found->second, card); !sql.empty()) {
                db.Execute(sql);
                ++outcome.updated;
            } else {
                ++outcome.skipped; // nothing the contact lacks
            }
        }
        db.Execute("COMMIT");
        db.Close();
    } catch (const DbError& e) {
        RollBack(db);
        return Failure(e.what() + std::string(kNothingStored));
    }
    outcome.exitCode = 0;
    outcome.message = "导入" + Count(outcome.added) + "人，更新" + Count(outcome.updated) +
                      "人，跳过" + Count(outcome.skipped) + "人";
    if (outcome.cutFields)
        outcome.message += "\n有" + Count(outcome.cutFields) + "项内容超过了栏目的长度，已截短。";
    return outcome;
}

VCardOutcome ExportVCardFile(const std::string& path, const std::string& database) {
    std::string text;
    std::size_t count = 0;
    CAdoDatabase db(database);
    db.SetTask("导出名片");
    try {
        db.Open();
        db.Execute("Select * From TiXing Order By ID");
        for (; !db.IsEOF(); db.MoveNext()) {
            const VCardContact row = ReadRow(db);
            if (row.name.empty())
                continue; // no card can be found again without a name
            text += WriteVCard(row);
            ++count;
        }
        db.Close();
    } catch (const DbError& e) {
        return Failure(e.what());
    }
    std::error_code error;
    if (!ReplaceWholeFile(path, text, error))
        return Failure("无法写入文件" + path + "（" + error.message() + "）。");
    VCardOutcome outcome;
    outcome.exitCode = 0;
    outcome.exported = count;
    outcome.message = "已将" + Count(count) + "位联系人导出到" + path + "。";
    return outcome;
}

namespace {

std::string InHomeDirectory(const std::string& fileName) {
    const char* home = std::getenv("HOME");
    return home && *home ? (std::filesystem::path(home) / fileName).string() : fileName;
}

} // namespace

std::string ChooseVCardImportPath(Prompter& prompter) {
    return prompter.ChooseOpenFile("导入名片", kFilter, InHomeDirectory(""));
}

std::string ChooseVCardExportPath(Prompter& prompter) {
    std::string path = prompter.ChooseSaveFile("导出名片", kFilter, InHomeDirectory("通讯录.vcf"));
    if (path.empty())
        return {};
    std::string lower = path;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (!lower.ends_with(".vcf") && !lower.ends_with(".vcard"))
        path += ".vcf";
    std::error_code error;
    if (std::filesystem::exists(path, error) &&
        prompter.Ask(path + "已存在。\n要替换它吗？", kAppTitle, PromptButtons::YesNo,
                     PromptIcon::Warning) != PromptAnswer::Yes)
        return {};
    return path;
}

namespace {

void Tell(Prompter& prompter, const VCardOutcome& outcome) {
    prompter.Tell(outcome.message, kAppTitle,
                  outcome.exitCode == 0 ? PromptIcon::Information : PromptIcon::Warning);
}

} // namespace

bool RunVCardImport(Prompter& prompter) {
    const std::string path = ChooseVCardImportPath(prompter);
    if (path.empty())
        return false;
    const VCardOutcome outcome = ImportVCardFile(path, g_ConnectionString);
    Tell(prompter, outcome);
    return outcome.added + outcome.updated > 0;
}

void RunVCardExport(Prompter& prompter) {
    const std::string path = ChooseVCardExportPath(prompter);
    if (!path.empty())
        Tell(prompter, ExportVCardFile(path, g_ConnectionString));
}
