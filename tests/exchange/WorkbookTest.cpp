// Reading workbooks that LibreOffice wrote, in both formats, and the serial
// day numbers spreadsheets count dates in.

#include "exchange/Workbook.h"

#include "Printers.h"

#include <cstdio>
#include <gtest/gtest.h>

namespace {

const std::string kFixtures = ANNIVO_EXCHANGE_FIXTURES;

// A cell as one comparable text: N:number, T:text, D:date, or "" when empty.
std::string Show(const WorkbookCell& cell) {
    switch (cell.kind) {
    case WorkbookCell::Kind::Number: {
        char text[32];
        std::snprintf(text, sizeof text, "N:%.15g", cell.number);
        return text;
    }
    case WorkbookCell::Kind::Text: return "T:" + cell.text;
    case WorkbookCell::Kind::Date: return "D:" + cell.date.Format("%Y-%m-%d %H:%M:%S");
    default: return "";
    }
}

std::vector<std::string> ShowRow(const WorkbookSheet& sheet, std::size_t row) {
    std::vector<std::string> cells;
    if (row < sheet.rows.size())
        for (const WorkbookCell& cell : sheet.rows[row])
            cells.push_back(Show(cell));
    return cells;
}

using Strings = std::vector<std::string>;

class PeopleWorkbook : public ::testing::TestWithParam<const char*> {};

// Shared strings with rich-text runs, inline strings and formula results all
// read as text; date cells as dates whatever their format; the sheet is found
// by name behind another one.
TEST_P(PeopleWorkbook, CellsReadAsTheSpreadsheetShowsThem) {
    const WorkbookSheet sheet = ReadWorkbookSheet(kFixtures + "/" + GetParam(), "TiXing");
    EXPECT_EQ(sheet.name, "TiXing");
    ASSERT_EQ(sheet.rows.size(), 6u);
    EXPECT_EQ(ShowRow(sheet, 0), (Strings{"T:m_Name", "T:m_DateStatus", "T:m_Date", "T:m_Ahead",
                                          "T:备注", "T:m_Content", "T:m_IsVailid"}));
    EXPECT_EQ(ShowRow(sheet, 1), (Strings{"T:张三", "T:阳历", "D:1990-05-01 23:59:59", "N:33",
                                          "T:同事", "T:O'Brien \"引号\" C:\\路径 𠀋", "N:1"}));
    EXPECT_EQ(ShowRow(sheet, 2), (Strings{"T:李四", "T:阴历", "N:32874", "N:22"}));
    EXPECT_EQ(ShowRow(sheet, 3), Strings{});
    // FreeXL does not read the text a formula shows in an .xls file.
    const std::string formula = std::string_view(GetParam()).ends_with(".xls") ? "" : "T:公式文字";
    EXPECT_EQ(ShowRow(sheet, 4),
              (Strings{"T:王五", "T:阳历", "T:1985-12-31", "T:11", "", formula, "N:0"}));
    EXPECT_EQ(ShowRow(sheet, 5), (Strings{"T:赵六", "", "D:2000-02-29 00:00:00"}));
    // Without a sheet of the asked name the first one is read.
    EXPECT_EQ(ReadWorkbookSheet(kFixtures + "/" + GetParam(), "Other").name, "说明");
}

INSTANTIATE_TEST_SUITE_P(Formats, PeopleWorkbook,
                         ::testing::Values("people.xlsx", "people-inline.xlsx", "people.xls"));

TEST(DateFromSerial, CountsLikeSpreadsheetsIncludingThe1900LeapDay) {
    const struct {
        double serial;
        bool from1904;
        const char* expected;
    } cases[] = {
        {1, false, "1900-01-01 00:00:00"},
        {59, false, "1900-02-28 00:00:00"},
        {60, false, ""},
        {61, false, "1900-03-01 00:00:00"},
        {32874.5, false, "1990-01-01 12:00:00"},
        {0.75, false, "1899-12-30 18:00:00"},
        {0, true, "1904-01-01 00:00:00"},
        {-1, false, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DateFromSerial(c.serial, c.from1904).Format("%Y-%m-%d %H:%M:%S"), c.expected)
            << c.serial;
}

} // namespace
