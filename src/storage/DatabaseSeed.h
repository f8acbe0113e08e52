#pragma once
// The schema and first contents of a new data.db (res/data.sql, built into
// the program). The build makes the shipped file from it; tests make fresh
// databases with it.

#include <string>
#include <string_view>

std::string_view DatabaseSeedSql();

// Creates a new database file at `path` from the seed. An existing file is
// never touched: that throws DbError. A seed that fails leaves no file behind.
void CreateDatabaseFromSeed(const std::string& path);
