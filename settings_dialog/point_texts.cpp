#include "settings_dialog/point_texts.h"

#include <cmath>

#include "calibration/reference_table.h"
#include "calibration/settings_text.h"
#include "values/points_table.h"
#include "values/units/prefix_table.h"
#include "values/units/unit_value.h"

namespace Tessar {
namespace {

// Scientific exponents from -5 to 16 are written plainly ("0.000125", "1250000").
constexpr int kPlainLowest = -5;
constexpr int kPlainHighest = 16;

std::string Utf8(const KVI::String& text) { return text.ToUtf8(); }

// The texts of a base-unit value and an SD in the prefixed unit.
std::string InUnit(double base, const KVI::UnitInfo& unit)
{
    return ShiftedNumberText(base, KVI::PrefixExponent(unit.prefix_));
}

// A cell as a base-unit value when its unit is the expected one (any prefix).
std::optional<double> CellValue(const std::string& cell, const KVI::UnitInfo& unit)
{
    const KVI::UnitValue v = ReadTableValue(KVI::String::FromUtf8(cell), unit);
    if (v.IsInvalid() || !(v.Unit() == unit.name_)) return std::nullopt;
    return v.Value();
}

std::string Named(const KVI::UnitInfo& unit)
{
    return unit.name_.IsEmpty() ? std::string("no unit") : "\"" + Utf8(unit.DisplayText()) + "\"";
}

}  // namespace

std::string ShiftedNumberText(double value, int32_t exponent)
{
    const std::string text = RoundTripNumberText(value);
    if (!std::isfinite(value)) return text;
    // text = [-]digits[.digits][e±x]: value = D x 10^E with D the digits as an integer.
    std::string sign, digits;
    int64_t e = 0;
    size_t i = 0;
    if (text[i] == '-') sign = "-", ++i;
    bool afterPoint = false;
    for (; i < text.size() && text[i] != 'e'; ++i) {
        if (text[i] == '.') {
            afterPoint = true;
            continue;
        }
        digits += text[i];
        if (afterPoint) --e;
    }
    if (i < text.size()) e += std::stoi(text.substr(i + 1));
    const size_t lead = digits.find_first_not_of('0');
    if (lead == std::string::npos) return sign + "0";
    digits.erase(0, lead);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back(), ++e;
    e -= exponent;
    const auto n = static_cast<int64_t>(digits.size());
    const int64_t scientific = e + n - 1;
    if (scientific < kPlainLowest || scientific > kPlainHighest) {
        std::string out = sign + digits.substr(0, 1);
        if (n > 1) out += "." + digits.substr(1);
        return out + (scientific < 0 ? "e-" : "e+") + std::to_string(std::llabs(scientific));
    }
    if (e >= 0) return sign + digits + std::string(static_cast<size_t>(e), '0');
    if (n + e > 0) return sign + digits.substr(0, size_t(n + e)) + "." + digits.substr(size_t(n + e));
    return sign + "0." + std::string(static_cast<size_t>(-(n + e)), '0') + digits;
}

std::string PointsCsvText(const CalibrationData& data, const KVI::UnitInfo& rawUnit,
                          const KVI::UnitInfo& calibratedUnit)
{
    const bool kept = data.provenance_.size() == data.rawValues_.size();
    std::vector<KVI::PointsTableRow> rows;
    for (size_t i = 0; i < data.rawValues_.size() && i < data.calibratedValues_.size(); ++i) {
        KVI::PointsTableRow row;
        row.raw = InUnit(data.rawValues_[i], rawUnit);
        row.calibrated = InUnit(data.calibratedValues_[i], calibratedUnit);
        if (kept && data.provenance_[i].measured && std::isfinite(data.provenance_[i].sd) && data.provenance_[i].sd > 0)
            row.sd = InUnit(data.provenance_[i].sd, rawUnit);
        rows.push_back(std::move(row));
    }
    return KVI::WritePointsTable(rows, Utf8(rawUnit.DisplayText()), Utf8(calibratedUnit.DisplayText()));
}

std::string ReadPointsCsv(std::string_view text, const KVI::UnitInfo& rawUnit, const KVI::UnitInfo& calibratedUnit,
                          size_t maxPoints, std::vector<ImportedPoint>& points)
{
    KVI::PointsTable table;
    if (std::string error = KVI::ParsePointsTable(text, table); !error.empty()) return error;
    if (table.rows.size() > maxPoints)
        return "the file has " + std::to_string(table.rows.size()) + " points; the table holds at most " +
               std::to_string(maxPoints);
    std::vector<ImportedPoint> read;
    for (const KVI::PointsTableRow& row : table.rows) {
        const std::string where = "line " + std::to_string(row.line) + ": ";
        ImportedPoint p;
        const std::optional<double> raw = CellValue(row.raw, rawUnit);
        if (!raw) return where + "the raw value \"" + row.raw + "\" is not in the channel's unit, " + Named(rawUnit);
        const std::optional<double> calibrated = CellValue(row.calibrated, calibratedUnit);
        if (!calibrated)
            return where + "the calibrated value \"" + row.calibrated + "\" is not in the calibration's unit, " +
                   Named(calibratedUnit);
        p.raw = *raw;
        p.calibrated = *calibrated;
        if (!row.sd.empty()) {
            const std::optional<double> sd = CellValue(row.sd, rawUnit);
            if (!sd) return where + "the standard deviation \"" + row.sd + "\" is not in the channel's unit, " + Named(rawUnit);
            p.sd = *sd;
        }
        read.push_back(p);
    }
    points = std::move(read);
    return {};
}

}  // namespace Tessar
