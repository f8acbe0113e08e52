#include "reminders/BirthdayEvaluation.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

const std::string kActive = "生效";
const std::string kComing = "将到";
const std::string kToday = "进行";

} // namespace

int DaysUntilBirthday(const DateTime& birthday, const DateTime& today) {
    if (!birthday.IsValid() || !today.IsValid())
        return -1;
    return static_cast<int>(std::lround(birthday.DateOnly() - today.DateOnly()));
}

bool AdvanceToNextBirthday(ReminderRecord& record, const DateTime& today) {
    if (DaysUntilBirthday(record.birthdayThisYear, today) >= 0)
        return false;
    // Stored codes are not trusted to be in range: no more than a week ahead.
    const int aheadDays = std::clamp(AheadCode{record.ahead}.AheadDays(), 0, 7);
    const int days = DaysUntilBirthday(record.birthdayNextYear, today);
    if (days <= 0 || days > aheadDays)
        return false;
    record.birthdayThisYear = record.birthdayNextYear;
    return true;
}

std::optional<int> DaysToNextBirthday(const ReminderRecord& record, const DateTime& today) {
    // Invalid dates count as passed, so a year without the birthday is skipped.
    for (const DateTime* birthday : {&record.birthdayThisYear, &record.birthdayNextYear})
        if (const int days = DaysUntilBirthday(*birthday, today); days >= 0)
            return days;
    return std::nullopt;
}

int AgeThisYear(const ReminderRecord& record, const DateTime& now) {
    const int year =
        record.birthdayThisYear.IsValid() ? record.birthdayThisYear.Year() : now.Year();
    return year - record.birth.Year();
}

std::string AgeText(int age) {
    char text[32];
    std::snprintf(text, sizeof text, "%d周岁", age);
    return text;
}

std::string ThisYearText(const ReminderRecord& record) {
    return record.birthdayThisYear.Format("%Y-%m-%d");
}

std::string ShownState(const std::string& state, const DateTime& birthdayThisYear,
                       const DateTime& now) {
    const double span = birthdayThisYear - now; // NaN without a birthday this year
    const bool passed = std::isnan(span) || span < 0;
    if (passed && state != kToday && state != "提前" && state != kComing && state != "失效")
        return "已过";
    return state;
}

Evaluation Evaluate(ReminderRecord& record, int days, int everyDay) {
    Evaluation result;
    const AheadCode ahead{record.ahead};
    const int n = ahead.AheadDays();
    const int r = ahead.Countdown();

    if ((days > n || days < 0) && r < n) {
        record.ahead = AheadCode::Fresh(n);
        result.countdownReset = true;
    }

    if (record.state == kActive || record.state == kComing) {
        if (days > r)
            return result;
        if (days < 0) {
            if (record.state == kComing) {
                record.state = kActive;
                result.backToActive = true;
            }
        } else if (days == 0) {
            record.state = kToday;
            result.action = ReminderAction::Birthday;
        } else {
            record.state = kComing;
            record.ahead = AheadCode::Make(n, everyDay != 0 ? days - 1 : 0);
            result.action = ReminderAction::Ahead;
        }
    } else if (record.state == kToday) {
        if (days < 0 || days > r) {
            record.state = kActive;
            result.backToActive = true;
        }
    }
    return result;
}
