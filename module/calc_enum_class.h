// Tessar::CalcEnumClass2: the enumerator class object (the host's
// CalcEnums::CalcEnumClass2<TessarEnum>). It creates the calibrated channel's sample
// enumerators (TessarEnum), plain or aggregated by an outer unknown (CalcEnumAgg).
//
// QueryInterface: IUnknown, IGenericClassObject and ICalcEnumClass2 give the main interface
// (QueryClassObject's rules otherwise). AddRef and Release answer 1: the class object is
// immortal, and enumerators on any thread reference it without touching shared state.
#pragma once

#include "module/class_object_base.h"

namespace Tessar {

class CalcEnumClass2 final : public ClassObjectBase<ICalcEnumClass2> {
public:
    // Takes its name and description from its class record; links itself into the module's
    // class-object list.
    CalcEnumClass2();
    // Never runs for the module's class object, which lives until the process ends.
    ~CalcEnumClass2() = default;

    HRESULT QueryInterface(REFIID iid, void** out) override;
    uint32_t AddRef() override { return 1; }
    uint32_t Release() override { return 1; }

    // Slots 7 and 8. [out] "TessarCalcEnum" and "Fits curves using a Least Squares
    // approximation", new references.
    HRESULT GetClassName(IAutoKVIString** out) override;
    HRESULT GetClassDescription(IAutoKVIString** out) override;
    // Slot 9. [out] 0.
    HRESULT Reserved9(uint32_t* out) override;
    // Slot 10. [out] null; E_NOTIMPL.
    HRESULT Reserved10(IUnknown** out) override;
    // Slot 11. [out] a new TessarEnum for this class and the creation value, under ICalcEnum.
    HRESULT CreateEnumerator(intptr_t creationValue, ICalcEnum** out) override;
    // Slot 12. With an outer unknown: a new aggregated enumerator, [out] its inner unknown (one
    // reference, owned by the outer unknown). Without one: a plain enumerator under IUnknown.
    HRESULT CreateAggregatedEnumerator(IUnknown* outer, intptr_t creationValue, IUnknown** out) override;
};

}  // namespace Tessar
