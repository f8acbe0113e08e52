#include "exchange/TableExchange.h"

#include "settings/AppInfo.h"
#include "exchange/Workbook.h"
#include "platform/OptionalLibrary.h"
#include "platform/Prompter.h"
#include "platform/TrimSpace.h"
#include "storage/CAdoDatabase.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <unordered_set>
#include <unistd.h>
#include <xlsxwriter.h>

namespace {

constexpr const char* kTable = "TiXing";
constexpr const char* kFilter = "Excel文件(*.xlsx *.xls)";
constexpr std::size_t kProgressStep = 500;

// The kinds of column the table has, numbered as the database reports them.
enum class ColumnType { Integer = 3, Text = 202, Memo = 203, Date = 7 };

struct TableColumn {
    std::string name;
    ColumnType type;
};

ColumnType TypeOf(std::string declared) {
    for (char& c : declared)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (declared.find("INT") != std::string::npos)
        return ColumnType::Integer;
    if (declared.find("DATE") != std::string::npos || declared.find("TIME") != std::string::npos)
        return ColumnType::Date;
    if (declared.find("LONGTEXT") != std::string::npos ||
        declared.find("MEMO") != std::string::npos)
        return ColumnType::Memo;
    return ColumnType::Text;
}

// The table's columns in the order the database lists them.
std::vector<TableColumn> ReadColumns(CAdoDatabase& db) {
    db.Execute(SqlFormat("PRAGMA table_info('%s')", kTable));
    std::vector<TableColumn> columns;
    for (; !db.IsEOF(); db.MoveNext())
        columns.push_back(
            {db.GetCollect("name").AsString(), TypeOf(db.GetCollect("type").AsString())});
    if (columns.empty())
        throw DbError(std::string("数据库中没有数据表") + kTable + "。");
    return columns;
}

template <typename T> bool ParseWhole(std::string_view text, T& value) {
    const auto parsed = std::from_chars(text.data(), text.data() + text.size(), value);
    return parsed.ec == std::errc() && parsed.ptr == text.data() + text.size() && !text.empty();
}

ExchangeOutcome Outcome(ExchangeOutcome::Result result, std::string message, std::size_t rows = 0) {
    return {result, std::move(message), rows};
}

// ---------------------------------------------------------------- export

// A fresh file beside `path`, so that the finished workbook replaces the old
// one in a single rename.
std::string TemporaryBeside(const std::filesystem::path& path) {
    const std::filesystem::path dir = path.has_parent_path() ? path.parent_path() : ".";
    std::string name = path.filename().string();
    name.insert(0, 1, '.');
    name += ".XXXXXX";
    std::string pattern = (dir / name).string();
    const int fd = mkstemp(pattern.data());
    if (fd < 0)
        return {};
    close(fd);
    return pattern;
}

// libxlsxwriter is loaded the first time a workbook is exported.
struct XlsxWriterFunctions {
    decltype(&::workbook_new) workbook_new = nullptr;
    decltype(&::workbook_add_worksheet) workbook_add_worksheet = nullptr;
    decltype(&::workbook_add_format) workbook_add_format = nullptr;
    decltype(&::format_set_num_format) format_set_num_format = nullptr;
    decltype(&::lxw_workbook_free) lxw_workbook_free = nullptr;
    decltype(&::workbook_close) workbook_close = nullptr;
    decltype(&::worksheet_write_number) worksheet_write_number = nullptr;
    decltype(&::worksheet_write_datetime) worksheet_write_datetime = nullptr;
    decltype(&::worksheet_write_string) worksheet_write_string = nullptr;
    decltype(&::worksheet_set_column) worksheet_set_column = nullptr;
    decltype(&::lxw_strerror) lxw_strerror = nullptr;
    bool loaded = false;
    std::string error;
};

const XlsxWriterFunctions& XlsxWriter() {
    static const XlsxWriterFunctions functions = [] {
        static OptionalLibrary library(ANNIVO_XLSXWRITER_LIBRARY, "导出Excel工作簿");
        XlsxWriterFunctions f;
        f.loaded = ANNIVO_BIND(library, f, workbook_new, f.error) &&
                   ANNIVO_BIND(library, f, workbook_add_worksheet, f.error) &&
                   ANNIVO_BIND(library, f, workbook_add_format, f.error) &&
                   ANNIVO_BIND(library, f, format_set_num_format, f.error) &&
                   ANNIVO_BIND(library, f, lxw_workbook_free, f.error) &&
                   ANNIVO_BIND(library, f, workbook_close, f.error) &&
                   ANNIVO_BIND(library, f, worksheet_write_number, f.error) &&
                   ANNIVO_BIND(library, f, worksheet_write_datetime, f.error) &&
                   ANNIVO_BIND(library, f, worksheet_write_string, f.error) &&
                   ANNIVO_BIND(library, f, worksheet_set_column, f.error) &&
                   ANNIVO_BIND(library, f, lxw_strerror, f.error);
        return f;
    }();
    return functions;
}

class WorkbookWriter {
public:
    explicit WorkbookWriter(const std::string& path) {
        m_Workbook = XlsxWriter().workbook_new(path.c_str());
        if (m_Workbook)
            m_Sheet = XlsxWriter().workbook_add_worksheet(m_Workbook, kTable);
        if (m_Sheet) {
            m_DateFormat = XlsxWriter().workbook_add_format(m_Workbook);
            XlsxWriter().format_set_num_format(m_DateFormat, "yyyy-mm-dd hh:mm:ss");
        }
    }
    ~WorkbookWriter() {
        if (m_Workbook)
            XlsxWriter().lxw_workbook_free(m_Workbook); // abandoned: nothing is written
    }
    WorkbookWriter(const WorkbookWriter&) = delete;
    WorkbookWriter& operator=(const WorkbookWriter&) = delete;

