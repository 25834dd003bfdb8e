#include "host/velogram/time_text.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <locale>
#include <sstream>

#include "interfaces/recording.h"

namespace Velogram {
namespace {

struct NamedScale {
    std::string_view name;
    double factor;
};

constexpr std::array<NamedScale, 9> kTimeUnits = {{{"s", 1.0},
                                                   {"sec", 1.0},
                                                   {"ms", 1e-3},
                                                   {"\u00B5s", 1e-6},
                                                   {"us", 1e-6},
                                                   {"ns", 1e-9},
                                                   {"ps", 1e-12},
                                                   {"min", 60.0},
                                                   {"h", 3600.0}}};
constexpr std::array<NamedScale, 4> kRateUnits = {{{"Hz", 1.0}, {"kHz", 1e3}, {"MHz", 1e6}, {"GHz", 1e9}}};

// The units the formatters choose from, largest first.
constexpr std::array<NamedScale, 7> kIntervalUnits = {
    {{"h", 3600.0}, {"min", 60.0}, {"s", 1.0}, {"ms", 1e-3}, {"\u00B5s", 1e-6}, {"ns", 1e-9}, {"ps", 1e-12}}};
constexpr std::array<NamedScale, 4> kReadoutUnits = {{{"s", 1.0}, {"ms", 1e-3}, {"\u00B5s", 1e-6}, {"ns", 1e-9}}};

std::optional<double> Find(std::string_view unit, const auto& table)
{
    for (const NamedScale& u : table)
        if (u.name == unit) return u.factor;
    return std::nullopt;
}

std::string_view Trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// The first unit of a table, largest first, that value reaches; the last one below them all.
const NamedScale& UnitFor(double value, const auto& table)
{
    for (const NamedScale& u : table)
        if (value >= u.factor * (1.0 - 1e-12)) return u;
    return table.back();
}

}  // namespace

std::string SixDigits(double value)
{
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out.precision(6);
    out << value;
    return out.str();
}

std::optional<double> SecondsPerTimeUnit(std::string_view unit) { return Find(unit, kTimeUnits); }

std::optional<double> HertzPerRateUnit(std::string_view unit) { return Find(unit, kRateUnits); }

std::optional<double> ParseSampleInterval(std::string_view text)
{
    text = Trimmed(text);
    std::string number;
    size_t i = 0;
    while (i < text.size() && text[i] != ' ' && text[i] != '\t' &&
           (std::isdigit(static_cast<unsigned char>(text[i])) || std::string_view("+-.,eE").find(text[i]) != text.npos)) {
        // An exponent's letter belongs to the number only when a digit or sign follows.
        if ((text[i] == 'e' || text[i] == 'E') &&
            !(i + 1 < text.size() && (std::isdigit(static_cast<unsigned char>(text[i + 1])) || text[i + 1] == '-' ||
                                      text[i + 1] == '+')))
            break;
        number += text[i] == ',' ? '.' : text[i];
        ++i;
    }
    if (!number.empty() && number.front() == '+') number.erase(0, 1);
    double value = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (number.empty() || ec != std::errc() || end != number.data() + number.size() || !std::isfinite(value) ||
        !(value > 0))
        return std::nullopt;
    const std::string_view unit = Trimmed(text.substr(i));
    double seconds = value;
    if (!unit.empty()) {
        if (const auto perUnit = SecondsPerTimeUnit(unit)) {
            seconds = value * *perUnit;
        } else if (const auto hertz = HertzPerRateUnit(unit)) {
            seconds = 1.0 / (value * *hertz);
        } else {
            return std::nullopt;
        }
    }
    if (!(seconds >= kMinSampleInterval && seconds <= kMaxSampleInterval)) return std::nullopt;
    return seconds;
}

std::string FormatSampleInterval(double seconds)
{
    const NamedScale& unit = UnitFor(seconds, kIntervalUnits);
    return SixDigits(seconds / unit.factor) + " " + std::string(unit.name);
}

std::string FormatSampleRate(double seconds)
{
    const double hertz = 1.0 / seconds;
    // Largest first: the rate table is smallest first.
    const std::array<NamedScale, 4> table = {kRateUnits[3], kRateUnits[2], kRateUnits[1], kRateUnits[0]};
    const NamedScale& unit = UnitFor(hertz, table);
    return SixDigits(hertz / unit.factor) + " " + std::string(unit.name);
}

std::string FormatTime(double seconds, double resolution, double span)
{
    const NamedScale& unit = UnitFor(std::fabs(span), kReadoutUnits);
    int decimals = 0;
    if (resolution > 0 && std::isfinite(resolution))
        decimals = std::clamp(int(std::ceil(-std::log10(resolution / unit.factor) - 1e-9)), 0, 9);
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out.setf(std::ios::fixed, std::ios::floatfield);
    out.precision(decimals);
    out << seconds / unit.factor;
    std::string text = out.str();
    if (text.starts_with("-") && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
    return text + " " + std::string(unit.name);
}

}  // namespace Velogram
