// Reference points as the command line takes them (options and points files), fit kind names
// and unit texts.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "host/velogram/command_error.h"
#include "host/velogram/fit_kind_name.h"
#include "host/velogram/points_file.h"
#include "host/velogram/reference_points.h"
#include "host/velogram/unit_text.h"

namespace {

using Velogram::CommandError;
using Velogram::ReferencePoint;

std::string ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const CommandError& e) {
        return e.what();
    }
    return "no error";
}

TEST(FitKindName, TakesNamesAndNumbersAndRefusesTheRest)
{
    const std::vector<std::pair<const char*, int>> good = {
        {"linear", 0},      {"Quadratic", 1},      {"CUBIC", 2},           {"quartic", 3},
        {"quintic", 4},     {"logarithmic", 5},    {"exponential", 6},     {"point-to-point", 7},
        {"point to point", 7}, {"point_to_point", 7}, {"0", 0},            {"7", 7},
    };
    for (const auto& [text, kind] : good) EXPECT_EQ(Velogram::ParseFitKind(text), kind) << text;
    for (int kind = 0; kind < Velogram::kFitKinds; ++kind)
        EXPECT_EQ(Velogram::ParseFitKind(Velogram::FitKindName(kind)), kind);
    for (const char* bad : {"8", "-1", "", "lin", "07", "spline"}) {
        const std::string error = ErrorOf([&] { Velogram::ParseFitKind(bad); });
        EXPECT_NE(error.find("unknown fit kind"), std::string::npos) << bad;
        EXPECT_NE(error.find("point-to-point (or 0 to 7)"), std::string::npos) << bad;
    }
}

TEST(UnitText, ReadsPrefixesAsTheUnitParserDoes)
{
    struct Case {
        const char* text;
        int32_t prefix;
        const char16_t* name;
    };
    const std::vector<Case> cases = {
        {"mV", 7, u"V"},          {" kPa ", 9, u"Pa"},   {"mmHg", 8, u"mmHg"}, {"Hz", 8, u"Hz"},
        {"degrees C", 8, u"degrees C"}, {"\xC2\xB5V", 6, u"V"}, {"uV", 6, u"V"}, {"%", 8, u"%"},
        {"", 1, u""},             {"m", 8, u"m"},
    };
    for (const Case& c : cases) {
        const KVI::UnitInfo unit = Velogram::UnitOfText(c.text);
        EXPECT_EQ(unit.prefix_, c.prefix) << c.text;
        EXPECT_EQ(unit.name_, KVI::String(c.name)) << c.text;
    }
    EXPECT_EQ(Velogram::UnitText(Velogram::UnitOfText("kPa")), "kPa");
    EXPECT_EQ(Velogram::PrefixedUnitFactor(Velogram::UnitOfText("mV")), 1000.0);
    EXPECT_EQ(Velogram::PrefixedUnitFactor(Velogram::UnitOfText("mmHg")), 1.0);
}

TEST(PointOption, SplitsRawAndCalibratedAtTheOneEqualsSign)
{
    const ReferencePoint p = Velogram::ParsePointOption(" 12.5 mV = 3 kPa ", 2);
    EXPECT_EQ(p.raw, "12.5 mV");
    EXPECT_EQ(p.calibrated, "3 kPa");
    EXPECT_EQ(p.origin, "--point 2");
    EXPECT_EQ(Velogram::ParsePointOption("-1=-2", 1).raw, "-1");
    for (const char* bad : {"1", "1=2=3", "=2", "1=", " = "})
        EXPECT_NE(ErrorOf([&] { Velogram::ParsePointOption(bad, 1); }).find("--point 1: "), std::string::npos) << bad;
}

TEST(PointUnits, BareNumbersTakeTheirColumnsUnitAndBadValuesAreNamed)
{
    std::vector<ReferencePoint> points = {{"1", "0", "a"}, {"2 mV", "3 kPa", "b"}, {"1e3 V", "5", "c"}};
    Velogram::CompletePointUnits(points, "mV", "mmHg");
    EXPECT_EQ(points[0].raw, "1 mV");
    EXPECT_EQ(points[0].calibrated, "0 mmHg");
    EXPECT_EQ(points[1].raw, "2 mV");
    EXPECT_EQ(points[1].calibrated, "3 kPa");
    EXPECT_DOUBLE_EQ(Velogram::BaseValue(points[0].raw), 0.001);
    EXPECT_DOUBLE_EQ(Velogram::BaseValue(points[1].calibrated), 3000);
    EXPECT_DOUBLE_EQ(Velogram::BaseValue(points[2].raw), 1000);
    EXPECT_TRUE(std::isnan(Velogram::BaseValue("abc")));

    // Without units nothing is added.
    std::vector<ReferencePoint> bare = {{"1", "2", "a"}};
    Velogram::CompletePointUnits(bare, "", "");
    EXPECT_EQ(bare[0].raw, "1");

    std::vector<ReferencePoint> bad = {{"1", "0", "p.csv:3"}, {"volts", "1", "p.csv:4"}};
    EXPECT_EQ(ErrorOf([&] { Velogram::CompletePointUnits(bad, "V", ""); }).rfind(
                  "p.csv:4: the raw value \"volts\" is not a number", 0),
              0u);
}

TEST(PointsFile, ReadsRowsWithAnOptionalHeaderGivingUnits)
{
    const auto points = Velogram::ParsePointsText(
        "\xEF\xBB\xBF# calibration of 2024-05-01\r\n"
        "Transducer (mV),Pressure (kPa)\r\n"
        "\r\n"
        "12.5,3\r\n"
        "  1 V , 200 Pa\n"
        "\"7\",8",
        "p.csv");
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[0].raw, "12.5 mV");
    EXPECT_EQ(points[0].calibrated, "3 kPa");
    EXPECT_EQ(points[0].origin, "p.csv:4");
    EXPECT_EQ(points[1].raw, "1 V") << "a value's own unit stays";
    EXPECT_EQ(points[1].calibrated, "200 Pa");
    EXPECT_EQ(points[2].raw, "7 mV");

    const auto plain = Velogram::ParsePointsText("0,0\n1,100\n", "q.csv");
    ASSERT_EQ(plain.size(), 2u);
    EXPECT_EQ(plain[1].calibrated, "100");
}

TEST(PointsFile, RefusesBadRowsNamingLineAndColumn)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"0,0\n1\n", "p.csv:2:1: a point needs two values"},
        {"0,0\n1,2,3\n", "p.csv:2:1: a point needs two values"},
        {"raw,cal\n0,0\n1,x\n", "p.csv:3:3: the calibrated value \"x\" is not a number"},
        {"0,0\nraw,cal\n", "p.csv:2:1: the raw value \"raw\" is not a number"},
        {"0,\"1\n", "p.csv:1:3: a quoted cell is not closed properly"},
        {"# nothing\n\nraw,cal\n", "p.csv: no reference points"},
        {"", "p.csv: no reference points"},
    };
    for (const auto& [text, message] : cases) {
        const std::string error = ErrorOf([&] { Velogram::ParsePointsText(text, "p.csv"); });
        EXPECT_EQ(error.rfind(message, 0), 0u) << text << " gave " << error;
    }
    EXPECT_NE(ErrorOf([] { Velogram::ReadPointsFile("/no/such/points.csv"); }).find("cannot read the points file"),
              std::string::npos);
}

}  // namespace
