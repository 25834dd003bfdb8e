// CalibratedStream: a sample stream over another one that passes every sample through a fitted
// calibration (fit kind and coefficients, then the range policy and zero offset of its
// OutsideRule), so the selection pane can show calculated data. The samples go through double
// precision and back to float, as the calculated channel computes them.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "calibration/calibration_evaluator.h"
#include "calibration/outside_rule.h"
#include "interfaces/enum_float_ex_defaults.h"
#include "platform/com_ptr.h"

namespace Tessar {

class CalibratedStream final : public IEnumFloatExDefaults {
public:
    // [in] source: the raw stream (one reference held); fitKind, coefficients: the fit; rule:
    // what happens outside the points and the offset (by default none). The new object has one
    // reference, the caller's.
    CalibratedStream(IEnumFloatEx* source, int32_t fitKind, std::vector<double> coefficients, OutsideRule rule = {});

    HRESULT QueryInterface(REFIID iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;
    HRESULT Skip(int64_t count) override { return source_->Skip(count); }
    HRESULT Reset() override { return source_->Reset(); }
    HRESULT GetPosition(int64_t* out) override { return source_->GetPosition(out); }
    // The source's samples, calibrated in place; the source's result. A sample the fit cannot
    // evaluate becomes NaN.
    HRESULT Next(uint32_t count, float* buffer, uint32_t* returned) override;
    // E_NOTIMPL: the pane reads each stream once.
    HRESULT Clone(IEnumFloatEx** out) override;

private:
    ~CalibratedStream() = default;

    std::atomic<int32_t> refs_{1};
    platform::ComPtr<IEnumFloatEx> source_;
    CalibrationEvaluator evaluator_;
    OutsideRule rule_;
    std::vector<double> work_;
};

}  // namespace Tessar
