// Zor::SampleStream: a stream of a channel's samples in one block (IEnumFloatEx,
// interfaces/enum_float_ex.h), from a start offset up to an end offset. Positions are
// sample offsets in the block. The stream reads a view of the block (sample_block.h), which
// shares the samples with the recording without copying them and does not change while the
// recording grows. A stream belongs to one thread at a time; clones are independent.
#pragma once

#include <atomic>
#include <cstdint>

#include "interfaces/enum_float_ex_defaults.h"
#include <memory>

#include "host/zor/sample_block.h"
#include "platform/com_ptr.h"

namespace Zor {

class SampleStream final : public IEnumFloatExDefaults {
public:
    // [in] samples: a view of the block; start, end: cut to 0..size, end not before start.
    static platform::ComPtr<SampleStream> Create(SampleView samples, int64_t start, int64_t end);

    SampleStream(const SampleStream&) = delete;
    SampleStream& operator=(const SampleStream&) = delete;

    HRESULT QueryInterface(REFIID iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;

    // Moves by count samples. S_OK inside the range; S_FALSE, stopping at its start or end,
    // when count leads out of it.
    HRESULT Skip(int64_t count) override;
    // Back to the start offset.
    HRESULT Reset() override;
    HRESULT GetPosition(int64_t* out) override;
    // Copies up to count samples. S_OK when count were delivered, S_FALSE when fewer (0 at the
    // end). returned may be null. E_POINTER for a null buffer with a count.
    HRESULT Next(uint32_t count, float* buffer, uint32_t* returned) override;
    HRESULT Clone(IEnumFloatEx** out) override;

private:
    SampleStream(std::shared_ptr<const SampleView> samples, int64_t start, int64_t end, int64_t position)
        : samples_(std::move(samples)), start_(start), end_(end), position_(position)
    {
    }
    ~SampleStream() = default;

    std::atomic<int32_t> refs_{0};
    std::shared_ptr<const SampleView> samples_;  // shared with clones
    int64_t start_;
    int64_t end_;
    int64_t position_;
};

}  // namespace Zor
