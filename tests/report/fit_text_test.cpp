// The fit report's texts: the equation of every fit kind, the statistics line and the
// fit-type line, compared character for character.
#include <gtest/gtest.h>

#include <cmath>
#include <locale>
#include <string>
#include <vector>

#include "calibration/calibration_data.h"
#include "calibration/calibration_fit.h"
#include "foundation/ostring_stream.h"
#include "report/fit_text.h"

namespace {

using Tessar::CalibrationData;

CalibrationData Record(int32_t kind, std::vector<double> coefficients)
{
    CalibrationData d;
    d.fitKind_ = kind;
    d.coefficients_ = std::move(coefficients);
    return d;
}

std::u16string Text(const KVI::String& s) { return std::u16string(s.View()); }

TEST(FitText, EquationOfEveryKind)
{
    struct Case {
        const char* name;
        int32_t kind;
        std::vector<double> coefficients;
        const char16_t* text;
    };
    const Case cases[] = {
        {"linear", 0, {1, 2}, u"y = 2x + 1"},
        {"negative leading coefficient: two blanks", 0, {1, -2}, u"y =  - 2x + 1"},
        {"negative constant", 0, {-3.5, 2}, u"y = 2x - 3.5"},
        {"quadratic", 1, {1, -2.5, 0.5}, u"y = 0.5x^2 - 2.5x + 1"},
        {"zero middle coefficient", 1, {3, 0, 1}, u"y = 1x^2 + 0x + 3"},
        {"negative zero takes a plus", 1, {-0.0, -0.0, 1}, u"y = 1x^2 + 0x + 0"},
        {"cubic", 2, {4, 3, 2, 1}, u"y = 1x^3 + 2x^2 + 3x + 4"},
        {"quintic powers", 4, {0, 1, 2, 3, 4, 5}, u"y = 5x^5 + 4x^4 + 3x^3 + 2x^2 + 1x + 0"},
        {"longer list than the kind implies", 0, {1, 2, 3}, u"y = 3x^2 + 2x + 1"},
        {"one coefficient", 3, {7}, u"y = 7"},
        {"no coefficients", 2, {}, u"y = "},
        {"logarithmic", 5, {1.2, 2.5}, u"y = 2.5 ln(x) + 1.2"},
        {"logarithmic, negative values", 5, {-1.2, -2.5}, u"y =  - 2.5 ln(x) - 1.2"},
        {"logarithmic, one coefficient", 5, {1.2}, u"y = "},
        {"exponential", 6, {0.3, 2.5}, u"y = 2.5 exp(0.3x)"},
        {"exponential, negative rate", 6, {-0.3, 2}, u"y = 2 exp( - 0.3x)"},
        {"exponential, negative amplitude", 6, {0.3, -2}, u"y =  - 2 exp(0.3x)"},
        {"exponential, no coefficients", 6, {}, u"y = "},
        {"point to point", 7, {1, 10, 2, 20}, u"y = Linear interpolation between calibration points"},
        {"unknown kind", 8, {1, 2}, u"y = "},
        {"negative kind", -1, {1, 2}, u"y = "},
        {"six significant digits", 0, {0.0001, 1250000.25}, u"y = 1.25e+06x + 0.0001"},
        {"rounded to six digits", 0, {-1.0 / 3, 123456789}, u"y = 1.23457e+08x - 0.333333"},
        {"small exponent form", 0, {0.00001234, 1e-16}, u"y = 1e-16x + 1.234e-05"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Text(Tessar::FormatEquation(Record(c.kind, c.coefficients), KVI::UnitInfo::Empty())), c.text);
    }
}

TEST(FitText, WriteTermWritesTheSignOnlyWhenAsked)
{
    KVI::OStringStream os;
    Tessar::WriteTerm(os, -2, true);
    Tessar::WriteTerm(os, 0, true);
    Tessar::WriteTerm(os, 3.25, false);
    Tessar::WriteTerm(os, -4, false);  // the magnitude alone: the caller asks for the sign
    Tessar::WriteTerm(os, 1.5, true);
    EXPECT_EQ(Text(os.Str()), u" - 2 + 03.254 + 1.5");
}

TEST(FitText, NumbersIgnoreTheGlobalLocale)
{
    struct Comma : std::numpunct<wchar_t> {
        wchar_t do_decimal_point() const override { return L','; }
        wchar_t do_thousands_sep() const override { return L'.'; }
        std::string do_grouping() const override { return "\3"; }
    };
    const std::locale old = std::locale::global(std::locale(std::locale::classic(), new Comma));
    const std::u16string equation = Text(Tessar::FormatEquation(Record(0, {1.5, 1234}), KVI::UnitInfo::Empty()));
    std::locale::global(old);
    EXPECT_EQ(equation, u"y = 1234x + 1.5");
}

TEST(FitText, StatisticsLine)
{
    CalibrationData d = Record(0, {0, 1});
    d.rawValues_ = {1, 2, 3};
    d.calibratedValues_ = {1, 3, 2};  // r = 0.5
    d.chiSquare_ = 1250000.25;
    d.sse_ = 0.0001;
    EXPECT_EQ(Text(Tessar::FormatStatistics(d)), u"Chi\u00B2 = 1.25e+06   SSE = 0.0001\tr\u00B2 = 0.25");

    d.forceOrigin_ = true;
    EXPECT_EQ(Text(Tessar::FormatStatistics(d)), u"Chi\u00B2 = 1.25e+06   SSE = 0.0001");

    // r² only for the linear kind; nothing at all for point to point.
    d.forceOrigin_ = false;
    for (int32_t kind : {1, 2, 3, 4, 5, 6, 9}) {
        d.fitKind_ = kind;
        EXPECT_EQ(Text(Tessar::FormatStatistics(d)), u"Chi\u00B2 = 1.25e+06   SSE = 0.0001") << kind;
    }
    d.fitKind_ = 7;
    EXPECT_EQ(Text(Tessar::FormatStatistics(d)), u"");
}

TEST(FitText, StatisticsOfAFittedLine)
{
    CalibrationData d;
    d.rawValues_ = {0, 1, 2};
    d.calibratedValues_ = {0, 2, 4};
    ASSERT_TRUE(Tessar::FitCalibration(d));
    // An exact fit: chi-square and SSE within rounding of 0, r² exactly 1 (or within a
    // rounding step of it, written in six digits).
    const std::u16string s = Text(Tessar::FormatStatistics(d));
    ASSERT_EQ(s.substr(0, 7), u"Chi\u00B2 = ");
    EXPECT_NE(s.find(u"   SSE = "), std::u16string::npos);
    EXPECT_TRUE(s.ends_with(u"\tr\u00B2 = 1")) << KVI::String(s).ToUtf8();
}

TEST(FitText, FitTypeLineIsTheLongName)
{
    const char16_t* names[] = {u"Linear",
                               u"2nd order polynomial (Quadratic)",
                               u"3rd order polynomial (Cubic)",
                               u"4th order polynomial (Quartic)",
                               u"5th order polynomial (Quintic)",
                               u"Logarithmic",
                               u"Exponential",
                               u"Point to Point"};
    for (int32_t kind = 0; kind < 8; ++kind)
        EXPECT_EQ(Text(Tessar::FitTypeLine(Record(kind, {}))), names[kind]) << kind;
    EXPECT_EQ(Text(Tessar::FitTypeLine(Record(8, {}))), u"");
    EXPECT_EQ(Text(Tessar::FitTypeLine(Record(-1, {}))), u"");
}

KVI::UnitInfo UnitOf(int32_t prefix, const char16_t* name)
{
    KVI::UnitInfo u;
    u.prefix_ = prefix;
    u.name_ = KVI::String(name);
    return u;
}

// The curve of a kind at x with coefficients c, in long double.
long double CurveAt(int32_t kind, const std::vector<double>& c, long double x)
{
    if (kind == 5) return c[0] + c[1] * std::log(x);
    if (kind == 6) return c[1] * std::exp(c[0] * x);
    long double y = 0;
    for (size_t k = c.size(); k-- > 0;) y = y * x + c[k];
    return y;
}

// The equation's coefficients describe the same curve in the units on the axes: y(x) in base
// units equals Y(X) 10^ey at x = X 10^ex, for every kind, prefixes on either side or both,
// and force origin.
TEST(FitText, EquationsAreInTheUnitsOnTheAxes)
{
    struct Units {
        const char* name;
        KVI::UnitInfo raw, calibrated;
        int ex, ey;
    };
    const Units units[] = {
        {"mV to kPa", UnitOf(7, u"V"), UnitOf(9, u"Pa"), -3, 3},
        {"uV to MPa", UnitOf(6, u"V"), UnitOf(10, u"Pa"), -6, 6},
        {"kV to mmHg", UnitOf(9, u"V"), UnitOf(8, u"mmHg"), 3, 0},
        {"V to mN", UnitOf(8, u"V"), UnitOf(7, u"N"), 0, -3},
        {"no raw unit, to kPa", KVI::UnitInfo::Empty(), UnitOf(9, u"Pa"), 0, 3},
    };
    struct Kind {
        int32_t kind;
        std::vector<double> c;
        bool forceOrigin;
    };
    const Kind kinds[] = {
        {0, {1.5, 2.25}, false},
        {1, {-3, 0.5, 0.125}, false},
        {2, {0, 2, -0.5, 0.1}, true},
        {3, {1, 2, 3, 4, 5}, false},
        {4, {0.5, -1, 2, -3, 4, -5}, false},
        {4, {0, 1, 1, 1, 1, 1}, true},
        {5, {3, 2}, false},
        {6, {7e-4, 2.5}, false},
    };
    for (const Units& u : units) {
        for (const Kind& k : kinds) {
            SCOPED_TRACE(std::string(u.name) + ", kind " + std::to_string(k.kind));
            CalibrationData d = Record(k.kind, k.c);
            d.forceOrigin_ = k.forceOrigin;
            d.unit_ = u.calibrated;
            const std::vector<double> shown = Tessar::DisplayCoefficients(d, u.raw);
            ASSERT_EQ(shown.size(), k.c.size());
            if (k.forceOrigin) {
                EXPECT_EQ(shown[0], 0.0);
            }
            for (long double X : {0.5L, 1.0L, 2.0L, 3.75L}) {
                const long double x = X * std::pow(10.0L, u.ex);
                const long double expected = CurveAt(k.kind, k.c, x) / std::pow(10.0L, u.ey);
                EXPECT_NEAR(double(CurveAt(k.kind, shown, X)), double(expected), 1e-12 * std::fabs(double(expected)))
                    << "X = " << double(X);
            }
        }
    }
}

TEST(FitText, TheEquationOfPrefixedPointsAndItsUnits)
{
    // (0 mV, 1 kPa) and (1 mV, 3 kPa), stored as (0 V, 1000 Pa) and (0.001 V, 3000 Pa).
    CalibrationData d = Record(0, {1000, 2e6});
    d.unit_ = UnitOf(9, u"Pa");
    EXPECT_EQ(Text(Tessar::FormatEquation(d, UnitOf(7, u"V"))), u"y = 2x + 1");
    EXPECT_EQ(Text(Tessar::UnitsLine(d, UnitOf(7, u"V"))), u"x in mV, y in kPa");
    // In base units the same curve reads in pascals per volt.
    EXPECT_EQ(Text(Tessar::UnitsLine(d, KVI::UnitInfo::Empty())), u"y in kPa");
    CalibrationData bare = Record(0, {1000, 2e6});
    EXPECT_EQ(Text(Tessar::FormatEquation(bare, KVI::UnitInfo::Empty())), u"y = 2e+06x + 1000");
    EXPECT_EQ(Text(Tessar::UnitsLine(bare, KVI::UnitInfo::Empty())), u"");
    EXPECT_EQ(Text(Tessar::UnitsLine(bare, UnitOf(8, u"V"))), u"x in V");
    // The logarithm of millivolts: y = 2 ln(x / V) + 3 is 2 ln(X / mV) + 3 - 2 ln 1000.
    CalibrationData log = Record(5, {3, 2});
    EXPECT_EQ(Text(Tessar::FormatEquation(log, UnitOf(7, u"V"))), u"y = 2 ln(x) - 10.8155");
}

}  // namespace
