// Reads one sheet of an .xlsx package: the zip through minizip, its XML parts
// through expat, streamed, so a large sheet is never held as text.

#include "exchange/Workbook.h"
#include "platform/OptionalLibrary.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <expat.h>
#include <map>
#include <minizip/unzip.h>
#include <optional>

namespace {

// Beyond the largest sheet a spreadsheet program makes: a reference past it
// means the file is damaged, not that we should allocate for it.
constexpr unsigned kMaxRows = 1048576;
constexpr unsigned kMaxColumns = 16384;

std::string_view LocalName(const char* name) {
    const char* colon = std::strrchr(name, ':');
    return colon ? colon + 1 : name;
}

// The value of the attribute with that local name, or null.
const char* Attribute(const char** attributes, std::string_view name) {
    for (const char** a = attributes; a && *a; a += 2)
        if (LocalName(a[0]) == name)
            return a[1];
    return nullptr;
}

class XmlHandler {
public:
    virtual ~XmlHandler() = default;
    virtual void Start(std::string_view name, const char** attributes) = 0;
    virtual void End(std::string_view name) = 0;
    virtual void Text(std::string_view) {}
};

// Part names of a package are case-insensitive; "a/../b" and "/b" forms resolve here.
std::string ResolvePart(const std::string& baseDirectory, const std::string& target) {
    std::string joined = target.starts_with('/') ? target.substr(1) : baseDirectory + target;
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= joined.size()) {
        std::size_t slash = joined.find('/', start);
        if (slash == std::string::npos)
            slash = joined.size();
        const std::string piece = joined.substr(start, slash - start);
        if (piece == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!piece.empty() && piece != ".") {
            parts.push_back(piece);
        }
        start = slash + 1;
    }
    std::string out;
    for (const std::string& piece : parts)
        out += (out.empty() ? "" : "/") + piece;
    return out;
}

