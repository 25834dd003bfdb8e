// Times typed and shown: sample intervals read as intervals or rates, the texts of intervals
// and rates, and the times of the read-out in one unit per context.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "host/velogram/time_text.h"

namespace {

TEST(SampleIntervalText, ReadsIntervalsAndRates)
{
    struct Case {
        const char* text;
        std::optional<double> seconds;
    };
    const std::vector<Case> cases = {
        {"0.001", 0.001},      {"1 ms", 1e-3},      {"  250 \u00B5s ", 250e-6}, {"250us", 250e-6},
        {"2.5 kHz", 1 / 2.5e3}, {"50 Hz", 0.02},    {"1,5 s", 1.5},             {"+2e-3 s", 2e-3},
        {"1 min", 60},         {"0.5 h", 1800},     {"1 GHz", 1e-9},            {"3e0", 3},
        {"", std::nullopt},    {"ms", std::nullopt}, {"0", std::nullopt},       {"-1 ms", std::nullopt},
        {"1 V", std::nullopt}, {"1 ms x", std::nullopt}, {"inf", std::nullopt}, {"1e-13", std::nullopt},
        {"2e9 s", std::nullopt}, {"1..2", std::nullopt}, {"1e", std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<double> got = Velogram::ParseSampleInterval(c.text);
        ASSERT_EQ(got.has_value(), c.seconds.has_value()) << "\"" << c.text << "\"";
        if (got) {
            EXPECT_DOUBLE_EQ(*got, *c.seconds) << "\"" << c.text << "\"";
        }
    }
}

TEST(SampleIntervalText, WritesIntervalsAndRatesInTheUnitThatReadsBest)
{
    struct Case {
        double seconds;
        const char* interval;
        const char* rate;
    };
    const std::vector<Case> cases = {
        {1e-3, "1 ms", "1 kHz"},
        {1 / 44100.0, "22.6757 \u00B5s", "44.1 kHz"},
        {2, "2 s", "0.5 Hz"},
        {90, "1.5 min", "0.0111111 Hz"},
        {7200, "2 h", "0.000138889 Hz"},
        {1e-9, "1 ns", "1 GHz"},
        {2.5e-13, "0.25 ps", "4000 GHz"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Velogram::FormatSampleInterval(c.seconds), c.interval) << c.seconds;
        EXPECT_EQ(Velogram::FormatSampleRate(c.seconds), c.rate) << c.seconds;
        // What is written reads back as the same interval, to six digits.
        const auto back = Velogram::ParseSampleInterval(Velogram::FormatSampleInterval(c.seconds));
        if (c.seconds >= 1e-12) {
            ASSERT_TRUE(back.has_value()) << c.interval;
            EXPECT_NEAR(*back, c.seconds, c.seconds * 1e-5) << c.interval;
        }
    }
}

TEST(ReadoutTime, OneUnitPerSpanAndDigitsForTheResolution)
{
    struct Case {
        double seconds, resolution, span;
        const char* text;
    };
    const std::vector<Case> cases = {
        {12.3456, 0.001, 60, "12.346 s"},
        {0.0123456, 1e-4, 0.05, "12.3 ms"},
        {0, 1e-4, 0.05, "0.0 ms"},
        {-0.00001, 0.001, 10, "0.000 s"},  // no minus sign on a zero
        {-1.5, 0.5, 10, "-1.5 s"},
        {2.5e-6, 1e-7, 1e-5, "2.5 \u00B5s"},
        {5, 2, 100, "5 s"},
        {3e-10, 1e-12, 1e-9, "0.300 ns"},
        {1.0, 0, 10, "1 s"},  // no resolution: whole units
    };
    for (const Case& c : cases) EXPECT_EQ(Velogram::FormatTime(c.seconds, c.resolution, c.span), c.text) << c.text;
}

}  // namespace
