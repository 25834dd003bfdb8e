// Tessar::TessarEnum: the sample enumerator of the calibrated channel. It reads raw samples
// from its source stream and returns them passed through the calibration function of the
// settings text it was given (the fit kind and the coefficients as the lossless text form
// writes them), then applies the text's range policy and zero offset (outside_rule.h).
//
// A new enumerator, or one whose text has no coefficients, passes the source samples through
// unchanged (coefficients 0 and 1 at first; with none the evaluator is skipped).
//
// Used by one thread at a time; several enumerators of one calculation run on different
// threads at once (each owns its coefficients and its work buffer).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "calibration/calibration_evaluator.h"
#include "calibration/outside_rule.h"
#include "calibration/single_source_no_delay_calc.h"

namespace Tessar {

class TessarEnum : public CalcEnums::SingleSourceNoDelayCalc {
public:
    // Samples are calibrated in place, in one evaluator call, when the text has no range policy
    // and no offset; otherwise in pieces of this many through a work buffer of doubles that is
    // part of the enumerator, so Next allocates nothing. The point-to-point segment table is
    // built once per settings text.
    static constexpr uint32_t kWorkBlock = 4096;
    static constexpr uint32_t kSettingsTextFlags = 0x40000000;

    // [in] enumClass: the class object that creates it (may be null); creationValue: kept.
    // The count starts at 0.
    TessarEnum(ICalcEnumClass2* enumClass, intptr_t creationValue);

    // Slot 5. [in] text: the calculation's settings text form (null: empty). [out] flags
    // (may be null): 0x40000000. Keeps the text and reads it whole with the settings text
    // parser (settings_text.h): fit kind, force origin, unit, chi-square, SSE, the
    // coefficients, the points (whose raw range the policy needs), the range policy and the
    // zero offset; fields the text does not hold keep the parser's defaults (so a text
    // without coefficients gives none), and a corrupt text gives the defaults whole. Builds
    // the unit object through the host's units service (prefix index 1, the unit name, 0);
    // without the service there is none. S_OK (E_OUTOFMEMORY when the text cannot be kept).
    HRESULT SetSettingsText(IAutoKVIString* text, uint32_t* flags) override;

    // IEnumFloatEx slot 8. [in] count: samples wanted; buffer: room for count floats.
    // [out] returned (may be null): samples delivered. Reads count samples from the source
    // into buffer and calibrates the ones delivered in place (through double precision,
    // rounded back to float). S_OK when count samples were delivered, else the source's
    // result; E_FAIL when not connected; E_POINTER for a null buffer with count > 0.
    // A source that reports more samples than asked for is taken at count.
    HRESULT Next(uint32_t count, float* buffer, uint32_t* returned) override;

protected:
    TessarEnum(const TessarEnum& other);
    ~TessarEnum() override;
    CalcEnums::CalcEnumBase2* CreateCopy() const override;

private:
    void CalibrateInPlace(float* samples, uint32_t count);

    bool forceOrigin_ = false;
    CalibrationEvaluator evaluator_{0, {0.0, 1.0}};  // the text's fit kind and coefficients
    double chiSquare_ = 0;
    double sse_ = 0;
    uint64_t samplesRead_ = 0;  // running count of calibrated samples
    OutsideRule outside_;  // the range policy and the zero offset of the text
    std::array<double, kWorkBlock> work_;
};

}  // namespace Tessar
