// CalcEnums::SingleSourceNoDelayCalc: an enumerator that computes each output sample from the
// source sample at the same position (one source, no delay), so connecting keeps one source
// stream and seeking moves that stream.
#pragma once

#include "calibration/calc_enum_base.h"

namespace CalcEnums {

class SingleSourceNoDelayCalc : public CalcEnumBase2 {
public:
    // Slot 8. [in] count: number of sources; with count > 0, sources[0] must answer
    // IEnumFloatEx (kept) and hostObjects (may be null) gives the source's host object (kept);
    // value: kept for GetSourceInfo. Clears the positioned flag. S_OK; E_FAIL when the first
    // source has no IEnumFloatEx (nothing changes then); E_POINTER for a null source array with
    // count > 0.
    HRESULT Connect(int32_t count, IUnknown** sources, IUnknown** hostObjects, double value) override;
    // Slot 9. [in] position: the sample position wanted. A source that is itself a calculation
    // (answers ICalcEnum) seeks; any other stream skips by the distance from its position.
    // Sets the positioned flag. The source's result; E_FAIL when not connected.
    HRESULT Seek(int64_t position) override;

protected:
    using CalcEnumBase2::CalcEnumBase2;
};

}  // namespace CalcEnums