    bool IsOpen() const { return m_Sheet != nullptr; }
    lxw_worksheet* Sheet() const { return m_Sheet; }
    lxw_format* DateFormat() const { return m_DateFormat; }

    lxw_error Close() {
        const lxw_error error = XlsxWriter().workbook_close(m_Workbook);
        m_Workbook = nullptr;
        return error;
    }

private:
    lxw_workbook* m_Workbook = nullptr;
    lxw_worksheet* m_Sheet = nullptr;
    lxw_format* m_DateFormat = nullptr;
};

// Cell text spells characters XML cannot carry as "_xHHHH_", and the writer
// escapes those characters but not a text that happens to look like such an
// escape: its "_" is written as "_x005F_" so that it reads back unchanged.
std::string ProtectEscapes(const std::string& text) {
    if (text.find("_x") == std::string::npos)
        return text;
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "_x") == 0 && i + 6 < text.size() && text[i + 6] == '_' &&
            std::all_of(text.begin() + static_cast<long>(i) + 2,
                        text.begin() + static_cast<long>(i) + 6,
                        [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); }))
            out += "_x005F";
        out += text[i];
    }
    return out;
}

// Writes one database value; an empty value (NULL or "") leaves the cell empty.
lxw_error WriteCell(WorkbookWriter& writer, lxw_row_t row, lxw_col_t col, ColumnType type,
                    const DbValue& value) {
    if (value.IsNull())
        return LXW_NO_ERROR;
    const std::string text = value.AsString();
    if (type == ColumnType::Integer) {
        double number = 0;
        if (ParseWhole(std::string_view(text), number))
            return XlsxWriter().worksheet_write_number(writer.Sheet(), row, col, number, nullptr);
    } else if (type == ColumnType::Date) {
        // Spreadsheets count days from 1900; an earlier date, a lunar birth
        // date on a day the Gregorian calendar lacks, or a stored text that
        // is no date, goes out as text.
        const BirthDate birth = value.AsBirthDate();
        const DateTime date = birth.Gregorian();
        if (date.IsValid() && date.Year() >= 1900) {
            lxw_datetime cell = {date.Year(), date.Month(),  date.Day(),
                                 date.Hour(), date.Minute(), static_cast<double>(date.Second())};
            return XlsxWriter().worksheet_write_datetime(writer.Sheet(), row, col, &cell,
                                                         writer.DateFormat());
        }
        if (birth.IsValid() && !date.IsValid())
            return XlsxWriter().worksheet_write_string(
                writer.Sheet(), row, col, birth.Format("%Y-%m-%d %H:%M:%S").c_str(), nullptr);
    }
    if (text.empty())
        return LXW_NO_ERROR;
    return XlsxWriter().worksheet_write_string(writer.Sheet(), row, col,
                                               ProtectEscapes(text).c_str(), nullptr);
}

std::string WriteProblem(lxw_error error) {
    if (error == LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED)
        return "文字超过了工作表单元格能容纳的32767个字符";
    return XlsxWriter().lxw_strerror(error);
}

