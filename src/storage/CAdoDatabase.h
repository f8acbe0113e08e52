#pragma once
// Short-lived access to the program's SQLite file. One object per operation:
// construct, set the connection string (and the task, for the messages),
// Open, Execute, read rows with GetRecordCount / IsEOF / GetCollect /
// MoveNext, Close. Every failure throws DbError whose text says what was being
// done with which file, then SQLite's own message; callers catch it and show it.
//
// Execute accepts the Jet-flavoured SQL the program is written in and
// translates what SQLite lacks: #...# date literals (a lunar birth date's
// day the Gregorian calendar lacks included), "Delete * From" and
// double-quoted string values. It runs exactly one statement.

#include "platform/BirthDate.h"
#include "platform/DateTime.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

class DbError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One column value of the current row ("variant").
class DbValue {
public:
    DbValue() = default; // empty: no result set
    static DbValue Null();
    static DbValue Integer(std::int64_t value);
    static DbValue Real(double value);
    static DbValue Text(std::string value);

    bool IsEmpty() const { return m_Kind == Kind::Empty; }
    bool IsNull() const { return m_Kind == Kind::Null; }

    std::string AsString() const&; // NULL and empty read as ""
    std::string AsString() &&;
    std::int32_t AsInt() const;  // NULL reads as 0; text is read as a number
    int AsYesNo() const;         // absolute value of the 16-bit value: -1 reads as 1
    DateTime AsDateTime() const; // stored text or day count; NULL reads as invalid
    // A birth date as stored: as AsDateTime, and a text whose day only the
    // lunar calendar has ("1980-02-30 23:59:59") as it stands.
    BirthDate AsBirthDate() const;

private:
    enum class Kind { Empty, Null, Integer, Real, Text };
    Kind m_Kind = Kind::Empty;
    std::int64_t m_Integer = 0;
    double m_Real = 0;
    std::string m_Text;
};

// Path of the database file, relative to the program directory that start-up
// makes the working directory.
extern std::string g_ConnectionString;

class CAdoDatabase {
public:
    explicit CAdoDatabase(std::string connectionString = {});
    ~CAdoDatabase();
    CAdoDatabase(const CAdoDatabase&) = delete;
    CAdoDatabase& operator=(const CAdoDatabase&) = delete;

    void SetConnectionString(std::string connectionString);
    // What the operation does, in the user's words ("读取提醒列表"); the
    // messages of its failures begin with it.
    void SetTask(std::string task);
    // Opens the existing file read-write; never creates one. A file without
    // the program's three tables is refused untouched. Waiting for another
    // copy of the program is limited to about two seconds for the whole
    // operation. When the file cannot be written beside (its WAL files cannot
    // be made: a read-only folder, a full disk), it is opened for reading
    // only and TakeReadOnlyNotice has the reason.
    void Open();
    bool IsReadOnly() const { return m_ReadOnly; }
    // Throws DbError for a fault the caller found in what it read, worded
    // like the object's own failures.
    [[noreturn]] void Fail(std::string_view detail) const;
    void Execute(std::string_view sql);
    // Runs a query and calls `visit` on each row as it is read, GetCollect
    // reading that row; nothing of the result is kept. For long results read
    // once; IsEOF, MoveNext and GetRecordCount are not for this walk.
    void ForEachRow(std::string_view sql, const std::function<void()>& visit);
    // Rows the last Insert, Update or Delete changed.
    long ChangedRows() const;
    // Rows of the held result set, or -1 when the last statement returned none.
    long GetRecordCount() const;
    bool IsEOF() const;
    // Value of the named column (case-insensitive) in the current row; empty
    // when no result set is held. An unknown column throws. The reference
    // lasts until the next Execute or Close.
    DbValue GetCollect(std::string_view column) const;
    // The same for the query's `column`th column (from 0), for a query that
    // names its columns: nothing is looked up by name. Out of range throws.
    DbValue ValueAt(std::size_t column) const;
    // ValueAt(column).AsString(), a stored text read straight into `text`.
    void ReadTextAt(std::size_t column, std::string& text) const;
    void MoveNext();
    void Close();

    // The statement SQLite is given for a Jet-flavoured text (exposed for tests).
    static std::string TranslateJet(std::string_view sql);

private:
    std::string FullPath() const;
    void Connect(const std::string& name, int flags);
    void Disconnect();
    int FindMissingTables(std::string& missing) const;
    sqlite3_stmt* Prepare(std::string_view sql); // one statement, or Fail
    bool NextRow(sqlite3_stmt* statement);       // false at the end; a failure throws
    int StartWal();
    void OpenForReadingOnly(const std::string& why);
    static int OnBusy(void* self, int count);

    std::string m_ConnectionString;
    std::string m_Task;
    sqlite3* m_Db = nullptr;
    bool m_ReadOnly = false;
    bool m_WaitWhenBusy = true;
    int m_BusyWaitedMs = 0; // over the whole operation
    bool m_HasResult = false;
    std::vector<std::string> m_Columns;
    // The result, row after row, m_Columns.size() cells each. Text lives in one
    // buffer so a large result costs no allocation per value.
    struct Cell {
        std::int64_t value = 0;   // the integer, the double's bits, or the offset into m_Text
        std::uint32_t length = 0; // of the text
        int type = 0;             // SQLite's fundamental type
    };
    std::vector<Cell> m_Cells;
    std::string m_Text;
    std::size_t m_RowCount = 0;
    std::size_t m_Row = 0;
    sqlite3_stmt* m_Streaming = nullptr;                             // the row ForEachRow stands on
    mutable std::size_t m_LastColumn = static_cast<std::size_t>(-1); // where GetCollect looks first
};

// The message of a failed database operation, one sentence built here only:
// what was being done and with which file, then what went wrong (SQLite's
// own text where there is one).
std::string DatabaseErrorText(std::string_view task, std::string_view file,
                              std::string_view detail);

// After a file had to be opened for reading only: the one message that says
// changes cannot be saved and why. Given out once, until the file opens for
// writing again.
std::optional<std::string> TakeReadOnlyNotice();

// Builds SQL text from a printf-style format ("%s", "%d", "%%" only). Text
// values are the only way values get into SQL: a value between '...' has its
// apostrophes doubled, one between "..." its double quotes, so a name like
// O'Brien is just a name. A "%s" outside quotes takes only a plain number (an
// ID passed as text) or a #...# date literal; anything else throws DbError.
using SqlArg = std::variant<std::int64_t, std::string>;
std::string SqlFormatArgs(std::string_view format, const std::vector<SqlArg>& args);

template <typename... Args> std::string SqlFormat(std::string_view format, const Args&... args) {
    auto toArg = [](const auto& value) -> SqlArg {
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_integral_v<T>)
            return static_cast<std::int64_t>(value);
        else
            return std::string(value);
    };
    return SqlFormatArgs(format, std::vector<SqlArg>{toArg(args)...});
}
