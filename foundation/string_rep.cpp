#include "foundation/string_rep.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>

#include "platform/code_page.h"
#include "platform/interlocked.h"

namespace KVI {
namespace {

// Serialises the making of narrow copies. Two threads holding handles to one shared
// representation may both ask for its narrow text; the copy is made (and a stale one freed)
// by one of them while the other waits. Taken only when the copy is missing or stale.
std::mutex narrowMutex;

}  // namespace

int CompareOrdinal(std::u16string_view a, std::u16string_view b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return int(a[i]) - int(b[i]);
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

StringRep::StringRep(int32_t capacity) : capacity_(capacity) { Chars()[0] = 0; }

StringRep* StringRep::Create(int32_t capacity)
{
    capacity = std::max(capacity, kMinStringCapacity);
    char* block = new char[sizeof(StringRep) + size_t(capacity) * sizeof(char16_t)];
    return new (block) StringRep(capacity);
}

StringRep* StringRep::Create(std::u16string_view text, int32_t capacity)
{
    if (text.size() >= size_t(INT32_MAX)) throw std::bad_alloc();
    const auto count = static_cast<int32_t>(text.size());
    StringRep* rep = Create(std::max(capacity, count + 1));
    if (count > 0) std::memcpy(rep->Chars(), text.data(), size_t(count) * sizeof(char16_t));
    rep->Chars()[count] = 0;
    rep->length_ = count + 1;
    return rep;
}

StringRep* StringRep::InitDefault() { return Create(kMinStringCapacity); }

StringRep* StringRep::Default()
{
    // Made once, thread-safely, and kept for the life of the process: every empty handle
    // refers to it, including handles destroyed during static destruction.
    static StringRep* const rep = InitDefault();
    return rep;
}

StringRep* StringRep::FromChars(const char16_t* chars)
{
    return reinterpret_cast<StringRep*>(const_cast<char*>(reinterpret_cast<const char*>(chars)) - sizeof(StringRep));
}

void StringRep::SetLength(int32_t length)
{
    length_ = length;
    Chars()[length - 1] = 0;
    InvalidateNarrow();
}

void StringRep::FreeNarrow()
{
    delete[] narrow_;
    narrow_ = nullptr;
    InvalidateNarrow();
}

HRESULT StringRep::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IAutoKVIString || iid == IID_IKVIString) {
        *out = static_cast<IKVIString*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

uint32_t StringRep::AddRef() { return static_cast<uint32_t>(platform::InterlockedIncrement(refs_)); }

uint32_t StringRep::Release()
{
    const int32_t n = platform::InterlockedDecrement(refs_);
    if (n == 0) Destroy();
    return static_cast<uint32_t>(n);
}

HRESULT StringRep::Assign(BSTR text)
{
    // The shared empty string is every empty handle's text; it never changes, even when a
    // caller holds it without a reference of its own.
    if (refs_.load(std::memory_order_acquire) >= 2 || this == Default()) return E_FAIL;
    const uint32_t len = SysStringLen(text);
    if (len >= uint32_t(capacity_)) return E_FAIL;
    if (len > 0) std::memcpy(Chars(), text, size_t(len) * sizeof(char16_t));
    SetLength(static_cast<int32_t>(len) + 1);
    return S_OK;
}

HRESULT StringRep::GetBSTR(BSTR* out)
{
    if (!out) return E_FAIL;
    SysFreeString(*out);
    *out = nullptr;
    if (length_ < 2) return S_OK;
    *out = SysAllocStringLen(Chars(), static_cast<uint32_t>(length_ - 1));
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT StringRep::IsEmpty(VARIANT_BOOL* out)
{
    if (!out) return E_POINTER;
    *out = length_ < 2 ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT StringRep::GetLength(int32_t* out)
{
    if (!out) return E_POINTER;
    *out = length_ - 1;
    return S_OK;
}

HRESULT StringRep::IsEqual(IAutoKVIString* other, VARIANT_BOOL* out)
{
    if (!out || !other) return E_POINTER;
    if (other == static_cast<IAutoKVIString*>(this)) {
        *out = VARIANT_TRUE;
        return S_OK;
    }
    const std::u16string_view mine(Chars(), size_t(length_ - 1));
    if (other->GetImplementationTag() == kStringRepTag) {
        auto* rep = static_cast<StringRep*>(static_cast<IKVIString*>(other));
        const bool same = rep->length_ == length_ &&
                          std::memcmp(rep->Chars(), Chars(), size_t(length_) * sizeof(char16_t)) == 0;
        *out = same ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    BSTR text = nullptr;
    const HRESULT hr = other->GetBSTR(&text);
    if (FAILED(hr)) {
        SysFreeString(text);
        return hr;
    }
    const bool same = CompareOrdinal(mine, std::u16string_view(text ? text : u"", SysStringLen(text))) == 0;
    SysFreeString(text);
    *out = same ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT StringRep::IsShared(VARIANT_BOOL* out)
{
    if (!out) return E_POINTER;
    *out = refs_.load(std::memory_order_relaxed) > 1 ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

int32_t StringRep::GetImplementationTag() { return kStringRepTag; }

HRESULT StringRep::CopyChars(int32_t bufferBytes, void* buffer)
{
    const int64_t needed = int64_t(length_) * int64_t(sizeof(char16_t));
    if (!buffer || bufferBytes < needed) return E_FAIL;
    std::memcpy(buffer, Chars(), size_t(needed));
    return S_OK;
}

HRESULT StringRep::GetBufferInfo(int32_t* charCount, int32_t* charSize)
{
    if (!charCount || !charSize) return E_POINTER;
    *charCount = length_ - 1;
    *charSize = sizeof(char16_t);
    return S_OK;
}

HRESULT StringRep::GetCapacity(int32_t* out)
{
    if (!out) return E_POINTER;
    *out = capacity_ - 1;
    return S_OK;
}

HRESULT StringRep::CreateEmpty(int32_t charCount, IAutoKVIString** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    try {
        *out = Create(charCount < INT32_MAX ? charCount + 1 : INT32_MAX);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT StringRep::GetVariant(VARIANT* out)
{
    if (!out) return E_POINTER;
    VariantInit(out);
    out->vt = VT_BSTR;
    if (length_ < 2) return S_OK;
    out->bstrVal = SysAllocStringLen(Chars(), static_cast<uint32_t>(length_ - 1));
    return out->bstrVal ? S_OK : E_OUTOFMEMORY;
}

int32_t StringRep::Length() { return length_ - 1; }

void StringRep::Destroy() { DeletingDestructor(1); }

const char* StringRep::NarrowText()
{
    // Fast path without the lock: the release store below publishes the copy.
    if (narrowValid_.load(std::memory_order_acquire)) return narrow_;
    std::lock_guard lock(narrowMutex);
    if (narrowValid_.load(std::memory_order_relaxed)) return narrow_;
    const std::string text = platform::Utf16ToUtf8(std::u16string_view(Chars(), size_t(length_ - 1)));
    char* copy = new char[text.size() + 1];
    std::memcpy(copy, text.c_str(), text.size() + 1);
    delete[] narrow_;
    narrow_ = copy;
    narrowValid_.store(true, std::memory_order_release);
    return narrow_;
}

const char16_t* StringRep::WideText() { return Chars(); }

void StringRep::DeletingDestructor(uint32_t flags)
{
    delete[] narrow_;
    narrow_ = nullptr;
    narrowValid_.store(false, std::memory_order_relaxed);
    if (flags & 1) {
        this->~StringRep();
        delete[] reinterpret_cast<char*>(this);
    }
}

}  // namespace KVI