// ---------------------------------------------------------------- import

struct RowProblem {
    std::string reason;
};

std::string Quoted(const std::string& text) {
    return SqlFormat("'%s'", text);
}

std::string NumberText(double number) {
    if (std::trunc(number) == number && std::fabs(number) < 1e15)
        return std::to_string(static_cast<long long>(number));
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.15g", number);
    return buffer;
}

std::string DateLiteral(const BirthDate& date) {
    std::string literal = date.Format("%Y-%m-%d %H:%M:%S");
    literal.insert(0, 1, '#');
    literal += '#';
    return SqlFormat("%s", literal);
}

std::string CellText(const WorkbookCell& cell) {
    switch (cell.kind) {
    case WorkbookCell::Kind::Number: return NumberText(cell.number);
    case WorkbookCell::Kind::Text: return cell.text;
    case WorkbookCell::Kind::Date: return cell.date.Format("%Y-%m-%d %H:%M:%S");
    default: return {};
    }
}

// The SQL value of a cell for a column. An empty cell is NULL in a number or
// date column (as the export writes NULL) and an empty text in a text column.
std::string SqlValue(const TableColumn& column, const WorkbookCell& cell, bool date1904) {
    const auto problem = [&](const std::string& what) {
        return RowProblem{column.name + "列的“" + CellText(cell) + "”" + what};
    };
    switch (column.type) {
    case ColumnType::Integer: {
        if (cell.kind == WorkbookCell::Kind::Empty)
            return "NULL";
        double number = 0;
        if (cell.kind == WorkbookCell::Kind::Number) {
            number = cell.number;
        } else if (cell.kind == WorkbookCell::Kind::Text) {
            const std::string_view text = TrimSpace(cell.text);
            if (text.empty())
                return "NULL";
            long long whole = 0;
            if (ParseWhole(text, whole))
                number = static_cast<double>(whole);
            else if (!ParseWhole(text, number))
                throw problem("不是整数");
        } else {
            throw problem("不是整数");
        }
        if (std::trunc(number) != number || number < -2147483648.0 || number > 2147483647.0)
            throw problem("不是整数");
        return std::to_string(static_cast<long long>(number));
    }
    case ColumnType::Date: {
        // A text may hold a lunar birth date the Gregorian calendar lacks, as
        // the export writes it.
        BirthDate date;
        switch (cell.kind) {
        case WorkbookCell::Kind::Empty: return "NULL";
        case WorkbookCell::Kind::Date: date = cell.date; break;
        case WorkbookCell::Kind::Number: date = DateFromSerial(cell.number, date1904); break;
        case WorkbookCell::Kind::Text:
            if (TrimSpace(cell.text).empty())
                return "NULL";
            date = BirthDate::Parse(TrimSpace(cell.text));
            break;
        }
        if (!date.IsValid())
            throw problem("不是日期");
        return DateLiteral(date);
    }
    case ColumnType::Text:
    case ColumnType::Memo: break;
    }
    return Quoted(CellText(cell));
}

void RollBack(CAdoDatabase& db) {
    try {
        db.Execute("ROLLBACK");
    } catch (const DbError&) {
        // Nothing was begun, or the connection is gone: nothing is kept either way.
    }
}

bool IsBlank(const std::vector<WorkbookCell>& row, const std::vector<std::size_t>& indexes) {
    for (std::size_t index : indexes)
        if (index < row.size() && row[index].kind != WorkbookCell::Kind::Empty)
            return false;
    return true;
}

} // namespace

