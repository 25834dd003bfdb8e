// Zor::Registry: the framework registry, the class object that DllGetClassObject hands out for
// CLSID_FrameworkRegistry. One object, three interfaces:
//
//   IFrameworkRegistry  type GUIDs to 16-bit identifiers (type_registry.h)
//   IObjectFactory      objects of registered types, service objects, class registrations
//   IZorFramework       what the host application asks: modules, classes, documents
//
// The registry lives for the rest of the process once made (modules keep pointers to it and may
// call it while the process exits). Thread-safe.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "interfaces/framework_registry.h"
#include "interfaces/zor_framework.h"
#include "host/zor/class_store.h"
#include "host/zor/type_registry.h"

namespace Zor {

class Registry final : public IFrameworkRegistry, public IObjectFactory, public IZorFramework {
public:
    static Registry* Instance();

    // Registers the registry with the platform's class-object table under
    // CLSID_FrameworkRegistry unless a registry is registered there already, so that modules
    // find it with CoGetClassObject. S_OK, or the table's failure.
    HRESULT EnsureRegistered();

    // The type identifier of a type GUID shifted into the high word, with lowWord below; 0
    // when no identifier is left.
    uint32_t TypeIdOf(const GUID& type, uint16_t lowWord = 0);
    const ClassStore& Classes() const { return classes_; }

    // IUnknown (all interfaces): IUnknown and IFrameworkRegistry give the IFrameworkRegistry
    // pointer; IObjectFactory and IZorFramework their own.
    HRESULT QueryInterface(REFIID iid, void** out) override;
    // Counted, but the object is never freed.
    uint32_t AddRef() override;
    uint32_t Release() override;

    // IFrameworkRegistry. E_OUTOFMEMORY when all 65535 identifiers are taken.
    HRESULT GetTypeIdentifier(REFGUID type, uint16_t* out) override;

    // IObjectFactory.
    // Makes: the calculation base object (calc_base.h) for (TYPE_CalcBase << 16 | 17), with or
    // without an outer unknown; a settings object of a registered settings class
    // (CreateSettings; no outer unknown); an enumerator of a registered enumerator class
    // (aggregated for an outer unknown). CLASS_E_CLASSNOTAVAILABLE for any other type,
    // CLASS_E_NOAGGREGATION when the type cannot be aggregated or an outer asks for anything
    // but IUnknown.
    HRESULT CreateObject(IUnknown* outer, uint32_t typeId, REFIID iid, void** out) override;
    HRESULT Reserved4() override { return E_NOTIMPL; }
    // Service objects: the message service (kMessageServiceTypeId), the units service
    // (TYPE_UnitsService << 16), the host settings (TYPE_HostSettings << 16); and any registered
    // class object by its type identifier. CLASS_E_CLASSNOTAVAILABLE for other types, the
    // object's QueryInterface result otherwise.
    HRESULT GetService(uint32_t typeId, REFIID iid, void** out) override;
    // ClassStore::Register's result.
    HRESULT RegisterClassObject(IZORClassObject* classObject) override;

    // IZorFramework (contracts in interfaces/zor_framework.h).
    HRESULT LoadModules(const char16_t* directory, int32_t* loaded, IAutoKVIString** report) override;
    HRESULT LoadModule(const char16_t* path, IAutoKVIString** problem) override;
    HRESULT GetClassCount(REFGUID kind, int32_t* count) override;
    HRESULT GetClassAt(REFGUID kind, int32_t index, IUnknown** out) override;
    HRESULT FindClass(REFGUID kind, uint32_t typeId, IUnknown** out) override;
    HRESULT CreateDocument(IZorDocument** out) override;
    HRESULT GetHostObject(IUnknown** out) override;
    HRESULT GetUnitsFileProblem(IAutoKVIString** out) override;
    HRESULT GetTypeGuid(uint16_t identifier, GUID* out) override;

private:
    Registry() = default;
    ~Registry() = default;

    std::atomic<int32_t> refs_{1};
    TypeRegistry types_;
    ClassStore classes_;
};

}  // namespace Zor
