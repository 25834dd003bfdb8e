#include "report/report_data.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <locale>
#include <sstream>

#include "calibration/evaluators.h"
#include "calibration/fit_kind.h"
#include "calibration/fit_uncertainty.h"
#include "values/units/prefix_table.h"
#include "values/units/unit_value.h"

namespace Tessar {

const char16_t kRawValuesTitle[] = u"Raw Values";
const char16_t kFittedValuesTitle[] = u"Fitted Values";
const char16_t kLowerBandTitle[] = u"Lower 95 %";
const char16_t kUpperBandTitle[] = u"Upper 95 %";
const char16_t kResidualsTitle[] = u"Residuals";
const char16_t kFittedColumnName[] = u"Fitted";
const char16_t kResidualColumnName[] = u"Residual";
const char16_t kStandardDeviationColumnName[] = u"SD";

namespace {

double PowerOfTen(int32_t e) { return std::pow(10.0, double(e)); }

// The prefix exponent of an index; an index outside the table has none.
int32_t ExponentOf(int32_t prefixIndex) { return KVI::IsPrefixIndex(prefixIndex) ? KVI::PrefixExponent(prefixIndex) : 0; }

void SetColumn(ITabulatedData& table, int32_t column, const KVI::String& name, const KVI::String& units)
{
    table.SetColumnName(column, name.Interface());
    table.SetColumnUnits(column, units.Interface());
}

void AppendDisplayed(ITabulatedData& table, int32_t column, const std::vector<double>& values, int32_t prefix)
{
    for (double v : values) table.AppendValue(column, float(DisplayValue(v, prefix)));
}

// values with those within kRoundingShare of the calibrated values' largest magnitude of zero
// set to 0: what an exact fit leaves there is the rounding of its coefficients, which the
// table would otherwise show as -2.92e-32.
constexpr double kRoundingShare = 1e-12;
std::vector<double> Tidied(std::vector<double> values, const std::vector<double>& calibrated)
{
    double largest = 0;
    for (double y : calibrated)
        if (std::isfinite(y)) largest = std::max(largest, std::fabs(y));
    for (double& v : values)
        if (std::fabs(v) <= kRoundingShare * largest) v = 0;
    return values;
}

// Half of max - min of the values; 0 for none.
double PointsHalfSpan(const std::vector<double>& values)
{
    if (values.empty()) return 0;
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    return (*high - *low) / 2;
}

}  // namespace

double DisplayValue(double value, int32_t prefixIndex)
{
    // Through the normalised form, as the unit values of the dialogs show numbers.
    if (!std::isfinite(value)) return value;
    const KVI::UnitValue v = KVI::UnitValue::Normalised(value, KVI::String());
    return v.Mantissa() * PowerOfTen(v.Exponent() - ExponentOf(prefixIndex));
}

double BaseValue(double display, int32_t prefixIndex) { return display * PowerOfTen(ExponentOf(prefixIndex)); }

AxisRange PointsAxisRange(const std::vector<double>& values, int32_t prefixIndex)
{
    if (values.empty()) return AxisRange{};
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    const double centre = (*high + *low) / 2;
    double half = std::fabs(*high - *low) / 2;
    half = std::max({half, kMinHalfSpan, kMinRelativeHalfSpan * std::fabs(centre)});
    return AxisRange{DisplayValue(centre + 1.5 * half, prefixIndex), DisplayValue(centre - 1.5 * half, prefixIndex)};
}

std::vector<double> CurveAbscissae(double lower, double upper)
{
    const float step = float((upper - lower) / kCurveSamples);
    std::vector<double> x(kCurveSamples);
    for (int32_t i = 0; i < kCurveSamples; ++i) x[size_t(i)] = lower + i * double(step);
    return x;
}

std::map<float, float> CurveSamples(const CalibrationData& data, double lower, double upper, int32_t sourcePrefix)
{
    const int32_t calibratedPrefix = data.unit_.prefix_;
    std::map<float, float> curve;
    for (const double x : CurveAbscissae(lower, upper)) {
        double y = x;
        if (!EvaluateCalibration(data.fitKind_, data.coefficients_, &y, &y + 1)) y = std::nan("");
        curve[float(DisplayValue(x, sourcePrefix))] = float(DisplayValue(y, calibratedPrefix));
    }
    if (data.fitKind_ == int32_t(FitKind::PointToPoint)) {
        const size_t n = std::min(data.rawValues_.size(), data.calibratedValues_.size());
        for (size_t i = 0; i < n; ++i)
            curve[float(DisplayValue(data.rawValues_[i], sourcePrefix))] =
                float(DisplayValue(data.calibratedValues_[i], calibratedPrefix));
    }
    return curve;
}

std::vector<BandSample> BandSamples(const CalibrationData& data, double lower, double upper, int32_t sourcePrefix)
{
    FitUncertainty uncertainty;
    if (!uncertainty.Build(data) || uncertainty.DegreesOfFreedom() < 1) return {};
    std::vector<BandSample> band;
    double widest = 0;
    for (const double x : CurveAbscissae(lower, upper)) {
        const PredictionInterval at = uncertainty.At(x);
        if (std::isfinite(at.halfWidth)) widest = std::max(widest, at.halfWidth);
        band.push_back({float(DisplayValue(x, sourcePrefix)), float(DisplayValue(at.lower, data.unit_.prefix_)),
                        float(DisplayValue(at.upper, data.unit_.prefix_))});
    }
    // A band within the fit's rounding would only hide the curve.
    if (!(widest > kMinResidualShare * PointsHalfSpan(data.calibratedValues_))) band.clear();
    return band;
}

std::vector<double> FittedValues(const CalibrationData& data)
{
    std::vector<double> fitted = data.rawValues_;
    if (!EvaluateCalibration(data.fitKind_, data.coefficients_, fitted.data(), fitted.data() + fitted.size()))
        std::fill(fitted.begin(), fitted.end(), std::nan(""));
    return fitted;
}

std::vector<double> Residuals(const CalibrationData& data)
{
    std::vector<double> r = FittedValues(data);
    for (size_t i = 0; i < r.size(); ++i)
        r[i] = i < data.calibratedValues_.size() ? data.calibratedValues_[i] - r[i] : std::nan("");
    return r;
}

AxisRange ResidualAxisRange(const CalibrationData& data)
{
    double largest = 0;
    for (double r : Residuals(data))
        if (std::isfinite(r)) largest = std::max(largest, std::fabs(r));
    const double half =
        std::max({1.5 * largest, kMinResidualShare * PointsHalfSpan(data.calibratedValues_), kMinHalfSpan});
    return AxisRange{DisplayValue(half, data.unit_.prefix_), DisplayValue(-half, data.unit_.prefix_)};
}

void FillGraphColumns(ITabulatedData& table, const CalibrationData& data, const KVI::UnitInfo& sourceUnit,
                      double lower, double upper)
{
    const KVI::String rawUnit = sourceUnit.DisplayText();
    const KVI::String calibratedUnit = data.unit_.DisplayText();
    table.BeginUpdate();
    table.RemoveAllColumns();
    table.SetColumnCount(kGraphColumnCount);
    SetColumn(table, 0, KVI::String(kRawValuesTitle), rawUnit);
    SetColumn(table, 1, KVI::String(kFittedValuesTitle), calibratedUnit);
    SetColumn(table, 2, KVI::String(kRawValuesTitle), rawUnit);
    SetColumn(table, 3, KVI::String(kFittedValuesTitle), calibratedUnit);

    AppendDisplayed(table, 2, data.rawValues_, sourceUnit.prefix_);
    AppendDisplayed(table, 3, data.calibratedValues_, data.unit_.prefix_);
    for (const auto& [x, y] : CurveSamples(data, lower, upper, sourceUnit.prefix_)) {
        table.AppendValue(0, x);
        table.AppendValue(1, y);
    }
    AppendDisplayed(table, 4, data.rawValues_, sourceUnit.prefix_);
    AppendDisplayed(table, 5, data.calibratedValues_, data.unit_.prefix_);

    SetColumn(table, kBandX, KVI::String(kRawValuesTitle), rawUnit);
    SetColumn(table, kBandLower, KVI::String(kLowerBandTitle), calibratedUnit);
    SetColumn(table, kBandUpper, KVI::String(kUpperBandTitle), calibratedUnit);
    for (const BandSample& b : BandSamples(data, lower, upper, sourceUnit.prefix_)) {
        table.AppendValue(kBandX, b.x);
        table.AppendValue(kBandLower, b.lower);
        table.AppendValue(kBandUpper, b.upper);
    }
    SetColumn(table, kResidualX, KVI::String(kRawValuesTitle), rawUnit);
    SetColumn(table, kResidualY, KVI::String(kResidualsTitle), calibratedUnit);
    AppendDisplayed(table, kResidualX, data.rawValues_, sourceUnit.prefix_);
    AppendDisplayed(table, kResidualY, Residuals(data), data.unit_.prefix_);
    AppendDisplayed(table, kZeroX, {lower, upper}, sourceUnit.prefix_);
    AppendDisplayed(table, kZeroY, {0.0, 0.0}, data.unit_.prefix_);
    table.EndUpdate();
    table.SendPendingChanges();
}

std::vector<double> PointStandardDeviations(const CalibrationData& data)
{
    std::vector<double> sds(data.rawValues_.size(), std::nan(""));
    bool any = false;
    for (size_t i = 0; i < sds.size() && i < data.provenance_.size(); ++i) {
        const PointProvenance& p = data.provenance_[i];
        if (p.measured && std::isfinite(p.sd)) {
            sds[i] = p.sd;
            any = true;
        }
    }
    if (!any) sds.clear();
    return sds;
}

std::optional<int32_t> FillReportTable(ITabulatedData& table, const CalibrationData& data,
                                       const KVI::UnitInfo& sourceUnit)
{
    const std::vector<double> sds = PointStandardDeviations(data);
    table.BeginUpdate();
    table.RemoveAllColumns();
    table.SetColumnCount(sds.empty() ? 5 : 6);
    table.SetColumnName(1, sourceUnit.DisplayText().Interface());
    table.SetColumnName(2, data.unit_.DisplayText().Interface());
    table.SetColumnName(3, KVI::String(kFittedColumnName).Interface());
    table.SetColumnName(4, KVI::String(kResidualColumnName).Interface());
    for (size_t i = 0; i < data.rawValues_.size(); ++i) {
        table.AppendValue(0, float(i + 1));
        table.AppendValue(1, float(DisplayValue(data.rawValues_[i], sourceUnit.prefix_)));
        if (i < data.calibratedValues_.size())
            table.AppendValue(2, float(DisplayValue(data.calibratedValues_[i], data.unit_.prefix_)));
    }
    AppendDisplayed(table, 3, Tidied(FittedValues(data), data.calibratedValues_), data.unit_.prefix_);
    AppendDisplayed(table, 4, Tidied(Residuals(data), data.calibratedValues_), data.unit_.prefix_);
    if (!sds.empty()) {
        table.SetColumnName(5, KVI::String(kStandardDeviationColumnName).Interface());
        AppendDisplayed(table, 5, sds, sourceUnit.prefix_);
    }
    std::optional<int32_t> marked;
    if (data.forceOrigin_ && IsPolynomialKind(data.fitKind_)) {
        // The origin the fit passes through, as a row of its own without a point number.
        table.AppendValue(1, 0.0f);
        table.AppendValue(2, 0.0f);
        int32_t rows = 0;
        table.GetRowCount(&rows);
        marked = rows;
    }
    table.EndUpdate();
    table.SendPendingChanges();
    return marked;
}

KVI::String FormatReadOutValue(double value, const KVI::String& unit, int32_t decimals)
{
    std::wostringstream out;
    out.imbue(std::locale::classic());
    out << std::fixed << std::setprecision(std::clamp(decimals, 0, 15));
    const KVI::UnitValue v = KVI::UnitValue::Normalised(value, unit);
    if (!unit.IsEmpty() && KVI::KnownUnitNames().count(unit)) {
        out << v.Mantissa() << L' ';
        if (const char32_t letter = KVI::LetterOfExponent(v.Exponent()); letter != KVI::kNoLetter)
            out << wchar_t(letter);
        out << unit.ToWide();
    } else {
        out << value;
        if (!unit.IsEmpty()) out << L' ' << unit.ToWide();
    }
    return KVI::String::FromWide(out.str());
}

}  // namespace Tessar
