#include "exchange/CalendarExport.h"

#include "calendar/LunarCalendar.h"
#include "calendar/SolarTerms.h"
#include "platform/WholeFile.h"
#include "reminders/BirthdayEvaluation.h"
#include "reminders/LoadReminderList.h"
#include "settings/AppInfo.h"
#include "storage/CAdoDatabase.h"

#include <libical/ical.h>

#include <algorithm>
#include <ctime>
#include <iterator>
#include <memory>
#include <string_view>

namespace {

// "annivo-<ID>-<year>@annivo": the row's ID, not its name, so renaming
// someone updates the events rather than adding new ones.
std::string BirthdayUid(int id, int year) {
    return "annivo-" + std::to_string(id) + "-" + std::to_string(year) + "@annivo";
}

int DateKey(const DateTime& day) {
    return day.Year() * 10000 + day.Month() * 100 + day.Day();
}

// "十一月二十", in the calendar view's own words.
std::string LunarMonthDayText(const CLunarCalendar& calendar, int month, int day) {
    return calendar.LunarDayLabel(month, 1) +
           (day == 1 ? std::string("初一") : calendar.LunarDayLabel(month, day));
}

icaltimetype IcalDate(const DateTime& day) {
    icaltimetype date = icaltime_null_date();
    date.year = day.Year();
    date.month = day.Month();
    date.day = day.Day();
    return date;
}

// "1, 8, 0, 0" -> "1.8.0.0"
std::string DottedVersion() {
    std::string version;
    for (const char c : std::string_view(kAppVersion))
        if (c != ' ')
            version += c == ',' ? '.' : c;
    return version;
}

} // namespace

CalendarYears ExportYearsFrom(int firstYear, int years) {
    years = std::clamp(years, 1, kMostCalendarYears);
    const int last = std::min(firstYear + years - 1, CLunarCalendar::LastYear());
    return {firstYear, std::max(0, last - firstYear + 1)};
}

std::vector<CalendarEvent> BirthdayEvents(const ReminderRecord& person, CalendarYears years) {
    std::vector<CalendarEvent> events;
    const CLunarCalendar calendar;
    const bool lunar = person.calendar == "阴历";
    const int kind = lunar ? kLunarCalendarKind : 1;
    const BirthDate& birth = person.birth;
    if (!birth.IsValid())
        return events;
    const std::string lunarText =
        lunar ? LunarMonthDayText(calendar, birth.Month(), birth.Day()) : std::string();
    std::string description =
        lunar ? "出生日期：农历" + std::to_string(birth.Year()) + "年" + lunarText
              : "出生日期：" + birth.Format("%Y-%m-%d");
    if (!person.email.empty())
        description += "\n电子邮件：" + person.email;
    const int aheadDays = AheadCode{AheadCode::InRange(person.ahead)}.AheadDays();
    for (int year = years.first; year < years.first + years.count; ++year) {
        const int age = year - birth.Year();
        if (age < 1)
            continue; // the day of birth itself is no birthday
        const DateTime day = calendar.BirthdayInYear(birth, kind, year);
        if (!day.IsValid())
            continue;
        CalendarEvent event;
        event.uid = BirthdayUid(person.id, year);
        event.day = day.DateOnly();
        event.summary = person.name + " " + AgeText(age) + "生日";
        if (lunar)
            event.summary += "（农历" + lunarText + "）";
        event.description = description;
        event.category = "生日";
        if (aheadDays > 0)
            event.alarmDaysBefore.push_back(aheadDays);
        event.alarmDaysBefore.push_back(0);
        events.push_back(std::move(event));
    }
    return events;
}

