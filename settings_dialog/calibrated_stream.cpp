#include "settings_dialog/calibrated_stream.h"

#include <algorithm>
#include <cmath>


namespace Tessar {

CalibratedStream::CalibratedStream(IEnumFloatEx* source, int32_t fitKind, std::vector<double> coefficients,
                                   OutsideRule rule)
    : source_(source), evaluator_(fitKind, std::move(coefficients)), rule_(rule)
{
}

HRESULT CalibratedStream::QueryInterface(REFIID iid, void** out)
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

uint32_t CalibratedStream::AddRef()
{
    return static_cast<uint32_t>(++refs_);
}

uint32_t CalibratedStream::Release()
{
    const int32_t left = --refs_;
    if (left == 0) delete this;
    return static_cast<uint32_t>(left);
}

HRESULT CalibratedStream::Next(uint32_t count, float* buffer, uint32_t* returned)
{
    uint32_t got = 0;
    const HRESULT hr = source_->Next(count, buffer, &got);
    // A source that claims more than it was asked for is taken at count.
    if (got > count) got = count;
    if (got > 0 && buffer && rule_.IsPlain()) {
        if (!evaluator_.Evaluate(buffer, buffer + got)) std::fill(buffer, buffer + got, std::nanf(""));
    } else if (got > 0 && buffer) {
        work_.assign(buffer, buffer + got);
        rule_.Prepare(work_.data(), work_.data() + got);
        if (!evaluator_.Evaluate(work_.data(), work_.data() + got))
            work_.assign(got, std::nan(""));
        // The raw samples are still in the buffer.
        rule_.Finish(buffer, work_.data(), got);
        for (uint32_t k = 0; k < got; ++k) buffer[k] = static_cast<float>(work_[k]);
    }
    if (returned) *returned = got;
    return hr;
}

HRESULT CalibratedStream::Clone(IEnumFloatEx** out)
{
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

}  // namespace Tessar
