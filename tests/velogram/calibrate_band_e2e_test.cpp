// calibrate --band through the built velogram: the column of 95 % prediction half-widths beside
// the calibrated one, against the textbook interval of a straight line computed here in long
// double (Student's t from Boost.Math), under each range policy, on one thread and several; and
// its refusal where no CSV column can hold it.
#include <gtest/gtest.h>

#include <boost/math/distributions/students_t.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/velogram/velogram_run.h"

namespace {

using VelogramTest::Cells;
using VelogramTest::Result;
using VelogramTest::Velogram;

// Four points not on a line, so the fit leaves two degrees of freedom and a residual spread.
const double kX[] = {0, 1, 2, 3};
const double kY[] = {0.1, 0.9, 2.2, 2.9};
const std::vector<std::string> kPoints = {"--point", "0=0.1", "--point", "1=0.9", "--point", "2=2.2",
                                          "--point", "3=2.9", "--fit",   "linear", "--unit", "kPa"};

// t(0.975, n - 2) s sqrt(1 + 1/n + (x - mean)^2 / Sxx) for the least-squares line.
long double LineHalfWidth(long double x)
{
    const int n = 4;
    long double mx = 0, my = 0;
    for (int i = 0; i < n; ++i) mx += kX[i], my += kY[i];
    mx /= n;
    my /= n;
    long double sxx = 0, sxy = 0;
    for (int i = 0; i < n; ++i) sxx += (kX[i] - mx) * (kX[i] - mx), sxy += (kX[i] - mx) * (kY[i] - my);
    const long double b = sxy / sxx, a = my - b * mx;
    long double sse = 0;
    for (int i = 0; i < n; ++i) sse += (kY[i] - a - b * kX[i]) * (kY[i] - a - b * kX[i]);
    const long double s = std::sqrt(sse / (n - 2));
    const double t = boost::math::quantile(boost::math::students_t(n - 2), 0.975);
    return t * s * std::sqrt(1 + 1.0L / n + (x - mx) * (x - mx) / sxx);
}

class Band : public Velogram {
protected:
    void SetUp() override
    {
        std::string text = "Transducer (V)\n";
        for (int i = 0; i < 400; ++i) {
            if (i == 200) text += "\n";
            const double raw = -1.0 + i / 64.0;  // -1 V to 5.23 V, exact in a float
            char cell[32];
            std::snprintf(cell, sizeof cell, "%.6f", raw);
            text += std::string(cell) + "\n";
            raws_.push_back(raw);
        }
        Write("rec.csv", text);
    }

    // The band column of an output (the third cell of every row).
    std::vector<std::vector<std::string>> Rows(const std::string& name) const
    {
        std::vector<std::vector<std::string>> rows = Cells(Read(name));
        std::erase_if(rows, [](const std::vector<std::string>& r) { return r.size() < 3; });
        return rows;
    }

    std::vector<double> raws_;
};

TEST_F(Band, EveryCalibratedSampleGetsItsPredictionHalfWidth)
{
    std::vector<std::string> args = {"calibrate", "rec.csv", "--channel", "0", "--band", "--threads", "1", "-o",
                                     "one.csv", "--json"};
    args.insert(args.end(), kPoints.begin(), kPoints.end());
    const Result one = Run(args);
    ASSERT_EQ(one.status, 0) << one.err;
    const std::vector<std::vector<std::string>> rows = Rows("one.csv");
    ASSERT_EQ(rows.size(), raws_.size() + 1);
    EXPECT_EQ(rows[0][2], "Transducer calibrated \u00B1 (kPa)");
    long double largest = 0;
    for (size_t i = 0; i < raws_.size(); ++i) {
        const long double expected = LineHalfWidth(raws_[i]);
        largest = std::max(largest, expected);
        const double got = std::stod(rows[i + 1][2]);
        EXPECT_NEAR(got, double(expected), 2e-7 * double(expected)) << "raw " << raws_[i];
    }
    const nlohmann::json json = nlohmann::json::parse(one.out);
    EXPECT_NEAR(json["largestPredictionHalfWidth"].get<double>(), double(largest), 2e-7 * double(largest));

    // Several threads in small chunks write the same bytes.
    args[6] = "2";
    args[8] = "two.csv";
    args.insert(args.end(), {"--chunk-bytes", "700"});
    const Result two = Run(args);
    ASSERT_EQ(two.status, 0) << two.err;
    EXPECT_EQ(Read("two.csv"), Read("one.csv"));
}

TEST_F(Band, TheBandFollowsTheRangePolicy)
{
    for (const std::string policy : {"clamp", "blank"}) {
        std::vector<std::string> args = {"calibrate", "rec.csv", "--channel", "0", "--band", "--outside", policy,
                                         "-o",        policy + ".csv"};
        args.insert(args.end(), kPoints.begin(), kPoints.end());
        const Result r = Run(args);
        ASSERT_EQ(r.status, 0) << r.err;
        const std::vector<std::vector<std::string>> rows = Rows(policy + ".csv");
        ASSERT_EQ(rows.size(), raws_.size() + 1);
        for (size_t i = 0; i < raws_.size(); ++i) {
            const double raw = raws_[i];
            const std::string& cell = rows[i + 1][2];
            const bool outside = raw < 0 || raw > 3;
            if (policy == "blank" && outside) {
                EXPECT_EQ(cell, "nan") << "raw " << raw;
                EXPECT_EQ(rows[i + 1][1], "nan") << "raw " << raw;
                continue;
            }
            const long double expected = LineHalfWidth(std::clamp(raw, 0.0, 3.0));
            EXPECT_NEAR(std::stod(cell), double(expected), 2e-7 * double(expected)) << policy << " raw " << raw;
        }
    }
}

TEST_F(Band, ABandNeedsACsvOutputAndADegreeOfFreedom)
{
    std::vector<std::string> args = {"calibrate", "rec.csv", "--channel", "0", "--band", "-o", "out.vdoc"};
    args.insert(args.end(), kPoints.begin(), kPoints.end());
    const Result document = Run(args);
    EXPECT_NE(document.status, 0);
    EXPECT_NE(document.err.find("--band adds a column to a CSV recording written as CSV"), std::string::npos)
        << document.err;

    // Two points and a line: nothing left to estimate the spread with, so no interval anywhere.
    const Result exact = Run({"calibrate", "rec.csv", "--channel", "0", "--band", "--point", "0=0", "--point",
                              "1=1", "--fit", "linear", "--unit", "kPa", "-o", "exact.csv", "--json"});
    ASSERT_EQ(exact.status, 0) << exact.err;
    for (const std::vector<std::string>& row : Rows("exact.csv")) {
        if (row[0] == "Transducer (V)") continue;
        EXPECT_EQ(row[2], "nan");
    }
    EXPECT_TRUE(nlohmann::json::parse(exact.out)["largestPredictionHalfWidth"].is_null());
}

}  // namespace