std::vector<CalendarEvent> FestivalEvents(const std::vector<CatalogueFestival>& catalogue,
                                          CalendarYears years) {
    std::vector<CalendarEvent> events;
    if (catalogue.empty())
        return events;
    const CLunarCalendar calendar;
    for (int year = years.first; year < years.first + years.count; ++year) {
        for (int month = 1; month <= 12; ++month) {
            const int days = calendar.DaysInGregorianMonth(year, month);
            for (int day = 1; day <= days; ++day) {
                // The calendar view's rule: a lunar festival only in the
                // ordinary month, one on a 30th on the 29th of a short month.
                const CalendarDate lunar = calendar.GregorianToLunar({year, month, day, 0, 0, 0});
                const bool lunarKnown = lunar.month != 0 && lunar.leap == 0;
                const bool lastOfShortMonth =
                    lunarKnown && lunar.day == 29 &&
                    calendar.LunarMonthDays(lunar.year, lunar.month) == 29;
                for (const CatalogueFestival& festival : catalogue) {
                    const FestivalEntry& entry = festival.entry;
                    if (entry.name.empty())
                        continue;
                    const bool onDay =
                        entry.kind == kFestivalGregorian
                            ? entry.month == month && entry.day == day
                            : entry.kind == kFestivalLunar && lunarKnown &&
                                  entry.month == lunar.month &&
                                  (entry.day == lunar.day || (lastOfShortMonth && entry.day == 30));
                    if (!onDay)
                        continue;
                    CalendarEvent event;
                    event.day = DateTime(year, month, day);
                    // A lunar festival late in 腊月 can fall twice in one
                    // Gregorian year, hence the whole date in its UID.
                    event.uid = "annivo-festival-" + std::to_string(festival.id) + "-" +
                                std::to_string(DateKey(event.day)) + "@annivo";
                    event.summary = entry.name;
                    event.category = "节日";
                    events.push_back(std::move(event));
                }
            }
        }
    }
    return events;
}

std::vector<CalendarEvent> SolarTermEvents(CalendarYears years) {
    std::vector<CalendarEvent> events;
    const CLunarCalendar calendar;
    for (int year = years.first; year < years.first + years.count; ++year)
        for (int month = 1; month <= 12; ++month)
            for (int day = 1, days = calendar.DaysInGregorianMonth(year, month); day <= days;
                 ++day) {
                const DateTime date(year, month, day);
                std::string name = SolarTermName(date);
                if (name.empty())
                    continue;
                CalendarEvent event;
                event.day = date;
                event.uid = "annivo-term-" + std::to_string(DateKey(date)) + "@annivo";
                event.summary = std::move(name);
                event.category = "节气";
                events.push_back(std::move(event));
            }
    return events;
}

namespace {

using Component = std::unique_ptr<icalcomponent, decltype(&icalcomponent_free)>;

std::string IcalText(icalcomponent* component) {
    char* text = icalcomponent_as_ical_string_r(component);
    std::string result = text != nullptr ? text : "";
    icalmemory_free_buffer(text);
    return result;
}

// Events of one shape (with or without a description, so many alarms) are
// written from one component whose values are replaced: making and freeing a
// component per event costs libical far more than writing it.
class EventWriter {
public:
    explicit EventWriter(std::time_t stamp)
        : m_Stamp(icaltime_from_timet_with_zone(stamp, 0, icaltimezone_get_utc_timezone())) {}

    std::string Text(const CalendarEvent& e) {
        Shape& shape = ShapeFor(e);
        icalcomponent* event = shape.event.get();
        Set(event, ICAL_UID_PROPERTY,
            [&](icalproperty* p) { icalproperty_set_uid(p, e.uid.c_str()); });
        Set(event, ICAL_DTSTART_PROPERTY,
            [&](icalproperty* p) { icalproperty_set_dtstart(p, IcalDate(e.day)); });
        Set(event, ICAL_DTEND_PROPERTY,
            [&](icalproperty* p) { icalproperty_set_dtend(p, IcalDate(e.day.AddDays(1))); });
        Set(event, ICAL_SUMMARY_PROPERTY,
            [&](icalproperty* p) { icalproperty_set_summary(p, e.summary.c_str()); });
        if (!e.description.empty())
            Set(event, ICAL_DESCRIPTION_PROPERTY,
                [&](icalproperty* p) { icalproperty_set_description(p, e.description.c_str()); });
        Set(event, ICAL_CATEGORIES_PROPERTY,
            [&](icalproperty* p) { icalproperty_set_categories(p, e.category.c_str()); });
        std::size_t i = 0;
        for (icalcomponent* alarm = icalcomponent_get_first_component(event, ICAL_VALARM_COMPONENT);
             alarm != nullptr;
             alarm = icalcomponent_get_next_component(event, ICAL_VALARM_COMPONENT), ++i) {
            Set(alarm, ICAL_DESCRIPTION_PROPERTY,
                [&](icalproperty* p) { icalproperty_set_description(p, e.summary.c_str()); });
            Set(alarm, ICAL_TRIGGER_PROPERTY, [&](icalproperty* p) {
                icalproperty_set_trigger(p, Trigger(e.alarmDaysBefore[i]));
            });
        }
        return IcalText(event);
    }

private:
    struct Shape {
        bool described = false;
        std::size_t alarms = 0;
        Component event{nullptr, &icalcomponent_free};
    };

