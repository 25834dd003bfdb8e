#include "calibration/tessar_enum.h"

#include <algorithm>

#include "calibration/framework.h"
#include "calibration/interface_guard.h"
#include "calibration/settings_text.h"
#include "values/units/prefix_table.h"

namespace Tessar {

TessarEnum::TessarEnum(ICalcEnumClass2* enumClass, intptr_t creationValue)
    : SingleSourceNoDelayCalc(enumClass, creationValue)
{
}

TessarEnum::TessarEnum(const TessarEnum& other)
    : SingleSourceNoDelayCalc(other),
      forceOrigin_(other.forceOrigin_),
      evaluator_(other.evaluator_),
      chiSquare_(other.chiSquare_),
      sse_(other.sse_),
      samplesRead_(other.samplesRead_),
      outside_(other.outside_)
{
}

TessarEnum::~TessarEnum() = default;

CalcEnums::CalcEnumBase2* TessarEnum::CreateCopy() const { return new TessarEnum(*this); }

HRESULT TessarEnum::SetSettingsText(IAutoKVIString* text, uint32_t* flags)
{
    if (flags) *flags = kSettingsTextFlags;
    const HRESULT hr = GuardedCall([&] {
        KVI::String kept(text);
        CalibrationData parsed;
        // A rejected text leaves parsed at its defaults: no coefficients, samples pass through.
        ParseSettingsText(kept.View(), SettingsTextScope::Full, parsed);
        text_ = std::move(kept);
        forceOrigin_ = parsed.forceOrigin_;
        evaluator_ = CalibrationEvaluator(parsed.fitKind_, std::move(parsed.coefficients_));
        chiSquare_ = parsed.chiSquare_;
        sse_ = parsed.sse_;
        outside_ = OutsideRule::Of(parsed);
        unit_.Reset();
        // The unit object is a convenience for the host; an enumerator without one still
        // calibrates, so a missing service is no failure of the text.
        GuardedCall([&] {
            platform::ComPtr<IUnitsService> service;
            const HRESULT got = Framework::GetUnitsService(service.Put());
            if (FAILED(got) || !service) return got;
            return service->CreateUnit(KVI::kPrefixNone, parsed.unit_.name_.Interface(), 0, unit_.Put());
        });
        return S_OK;
    });
    return hr;
}

void TessarEnum::CalibrateInPlace(float* samples, uint32_t count)
{
    // Without a range policy or an offset the samples are calibrated where they lie, widened
    // and narrowed by the evaluator as it goes.
    if (outside_.IsPlain()) {
        evaluator_.Evaluate(samples, samples + count);
        return;
    }
    double* work = work_.data();
    for (uint32_t done = 0; done < count;) {
        const uint32_t n = std::min(count - done, kWorkBlock);
        float* piece = samples + done;
        for (uint32_t i = 0; i < n; ++i) work[i] = piece[i];
        outside_.Prepare(work, work + n);
        evaluator_.Evaluate(work, work + n);
        outside_.Finish(piece, work, n);
        for (uint32_t i = 0; i < n; ++i) piece[i] = static_cast<float>(work[i]);
        done += n;
    }
}

HRESULT TessarEnum::Next(uint32_t count, float* buffer, uint32_t* returned)
{
    if (returned) *returned = 0;
    if (!buffer && count > 0) return E_POINTER;
    if (!source_) return E_FAIL;
    uint32_t got = 0;
    const HRESULT hr = source_->Next(count, buffer, &got);
    got = std::min(got, count);
    if (!evaluator_.Coefficients().empty()) CalibrateInPlace(buffer, got);
    samplesRead_ += got;
    if (returned) *returned = got;
    return got == count ? S_OK : hr;
}

}  // namespace Tessar
