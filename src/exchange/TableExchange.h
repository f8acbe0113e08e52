#pragma once
// Backing up the people table (TiXing) to a workbook and restoring it from
// one. The work itself never talks to the user, so it can run off the window's
// thread; the outcome carries the message to show.

#include <cstddef>
#include <functional>
#include <string>

class Prompter;

// Rows done out of the total, reported now and then by the thread doing the work.
using ExchangeProgress = std::function<void(std::size_t done, std::size_t total)>;

struct ExchangeOutcome {
    enum class Result {
        Done,    // everything written
        Partial, // import only: a row failed; the rows before it were kept
        Nothing, // nothing to do (an empty table to export)
        Failed,  // nothing was changed
    };
    Result result = Result::Failed;
    std::string message;  // for the user
    std::size_t rows = 0; // written to the workbook, or added to the table
};

// Writes every column of every row, in ID order, as the sheet "TiXing" of a
// new .xlsx file at `path`. The file appears whole or not at all: an existing
// one stays as it was when writing fails.
ExchangeOutcome ExportTable(const std::string& path, const ExchangeProgress& progress = {});

// Adds each row of the workbook's "TiXing" sheet (or its first sheet) as a new
// row: the columns whose header names a table column take part, ID never. All
// rows go in one transaction; a failing row ends the import and keeps the rows
// before it.
ExchangeOutcome ImportTable(const std::string& path, const ExchangeProgress& progress = {});

// The file dialogs of the two commands; "" when the user gave up. The export
// path always names an .xlsx file, and an existing one is replaced only when
// the user agrees.
std::string ChooseExportPath(Prompter& prompter);
std::string ChooseImportPath(Prompter& prompter);
