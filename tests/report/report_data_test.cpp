// The fit report's numbers without a display: display units, the axis ranges around the points,
// the sampled curve, the graph's and the table's columns, and the read-out texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "calibration/calibration_fit.h"
#include "calibration/evaluators.h"
#include "calibration/fit_uncertainty.h"
#include "values/units/unit_info.h"
#include "guilib/table/tabulated_data.h"
#include "platform/com_ptr.h"
#include "report/report_data.h"

namespace {

using Tessar::CalibrationData;

constexpr int32_t kPlain = 8;
constexpr int32_t kMilli = 7;
constexpr int32_t kKilo = 9;

KVI::UnitInfo Unit(int32_t prefix, const char16_t* name) { return KVI::UnitInfo{0, prefix, KVI::String(name)}; }

CalibrationData Fitted(int32_t kind, std::vector<double> raw, std::vector<double> calibrated, bool forceOrigin = false)
{
    CalibrationData d(2);
    d.fitKind_ = kind;
    d.forceOrigin_ = forceOrigin;
    d.rawValues_ = std::move(raw);
    d.calibratedValues_ = std::move(calibrated);
    d.unit_ = Unit(kPlain, u"mmHg");
    EXPECT_TRUE(Tessar::FitCalibration(d));
    return d;
}

std::vector<float> Column(GUILib::CTabulatedData& table, int32_t column)
{
    int32_t n = 0;
    table.GetColumnLength(column, &n);
    std::vector<float> values(size_t(std::max(n, 0)));
    uint32_t read = 0;
    if (n > 0) table.GetValues(column, 0, uint32_t(n), values.data(), &read);
    values.resize(read);
    return values;
}

std::u16string Name(GUILib::CTabulatedData& table, int32_t column)
{
    platform::ComPtr<IAutoKVIString> s;
    table.GetColumnName(column, s.Put());
    return std::u16string(KVI::String(s.Get()).View());
}

std::u16string Units(GUILib::CTabulatedData& table, int32_t column)
{
    platform::ComPtr<IAutoKVIString> s;
    table.GetColumnUnits(column, s.Put());
    return std::u16string(KVI::String(s.Get()).View());
}

TEST(ReportData, DisplayValuesAreInThePrefixedUnit)
{
    struct Case {
        double value;
        int32_t prefix;
        double shown;
    } const cases[] = {
        {0.0125, kMilli, 12.5}, {2, kPlain, 2}, {2, 1, 2}, {1500, kKilo, 1.5},
        {-0.25, kMilli, -250},  {0, kMilli, 0}, {7, 99, 7},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(Tessar::DisplayValue(c.value, c.prefix), c.shown) << c.value << " prefix " << c.prefix;
        EXPECT_DOUBLE_EQ(Tessar::BaseValue(c.shown, c.prefix), c.value) << c.value << " prefix " << c.prefix;
    }
    EXPECT_TRUE(std::isnan(Tessar::DisplayValue(std::nan(""), kMilli)));
}

TEST(ReportData, PointsAtOneValueKeepARangeTheScalesCanResolve)
{
    // (The ordinary ranges are checked on the report's own scales.) No points: the scales'
    // starting range.
    const Tessar::AxisRange none = Tessar::PointsAxisRange({}, kPlain);
    EXPECT_EQ(none.upper, 1);
    EXPECT_EQ(none.lower, 0);
    // At zero the least half-span holds.
    const Tessar::AxisRange zero = Tessar::PointsAxisRange({0, 0, 0}, kPlain);
    EXPECT_DOUBLE_EQ(zero.upper, 1.5e-21);
    EXPECT_DOUBLE_EQ(zero.lower, -1.5e-21);
    // Elsewhere 1e-21 is below what a double resolves: the span widens with the centre.
    for (double c : {2.0, -3e6, 4e-9}) {
        const Tessar::AxisRange r = Tessar::PointsAxisRange({c, c}, kPlain);
        EXPECT_GT(r.upper, c);
        EXPECT_LT(r.lower, c);
        EXPECT_GT(r.upper - r.lower, 1e-12 * std::max(std::fabs(r.upper), std::fabs(r.lower))) << c;
        EXPECT_NEAR(r.upper - r.lower, 3e-9 * std::fabs(c), 1e-12 * std::fabs(c)) << c;
    }
}

TEST(ReportData, CurveHasOneHundredAndOneSamplesEndingOneStepBelowTheTop)
{
    const CalibrationData d = Fitted(0, {0, 1}, {1, 3});  // y = 2x + 1
    const auto curve = Tessar::CurveSamples(d, -0.25, 1.25, kPlain);
    ASSERT_EQ(curve.size(), 101u);
    const float step = float(1.5 / 101);
    EXPECT_FLOAT_EQ(curve.begin()->first, -0.25f);
    EXPECT_FLOAT_EQ(curve.rbegin()->first, float(-0.25 + 100 * double(step)));
    EXPECT_LT(curve.rbegin()->first, 1.25f);
    for (const auto& [x, y] : curve) EXPECT_NEAR(y, 2 * x + 1, 1e-5);
}

TEST(ReportData, PointToPointCurveHasItsCornersAtThePoints)
{
    // Points off the sample grid: the corners are entered as they are.
    const CalibrationData d = Fitted(7, {1, 2.013, 4}, {10, 20, 0});
    const auto curve = Tessar::CurveSamples(d, 0, 5, kPlain);
    EXPECT_EQ(curve.at(1.0f), 10.0f);
    EXPECT_EQ(curve.at(2.013f), 20.0f);
    EXPECT_EQ(curve.at(4.0f), 0.0f);
    // Samples elsewhere lie on the segments (here the first one, extended).
    EXPECT_NEAR(curve.at(0.0f), 10 - 10 / 1.013, 1e-4);
    // Keys in display units: the raw unit's millivolts.
    const auto milli = Tessar::CurveSamples(d, 0, 5, kMilli);
    EXPECT_EQ(milli.at(2013.0f), 20.0f);
}

TEST(ReportData, LogarithmicCurveHasNoValueAtOrBelowZero)
{
    const CalibrationData d = Fitted(5, {1, 2, 4}, {0, 0.7, 1.4});
    const auto curve = Tessar::CurveSamples(d, -1, 4, kPlain);
    for (const auto& [x, y] : curve) EXPECT_EQ(std::isnan(y), x <= 0) << x;
}

TEST(ReportData, GraphColumnsHoldCurvePointsAndMarkersInDisplayUnits)
{
    CalibrationData d = Fitted(0, {0.001, 0.002, 0.003}, {10, 20, 30});
    d.unit_ = Unit(kKilo, u"Pa");
    const platform::ComPtr<GUILib::CTabulatedData> table(new GUILib::CTabulatedData());
    Tessar::FillGraphColumns(*table.Get(), d, Unit(kMilli, u"V"), 0, 0.004);
    int32_t columns = 0;
    table->GetColumnCount(&columns);
    ASSERT_EQ(columns, Tessar::kGraphColumnCount);
    const std::u16string names[] = {u"Raw Values", u"Fitted Values", u"Raw Values", u"Fitted Values", u"", u""};
    const std::u16string units[] = {u"mV", u"kPa", u"mV", u"kPa", u"", u""};
    for (int32_t c = 0; c < 6; ++c) {
        EXPECT_EQ(Name(*table.Get(), c), names[c]) << c;
        EXPECT_EQ(Units(*table.Get(), c), units[c]) << c;
    }
    EXPECT_EQ(Column(*table.Get(), 0).size(), 101u);
    EXPECT_EQ(Column(*table.Get(), 1).size(), 101u);
    const std::vector<float> raw{1, 2, 3}, calibrated{0.01f, 0.02f, 0.03f};
    EXPECT_EQ(Column(*table.Get(), 2), raw);
    EXPECT_EQ(Column(*table.Get(), 4), raw);
    for (int32_t c : {3, 5}) {
        const std::vector<float> v = Column(*table.Get(), c);
        ASSERT_EQ(v.size(), 3u);
        for (size_t i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(v[i], calibrated[i]);
    }
    // The curve's x run upwards from the range's lower end.
    const std::vector<float> x = Column(*table.Get(), 0);
    EXPECT_FLOAT_EQ(x.front(), 0);
    EXPECT_TRUE(std::is_sorted(x.begin(), x.end()));
    EXPECT_LT(x.back(), 4.0f);
}

// The band's columns surround the curve by the prediction half-width, and the residual strip's
// columns hold each point's calibrated - fitted and the zero line across the raw range.
TEST(ReportData, GraphColumnsHoldTheBandAndTheResiduals)
{
    CalibrationData d = Fitted(0, {1, 2, 3, 4}, {2.1, 3.9, 6.2, 7.8});
    const platform::ComPtr<GUILib::CTabulatedData> table(new GUILib::CTabulatedData());
    Tessar::FillGraphColumns(*table.Get(), d, Unit(kPlain, u"V"), 0, 5);
    EXPECT_EQ(Name(*table.Get(), Tessar::kBandLower), u"Lower 95 %");
    EXPECT_EQ(Name(*table.Get(), Tessar::kBandUpper), u"Upper 95 %");
    EXPECT_EQ(Units(*table.Get(), Tessar::kBandUpper), u"mmHg");
    EXPECT_EQ(Name(*table.Get(), Tessar::kResidualY), u"Residuals");
    const std::vector<float> x = Column(*table.Get(), Tessar::kBandX);
    const std::vector<float> lower = Column(*table.Get(), Tessar::kBandLower);
    const std::vector<float> upper = Column(*table.Get(), Tessar::kBandUpper);
    ASSERT_EQ(x.size(), 101u);
    ASSERT_EQ(lower.size(), 101u);
    ASSERT_EQ(upper.size(), 101u);
    Tessar::FitUncertainty u;
    ASSERT_TRUE(u.Build(d));
    for (size_t i = 0; i < x.size(); ++i) {
        const double fitted = d.coefficients_[0] + d.coefficients_[1] * x[i];
        EXPECT_NEAR((upper[i] + lower[i]) / 2, fitted, 1e-4) << i;
        EXPECT_NEAR((upper[i] - lower[i]) / 2, u.At(x[i]).halfWidth, 1e-4) << i;
    }
    // Narrowest near the points' centre (2.5), widest at the ends of the range.
    EXPECT_LT(upper[50] - lower[50], upper[0] - lower[0]);
    EXPECT_LT(upper[50] - lower[50], upper[100] - lower[100]);

    const std::vector<float> residuals = Column(*table.Get(), Tessar::kResidualY);
    ASSERT_EQ(residuals.size(), 4u);
    for (size_t i = 0; i < 4; ++i)
        EXPECT_NEAR(residuals[i], d.calibratedValues_[i] - (d.coefficients_[0] + d.coefficients_[1] * d.rawValues_[i]),
                    1e-6)
            << i;
    EXPECT_EQ(Column(*table.Get(), Tessar::kResidualX), (std::vector<float>{1, 2, 3, 4}));
    EXPECT_EQ(Column(*table.Get(), Tessar::kZeroX), (std::vector<float>{0, 5}));
    EXPECT_EQ(Column(*table.Get(), Tessar::kZeroY), (std::vector<float>{0, 0}));
}

TEST(ReportData, NoBandWithoutDegreesOfFreedomOrForPointToPoint)
{
    const CalibrationData cases[] = {Fitted(0, {1, 2}, {3, 5}), Fitted(7, {1, 2, 4}, {3, 5, 4}),
                                     Fitted(1, {0, 1, 2}, {1, 0, 3})};
    for (const CalibrationData& d : cases) {
        EXPECT_TRUE(Tessar::BandSamples(d, 0, 5, kPlain).empty()) << "kind " << d.fitKind_;
        const platform::ComPtr<GUILib::CTabulatedData> table(new GUILib::CTabulatedData());
        Tessar::FillGraphColumns(*table.Get(), d, Unit(kPlain, u"V"), 0, 5);
        EXPECT_TRUE(Column(*table.Get(), Tessar::kBandUpper).empty());
        EXPECT_EQ(Column(*table.Get(), Tessar::kResidualY).size(), d.rawValues_.size()) << "residuals still shown";
    }
}

TEST(ReportData, ResidualStripIsSymmetricAboutZero)
{
    const CalibrationData noisy = Fitted(0, {1, 2, 3, 4}, {2.1, 3.9, 6.2, 7.8});
    double largest = 0;
    for (double r : Tessar::Residuals(noisy)) largest = std::max(largest, std::fabs(r));
    const Tessar::AxisRange range = Tessar::ResidualAxisRange(noisy);
    EXPECT_DOUBLE_EQ(range.upper, 1.5 * largest);
    EXPECT_DOUBLE_EQ(range.lower, -1.5 * largest);
    // Exact points: residuals at rounding level get the least half-span, a millionth of the
    // calibrated values' half-span (here 50 mmHg), shown in kPa.
    CalibrationData exact = Fitted(7, {1, 2, 3}, {0, 50, 100});
    exact.unit_ = Unit(kKilo, u"Pa");
    EXPECT_DOUBLE_EQ(Tessar::ResidualAxisRange(exact).upper, 50e-6 / 1000);
}

TEST(ReportData, TableHasAMarkedOriginRowOnlyForForcedPolynomials)
{
    struct Case {
        const char* name;
        int32_t kind;
        bool forceOrigin;
        bool marked;
    } const cases[] = {
        {"linear", 0, false, false},     {"linear through origin", 0, true, true},
        {"quadratic through origin", 1, true, true}, {"logarithmic, flag left on", 5, true, false},
        {"point to point, flag left on", 7, true, false},
    };
    for (const Case& c : cases) {
        CalibrationData d = Fitted(c.kind, {1, 2, 3}, {0.5, 1, 1.6}, c.forceOrigin);
        const platform::ComPtr<GUILib::CTabulatedData> table(new GUILib::CTabulatedData());
        const std::optional<int32_t> marked = Tessar::FillReportTable(*table.Get(), d, Unit(kPlain, u"V"));
        EXPECT_EQ(Name(*table.Get(), 0), u"") << c.name;
        EXPECT_EQ(Name(*table.Get(), 1), u"V") << c.name;
        EXPECT_EQ(Name(*table.Get(), 2), u"mmHg") << c.name;
        EXPECT_EQ(Name(*table.Get(), 3), u"Fitted") << c.name;
        EXPECT_EQ(Name(*table.Get(), 4), u"Residual") << c.name;
        EXPECT_EQ(Column(*table.Get(), 0), (std::vector<float>{1, 2, 3})) << c.name;
        // Fitted and residual values of the points only (not of the origin row).
        const std::vector<float> fitted = Column(*table.Get(), 3), residual = Column(*table.Get(), 4);
        ASSERT_EQ(fitted.size(), 3u) << c.name;
        ASSERT_EQ(residual.size(), 3u) << c.name;
        for (size_t i = 0; i < 3; ++i) {
            double y = d.rawValues_[i];
            ASSERT_TRUE(Tessar::EvaluateCalibration(d.fitKind_, d.coefficients_, &y, &y + 1));
            EXPECT_FLOAT_EQ(fitted[i], float(y)) << c.name;
            EXPECT_FLOAT_EQ(residual[i], float(d.calibratedValues_[i] - y)) << c.name;
        }
        ASSERT_EQ(marked.has_value(), c.marked) << c.name;
        if (!c.marked) {
            EXPECT_EQ(Column(*table.Get(), 1).size(), 3u) << c.name;
            continue;
        }
        // The grid numbers the heading 0, so the fourth value row is row 4.
        EXPECT_EQ(*marked, 4) << c.name;
        EXPECT_EQ(Column(*table.Get(), 1), (std::vector<float>{1, 2, 3, 0})) << c.name;
        EXPECT_EQ(Column(*table.Get(), 2), (std::vector<float>{0.5f, 1, 1.6f, 0})) << c.name;
    }
}

TEST(ReportData, ReadOutNumbersFollowTheUnitRules)
{
    struct Case {
        double value;
        const char16_t* unit;
        int32_t decimals;
        const char16_t* text;
    } const cases[] = {
        {0.5, u"V", 3, u"500.000 mV"},       // a known name: mantissa and prefix letter
        {0, u"V", 2, u"0.00 V"},
        {1500, u"Pa", 1, u"1.5 kPa"},
        {2, u"V", 0, u"2 V"},
        {1.5, u"mV", 3, u"1.500 mV"},        // prefixed: not a known name, the whole value
        {2, u"mmHg", 2, u"2.00 mmHg"},
        {-1234.5678, u"mmHg", 1, u"-1234.6 mmHg"},
        {12.25, u"", 2, u"12.25"},           // no unit: the value alone
        {0.001, u"", 0, u"0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Tessar::FormatReadOutValue(c.value, KVI::String(c.unit), c.decimals).View(), std::u16string(c.text))
            << c.value;
}

// A sixth column "SD" only when a point keeps a standard deviation: in the raw values' display
// units, empty (NaN) for a point without one; a record whose provenance has no measured point
// keeps the five columns.
TEST(ReportData, TableGetsTheStandardDeviationsOfMeasuredPoints)
{
    CalibrationData d = Fitted(0, {0.001, 0.002, 0.003}, {10, 20, 31});
    const platform::ComPtr<GUILib::CTabulatedData> table(new GUILib::CTabulatedData());
    d.provenance_.resize(3);
    Tessar::FillReportTable(*table.Get(), d, Unit(kMilli, u"V"));
    int32_t columns = 0;
    table->GetColumnCount(&columns);
    EXPECT_EQ(columns, 5) << "typed points keep no SD";

    d.provenance_[0] = {true, 0.001, 0.00002, 500, 0, 10, 510};
    d.provenance_[2] = {true, 0.003, 0.0000125, 0, -1, 0, 0};  // from a points file
    Tessar::FillReportTable(*table.Get(), d, Unit(kMilli, u"V"));
    table->GetColumnCount(&columns);
    ASSERT_EQ(columns, 6);
    EXPECT_EQ(Name(*table.Get(), 5), u"SD");
    const std::vector<float> sd = Column(*table.Get(), 5);
    ASSERT_EQ(sd.size(), 3u);
    EXPECT_FLOAT_EQ(sd[0], 0.02f);  // mV
    EXPECT_TRUE(std::isnan(sd[1]));
    EXPECT_FLOAT_EQ(sd[2], 0.0125f);
}

}  // namespace
