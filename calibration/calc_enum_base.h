// CalcEnums::CalcEnumBase2: what every sample enumerator of a calculation shares. It implements
// ICalcEnum and, as a second interface, IEnumFloatEx, keeps the enumerator's class object and
// creation value, the source sample stream, the source's host object, the unit object, the
// settings text and the positioned flag, and forwards the stream slots to the source.
//
// A derived enumerator supplies SetSettingsText, Connect, Seek, Next and CreateCopy.
//
// Reference counting: the count starts at 0 (the creator adds the first reference); the last
// Release calls Destroy (slot 18), which deletes the enumerator. The counting itself is in
// InnerAddRef / InnerRelease / InnerQueryInterface, so that CalcEnumAgg can send the
// interfaces' IUnknown slots to an outer unknown while keeping the enumerator's own lifetime.
//
// An enumerator is used by one thread at a time; enumerators share nothing but the class
// object, the unit object and the settings text, all reference counted.
#pragma once

#include <atomic>
#include <cstdint>

#include "interfaces/calc_enum.h"
#include "interfaces/class_objects.h"
#include "interfaces/enum_float_ex.h"
#include "interfaces/unit_name.h"
#include "foundation/kvi_string.h"
#include "platform/com_ptr.h"

namespace CalcEnums {

class CalcEnumBase2 : public ICalcEnum, public IEnumFloatEx {
public:
    CalcEnumBase2& operator=(const CalcEnumBase2&) = delete;

    // IUnknown of both interfaces. QueryInterface answers IUnknown (the ICalcEnum pointer),
    // ICalcEnum and IEnumFloatEx; E_NOINTERFACE (out null) otherwise; E_POINTER for a null
    // out-pointer.
    HRESULT QueryInterface(REFIID iid, void** out) override { return InnerQueryInterface(iid, out); }
    uint32_t AddRef() override { return InnerAddRef(); }
    uint32_t Release() override { return InnerRelease(); }

    // ICalcEnum (contracts in interfaces/calc_enum.h). Slots that need a class object or
    // a source return E_FAIL without one.
    HRESULT GetTypeId(uint32_t* out) override;                                    // 3
    HRESULT GetClassObject(ICalcEnumClass2** out) override;                       // 4
    HRESULT GetSettingsText(IAutoKVIString** out) override;                       // 6
    // Slots 7 (ICalcEnum) and 9 (IEnumFloatEx): a plain copy (CreateCopy) whose source is a
    // clone of this one's (the source's own Clone; its failure is returned); the source's
    // host object, the unit object and the text are shared.
    HRESULT Clone(ICalcEnum** out) override;                                      // 7
    HRESULT Disconnect() override;                                                // 10
    HRESULT GetFlags(int32_t flag, uint32_t* out) override;                       // 11
    HRESULT Reserved12() override { return S_OK; }                                // 12
    HRESULT Reserved13() override { return S_OK; }                                // 13
    HRESULT GetSourceInfo(double* value, IUnknown** unit) override;               // 14
    HRESULT Reserved15(uint32_t* out) override;                                   // 15
    HRESULT Reserved16(uint32_t* out) override;                                   // 16
    HRESULT Reserved17() override;                                                // 17
    void Destroy() override;                                                      // 18

    // IEnumFloatEx: slots 3 to 7 go to the same slots of the source stream.
    HRESULT Skip(int64_t count) override;
    HRESULT Reset() override;
    HRESULT GetPosition(int64_t* out) override;
    HRESULT Reserved6() override;
    HRESULT Reserved7() override;
    HRESULT Clone(IEnumFloatEx** out) override;  // 9

    // The enumerator's own IUnknown operations, which an aggregating wrapper's inner unknown
    // uses. InnerQueryInterface adds its reference through the interface's AddRef.
    HRESULT InnerQueryInterface(REFIID iid, void** out);
    uint32_t InnerAddRef();
    uint32_t InnerRelease();

protected:
    // [in] enumClass: the enumerator's class object (a reference is kept; may be null);
    // creationValue: kept as given.
    CalcEnumBase2(ICalcEnumClass2* enumClass, intptr_t creationValue);
    // For copies: every member but the count (0) and the source stream (none; Clone fills it).
    CalcEnumBase2(const CalcEnumBase2& other);
    virtual ~CalcEnumBase2();

    // A new plain enumerator with this one's members (count 0, no source).
    virtual CalcEnumBase2* CreateCopy() const = 0;

    intptr_t creationValue_;
    platform::ComPtr<ICalcEnumClass2> class_;
    double sourceValue_ = 0;                 // given to Connect, reported by GetSourceInfo
    platform::ComPtr<IEnumFloatEx> source_;  // the source sample stream
    platform::ComPtr<IUnknown> sourceHost_;  // the source's host object given to Connect
    platform::ComPtr<IUnitName> unit_;       // built from the settings text
    KVI::String text_;                       // the settings text
    bool positioned_ = false;

private:
    // A copy with a cloned source and one reference, or null with the failure in hr.
    CalcEnumBase2* CloneWithSource(HRESULT& hr) const;

    std::atomic<int32_t> refs_{0};
};

}  // namespace CalcEnums
