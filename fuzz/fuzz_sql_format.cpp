// Values put into SQL text by SqlFormat, checked against SQLite itself: a
// value comes back byte for byte, and no other row or table changes, however
// the value is made (apostrophes, double quotes, "#", "--", ";", bytes that are
// not UTF-8). A value SQL text cannot carry is refused and changes nothing.
//
// Input: name, title, content, password, date text, ahead code text and ID
// text, as FuzzedDataProvider reads strings ("\\" is a backslash, a backslash
// and any other byte end one).

#include "FuzzCheck.h"
#include "storage/CAdoDatabase.h"

#include <cstddef>
#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>
#include <iterator>
#include <map>
#include <sqlite3.h>
#include <string>
#include <string_view>
#include <vector>

namespace {

// One in-memory database that both the program's connection and the checking
// connection see.
constexpr const char* kDatabase = "file:annivo-fuzz?mode=memory&cache=shared";

constexpr const char* kSchema = R"(
CREATE TABLE TiXing (ID INTEGER PRIMARY KEY AUTOINCREMENT, m_State VARCHAR(10) DEFAULT '生效',
    m_Name VARCHAR(50) DEFAULT '', m_Date DATETIME, m_Title VARCHAR(100) DEFAULT '',
    m_Content LONGTEXT DEFAULT '', m_Ahead INTEGER DEFAULT 0);
CREATE TABLE Festival (编号 INTEGER PRIMARY KEY AUTOINCREMENT, [Class] INTEGER DEFAULT 0,
    FestivalName VARCHAR(50) DEFAULT '');
CREATE TABLE MySetting (m_Name VARCHAR(50) DEFAULT '', m_UnLockPwd VARCHAR(50) DEFAULT '');
INSERT INTO TiXing (m_Name, m_Date, m_Ahead) VALUES ('张三', '1980-02-29 00:00:00', 33);
INSERT INTO TiXing (m_Name, m_Title) VALUES ('O''Brien', 'it''s "quoted" #1#');
INSERT INTO Festival (FestivalName) VALUES ('春节');
INSERT INTO MySetting (m_Name, m_UnLockPwd) VALUES ('我', 'pass');
)";

struct Cell {
    int type;
    std::string bytes;
    bool operator==(const Cell&) const = default;
};
using Row = std::vector<Cell>;
using Table = std::map<std::int64_t, Row>; // by rowid
using Snapshot = std::map<std::string, Table>;

Snapshot Take(sqlite3* db) {
    Snapshot snapshot;
    for (const char* table : {"TiXing", "Festival", "MySetting"}) {
        sqlite3_stmt* statement = nullptr;
        const std::string sql = std::string("SELECT rowid, * FROM ") + table;
        FUZZ_CHECK(sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK);
        Table& rows = snapshot[table];
        while (sqlite3_step(statement) == SQLITE_ROW) {
            Row row;
            for (int c = 1; c < sqlite3_column_count(statement); ++c) {
                const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, c));
                row.push_back(
                    {sqlite3_column_type(statement, c),
                     std::string(bytes ? bytes : "",
                                 static_cast<std::size_t>(sqlite3_column_bytes(statement, c)))});
            }
            rows[sqlite3_column_int64(statement, 0)] = std::move(row);
        }
        sqlite3_finalize(statement);
    }
    return snapshot;
}

bool HasZero(std::string_view text) {
    return text.find('\0') != std::string_view::npos;
}

bool IsDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// Runs one statement through the program's connection; false when it was refused.
bool Run(CAdoDatabase& db, const std::string& sql) {
    try {
        db.Execute(sql);
        return true;
    } catch (const DbError&) {
        return false;
    }
}

