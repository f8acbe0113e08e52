#include "exchange/Workbook.h"

#include <cmath>
#include <cstdio>
#include <fstream>

WorkbookCell WorkbookCell::Number(double value) {
    WorkbookCell cell;
    cell.kind = Kind::Number;
    cell.number = value;
    return cell;
}

WorkbookCell WorkbookCell::Text(std::string value) {
    WorkbookCell cell;
    cell.kind = Kind::Text;
    cell.text = std::move(value);
    return cell;
}

WorkbookCell WorkbookCell::Date(DateTime value) {
    WorkbookCell cell;
    cell.kind = Kind::Date;
    cell.date = value;
    return cell;
}

DateTime DateFromSerial(double serial, bool from1904) {
    if (!std::isfinite(serial) || serial < 0)
        return DateTime::Invalid();
    if (from1904)
        return DateTime::FromDays(serial + 1462);
    // The 1900 system counts a 29 February 1900 that never was: before it,
    // its serials run one day behind the database's count; the day itself is no date.
    if (serial >= 60 && serial < 61)
        return DateTime::Invalid();
    return DateTime::FromDays(serial >= 1 && serial < 60 ? serial + 1 : serial);
}

WorkbookSheet ReadWorkbookSheet(const std::string& path, std::string_view sheetName) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw WorkbookError("无法打开文件" + path + "。");
    char magic[8] = {};
    file.read(magic, sizeof magic);
    const std::string_view head(magic, static_cast<std::size_t>(file.gcount()));
    file.close();
    // .xlsx is a zip package; .xls a compound document.
    if (head.starts_with("PK\x03\x04"))
        return ReadXlsxSheet(path, sheetName);
    if (head == std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8))
        return ReadXlsSheet(path, sheetName);
    throw WorkbookError("文件" + path + "不是Excel工作簿（.xlsx或.xls）。");
}
