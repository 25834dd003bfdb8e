// Fits through the command line as a user runs them: points far from zero calibrate a channel
// with the curve that was fitted, replicate standards, the failures that say why, and the
// conditioning report. References come from exact rational arithmetic.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/calibration/least_squares_reference.h"
#include "tests/velogram/velogram_run.h"

namespace {

using TestSupport::ExactPolynomialFit;
using TestSupport::ToDouble;
using VelogramTest::Cells;
using VelogramTest::Result;
using Fit = VelogramTest::Velogram;

std::string Text17(double v)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

// y = 0.5 + 0.01 t^2 + 0.001 t^3 with t = raw - 1000 mV, in long double.
long double Curve(long double millivolts)
{
    const long double t = millivolts - 1000;
    return 0.5L + 0.01L * t * t + 0.001L * t * t * t;
}

TEST_F(Fit, ACalibrationFarFromZeroCalibratesWithTheFittedCurve)
{
    std::string recording = "Sig (mV)\n";
    for (int i = 0; i <= 44; ++i) recording += Text17(1000 + 0.25 * i) + "\n";
    Write("offset.csv", recording);
    std::vector<std::string> points;
    for (int i = 0; i < 12; ++i) points.push_back("--point=" + std::to_string(1000 + i) + "=" + Text17(double(Curve(1000 + i))));
    for (const char* kind : {"cubic", "quintic"}) {
        std::vector<std::string> args = {"calibrate", "offset.csv", "--channel", "0", "--unit", "kPa",
                                         "--fit", kind, "-o", "out.csv"};
        args.insert(args.end(), points.begin(), points.end());
        const Result r = Run(args);
        ASSERT_EQ(r.status, 0) << kind << ": " << r.err;
        const auto rows = Cells(Read("out.csv"));
        ASSERT_EQ(rows.size(), 46u) << kind;
        for (size_t i = 1; i < rows.size(); ++i) {
            // The raw sample is a float in volts: what the curve gives there is the reference.
            const long double raw = static_cast<long double>(float(std::stod(rows[i][0]) / 1000)) * 1000;
            EXPECT_NEAR(std::stod(rows[i][1]), double(Curve(raw)), 1e-4) << kind << ", raw " << rows[i][0];
        }
    }
}

TEST_F(Fit, ReplicateStandardsFitFromAPointsFile)
{
    // 36 standards, each of twelve raw values measured three times, as a laboratory does.
    std::mt19937_64 random(36);
    std::normal_distribution<double> noise(0.0, 0.4);
    std::string file = "Reading (V),Standard (kPa)\n";
    std::vector<double> x, y;
    for (int repeat = 0; repeat < 3; ++repeat)
        for (int i = 0; i < 12; ++i) {
            const double raw = 0.1 + 0.4 * i;
            const double value = std::round((2.5 + 39.8 * raw + noise(random)) * 1000) / 1000;
            file += Text17(raw) + "," + Text17(value) + "\n";
            x.push_back(raw);
            y.push_back(value);
        }
    Write("norris.csv", file);
    Result r = Run({"fit", "--points", "norris.csv", "--fit", "linear", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto json = nlohmann::json::parse(r.out);
    ASSERT_EQ(json["points"].size(), 36u) << "every replicate is listed";
    // kPa in the file: the coefficients are stored in pascals.
    std::vector<double> pascals;
    for (double v : y) pascals.push_back(v * 1000);
    const auto exact = ExactPolynomialFit(x, pascals, 1);
    for (size_t k = 0; k < 2; ++k)
        EXPECT_NEAR(json["coefficients"][k].get<double>(), ToDouble(exact[k]), 1e-10 * std::fabs(ToDouble(exact[k])));
    EXPECT_GT(json["conditionNumber"].get<double>(), 1.0);
    EXPECT_LT(json["conditionNumber"].get<double>(), 3.0);
    EXPECT_EQ(json["singularValuesCut"], 0);
    EXPECT_EQ(r.err, "");

    // Point to point needs distinct raw values.
    r = Run({"fit", "--points", "norris.csv", "--fit", "point-to-point"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("repeated voltage value"), std::string::npos) << r.err;

    // Replicates of a single raw value leave the slope undetermined: a warning, not silence.
    r = Run({"fit", "--point", "2=1", "--point", "2=3", "--fit", "linear", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("warning: 1 singular value was cut"), std::string::npos) << r.err;
    EXPECT_TRUE(nlohmann::json::parse(r.out)["conditionNumber"].is_null()) << "infinite";
}

TEST_F(Fit, FitsThatDoublesCannotHoldFailAndSayWhy)
{
    Result r = Run({"fit", "--point", "1=0", "--point", "1.0000000000000002=1", "--fit", "linear"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("so close together"), std::string::npos) << r.err;

    Write("road.csv", "Transducer (V)\n0\n1\n");
    r = Run({"calibrate", "road.csv", "--channel", "0", "--unit", "mmHg", "--point", "0=1e308", "--point",
             "1=-1e308", "--fit", "linear", "-o", "out.csv"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("overflows double precision"), std::string::npos) << r.err;
    EXPECT_FALSE(Exists("out.csv"));
}

TEST_F(Fit, TheTextReportGivesTheConditionNumber)
{
    const Result r = Run({"fit", "--point", "0=1", "--point", "1=3", "--point", "2=4", "--fit", "linear"});
    ASSERT_EQ(r.status, 0) << r.err;
    // Columns 1 and u = (-1, 0, 1) are orthogonal and of norms sqrt 3 and sqrt 2, equilibrated to 1.
    const size_t at = r.out.find("Condition number: ");
    ASSERT_NE(at, std::string::npos) << r.out;
    EXPECT_NEAR(std::stod(r.out.substr(at + 18)), 1.0, 1e-12) << r.out;
}

TEST_F(Fit, PointUnitsMustBeUnitsOfTheirColumns)
{
    Write("volts.csv", "Transducer (V)\n0\n1\n");
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--point", "0 mA=0", "--point", "1=1"}, "--point 1: mA is not a unit of the channel (V)"},
        {{"--point", "0=0", "--point", "1=1 mmHg"}, "--point 2: mmHg is not a unit of the calibration (kPa)"},
    };
    for (const auto& [points, message] : cases) {
        std::vector<std::string> args = {"calibrate", "volts.csv", "--channel", "0", "--unit", "kPa", "--fit",
                                         "linear", "-o", "out.csv"};
        args.insert(args.end(), points.begin(), points.end());
        const Result r = Run(args);
        EXPECT_EQ(r.status, 1) << message;
        EXPECT_EQ(r.err, "velogram: error: " + message + "\n");
        EXPECT_FALSE(Exists("out.csv"));
    }
    // A points file's header unit is checked too.
    Write("amps.csv", "Current (mA),Pressure (kPa)\n0,0\n1,1\n");
    const Result r = Run({"calibrate", "volts.csv", "--channel", "0", "--unit", "kPa", "--fit", "linear", "--points",
                          "amps.csv", "-o", "out.csv"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("amps.csv:1: the raw column's unit mA is not a unit of the channel (V)"), std::string::npos)
        << r.err;
    EXPECT_FALSE(Exists("out.csv"));
}

TEST_F(Fit, TheEquationIsInTheUnitsOfThePoints)
{
    Result r = Run({"fit", "--point", "0 mV=1 kPa", "--point", "1 mV=3 kPa", "--fit", "linear", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    auto json = nlohmann::json::parse(r.out);
    EXPECT_EQ(json["equation"], "y = 2x + 1");
    EXPECT_EQ(json["units"], "x in mV, y in kPa");
    // The stored coefficients stay in base units: pascals per volt.
    EXPECT_NEAR(json["coefficients"][1].get<double>(), 2e6, 1e-6);

    // The pressure transducer of the report: 1.7496 V for 50 kPa, 3.07765 V for 150 kPa.
    r = Run({"fit", "--point", "1.7496=50", "--point", "3.07765=150", "--fit", "linear", "--source-unit", "V",
             "--unit", "kPa", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    json = nlohmann::json::parse(r.out);
    EXPECT_EQ(json["equation"], "y = 75.2984x - 81.742");
    EXPECT_EQ(json["units"], "x in V, y in kPa");

    // Without units the equation is the plain one and no units are stated.
    r = Run({"fit", "--point", "0=1", "--point", "1=3", "--fit", "linear"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Equation:        y = 2x + 1\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Units:"), std::string::npos) << r.out;
}

TEST_F(Fit, TheRenderedReportCarriesTheSourceUnit)
{
    const Result r = Run({"fit", "--source-unit", "mV", "--unit", "kPa", "--point", "1=0", "--point", "2=10",
                          "--point", "4=25", "--fit", "quadratic", "--report", "report.pdf"});
    ASSERT_EQ(r.status, 0) << r.err;
    // The page's text, as a reader's tools extract it.
    const std::string text = dir_.File("report.txt");
    ASSERT_EQ(std::system(("pdftotext -layout '" + dir_.File("report.pdf") + "' '" + text + "'").c_str()), 0);
    const std::string page = ZorTest::ReadFile(text);
    EXPECT_NE(page.find("Raw Values (mV)"), std::string::npos) << page;
    EXPECT_NE(page.find("x in mV, y in kPa"), std::string::npos) << page;
}

}  // namespace
