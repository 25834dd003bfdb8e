// calibrate with what a laboratory keeps, through the built velogram: a calibration saved by
// `velogram fit --save` applied as it was (no fitting), its unit checked; an expired one warned
// about, or refused with --require-valid; the range policy set by --outside; and the samples
// outside the reference points' raw range counted alike on every road (one thread, several in
// small chunks, the recording read whole, a document), in the summary line and in --json.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/velogram/velogram_run.h"

namespace {

using VelogramTest::Cells;
using VelogramTest::Result;
using VelogramTest::Velogram;

// The quadratic through (0 V, 0 kPa), (1 V, 100 kPa), (2 V, 190 kPa): y = 105 x - 5 x^2.
double Curve(double x) { return 105 * x - 5 * x * x; }
const std::vector<std::string> kFitPoints = {"--point", "0=0", "--point", "1=100", "--point", "2=190",
                                             "--fit",   "quadratic"};

std::vector<std::string> With(std::vector<std::string> args, const std::vector<std::string>& more)
{
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

class Keeping : public Velogram {
protected:
    // A recording in V from -1 V up in steps of 1/128 V (exact in a float), three blocks, NaN
    // now and then; outside_ counts its samples below 0 V or above 2 V, as doubles.
    void SetUp() override
    {
        std::string text = "Transducer (V),Other (s)\n";
        for (int i = 0; i < 600; ++i) {
            if (i > 0 && i % 200 == 0) text += "\n";
            if (i % 13 == 5) {
                text += "nan," + std::to_string(i) + "\n";
                continue;
            }
            const double raw = -1.0 + i / 128.0;
            char cell[32];
            std::snprintf(cell, sizeof cell, "%.7f", raw);
            text += std::string(cell) + "," + std::to_string(i) + "\n";
            raws_.push_back(raw);
            if (raw < 0.0 || raw > 2.0) ++outside_;
        }
        Write("rec.csv", text);
    }

    // A calibration file of the quadratic, with more options for velogram fit.
    void Save(const std::string& name, const std::vector<std::string>& more = {})
    {
        const Result r = Run(With(With({"fit", "--source-unit", "V", "--unit", "kPa", "--save", name}, kFitPoints), more));
        ASSERT_EQ(r.status, 0) << r.err;
    }

    std::vector<double> raws_;  // the numbers of the recording, in order
    int64_t outside_ = 0;
};

TEST_F(Keeping, ASavedCalibrationIsAppliedAsItWasFitted)
{
    Save("cal.json");
    const Result applied = Run({"calibrate", "rec.csv", "--channel", "0", "--calibration", "cal.json", "-o", "a.csv"});
    ASSERT_EQ(applied.status, 0) << applied.err;
    const Result fitted =
        Run(With({"calibrate", "rec.csv", "--channel", "0", "--unit", "kPa", "-o", "b.csv"}, kFitPoints));
    ASSERT_EQ(fitted.status, 0) << fitted.err;
    EXPECT_EQ(Read("a.csv"), Read("b.csv")) << "the file holds the fit exactly";

    const auto rows = Cells(Read("a.csv"));
    EXPECT_EQ(rows[0].back(), "Transducer calibrated (kPa)");
    size_t checked = 0;
    for (const auto& row : rows) {
        if (row.size() != 3 || row[0] == "nan" || row[0].find('(') != std::string::npos) continue;
        const double x = std::strtod(row[0].c_str(), nullptr);
        EXPECT_NEAR(std::strtod(row[2].c_str(), nullptr), Curve(x), 1e-4 * (1 + std::fabs(Curve(x)))) << row[0];
        ++checked;
    }
    EXPECT_EQ(checked, raws_.size());

    // --unit may name the file's unit, not another.
    EXPECT_EQ(Run({"calibrate", "rec.csv", "--channel", "0", "--calibration", "cal.json", "--unit", "kPa", "-o",
                   "c.csv"})
                  .status,
              0);
    const Result other =
        Run({"calibrate", "rec.csv", "--channel", "0", "--calibration", "cal.json", "--unit", "mmHg", "-o", "d.csv"});
    EXPECT_EQ(other.status, 1);
    EXPECT_NE(other.err.find("--unit mmHg is not the unit of the calibration file cal.json (kPa)"), std::string::npos)
        << other.err;
    EXPECT_FALSE(Exists("d.csv"));
}

TEST_F(Keeping, WhatDoesNotGoWithACalibrationFileIsRefused)
{
    Save("cal.json");
    Write("bad.json", "{ \"format\": \"tessar-calibration\", ");
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int status;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"a file that does not parse", {"--calibration", "bad.json"}, 1, "bad.json"},
        {"a file that is not there", {"--calibration", "none.json"}, 1, "none.json"},
        {"with --fit", {"--calibration", "cal.json", "--fit", "linear"}, 2, "excludes"},
        {"with points", {"--calibration", "cal.json", "--point", "0=0"}, 2, "excludes --calibration"},
        {"neither a file nor a fit", {"--unit", "kPa"}, 2, "--fit is required"},
        {"a fit without a unit", {"--fit", "linear", "--point", "0=0", "--point", "1=1"}, 2, "--unit is required"},
        {"an unknown policy", {"--calibration", "cal.json", "--outside", "wrap"}, 1,
         "--outside must be one of extrapolate, clamp, blank, not \"wrap\""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = With({"calibrate", "rec.csv", "--channel", "0"}, c.args);
        if (std::find(args.begin(), args.end(), "-o") == args.end()) args = With(args, {"-o", "out.csv"});
        const Result r = Run(args);
        EXPECT_EQ(r.status, c.status) << c.name << ": " << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.name << ": " << r.err;
        EXPECT_FALSE(Exists("out.csv")) << c.name;
    }
    EXPECT_NE(Read("cal.json").find("tessar-calibration"), std::string::npos) << "never written over";
}

TEST_F(Keeping, AnExpiredCalibrationWarnsOrWithRequireValidFails)
{
    Save("old.json", {"--calibration-date", "2020-01-01", "--due", "2020-06-01"});
    Save("fresh.json", {"--valid-days", "36500"});
    const std::vector<std::string> old = {"calibrate", "rec.csv", "--channel", "0", "--calibration", "old.json"};

    const Result warned = Run(With(old, {"-o", "a.csv"}));
    ASSERT_EQ(warned.status, 0) << warned.err;
    EXPECT_NE(warned.err.find("velogram: warning: the calibration was due on 2020-06-01: it has expired"),
              std::string::npos)
        << warned.err;
    EXPECT_TRUE(Exists("a.csv"));

    const Result refused = Run(With(old, {"-o", "b.csv", "--require-valid"}));
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("the calibration in old.json was due on 2020-06-01; --require-valid refuses an expired "
                               "calibration"),
              std::string::npos)
        << refused.err;
    EXPECT_FALSE(Exists("b.csv"));
    // In a folder: that recording fails, and says why.
    std::filesystem::create_directory(dir_.File("out"));
    const Result batch = Run(With(old, {"--output-dir", "out", "--require-valid"}));
    EXPECT_EQ(batch.status, 1);
    EXPECT_NE(batch.err.find("--require-valid refuses"), std::string::npos) << batch.err;
    EXPECT_FALSE(Exists("out/rec.csv"));

