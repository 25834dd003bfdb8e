// Tessar::ClassObjectBase<Main>: what the module's three class objects share: the class record,
// the name, the common slots 3 to 6 of their main interface, the IZORClassObject handle that the
// framework registry receives, and the link in the module's class-object list.
//
// Each class object presents three interfaces: its main interface (Main, which also serves as
// IUnknown), the IZORClassObject handle (whose AddRef and Release count on the class object, and
// whose GetClassObject returns the main interface) and, for the calculation class, the
// automation interface.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <utility>

#include "module/class_object_list.h"
#include "calibration/class_records.h"
#include "interfaces/class_objects.h"
#include "foundation/kvi_string.h"
#include "platform/bstr.h"

namespace Tessar {

// The QueryInterface rule of the class objects. [in] object: the class object's main interface;
// answered: the IIDs it answers besides IUnknown. [out] out: the main interface, reference
// added. E_INVALIDARG for a null object, E_POINTER for a null out-pointer, E_NOINTERFACE (out
// null) for any other IID.
HRESULT QueryClassObject(IUnknown* object, std::initializer_list<IID> answered, REFIID iid, void** out);

template <class Main>
class ClassObjectBase : public Main {
public:
    ClassObjectBase(const ClassObjectBase&) = delete;
    ClassObjectBase& operator=(const ClassObjectBase&) = delete;

    // Slot 3. [out] the class's type identifier (record). E_POINTER, or the registry's failure.
    HRESULT GetTypeId(uint32_t* out) override
    {
        if (!out) return E_POINTER;
        return record_.typeId(out);
    }
    // Slot 4. The kind GUID of the record.
    const GUID* GetClassKind() override { return &record_.kind; }
    // Slot 5. [in, out] the BSTR there is freed, then a new one of the name (null when the
    // name is empty). S_OK; E_POINTER; E_OUTOFMEMORY.
    HRESULT GetClassNameBstr(BSTR* out) override
    {
        if (!out) return E_POINTER;
        SysFreeString(*out);
        *out = nullptr;
        if (name_.IsEmpty()) return S_OK;
        *out = SysAllocString(name_.c_str());
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    // Slot 6. S_OK when kind is the class's kind GUID, else S_FALSE.
    HRESULT IsClassKind(REFGUID kind) override { return kind == record_.kind ? S_OK : S_FALSE; }

    // What the framework registry receives.
    IZORClassObject* ZorObject() { return &handle_; }
    const KVI::String& Name() const { return name_; }

protected:
    // Links the class object at the head of the module's class-object list.
    ClassObjectBase(const ClassRecord& record, KVI::String name)
        : record_(record), name_(std::move(name)), handle_(this), link_{nullptr, &handle_}
    {
        LinkClassObject(link_);
    }
    ~ClassObjectBase() = default;

    const ClassRecord& record_;
    KVI::String name_;

private:
    class Handle final : public IZORClassObject {
    public:
        explicit Handle(ClassObjectBase* owner) : owner_(owner) {}
        HRESULT QueryInterface(REFIID iid, void** out) override
        {
            if (!out) return E_POINTER;
            if (iid != IID_IUnknown && iid != IID_IZORClassObject) {
                *out = nullptr;
                return E_NOINTERFACE;
            }
            *out = static_cast<IZORClassObject*>(this);
            AddRef();
            return S_OK;
        }
        uint32_t AddRef() override { return owner_->AddRef(); }
        uint32_t Release() override { return owner_->Release(); }
        HRESULT GetClassObject(IUnknown** out) override
        {
            if (!out) return E_POINTER;
            owner_->AddRef();
            *out = static_cast<Main*>(owner_);
            return S_OK;
        }

    private:
        ClassObjectBase* owner_;
    };

    Handle handle_;
    ClassObjectLink link_;
};

}  // namespace Tessar
