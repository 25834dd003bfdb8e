// The fit report's lines on the uncertainty and the advice, character for character, and the
// standard errors in the units on the axes checked against fits made in those units.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "calibration/calibration_fit.h"
#include "calibration/fit_uncertainty.h"
#include "report/uncertainty_text.h"

namespace {

using Tessar::CalibrationData;

KVI::UnitInfo UnitOf(int32_t prefix, const char16_t* name) { return KVI::UnitInfo{0, prefix, KVI::String(name)}; }

CalibrationData Fitted(int32_t kind, std::vector<double> raw, std::vector<double> calibrated,
                       const KVI::UnitInfo& unit = UnitOf(8, u"mmHg"))
{
    CalibrationData d;
    d.fitKind_ = kind;
    d.rawValues_ = std::move(raw);
    d.calibratedValues_ = std::move(calibrated);
    d.unit_ = unit;
    EXPECT_TRUE(Tessar::FitCalibration(d));
    return d;
}

std::vector<std::u16string> Lines(const CalibrationData& d, const KVI::UnitInfo& source = KVI::UnitInfo::Empty())
{
    std::vector<std::u16string> out;
    for (const KVI::String& s : Tessar::UncertaintyLines(d, source)) out.emplace_back(s.View());
    return out;
}

TEST(UncertaintyText, LinesOfALine)
{
    // (0, 0), (1, 1), (2, 3): residuals 1/6, -1/3, 1/6, SSE 1/6 over one degree of freedom; the
    // standard errors sqrt(5/36) and sqrt(1/12); t(0.975, 1) = 12.7062.
    const std::vector<std::u16string> lines = Lines(Fitted(0, {0, 1, 2}, {0, 1, 3}));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], u"s = 0.408248 mmHg (1 degree of freedom)");
    // At the points sqrt(1 + h) with h = 5/6, 1/3, 5/6: 12.7062 * 0.408248 * sqrt(4/3) and sqrt(11/6).
    EXPECT_EQ(lines[1], u"95 % prediction at the points: \u00B1 5.98976 to 7.02362 mmHg");
    EXPECT_EQ(lines[2], u"Standard errors: c0 \u00B1 0.372678, c1 \u00B1 0.288675");
}

TEST(UncertaintyText, SixDigitsInTheCalibratedUnitsPrefix)
{
    // The same points in pascals, shown in kilopascals, and with more degrees of freedom.
    const CalibrationData d = Fitted(0, {0, 1, 2, 3}, {0, 1000, 3000, 2000}, UnitOf(9, u"Pa"));
    const std::vector<std::u16string> lines = Lines(d);
    ASSERT_EQ(lines.size(), 3u);
    Tessar::FitUncertainty u;
    ASSERT_TRUE(u.Build(d));
    char expected[80];
    std::snprintf(expected, sizeof expected, "s = %g kPa (2 degrees of freedom)", u.ResidualStandardDeviation() / 1000);
    EXPECT_EQ(std::u16string(KVI::String(expected).View()), lines[0]);
}

TEST(UncertaintyText, ExponentialResidualsAreOfTheLogarithm)
{
    const CalibrationData d = Fitted(6, {0, 1, 2, 3}, {2, 5.5, 14.5, 41});
    const std::vector<std::u16string> lines = Lines(d);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(lines[0].starts_with(u"s = ")) << KVI::String(lines[0].c_str()).ToUtf8();
    EXPECT_NE(lines[0].find(u" in ln y (2 degrees of freedom)"), std::u16string::npos);
}

TEST(UncertaintyText, NoDegreesOfFreedomAndNoLeastSquares)
{
    EXPECT_EQ(Lines(Fitted(0, {0, 1}, {0, 2})), std::vector<std::u16string>{Tessar::kNoDegreesOfFreedom});
    EXPECT_TRUE(Lines(Fitted(7, {0, 1, 2}, {0, 2, 3})).empty());
}

// The standard errors of the displayed coefficients are those of the same points fitted in the
// displayed units: millivolts and kilopascals, for each kind whose conversion differs.
TEST(UncertaintyText, StandardErrorsAreInTheUnitsOfTheEquation)
{
    const KVI::UnitInfo milliVolts = UnitOf(7, u"V");
    const KVI::UnitInfo kiloPascals = UnitOf(9, u"Pa");
    struct Case {
        const char* name;
        int32_t kind;
        std::vector<double> raw;  // volts
        std::vector<double> calibrated;  // pascals
    } const cases[] = {
        {"quadratic", 1, {0.001, 0.002, 0.003, 0.004, 0.005}, {1100, 1950, 3200, 4100, 5200}},
        {"logarithmic", 5, {0.0005, 0.001, 0.002, 0.004, 0.008}, {-600, 110, 690, 1420, 2010}},
        {"exponential", 6, {0.001, 0.002, 0.003, 0.004}, {2100, 5400, 14800, 40100}},
    };
    for (const Case& c : cases) {
        const CalibrationData base = Fitted(c.kind, c.raw, c.calibrated, kiloPascals);
        Tessar::FitUncertainty u;
        ASSERT_TRUE(u.Build(base)) << c.name;
        const std::vector<double> shown = Tessar::DisplayStandardErrors(base, milliVolts, u);

        std::vector<double> x, y;
        for (double v : c.raw) x.push_back(v * 1000);
        for (double v : c.calibrated) y.push_back(v / 1000);
        const CalibrationData displayed = Fitted(c.kind, x, y, UnitOf(8, u"Pa"));
        Tessar::FitUncertainty direct;
        ASSERT_TRUE(direct.Build(displayed)) << c.name;
        const std::vector<double> want = direct.StandardErrors();
        ASSERT_EQ(shown.size(), want.size()) << c.name;
        for (size_t k = 0; k < want.size(); ++k) EXPECT_NEAR(shown[k], want[k], 1e-9 * want[k]) << c.name << " c" << k;
    }
}

TEST(UncertaintyText, AdviceLine)
{
    Tessar::FitAdvice advice;
    EXPECT_EQ(std::u16string(Tessar::AdviceLine(advice).View()), u"");
    advice.best = 1;
    EXPECT_EQ(std::u16string(Tessar::AdviceLine(advice).View()), u"Best supported by these points: Quadratic");
    advice.best = 2;
    advice.simpler = 0;
    EXPECT_EQ(std::u16string(Tessar::AdviceLine(advice).View()),
              u"Best supported by these points: Cubic (Linear is within 10 % and simpler)");
}

}  // namespace
