#include "module/settings_class.h"

#include "calibration/interface_guard.h"
#include "calibration/tessar_settings.h"
#include "platform/com_ptr.h"
#include "platform/interlocked.h"

namespace Tessar {
namespace {

KVI::String SettingsClassName(const KVI::String& calculationName)
{
    KVI::String name = calculationName;
    name += KVI::String(kSettingsClassRecord.name);
    return name;
}

}  // namespace

SettingsClass::SettingsClass(const KVI::String& calculationName)
    : ClassObjectBase(kSettingsClassRecord, SettingsClassName(calculationName))
{
}

HRESULT SettingsClass::QueryInterface(REFIID iid, void** out)
{
    return QueryClassObject(static_cast<ISettingsClass*>(this), {IID_ISettingsClass, IID_ISettingsClassAlt}, iid,
                            out);
}

uint32_t SettingsClass::AddRef() { return static_cast<uint32_t>(platform::InterlockedIncrement(refs_)); }

uint32_t SettingsClass::Release()
{
    const int32_t n = platform::InterlockedDecrement(refs_);
    if (n == 0) delete this;
    return static_cast<uint32_t>(n);
}

HRESULT SettingsClass::CreateSettings(IUnknown*, REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    return GuardedCall([&] {
        const platform::ComPtr<TessarSettings> settings(new TessarSettings());
        return settings->QueryInterface(iid, out);
    });
}

HRESULT SettingsClass::LoadSettings(IUnknown*, IObjectInStream* stream, IPersistObject** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    return GuardedCall([&] {
        platform::ComPtr<TessarSettings> settings(new TessarSettings());
        const HRESULT hr = settings->Load(stream);
        *out = settings.Detach();
        return hr;
    });
}

}  // namespace Tessar
