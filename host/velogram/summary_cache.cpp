#include "host/velogram/summary_cache.h"

#include <algorithm>
#include <new>

namespace Velogram {

void SummaryCache::SetRecording(IRecording* recording)
{
    recording_ = platform::ComPtr<IRecording>(recording);
    Clear();
    builds_ = 0;
    detailReads_ = 0;
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

std::span<const float> SummaryCache::Detail(int32_t channel, int32_t block, int64_t first, int64_t last, int64_t* base)
{
    *base = 0;
    const SampleSummary* summary = Get(channel, block);
    if (!summary) return {};
    first = std::max<int64_t>(first, 0);
    last = std::min(last, summary->Count());
    if (first >= last || last - first > kDetailLimit) return {};
    DetailSpan& held = details_[std::make_pair(channel, block)];
    const int64_t heldLast = held.first + int64_t(held.samples.size());
    if (first < held.first || last > heldLast) {
        const int64_t margin = last - first;
        const int64_t from = std::max<int64_t>(first - margin, 0);
        const int64_t to = std::min(last + margin, summary->Count());
        held = DetailSpan{};
        ++detailReads_;
        platform::ComPtr<IEnumFloatEx> stream;
        if (FAILED(recording_->CreateSampleStream(channel, block, from, to, stream.Put())) || !stream) return {};
        try {
            held.samples.resize(size_t(to - from));
            uint32_t got = 0;
            size_t filled = 0;
            while (filled < held.samples.size()) {
                const uint32_t want = uint32_t(std::min<size_t>(held.samples.size() - filled, SampleSummary::kReadChunk));
                const HRESULT hr = stream->Next(want, held.samples.data() + filled, &got);
                if (FAILED(hr)) break;
                filled += std::min(got, want);
                if (hr != S_OK || got == 0) break;
            }
            held.samples.resize(filled);
            held.first = from;
        } catch (const std::bad_alloc&) {
            held = DetailSpan{};
            return {};
        }
        if (first < held.first || last > held.first + int64_t(held.samples.size())) return {};
    }
    *base = first;
    return std::span<const float>(held.samples).subspan(size_t(first - held.first), size_t(last - first));
}

uint64_t SummaryCache::RangeQueries() const
{
    uint64_t total = 0;
    for (const auto& [key, summary] : entries_)
        if (summary) total += summary->RangeQueries();
    return total;
}

}  // namespace Velogram