    template <typename F> static void Set(icalcomponent* c, icalproperty_kind kind, F set) {
        set(icalcomponent_get_first_property(c, kind));
    }

    static icaltriggertype Trigger(int daysBefore) {
        // Relative to the all-day event's start, local midnight: 09:00 that day.
        icaltriggertype trigger{};
        trigger.time = icaltime_null_time();
        trigger.duration = icaldurationtype_from_int(9 * 3600 - daysBefore * 24 * 3600);
        return trigger;
    }

    Shape& ShapeFor(const CalendarEvent& e) {
        const bool described = !e.description.empty();
        for (Shape& shape : m_Shapes)
            if (shape.described == described && shape.alarms == e.alarmDaysBefore.size())
                return shape;
        Shape& shape = m_Shapes.emplace_back();
        shape.described = described;
        shape.alarms = e.alarmDaysBefore.size();
        shape.event.reset(icalcomponent_new_vevent());
        icalcomponent* event = shape.event.get();
        icalcomponent_add_property(event, icalproperty_new_uid(""));
        icalcomponent_add_property(event, icalproperty_new_dtstamp(m_Stamp));
        icalcomponent_add_property(event, icalproperty_new_dtstart(IcalDate(e.day)));
        icalcomponent_add_property(event, icalproperty_new_dtend(IcalDate(e.day)));
        icalcomponent_add_property(event, icalproperty_new_summary(""));
        if (described)
            icalcomponent_add_property(event, icalproperty_new_description(""));
        icalcomponent_add_property(event, icalproperty_new_categories(""));
        icalcomponent_add_property(event, icalproperty_new_transp(ICAL_TRANSP_TRANSPARENT));
        for (std::size_t i = 0; i < shape.alarms; ++i) {
            icalcomponent* alarm = icalcomponent_new_valarm();
            icalcomponent_add_property(alarm, icalproperty_new_action(ICAL_ACTION_DISPLAY));
            icalcomponent_add_property(alarm, icalproperty_new_description(""));
            icalcomponent_add_property(alarm, icalproperty_new_trigger(Trigger(0)));
            icalcomponent_add_component(event, alarm);
        }
        return shape;
    }

    icaltimetype m_Stamp;
    std::vector<Shape> m_Shapes;
};

} // namespace

std::string CalendarText(const std::vector<CalendarEvent>& events, std::time_t stamp) {
    const Component calendar(icalcomponent_new_vcalendar(), &icalcomponent_free);
    const std::string productId = "-//Qilora//Annivo " + DottedVersion() + "//ZH";
    icalcomponent_add_property(calendar.get(), icalproperty_new_prodid(productId.c_str()));
    icalcomponent_add_property(calendar.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar.get(), icalproperty_new_calscale("GREGORIAN"));
    std::string text = IcalText(calendar.get());
    const std::string end = "END:VCALENDAR\r\n";
    if (!text.ends_with(end))
        return text;
    text.resize(text.size() - end.size());
    text.reserve(text.size() + events.size() * 640);
    EventWriter writer(stamp);
    for (const CalendarEvent& e : events)
        text += writer.Text(e);
    return text + end;
}