ExchangeOutcome ExportTable(const std::string& path, const ExchangeProgress& progress) {
    using Result = ExchangeOutcome::Result;
    CAdoDatabase db;
    db.SetConnectionString(g_ConnectionString);
    db.SetTask("导出记录");
    std::vector<TableColumn> columns;
    try {
        db.Open();
        columns = ReadColumns(db);
        db.Execute("select * from TiXing Order By ID");
    } catch (const DbError& e) {
        return Outcome(Result::Failed, e.what());
    }
    const long count = db.GetRecordCount();
    if (count <= 0)
        return Outcome(Result::Nothing, "数据库中还没有任何记录，没有可导出的内容。");
    const std::size_t total = static_cast<std::size_t>(count);
    // Packing the file at the end takes about a fifth of the time.
    const std::size_t steps = total + total / 4;

    if (!XlsxWriter().loaded)
        return Outcome(Result::Failed, XlsxWriter().error);
    const std::string temporary = TemporaryBeside(path);
    if (temporary.empty())
        return Outcome(Result::Failed, "无法在" + path + "所在的文件夹中写入文件。");
    const auto fail = [&](const std::string& message) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return Outcome(Result::Failed, message);
    };

    WorkbookWriter writer(temporary);
    if (!writer.IsOpen())
        return fail("无法创建文件" + path + "。");
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const auto col = static_cast<lxw_col_t>(c);
        XlsxWriter().worksheet_write_string(writer.Sheet(), 0, col, columns[c].name.c_str(),
                                            nullptr);
        // Wide enough that a date shows in full rather than as ####.
        if (columns[c].type == ColumnType::Date)
            XlsxWriter().worksheet_set_column(writer.Sheet(), col, col, 20, nullptr);
    }
    if (progress)
        progress(0, steps);
    std::size_t written = 0;
    for (; !db.IsEOF(); db.MoveNext()) {
        const auto row = static_cast<lxw_row_t>(written + 1);
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const lxw_error error = WriteCell(writer, row, static_cast<lxw_col_t>(c),
                                              columns[c].type, db.GetCollect(columns[c].name));
            if (error != LXW_NO_ERROR)
                return fail("无法导出ID为" + db.GetCollect("ID").AsString() + "的记录：" +
                            columns[c].name + "列的" + WriteProblem(error) + "。");
        }
        if (++written % kProgressStep == 0 && progress)
            progress(written, steps);
    }
    if (progress)
        progress(written, steps);
    db.Close();

    if (const lxw_error error = writer.Close(); error != LXW_NO_ERROR)
        return fail("无法写入文件" + path + "（" + XlsxWriter().lxw_strerror(error) + "）。");
    std::error_code error;
    // mkstemp keeps the file private; a backup should be as readable as any other file.
    auto permissions = std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                       std::filesystem::perms::group_read | std::filesystem::perms::others_read;
    if (const auto old = std::filesystem::status(path, error); std::filesystem::exists(old))
        permissions = old.permissions();
    std::filesystem::permissions(temporary, permissions, error);
    std::filesystem::rename(temporary, path, error);
    if (error)
        return fail("无法写入文件" + path + "（" + error.message() + "）。");
    if (progress)
        progress(steps, steps);
    return Outcome(Result::Done, "导出文件保存于" + path + "!", written);
}

