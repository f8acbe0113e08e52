// Lunar conversions over every day of 1950..2049, ours against ICU's Chinese
// calendar on the same days.
//
//   build/bench/annivo_bench_calendar

#include "calendar/LunarCalendar.h"

#include <benchmark/benchmark.h>
#include <memory>
#include <unicode/calendar.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>
#include <vector>

namespace {

struct Days {
    std::vector<CalendarDate> gregorian;
    std::vector<CalendarDate> lunar;
};

const Days& AllDays() {
    static const Days days = [] {
        Days d;
        const CLunarCalendar calendar;
        for (DateTime t(1950, 1, 1); t.Year() <= 2049; t = t.AddDays(1)) {
            CalendarDate g;
            g.year = t.Year();
            g.month = t.Month();
            g.day = t.Day();
            d.gregorian.push_back(g);
            d.lunar.push_back(calendar.GregorianToLunar(g));
        }
        return d;
    }();
    return days;
}

std::unique_ptr<icu::Calendar> MakeChinese() {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Calendar> calendar(
        icu::Calendar::createInstance(icu::TimeZone::createTimeZone("Asia/Shanghai"),
                                      icu::Locale("zh@calendar=chinese"), status));
    if (U_FAILURE(status))
        return nullptr;
    return calendar;
}

std::unique_ptr<icu::Calendar> MakeGregorian() {
    UErrorCode status = U_ZERO_ERROR;
    auto calendar = std::make_unique<icu::GregorianCalendar>(
        icu::TimeZone::createTimeZone("Asia/Shanghai"), status);
    return U_FAILURE(status) ? nullptr : std::move(calendar);
}

void Ours_GregorianToLunar(benchmark::State& state) {
    const auto& days = AllDays().gregorian;
    const CLunarCalendar calendar;
    for (auto _ : state)
        for (const CalendarDate& g : days)
            benchmark::DoNotOptimize(calendar.GregorianToLunar(g));
    state.SetItemsProcessed(state.iterations() * days.size());
}

void Ours_LunarToGregorian(benchmark::State& state) {
    const auto& days = AllDays().lunar;
    const CLunarCalendar calendar;
    for (auto _ : state)
        for (const CalendarDate& l : days)
            benchmark::DoNotOptimize(calendar.LunarToGregorian(l));
    state.SetItemsProcessed(state.iterations() * days.size());
}

void Icu_GregorianToLunar(benchmark::State& state) {
    const auto& days = AllDays().gregorian;
    auto chinese = MakeChinese();
    auto gregorian = MakeGregorian();
    if (!chinese || !gregorian) {
        state.SkipWithError("ICU calendars unavailable");
        return;
    }
    auto convert = [&](const CalendarDate& g) {
        UErrorCode status = U_ZERO_ERROR;
        gregorian->clear();
        gregorian->set(g.year, g.month - 1, g.day, 12, 0, 0);
        chinese->setTime(gregorian->getTime(status), status);
        CalendarDate l;
        l.year = chinese->get(UCAL_EXTENDED_YEAR, status);
        l.month = chinese->get(UCAL_MONTH, status) + 1;
        l.day = chinese->get(UCAL_DATE, status);
        l.leap = chinese->get(UCAL_IS_LEAP_MONTH, status);
        return l;
    };
    // Both calendars must agree before their speed means anything.
    std::size_t mismatches = 0;
    const CLunarCalendar ours;
    for (const CalendarDate& g : days) {
        const CalendarDate a = ours.GregorianToLunar(g), b = convert(g);
        mismatches += (a.month != b.month || a.day != b.day || a.leap != b.leap);
    }
    for (auto _ : state)
        for (const CalendarDate& g : days)
            benchmark::DoNotOptimize(convert(g));
    state.counters["mismatches"] = static_cast<double>(mismatches);
    state.SetItemsProcessed(state.iterations() * days.size());
}

void Icu_LunarToGregorian(benchmark::State& state) {
    const auto& days = AllDays();
    auto chinese = MakeChinese();
    auto gregorian = MakeGregorian();
    if (!chinese || !gregorian) {
        state.SkipWithError("ICU calendars unavailable");
        return;
    }
    // ICU counts Chinese years from 2637 BCE.
    constexpr int kExtendedYearOffset = 2637;
    auto convert = [&](const CalendarDate& l) {
        UErrorCode status = U_ZERO_ERROR;
        chinese->clear();
        chinese->set(UCAL_EXTENDED_YEAR, l.year + kExtendedYearOffset);
        chinese->set(UCAL_MONTH, l.month - 1);
        chinese->set(UCAL_IS_LEAP_MONTH, l.leap);
        chinese->set(UCAL_DATE, l.day);
        chinese->set(UCAL_HOUR_OF_DAY, 12);
        gregorian->setTime(chinese->getTime(status), status);
        CalendarDate g;
        g.year = gregorian->get(UCAL_YEAR, status);
        g.month = gregorian->get(UCAL_MONTH, status) + 1;
        g.day = gregorian->get(UCAL_DATE, status);
        return g;
    };
    std::size_t mismatches = 0;
    for (std::size_t i = 0; i < days.lunar.size(); ++i) {
        const CalendarDate& g = days.gregorian[i];
        const CalendarDate b = convert(days.lunar[i]);
        mismatches += (g.year != b.year || g.month != b.month || g.day != b.day);
    }
    for (auto _ : state)
        for (const CalendarDate& l : days.lunar)
            benchmark::DoNotOptimize(convert(l));
    state.counters["mismatches"] = static_cast<double>(mismatches);
    state.SetItemsProcessed(state.iterations() * days.lunar.size());
}

} // namespace

BENCHMARK(Ours_GregorianToLunar)->Unit(benchmark::kMillisecond);
BENCHMARK(Icu_GregorianToLunar)->Unit(benchmark::kMillisecond);
BENCHMARK(Ours_LunarToGregorian)->Unit(benchmark::kMillisecond);
BENCHMARK(Icu_LunarToGregorian)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
