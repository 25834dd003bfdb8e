// Reference points as the command line takes them (options and points files), fit kind names
// and unit texts.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "host/velogram/command_error.h"
#include "host/velogram/fit_kind_name.h"
#include "host/velogram/point_set.h"
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

Velogram::PointUnits Units(const char* raw, const char* calibrated)
{
    Velogram::PointUnits units;
    units.raw = raw;
    units.calibrated = calibrated;
    return units;
}

TEST(PointUnits, BareNumbersTakeTheirColumnsUnitAndBadValuesAreNamed)
{
    std::vector<ReferencePoint> points = {{"1", "0", "a"}, {"2 mV", "3 kPa", "b"}, {"1e3 V", "5 Pa", "c"}};
    Velogram::CompletePointUnits(points, Units("mV", "kPa"));
    EXPECT_EQ(points[0].raw, "1 mV");
    EXPECT_EQ(points[0].calibrated, "0 kPa");
    EXPECT_EQ(points[1].raw, "2 mV");
    EXPECT_EQ(points[1].calibrated, "3 kPa");
    EXPECT_DOUBLE_EQ(Velogram::BaseValue(points[0].raw), 0.001);
    EXPECT_DOUBLE_EQ(Velogram::BaseValue(points[1].calibrated), 3000);
    EXPECT_DOUBLE_EQ(Velogram::BaseValue(points[2].raw), 1000);
    EXPECT_TRUE(std::isnan(Velogram::BaseValue("abc")));

    // Without units nothing is added.
    std::vector<ReferencePoint> bare = {{"1", "2", "a"}};
    Velogram::CompletePointUnits(bare, Units("", ""));
    EXPECT_EQ(bare[0].raw, "1");

    std::vector<ReferencePoint> bad = {{"1", "0", "p.csv:3"}, {"volts", "1", "p.csv:4"}};
    EXPECT_EQ(ErrorOf([&] { Velogram::CompletePointUnits(bad, Units("V", "")); }).rfind(
                  "p.csv:4: the raw value \"volts\" is not a number", 0),
              0u);
}

TEST(PointUnits, AUnitOfAnotherQuantityIsRefusedNamingThePointAndBothUnits)
{
    struct Case {
        const char* name;
        ReferencePoint point;
        Velogram::PointUnits units;
        std::string message;  // empty: accepted
    };
    const std::vector<Case> cases = {
        {"milliamperes on a channel in volts", {"0 mA", "0", "--point 1"}, Units("V", "kPa"),
         "--point 1: mA is not a unit of the channel (V)"},
        {"mmHg for a calibration in kPa", {"1", "1 mmHg", "--point 2"}, Units("V", "kPa"),
         "--point 2: mmHg is not a unit of the calibration (kPa)"},
        {"a unit on a channel without one", {"1 mV", "1", "--point 1"}, Units("", ""),
         "--point 1: mV is not a unit of the channel, which has no unit"},
        {"no blank before the unit", {"12.5mA", "1", "--point 1"}, Units("V", ""),
         "--point 1: mA is not a unit of the channel (V)"},
        {"any prefix of the right unit", {"3 kV", "2 MPa", "--point 1"}, Units("mV", "kPa"), ""},
        {"a name with a blank", {"1", "8 degrees C", "--point 1"}, Units("V", "degrees C"), ""},
        {"micro written u", {"7 uV", "1", "--point 1"}, Units("V", ""), ""},
    };
    for (const Case& c : cases) {
        std::vector<ReferencePoint> points = {c.point};
        const std::string error = ErrorOf([&] { Velogram::CompletePointUnits(points, c.units); });
        if (c.message.empty())
            EXPECT_EQ(error, "no error") << c.name;
        else
            EXPECT_EQ(error, c.message) << c.name;
    }
    EXPECT_EQ(Velogram::UnitWord("12.5 mV"), "mV");
    EXPECT_EQ(Velogram::UnitWord(" -3e2kPa "), "kPa");
    EXPECT_EQ(Velogram::UnitWord("8 degrees C"), "degrees C");
    EXPECT_EQ(Velogram::UnitWord("8"), "");
}

TEST(PointUnits, TheColumnsTakeTheCommandsUnitsElseTheHeadersElseThePoints)
{
    Velogram::PointSet set;
    set.points = {{"1", "2", "--point 1"}, {"2 mV", "3 kPa", "--point 2"}};
    // fit without units: from the points
    Velogram::PointUnits units = Velogram::ResolvePointUnits(set, "", "", true, "the raw values");
    EXPECT_EQ(units.raw, "mV");
    EXPECT_EQ(units.calibrated, "kPa");
    // a header's units come before the points'
    set.header = {"V", "Pa", "p.csv:1"};
    units = Velogram::ResolvePointUnits(set, "", "", true, "the raw values");
    EXPECT_EQ(units.raw, "V");
    EXPECT_EQ(units.calibrated, "Pa");
    // the command's units come first, and a header naming another quantity is refused
    units = Velogram::ResolvePointUnits(set, "mV", "kPa", false, "the channel");
    EXPECT_EQ(units.raw, "mV");
    set.header = {"mA", "", "p.csv:1"};
    EXPECT_EQ(ErrorOf([&] { Velogram::ResolvePointUnits(set, "V", "kPa", false, "the channel"); }),
              "p.csv:1: the raw column's unit mA is not a unit of the channel (V)");
    // calibrate: a channel without a unit has none, whatever the points say
    set.header = {};
    EXPECT_EQ(Velogram::ResolvePointUnits(set, "", "kPa", false, "the channel").raw, "");
}

TEST(PointsFile, ReadsRowsWithAnOptionalHeaderGivingUnits)
{
    Velogram::PointsHeader header;
    const auto points = Velogram::ParsePointsText(
        "\xEF\xBB\xBF# calibration of 2024-05-01\r\n"
        "Transducer (mV),Pressure (kPa)\r\n"
        "\r\n"
        "12.5,3\r\n"
        "  1 V , 200 Pa\n"
        "\"7\",8",
        "p.csv", &header);
    EXPECT_EQ(header.rawUnit, "mV");
    EXPECT_EQ(header.calibratedUnit, "kPa");
    EXPECT_EQ(header.origin, "p.csv:2");
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

TEST(PointsFile, AThirdCellIsTheRawValuesStandardDeviation)
{
    const auto points = Velogram::ParsePointsText("Reading (mV),Load (N),SD (mV)\n1,10,0.02\n2,20,\n3,30,5 uV\n", "p.csv");
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[0].sd, "0.02 mV") << "in the raw column's unit";
    EXPECT_EQ(points[1].sd, "") << "an empty cell: none";
    EXPECT_EQ(points[2].sd, "5 uV");
    EXPECT_DOUBLE_EQ(Velogram::BaseValue(points[0].sd), 2e-5);
}

TEST(PointsFile, RefusesBadRowsNamingLineAndColumn)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"0,0\n1\n", "p.csv:2:1: a point needs two values"},
        {"0,0\n1,2,3,4\n", "p.csv:2:1: a point needs two values"},
        {"0,0\n1,2,x\n", "p.csv:2:5: the standard deviation \"x\" is not a number"},
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
