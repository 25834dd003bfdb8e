// Exact number texts in prefixed units and the CSV points form of the calibration dialog, checked
// against exact rational arithmetic and against the units library's own reading.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <boost/multiprecision/cpp_int.hpp>

#include "calibration/calibration_data.h"
#include "settings_dialog/point_texts.h"
#include "values/units/unit_value.h"

namespace {

using Rational = boost::multiprecision::cpp_rational;
using Tessar::ImportedPoint;
using Tessar::ReadPointsCsv;
using Tessar::ShiftedNumberText;

// The exact value of a decimal text "[-]d[.d][e±x]", written independently of the code under test.
Rational ExactDecimal(const std::string& text)
{
    const size_t e = text.find_first_of("eE");
    const std::string mantissa = text.substr(0, e);
    const int exponent = e == std::string::npos ? 0 : std::stoi(text.substr(e + 1));
    const size_t point = mantissa.find('.');
    std::string digits = mantissa;
    int shift = exponent;
    if (point != std::string::npos) {
        digits.erase(point, 1);
        shift -= int(mantissa.size() - point - 1);
    }
    // cpp_int reads a leading 0 as octal: the sign and the leading zeros go first.
    const bool negative = !digits.empty() && digits[0] == '-';
    if (negative) digits.erase(0, 1);
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
    Rational value{boost::multiprecision::cpp_int(digits)};
    if (negative) value = -value;
    const Rational ten = 10;
    for (int k = 0; k < std::abs(shift); ++k) {
        if (shift > 0)
            value *= ten;
        else
            value /= ten;
    }
    return value;
}

Rational Power10(int k)
{
    Rational p = 1;
    for (int i = 0; i < std::abs(k); ++i) {
        if (k > 0)
            p *= 10;
        else
            p /= 10;
    }
    return p;
}

TEST(ShiftedNumberText, IsTheExactDecimalOfTheValueInThePrefixedUnit)
{
    const double values[] = {0.0125,  0.1,      12.5,   -0.0003, 1.0 / 3.0, 2.0 / 3.0e-7, 123456789.125, 1e-300,
                             6.02e23, 0.000999, -41.75, 1e21,    5e-324,    0.399,        1234.5678e-9};
    const int exponents[] = {-9, -6, -3, 0, 3, 6};
    for (const double v : values) {
        // Independent reference: the shortest text that reads back as v (17 significant digits
        // always do; the code under test may use fewer, so compare values, not texts).
        for (const int k : exponents) {
            const std::string text = ShiftedNumberText(v, k);
            SCOPED_TRACE(text + " for " + std::to_string(v) + " at 10^" + std::to_string(k));
            // Read back with the prefix's power of ten, exactly, it is the same double.
            const double back = static_cast<double>(ExactDecimal(text) * Power10(k));
            EXPECT_EQ(back, v);
            // And the units library reads "<text> <prefix>V" as the same double too.
            if (k == -3) {
                EXPECT_EQ(KVI::UnitValue::Parse(KVI::String::FromUtf8(text + " mV")).Value(), v);
            }
            EXPECT_LE(text.size(), 26u) << "no run of padding digits";
        }
    }
}

TEST(ShiftedNumberText, ShortValuesReadAsTheyAreTyped)
{
    struct Case {
        double value;
        int exponent;
        const char* text;
    } cases[] = {
        {0.0125, -3, "12.5"}, {0.1, -3, "100"},  {0, -3, "0"},          {-0.0, 0, "-0"},
        {2500, 3, "2.5"},     {1e-9, -9, "1"},   {1e-12, 0, "1e-12"},   {1.5e20, 0, "1.5e+20"},
        {0.00042, 0, "0.00042"}, {-7e-4, -6, "-700"},
    };
    for (const Case& c : cases) EXPECT_EQ(ShiftedNumberText(c.value, c.exponent), c.text);
    EXPECT_EQ(ShiftedNumberText(std::numeric_limits<double>::infinity(), -3), "inf");
}

const KVI::UnitInfo kMilliVolt{0, 7, KVI::String(u"V")};
const KVI::UnitInfo kKiloPascal{0, 9, KVI::String(u"Pa")};

TEST(PointsCsv, WrittenPointsReadBackExactlyWithTheirStandardDeviations)
{
    Tessar::CalibrationData data;
    data.rawValues_ = {0.0125, 1.0 / 3.0, 0.4};
    data.calibratedValues_ = {1013.25, 2.0 / 7.0 * 1e5, -5};
    data.provenance_.resize(3);
    data.provenance_[1].measured = true;
    data.provenance_[1].sd = 1.0 / 7.0 * 1e-4;
    const std::string text = Tessar::PointsCsvText(data, kMilliVolt, kKiloPascal);
    EXPECT_EQ(text.substr(0, text.find('\n')), "Raw (mV),Calibrated (kPa),SD (mV)");
    EXPECT_EQ(text.substr(text.find('\n') + 1, text.find('\n', text.find('\n') + 1) - text.find('\n') - 1),
              "12.5,1.01325,");
    std::vector<ImportedPoint> points;
    ASSERT_EQ(ReadPointsCsv(text, kMilliVolt, kKiloPascal, 12, points), "");
    ASSERT_EQ(points.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(points[i].raw, data.rawValues_[i]) << i;
        EXPECT_EQ(points[i].calibrated, data.calibratedValues_[i]) << i;
    }
    EXPECT_FALSE(points[0].sd);
    ASSERT_TRUE(points[1].sd);
    EXPECT_EQ(*points[1].sd, data.provenance_[1].sd);

    // Without any SD there is no SD column.
    data.provenance_.clear();
    const std::string plain = Tessar::PointsCsvText(data, kMilliVolt, kKiloPascal);
    EXPECT_EQ(plain.substr(0, plain.find('\n')), "Raw (mV),Calibrated (kPa)");
}

TEST(PointsCsv, UnitsConvertByPrefixAndForeignUnitsAreRefused)
{
    struct Case {
        const char* name;
        const char* text;
        bool accepted;
        double raw, calibrated;  // the first point, base units
    } cases[] = {
        {"header units, other prefixes", "Raw (V),Calibrated (Pa)\n0.5,2000\n1,3000\n", true, 0.5, 2000},
        {"units in the cells", "1500 uV,2 kPa\n2 mV,3 MPa\n", true, 0.0015, 2000},
        {"bare numbers take the dialog's units", "12.5,3\n20,4\n", true, 0.0125, 3000},
        {"foreign raw unit", "Raw (A),Calibrated (kPa)\n1,2\n", false, 0, 0},
        {"foreign calibrated unit", "1 mV,2 mmHg\n", false, 0, 0},
        {"foreign SD unit", "1 mV,2 kPa,0.1 A\n", false, 0, 0},
        {"not a table", "hello\n", false, 0, 0},
        {"no rows", "# nothing here\n", false, 0, 0},
    };
    for (const Case& c : cases) {
        std::vector<ImportedPoint> points = {ImportedPoint{9, 9, {}}};
        const std::string error = ReadPointsCsv(c.text, kMilliVolt, kKiloPascal, 12, points);
        if (c.accepted) {
            ASSERT_EQ(error, "") << c.name;
            EXPECT_EQ(points.front().raw, c.raw) << c.name;
            EXPECT_EQ(points.front().calibrated, c.calibrated) << c.name;
        } else {
            EXPECT_NE(error, "") << c.name;
            ASSERT_EQ(points.size(), 1u) << c.name << ": left untouched";
            EXPECT_EQ(points.front().raw, 9) << c.name;
        }
    }
    std::string thirteen;
    for (int i = 0; i < 13; ++i) thirteen += std::to_string(i) + "," + std::to_string(i) + "\n";
    std::vector<ImportedPoint> points;
    const std::string error = ReadPointsCsv(thirteen, kMilliVolt, kKiloPascal, 12, points);
    EXPECT_NE(error.find("13 points"), std::string::npos) << error;
    EXPECT_TRUE(points.empty());
    ASSERT_EQ(ReadPointsCsv(thirteen.substr(0, thirteen.rfind("12,")), kMilliVolt, kKiloPascal, 12, points), "");
    EXPECT_EQ(points.size(), 12u);
}

}  // namespace
