// Velogram::SummaryCache: the sample summaries (sample_summary.h) of a recording's channels, one
// per channel and block, built the first time the data window asks for one and kept until the
// samples may have changed (Clear). A channel that has no samples in a block, or cannot give
// them (a calculated channel whose source is not named yet), has no summary; that answer is
// kept too, so a paint never retries a stream that failed.
//
// Qt-free; the user-interface thread only.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <utility>

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
    void Clear() { entries_.clear(); }

    // Summaries built since the recording was set (failed attempts included).
    int32_t Builds() const { return builds_; }
    // Envelopes given by every summary held (SampleSummary::RangeQueries).
    uint64_t RangeQueries() const;

private:
    std::unique_ptr<SampleSummary> Build(int32_t channel, int32_t block) const;

    platform::ComPtr<IRecording> recording_;
    std::map<std::pair<int32_t, int32_t>, std::unique_ptr<SampleSummary>> entries_;  // null: none
    int32_t builds_ = 0;
};

}  // namespace Velogram
