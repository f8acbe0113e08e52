#include "storage/DatabaseSeed.h"

#include "storage/CAdoDatabase.h"
#include "storage/DatabaseSeedSql.inc"

#include <cerrno>
#include <filesystem>
#include <sqlite3.h>
#include <unistd.h>

std::string_view DatabaseSeedSql() {
    return {reinterpret_cast<const char*>(kDatabaseSeedSql), sizeof kDatabaseSeedSql};
}

namespace {

std::string AlreadyThere(const std::string& path) {
    return "数据库文件已存在，不会覆盖：" + path;
}

// Runs the whole seed in one transaction into a new file at `path`.
void WriteSeed(const std::string& path) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        const std::string text = db ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close(db);
        throw DbError("无法创建数据库文件 " + path + "：" + text);
    }
    const std::string script = "BEGIN;\n" + std::string(DatabaseSeedSql()) + "\nCOMMIT;";
    char* error = nullptr;
    if (sqlite3_exec(db, script.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string text = error ? error : sqlite3_errmsg(db);
        sqlite3_free(error);
        sqlite3_close(db);
        throw DbError("数据库初始内容有误：" + text);
    }
    sqlite3_close(db);
}

} // namespace

void CreateDatabaseFromSeed(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ignored;
    if (fs::exists(path, ignored))
        throw DbError(AlreadyThere(path));

    // Build the file under a private name and move it into place only when
    // it is complete, so nobody ever opens a half-written database.
    const std::string partial = path + ".partial-" + std::to_string(::getpid());
    fs::remove(partial, ignored);
    try {
        WriteSeed(partial);
    } catch (...) {
        fs::remove(partial, ignored);
        fs::remove(partial + "-journal", ignored);
        throw;
    }
    // link() refuses an existing target, so a file that appeared meanwhile
    // (another build, the user) survives.
    if (::link(partial.c_str(), path.c_str()) != 0) {
        const int error = errno;
        if (error == EEXIST || fs::exists(path, ignored)) {
            fs::remove(partial, ignored);
            throw DbError(AlreadyThere(path));
        }
        // A file system without hard links: fall back to a plain move.
        std::error_code moveError;
        fs::rename(partial, path, moveError);
        if (moveError) {
            fs::remove(partial, ignored);
            throw DbError("无法创建数据库文件 " + path + "：" + moveError.message());
        }
        return;
    }
    fs::remove(partial, ignored);
}