    // A valid one passes quietly, and so does a fit (which has no due day).
    const Result fresh =
        Run({"calibrate", "rec.csv", "--channel", "0", "--calibration", "fresh.json", "--require-valid", "-o", "c.csv"});
    EXPECT_EQ(fresh.status, 0) << fresh.err;
    EXPECT_EQ(fresh.err.find("warning"), std::string::npos) << fresh.err;
    const Result fit = Run(
        With({"calibrate", "rec.csv", "--channel", "0", "--unit", "kPa", "--require-valid", "-o", "d.csv"}, kFitPoints));
    EXPECT_EQ(fit.status, 0) << fit.err;
}

TEST_F(Keeping, TheSamplesOutsideThePointsAreCountedAlikeOnEveryRoad)
{
    ASSERT_GT(outside_, 0);
    const std::vector<std::string> base =
        With({"calibrate", "rec.csv", "--channel", "0", "--unit", "kPa"}, kFitPoints);
    const std::string counted = ", " + std::to_string(outside_) + " outside the reference points' raw range (extrapolate)";
    const std::vector<std::vector<std::string>> roads = {
        {"--threads", "1", "-o", "out.csv"},
        {"--threads", "3", "--chunk-bytes", "7", "-o", "out.csv"},
        {"--whole-recording", "-o", "out.csv"},
        {"-o", "out.vdoc"},
    };
    for (const auto& road : roads) {
        const std::string output = road.back();
        const Result text = Run(With(base, road));
        ASSERT_EQ(text.status, 0) << text.err;
        EXPECT_EQ(text.out, "rec.csv: 600 samples in 3 blocks calibrated into " + output + counted + "\n");
        const Result json = Run(With(With(base, road), {"--json"}));
        ASSERT_EQ(json.status, 0) << json.err;
        const auto j = nlohmann::json::parse(json.out);
        EXPECT_EQ(j["outside"], outside_) << output;
        EXPECT_EQ(j["rawLow"], 0.0);
        EXPECT_EQ(j["rawHigh"], 2.0);
        EXPECT_EQ(j["rangePolicy"], "extrapolate");
        EXPECT_EQ(j["blocks"], 3);
        EXPECT_EQ(j["output"], output);
    }
    // Inside the range, nothing is said.
    Write("inside.csv", "Transducer (V)\n0\n0.5\n2\nnan\n");
    const Result inside = Run(With({"calibrate", "inside.csv", "--channel", "0", "--unit", "kPa", "-o", "in.csv"}, kFitPoints));
    ASSERT_EQ(inside.status, 0) << inside.err;
    EXPECT_EQ(inside.out, "inside.csv: 4 samples in 1 block calibrated into in.csv\n");
}

