// Intrusive shared ownership for the graph and table components' data and drawing objects.
//
// CRefCountRep is the base of a shared object: it carries the reference count (changed with
// interlocked operations, so holders on different threads may copy and drop pointers) and a
// virtual destructor, through which the last holder deletes the object. A new object starts at
// count 0; the first RefCountPtr that takes it brings the count to 1.
//
// RefCountPtr<T> (T derived from CRefCountRep) holds one reference: taking a raw pointer or
// copying adds one, destruction and reset drop one. SmartPtr<T> is the name the components use
// for the same pointer.
#pragma once

#include <atomic>
#include <cstdint>
#include <type_traits>
#include <utility>

#include "platform/interlocked.h"

namespace GUILib {

class CRefCountRep {
public:
    CRefCountRep(const CRefCountRep&) = delete;
    CRefCountRep& operator=(const CRefCountRep&) = delete;

    // Both return the new count.
    int32_t AddRef() const { return platform::InterlockedIncrement(refs_); }
    // Deletes the object when the count reaches 0.
    int32_t Release() const
    {
        const int32_t n = platform::InterlockedDecrement(refs_);
        if (n == 0) delete this;
        return n;
    }
    int32_t RefCount() const { return refs_.load(std::memory_order_relaxed); }

protected:
    CRefCountRep() = default;
    virtual ~CRefCountRep() = default;

private:
    mutable std::atomic<int32_t> refs_{0};
};

template <class T>
class RefCountPtr {
public:
    RefCountPtr() = default;
    RefCountPtr(std::nullptr_t) {}
    // Takes a new reference to p (null allowed).
    explicit RefCountPtr(T* p) : p_(p)
    {
        static_assert(std::is_base_of_v<CRefCountRep, T>, "RefCountPtr needs a CRefCountRep");
        if (p_) p_->AddRef();
    }
    RefCountPtr(const RefCountPtr& o) : RefCountPtr(o.p_) {}
    RefCountPtr(RefCountPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ~RefCountPtr() { Reset(); }

    RefCountPtr& operator=(const RefCountPtr& o)
    {
        if (o.p_) o.p_->AddRef();  // first, so that self-assignment keeps the object alive
        Reset();
        p_ = o.p_;
        return *this;
    }
    RefCountPtr& operator=(RefCountPtr&& o) noexcept
    {
        if (this != &o) {
            Reset();
            p_ = std::exchange(o.p_, nullptr);
        }
        return *this;
    }

    void Reset()
    {
        if (T* p = std::exchange(p_, nullptr)) p->Release();
    }

    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    T& operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }
    friend bool operator==(const RefCountPtr& a, const RefCountPtr& b) { return a.p_ == b.p_; }

private:
    T* p_ = nullptr;
};

template <class T>
using SmartPtr = RefCountPtr<T>;

// A new T, already held.
template <class T, class... Args>
RefCountPtr<T> MakeRefCounted(Args&&... args)
{
    return RefCountPtr<T>(new T(std::forward<Args>(args)...));
}

}  // namespace GUILib
