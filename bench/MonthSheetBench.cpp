// One refresh of the calendar's month sheet (FillMonth + FillCellTexts) with
// 10,000 people in the database. Goal: at most 20 ms. The second benchmark is
// the floor under it: SQLite alone stepping through the birthday query.
//
//   build/bench/annivo_bench_month_sheet

#include "calendar/CMonthSheet.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <random>
#include <sqlite3.h>
#include <stdexcept>
#include <string>

namespace {

constexpr int kPeople = 10000;

// Any message box here means the database is broken; the run stops.
class FailingPrompter final : public Prompter {
public:
    PromptAnswer Ask(const std::string& text, const std::string&, PromptButtons,
                     PromptIcon) override {
        throw std::runtime_error(text);
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

class FixedClock final : public Clock {
public:
    DateTime Now() const override { return DateTime(2011, 1, 15, 9, 30); }
};

void Exec(sqlite3* db, const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string text = error ? error : "sqlite error";
        sqlite3_free(error);
        throw std::runtime_error(text);
    }
}

void RemoveDatabase(const std::string& path) {
    for (const char* suffix : {"", "-wal", "-shm"})
        std::filesystem::remove(path + suffix);
}

// A people table filled the way the reminder editor and the address book fill it.
std::string MakeDatabase() {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / "annivo-bench-month-sheet.db";
    RemoveDatabase(path.string());
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK)
        throw std::runtime_error("cannot create " + path.string());
    Exec(db, "CREATE TABLE Festival (编号 INTEGER PRIMARY KEY AUTOINCREMENT, [Class] INTEGER,"
             " GorN INTEGER, [Month] INTEGER, [Day] INTEGER, FestivalName TEXT)");
    Exec(db, "CREATE TABLE TiXing (ID INTEGER PRIMARY KEY AUTOINCREMENT, m_Name TEXT,"
             " m_DateStatus TEXT, m_Date DATETIME, m_IsVailid INTEGER DEFAULT 1, m_State TEXT,"
             " m_Ahead INTEGER, m_SoundPath TEXT, m_Email TEXT, m_Title TEXT, m_Content TEXT,"
             " m_Mobile TEXT, m_QQ TEXT, m_Group TEXT, m_Company TEXT, m_Department TEXT,"
             " m_Position TEXT, m_CompTel TEXT, m_CompAddr TEXT, m_Fax TEXT, m_HomeTel TEXT,"
             " m_HomeAddr TEXT)");
    Exec(db, "BEGIN");
    const char* festivals[] = {
        "0,1,1,1,'元旦'",    "0,0,1,1,'春节'",    "1,0,1,15,'元宵节'",  "2,1,2,14,'情人节'",
        "1,1,3,8,'妇女节'",  "1,1,3,12,'植树节'", "2,1,4,1,'愚人节'",   "0,1,5,1,'劳动节'",
        "1,1,5,4,'青年节'",  "0,0,5,5,'端午节'",  "1,1,6,1,'儿童节'",   "1,1,7,1,'建党节'",
        "1,0,7,7,'七夕'",    "1,1,8,1,'建军节'",  "1,1,9,10,'教师节'",  "0,0,8,15,'中秋节'",
        "0,1,10,1,'国庆节'", "1,0,9,9,'重阳节'",  "2,1,12,25,'圣诞节'", "1,0,12,8,'腊八节'",
    };
    for (const char* values : festivals)
        Exec(db, std::string(
                     "INSERT INTO Festival ([Class],GorN,[Month],[Day],FestivalName) VALUES (") +
                     values + ")");
    std::mt19937 random(20110115);
    const char* surnames[] = {"张", "王", "李", "赵", "陈", "刘", "杨", "黄", "周", "吴"};
    for (int i = 0; i < kPeople; ++i) {
        const bool lunar = random() % 3 == 0;
        const int month = 1 + random() % 12;
        const int day = 1 + random() % (lunar ? 30 : DateTime::DaysInMonth(2000, month));
        char date[32];
        std::snprintf(date, sizeof date, "%04d-%02d-%02d 23:59:59",
                      1950 + static_cast<int>(random() % 60), month,
                      lunar && day > 28 && month == 2 ? 28 : day);
        const std::string name = std::string(surnames[i % 10]) + "友" + std::to_string(i);
        Exec(
            db,
            "INSERT INTO TiXing (m_Name,m_DateStatus,m_Date,m_IsVailid,m_State,m_Ahead,"
            "m_SoundPath,m_Email,m_Title,m_Content,m_Mobile,m_QQ,m_Group,m_Company,"
            "m_Department,m_Position,m_CompTel,m_CompAddr,m_Fax,m_HomeTel,m_HomeAddr) VALUES ('" +
                name + "','" + (lunar ? "阴历" : "阳历") + "','" + date + "'," +
                std::to_string(i % 5 == 0 ? 0 : 1) + ",'生效',33,'HAPPYBIRTHDAY','friend" +
                std::to_string(i) +
                "@example.com','生日快乐','祝你生日快乐，身体健康，万事如意，天天开心！',"
                "'13800000000','12345678','同学','某某公司','研发部','工程师','010-12345678',"
                "'北京市海淀区某某路1号','010-87654321','010-11111111','北京市朝阳区某某小区2号')");
    }
    Exec(db, "COMMIT");
    sqlite3_close(db);
    return path.string();
}

std::string g_DatabasePath; // made by the first benchmark that needs it

const std::string& DatabasePath() {
    if (g_DatabasePath.empty())
        g_DatabasePath = MakeDatabase();
    return g_DatabasePath;
}

void FillMonthWithTenThousandPeople(benchmark::State& state) {
    const std::string& path = DatabasePath();
    FixedClock clock;
    FailingPrompter prompter;
    CMonthSheet sheet(clock, prompter, path);
    std::size_t entries = 0;
    for (auto _ : state) {
        sheet.FillMonth(2011, 1);
        sheet.FillCellTexts(2011, 1, FestivalOptions{});
        entries = sheet.Festivals().size();
        benchmark::DoNotOptimize(sheet.Labels().data());
    }
    state.counters["festival_entries"] = static_cast<double>(entries);
}

void SqliteAloneStepsThroughTheBirthdayQuery(benchmark::State& state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(DatabasePath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    for (auto _ : state) {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, "Select * from TiXing Where m_IsVailid=1 Order By m_Date", -1,
                           &statement, nullptr);
        std::size_t bytes = 0;
        while (sqlite3_step(statement) == SQLITE_ROW)
            for (int c = 0; c < sqlite3_column_count(statement); ++c)
                bytes += sqlite3_column_bytes(statement, c);
        sqlite3_finalize(statement);
        benchmark::DoNotOptimize(bytes);
    }
    sqlite3_close(db);
}

} // namespace

BENCHMARK(FillMonthWithTenThousandPeople)->Unit(benchmark::kMillisecond);
BENCHMARK(SqliteAloneStepsThroughTheBirthdayQuery)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!g_DatabasePath.empty())
        RemoveDatabase(g_DatabasePath);
}
