// How good a fit is, through the command line as a user runs it: `velogram fit --json` with the
// residual standard deviation, the standard errors, every point's prediction half-width and
// the advice on the fit kind, against exact rational arithmetic; `velogram evaluate` both ways
// and its refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/calibration/least_squares_reference.h"
#include "tests/velogram/velogram_run.h"

namespace {

using TestSupport::ExactFit;
using TestSupport::ExactLeastSquares;
using TestSupport::ExactVarianceFactor;
using TestSupport::Rational;
using TestSupport::ToDouble;
using VelogramTest::Result;
using Diagnostics = VelogramTest::Velogram;

std::vector<std::string> PointOptions(const std::vector<double>& x, const std::vector<double>& y)
{
    std::vector<std::string> args;
    for (size_t i = 0; i < x.size(); ++i) {
        char text[80];
        std::snprintf(text, sizeof text, "--point=%.17g=%.17g", x[i], y[i]);
        args.push_back(text);
    }
    return args;
}

TEST_F(Diagnostics, FitJsonCarriesTheUncertaintyOfTheFit)
{
    // Four points and a line: two degrees of freedom, whose t quantile has a closed form.
    const std::vector<double> x = {0, 0.5, 1, 1.5}, y = {0.2, 49, 101.5, 149};
    std::vector<std::string> args = {"fit", "--fit", "linear", "--json"};
    const std::vector<std::string> points = PointOptions(x, y);
    args.insert(args.end(), points.begin(), points.end());
    const Result r = Run(args);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto json = nlohmann::json::parse(r.out);

    const ExactFit exact = ExactLeastSquares(x, y, 1);
    const Rational variance = exact.weightedSse / 2;
    EXPECT_EQ(json["degreesOfFreedom"], 2);
    const double s = std::sqrt(ToDouble(variance));
    EXPECT_NEAR(json["residualStandardDeviation"].get<double>(), s, 1e-10 * s);
    ASSERT_EQ(json["standardErrors"].size(), 2u);
    for (size_t k = 0; k < 2; ++k) {
        const double want = std::sqrt(ToDouble(variance * exact.inverse[k][k]));
        EXPECT_NEAR(json["standardErrors"][k].get<double>(), want, 1e-10 * want) << "c" << k;
    }
    const double t = 0.95 / std::sqrt(2 * 0.975 * 0.025);
    for (size_t i = 0; i < x.size(); ++i) {
        const double want = t * std::sqrt(ToDouble(variance * (1 + ExactVarianceFactor(exact, x[i]))));
        EXPECT_NEAR(json["points"][i]["predictionHalfWidth"].get<double>(), want, 1e-10 * want) << "point " << i;
    }
    EXPECT_EQ(json["advice"]["kindName"], "linear");
    EXPECT_EQ(json["advice"]["line"], "Best supported by these points: Linear");
    EXPECT_TRUE(json["advice"]["press"]["quadratic"].is_number());
    EXPECT_TRUE(json["advice"]["press"]["cubic"].is_null()) << "a cubic leaves no degree of freedom";
    ASSERT_EQ(json["uncertainty"].size(), 3u);
    EXPECT_EQ(json["uncertainty"][0].get<std::string>().rfind("s = ", 0), 0u);
}

TEST_F(Diagnostics, FitTextSaysWhenNoDegreesOfFreedomAreLeft)
{
    const Result r = Run({"fit", "--point", "0=1", "--point", "1=3", "--fit", "linear"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Uncertainty:     no degrees of freedom left: add points to estimate the uncertainty\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("Degrees of freedom: 0\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Advice:"), std::string::npos) << "nothing to compare with two points";
}

TEST_F(Diagnostics, CurvedPointsAreAdvisedAParabola)
{
    const Result r = Run({"fit", "--fit", "linear", "--point", "-3=9.1", "--point", "-2=3.9", "--point", "-1=1.05",
                          "--point", "0=0.02", "--point", "1=0.97", "--point", "2=4.1", "--point", "3=8.9", "--point", "4=16.05"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Advice:          Best supported by these points: Quadratic\n"), std::string::npos) << r.out;
}

TEST_F(Diagnostics, EvaluateGoesThereAndBack)
{
    const std::vector<std::string> fit = {"--fit", "quadratic", "--source-unit", "mV", "--unit", "kPa",
                                          "--point", "0=0.2", "--point", "400=49", "--point", "1000=101.5",
                                          "--point", "1500=149", "--point", "2000=201"};
    std::vector<std::string> forward = {"evaluate", "--raw", "0.75 V", "--json"};
    forward.insert(forward.end(), fit.begin(), fit.end());
    Result r = Run(forward);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto there = nlohmann::json::parse(r.out);
    EXPECT_EQ(there["given"], "raw");
    EXPECT_EQ(there["raw"].get<double>(), 750) << "in the raw column's unit, mV";
    EXPECT_EQ(there["rawUnit"], "mV");
    EXPECT_EQ(there["unit"], "kPa");
    EXPECT_GT(there["predictionHalfWidth"].get<double>(), 0);

    char value[64];
    std::snprintf(value, sizeof value, "%.17g kPa", there["calibrated"].get<double>());
    std::vector<std::string> back = {"evaluate", "--calibrated", value, "--json"};
    back.insert(back.end(), fit.begin(), fit.end());
    r = Run(back);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto json = nlohmann::json::parse(r.out);
    EXPECT_EQ(json["given"], "calibrated");
    EXPECT_NEAR(json["raw"].get<double>(), 750, 1e-12 * 750);
    EXPECT_NEAR(json["predictionHalfWidth"].get<double>(), there["predictionHalfWidth"].get<double>(),
                1e-9 * there["predictionHalfWidth"].get<double>());

    std::vector<std::string> text = {"evaluate", "--raw", "750"};
    text.insert(text.end(), fit.begin(), fit.end());
    r = Run(text);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Raw:             750 mV\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("(half-width of the 95 % prediction interval)"), std::string::npos) << r.out;
}

TEST_F(Diagnostics, EvaluateRefusesWhatItCannotAnswer)
{
    const std::vector<std::string> bowl = {"--fit", "quadratic", "--point", "0=4", "--point", "1=1",
                                           "--point", "2=0", "--point", "3=1", "--point", "4=4"};
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    } const cases[] = {
        {{"--calibrated", "1"}, 1, "several raw values on the curve give 1: 1 and 3"},
        {{"--calibrated", "9", "--within-points"}, 1, "no raw value between the points' raw values gives 9"},
        {{"--calibrated", "-2"}, 1, "no raw value on the curve gives -2"},
        {{"--raw", "2 mA"}, 1, "--raw: mA is not a unit of the raw values, which has no unit"},
        {{"--raw", "two"}, 1, "--raw: the raw value \"two\" is not a number"},
        {{}, 1, "give one value: --raw or --calibrated"},
        {{"--raw", "1", "--calibrated", "1"}, 2, "--raw excludes --calibrated"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"evaluate"};
        args.insert(args.end(), bowl.begin(), bowl.end());
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Result r = Run(args);
        EXPECT_EQ(r.status, c.status) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
}

}  // namespace
