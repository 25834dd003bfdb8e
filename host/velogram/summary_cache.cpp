#include "host/velogram/summary_cache.h"

#include <new>

namespace Velogram {

void SummaryCache::SetRecording(IRecording* recording)
{
    recording_ = platform::ComPtr<IRecording>(recording);
    entries_.clear();
    builds_ = 0;
}

const SampleSummary* SummaryCache::Get(int32_t channel, int32_t block)
{
    const auto key = std::make_pair(channel, block);
    auto found = entries_.find(key);
    if (found == entries_.end()) {
        ++builds_;
        found = entries_.emplace(key, Build(channel, block)).first;
    }
    return found->second.get();
}

std::unique_ptr<SampleSummary> SummaryCache::Build(int32_t channel, int32_t block) const
{
    if (!recording_) return nullptr;
    int64_t count = 0;
    if (FAILED(recording_->GetSampleCount(channel, block, &count)) || count <= 0) return nullptr;
    platform::ComPtr<IEnumFloatEx> stream;
    if (FAILED(recording_->CreateSampleStream(channel, block, 0, count, stream.Put())) || !stream) return nullptr;
    try {
        auto summary = std::make_unique<SampleSummary>();
        if (FAILED(summary->Build(stream.Get(), count)) || summary->Count() == 0) return nullptr;
        return summary;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

uint64_t SummaryCache::RangeQueries() const
{
    uint64_t total = 0;
    for (const auto& [key, summary] : entries_)
        if (summary) total += summary->RangeQueries();
    return total;
}

}  // namespace Velogram
