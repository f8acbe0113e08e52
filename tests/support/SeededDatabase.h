#pragma once
// A fresh data.db made from the shipped seed in a temporary directory. While
// the object lives, the program's database operations use it.

#include "TempDir.h"
#include "reminders/CAdoDatabase.h"
#include "reminders/DatabaseSeed.h"

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

    // Runs one statement on its own connection, as every operation does.
    void Run(const std::string& sql) const {
        CAdoDatabase db(m_Path);
        db.Open();
        db.Execute(sql);
    }

    // The named column of every row the query returns, as text.
    std::vector<std::string> Column(const std::string& sql, const std::string& column) const {
        CAdoDatabase db(m_Path);
        db.Open();
        db.Execute(sql);
        std::vector<std::string> values;
        for (; !db.IsEOF(); db.MoveNext())
            values.push_back(db.GetCollect(column).AsString());
        return values;
    }

    std::string Value(const std::string& sql, const std::string& column) const {
        const std::vector<std::string> values = Column(sql, column);
        return values.empty() ? "(no row)" : values.front();
    }

private:
    TempDir m_Dir;
    std::string m_Path;
    std::string m_Saved;
};
