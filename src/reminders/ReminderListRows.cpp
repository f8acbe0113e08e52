#include "reminders/ReminderListRows.h"

#include "platform/Prompter.h"
#include "reminders/BirthdayEvaluation.h"
#include "settings/AppInfo.h"
#include "storage/CAdoDatabase.h"

#include <algorithm>
#include <cmath>

void SortByBirthdayThisYear(ReminderList& list) {
    // Refreshed again and again, the list is mostly sorted already.
    if (std::is_sorted(list.begin(), list.end(),
                       [](const ReminderRecord& a, const ReminderRecord& b) {
                           return a.birthdayThisYear > b.birthdayThisYear;
                       }))
        return;
    // The dates are sorted beside their places, not the records (a few
    // hundred bytes each, read from all over memory); each record then moves
    // once, within the list, along the cycles of the new order.
    std::vector<std::pair<DateTime, std::size_t>> order(list.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = {list[i].birthdayThisYear, i};
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<std::size_t> from(order.size()); // the place each place takes its record from
    for (std::size_t place = 0; place < from.size(); ++place)
        from[place] = order[place].second;
    for (std::size_t start = 0; start < from.size(); ++start) {
        if (from[start] == start)
            continue;
        ReminderRecord held = std::move(list[start]);
        std::size_t place = start;
        while (from[place] != start) {
            const std::size_t next = from[place];
            list[place] = std::move(list[next]);
            from[place] = place;
            place = next;
        }
        list[place] = std::move(held);
        from[place] = place;
    }
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

std::vector<ShownReminder> ShownReminders(const ReminderList& list, const DateTime& now) {
    std::vector<ShownReminder> shown;
    shown.reserve(list.size());
    int position = 0;
    for (const ReminderRecord& record : list) {
        ShownReminder row;
        row.id = record.id;
        row.shownState = ShownState(record.state, record.birthdayThisYear, now);
        row.name = record.name;
        row.aheadDays = AheadCode{record.ahead}.AheadDays();
        row.calendar = record.calendar;
        row.birth = record.birth;
        row.birthdayThisYear = record.birthdayThisYear;
        row.daysToGo = DaysToNextBirthday(record, now);
        row.position = position++;
        row.colour = ReminderRowColour(row.shownState, record.birthdayThisYear, now);
        shown.push_back(std::move(row));
    }
    return shown;
}

std::array<std::string, kReminderColumnCount> ReminderCells(const ShownReminder& shown) {
    std::array<std::string, kReminderColumnCount> cells;
    cells[kColumnId] = std::to_string(shown.id);
    cells[kColumnState] = shown.shownState;
    cells[kColumnName] = shown.name;
    cells[kColumnAhead] = std::to_string(shown.aheadDays);
    cells[kColumnCalendar] = shown.calendar;
    cells[kColumnBirth] = shown.birth.Format("%Y-%m-%d");
    cells[kColumnThisYear] = shown.birthdayThisYear.Format("%Y-%m-%d");
    cells[kColumnPosition] = std::to_string(shown.position);
    cells[kColumnDaysToGo] = shown.daysToGo ? std::to_string(*shown.daysToGo) : std::string();
    return cells;
}

std::vector<ReminderRow> BuildReminderRows(const ReminderList& list, const DateTime& now) {
    std::vector<ReminderRow> rows;
    rows.reserve(list.size());
    for (const ShownReminder& shown : ShownReminders(list, now))
        rows.push_back({ReminderCells(shown), shown.colour});
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
