// Tessar::SettingsClass: the settings class object (the host's CalcClass<TessarExt>::
// SettingsClass). It creates and loads the calculation's settings objects (TessarExt::Settings).
// It shares its type identifier with the settings objects.
//
// QueryInterface: IUnknown, IID_ISettingsClass and IID_ISettingsClassAlt give the main
// interface (QueryClassObject's rules otherwise). Unlike the other class objects it counts its
// references: the count starts at 1 (the module's own reference, which the calculation class
// holds and never gives up) and the class object destroys itself when it falls to 0.
#pragma once

#include <atomic>

#include "module/class_object_base.h"

namespace Tessar {

class SettingsClass final : public ClassObjectBase<ISettingsClass> {
public:
    // [in] calculationName: the calculation class's name; the settings class is named after it
    // followed by "Settings". Links itself into the module's class-object list.
    explicit SettingsClass(const KVI::String& calculationName);

    HRESULT QueryInterface(REFIID iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;

    // Slot 7. [in] iid: the interface wanted. [out] a new default settings object under iid.
    // S_OK, or the object's QueryInterface failure (the object is then gone); E_POINTER.
    HRESULT CreateSettings(IUnknown* ignored, REFIID iid, void** out) override;
    // Slot 8. [in] stream: a stored form. [out] a new settings object loaded from the stream,
    // returned (reference owned by the caller) whatever Load answered. Load's result;
    // E_POINTER for a null out-pointer.
    HRESULT LoadSettings(IUnknown* ignored, IObjectInStream* stream, IPersistObject** out) override;

private:
    ~SettingsClass() = default;

    std::atomic<int32_t> refs_{1};
};

}  // namespace Tessar
