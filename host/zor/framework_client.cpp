#include "host/zor/framework_client.h"

#include "interfaces/class_objects.h"
#include "interfaces/framework_registry.h"
#include "platform/bstr.h"
#include "platform/class_table.h"
#include "platform/code_page.h"
#include "platform/com_ptr.h"
#include "platform/module.h"

namespace Zor {

HRESULT StartFramework(const std::string& libraryPath, IZorFramework** framework, std::string* problem)
{
    if (!framework || !problem) return E_POINTER;
    *framework = nullptr;
    problem->clear();
    // A framework already registered (by an earlier start, or a module's own start) is the one.
    platform::ComPtr<IUnknown> registry;
    if (FAILED(CoGetClassObject(CLSID_FrameworkRegistry, CLSCTX_ALL, nullptr, IID_IUnknown, registry.PutVoid()))) {
        const std::string path =
            libraryPath.empty() ? platform::ExecutableDirectory() + "/libzor.so" : libraryPath;
        HMODULE library = LoadLibraryW(platform::Utf8ToUtf16(path).c_str());
        if (!library) {
            *problem = path + ": cannot be loaded: " + platform::LastLoadError();
            return E_FAIL;
        }
        auto getClassObject = reinterpret_cast<DllGetClassObjectFn>(GetProcAddress(library, "DllGetClassObject"));
        if (!getClassObject) {
            *problem = path + ": has no DllGetClassObject";
            return E_FAIL;
        }
        HRESULT hr = getClassObject(CLSID_FrameworkRegistry, IID_IUnknown, registry.PutVoid());
        if (FAILED(hr) || !registry) {
            *problem = path + ": DllGetClassObject failed";
            return FAILED(hr) ? hr : E_FAIL;
        }
        uint32_t cookie = 0;
        hr = CoRegisterClassObject(CLSID_FrameworkRegistry, registry.Get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                   &cookie);
        if (FAILED(hr)) {
            *problem = "the framework registry cannot be registered";
            return hr;
        }
    }
    const HRESULT hr = registry->QueryInterface(IID_IZorFramework, reinterpret_cast<void**>(framework));
    if (FAILED(hr)) *problem = "the registered framework registry is not this framework's";
    return hr;
}

HRESULT FindClassByName(IZorFramework* framework, REFGUID kind, std::u16string_view name, IUnknown** out)
{
    if (!framework || !out) return E_POINTER;
    *out = nullptr;
    int32_t count = 0;
    if (FAILED(framework->GetClassCount(kind, &count))) return CLASS_E_CLASSNOTAVAILABLE;
    for (int32_t i = 0; i < count; ++i) {
        platform::ComPtr<IUnknown> cls;
        if (FAILED(framework->GetClassAt(kind, i, cls.Put()))) continue;
        platform::ComPtr<IGenericClassObject> generic;
        if (FAILED(cls.As(IID_IGenericClassObject, generic))) continue;
        BSTR text = nullptr;
        generic->GetClassNameBstr(&text);
        const bool match = text && name == std::u16string_view(text);
        SysFreeString(text);
        if (match) {
            *out = cls.Detach();
            return S_OK;
        }
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

}  // namespace Zor
