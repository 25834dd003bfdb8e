// The arithmetic of the selection pane (unit_convert_data_pane.h), kept apart from the widget so
// it is tested without a display: where the trace's lines and points go, which samples a span
// of pixel columns covers and what their statistics are, how samples are read from a stream,
// and where the highlight and the markers sit.
//
// Pixels are client pixels of the pane; rows grow downwards. The right-most kMarkerStrip
// columns hold the markers; the trace uses the columns left of them.
#pragma once

#include <cstdint>
#include <limits>
#include <span>
#include <vector>

#include <QPoint>
#include <QRect>
#include <QSize>

#include "interfaces/enum_float_ex.h"
#include "settings_dialog/data_scaling.h"

namespace Tessar::PaneGeometry {

inline constexpr int kMarkerStrip = 18;  // columns of the marker strip at the right edge
inline constexpr int kMarkerSize = 16;   // the marker bitmaps are 16 x 16
// Reading stops as soon as the pane holds more than kSampleLimit samples, so it never holds
// more than kSampleLimit + 1.
inline constexpr size_t kSampleLimit = 1'000'000;
inline constexpr uint32_t kReadChunk = 16;  // samples asked of a stream at a time

// The width of the trace area for a client width (not positive for a very narrow pane).
inline int TraceWidth(int clientWidth)
{
    return clientWidth - kMarkerStrip;
}

// count / traceWidth; 0 when the trace area has no width.
double SamplesPerPixel(size_t count, int traceWidth);

// One column of the envelope: the pixels of column x from row top to row bottom, both included.
struct EnvelopeColumn {
    int x;
    int top;
    int bottom;
    friend bool operator==(const EnvelopeColumn&, const EnvelopeColumn&) = default;
};

// The envelope, drawn when there is more than one sample per pixel: one vertical line per
// column, each reaching the rows of the previous column's line so that consecutive columns
// join. Walks the samples with a running x that starts at 0 and grows by 1 / samplesPerPixel
// after each sample (a sample's column is the integer part of x when it is reached), merging
// each sample's row into a running smallest and largest row (starting at INT32_MAX and 0).
// When a sample's column differs from the previous sample's, the previous column gets the line
// a pen would draw from (column, largest + 1) to (column, smallest) without its end point, i.e.
// rows smallest + 1 to largest + 1; the running pair continues as (largest + 1, smallest); and
// the walk stops when the new column is beyond traceWidth. The column of the last sample gets
// no line (no later sample changes the column).
// [in] samplesPerPixel: > 1 (anything else gives no columns).
std::vector<EnvelopeColumn> EnvelopeColumns(std::span<const float> samples, double samplesPerPixel,
                                            int traceWidth, const DataScaling& scaling);

// The polyline, drawn with one or fewer samples per pixel: (0, row of sample 0), then for
// k = 0, 1, ... the point (integer part of (k + 1) / samplesPerPixel, row of sample k), ending
// when the samples run out or after the first point whose x exceeds traceWidth. No points for
// no samples or a samplesPerPixel that is not above 0.
std::vector<QPoint> PolylinePoints(std::span<const float> samples, double samplesPerPixel, int traceWidth,
                                   const DataScaling& scaling);

// What a span of pixel columns covers.
struct SpanStatistics {
    int64_t first = 0;     // first sample index covered
    int64_t last = 0;      // last sample index covered (inclusive)
    double current = 0.0;  // mean of the samples first..last
    double sd = 0.0;       // their sample standard deviation (n - 1 in the divisor; 0 for one)
    double maximum;        // their largest value
    double minimum;        // their smallest value
};

// The starting extremes: the maximum starts at the lowest finite float, the minimum at the
// largest, so any sample replaces them (an empty pane keeps them).
inline constexpr double kNoMaximum = std::numeric_limits<float>::lowest();
inline constexpr double kNoMinimum = std::numeric_limits<float>::max();

// The statistics of the span from column startX to column endX: with p = samples per pixel of
// the trace, first = integer part of p * startX and last = that of p * endX, swapped when
// first is the larger, each held to count - 1 (and to 0). Over the samples first..last: the
// mean, the sample standard deviation (about the mean, in double precision), the largest and the
// smallest value. With no samples: first = last = 0, current and sd 0 and the starting extremes.
SpanStatistics ComputeSpanStatistics(std::span<const float> samples, int traceWidth, int startX, int endX);

// Reads stream in chunks of kReadChunk until it delivers none (or fails), appending each sample
// times factor (stored as float) to samples; stops as soon as samples holds more than
// kSampleLimit. Samples delivered with a failure result are kept. A stream that reports more
// samples than asked for is taken at the number asked. Returns the number appended.
size_t AppendScaledSamples(IEnumFloatEx* stream, double factor, std::vector<float>& samples);

// The x a span ends at when the pointer is at column x: x held to 0..traceWidth, and start + 1
// when that equals start (so a click selects one column).
int SpanEndAt(int startX, int x, int traceWidth);
// The x a span starts at for a press at column x: not beyond traceWidth (nor left of 0).
int SpanStartAt(int x, int traceWidth);

// The highlight of a span: the columns from startX up to, not including, endX (either way
// round), rows 2 to height - 3. Empty when the pane is too low to show one.
QRect SpanHighlight(int startX, int endX, int height);
// The columns a highlight may cover: the trace area (0..traceWidth) over the full height.
QRect HighlightClip(QSize client);

// The white strip behind the markers: (width - 17, 5) to (width, height - 5), the right and
// bottom edges excluded.
QRect MarkerStripRect(QSize client);
// The top-left corner of a marker centred vertically on row: (width - 16, row - 8).
QPoint MarkerTopLeft(QSize client, int row);

}  // namespace Tessar::PaneGeometry
