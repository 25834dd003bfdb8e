#include "module/calc_class.h"

#include <atomic>

#include "calibration/interface_guard.h"
#include "module/settings_class.h"
#include "calibration/tessar_ext.h"

namespace Tessar {

CalcClass::CalcClass()
    : ClassObjectBase(kCalculationClassRecord, kCalculationClassRecord.Name()),
      description_(kCalculationClassRecord.Description()),
      settings_(new SettingsClass(name_)),
      automation_(static_cast<ICalculationClass*>(this))
{
}

HRESULT CalcClass::QueryInterface(REFIID iid, void** out)
{
    if (out && iid == IID_ITessarAutomation) {
        *out = static_cast<ITessarAutomation*>(&automation_);
        AddRef();
        return S_OK;
    }
    return QueryClassObject(static_cast<ICalculationClass*>(this), {IID_IGenericClassObject, IID_ICalculationClass},
                            iid, out);
}

HRESULT CalcClass::GetClassName(IAutoKVIString** out)
{
    if (!out) return E_POINTER;
    *out = name_.NewReference();
    return S_OK;
}

HRESULT CalcClass::GetClassDescription(IAutoKVIString** out)
{
    if (!out) return E_POINTER;
    *out = description_.NewReference();
    return S_OK;
}

HRESULT CalcClass::Reserved9(uint32_t* out)
{
    if (!out) return E_POINTER;
    *out = 0;
    return S_OK;
}

namespace {

std::atomic<CalcClass::SettingsEditor>& Editor()
{
    static std::atomic<CalcClass::SettingsEditor> editor{nullptr};
    return editor;
}

}  // namespace

void CalcClass::InstallSettingsEditor(SettingsEditor editor)
{
    Editor().store(editor);
}

HRESULT CalcClass::EditSettings(void* parentWindow, int32_t, IUnknown* document, int32_t, int32_t channel,
                                IUnknown* hostObject, IPersistObject* current, IPersistObject** settings)
{
    if (settings) *settings = nullptr;
    const SettingsEditor editor = Editor().load();
    if (!editor) return E_NOTIMPL;
    return GuardedCall([&] { return editor(parentWindow, document, channel, hostObject, current, settings); });
}

HRESULT CalcClass::CreateCalculation(int32_t channel, int32_t second, ICalcSite* site, IUnknown** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!site) return E_FAIL;
    return GuardedCall([&] {
        const platform::ComPtr<TessarExt> calculation(new TessarExt(site, this, channel, second));
        return calculation->QueryInterface(IID_ICalculation, reinterpret_cast<void**>(out));
    });
}

}  // namespace Tessar
