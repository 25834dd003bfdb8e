// Zor::ClassStore: the class objects that modules registered with the object factory, kept by
// kind (IGenericClassObject::GetClassKind) in the order they came, each with its type
// identifier. The store holds a reference to each class object for the rest of the run.
// Thread-safe.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "interfaces/class_objects.h"
#include "platform/com_ptr.h"

namespace Zor {

class ClassStore {
public:
    // Takes a class object: asks it for its main interface, then that interface's common
    // class-object slots (IGenericClassObject's 3 and 4, which every class object's main
    // interface begins with) for the type identifier and kind, outside the store's lock, since
    // asking for the identifier calls the registry. S_OK; S_FALSE when a class of that kind and
    // type identifier is registered already (the first stays); E_POINTER for null; the class
    // object's failure otherwise.
    HRESULT Register(IZORClassObject* classObject);

    int32_t Count(const GUID& kind) const;
    // The main interface of the index-th class of a kind (null outside the range).
    platform::ComPtr<IUnknown> At(const GUID& kind, int32_t index) const;
    // The class of a kind with a type identifier (null when none).
    platform::ComPtr<IUnknown> Find(const GUID& kind, uint32_t typeId) const;
    // The class of any kind with a type identifier, and its kind (null when none).
    platform::ComPtr<IUnknown> FindAnyKind(uint32_t typeId, GUID* kind) const;

private:
    struct Entry {
        platform::ComPtr<IZORClassObject> handle;
        platform::ComPtr<IUnknown> main;
        GUID kind;
        uint32_t typeId;
    };

    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
};

}  // namespace Zor
