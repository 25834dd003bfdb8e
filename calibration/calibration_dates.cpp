#include "calibration/calibration_dates.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <ctime>

namespace Tessar {
namespace {

std::string_view Trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool Digits(std::string_view s, int& value)
{
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return std::from_chars(s.data(), s.data() + s.size(), value).ec == std::errc();
}

}  // namespace

std::optional<int64_t> ParseIsoDate(std::string_view text)
{
    text = Trimmed(text);
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    int y = 0, m = 0, d = 0;
    if (!Digits(text.substr(0, 4), y) || !Digits(text.substr(5, 2), m) || !Digits(text.substr(8, 2), d))
        return std::nullopt;
    const std::chrono::year_month_day day{std::chrono::year(y), std::chrono::month(unsigned(m)),
                                          std::chrono::day(unsigned(d))};
    if (!day.ok()) return std::nullopt;
    return std::chrono::sys_days(day).time_since_epoch().count();
}

std::string FormatIsoDate(int64_t days)
{
    const std::chrono::year_month_day day{std::chrono::sys_days(std::chrono::days(days))};
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", int(day.year()), unsigned(day.month()), unsigned(day.day()));
    return text;
}

int64_t Today()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const std::chrono::year_month_day day{std::chrono::year(local.tm_year + 1900),
                                          std::chrono::month(unsigned(local.tm_mon + 1)),
                                          std::chrono::day(unsigned(local.tm_mday))};
    return std::chrono::sys_days(day).time_since_epoch().count();
}

std::optional<int64_t> DueDay(const CalibrationData& data)
{
    if (!data.dueDate_.IsEmpty()) return ParseIsoDate(data.dueDate_.ToUtf8());
    if (data.validityDays_ <= 0 || data.calibrationDate_.IsEmpty()) return std::nullopt;
    const std::optional<int64_t> made = ParseIsoDate(data.calibrationDate_.ToUtf8());
    if (!made) return std::nullopt;
    return *made + data.validityDays_;
}

bool IsExpired(const CalibrationData& data, int64_t today)
{
    const std::optional<int64_t> due = DueDay(data);
    return due && today > *due;
}

}  // namespace Tessar
