#pragma once
// A fresh data.db made from the shipped seed in a temporary directory. While
// the object lives, the program's database operations use it.

#include "TempDir.h"
#include "storage/CAdoDatabase.h"
#include "storage/DatabaseSeed.h"

#include <string>

class SeededDatabase {
public:
    SeededDatabase() : m_Path(m_Dir.File("data.db")), m_Saved(g_ConnectionString) {
        CreateDatabaseFromSeed(m_Path);
        g_ConnectionString = m_Path;
    }
    ~SeededDatabase() { g_ConnectionString = m_Saved; }
    SeededDatabase(const SeededDatabase&) = delete;
    SeededDatabase& operator=(const SeededDatabase&) = delete;

    const std::string& Path() const { return m_Path; }
    const TempDir& Dir() const { return m_Dir; }

    // The named column of every row the statement returns, as text. Each call
    // runs on its own connection, as every operation of the program does.
    std::vector<std::string> Column(const std::string& sql, const std::string& column) const {
        CAdoDatabase db(m_Path);
        db.Open();
        db.Execute(sql);
        std::vector<std::string> values;
        for (; !db.IsEOF(); db.MoveNext())
            values.push_back(db.GetCollect(column).AsString());
        return values;
    }
    void Run(const std::string& sql) const { Column(sql, {}); }

    std::string Value(const std::string& sql, const std::string& column) const {
        const std::vector<std::string> values = Column(sql, column);
        return values.empty() ? "(no row)" : values.front();
    }

private:
    TempDir m_Dir;
    std::string m_Path;
    std::string m_Saved;
};
