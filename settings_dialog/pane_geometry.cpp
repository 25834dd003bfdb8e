#include "settings_dialog/pane_geometry.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace Tessar::PaneGeometry {

double SamplesPerPixel(size_t count, int traceWidth)
{
    if (traceWidth <= 0) return 0.0;
    return static_cast<double>(count) / traceWidth;
}

std::vector<EnvelopeColumn> EnvelopeColumns(std::span<const float> samples, double samplesPerPixel,
                                            int traceWidth, const DataScaling& scaling)
{
    std::vector<EnvelopeColumn> columns;
    if (!(samplesPerPixel > 1.0)) return columns;
    // The running x is accumulated, not computed as i / samplesPerPixel, so the columns fall
    // where the accumulated steps put them.
    const double step = 1.0 / samplesPerPixel;
    double x = 0.0;
    int previous = 0;
    int32_t smallest = std::numeric_limits<int32_t>::max();
    int32_t largest = 0;
    columns.reserve(static_cast<size_t>(std::max(traceWidth, 0)) + 1);
    for (const float sample : samples) {
        const int column = static_cast<int>(x);
        const int32_t row = scaling.Row(sample);
        smallest = std::min(smallest, row);
        largest = std::max(largest, row);
        if (column != previous) {
            columns.push_back({previous, smallest + 1, largest + 1});
            // The next column starts from the rows just drawn, so its line reaches this one.
            const int32_t nextSmallest = largest + 1;
            largest = smallest;
            smallest = nextSmallest;
            if (column > traceWidth) break;
        }
        previous = column;
        x += step;
    }
    return columns;
}

std::vector<QPoint> PolylinePoints(std::span<const float> samples, double samplesPerPixel, int traceWidth,
                                   const DataScaling& scaling)
{
    std::vector<QPoint> points;
    if (samples.empty() || !(samplesPerPixel > 0.0)) return points;
    points.emplace_back(0, scaling.Row(samples[0]));
    for (size_t k = 0; k < samples.size(); ++k) {
        // x grows past traceWidth before it can leave the int range: the walk ends there.
        const int x = static_cast<int>(static_cast<double>(k + 1) / samplesPerPixel);
        points.emplace_back(x, scaling.Row(samples[k]));
        if (x > traceWidth) break;
    }
    return points;
}

SpanStatistics ComputeSpanStatistics(std::span<const float> samples, int traceWidth, int startX, int endX)
{
    SpanStatistics stats;
    stats.maximum = kNoMaximum;
    stats.minimum = kNoMinimum;
    if (samples.empty()) return stats;
    const double perPixel = SamplesPerPixel(samples.size(), traceWidth);
    const auto lastIndex = static_cast<int64_t>(samples.size()) - 1;
    // Clamped as a double first, so a far-off x cannot overflow the conversion.
    auto index = [&](int x) {
        return static_cast<int64_t>(std::clamp(perPixel * x, 0.0, static_cast<double>(lastIndex)));
    };
    stats.first = index(startX);
    stats.last = index(endX);
    if (stats.first > stats.last) std::swap(stats.first, stats.last);
    double sum = 0.0;
    for (int64_t i = stats.first; i <= stats.last; ++i) {
        const double v = samples[static_cast<size_t>(i)];
        sum += v;
        if (v > stats.maximum) stats.maximum = v;
        if (v < stats.minimum) stats.minimum = v;
    }
    const auto n = static_cast<double>(stats.last - stats.first + 1);
    stats.current = sum / n;
    if (n > 1) {
        // About the mean, not from the sum of squares: the samples of a steady input differ
        // in their last digits only, which the sum of squares would cancel away.
        double squares = 0.0;
        for (int64_t i = stats.first; i <= stats.last; ++i) {
            const double d = samples[static_cast<size_t>(i)] - stats.current;
            squares += d * d;
        }
        stats.sd = std::sqrt(squares / (n - 1));
    }
    return stats;
}

size_t AppendScaledSamples(IEnumFloatEx* stream, double factor, std::vector<float>& samples)
{
    if (!stream) return 0;
    size_t appended = 0;
    std::array<float, kReadChunk> chunk{};
    while (samples.size() <= kSampleLimit) {
        uint32_t delivered = 0;
        const HRESULT hr = stream->Next(kReadChunk, chunk.data(), &delivered);
        delivered = std::min(delivered, kReadChunk);
        if (delivered == 0) break;
        for (uint32_t i = 0; i < delivered && samples.size() <= kSampleLimit; ++i) {
            samples.push_back(static_cast<float>(static_cast<double>(chunk[i]) * factor));
            ++appended;
        }
        if (FAILED(hr)) break;
    }
    return appended;
}

int SpanStartAt(int x, int traceWidth)
{
    return std::max(0, std::min(x, traceWidth));
}

int SpanEndAt(int startX, int x, int traceWidth)
{
    const int end = std::clamp(x, 0, std::max(traceWidth, 0));
    return end == startX ? startX + 1 : end;
}

QRect SpanHighlight(int startX, int endX, int height)
{
    const int left = std::min(startX, endX);
    const int width = std::abs(endX - startX);
    const int rows = height - 4;
    if (width <= 0 || rows <= 0) return QRect();
    return QRect(left, 2, width, rows);
}

QRect HighlightClip(QSize client)
{
    const int trace = TraceWidth(client.width());
    if (trace < 0 || client.height() <= 0) return QRect();
    return QRect(0, 0, trace + 1, client.height());
}

QRect MarkerStripRect(QSize client)
{
    return QRect(client.width() - (kMarkerStrip - 1), 5, kMarkerStrip - 1, client.height() - 10);
}

QPoint MarkerTopLeft(QSize client, int row)
{
    return QPoint(client.width() - kMarkerSize, row - kMarkerSize / 2);
}

}  // namespace Tessar::PaneGeometry
