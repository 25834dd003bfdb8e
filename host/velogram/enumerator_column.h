// EnumeratorColumn: the samples of a calculated channel computed from raw samples by the
// channel's own calculation: the enumerator that the recording's sample stream of the channel
// is (the calculation module's ICalcEnum, given the calculation's settings by the framework),
// connected to a stream over the raw samples it is handed. The host moves samples in and out;
// the calibration itself is the module's, exactly as when the recording is read through it.
//
// The enumerator computes each sample from the raw sample at the same position alone, so the
// chunks of a recording may come in any order and any size.
#pragma once

#include <atomic>
#include <cstdint>
#include <span>

#include "interfaces/calc_enum.h"
#include "interfaces/enum_float_ex_defaults.h"
#include "interfaces/recording.h"
#include "host/velogram/column_producer.h"
#include "platform/com_ptr.h"

namespace Velogram {

// RawSampleStream: a sample stream over samples its owner hands it, a span at a time; the
// source stream of an enumerator whose samples come from elsewhere than a recording.
class RawSampleStream final : public IEnumFloatExDefaults {
public:
    static platform::ComPtr<RawSampleStream> Create();

    // [in] samples: outlive their use through Next; the position goes back to 0.
    void Set(std::span<const float> samples);

    HRESULT QueryInterface(REFIID iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;
    // The position of the next sample in the samples Set last.
    HRESULT GetPosition(int64_t* out) override;
    HRESULT Reset() override;
    // Copies up to count of the samples. S_OK when count were delivered, S_FALSE when fewer.
    HRESULT Next(uint32_t count, float* buffer, uint32_t* returned) override;

private:
    RawSampleStream() = default;
    ~RawSampleStream() = default;

    std::atomic<int32_t> refs_{0};
    std::span<const float> samples_;
    size_t position_ = 0;
};

class EnumeratorColumn final : public ColumnProducer {
public:
    // [in] recording: has the calculated channel and block 0 (the samples there do not
    // matter); channel: the calculated channel. Throws CommandError when the recording hands
    // out no enumerator for the channel or the enumerator takes no other source.
    EnumeratorColumn(IRecording* recording, int32_t channel);

    void Produce(std::span<const float> raw, std::span<float> values) override;

private:
    platform::ComPtr<RawSampleStream> source_;
    platform::ComPtr<IEnumFloatEx> samples_;  // the enumerator's stream
    int32_t channel_;
};

}  // namespace Velogram
