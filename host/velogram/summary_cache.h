// Velogram::SummaryCache: the sample summaries (sample_summary.h) of a recording's channels, one
// per channel and block, built the first time the data window asks for one and kept until the
// samples may have changed (Clear). A channel that has no samples in a block, or cannot give
// them (a calculated channel whose source is not named yet), has no summary; that answer is
// kept too, so a paint never retries a stream that failed.
//
// A view zoomed in so far that a pixel column covers less than a bucket of a summary that does
// not keep its samples draws from the samples themselves: Detail reads the span asked for, and
// as much again on either side (so that scrolling by up to a view's width reads nothing), from
// the channel's stream and keeps that one span per channel and block.
//
// Qt-free; the user-interface thread only.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "interfaces/recording.h"
#include "host/velogram/sample_summary.h"
#include "platform/com_ptr.h"

namespace Velogram {

class SummaryCache {
public:
    SummaryCache() = default;
    SummaryCache(const SummaryCache&) = delete;
    SummaryCache& operator=(const SummaryCache&) = delete;

    // [in] recording: the samples to summarise (null: none). Clears the cache.
    void SetRecording(IRecording* recording);
    // The summary of the channel's samples in the block, built now when needed; null when there
    // are none.
    const SampleSummary* Get(int32_t channel, int32_t block);
    // Forgets every summary (the samples changed: a calculation's settings, a new document).
    void Clear()
    {
        entries_.clear();
        details_.clear();
    }

    // The samples [first, last) of the channel in the block, at most kDetailLimit of them, as a
    // span whose element 0 is sample *base. Empty (and *base 0) when the span is longer, the
    // channel has no samples there or its stream fails.
    static constexpr int64_t kDetailLimit = int64_t(1) << 20;
    std::span<const float> Detail(int32_t channel, int32_t block, int64_t first, int64_t last, int64_t* base);
    // Spans read by Detail since the recording was set.
    int32_t DetailReads() const { return detailReads_; }

    // Summaries built since the recording was set (failed attempts included).
    int32_t Builds() const { return builds_; }
    // Envelopes given by every summary held (SampleSummary::RangeQueries).
    uint64_t RangeQueries() const;

private:
    std::unique_ptr<SampleSummary> Build(int32_t channel, int32_t block) const;

    struct DetailSpan {
        int64_t first = 0;
        std::vector<float> samples;
    };

    platform::ComPtr<IRecording> recording_;
    std::map<std::pair<int32_t, int32_t>, std::unique_ptr<SampleSummary>> entries_;  // null: none
    std::map<std::pair<int32_t, int32_t>, DetailSpan> details_;
    int32_t builds_ = 0;
    int32_t detailReads_ = 0;
};

}  // namespace Velogram