TEST_F(Keeping, OutsideSetsThePolicyTheEnumeratorsApply)
{
    Save("cal.json");
    const double low = Curve(0), high = Curve(2);
    struct Case {
        const char* policy;
        std::vector<std::string> how;  // a fit or the file
    };
    const std::vector<std::string> fit = With({"--unit", "kPa"}, kFitPoints);
    const std::vector<Case> cases = {{"clamp", fit}, {"blank", fit}, {"clamp", {"--calibration", "cal.json"}},
                                     {"blank", {"--calibration", "cal.json"}}};
    for (const Case& c : cases) {
        for (const char* threads : {"1", "2"}) {
            const Result r = Run(With({"calibrate", "rec.csv", "--channel", "0", "--threads", threads, "--chunk-bytes",
                                       "64", "--outside", c.policy, "-o", "out.csv", "--json"},
                                      c.how));
            ASSERT_EQ(r.status, 0) << c.policy << ": " << r.err;
            EXPECT_EQ(nlohmann::json::parse(r.out)["rangePolicy"], c.policy);
            EXPECT_EQ(nlohmann::json::parse(r.out)["outside"], outside_) << "counted whatever the policy";
            size_t seen = 0;
            for (const auto& row : Cells(Read("out.csv"))) {
                if (row.size() != 3 || row[0] == "nan" || row[0].find('(') != std::string::npos) continue;
                const double x = std::strtod(row[0].c_str(), nullptr);
                const double y = std::strtod(row[2].c_str(), nullptr);
                ++seen;
                if (x >= 0 && x <= 2) {
                    EXPECT_NEAR(y, Curve(x), 1e-4 * (1 + std::fabs(Curve(x)))) << c.policy << " " << row[0];
                } else if (std::string(c.policy) == "blank") {
                    EXPECT_TRUE(std::isnan(y)) << row[0] << " -> " << row[2];
                } else {
                    EXPECT_NEAR(y, x < 0 ? low : high, 1e-4 * (1 + std::fabs(high))) << row[0] << " -> " << row[2];
                }
            }
            EXPECT_EQ(seen, raws_.size());
        }
    }
}

TEST_F(Keeping, WeightsFitThePointsByTheirStandardDeviations)
{
    // Four points with SDs: the weighted line, worked out here in long double (weights 1/SD^2).
    const double x[] = {0, 0.5, 1.5, 2}, y[] = {1, 52, 149, 205}, sd[] = {0.01, 0.04, 0.02, 0.08};
    long double sw = 0, swx = 0, swy = 0, swxx = 0, swxy = 0;
    for (int i = 0; i < 4; ++i) {
        const long double w = 1.0L / ((long double)sd[i] * sd[i]);
        sw += w, swx += w * x[i], swy += w * y[i], swxx += w * x[i] * x[i], swxy += w * x[i] * y[i];
    }
    const long double b = (sw * swxy - swx * swy) / (sw * swxx - swx * swx), a = (swy - b * swx) / sw;
    Write("points.csv", "Raw (V),Calibrated (kPa),SD (V)\n0,1,0.01\n0.5,52,0.04\n1.5,149,0.02\n2,205,0.08\n");
    const Result r = Run({"calibrate", "rec.csv", "--channel", "0", "--points", "points.csv", "--fit", "linear",
                          "--weights", "inverse-variance", "--unit", "kPa", "-o", "w.csv", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out)["weights"], "inverse-variance");
    size_t seen = 0;
    for (const auto& row : Cells(Read("w.csv"))) {
        if (row.size() != 3 || row[0] == "nan" || row[0].find('(') != std::string::npos) continue;
        const double raw = std::strtod(row[0].c_str(), nullptr);
        const double expected = double(a + b * raw);
        EXPECT_NEAR(std::strtod(row[2].c_str(), nullptr), expected, 2e-6 * (1 + std::fabs(expected))) << row[0];
        ++seen;
    }
    EXPECT_EQ(seen, raws_.size());

    // Unweighted, the same points give another line: the option is what changed it.
    const Result plain = Run({"calibrate", "rec.csv", "--channel", "0", "--points", "points.csv", "--fit", "linear",
                              "--unit", "kPa", "-o", "p.csv"});
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_NE(Read("p.csv"), Read("w.csv"));

    const Result refused = Run({"calibrate", "rec.csv", "--channel", "0", "--points", "points.csv", "--fit",
                                "linear", "--weights", "heavy", "--unit", "kPa", "-o", "x.csv"});
    EXPECT_NE(refused.status, 0);
    EXPECT_NE(refused.err.find("--weights"), std::string::npos) << refused.err;
}

}  // namespace
