#include "host/velogram/enumerator_column.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "host/velogram/command_error.h"
#include "host/velogram/module_session.h"

namespace Velogram {

platform::ComPtr<RawSampleStream> RawSampleStream::Create()
{
    return platform::ComPtr<RawSampleStream>(new RawSampleStream());
}

void RawSampleStream::Set(std::span<const float> samples)
{
    samples_ = samples;
    position_ = 0;
}

HRESULT RawSampleStream::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IEnumFloatEx) {
        *out = static_cast<IEnumFloatEx*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

uint32_t RawSampleStream::AddRef() { return static_cast<uint32_t>(++refs_); }

uint32_t RawSampleStream::Release()
{
    const int32_t n = --refs_;
    if (n == 0) delete this;
    return static_cast<uint32_t>(n);
}

HRESULT RawSampleStream::GetPosition(int64_t* out)
{
    if (!out) return E_POINTER;
    *out = int64_t(position_);
    return S_OK;
}

HRESULT RawSampleStream::Reset()
{
    position_ = 0;
    return S_OK;
}

HRESULT RawSampleStream::Next(uint32_t count, float* buffer, uint32_t* returned)
{
    if (returned) *returned = 0;
    if (count == 0) return S_OK;
    if (!buffer) return E_POINTER;
    const size_t n = std::min<size_t>(count, samples_.size() - position_);
    if (n) std::memcpy(buffer, samples_.data() + position_, n * sizeof(float));
    position_ += n;
    if (returned) *returned = uint32_t(n);
    return n == count ? S_OK : S_FALSE;
}

EnumeratorColumn::EnumeratorColumn(IRecording* recording, int32_t channel)
    : source_(RawSampleStream::Create()), channel_(channel)
{
    const auto fail = [&](HRESULT hr) {
        return CommandError("the calibrated channel " + std::to_string(channel) +
                            " hands out no calculation of its samples: " + ResultText(hr));
    };
    HRESULT hr = recording->CreateSampleStream(channel, 0, 0, 0, samples_.Put());
    if (FAILED(hr) || !samples_) throw fail(FAILED(hr) ? hr : E_FAIL);
    platform::ComPtr<ICalcEnum> enumerator;
    hr = samples_.As(IID_ICalcEnum, enumerator);
    if (FAILED(hr) || !enumerator) throw fail(FAILED(hr) ? hr : E_NOINTERFACE);
    IUnknown* sources[1] = {static_cast<IEnumFloatEx*>(source_.Get())};
    IUnknown* hostObjects[1] = {nullptr};
    hr = enumerator->Connect(1, sources, hostObjects, 0.0);
    if (FAILED(hr)) throw fail(hr);
}

void EnumeratorColumn::Produce(std::span<const float> raw, std::span<float> values)
{
    source_->Set(raw);
    size_t done = 0;
    while (done < raw.size()) {
        const auto want = uint32_t(std::min<size_t>(raw.size() - done, std::numeric_limits<uint32_t>::max()));
        uint32_t got = 0;
        const HRESULT hr = samples_->Next(want, values.data() + done, &got);
        if (FAILED(hr) || got != want)
            throw CommandError("the calibrated channel " + std::to_string(channel_) + " stopped after " +
                               std::to_string(done + got) + " of " + std::to_string(raw.size()) + " samples" +
                               (FAILED(hr) ? ": " + ResultText(hr) : std::string()));
        done += got;
    }
}

}  // namespace Velogram