ExchangeOutcome ImportTable(const std::string& path, const ExchangeProgress& progress) {
    using Result = ExchangeOutcome::Result;
    WorkbookSheet sheet;
    try {
        sheet = ReadWorkbookSheet(path, kTable);
    } catch (const WorkbookError& e) {
        return Outcome(Result::Failed, std::string(e.what()) + "\n没有导入任何记录。");
    } catch (const std::bad_alloc&) {
        return Outcome(Result::Failed, "文件" + path + "太大，无法读取。\n没有导入任何记录。");
    }

    CAdoDatabase db;
    db.SetConnectionString(g_ConnectionString);
    db.SetTask("导入记录");
    std::vector<TableColumn> columns;
    try {
        db.Open();
        columns = ReadColumns(db);
    } catch (const DbError& e) {
        return Outcome(Result::Failed, e.what());
    }

    // A column takes part when a header cell names it exactly; ID is the
    // database's to give.
    std::vector<TableColumn> taking;
    std::vector<std::size_t> indexes;
    const std::vector<WorkbookCell> header =
        sheet.rows.empty() ? std::vector<WorkbookCell>() : sheet.rows.front();
    for (const TableColumn& column : columns) {
        if (column.name == "ID")
            continue;
        for (std::size_t i = 0; i < header.size(); ++i) {
            if (header[i].kind == WorkbookCell::Kind::Text && header[i].text == column.name) {
                taking.push_back(column);
                indexes.push_back(i);
                break;
            }
        }
    }
    if (taking.empty())
        return Outcome(Result::Failed, "文件" + path + "的工作表“" + sheet.name +
                                           "”第一行没有数据表的列名（如m_Name、m_Date），"
                                           "无法导入。\n没有导入任何记录。");

    std::string insert = std::string("INSERT INTO ") + kTable + " (";
    for (std::size_t i = 0; i < taking.size(); ++i)
        insert += (i ? ", " : "") + taking[i].name;
    insert += ") VALUES(";

    // The program finds people by name (the editor refuses a second one, the
    // address book updates and deletes by name), so a name already in the
    // table, or met earlier in the file, is skipped rather than doubled.
    std::optional<std::size_t> nameIndex;
    for (std::size_t i = 0; i < taking.size(); ++i)
        if (taking[i].name == "m_Name")
            nameIndex = indexes[i];

    const std::size_t total = sheet.rows.size() - 1;
    std::size_t added = 0;
    std::size_t skipped = 0;
    std::size_t failedRow = 0;
    std::string reason;
    std::unordered_set<std::string> names;
    if (progress)
        progress(0, total);
    try {
        db.Execute("BEGIN IMMEDIATE");
        // Read inside the transaction: no other copy can add a name meanwhile.
        if (nameIndex) {
            db.Execute("select m_Name from TiXing");
            for (; !db.IsEOF(); db.MoveNext())
                names.insert(db.GetCollect("m_Name").AsString());
        }
    } catch (const DbError& e) {
        RollBack(db);
        return Outcome(Result::Failed, std::string(e.what()) + "\n没有导入任何记录。");
    }
    for (std::size_t r = 1; r < sheet.rows.size(); ++r) {
        const std::vector<WorkbookCell>& row = sheet.rows[r];
        if (r % kProgressStep == 0 && progress)
            progress(r - 1, total);
        if (IsBlank(row, indexes))
            continue;
        // A row without a name cannot be told from another; it comes in as before.
        if (nameIndex && *nameIndex < row.size() &&
            row[*nameIndex].kind != WorkbookCell::Kind::Empty) {
            if (!names.insert(CellText(row[*nameIndex])).second) {
                ++skipped;
                continue;
            }
        }
        std::string sql = insert;
        try {
            for (std::size_t i = 0; i < taking.size(); ++i) {
                static const WorkbookCell empty;
                const WorkbookCell& cell = indexes[i] < row.size() ? row[indexes[i]] : empty;
                sql += (i ? ", " : "") + SqlValue(taking[i], cell, sheet.date1904);
            }
            sql += ")";
            db.Execute(sql);
            ++added;
        } catch (const RowProblem& problem) {
            failedRow = r + 1;
            reason = problem.reason;
        } catch (const DbError& e) {
            failedRow = r + 1;
            reason = e.what();
        }
        if (failedRow)
            break;
    }
    try {
        db.Execute("COMMIT");
    } catch (const DbError& e) {
        RollBack(db);
        return Outcome(Result::Failed, std::string(e.what()) + "\n没有导入任何记录。");
    }
    if (progress)
        progress(total, total);
    const std::string skippedText =
        skipped ? "跳过" + std::to_string(skipped) + "条同名记录。" : std::string();
    if (failedRow)
        return Outcome(Result::Partial,
                       "从文件" + path + "导入时，第" + std::to_string(failedRow) + "行出错：" +
                           reason + "。\n此前的" + std::to_string(added) +
                           "条记录已导入，这一行和其后的行没有导入。" + skippedText,
                       added);
    return Outcome(Result::Done,
                   "成功从文件" + path + "导入记录!\n共导入" + std::to_string(added) + "条记录" +
                       (skipped ? "，" + skippedText : std::string("。")),
                   added);
}

// Backups belong with the user's own files, not beside the program.
std::string InHomeDirectory(const std::string& fileName) {
    const char* home = std::getenv("HOME");
    return home && *home ? (std::filesystem::path(home) / fileName).string() : fileName;
}

std::string ChooseExportPath(Prompter& prompter) {
    std::string path =
        prompter.ChooseSaveFile("导出到Excel文件", kFilter, InHomeDirectory("data.xlsx"));
    if (path.empty())
        return {};
    // What is written is an .xlsx workbook; its name says so.
    std::string lower = path;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower.ends_with(".xls"))
        path += "x";
    else if (!lower.ends_with(".xlsx"))
        path += ".xlsx";
    if (std::filesystem::exists(path) &&
        prompter.Ask(path + "已存在。\n要替换它吗？", kAppTitle, PromptButtons::YesNo,
                     PromptIcon::Warning) != PromptAnswer::Yes)
        return {};
    return path;
}

std::string ChooseImportPath(Prompter& prompter) {
    return prompter.ChooseOpenFile("从Excel文件导入", kFilter, InHomeDirectory(""));
}
