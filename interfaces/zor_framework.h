// IZorFramework: what the host application asks of its framework library beyond what modules
// use. The registry class object (CLSID_FrameworkRegistry, framework_registry.h) answers it:
// loading modules, the registered class objects by kind, documents, the host object that
// receives messages, and problems met at start-up.
#pragma once

#include <cstdint>

#include "interfaces/zor_document.h"
#include "interfaces/class_objects.h"
#include "foundation/kvi_string.h"
#include "platform/unknown.h"

// IID chosen by this system.
constexpr IID IID_IZorFramework = platform::Guid("{02A8A98C-9AEB-49FE-92A6-66E8B81EC652}");


struct IZorFramework : IUnknown {
    // Loads every module in a directory (UTF-16; null: the executable's directory): each
    // lib*.so other than the framework and platform libraries, in name order, with
    // LoadLibraryW, then calls its DllRegisterClassObjects. A library without that export is
    // left loaded and skipped; a module registered before is not registered again. [out]
    // loaded: the number of modules this call registered; report: one line per library skipped
    // or failed, empty when none (either may be null). S_OK when no library was skipped,
    // S_FALSE when some were, E_FAIL when the directory cannot be read.
    virtual HRESULT LoadModules(const char16_t* directory, int32_t* loaded, IAutoKVIString** report) = 0;  // 3
    // Loads one module by path and registers its class objects. [out] problem: why it failed
    // (may be null). S_OK; S_FALSE when that module was already registered; E_FAIL when it
    // cannot be loaded or has no DllRegisterClassObjects.
    virtual HRESULT LoadModule(const char16_t* path, IAutoKVIString** problem) = 0;  // 4
    // The registered class objects of a kind (KIND_...), in the order they were registered.
    virtual HRESULT GetClassCount(REFGUID kind, int32_t* count) = 0;  // 5
    // [out] the class object's main interface, reference added. E_INVALIDARG outside
    // 0..count-1.
    virtual HRESULT GetClassAt(REFGUID kind, int32_t index, IUnknown** out) = 0;  // 6
    // [out] the registered class object of a kind with a type identifier, reference added.
    // CLASS_E_CLASSNOTAVAILABLE when there is none.
    virtual HRESULT FindClass(REFGUID kind, uint32_t typeId, IUnknown** out) = 0;  // 7
    // [out] a new empty document.
    virtual HRESULT CreateDocument(IZorDocument** out) = 0;  // 8
    // [out] the host object: the object calculations get from their sites, which receives
    // messages (IZORMessageSink) and logs them (IHostMessageLog). Reference added.
    virtual HRESULT GetHostObject(IUnknown** out) = 0;  // 9
    // [out] what is wrong with the user's units file, reference added: S_FALSE and null when
    // nothing is. A damaged file is not used (the list starts from the default units) and not
    // overwritten: it is renamed to "<file>.damaged" when the list is next saved.
    virtual HRESULT GetUnitsFileProblem(IAutoKVIString** out) = 0;  // 10
    // [out] the type GUID that the registry gave an identifier. E_INVALIDARG when it gave none.
    virtual HRESULT GetTypeGuid(uint16_t identifier, GUID* out) = 0;  // 11

protected:
    ~IZorFramework() = default;
};
