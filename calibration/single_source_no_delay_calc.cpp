#include "calibration/single_source_no_delay_calc.h"

namespace CalcEnums {

HRESULT SingleSourceNoDelayCalc::Connect(int32_t count, IUnknown** sources, IUnknown** hostObjects, double value)
{
    if (count > 0) {
        if (!sources) return E_POINTER;
        platform::ComPtr<IEnumFloatEx> stream;
        if (!sources[0] || FAILED(sources[0]->QueryInterface(IID_IEnumFloatEx, stream.PutVoid())) || !stream)
            return E_FAIL;
        source_ = std::move(stream);
        sourceHost_ = platform::ComPtr<IUnknown>(hostObjects ? hostObjects[0] : nullptr);
    }
    sourceValue_ = value;
    positioned_ = false;
    return S_OK;
}

HRESULT SingleSourceNoDelayCalc::Seek(int64_t position)
{
    if (!source_) return E_FAIL;
    platform::ComPtr<ICalcEnum> calculation;
    HRESULT hr = S_OK;
    if (SUCCEEDED(source_->QueryInterface(IID_ICalcEnum, calculation.PutVoid())) && calculation) {
        hr = calculation->Seek(position);
    } else {
        int64_t current = 0;
        hr = source_->GetPosition(&current);
        // Wrapping subtraction: positions are the host's, and no distance may overflow here.
        if (SUCCEEDED(hr)) hr = source_->Skip(static_cast<int64_t>(uint64_t(position) - uint64_t(current)));
    }
    positioned_ = true;
    return hr;
}

}  // namespace CalcEnums
