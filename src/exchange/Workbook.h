#pragma once
// One sheet of a workbook as plain values: what the import needs from an
// .xlsx or .xls file, whichever program wrote it.

#include "platform/DateTime.h"

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The file cannot be read as a workbook; the text is for the user.
class WorkbookError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct WorkbookCell {
    enum class Kind { Empty, Number, Text, Date };
    Kind kind = Kind::Empty;
    double number = 0; // Number
    std::string text;  // Text
    DateTime date;     // Date: a cell shown as a date or time

    static WorkbookCell Number(double value);
    static WorkbookCell Text(std::string value);
    static WorkbookCell Date(DateTime value);
};

struct WorkbookSheet {
    std::string name;
    // Row after row from the first row of the sheet; a row holds cells up to
    // its last non-empty one, so rows differ in length.
    std::vector<std::vector<WorkbookCell>> rows;
    // Plain numbers standing for dates count from 1904 rather than 1900.
    bool date1904 = false;
};

// Reads the sheet named `sheetName`, or the first sheet when none has that
// name. The format is told by the file's content, not its name.
WorkbookSheet ReadWorkbookSheet(const std::string& path, std::string_view sheetName);

// The date of a spreadsheet serial day number (1900 date system unless
// `from1904`), keeping the 1900 system's phantom 29 February out.
DateTime DateFromSerial(double serial, bool from1904 = false);

// Readers of the two formats, exposed for the dispatcher above.
WorkbookSheet ReadXlsxSheet(const std::string& path, std::string_view sheetName);
WorkbookSheet ReadXlsSheet(const std::string& path, std::string_view sheetName);
