#include "host/zor/sample_block.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace Zor {

void SampleView::Copy(int64_t from, size_t count, float* out) const
{
    // The chunk holding sample from: the last one starting at or before it.
    size_t i = static_cast<size_t>(std::upper_bound(starts_.begin(), starts_.end(), from) - starts_.begin()) - 1;
    while (count > 0) {
        const int64_t chunkEnd = i + 1 < starts_.size() ? starts_[i + 1] : size_;
        const size_t n = std::min(count, static_cast<size_t>(chunkEnd - from));
        std::memcpy(out, chunks_[i]->data() + (from - starts_[i]), n * sizeof(float));
        out += n;
        from += static_cast<int64_t>(n);
        count -= n;
        ++i;
    }
}

std::vector<std::span<const float>> SampleView::Pieces() const
{
    std::vector<std::span<const float>> pieces;
    for (size_t i = 0; i < chunks_.size(); ++i) {
        const int64_t end = i + 1 < starts_.size() ? starts_[i + 1] : size_;
        pieces.emplace_back(chunks_[i]->data(), static_cast<size_t>(end - starts_[i]));
    }
    return pieces;
}

HRESULT SampleBlock::Append(const float* samples, size_t count)
{
    const size_t chunksBefore = chunks_.size();
    const size_t lastSizeBefore = chunks_.empty() ? 0 : chunks_.back()->size();
    size_t done = 0;
    try {
        while (done < count) {
            std::vector<float>* last = chunks_.empty() ? nullptr : chunks_.back().get();
            // A chunk that anyone else holds is left as it is.
            if (!last || chunks_.back().use_count() > 1 || last->size() == last->capacity()) {
                const size_t capacity =
                    std::clamp<size_t>(std::max<size_t>(static_cast<size_t>(size_), count - done), 1, kMaxChunkSamples);
                auto chunk = std::make_shared<std::vector<float>>();
                chunk->reserve(capacity);
                chunks_.push_back(std::move(chunk));
                last = chunks_.back().get();
            }
            const size_t n = std::min(count - done, last->capacity() - last->size());
            last->insert(last->end(), samples + done, samples + done + n);  // within capacity
            done += n;
            size_ += static_cast<int64_t>(n);
        }
        return S_OK;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    chunks_.resize(chunksBefore);
    if (!chunks_.empty() && chunks_.back()->size() > lastSizeBefore) chunks_.back()->resize(lastSizeBefore);
    size_ -= static_cast<int64_t>(done);
    return E_OUTOFMEMORY;
}

void SampleBlock::Assign(std::vector<float> samples)
{
    chunks_.clear();
    size_ = static_cast<int64_t>(samples.size());
    if (!samples.empty()) chunks_.push_back(std::make_shared<std::vector<float>>(std::move(samples)));
}

SampleView SampleBlock::View() const
{
    SampleView view;
    view.chunks_.reserve(chunks_.size());
    view.starts_.reserve(chunks_.size());
    int64_t start = 0;
    for (const auto& chunk : chunks_) {
        view.chunks_.push_back(chunk);
        view.starts_.push_back(start);
        start += static_cast<int64_t>(chunk->size());
    }
    view.size_ = size_;
    return view;
}

}  // namespace Zor
