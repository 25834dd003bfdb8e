// SimpleUnknownImp1<I>: the IUnknown part of an object that answers exactly one interface I
// (besides IUnknown). The reference count starts at 0: whoever creates the object takes the
// first reference; the Release that brings the count to 0 deletes the object through its
// virtual destructor (an implementation class, not an interface, so the interface's slot
// layout is untouched: the destructor entries follow the interface's slots).
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/interlocked.h"
#include "platform/unknown.h"

template <class I>
class SimpleUnknownImp1 : public I {
public:
    SimpleUnknownImp1(const SimpleUnknownImp1&) = delete;
    SimpleUnknownImp1& operator=(const SimpleUnknownImp1&) = delete;

    // IUnknown and the interface's IID give the one interface pointer, with a reference;
    // anything else E_NOINTERFACE and null. E_POINTER for a null out.
    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        if (iid != IID_IUnknown && iid != iid_) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = static_cast<I*>(this);
        AddRef();
        return S_OK;
    }
    uint32_t AddRef() override { return static_cast<uint32_t>(platform::InterlockedIncrement(refs_)); }
    uint32_t Release() override
    {
        const int32_t n = platform::InterlockedDecrement(refs_);
        if (n == 0) delete this;
        return static_cast<uint32_t>(n);
    }

protected:
    // [in] iid: the interface's IID (the IIDs are internal-linkage constants, so they are not
    // template arguments).
    explicit SimpleUnknownImp1(const IID& iid) : iid_(iid) {}
    virtual ~SimpleUnknownImp1() = default;

    int32_t RefCount() const { return refs_.load(std::memory_order_acquire); }

private:
    const IID iid_;
    std::atomic<int32_t> refs_{0};
};
