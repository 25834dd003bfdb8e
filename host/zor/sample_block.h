// Zor::SampleBlock: the samples of one channel in one block, kept in chunks that never move once
// written, and Zor::SampleView, a read-only view of them as they were when it was taken.
//
// Growing a block never copies what it holds: appending fills the last chunk and then starts a
// new one, each new chunk as large as the block so far (at most kMaxChunkSamples), so a block
// takes at most one chunk more than its samples. A chunk that a view (or a copy of the block)
// shares is never written again, so views stay valid and unchanged while the block grows, on
// any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/hresult.h"

namespace Zor {

constexpr size_t kMaxChunkSamples = size_t{1} << 20;

class SampleView {
public:
    int64_t Size() const { return size_; }
    // Copies count samples from offset from; from + count must not pass Size().
    void Copy(int64_t from, size_t count, float* out) const;
    // The samples in order, piece by piece.
    std::vector<std::span<const float>> Pieces() const;

private:
    friend class SampleBlock;

    std::vector<std::shared_ptr<const std::vector<float>>> chunks_;
    std::vector<int64_t> starts_;  // offset of each chunk's first sample
    int64_t size_ = 0;
};

class SampleBlock {
public:
    int64_t Size() const { return size_; }
    // Appends count samples. E_OUTOFMEMORY, with the block unchanged, when they do not fit.
    HRESULT Append(const float* samples, size_t count);
    // Replaces the samples by these (kept as one chunk, without copying).
    void Assign(std::vector<float> samples);
    SampleView View() const;

private:
    std::vector<std::shared_ptr<std::vector<float>>> chunks_;
    int64_t size_ = 0;
};

}  // namespace Zor