std::string DirectoryOf(const std::string& part) {
    const std::size_t slash = part.rfind('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

// minizip is loaded the first time an .xlsx workbook is read.
struct MinizipFunctions {
    decltype(&::unzOpen64) unzOpen64 = nullptr;
    decltype(&::unzClose) unzClose = nullptr;
    decltype(&::unzLocateFile) unzLocateFile = nullptr;
    decltype(&::unzOpenCurrentFile) unzOpenCurrentFile = nullptr;
    decltype(&::unzReadCurrentFile) unzReadCurrentFile = nullptr;
    decltype(&::unzCloseCurrentFile) unzCloseCurrentFile = nullptr;
    bool loaded = false;
    std::string error;
};

const MinizipFunctions& Minizip() {
    static const MinizipFunctions functions = [] {
        static OptionalLibrary library(ANNIVO_MINIZIP_LIBRARY, "读取.xlsx格式的Excel工作簿");
        MinizipFunctions f;
        f.loaded = ANNIVO_BIND(library, f, unzOpen64, f.error) &&
                   ANNIVO_BIND(library, f, unzClose, f.error) &&
                   ANNIVO_BIND(library, f, unzLocateFile, f.error) &&
                   ANNIVO_BIND(library, f, unzOpenCurrentFile, f.error) &&
                   ANNIVO_BIND(library, f, unzReadCurrentFile, f.error) &&
                   ANNIVO_BIND(library, f, unzCloseCurrentFile, f.error);
        return f;
    }();
    return functions;
}

class Package {
public:
    explicit Package(const std::string& path) : m_Path(path) {
        if (!Minizip().loaded)
            throw WorkbookError(Minizip().error);
        m_Zip = Minizip().unzOpen64(path.c_str());
        if (!m_Zip)
            throw WorkbookError("文件" + path + "已损坏，不是完整的Excel工作簿。");
    }
    ~Package() { Minizip().unzClose(m_Zip); }
    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;

    bool Has(const std::string& part) {
        return Minizip().unzLocateFile(m_Zip, part.c_str(), 2) == UNZ_OK;
    }

    void Parse(const std::string& part, XmlHandler& handler) {
        if (!Has(part) || Minizip().unzOpenCurrentFile(m_Zip) != UNZ_OK)
            throw Damaged("缺少" + part);
        XML_Parser parser = XML_ParserCreate(nullptr);
        struct Cleanup {
            unzFile zip;
            XML_Parser parser;
            ~Cleanup() {
                XML_ParserFree(parser);
                Minizip().unzCloseCurrentFile(zip);
            }
        } cleanup{m_Zip, parser};
        XML_SetUserData(parser, &handler);
        XML_SetElementHandler(
            parser,
            [](void* data, const char* name, const char** attributes) {
                static_cast<XmlHandler*>(data)->Start(LocalName(name), attributes);
            },
            [](void* data, const char* name) {
                static_cast<XmlHandler*>(data)->End(LocalName(name));
            });
        XML_SetCharacterDataHandler(parser, [](void* data, const char* text, int length) {
            static_cast<XmlHandler*>(data)->Text(
                std::string_view(text, static_cast<std::size_t>(length)));
        });
        std::vector<char> buffer(1 << 16);
        for (;;) {
            const int read = Minizip().unzReadCurrentFile(m_Zip, buffer.data(),
                                                          static_cast<unsigned>(buffer.size()));
            if (read < 0)
                throw Damaged(part + "无法解压");
            if (XML_Parse(parser, buffer.data(), read, read == 0) != XML_STATUS_OK)
                throw Damaged(part + "第" + std::to_string(XML_GetCurrentLineNumber(parser)) +
                              "行：" + XML_ErrorString(XML_GetErrorCode(parser)));
            if (read == 0)
                break;
        }
        cleanup.zip = nullptr;
        const int closed = Minizip().unzCloseCurrentFile(m_Zip);
        if (closed != UNZ_OK)
            throw Damaged(part + "校验失败");
    }

    WorkbookError Damaged(const std::string& detail) const {
        return WorkbookError("文件" + m_Path + "已损坏，无法读取（" + detail + "）。");
    }

private:
    std::string m_Path;
    unzFile m_Zip = nullptr;
};

struct Relationship {
    std::string id, type, target;
};

class RelationshipsHandler : public XmlHandler {
public:
    std::vector<Relationship> relationships;
    void Start(std::string_view name, const char** attributes) override {
        if (name != "Relationship")
            return;
        const char* id = Attribute(attributes, "Id");
        const char* type = Attribute(attributes, "Type");
        const char* target = Attribute(attributes, "Target");
        const char* mode = Attribute(attributes, "TargetMode");
        if (target && !(mode && std::string_view(mode) == "External"))
            relationships.push_back({id ? id : "", type ? type : "", target});
    }
    void End(std::string_view) override {}
};

std::vector<Relationship> ReadRelationships(Package& package, const std::string& part) {
    const std::string dir = DirectoryOf(part);
    const std::string rels = dir + "_rels/" + part.substr(dir.size()) + ".rels";
    RelationshipsHandler handler;
    if (package.Has(rels))
        package.Parse(rels, handler);
    for (Relationship& r : handler.relationships)
        r.target = ResolvePart(dir, r.target);
    return handler.relationships;
}

std::optional<std::string> TargetOfType(const std::vector<Relationship>& relationships,
                                        std::string_view typeSuffix) {
    for (const Relationship& r : relationships)
        if (r.type.ends_with(typeSuffix))
            return r.target;
    return std::nullopt;
}

struct SheetEntry {
    std::string name, relationshipId;
};

class WorkbookHandler : public XmlHandler {
public:
    std::vector<SheetEntry> sheets;
    bool date1904 = false;
    void Start(std::string_view name, const char** attributes) override {
        if (name == "sheet") {
            const char* sheetName = Attribute(attributes, "name");
            const char* id = Attribute(attributes, "id");
            sheets.push_back({sheetName ? sheetName : "", id ? id : ""});
        } else if (name == "workbookPr") {
            const char* flag = Attribute(attributes, "date1904");
            date1904 = flag && (std::string_view(flag) == "1" || std::string_view(flag) == "true");
        }
    }
    void End(std::string_view) override {}
};

// Whether a number format shows a date or a time: the built-in ones by id,
// custom ones by a date or time letter outside quoted text and brackets.
bool IsDateFormatCode(std::string_view code) {
    bool quoted = false;
    bool bracket = false;
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (quoted) {
            quoted = c != '"';
        } else if (bracket) {
            bracket = c != ']';
        } else if (c == '"') {
            quoted = true;
        } else if (c == '[') {
            // [h], [mm] and [ss] are elapsed time; colours and conditions are not.
            const std::size_t close = code.find(']', i);
            const std::string_view inside =
                code.substr(i + 1, close == std::string_view::npos ? 0 : close - i - 1);
            if (!inside.empty() && std::all_of(inside.begin(), inside.end(), [](char ch) {
                    return ch == 'h' || ch == 'H' || ch == 'm' || ch == 'M' || ch == 's' ||
                           ch == 'S';
                }))
                return true;
            bracket = true;
        } else if (c == '\\' || c == '_' || c == '*') {
            ++i; // the next character is shown literally or used as padding
        } else if (c != '\0' && std::strchr("yYmMdDhHsS", c)) {
            return true;
        }
    }
    return false;
}

bool IsBuiltInDateFormat(int id) {
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) ||
           (id >= 50 && id <= 58);
}

