// Growable arrays of interface pointers that own a reference to each entry.
//
// IUnknownArray keeps IUnknown pointers: Add takes a reference, RemoveFirst and Clear release,
// and destruction releases every entry. The same object may be held more than once (each entry
// holds its own reference). Capacity grows by a fixed increment, or, with the doubling flag
// set, to twice the current capacity but at least the increment.
//
// InterfaceArray<T> is the typed face over it for one interface T (derived from IUnknown).
//
// Calling out to the entries: a callee may add or remove entries of the very array it is
// called from (an observer that unregisters itself). Snapshot() gives a copy of the entries,
// each held with a reference of its own, so that a notification loop walks a stable list and
// never calls an object that was released under it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/com_ptr.h"
#include "platform/unknown.h"

namespace GUILib {

class IUnknownArray {
public:
    static constexpr int32_t kDefaultIncrement = 4;

    explicit IUnknownArray(int32_t increment = kDefaultIncrement, bool doubling = false)
        : increment_(increment > 0 ? increment : 1), doubling_(doubling)
    {
    }
    IUnknownArray(const IUnknownArray&) = delete;
    IUnknownArray& operator=(const IUnknownArray&) = delete;
    ~IUnknownArray() { Clear(); }

    // [in] p: appended with a new reference; null is ignored (false).
    bool Add(IUnknown* p)
    {
        if (!p) return false;
        if (items_.size() == items_.capacity()) items_.reserve(NextCapacity());
        p->AddRef();
        items_.push_back(p);
        return true;
    }
    // Removes and releases the first entry equal to p; false when there is none.
    bool RemoveFirst(IUnknown* p)
    {
        for (auto it = items_.begin(); it != items_.end(); ++it) {
            if (*it == p) {
                items_.erase(it);
                p->Release();
                return true;
            }
        }
        return false;
    }
    // Releases every entry. Entries are taken out first, so a release that calls back into
    // the array finds it empty.
    void Clear()
    {
        std::vector<IUnknown*> old;
        old.swap(items_);
        for (IUnknown* p : old) p->Release();
    }

    size_t Size() const { return items_.size(); }
    size_t Capacity() const { return items_.capacity(); }
    IUnknown* At(size_t i) const { return items_[i]; }
    void SetDoubling(bool doubling) { doubling_ = doubling; }

private:
    size_t NextCapacity() const
    {
        const size_t cap = items_.capacity();
        const size_t inc = static_cast<size_t>(increment_);
        if (doubling_) return cap * 2 > inc ? cap * 2 : inc;
        return cap + inc;
    }

    std::vector<IUnknown*> items_;
    int32_t increment_;
    bool doubling_;
};

template <class T>
class InterfaceArray {
public:
    explicit InterfaceArray(int32_t increment = IUnknownArray::kDefaultIncrement, bool doubling = false)
        : items_(increment, doubling)
    {
    }

    bool Add(T* p) { return items_.Add(p); }
    bool RemoveFirst(T* p) { return p && items_.RemoveFirst(p); }
    void Clear() { items_.Clear(); }
    size_t Size() const { return items_.Size(); }
    size_t Capacity() const { return items_.Capacity(); }
    T* At(size_t i) const { return static_cast<T*>(items_.At(i)); }
    void SetDoubling(bool doubling) { items_.SetDoubling(doubling); }

    // The entries in order, each with a reference held by the copy.
    std::vector<platform::ComPtr<T>> Snapshot() const
    {
        std::vector<platform::ComPtr<T>> copy;
        copy.reserve(items_.Size());
        for (size_t i = 0; i < items_.Size(); ++i) copy.emplace_back(At(i));
        return copy;
    }

private:
    // Entries are stored as IUnknown pointers: T derives from IUnknown singly, so the
    // conversion in both directions is a static_cast on the same object.
    IUnknownArray items_;
};

}  // namespace GUILib
