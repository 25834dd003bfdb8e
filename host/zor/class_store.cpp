#include "host/zor/class_store.h"

#include <new>

namespace Zor {

HRESULT ClassStore::Register(IZORClassObject* classObject)
{
    if (!classObject) return E_POINTER;
    Entry entry;
    entry.handle = platform::ComPtr<IZORClassObject>(classObject);
    HRESULT hr = classObject->GetClassObject(entry.main.Put());
    if (FAILED(hr)) return hr;
    if (!entry.main) return E_POINTER;
    // Every class object's main interface begins with the common class-object slots 3 to 6,
    // whether or not it answers IID_IGenericClassObject (the settings class does not).
    auto* generic = static_cast<IGenericClassObject*>(entry.main.Get());
    hr = generic->GetTypeId(&entry.typeId);
    if (FAILED(hr)) return hr;
    const GUID* kind = generic->GetClassKind();
    if (!kind) return E_FAIL;
    entry.kind = *kind;
    try {
        std::lock_guard lock(mutex_);
        for (const Entry& e : entries_)
            if (e.kind == entry.kind && e.typeId == entry.typeId) return S_FALSE;
        entries_.push_back(std::move(entry));
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

int32_t ClassStore::Count(const GUID& kind) const
{
    std::lock_guard lock(mutex_);
    int32_t n = 0;
    for (const Entry& e : entries_)
        if (e.kind == kind) ++n;
    return n;
}

platform::ComPtr<IUnknown> ClassStore::At(const GUID& kind, int32_t index) const
{
    std::lock_guard lock(mutex_);
    for (const Entry& e : entries_)
        if (e.kind == kind && index-- == 0) return e.main;
    return {};
}

platform::ComPtr<IUnknown> ClassStore::Find(const GUID& kind, uint32_t typeId) const
{
    std::lock_guard lock(mutex_);
    for (const Entry& e : entries_)
        if (e.kind == kind && e.typeId == typeId) return e.main;
    return {};
}

platform::ComPtr<IUnknown> ClassStore::FindAnyKind(uint32_t typeId, GUID* kind) const
{
    std::lock_guard lock(mutex_);
    for (const Entry& e : entries_) {
        if (e.typeId == typeId) {
            if (kind) *kind = e.kind;
            return e.main;
        }
    }
    return {};
}

}  // namespace Zor
