#include "storage/CAdoDatabase.h"

#include "platform/TrimSpace.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <sqlite3.h>
#include <sys/statvfs.h>
#include <unistd.h>

std::string g_ConnectionString = "data.db";

namespace {

// How long one operation may wait in all for another copy of the program to
// finish writing: it runs on the window's thread.
constexpr int kBusyBudgetMs = 2000;

constexpr const char* kTables[] = {"TiXing", "Festival", "MySetting"};

std::string ErrorOf(sqlite3* db) {
    const char* text = db ? sqlite3_errmsg(db) : "out of memory";
    return text ? text : "";
}

// Errors that mean the files SQLite keeps beside the database (-wal, -shm,
// -journal) cannot be made or written, while the file itself may be readable.
bool CannotWriteBeside(int rc) {
    switch (rc & 0xff) {
    case SQLITE_CANTOPEN:
    case SQLITE_IOERR:
    case SQLITE_FULL:
    case SQLITE_READONLY: return true;
    default: return false;
    }
}

// The header's read and write versions are 2 in WAL mode.
bool HeaderSaysWal(const std::string& path) {
    char header[20] = {};
    std::ifstream file(path, std::ios::binary);
    return file.read(header, sizeof header) && header[18] == 2 && header[19] == 2;
}

std::string ImmutableUri(const std::string& path) {
    static const char hex[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (const char c : path) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
            uri += c;
        } else {
            uri += '%';
            uri += hex[u >> 4];
            uri += hex[u & 15];
        }
    }
    return uri + "?immutable=1";
}

// Why nothing can be written beside `file`, in words for the user.
std::string CannotWriteReason(const std::string& file, const std::string& sqliteText) {
    const std::string folder = std::filesystem::path(file).parent_path().string();
    std::string reason;
    struct statvfs space {};
    if (::access(file.c_str(), W_OK) != 0)
        reason = "没有写入这个文件的权限";
    else if (::access(folder.c_str(), W_OK) != 0)
        reason = errno == EROFS ? "文件夹 " + folder + " 在只读的磁盘上"
                                : "没有在文件夹 " + folder + " 中写入的权限";
    else if (::statvfs(folder.c_str(), &space) == 0 && space.f_bavail == 0)
        reason = "磁盘已满";
    else
        reason = "无法在文件夹 " + folder + " 中建立数据库的日志文件（-wal、-shm）";
    return "数据库文件 " + file + " 现在只能读取，所做的修改不能保存：" + reason + "（" +
           sqliteText + "）。";
}

std::string MissingTablesText(const std::string& missing) {
    return "文件中没有 " + missing + " 表，它不是本程序的数据库或已经损坏；文件没有被改动。";
}

// The read-only state of the file last opened, and whether the user was told.
struct ReadOnlyNote {
    std::mutex mutex;
    std::string file, notice;
    bool told = false;
};

ReadOnlyNote& Note() {
    static ReadOnlyNote note;
    return note;
}

} // namespace

// ---------------------------------------------------------------- CAdoDatabase

CAdoDatabase::CAdoDatabase(std::string connectionString)
    : m_ConnectionString(std::move(connectionString)) {}

CAdoDatabase::~CAdoDatabase() {
    Close();
}

void CAdoDatabase::SetConnectionString(std::string connectionString) {
    m_ConnectionString = std::move(connectionString);
}

void CAdoDatabase::SetTask(std::string task) {
    m_Task = std::move(task);
}

std::string CAdoDatabase::FullPath() const {
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(m_ConnectionString, error);
    return error ? m_ConnectionString : full.lexically_normal().string();
}

void CAdoDatabase::Fail(std::string_view detail) const {
    throw DbError(DatabaseErrorText(m_Task, FullPath(), detail));
}

int CAdoDatabase::OnBusy(void* self, int count) {
    static constexpr int kSteps[] = {1, 2, 5, 10, 15, 20, 25, 25, 25, 50, 50, 100};
    auto& db = *static_cast<CAdoDatabase*>(self);
    const int left = kBusyBudgetMs - db.m_BusyWaitedMs;
    if (!db.m_WaitWhenBusy || left <= 0)
        return 0;
    const int step = count < static_cast<int>(std::size(kSteps)) ? kSteps[count] : 100;
    db.m_BusyWaitedMs += sqlite3_sleep(std::min(step, left));
    return 1;
}