ReminderList ReadCalendarPeople(const std::string& connectionString) {
    ReminderList people;
    CAdoDatabase db(connectionString);
    db.SetTask("读取提醒列表");
    db.Open();
    db.Execute(std::string("select ") + kReminderColumns + " from TiXing Order By ID");
    if (db.GetRecordCount() > 0) {
        for (; !db.IsEOF(); db.MoveNext()) {
            // A reminder switched off (失效) reminds of nothing, here neither.
            if (db.GetCollect("m_IsVailid").AsYesNo() != 1 ||
                db.GetCollect("m_State").AsString() == "失效")
                continue;
            people.push_back(ReminderRecordOfRow(db));
        }
    }
    db.Close();
    return people;
}

std::vector<CatalogueFestival> ReadFestivalCatalogue(const std::string& connectionString) {
    std::vector<CatalogueFestival> catalogue;
    CAdoDatabase db(connectionString);
    db.SetTask("读取节日");
    db.Open();
    db.Execute("Select * from Festival Order By Class");
    if (db.GetRecordCount() > 0) {
        for (; !db.IsEOF(); db.MoveNext()) {
            CatalogueFestival festival;
            festival.id = db.GetCollect("编号").AsInt();
            festival.entry.festivalClass = db.GetCollect("Class").AsInt();
            festival.entry.kind = db.GetCollect("GorN").AsInt();
            festival.entry.month = db.GetCollect("Month").AsInt();
            festival.entry.day = db.GetCollect("Day").AsInt();
            festival.entry.name = db.GetCollect("FestivalName").AsString();
            catalogue.push_back(std::move(festival));
        }
    }
    db.Close();
    return catalogue;
}

// DTSTAMP is in UTC; the clock gives local time.
std::time_t LocalTimeT(const DateTime& now) {
    std::tm local{};
    local.tm_year = now.Year() - 1900;
    local.tm_mon = now.Month() - 1;
    local.tm_mday = now.Day();
    local.tm_hour = now.Hour();
    local.tm_min = now.Minute();
    local.tm_sec = now.Second();
    local.tm_isdst = -1;
    return std::mktime(&local);
}

std::vector<CalendarEvent> CalendarEventsOf(const std::string& connectionString,
                                            CalendarYears years, bool festivals, bool solarTerms,
                                            std::size_t& people) {
    std::vector<CalendarEvent> events;
    const ReminderList list = ReadCalendarPeople(connectionString);
    people = list.size();
    for (const ReminderRecord& person : list) {
        std::vector<CalendarEvent> own = BirthdayEvents(person, years);
        std::move(own.begin(), own.end(), std::back_inserter(events));
    }
    if (festivals) {
        std::vector<CalendarEvent> catalogue =
            FestivalEvents(ReadFestivalCatalogue(connectionString), years);
        std::move(catalogue.begin(), catalogue.end(), std::back_inserter(events));
    }
    if (solarTerms) {
        std::vector<CalendarEvent> terms = SolarTermEvents(years);
        std::move(terms.begin(), terms.end(), std::back_inserter(events));
    }
    return events;
}

CalendarExportResult ExportCalendarFile(const std::string& connectionString,
                                        const CalendarExportRequest& request, const DateTime& now) {
    CalendarExportResult result;
    const CalendarYears years = ExportYearsFrom(now.Year(), request.years);
    std::vector<CalendarEvent> events;
    try {
        events = CalendarEventsOf(connectionString, years, request.festivals, request.solarTerms,
                                  result.people);
    } catch (const DbError& e) {
        result.message = e.what();
        return result;
    }
    const std::string text = CalendarText(events, LocalTimeT(now));
    std::error_code error;
    if (!ReplaceWholeFile(request.file, text, error)) {
        result.message =
            "无法写入日历文件 " + request.file.string() + "（" + error.message() + "）。";
        return result;
    }
    result.ok = true;
    result.events = events.size();
    result.message = "已将 " + std::to_string(result.people) + " 人的生日导出到日历文件 " +
                     request.file.string() + "，共 " + std::to_string(result.events) + " 个事件。";
    return result;
}
