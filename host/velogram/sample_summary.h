// Velogram::SampleSummary: what the data window draws one channel's samples in one block from,
// so that a paint never walks the samples themselves: a pyramid of minimum/maximum pairs.
// Level 0 holds one pair per bucket of kBucket consecutive samples, each higher level one pair
// per kFanOut pairs of the level below, up to a level of at most kFanOut pairs. The envelope of
// any span then combines at most 2 * kFanOut pairs per level (a handful of levels for ten
// million samples). Blocks of at most kRawLimit samples keep their samples instead, which are
// few enough to scan and give exact envelopes when a pixel covers fewer samples than a bucket.
//
// Summaries are built once, by reading a sample stream to its end (for a calculated channel,
// the stream of its calculation's enumerator), and hold no reference to it. NaN samples are
// left out of every envelope. Qt-free; not thread-safe (a summary belongs to one window).
#pragma once

#include <cstdint>
#include <limits>
#include <span>
#include <vector>

#include "interfaces/enum_float_ex.h"

namespace Velogram {

// The envelope of some samples; empty (min > max) when there were none, or only NaNs.
struct MinMax {
    float min = std::numeric_limits<float>::infinity();
    float max = -std::numeric_limits<float>::infinity();

    bool Empty() const { return !(min <= max); }
    void Merge(float v)
    {
        // Comparisons with a NaN are false, so a NaN changes nothing.
        min = v < min ? v : min;
        max = v > max ? v : max;
    }
    void Merge(const MinMax& o)
    {
        min = o.min < min ? o.min : min;
        max = o.max > max ? o.max : max;
    }
};

class SampleSummary {
public:
    static constexpr int64_t kBucket = 16;
    static constexpr int64_t kFanOut = 8;
    static constexpr int64_t kRawLimit = int64_t(1) << 18;
    // Samples asked of the stream per Next.
    static constexpr uint32_t kReadChunk = uint32_t(1) << 16;

    // Reads the stream to its end. [in] expected: the number of samples the stream will give
    // (decides whether they are kept; a stream that gives another number is taken as it is).
    // S_OK, E_OUTOFMEMORY, or the stream's failure (the summary is then empty).
    HRESULT Build(IEnumFloatEx* stream, int64_t expected);

    // The number of samples summarised.
    int64_t Count() const { return count_; }
    // The envelope of the samples [first, last), cut to 0..Count(). Exact when the samples are
    // kept; otherwise over the whole buckets that the span touches (so it may take in up to
    // kBucket - 1 samples beyond either end). Empty for an empty span.
    MinMax Range(int64_t first, int64_t last) const;

    bool KeepsSamples() const { return !samples_.empty() || levels_.empty(); }
    // The samples, when kept (else empty).
    std::span<const float> Samples() const { return samples_; }
    // How many envelopes Range has given since the summary was built.
    uint64_t RangeQueries() const { return queries_; }
    // The pyramid's levels (0 when the samples are kept).
    int32_t LevelCount() const { return static_cast<int32_t>(levels_.size()); }

private:
    void FoldIntoBuckets(const float* samples, uint32_t n);
    void FinishLevels();
    MinMax PyramidRange(int64_t first, int64_t last) const;

    std::vector<float> samples_;
    std::vector<std::vector<MinMax>> levels_;
    MinMax partial_;            // the bucket being filled while building
    int64_t partialCount_ = 0;  // samples in it
    int64_t count_ = 0;
    mutable uint64_t queries_ = 0;
};

}  // namespace Velogram
