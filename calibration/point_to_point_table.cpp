#include "calibration/point_to_point_table.h"

#include <algorithm>
#include <bit>
#include <limits>

#include "values/graticule.h"

namespace Tessar {

namespace {

// Buckets per break: enough that a bucket of a table with roughly even breaks holds one or
// two of them.
constexpr std::size_t kBucketsPerBreak = 2;

std::size_t BucketCount(std::size_t segments)
{
    return std::clamp<std::size_t>(kBucketsPerBreak * (segments - 1), 1, UniformBuckets::kMaxBuckets);
}

// The most breaks one bucket can hold is s - 1; the search window is the next 2^k - 1.
std::size_t MaxBreakSlots(std::size_t segments)
{
    return segments + (std::bit_ceil(segments) - 1);
}

}  // namespace

PointToPointTable::PointToPointTable(const std::vector<double>& c)
    : segments_(c.size() / 2 - 1)
{
    const std::size_t s = segments_;
    const std::size_t needed = (s + 1) + 4 * s + MaxBreakSlots(s) + 2 * BucketCount(s);
    double* storage = inline_.data();
    if (needed > inline_.size()) {
        heap_.resize(needed);
        storage = heap_.data();
    }
    x_ = storage;
    slopes_ = x_ + (s + 1);
    offsets_ = slopes_ + s;
    maps_ = offsets_ + s;
    breaks_ = maps_ + 2 * s;
    buckets_ = breaks_ + MaxBreakSlots(s);

    sorted_ = true;
    for (std::size_t i = 0; i < s; ++i) {
        GUILib::Graticule map;
        sorted_ &= map.SetXPair(c[2 * i], c[2 * i + 2]);
        map.SetYPair(c[2 * i + 1], c[2 * i + 3]);
        slopes_[i] = map.Scale();
        offsets_[i] = map.Offset();
        maps_[2 * i] = slopes_[i];
        maps_[2 * i + 1] = offsets_[i];
    }
    for (std::size_t i = 0; i <= s; ++i)
        x_[i] = c[2 * i];
    if (sorted_)
        BuildIndex();
}

UniformBuckets UniformBuckets::Over(double low, double high, std::size_t count)
{
    UniformBuckets grid;
    grid.origin = low;
    const double span = high - low;
    grid.scale = span > 0.0 ? static_cast<double>(count) / span : 0.0;
    if (!(grid.scale < std::numeric_limits<double>::infinity()))
        grid.scale = 0.0;
    grid.last = static_cast<double>(count - 1);
    return grid;
}

std::size_t PointToPointTable::FillFirstCandidates(std::size_t buckets)
{
    std::size_t most = 0;
    std::size_t next = 1;  // the first break not yet in a bucket below the current one
    for (std::size_t b = 0; b < buckets; ++b) {
        buckets_[2 * b] = std::bit_cast<double>(static_cast<uint64_t>(next - 1));
        const std::size_t begin = next;
        while (next < segments_ && grid_.Of(x_[next]) == b)
            ++next;
        most = std::max(most, next - begin);
    }
    return most;
}

void PointToPointTable::BuildIndex()
{
    const std::size_t s = segments_;
    const std::size_t buckets = BucketCount(s);
    grid_ = s >= 2 ? UniformBuckets::Over(x_[1], x_[s - 1], buckets) : UniformBuckets::Over(0.0, 0.0, buckets);
    steps_ = std::bit_width(FillFirstCandidates(buckets));
    const std::size_t window = (std::size_t{1} << steps_) - 1;
    breaks_[0] = -std::numeric_limits<double>::infinity();
    for (std::size_t k = 1; k < s; ++k)
        breaks_[k] = x_[k];
    std::fill(breaks_ + s, breaks_ + s + window, std::numeric_limits<double>::quiet_NaN());
    for (std::size_t b = 0; b < buckets; ++b)
        buckets_[2 * b + 1] = breaks_[CandidateOf(buckets_ + 2 * b) + 1];
}

std::size_t PointToPointTable::SegmentOf(double x) const
{
    if (!sorted_)
        return LiteralSegmentOf(x);
    return x == x ? IndexedSegmentOf(x) : segments_;
}

std::size_t PointToPointTable::LiteralSegmentOf(double x) const
{
    const std::size_t s = segments_;
    if (x < x_[0])
        return 0;
    if (x >= x_[s - 1])
        return s - 1;
    for (std::size_t k = 0; k < s; ++k)
        if (x_[k] <= x && x < x_[k + 1])
            return k;
    return s;
}

}  // namespace Tessar
