#include "PeopleGenerator.h"

#include "calendar/LunarCalendar.h"
#include "storage/CAdoDatabase.h"
#include "storage/DatabaseSeed.h"

#include <algorithm>
#include <array>
#include <random>
#include <unistd.h>
#include <unordered_set>

namespace {

constexpr std::array kSurnames = {
    "王", "李", "张", "刘", "陈", "杨", "黄", "赵", "吴", "周", "徐",   "孙",   "马",   "朱",  "胡",
    "郭", "何", "高", "林", "罗", "郑", "梁", "谢", "宋", "唐", "许",   "韩",   "冯",   "邓",  "曹",
    "彭", "曾", "肖", "田", "董", "袁", "潘", "于", "蒋", "蔡", "欧阳", "司马", "诸葛", "上官"};
constexpr std::array kGiven = {"伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋",
                               "勇", "艳", "杰", "娟", "涛", "明", "超", "秀", "霞", "平",
                               "刚", "桂", "英", "华", "玉", "兰", "文", "辉", "建", "国",
                               "晓", "红", "燕", "鹏", "宇", "浩", "婷", "欣", "怡", "博"};
constexpr std::array kGroups = {"家人", "朋友", "同学", "同事"};
constexpr std::array kStates = {"生效", "生效", "生效", "生效", "失效", "将到", "进行"};
constexpr std::array kSounds = {"", "HAPPYBIRTHDAY", "/home/user/音乐/生日快乐.mp3"};

} // namespace

std::vector<GeneratedPerson> GeneratePeople(std::size_t count, std::uint32_t seed) {
    std::mt19937 random(seed);
    auto pick = [&](std::size_t size) {
        return std::uniform_int_distribution<std::size_t>(0, size - 1)(random);
    };
    auto chance = [&](int percent) { return static_cast<int>(pick(100)) < percent; };
    const CLunarCalendar lunar;

    std::vector<GeneratedPerson> people;
    people.reserve(count);
    std::unordered_set<std::string> names;
    while (people.size() < count) {
        GeneratedPerson p;
        p.name = std::string(kSurnames[pick(kSurnames.size())]) + kGiven[pick(kGiven.size())];
        if (chance(70))
            p.name += kGiven[pick(kGiven.size())];
        // Namesakes get a number, as people tell them apart in an address book.
        for (int n = 2; !names.insert(p.name).second; ++n)
            p.name = p.name.substr(0, p.name.find_first_of("0123456789")) + std::to_string(n);

        const int year = 1950 + static_cast<int>(pick(61));
        const int month = 1 + static_cast<int>(pick(12));
        p.isValid = chance(80) ? 1 : 0;
        // The reminder editor stores 23:59:59, the address book midnight.
        const int hour = p.isValid ? 23 : 0, minute = p.isValid ? 59 : 0;
        if (chance(33)) {
            p.calendar = "阴历";
            // The stored date holds the lunar month and day, so it must also be
            // a real Gregorian date (no lunar 2-30).
            const int days = std::min(
                lunar.LunarMonthDays(year, month) > 0 ? lunar.LunarMonthDays(year, month) : 29,
                DateTime::DaysInMonth(year, month));
            p.birth = DateTime(year, month, 1 + static_cast<int>(pick(days)), hour, minute, minute);
        } else {
            p.calendar = "阳历";
            p.birth = DateTime(year, month,
                               1 + static_cast<int>(pick(DateTime::DaysInMonth(year, month))), hour,
                               minute, minute);
        }
        p.state = kStates[pick(kStates.size())];
        p.ahead = 11 * static_cast<int>(pick(8));
        p.sound = kSounds[pick(kSounds.size())];
        p.email = "user" + std::to_string(people.size()) + "@example.com";
        if (chance(40)) {
            p.title = "来自小李的生日祝福！";
            p.content = "想念的话，说也说不完，关怀的心，永远不改变。一串真挚的祝福，一个不平凡的"
                        "心意，衷心地祝愿你生日快乐！";
        }
        p.mobile = "13" + std::to_string(100000000 + pick(900000000));
        p.group = kGroups[pick(kGroups.size())];
        people.push_back(std::move(p));
    }
    return people;
}

void InsertPeople(const std::string& databasePath, const std::vector<GeneratedPerson>& people) {
    CAdoDatabase db(databasePath);
    db.Open();
    db.Execute("BEGIN");
    for (const GeneratedPerson& p : people)
        db.Execute(SqlFormat("Insert Into TiXing(m_State,m_Name,m_Date,m_DateStatus,m_SoundPath,"
                             "m_Email,m_Title,m_Content,m_Ahead,m_IsVailid,m_Mobile,m_Group)"
                             "Values('%s','%s',%s,'%s','%s','%s','%s','%s',%d,%d,'%s','%s')",
                             p.state, p.name, p.birth.Format("#%Y-%m-%d %H:%M:%S#"), p.calendar,
                             p.sound, p.email, p.title, p.content, p.ahead, p.isValid, p.mobile,
                             p.group));
    db.Execute("COMMIT");
}

std::string MakePeopleDatabase(const std::filesystem::path& directory, std::size_t count,
                               std::uint32_t seed) {
    const std::string path = (directory / "data.db").string();
    CreateDatabaseFromSeed(path);
    InsertPeople(path, GeneratePeople(count, seed));
    return path;
}

PeopleDirectory::PeopleDirectory(std::size_t count)
    : m_Path(std::filesystem::temp_directory_path() /
             ("annivo-bench-" + std::to_string(::getpid()))) {
    std::filesystem::remove_all(m_Path);
    std::filesystem::create_directories(m_Path);
    m_Database = MakePeopleDatabase(m_Path, count);
}

PeopleDirectory::~PeopleDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(m_Path, ignored);
}
