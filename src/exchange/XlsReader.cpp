// Reads one sheet of an .xls (BIFF) workbook through FreeXL.

#include "exchange/Workbook.h"
#include "platform/OptionalLibrary.h"

#include <freexl.h>

namespace {

// FreeXL is loaded the first time an .xls workbook is read.
struct FreeXlFunctions {
    decltype(&::freexl_open) freexl_open = nullptr;
    decltype(&::freexl_close) freexl_close = nullptr;
    decltype(&::freexl_get_info) freexl_get_info = nullptr;
    decltype(&::freexl_get_worksheet_name) freexl_get_worksheet_name = nullptr;
    decltype(&::freexl_select_active_worksheet) freexl_select_active_worksheet = nullptr;
    decltype(&::freexl_worksheet_dimensions) freexl_worksheet_dimensions = nullptr;
    decltype(&::freexl_get_cell_value) freexl_get_cell_value = nullptr;
    bool loaded = false;
    std::string error;
};

const FreeXlFunctions& FreeXl() {
    static const FreeXlFunctions functions = [] {
        static OptionalLibrary library(ANNIVO_FREEXL_LIBRARY, "读取.xls格式的Excel工作簿");
        FreeXlFunctions f;
        f.loaded = ANNIVO_BIND(library, f, freexl_open, f.error) &&
                   ANNIVO_BIND(library, f, freexl_close, f.error) &&
                   ANNIVO_BIND(library, f, freexl_get_info, f.error) &&
                   ANNIVO_BIND(library, f, freexl_get_worksheet_name, f.error) &&
                   ANNIVO_BIND(library, f, freexl_select_active_worksheet, f.error) &&
                   ANNIVO_BIND(library, f, freexl_worksheet_dimensions, f.error) &&
                   ANNIVO_BIND(library, f, freexl_get_cell_value, f.error);
        return f;
    }();
    return functions;
}

class XlsFile {
public:
    explicit XlsFile(const std::string& path) : m_Path(path) {
        if (!FreeXl().loaded)
            throw WorkbookError(FreeXl().error);
        const int rc = FreeXl().freexl_open(path.c_str(), &m_Handle);
        if (rc != FREEXL_OK) {
            FreeXl().freexl_close(m_Handle);
            m_Handle = nullptr;
            if (rc == FREEXL_FILE_NOT_FOUND)
                throw WorkbookError("无法打开文件" + path + "。");
            throw Damaged("错误代码" + std::to_string(rc));
        }
    }
    ~XlsFile() {
        if (m_Handle)
            FreeXl().freexl_close(m_Handle);
    }
    XlsFile(const XlsFile&) = delete;
    XlsFile& operator=(const XlsFile&) = delete;

    const void* Handle() const { return m_Handle; }

    unsigned Info(unsigned short what) const {
        unsigned value = 0;
        if (FreeXl().freexl_get_info(m_Handle, what, &value) != FREEXL_OK)
            throw Damaged("无法读取文件信息");
        return value;
    }

    WorkbookError Damaged(const std::string& detail) const {
        return WorkbookError("文件" + m_Path + "已损坏，无法读取（" + detail + "）。");
    }

private:
    std::string m_Path;
    const void* m_Handle = nullptr;
};

WorkbookCell ToCell(const FreeXL_CellValue& value) {
    switch (value.type) {
    case FREEXL_CELL_INT: return WorkbookCell::Number(value.value.int_value);
    case FREEXL_CELL_DOUBLE: return WorkbookCell::Number(value.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
        return value.value.text_value && *value.value.text_value
                   ? WorkbookCell::Text(value.value.text_value)
                   : WorkbookCell();
    // FreeXL gives dates as "YYYY-MM-DD", date-times as "YYYY-MM-DD HH:MM:SS",
    // times as "HH:MM:SS" (a time alone counts from the first day of the count).
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME: return WorkbookCell::Date(DateTime::Parse(value.value.text_value));
    case FREEXL_CELL_TIME:
        return WorkbookCell::Date(
            DateTime::Parse(std::string("1899-12-30 ") + value.value.text_value));
    default: return {};
    }
}

} // namespace

WorkbookSheet ReadXlsSheet(const std::string& path, std::string_view sheetName) {
    XlsFile file(path);
    if (file.Info(FREEXL_BIFF_PASSWORD) == FREEXL_BIFF_OBFUSCATED)
        throw WorkbookError("文件" + path + "有密码保护，无法读取。");
    const unsigned count = file.Info(FREEXL_BIFF_SHEET_COUNT);
    if (count == 0)
        throw WorkbookError("文件" + path + "中没有工作表。");

    unsigned short chosen = 0;
    std::string chosenName;
    for (unsigned short i = 0; i < count; ++i) {
        const char* name = nullptr;
        if (FreeXl().freexl_get_worksheet_name(file.Handle(), i, &name) != FREEXL_OK)
            throw file.Damaged("无法读取工作表名");
        if (i == 0)
            chosenName = name ? name : "";
        if (name && name == sheetName) {
            chosen = i;
            chosenName = name;
            break;
        }
    }
    unsigned rowCount = 0;
    unsigned short columnCount = 0;
    if (FreeXl().freexl_select_active_worksheet(file.Handle(), chosen) != FREEXL_OK ||
        FreeXl().freexl_worksheet_dimensions(file.Handle(), &rowCount, &columnCount) != FREEXL_OK)
        throw file.Damaged("无法读取工作表" + chosenName);

    WorkbookSheet sheet{
        chosenName, {}, file.Info(FREEXL_BIFF_DATEMODE) == FREEXL_BIFF_DATEMODE_1904};
    sheet.rows.resize(rowCount);
    for (unsigned r = 0; r < rowCount; ++r) {
        std::vector<WorkbookCell>& row = sheet.rows[r];
        for (unsigned short c = 0; c < columnCount; ++c) {
            FreeXL_CellValue value;
            if (FreeXl().freexl_get_cell_value(file.Handle(), r, c, &value) != FREEXL_OK)
                throw file.Damaged("无法读取第" + std::to_string(r + 1) + "行");
            WorkbookCell cell = ToCell(value);
            if (cell.kind == WorkbookCell::Kind::Empty)
                continue;
            row.resize(c + 1u);
            row[c] = std::move(cell);
        }
    }
    while (!sheet.rows.empty() && sheet.rows.back().empty())
        sheet.rows.pop_back();
    return sheet;
}
