#include "host/zor/registry.h"

#include <new>

#include "interfaces/calc_site.h"
#include "interfaces/host_settings.h"
#include "interfaces/message_service.h"
#include "interfaces/scale.h"
#include "interfaces/unit_list.h"
#include "host/zor/calc_base.h"
#include "host/zor/document.h"
#include "host/zor/gui/optional_services.h"
#include "host/zor/host_application.h"
#include "host/zor/host_settings.h"
#include "host/zor/message_service.h"
#include "host/zor/module_loader.h"
#include "host/zor/unit_list.h"
#include "host/zor/units_service.h"
#include "platform/class_table.h"
#include "platform/code_page.h"
#include "platform/module.h"

namespace Zor {
namespace {

// The low word of the base object's type identifier.
constexpr uint16_t kCalcBaseLowWord = 17;

KVI::String Text(const std::string& utf8) { return KVI::String::FromUtf8(utf8); }

}  // namespace

Registry* Registry::Instance()
{
    static Registry* const registry = new Registry;
    return registry;
}

HRESULT Registry::EnsureRegistered()
{
    platform::ComPtr<IUnknown> present;
    if (SUCCEEDED(CoGetClassObject(CLSID_FrameworkRegistry, CLSCTX_ALL, nullptr, IID_IUnknown, present.PutVoid())))
        return S_OK;
    uint32_t cookie = 0;
    return CoRegisterClassObject(CLSID_FrameworkRegistry, static_cast<IFrameworkRegistry*>(this),
                                 CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie);
}

uint32_t Registry::TypeIdOf(const GUID& type, uint16_t lowWord)
{
    const auto id = types_.Identify(type);
    return id ? (uint32_t(*id) << 16) | lowWord : 0;
}

HRESULT Registry::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IFrameworkRegistry) {
        *out = static_cast<IFrameworkRegistry*>(this);
    } else if (iid == IID_IObjectFactory) {
        *out = static_cast<IObjectFactory*>(this);
    } else if (iid == IID_IZorFramework) {
        *out = static_cast<IZorFramework*>(this);
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

uint32_t Registry::AddRef() { return static_cast<uint32_t>(++refs_); }
uint32_t Registry::Release() { return static_cast<uint32_t>(--refs_); }

HRESULT Registry::GetTypeIdentifier(REFGUID type, uint16_t* out)
{
    if (!out) return E_POINTER;
    const auto id = types_.Identify(type);
    *out = id.value_or(0);
    return id ? S_OK : E_OUTOFMEMORY;
}

HRESULT Registry::CreateObject(IUnknown* outer, uint32_t typeId, REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (typeId != 0 && typeId == TypeIdOf(TYPE_CalcBase, kCalcBaseLowWord)) return CalcBase::Create(outer, iid, out);
    GUID kind{};
    const platform::ComPtr<IUnknown> cls = classes_.FindAnyKind(typeId, &kind);
    if (!cls) return CLASS_E_CLASSNOTAVAILABLE;
    if (outer && iid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
    if (kind == KIND_SettingsClass) {
        if (outer) return CLASS_E_NOAGGREGATION;
        platform::ComPtr<ISettingsClass> settings;
        if (FAILED(cls.As(IID_ISettingsClass, settings)) || !settings) return CLASS_E_CLASSNOTAVAILABLE;
        return settings->CreateSettings(nullptr, iid, out);
    }
    if (kind == KIND_CalcEnumClass) {
        platform::ComPtr<ICalcEnumClass2> enums;
        if (FAILED(cls.As(IID_ICalcEnumClass2, enums)) || !enums) return CLASS_E_CLASSNOTAVAILABLE;
        const auto creationValue = reinterpret_cast<intptr_t>(static_cast<IUnknown*>(
            static_cast<IHostApplication*>(HostApplication::Instance())));
        if (outer) return enums->CreateAggregatedEnumerator(outer, creationValue, reinterpret_cast<IUnknown**>(out));
        platform::ComPtr<ICalcEnum> made;
        const HRESULT hr = enums->CreateEnumerator(creationValue, made.Put());
        if (FAILED(hr)) return hr;
        return made ? made->QueryInterface(iid, out) : E_FAIL;
    }
    return CLASS_E_NOAGGREGATION;
}

HRESULT Registry::GetService(uint32_t typeId, REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (typeId == kMessageServiceTypeId) return MessageService::Instance()->QueryInterface(iid, out);
    if (typeId == TypeIdOf(TYPE_UnitsService)) return UnitsService::Instance()->QueryInterface(iid, out);
    if (typeId == TypeIdOf(TYPE_HostSettings)) return HostSettings::Instance()->QueryInterface(iid, out);
    if (typeId == TypeIdOf(TYPE_ScaleService)) return OptionalServices::GetScaleService(iid, out);
    const platform::ComPtr<IUnknown> cls = classes_.FindAnyKind(typeId, nullptr);
    if (!cls) return CLASS_E_CLASSNOTAVAILABLE;
    return cls->QueryInterface(iid, out);
}

HRESULT Registry::RegisterClassObject(IZORClassObject* classObject) { return classes_.Register(classObject); }

HRESULT Registry::LoadModules(const char16_t* directory, int32_t* loaded, IAutoKVIString** report)
{
    if (loaded) *loaded = 0;
    if (report) *report = nullptr;
    try {
        const std::string dir =
            directory ? platform::Utf16ToUtf8(directory) : platform::ExecutableDirectory();
        std::string problems;
        const std::vector<std::string> modules = ModuleCandidates(dir, &problems);
        HRESULT result = problems.empty() ? S_OK : E_FAIL;
        if (SUCCEEDED(result)) EnsureRegistered();
        for (const std::string& path : modules) {
            std::string problem;
            const HRESULT hr = LoadModuleFile(path, &problem);
            if (hr == S_OK && loaded) ++*loaded;
            if (FAILED(hr)) {
                problems += problem + "\n";
                result = S_FALSE;
            }
        }
        if (report) *report = Text(problems).NewReference();
        return result;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT Registry::LoadModule(const char16_t* path, IAutoKVIString** problem)
{
    if (problem) *problem = nullptr;
    if (!path) return E_INVALIDARG;
    try {
        EnsureRegistered();
        std::string why;
        const HRESULT hr = LoadModuleFile(platform::Utf16ToUtf8(path), &why);
        if (problem && FAILED(hr)) *problem = Text(why).NewReference();
        return hr;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT Registry::GetClassCount(REFGUID kind, int32_t* count)
{
    if (!count) return E_POINTER;
    *count = classes_.Count(kind);
    return S_OK;
}

HRESULT Registry::GetClassAt(REFGUID kind, int32_t index, IUnknown** out)
{
    if (!out) return E_POINTER;
    platform::ComPtr<IUnknown> cls = classes_.At(kind, index);
    *out = cls.Detach();
    return *out ? S_OK : E_INVALIDARG;
}

HRESULT Registry::FindClass(REFGUID kind, uint32_t typeId, IUnknown** out)
{
    if (!out) return E_POINTER;
    platform::ComPtr<IUnknown> cls = classes_.Find(kind, typeId);
    *out = cls.Detach();
    return *out ? S_OK : CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT Registry::CreateDocument(IZorDocument** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    try {
        platform::ComPtr<Document> document = Document::Create();
        return document->QueryInterface(IID_IZorDocument, reinterpret_cast<void**>(out));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT Registry::GetHostObject(IUnknown** out)
{
    if (!out) return E_POINTER;
    return HostApplication::Instance()->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(out));
}

HRESULT Registry::GetUnitsFileProblem(IAutoKVIString** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    const std::string problem = UnitList::Instance()->Problem();
    if (problem.empty()) return S_FALSE;
    *out = Text(problem).NewReference();
    return S_OK;
}

HRESULT Registry::GetTypeGuid(uint16_t identifier, GUID* out)
{
    if (!out) return E_POINTER;
    const auto type = types_.TypeOf(identifier);
    *out = type.value_or(GUID{});
    return type ? S_OK : E_INVALIDARG;
}

}  // namespace Zor
