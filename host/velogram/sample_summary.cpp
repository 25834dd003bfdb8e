#include "host/velogram/sample_summary.h"

#include <algorithm>
#include <new>

namespace Velogram {

namespace {

MinMax EnvelopeOf(const float* samples, int64_t n)
{
    MinMax m;
    for (int64_t i = 0; i < n; ++i) m.Merge(samples[i]);
    return m;
}

void MergePairs(const std::vector<MinMax>& pairs, int64_t from, int64_t to, MinMax& into)
{
    for (int64_t i = from; i < to; ++i) into.Merge(pairs[size_t(i)]);
}

}  // namespace

HRESULT SampleSummary::Build(IEnumFloatEx* stream, int64_t expected)
{
    *this = SampleSummary{};
    if (!stream) return E_POINTER;
    const bool keep = expected <= kRawLimit;
    try {
        if (keep) {
            samples_.reserve(size_t(std::max<int64_t>(expected, 0)));
        } else {
            levels_.emplace_back().reserve(size_t(expected / kBucket + 1));
        }
        std::vector<float> chunk(kReadChunk);
        for (;;) {
            uint32_t got = 0;
            const HRESULT hr = stream->Next(kReadChunk, chunk.data(), &got);
            if (FAILED(hr)) {
                *this = SampleSummary{};
                return hr;
            }
            got = std::min(got, kReadChunk);
            if (keep) {
                samples_.insert(samples_.end(), chunk.begin(), chunk.begin() + got);
            } else {
                FoldIntoBuckets(chunk.data(), got);
            }
            count_ += got;
            if (hr != S_OK || got == 0) break;
        }
        if (!keep) FinishLevels();
    } catch (const std::bad_alloc&) {
        *this = SampleSummary{};
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

void SampleSummary::FoldIntoBuckets(const float* samples, uint32_t n)
{
    std::vector<MinMax>& buckets = levels_[0];
    int64_t i = 0;
    // Top up a bucket left part-filled by the previous chunk.
    while (partialCount_ > 0 && i < n) {
        partial_.Merge(samples[i++]);
        if (++partialCount_ == kBucket) {
            buckets.push_back(partial_);
            partial_ = MinMax{};
            partialCount_ = 0;
        }
    }
    for (; i + kBucket <= n; i += kBucket) buckets.push_back(EnvelopeOf(samples + i, kBucket));
    for (; i < n; ++i, ++partialCount_) partial_.Merge(samples[i]);
}

void SampleSummary::FinishLevels()
{
    if (partialCount_ > 0) levels_[0].push_back(partial_);
    partial_ = MinMax{};
    partialCount_ = 0;
    while (int64_t(levels_.back().size()) > kFanOut) {
        const std::vector<MinMax>& below = levels_.back();
        std::vector<MinMax> level((below.size() + size_t(kFanOut) - 1) / size_t(kFanOut));
        for (size_t i = 0; i < below.size(); ++i) level[i / size_t(kFanOut)].Merge(below[i]);
        levels_.push_back(std::move(level));
    }
}

MinMax SampleSummary::Range(int64_t first, int64_t last) const
{
    ++queries_;
    first = std::max<int64_t>(first, 0);
    last = std::min(last, count_);
    if (first >= last) return MinMax{};
    if (!samples_.empty()) return EnvelopeOf(samples_.data() + first, last - first);
    return PyramidRange(first, last);
}

MinMax SampleSummary::PyramidRange(int64_t first, int64_t last) const
{
    MinMax result;
    int64_t lo = first / kBucket;
    int64_t hi = (last + kBucket - 1) / kBucket;
    for (size_t level = 0; level < levels_.size() && lo < hi; ++level) {
        const std::vector<MinMax>& pairs = levels_[level];
        hi = std::min<int64_t>(hi, int64_t(pairs.size()));
        // The whole groups of kFanOut pairs inside [lo, hi) are read one level up.
        const int64_t groupsFrom = (lo + kFanOut - 1) / kFanOut;
        const int64_t groupsTo = hi / kFanOut;
        if (level + 1 == levels_.size() || groupsFrom >= groupsTo) {
            MergePairs(pairs, lo, hi, result);
            break;
        }
        MergePairs(pairs, lo, groupsFrom * kFanOut, result);
        MergePairs(pairs, groupsTo * kFanOut, hi, result);
        lo = groupsFrom;
        hi = groupsTo;
    }
    return result;
}

}  // namespace Velogram