void CAdoDatabase::Connect(const std::string& name, int flags) {
    sqlite3* db = nullptr;
    // A connection belongs to the one operation (and thread) that opened it,
    // so SQLite's per-call locking would only cost time.
    if (sqlite3_open_v2(name.c_str(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        const std::string text = ErrorOf(db);
        sqlite3_close(db);
        Fail(text);
    }
    sqlite3_busy_handler(db, &CAdoDatabase::OnBusy, this);
    // Sorting a few thousand full rows (the calendar's birthday query) must not
    // spill to temporary files.
    sqlite3_exec(db, "PRAGMA temp_store=MEMORY", nullptr, nullptr, nullptr);
    m_Db = db;
}

void CAdoDatabase::Disconnect() {
    if (m_Db) {
        sqlite3_close_v2(m_Db);
        m_Db = nullptr;
    }
}

// Reading the table list is also the first read of the file: it finds a
// locked, unreadable or foreign file before anything is written to it.
int CAdoDatabase::FindMissingTables(std::string& missing) const {
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(m_Db, "SELECT name FROM sqlite_master WHERE type='table'", -1,
                                &statement, nullptr);
    std::vector<std::string> names;
    while (rc == SQLITE_OK || rc == SQLITE_ROW) {
        rc = sqlite3_step(statement);
        if (const unsigned char* name =
                rc == SQLITE_ROW ? sqlite3_column_text(statement, 0) : nullptr)
            names.emplace_back(reinterpret_cast<const char*>(name));
    }
    sqlite3_finalize(statement);
    if (rc != SQLITE_DONE)
        return rc;
    missing.clear();
    for (const char* table : kTables)
        if (std::none_of(names.begin(), names.end(),
                         [table](const std::string& name) { return EqualsNoCase(name, table); }))
            missing += (missing.empty() ? "" : "、") + std::string(table);
    return SQLITE_OK;
}

int CAdoDatabase::StartWal() {
    // Asking first: switching a file that is already in WAL would wait for
    // every other copy of the program to let go of it.
    sqlite3_stmt* statement = nullptr;
    std::string mode;
    if (sqlite3_prepare_v2(m_Db, "PRAGMA journal_mode", -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW && sqlite3_column_text(statement, 0))
        mode = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    sqlite3_finalize(statement);
    if (EqualsNoCase(mode, "wal"))
        return SQLITE_OK;
    // WAL lets readers and one writer work side by side. A file another copy
    // is using keeps its journal this time, without waiting.
    m_WaitWhenBusy = false;
    int rc = sqlite3_exec(m_Db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    m_WaitWhenBusy = true;
    // The switch itself only marks the file; whether the -wal and -shm can
    // be made shows at the next read.
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(m_Db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    return rc;
}

void CAdoDatabase::OpenForReadingOnly(const std::string& why) {
    const std::string path = FullPath();
    Disconnect();
    std::string missing;
    Connect(path, SQLITE_OPEN_READONLY);
    if (FindMissingTables(missing) != SQLITE_OK) {
        // A WAL file whose -shm cannot be made is readable only as immutable,
        // and then only when no changes wait in its -wal.
        Disconnect();
        std::error_code error;
        const auto walSize = std::filesystem::file_size(path + "-wal", error);
        if (!HeaderSaysWal(path) || (!error && walSize > 0))
            Fail(why);
        Connect(ImmutableUri(path), SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
        if (FindMissingTables(missing) != SQLITE_OK)
            Fail(why);
    }
    if (!missing.empty())
        Fail(MissingTablesText(missing));
    m_ReadOnly = true;
    ReadOnlyNote& note = Note();
    const std::lock_guard lock(note.mutex);
    if (note.file != path) {
        note.file = path;
        note.notice = CannotWriteReason(path, why);
        note.told = false;
    }
}

void CAdoDatabase::Open() {
    if (m_Db)
        return;
    m_ReadOnly = false;
    Connect(m_ConnectionString, SQLITE_OPEN_READWRITE);
    try {
        std::string missing;
        const int read = FindMissingTables(missing);
        if (read != SQLITE_OK && CannotWriteBeside(read))
            return OpenForReadingOnly(ErrorOf(m_Db));
        if (read != SQLITE_OK)
            Fail(ErrorOf(m_Db));
        if (!missing.empty())
            Fail(MissingTablesText(missing));
        // SQLite opens a write-protected file for reading without a word.
        if (sqlite3_db_readonly(m_Db, "main") == 1)
            return OpenForReadingOnly("attempt to write a readonly database");
        const int wal = StartWal();
        if (wal != SQLITE_OK && CannotWriteBeside(wal))
            return OpenForReadingOnly(ErrorOf(m_Db));
        // Any other failure to switch (another copy using the file in its old
        // journal mode) leaves that mode for this time: it works, only less well.
    } catch (...) {
        Disconnect();
        throw;
    }
    ReadOnlyNote& note = Note();
    const std::lock_guard lock(note.mutex);
    if (note.file == FullPath()) {
        note.file.clear();
        note.notice.clear();
        note.told = false;
    }
}

std::optional<std::string> TakeReadOnlyNotice() {
    ReadOnlyNote& note = Note();
    const std::lock_guard lock(note.mutex);
    if (note.file.empty() || note.told)
        return std::nullopt;
    note.told = true;
    return note.notice;
}

std::string DatabaseErrorText(std::string_view task, std::string_view file,
                              std::string_view detail) {
    return std::string(task.empty() ? "访问数据库" : task) + "时出错（" + std::string(file) +
           "）：" + std::string(detail);
}

sqlite3_stmt* CAdoDatabase::Prepare(std::string_view sql) {
    m_HasResult = false;
    m_Columns.clear();
    m_Cells.clear();
    m_Text.clear();
    m_RowCount = 0;
    m_Row = 0;
    if (!m_Db)
        Fail("数据库没有打开。");

    std::string text;
    try {
        text = TranslateJet(sql);
    } catch (const DbError& e) {
        Fail(e.what());
    }
    sqlite3_stmt* statement = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(m_Db, text.c_str(), static_cast<int>(text.size()), &statement, &tail) !=
        SQLITE_OK)
        Fail(ErrorOf(m_Db));
    if (!statement)
        Fail("SQL 语句为空。");
    for (const char* p = tail; p && *p; ++p)
        if (!std::isspace(static_cast<unsigned char>(*p)) && *p != ';') {
            sqlite3_finalize(statement);
            Fail("一次只能执行一条 SQL 语句。");
        }
    return statement;
}

namespace {

struct Finalizer {
    sqlite3_stmt* s;
    ~Finalizer() { sqlite3_finalize(s); }
};

} // namespace

bool CAdoDatabase::NextRow(sqlite3_stmt* statement) {
    const int rc = sqlite3_step(statement);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        Fail(ErrorOf(m_Db));
    return rc == SQLITE_ROW;
}

void CAdoDatabase::ForEachRow(std::string_view sql, const std::function<void()>& visit) {
    sqlite3_stmt* statement = Prepare(sql);
    const Finalizer finalizer{statement};
    const int columns = sqlite3_column_count(statement);
    for (int c = 0; c < columns; ++c)
        m_Columns.emplace_back(sqlite3_column_name(statement, c));
    // Whatever way the walk ends, no row is left to read.
    struct EndOfRows {
        CAdoDatabase& db;
        ~EndOfRows() {
            db.m_Streaming = nullptr;
            db.m_HasResult = false;
            db.m_Columns.clear();
            db.m_RowCount = 0;
        }
    } end{*this};
    m_HasResult = columns > 0;
    m_RowCount = 1; // the row the statement stands on
    while (NextRow(statement)) {
        m_Streaming = statement;
        visit();
    }
}

void CAdoDatabase::Execute(std::string_view sql) {
    sqlite3_stmt* statement = Prepare(sql);
    const Finalizer finalizer{statement};
    const int columns = sqlite3_column_count(statement);
    std::vector<std::string> names;
    for (int c = 0; c < columns; ++c)
        names.emplace_back(sqlite3_column_name(statement, c));
    // The whole result is read at once (a client-side cursor): the count is
    // known up front and the file is not held while the caller walks the rows.
    std::size_t rows = 0;
    while (NextRow(statement)) {
        ++rows;
        for (int c = 0; c < columns; ++c) {
            Cell cell;
            cell.type = sqlite3_column_type(statement, c);
            switch (cell.type) {
            case SQLITE_INTEGER: cell.value = sqlite3_column_int64(statement, c); break;
            case SQLITE_FLOAT:
                cell.value = std::bit_cast<std::int64_t>(sqlite3_column_double(statement, c));
                break;
            case SQLITE_NULL: break;
            default: {
                const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, c));
                cell.value = static_cast<std::int64_t>(m_Text.size());
                cell.length = static_cast<std::uint32_t>(sqlite3_column_bytes(statement, c));
                if (bytes)
                    m_Text.append(bytes, cell.length);
                else
                    cell.length = 0;
            }
            }
            m_Cells.push_back(cell);
        }
    }
    m_Columns = std::move(names);
    m_RowCount = rows;
    m_HasResult = columns > 0;
}

long CAdoDatabase::ChangedRows() const {
    return m_Db ? sqlite3_changes(m_Db) : 0;
}

long CAdoDatabase::GetRecordCount() const {
    return m_HasResult ? static_cast<long>(m_RowCount) : -1;
}

bool CAdoDatabase::IsEOF() const {
    return !m_HasResult || m_Row >= m_RowCount;
}

DbValue CAdoDatabase::GetCollect(std::string_view column) const {
    if (!m_HasResult)
        return {};
    // Callers nearly always spell the name as the table does, and mostly read
    // a row's columns in the table's order: try the column after the last
    // one read, then look for the exact name, then for any case of it.
    std::size_t c = m_LastColumn + 1;
    if (c >= m_Columns.size() || m_Columns[c] != column) {
        c = 0;
        while (c < m_Columns.size() && m_Columns[c] != column)
            ++c;
    }
    if (c == m_Columns.size()) {
        c = 0;
        while (c < m_Columns.size() && !EqualsNoCase(m_Columns[c], column))
            ++c;
    }
    if (c == m_Columns.size())
        Fail("数据表中没有列 " + std::string(column) + "。");
    m_LastColumn = c;
    return ValueAt(c);
}

DbValue CAdoDatabase::ValueAt(std::size_t column) const {
    if (!m_HasResult)
        return {};
    if (column >= m_Columns.size())
        Fail("数据表中没有第 " + std::to_string(column + 1) + " 列。");
    if (m_Row >= m_RowCount)
        Fail("当前没有记录可读。");
    if (m_Streaming) {
        // One call for the column, then its value read directly: the
        // column functions would lock the connection for each of them.
        sqlite3_value* value = sqlite3_column_value(m_Streaming, static_cast<int>(column));
        switch (sqlite3_value_type(value)) {
        case SQLITE_INTEGER: return DbValue::Integer(sqlite3_value_int64(value));
        case SQLITE_FLOAT: return DbValue::Real(sqlite3_value_double(value));
        case SQLITE_NULL: return DbValue::Null();
        default: {
            const auto* bytes = static_cast<const char*>(sqlite3_value_blob(value));
            return DbValue::Text(
                bytes ? std::string(bytes, static_cast<std::size_t>(sqlite3_value_bytes(value)))
                      : std::string());
        }
        }
    }
    const Cell& cell = m_Cells[m_Row * m_Columns.size() + column];
    switch (cell.type) {
    case SQLITE_INTEGER: return DbValue::Integer(cell.value);
    case SQLITE_FLOAT: return DbValue::Real(std::bit_cast<double>(cell.value));
    case SQLITE_NULL: return DbValue::Null();
    default: return DbValue::Text(m_Text.substr(static_cast<std::size_t>(cell.value), cell.length));
    }
}

void CAdoDatabase::ReadTextAt(std::size_t column, std::string& text) const {
    if (m_Streaming && column < m_Columns.size()) {
        sqlite3_value* value = sqlite3_column_value(m_Streaming, static_cast<int>(column));
        if (sqlite3_value_type(value) == SQLITE_TEXT) {
            // The bytes as stored (the text functions would first copy them
            // to end them with a zero), into the string's own room where it
            // suffices.
            const auto* bytes = static_cast<const char*>(sqlite3_value_blob(value));
            const auto size = static_cast<std::size_t>(sqlite3_value_bytes(value));
            if (bytes)
                text.assign(bytes, size);
            else
                text.clear();
            return;
        }
    }
    text = ValueAt(column).AsString();
}

void CAdoDatabase::MoveNext() {
    if (m_HasResult && m_Row < m_RowCount)
        ++m_Row;
}

void CAdoDatabase::Close() {
    m_HasResult = false;
    m_Columns.clear();
    m_Cells.clear();
    m_Text.clear();
    m_RowCount = 0;
    Disconnect();
}