// The tables and rows every input starts from, made once and copied in.
sqlite3* g_Template = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Shared in-memory databases are named by URI.
    sqlite3_config(SQLITE_CONFIG_URI, 1);
    FUZZ_CHECK(sqlite3_open(":memory:", &g_Template) == SQLITE_OK);
    FUZZ_CHECK(sqlite3_exec(g_Template, kSchema, nullptr, nullptr, nullptr) == SQLITE_OK);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string name = input.ConsumeRandomLengthString(256);
    const std::string title = input.ConsumeRandomLengthString(256);
    const std::string content = input.ConsumeRandomLengthString(1024);
    const std::string password = input.ConsumeRandomLengthString(64);
    const std::string date = input.ConsumeRandomLengthString(64);
    const std::string ahead = input.ConsumeRandomLengthString(32);
    const std::string id = input.ConsumeRandomLengthString(32);

    sqlite3* check = nullptr;
    FUZZ_CHECK(sqlite3_open_v2(kDatabase, &check, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                               nullptr) == SQLITE_OK);
    sqlite3_backup* copy = sqlite3_backup_init(check, "main", g_Template, "main");
    FUZZ_CHECK(copy && sqlite3_backup_step(copy, -1) == SQLITE_DONE);
    sqlite3_backup_finish(copy);
    CAdoDatabase db(kDatabase);
    db.Open();

    // A new person, as the reminder editor saves one.
    Snapshot before = Take(check);
    std::string sql;
    try {
        sql = SqlFormat("InSert InTo TiXing(m_State,m_Name,m_Date,m_Title,m_Content,m_Ahead)"
                        "Values('%s','%s',%s,'%s','%s',%s)",
                        "生效", name, date, title, content, ahead);
    } catch (const DbError&) {
        // Only text that is not a number or a date literal is refused.
        FUZZ_CHECK(!IsDigits(date) || !IsDigits(ahead));
    }
    const bool carriesZero = HasZero(name) || HasZero(title) || HasZero(content);
    if (!sql.empty()) {
        const bool inserted = Run(db, sql);
        Snapshot after = Take(check);
        if (!inserted) {
            FUZZ_CHECK(carriesZero);
            FUZZ_CHECK(after == before);
        } else {
            FUZZ_CHECK(after["TiXing"].size() == before["TiXing"].size() + 1);
            const Row& added = after["TiXing"].rbegin()->second;
            FUZZ_CHECK(added[1].bytes == "生效" && added[2].bytes == name);
            FUZZ_CHECK(added[4].bytes == title && added[5].bytes == content);
            after["TiXing"].erase(std::prev(after["TiXing"].end()));
            FUZZ_CHECK(after == before);

            // Found again by its name, and read through the program's values.
            FUZZ_CHECK(Run(db, SqlFormat("select * from TiXing Where m_Name='%s'", name)));
            FUZZ_CHECK(db.GetRecordCount() >= 1);
            for (; !db.IsEOF(); db.MoveNext()) {
                FUZZ_CHECK(db.GetCollect("m_Name").AsString() == name);
                db.GetCollect("m_Date").AsDateTime();
                db.GetCollect("m_Ahead").AsInt();
                db.GetCollect("m_Ahead").AsYesNo();
            }
        }
    }

    // The settings row, whose password sits between double quotes.
    before = Take(check);
    const bool updated =
        Run(db, SqlFormat("Update MySetting Set m_Name='%s',m_UnLockPwd=\"%s\"", name, password));
    Snapshot after = Take(check);
    FUZZ_CHECK(updated || HasZero(name) || HasZero(password));
    if (updated) {
        const Row& row = after["MySetting"].begin()->second;
        FUZZ_CHECK(row[0].bytes == name && row[1].bytes == password);
        after["MySetting"] = before["MySetting"];
    }
    FUZZ_CHECK(after == before);

    // A deletion by an ID kept as text removes that one row at most.
    before = Take(check);
    bool deleted = false;
    try {
        deleted = Run(db, SqlFormat("DELETE from TiXing where ID=%s", id));
    } catch (const DbError&) {
    }
    after = Take(check);
    FUZZ_CHECK(deleted || after == before);
    FUZZ_CHECK(after["TiXing"].size() + 1 >= before["TiXing"].size());
    for (const auto& [rowid, row] : before["TiXing"])
        if (!after["TiXing"].contains(rowid))
            FUZZ_CHECK(id.find(std::to_string(rowid)) != std::string::npos);
    after["TiXing"] = before["TiXing"];
    FUZZ_CHECK(after == before);

    db.Close();
    sqlite3_close(check);
    return 0;
}
