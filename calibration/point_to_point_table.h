// Tessar::PointToPointTable: the segment maps of a point-to-point calibration, and an index
// that finds the segment of a value in constant time. Built once per evaluation call.
//
// The table x0, y0, x1, y1, ... (p points, s = p - 1 segments) gives segment i the
// GUILib::Graticule through points i and i + 1; a segment whose x pair is not strictly
// increasing keeps the x pair (0, 1) of a new Graticule. A value x is mapped by
//   segment 0 when x < x0, the last segment when x >= x_{s-1}, else the first segment i with
//   x_i <= x < x_{i+1}; a value that matches none of these (NaN) is left unchanged.
//
// When the x values are strictly increasing and finite (Sorted()), that segment is the number
// of breaks x_1 .. x_{s-1} at or below x, and the index finds it: the range of the breaks is
// cut into uniform buckets (Grid(); its Of(x) is a monotonic function of x), a bucket's first
// candidate is the number of breaks in the buckets below it, so the segment of a value lies
// between its bucket's first candidate and that plus SearchSteps() binary-search steps
// (Breaks() holds -inf, x_1 .. x_{s-1}, then NaN padding that compares false).
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace Tessar {

// Uniform buckets over an interval, numbered 0 .. count - 1: Of(x) = min(max((x - origin) *
// scale, 0), last) truncated to an integer, where a NaN product counts as 0. A monotonic
// function of x; vector code computes it with exactly these operations, so that it is the
// same function there.
struct UniformBuckets {
    // At most this many buckets, so that a bucket's number fits a 32-bit integer (the vector
    // code converts through those); a table with more breaks gets larger search windows.
    static constexpr std::size_t kMaxBuckets = std::size_t{1} << 30;

    double origin = 0.0;
    double scale = 0.0;
    double last = 0.0;

    // count >= 1 buckets cutting [low, high]; an interval that is empty or too wide for a
    // double gives a zero scale, so one bucket in effect (still correct, only slower).
    static UniformBuckets Over(double low, double high, std::size_t count);

    std::size_t Of(double x) const
    {
        // Written so that they compile to max and min without branches; a NaN q becomes 0.
        double q = (x - origin) * scale;
        q = q > 0.0 ? q : 0.0;
        q = q < last ? q : last;
        return static_cast<std::size_t>(static_cast<int64_t>(q));
    }
};

class PointToPointTable {
public:
    // Tables up to this many points live inside the object (the calibration dialog has 12
    // rows); larger ones take one allocation, which may throw std::bad_alloc.
    static constexpr std::size_t kInlinePoints = 12;

    // [in] coefficients: x0, y0, x1, y1, ... with at least 2 points (an odd last value is
    // ignored).
    explicit PointToPointTable(const std::vector<double>& coefficients);

    std::size_t Segments() const { return segments_; }
    const double* Slopes() const { return slopes_; }
    const double* Offsets() const { return offsets_; }
    // The same maps side by side, slope and offset of segment i at 2 i and 2 i + 1, so that a
    // lookup is one 16-byte load.
    const double* Maps() const { return maps_; }

    // The x values strictly increase and are finite: the index below applies. Otherwise only
    // X() and the maps do.
    bool Sorted() const { return sorted_; }
    // The points' x values x0 .. x_s.
    const double* X() const { return x_; }

    // The index (Sorted() only): its buckets over [x_1, x_{s-1}], where the segment changes.
    const UniformBuckets& Grid() const { return grid_; }
    // Per bucket b, at 2 b its first candidate segment c (an unsigned integer's bits, read by
    // CandidateOf without a conversion), at 2 b + 1 the break above it, Breaks()[c + 1], so that
    // both come in one cache line.
    const double* BucketEntries() const { return buckets_; }
    static std::size_t CandidateOf(const double* entry) { return std::bit_cast<uint64_t>(entry[0]); }
    const double* Breaks() const { return breaks_; }
    // Steps of the search: 2^SearchSteps() - 1 is at least the number of breaks in any bucket.
    int SearchSteps() const { return steps_; }

    // The segment of x, or Segments() for none; the rule above, by the index when Sorted().
    std::size_t SegmentOf(double x) const;
    // The same for a table that is Sorted() and an x that is not NaN.
    std::size_t IndexedSegmentOf(double x) const
    {
        std::size_t position = CandidateOf(buckets_ + 2 * grid_.Of(x));
        for (std::size_t step = (std::size_t{1} << steps_) >> 1; step > 0; step >>= 1)
            if (breaks_[position + step] <= x)
                position += step;
        return position;
    }

    PointToPointTable(const PointToPointTable&) = delete;
    PointToPointTable& operator=(const PointToPointTable&) = delete;

private:
    void BuildIndex();
    // Writes every bucket's first candidate, the number of breaks in the buckets below it;
    // returns the most breaks that one bucket holds.
    std::size_t FillFirstCandidates(std::size_t buckets);

    std::size_t LiteralSegmentOf(double x) const;

    std::size_t segments_ = 0;
    bool sorted_ = false;
    UniformBuckets grid_;
    int steps_ = 0;
    double* x_ = nullptr;
    double* slopes_ = nullptr;
    double* offsets_ = nullptr;
    double* maps_ = nullptr;
    double* breaks_ = nullptr;
    double* buckets_ = nullptr;
    // Room for kInlinePoints points: p x values, s slopes, s offsets, s maps of 2 values, at
    // most 3 s breaks with their padding and 2 s buckets of 2 values.
    std::array<double, 11 * kInlinePoints> inline_;
    std::vector<double> heap_;
};

}  // namespace Tessar