class StylesHandler : public XmlHandler {
public:
    std::vector<bool> dateStyles; // by cell style index
    void Start(std::string_view name, const char** attributes) override {
        if (name == "numFmt") {
            const char* id = Attribute(attributes, "numFmtId");
            const char* code = Attribute(attributes, "formatCode");
            if (id && code)
                m_Custom[std::atoi(id)] = IsDateFormatCode(code);
        } else if (name == "cellXfs") {
            m_InCellXfs = true;
        } else if (name == "xf" && m_InCellXfs) {
            const char* id = Attribute(attributes, "numFmtId");
            const int format = id ? std::atoi(id) : 0;
            const auto custom = m_Custom.find(format);
            dateStyles.push_back(custom != m_Custom.end() ? custom->second
                                                          : IsBuiltInDateFormat(format));
        }
    }
    void End(std::string_view name) override {
        if (name == "cellXfs")
            m_InCellXfs = false;
    }

private:
    std::map<int, bool> m_Custom;
    bool m_InCellXfs = false;
};

void AppendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Characters XML cannot carry are written as "_xHHHH_" in cell text.
std::string UnescapeCellText(std::string text) {
    if (text.find("_x") == std::string::npos)
        return text;
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned code = 0;
        if (text.compare(i, 2, "_x") == 0 && i + 6 < text.size() && text[i + 6] == '_' &&
            std::from_chars(text.data() + i + 2, text.data() + i + 6, code, 16).ptr ==
                text.data() + i + 6) {
            AppendUtf8(out, code);
            i += 6;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Text of <si> items; the phonetic runs (<rPh>) are not part of the value.
class SharedStringsHandler : public XmlHandler {
public:
    std::vector<std::string> strings;
    void Start(std::string_view name, const char**) override {
        if (name == "si")
            m_Current.clear();
        else if (name == "rPh")
            m_InPhonetic = true;
        else if (name == "t")
            m_InText = !m_InPhonetic;
    }
    void End(std::string_view name) override {
        if (name == "si")
            strings.push_back(UnescapeCellText(std::move(m_Current)));
        else if (name == "rPh")
            m_InPhonetic = false;
        else if (name == "t")
            m_InText = false;
    }
    void Text(std::string_view text) override {
        if (m_InText)
            m_Current.append(text);
    }

private:
    std::string m_Current;
    bool m_InText = false;
    bool m_InPhonetic = false;
};

class SheetHandler : public XmlHandler {
public:
    SheetHandler(Package& package, const std::vector<std::string>& strings,
                 const std::vector<bool>& dateStyles, bool date1904)
        : m_Package(package), m_Strings(strings), m_DateStyles(dateStyles), m_Date1904(date1904) {}

    std::vector<std::vector<WorkbookCell>> rows;

    void Start(std::string_view name, const char** attributes) override {
        if (name == "row") {
            const char* r = Attribute(attributes, "r");
            m_Row = r ? static_cast<unsigned>(std::atol(r)) - 1 : m_Row + 1;
            m_Column = static_cast<unsigned>(-1);
        } else if (name == "c") {
            const char* ref = Attribute(attributes, "r");
            const char* type = Attribute(attributes, "t");
            const char* style = Attribute(attributes, "s");
            m_Column = ref ? ColumnOf(ref) : m_Column + 1;
            m_Type = type ? type : "n";
            m_Style = style ? std::atoi(style) : 0;
            m_Value.clear();
            m_HasValue = false;
        } else if (name == "v" || (name == "t" && !m_InPhonetic)) {
            m_InValue = true;
            m_HasValue = true;
        } else if (name == "rPh") {
            m_InPhonetic = true;
        }
    }

    void End(std::string_view name) override {
        if (name == "v" || name == "t") {
            m_InValue = false;
        } else if (name == "rPh") {
            m_InPhonetic = false;
        } else if (name == "c") {
            if (m_HasValue)
                Store(MakeCell());
        }
    }

    void Text(std::string_view text) override {
        if (m_InValue)
            m_Value.append(text);
    }

private:
    unsigned ColumnOf(std::string_view ref) const {
        unsigned column = 0;
        std::size_t i = 0;
        for (; i < ref.size() && std::isalpha(static_cast<unsigned char>(ref[i])); ++i)
            column = column * 26 + static_cast<unsigned>(std::toupper(ref[i]) - 'A' + 1);
        if (column == 0 || column > kMaxColumns)
            throw m_Package.Damaged("单元格引用" + std::string(ref) + "无效");
        return column - 1;
    }

    WorkbookCell MakeCell() const {
        if (m_Type == "s") {
            std::size_t index = 0;
            const auto parsed =
                std::from_chars(m_Value.data(), m_Value.data() + m_Value.size(), index);
            if (parsed.ec != std::errc() || index >= m_Strings.size())
                throw m_Package.Damaged("共享字符串" + m_Value + "不存在");
            return WorkbookCell::Text(m_Strings[index]);
        }
        if (m_Type == "inlineStr" || m_Type == "str" || m_Type == "e")
            return WorkbookCell::Text(UnescapeCellText(m_Value));
        if (m_Type == "d")
            return WorkbookCell::Date(DateTime::Parse(m_Value));
        if (m_Value.empty())
            return {};
        double number = 0;
        const auto parsed =
            std::from_chars(m_Value.data(), m_Value.data() + m_Value.size(), number);
        if (parsed.ec != std::errc() || parsed.ptr != m_Value.data() + m_Value.size())
            throw m_Package.Damaged("数值" + m_Value + "无效");
        const bool isDate = m_Type == "n" && m_Style >= 0 &&
                            static_cast<std::size_t>(m_Style) < m_DateStyles.size() &&
                            m_DateStyles[static_cast<std::size_t>(m_Style)];
        return isDate ? WorkbookCell::Date(DateFromSerial(number, m_Date1904))
                      : WorkbookCell::Number(number);
    }

    void Store(WorkbookCell cell) {
        if (cell.kind == WorkbookCell::Kind::Empty ||
            (cell.kind == WorkbookCell::Kind::Text && cell.text.empty()))
            return;
        if (m_Row >= kMaxRows)
            throw m_Package.Damaged("行号" + std::to_string(m_Row + 1) + "无效");
        if (rows.size() <= m_Row)
            rows.resize(m_Row + 1);
        std::vector<WorkbookCell>& row = rows[m_Row];
        if (row.size() <= m_Column)
            row.resize(m_Column + 1);
        row[m_Column] = std::move(cell);
    }

    Package& m_Package;
    const std::vector<std::string>& m_Strings;
    const std::vector<bool>& m_DateStyles;
    bool m_Date1904;
    unsigned m_Row = static_cast<unsigned>(-1);
    unsigned m_Column = static_cast<unsigned>(-1);
    std::string m_Type;
    int m_Style = 0;
    std::string m_Value;
    bool m_HasValue = false;
    bool m_InValue = false;
    bool m_InPhonetic = false;
};

} // namespace

WorkbookSheet ReadXlsxSheet(const std::string& path, std::string_view sheetName) {
    Package package(path);
    const std::string workbookPart =
        TargetOfType(ReadRelationships(package, ""), "/officeDocument").value_or("xl/workbook.xml");
    if (!package.Has(workbookPart))
        throw WorkbookError("文件" + path + "不是Excel工作簿（.xlsx或.xls）。");

    WorkbookHandler workbook;
    package.Parse(workbookPart, workbook);
    if (workbook.sheets.empty())
        throw WorkbookError("文件" + path + "中没有工作表。");
    const auto chosen = std::find_if(workbook.sheets.begin(), workbook.sheets.end(),
                                     [&](const SheetEntry& s) { return s.name == sheetName; });
    const SheetEntry& sheet = chosen != workbook.sheets.end() ? *chosen : workbook.sheets.front();

    const std::vector<Relationship> relationships = ReadRelationships(package, workbookPart);
    const auto target =
        std::find_if(relationships.begin(), relationships.end(),
                     [&](const Relationship& r) { return r.id == sheet.relationshipId; });
    if (target == relationships.end())
        throw package.Damaged("找不到工作表" + sheet.name);

    SharedStringsHandler strings;
    if (const auto part = TargetOfType(relationships, "/sharedStrings"))
        package.Parse(*part, strings);
    StylesHandler styles;
    if (const auto part = TargetOfType(relationships, "/styles"))
        package.Parse(*part, styles);

    SheetHandler cells(package, strings.strings, styles.dateStyles, workbook.date1904);
    package.Parse(target->target, cells);
    return {sheet.name, std::move(cells.rows), workbook.date1904};
}
