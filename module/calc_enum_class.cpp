#include "module/calc_enum_class.h"

#include "calibration/calc_enum_agg.h"
#include "calibration/interface_guard.h"
#include "calibration/tessar_enum.h"

namespace Tessar {

CalcEnumClass2::CalcEnumClass2() : ClassObjectBase(kCalcEnumClassRecord, kCalcEnumClassRecord.Name()) {}

HRESULT CalcEnumClass2::QueryInterface(REFIID iid, void** out)
{
    return QueryClassObject(static_cast<ICalcEnumClass2*>(this), {IID_IGenericClassObject, IID_ICalcEnumClass2},
                            iid, out);
}

HRESULT CalcEnumClass2::GetClassName(IAutoKVIString** out)
{
    if (!out) return E_POINTER;
    *out = record_.Name().NewReference();
    return S_OK;
}

HRESULT CalcEnumClass2::GetClassDescription(IAutoKVIString** out)
{
    if (!out) return E_POINTER;
    *out = record_.Description().NewReference();
    return S_OK;
}

HRESULT CalcEnumClass2::Reserved9(uint32_t* out)
{
    if (!out) return E_POINTER;
    *out = 0;
    return S_OK;
}

HRESULT CalcEnumClass2::Reserved10(IUnknown** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    return E_NOTIMPL;
}

HRESULT CalcEnumClass2::CreateEnumerator(intptr_t creationValue, ICalcEnum** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    return GuardedCall([&] {
        const platform::ComPtr<TessarEnum> enumerator(new TessarEnum(this, creationValue));
        return enumerator->QueryInterface(IID_ICalcEnum, reinterpret_cast<void**>(out));
    });
}

HRESULT CalcEnumClass2::CreateAggregatedEnumerator(IUnknown* outer, intptr_t creationValue, IUnknown** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    return GuardedCall([&] {
        if (!outer) {
            const platform::ComPtr<TessarEnum> enumerator(new TessarEnum(this, creationValue));
            return enumerator->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(out));
        }
        auto* aggregate = new CalcEnums::CalcEnumAgg<TessarEnum>(outer, this, creationValue);
        IUnknown* inner = aggregate->NonDelegatingUnknown();
        inner->AddRef();
        *out = inner;
        return S_OK;
    });
}

}  // namespace Tessar
