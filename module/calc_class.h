// Tessar::CalcClass: the calculation class object (the host's CalcClass<TessarExt>). It creates
// the calculations (TessarExt), runs the settings dialog, and answers the module's automation
// interface (interfaces/tessar_automation.h) for the host's command line.
//
// QueryInterface: IUnknown, IGenericClassObject and ICalculationClass give the main interface,
// ITessarAutomation the automation interface (QueryClassObject's rules otherwise). AddRef and
// Release answer 1: the class object is immortal.
#pragma once

#include "module/class_object_base.h"
#include "module/tessar_automation_impl.h"

namespace Tessar {

class SettingsClass;

class CalcClass final : public ClassObjectBase<ICalculationClass> {
public:
    // Loads its name and description (strings 250 and 251 of the module), links itself into
    // the module's class-object list and builds the settings class (which links itself next).
    CalcClass();
    // Never runs for the module's class object, which lives until the process ends.
    ~CalcClass() = default;

    HRESULT QueryInterface(REFIID iid, void** out) override;
    uint32_t AddRef() override { return 1; }
    uint32_t Release() override { return 1; }

    // Slots 7 and 8. [out] the name ("Tessar") and the description, new references.
    HRESULT GetClassName(IAutoKVIString** out) override;
    HRESULT GetClassDescription(IAutoKVIString** out) override;
    // Slot 9. [out] 0.
    HRESULT Reserved9(uint32_t* out) override;
    // Slot 10. Runs the settings editor that the module's windowing half installed
    // (settings_dialog/edit_settings.h) and returns its result; without one *settings is null
    // and the result E_NOTIMPL.
    HRESULT EditSettings(void* parentWindow, int32_t ignored1, IUnknown* document, int32_t ignored2,
                         int32_t channel, IUnknown* hostObject, IPersistObject* current,
                         IPersistObject** settings) override;
    // Slot 11. [out] a new TessarExt for the site and channel, queried for IID_ICalculation
    // (which its base object answers); the query's result. E_FAIL (out null) without a site;
    // E_POINTER for a null out-pointer; what the framework start raised, as its result.
    HRESULT CreateCalculation(int32_t channel, int32_t second, ICalcSite* site, IUnknown** out) override;

    // The settings editor: EditSettings' arguments and result. The engine has no windows, so
    // the dialog's half installs its editor when the module is loaded.
    using SettingsEditor = HRESULT (*)(void* parentWindow, IUnknown* document, int32_t channel,
                                       IUnknown* hostObject, IPersistObject* current, IPersistObject** settings);
    static void InstallSettingsEditor(SettingsEditor editor);

    // The settings class that this class built.
    SettingsClass& Settings() { return *settings_; }

private:
    KVI::String description_;
    SettingsClass* settings_;  // holds the module's reference, never released
    TessarAutomation automation_;
};

}  // namespace Tessar
