#pragma once
// Short-lived access to the program's SQLite file. One object per operation:
// construct, set the connection string, Open, Execute, read rows with
// GetRecordCount / IsEOF / GetCollect / MoveNext, Close. Every failure throws
// DbError carrying SQLite's own message; callers catch it and show it.
//
// Execute accepts the Jet-flavoured SQL the program is written in and
// translates what SQLite lacks: #...# date literals, "Delete * From" and
// double-quoted string values. It runs exactly one statement.

#include "platform/DateTime.h"

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct sqlite3;

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

    std::string AsString() const; // NULL and empty read as ""
    std::int32_t AsInt() const;   // NULL reads as 0; text is read as a number
    int AsYesNo() const;          // absolute value of the 16-bit value: -1 reads as 1
    DateTime AsDateTime() const;  // stored text or day count; NULL reads as invalid

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
    // Opens the existing file read-write; never creates one.
    void Open();
    void Execute(std::string_view sql);
    // Rows of the held result set, or -1 when the last statement returned none.
    long GetRecordCount() const;
    bool IsEOF() const;
    // Value of the named column (case-insensitive) in the current row; empty
    // when no result set is held. An unknown column throws. The reference
    // lasts until the next Execute or Close.
    DbValue GetCollect(std::string_view column) const;
    void MoveNext();
    void Close();

    // The statement SQLite is given for a Jet-flavoured text (exposed for tests).
    static std::string TranslateJet(std::string_view sql);

private:
    std::string m_ConnectionString;
    sqlite3* m_Db = nullptr;
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
};

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
