#include "reminders/ReminderListRows.h"

#include "platform/Prompter.h"
#include "reminders/BirthdayEvaluation.h"
#include "settings/AppInfo.h"
#include "storage/CAdoDatabase.h"

#include <algorithm>
#include <cmath>

void SortByBirthdayThisYear(ReminderList& list) {
    std::stable_sort(list.begin(), list.end(),
                     [](const ReminderRecord& a, const ReminderRecord& b) {
                         return a.birthdayThisYear > b.birthdayThisYear;
                     });
}

RowColour ReminderRowColour(const std::string& shownState, const DateTime& birthdayThisYear,
                            const DateTime& now) {
    const double span = birthdayThisYear - now;
    const bool passed = std::isnan(span) || span < 0;
    if (shownState == "进行")
        return {255, 128, 255};
    if (shownState == "将到")
        return {111, 183, 255};
    if (shownState == "失效")
        return {192, 192, 192};
    if (shownState == "提前")
        return passed ? RowColour{255, 128, 255} : RowColour{0, 255, 128};
    return passed ? RowColour{255, 255, 128} : RowColour{0, 255, 128};
}

std::vector<ReminderRow> BuildReminderRows(const ReminderList& list, const DateTime& now) {
    std::vector<ReminderRow> rows;
    rows.reserve(list.size());
    int position = 0;
    for (const ReminderRecord& record : list) {
        ReminderRow row;
        const std::string shown = ShownState(record.state, record.birthdayThisYear, now);
        row.cells[kColumnId] = std::to_string(record.id);
        row.cells[kColumnState] = shown;
        row.cells[kColumnName] = record.name;
        row.cells[kColumnAhead] = std::to_string(AheadCode{record.ahead}.AheadDays());
        row.cells[kColumnCalendar] = record.calendar;
        row.cells[kColumnBirth] = record.birth.Format("%Y-%m-%d");
        row.cells[kColumnThisYear] = ThisYearText(record);
        row.cells[kColumnPosition] = std::to_string(position++);
        row.cells[kColumnDaysToGo] = DaysToNextBirthdayText(record, now);
        row.colour = ReminderRowColour(shown, record.birthdayThisYear, now);
        rows.push_back(std::move(row));
    }
    return rows;
}

bool ToggleSwitchesOff(const std::string& shownState) {
    return shownState == "生效" || shownState == "进行" || shownState == "已过";
}

std::string ToggleCaption(const std::string& shownState) {
    return shownState == "失效" ? "生效(&S)" : "失效(&S)";
}

BirthDate BirthFromListText(const std::string& text) {
    // Year up to the first "-", month between the first and the last, day after the last.
    const std::size_t first = text.find('-');
    const std::size_t last = text.rfind('-');
    if (first == std::string::npos || first == last)
        return {};
    auto number = [](const std::string& part) {
        return part.empty() || part.find_first_not_of("0123456789") != std::string::npos
                   ? -1
                   : std::stoi(part);
    };
    return BirthDate(number(text.substr(0, first)),
                     number(text.substr(first + 1, last - first - 1)),
                     number(text.substr(last + 1)), 1, 1, 1);
}

namespace {

// One write on its own connection; a failure is shown and reported as false.
template <typename MakeSql>
bool Write(const std::string& task, Prompter& prompter, MakeSql makeSql) {
    try {
        const std::string sql = makeSql();
        CAdoDatabase db;
        db.SetConnectionString(g_ConnectionString);
        db.SetTask(task);
        db.Open();
        db.Execute(sql);
        db.Close();
        return true;
    } catch (const DbError& error) {
        prompter.Tell(error.what());
        return false;
    }
}

} // namespace

bool DeleteReminder(const std::string& idText, const std::string& name, Prompter& prompter) {
    if (prompter.Ask("你确定要删除关于 " + name + " 的生日提醒吗?", kAppTitle,
                     PromptButtons::OkCancel, PromptIcon::Question) != PromptAnswer::Ok)
        return false;
    if (Write("删除" + name + "的生日提醒", prompter,
              [&] { return SqlFormat("DELETE from TiXing where ID=%s", idText); }))
        prompter.Tell("删除 " + name + " 的生日提醒成功!");
    return true;
}

void ToggleReminder(int id, const std::string& shownState, Prompter& prompter) {
    const char* format = ToggleSwitchesOff(shownState)
                             ? "Update TiXing Set m_State='失效' Where ID=%d"
                             : "Update TiXing Set m_State='生效' Where ID=%d";
    Write("更改提醒状态", prompter, [&] { return SqlFormat(format, id); });
}
