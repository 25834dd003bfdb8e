// The selection pane's arithmetic without a display: the vertical mapping and its clamp, the
// envelope and polyline rules, the span's statistics, reading streams, and the span's columns.
#include <gtest/gtest.h>

#include <boost/multiprecision/cpp_int.hpp>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "interfaces/enum_float_ex_defaults.h"
#include "platform/com_ptr.h"
#include "settings_dialog/data_scaling.h"
#include "settings_dialog/pane_geometry.h"
#include "tests/support/fake_host_document.h"

namespace {

using namespace Tessar::PaneGeometry;
using platform::ComPtr;
using Tessar::CDataScaling;

std::vector<float> Ramp(size_t count, float first = 0.0f)
{
    std::vector<float> v(count);
    for (size_t i = 0; i < count; ++i) v[i] = first + static_cast<float>(i);
    return v;
}

TEST(DataScaling, RowIsOffsetThenScaledThenClampedAndTruncated)
{
    struct Case {
        const char* name;
        double scale, offset, value;
        int32_t row;
    } cases[] = {
        {"identity", 1, 0, 42, 42},
        {"scale and offset", -2, -10, 4, 12},
        {"truncated towards zero, positive", 1, 0, 2.9, 2},
        {"truncated towards zero, negative", 1, 0, -0.5, 0},
        {"far below", 1000, 0, 1e9, 16000},
        {"far above", 1000, 0, -1e9, -16000},
        {"infinite sample", 1, 0, INFINITY, 16000},
        {"not a number", 1, 0, NAN, 16000},
        {"infinity times zero", 0, 0, INFINITY, 16000},
    };
    for (const Case& c : cases) {
        CDataScaling s;
        s.SetScaling(c.scale, c.offset);
        EXPECT_EQ(s.Row(c.value), c.row) << c.name;
    }
    EXPECT_EQ(CDataScaling().Row(7.5), 7) << "scale 1 and offset 0 at first";
}

TEST(PaneEnvelope, ConsecutiveColumnsJoinAndTheLastColumnHasNoLine)
{
    // Two samples per pixel at rows 10, 20, ..., 60: column 0 covers 10..30 (its own samples and
    // the first of column 1), drawn one row down; column 1 starts below column 0's line.
    const std::vector<float> samples = {10, 20, 30, 40, 50, 60};
    const auto columns = EnvelopeColumns(samples, 2.0, 3, CDataScaling());
    const std::vector<EnvelopeColumn> expected = {{0, 11, 31}, {1, 32, 51}};
    EXPECT_EQ(columns, expected);
}

TEST(PaneEnvelope, OneLinePerColumnUpToTheTraceWidth)
{
    // 3.7 samples per pixel of a wave over 200 columns: columns 0, 1, 2, ... each exactly once,
    // each line reaching its neighbour's rows, none beyond the trace.
    const int trace = 200;
    std::vector<float> samples(static_cast<size_t>(trace * 3.7));
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = 50.0f + 40.0f * std::sin(static_cast<float>(i) / 9.0f);
    const double perPixel = SamplesPerPixel(samples.size(), trace);
    const auto columns = EnvelopeColumns(samples, perPixel, trace, CDataScaling());
    ASSERT_EQ(columns.size(), static_cast<size_t>(trace - 1));
    for (size_t i = 0; i < columns.size(); ++i) {
        EXPECT_EQ(columns[i].x, static_cast<int>(i));
        EXPECT_LE(columns[i].top, columns[i].bottom);
        if (i > 0) {
            const EnvelopeColumn& a = columns[i - 1];
            const EnvelopeColumn& b = columns[i];
            EXPECT_TRUE(b.top <= a.bottom + 1 && b.bottom >= a.top - 1) << "column " << i << " does not join";
        }
    }
}

TEST(PaneEnvelope, StopsAtTheFirstColumnBeyondTheTrace)
{
    // Ten samples at two per pixel on a trace of 1: the walk ends when column 2 is reached.
    const auto columns = EnvelopeColumns(Ramp(10), 2.0, 1, CDataScaling());
    ASSERT_EQ(columns.size(), 2u);
    EXPECT_EQ(columns.back().x, 1);
    EXPECT_TRUE(EnvelopeColumns(Ramp(10), 1.0, 10, CDataScaling()).empty()) << "one per pixel is no envelope";
}

TEST(PanePolyline, PointsFollowTheRule)
{
    struct Case {
        const char* name;
        std::vector<float> samples;
        double perPixel;
        int trace;
        std::vector<QPoint> points;
    } cases[] = {
        {"one per pixel", {5, 6, 7}, 1.0, 3, {{0, 5}, {1, 5}, {2, 6}, {3, 7}}},
        {"half per pixel", {5, 6}, 0.5, 4, {{0, 5}, {2, 5}, {4, 6}}},
        {"ends after the first point beyond the trace", Ramp(10), 1.0, 3, {{0, 0}, {1, 0}, {2, 1}, {3, 2}, {4, 3}}},
        {"no samples", {}, 1.0, 3, {}},
        {"no trace width", {1, 2}, 0.0, 0, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PolylinePoints(c.samples, c.perPixel, c.trace, CDataScaling()), c.points) << c.name;
}

TEST(PaneStatistics, MeanMaximumAndMinimumOfTheSpan)
{
    // 100 samples valued as their index on a trace of 50: two samples per pixel.
    const std::vector<float> ramp = Ramp(100);
    const std::vector<float> negative = Ramp(100, -500.0f);
    struct Case {
        const char* name;
        const std::vector<float>* samples;
        int start, end;
        int64_t first, last;
        double current, maximum, minimum;
    } cases[] = {
        {"left to right", &ramp, 10, 20, 20, 40, 30, 40, 20},
        {"right to left", &ramp, 20, 10, 20, 40, 30, 40, 20},
        {"one column", &ramp, 7, 8, 14, 16, 15, 16, 14},
        {"held to the last sample", &ramp, 45, 60, 90, 99, 94.5, 99, 90},
        {"all negative", &negative, 0, 1, 0, 2, -499, -498, -500},
    };
    for (const Case& c : cases) {
        const SpanStatistics s = ComputeSpanStatistics(*c.samples, 50, c.start, c.end);
        EXPECT_EQ(s.first, c.first) << c.name;
        EXPECT_EQ(s.last, c.last) << c.name;
        EXPECT_DOUBLE_EQ(s.current, c.current) << c.name;
        EXPECT_DOUBLE_EQ(s.maximum, c.maximum) << c.name;
        EXPECT_DOUBLE_EQ(s.minimum, c.minimum) << c.name;
    }
    const SpanStatistics none = ComputeSpanStatistics({}, 50, 10, 20);
    EXPECT_EQ(none.current, 0.0);
    EXPECT_EQ(none.maximum, std::numeric_limits<float>::lowest());
    EXPECT_EQ(none.minimum, std::numeric_limits<float>::max());
}

// The span's sample standard deviation against exact rational arithmetic over the same floats:
// a steady input far from zero (where a sum of squares would cancel), a ramp, one sample.
TEST(PaneStatistics, StandardDeviationMatchesExactArithmetic)
{
    using Rational = boost::multiprecision::cpp_rational;
    std::vector<float> steady;
    for (int k = 0; k < 300; ++k) steady.push_back(10000.0f + 0.0009765625f * float(k % 7));
    const std::vector<float> ramp = Ramp(100, -50.0f);
    struct Case {
        const char* name;
        const std::vector<float>* samples;
        int start, end;
    } cases[] = {
        {"steady far from zero", &steady, 0, 50},
        {"part of the steady input", &steady, 10, 20},
        {"ramp", &ramp, 5, 45},
        {"one sample", &ramp, 7, 7},
    };
    for (const Case& c : cases) {
        const SpanStatistics s = ComputeSpanStatistics(*c.samples, 50, c.start, c.end);
        Rational sum = 0;
        for (int64_t i = s.first; i <= s.last; ++i) sum += Rational((*c.samples)[size_t(i)]);
        const int64_t n = s.last - s.first + 1;
        const Rational mean = sum / n;
        Rational squares = 0;
        for (int64_t i = s.first; i <= s.last; ++i) {
            const Rational d = Rational((*c.samples)[size_t(i)]) - mean;
            squares += d * d;
        }
        const double expected = n > 1 ? std::sqrt(static_cast<double>(squares / (n - 1))) : 0.0;
        EXPECT_NEAR(s.sd, expected, 1e-12 * (1 + expected)) << c.name;
        if (n == 1) {
            EXPECT_EQ(s.sd, 0.0) << c.name;
        }
    }
    EXPECT_GT(ComputeSpanStatistics(steady, 50, 0, 50).sd, 1e-4) << "the spread is not cancelled away";
    EXPECT_EQ(ComputeSpanStatistics({}, 50, 10, 20).sd, 0.0);
}

TEST(PaneReading, ChunksOfSixteenTimesTheFactor)
{
    std::vector<uint32_t> chunks;
    ComPtr<IEnumFloatEx> stream = ComPtr<IEnumFloatEx>::Adopt(TestSupport::NewVectorStream(Ramp(40), &chunks));
    std::vector<float> samples = {-1.0f};
    EXPECT_EQ(AppendScaledSamples(stream.Get(), 1000.0, samples), 40u);
    ASSERT_EQ(samples.size(), 41u);
    EXPECT_EQ(samples[0], -1.0f) << "appended after what is held";
    EXPECT_EQ(samples[40], 39000.0f);
    EXPECT_EQ(chunks, (std::vector<uint32_t>{16, 16, 16, 16})) << "read until a chunk delivers none";
}

TEST(PaneReading, StopsOnceMoreThanAMillionAreHeld)
{
    std::vector<uint32_t> chunks;
    ComPtr<IEnumFloatEx> stream =
        ComPtr<IEnumFloatEx>::Adopt(TestSupport::NewVectorStream(Ramp(kSampleLimit + 50), &chunks));
    std::vector<float> samples;
    AppendScaledSamples(stream.Get(), 1.0, samples);
    EXPECT_EQ(samples.size(), kSampleLimit + 1);
    EXPECT_EQ(chunks.size(), (kSampleLimit + 1 + 15) / 16) << "no chunk is read after the limit";

    // Full already: the next block's stream is not read at all.
    chunks.clear();
    ComPtr<IEnumFloatEx> more = ComPtr<IEnumFloatEx>::Adopt(TestSupport::NewVectorStream(Ramp(5), &chunks));
    EXPECT_EQ(AppendScaledSamples(more.Get(), 1.0, samples), 0u);
    EXPECT_TRUE(chunks.empty());
}

// A stream that claims more than it was asked for, then fails after delivering some.
class UnrulyStream final : public IEnumFloatExDefaults {
public:
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    uint32_t AddRef() override { return 1; }
    uint32_t Release() override { return 1; }
    HRESULT Next(uint32_t count, float* buffer, uint32_t* returned) override
    {
        for (uint32_t i = 0; i < count; ++i) buffer[i] = 1.0f;
        *returned = ++calls == 1 ? count + 100 : 3;
        return calls == 1 ? S_OK : E_FAIL;
    }
    int calls = 0;
};

TEST(PaneReading, OverclaimsAreCutAndAFailureKeepsWhatCame)
{
    UnrulyStream stream;
    std::vector<float> samples;
    EXPECT_EQ(AppendScaledSamples(&stream, 2.0, samples), 16u + 3u);
    EXPECT_EQ(stream.calls, 2);
    EXPECT_EQ(samples.back(), 2.0f);
}

TEST(PaneSpan, StartEndHighlightAndClip)
{
    const int trace = 100;
    EXPECT_EQ(SpanStartAt(150, trace), 100) << "a press right of the trace starts at its edge";
    EXPECT_EQ(SpanStartAt(-3, trace), 0);
    struct Case {
        const char* name;
        int start, x, end;
    } ends[] = {
        {"click", 40, 40, 41},
        {"drag right", 40, 60, 60},
        {"drag left", 40, 10, 10},
        {"beyond the left edge", 40, -30, 0},
        {"beyond the right edge", 40, 500, 100},
        {"click at the trace's edge", 100, 250, 101},
    };
    for (const Case& c : ends) EXPECT_EQ(SpanEndAt(c.start, c.x, trace), c.end) << c.name;

    EXPECT_EQ(SpanHighlight(40, 41, 50), QRect(40, 2, 1, 46)) << "one column, rows 2 to height - 3";
    EXPECT_EQ(SpanHighlight(60, 40, 50), QRect(40, 2, 20, 46)) << "either way round, end excluded";
    EXPECT_TRUE(SpanHighlight(40, 41, 4).isEmpty());
    EXPECT_EQ(HighlightClip(QSize(118, 50)), QRect(0, 0, 101, 50)) << "columns 0..width - 18";
    EXPECT_EQ(MarkerStripRect(QSize(118, 50)), QRect(101, 5, 17, 40));
    EXPECT_EQ(MarkerTopLeft(QSize(118, 50), 20), QPoint(102, 12));
}

}  // namespace
