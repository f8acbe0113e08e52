#pragma once
// Another program's connection to a database file. It has run `sql` (such as
// "BEGIN IMMEDIATE", which takes the write lock) and holds what it took until
// it is dropped.

#include <sqlite3.h>

#include <memory>
#include <string>

using SecondConnection = std::unique_ptr<sqlite3, decltype(&sqlite3_close)>;

inline SecondConnection OpenSecondConnection(const std::string& path, const char* sql) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    return {db, &sqlite3_close};
}
