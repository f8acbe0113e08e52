#pragma once
// Made-up people for benchmarks: realistic names, a mix of lunar and
// Gregorian birth dates, reminders and address-book contacts. The same seed
// always gives the same people.

#include "platform/Clock.h"
#include "platform/DateTime.h"
#include "platform/Prompter.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct GeneratedPerson {
    std::string name;     // unique, at most 20 GB18030 bytes
    std::string calendar; // "阳历" or "阴历"
    DateTime birth;       // for "阴历" the lunar month and day
    int isValid = 1;      // 1 reminder, 0 contact
    std::string state;    // "生效", "失效", "将到" or "进行"
    int ahead = 0;        // 11 x N
    std::string sound;
    std::string email;
    std::string title;
    std::string content;
    std::string mobile;
    std::string group;
};

// About four in five are reminders; about a third have lunar birth dates.
std::vector<GeneratedPerson> GeneratePeople(std::size_t count, std::uint32_t seed = 2011);

// Appends the people to TiXing of an existing database file, in one transaction.
void InsertPeople(const std::string& databasePath, const std::vector<GeneratedPerson>& people);

// A new data.db from the shipped seed in `directory`, holding `count`
// generated people. Returns its path.
std::string MakePeopleDatabase(const std::filesystem::path& directory, std::size_t count,
                               std::uint32_t seed = 2011);

// A clock standing still at the moment a benchmark is about.
class FixedNow final : public Clock {
public:
    explicit FixedNow(DateTime now) : m_Now(now) {}
    DateTime Now() const override { return m_Now; }

private:
    DateTime m_Now;
};

// A temporary directory holding a data.db with `count` generated people,
// removed again at the end.
class PeopleDirectory {
public:
    explicit PeopleDirectory(std::size_t count);
    ~PeopleDirectory();
    PeopleDirectory(const PeopleDirectory&) = delete;
    PeopleDirectory& operator=(const PeopleDirectory&) = delete;
    const std::string& Database() const { return m_Database; }

private:
    std::filesystem::path m_Path;
    std::string m_Database;
};

// Answers every message box with OK and counts them: a benchmark whose
// operation reported an error is not measuring what it claims.
class CountingPrompter final : public Prompter {
public:
    int told = 0;
    PromptAnswer Ask(const std::string&, const std::string&, PromptButtons, PromptIcon) override {
        ++told;
        return PromptAnswer::Ok;
    }
    std::string ChooseOpenFile(const std::string&, const std::string&,
                               const std::string&) override {
        return {};
    }
    std::string ChooseSaveFile(const std::string&, const std::string&,
                               const std::string&) override {
        return {};
    }
};
