#pragma once
// Another program's connection to a database file, holding a lock on it
// until Release or the end of the object.

#include <sqlite3.h>

#include <stdexcept>
#include <string>

class SecondConnection {
public:
    // `begin`: "BEGIN IMMEDIATE" takes the write lock; "BEGIN EXCLUSIVE" on a
    // file in rollback mode keeps readers out too.
    SecondConnection(const std::string& path, const char* begin) {
        if (sqlite3_open_v2(path.c_str(), &m_Db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
            sqlite3_exec(m_Db, begin, nullptr, nullptr, nullptr) != SQLITE_OK) {
            const std::string text = sqlite3_errmsg(m_Db);
            sqlite3_close(m_Db);
            throw std::runtime_error("cannot lock " + path + ": " + text);
        }
    }
    ~SecondConnection() { Release(); }
    SecondConnection(const SecondConnection&) = delete;
    SecondConnection& operator=(const SecondConnection&) = delete;

    void Release() {
        if (m_Db) {
            sqlite3_exec(m_Db, "ROLLBACK", nullptr, nullptr, nullptr);
            sqlite3_close(m_Db);
            m_Db = nullptr;
        }
    }

private:
    sqlite3* m_Db = nullptr;
};
