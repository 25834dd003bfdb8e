// KVI::StringRep: the representation behind KVI::String, and the object that answers the string
// interfaces (IAutoKVIString, IKVIString) when a string crosses a host interface.
//
// One heap block holds the header below immediately followed by `capacity` UTF-16 code units.
// Capacity and length count code units with the terminator included; capacity is never below
// kMinStringCapacity. The block is allocated and freed as one (slot 19).
//
// Threads: the reference count is atomic, so holders of one representation may add and drop
// references on any thread. Text changes happen only on a private representation (count 1,
// one holder). The narrow copy is made under a process-wide lock, because a shared
// representation may be read (and asked for its narrow text) on several threads at once.
#pragma once

#include <atomic>
#include <cstdint>
#include <string_view>

#include "foundation/kvi_string.h"

namespace KVI {

class StringRep final : public IKVIString {
public:
    // A new empty representation with count 1 and capacity max(capacity, 16) code units.
    // Throws std::bad_alloc when the block cannot be allocated.
    static StringRep* Create(int32_t capacity);
    // A new representation with count 1 holding a copy of text, capacity max(capacity,
    // text length + 1, 16).
    static StringRep* Create(std::u16string_view text, int32_t capacity);
    // The process's shared empty representation (made on first use, never destroyed).
    // No reference is added.
    static StringRep* Default();
    // The representation whose characters start at chars (a KVI::String's pointer).
    static StringRep* FromChars(const char16_t* chars);

    // IUnknown (slots 0-2). QueryInterface answers IUnknown, IID_IAutoKVIString and
    // IID_IKVIString with this object and a new reference; E_NOINTERFACE otherwise (out set
    // null); E_POINTER for a null out pointer.
    HRESULT QueryInterface(REFIID iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;  // at 0 calls Destroy

    // IAutoKVIString (slots 3-15). Null out pointers give E_POINTER unless said otherwise.
    // Assign: E_FAIL when shared (count >= 2) or when SysStringLen(text) >= capacity; the
    // string is then unchanged. A null text empties the string.
    HRESULT Assign(BSTR text) override;
    // GetBSTR: E_FAIL for a null pointer. Frees *out, then stores a new BSTR of the text, or
    // null for the empty string.
    HRESULT GetBSTR(BSTR* out) override;
    HRESULT IsEmpty(VARIANT_BOOL* out) override;
    HRESULT GetLength(int32_t* out) override;  // characters, terminator excluded
    // IsEqual: reads a StringRep (tag 9) directly, anything else through its GetBSTR.
    HRESULT IsEqual(IAutoKVIString* other, VARIANT_BOOL* out) override;
    HRESULT IsShared(VARIANT_BOOL* out) override;
    int32_t GetImplementationTag() override;  // kStringRepTag
    // CopyChars: copies length characters, terminator included; E_FAIL (nothing copied) when
    // bufferBytes < length * 2 or buffer is null.
    HRESULT CopyChars(int32_t bufferBytes, void* buffer) override;
    HRESULT GetBufferInfo(int32_t* charCount, int32_t* charSize) override;  // length - 1, 2
    HRESULT GetCapacity(int32_t* out) override;                              // capacity - 1
    // CreateEmpty: a new empty representation of capacity max(charCount + 1, 16), count 1.
    // E_OUTOFMEMORY when it cannot be allocated.
    HRESULT CreateEmpty(int32_t charCount, IAutoKVIString** out) override;
    // GetVariant: VT_BSTR with a new BSTR (null for the empty string). *out is overwritten.
    HRESULT GetVariant(VARIANT* out) override;
    int32_t Length() override;  // characters, terminator excluded

    // IKVIString (slots 16-19).
    void Destroy() override;
    // The text as UTF-8 (the thread code page here), made once and reused until the text
    // changes. Valid while the representation lives and its text is unchanged.
    const char* NarrowText() override;
    const char16_t* WideText() override;
    // Frees the narrow copy, then the block when bit 0 of flags is set.
    void DeletingDestructor(uint32_t flags) override;

    // Direct access for KVI::String (which owns copy-on-write).
    char16_t* Chars() { return reinterpret_cast<char16_t*>(reinterpret_cast<char*>(this) + sizeof(StringRep)); }
    int32_t CapacityUnits() const { return capacity_; }   // terminator included
    int32_t LengthUnits() const { return length_; }       // terminator included
    // Sets the length (terminator included) and writes the terminator; marks the narrow copy
    // invalid. Only for a private representation; 1 <= length <= capacity.
    void SetLength(int32_t length);
    // True when the caller's reference is the only one (acquire, so that the other former
    // holders' reads of the text happen before the caller changes it).
    bool IsPrivate() const { return refs_.load(std::memory_order_acquire) == 1; }
    // Marks the narrow copy invalid after a direct change of the characters.
    void InvalidateNarrow() { narrowValid_.store(false, std::memory_order_relaxed); }
    // Frees the narrow copy now (private representation only).
    void FreeNarrow();

protected:
    // Makes the shared empty representation: capacity 16, length 1, count 1 (the process's
    // own reference, never released).
    static StringRep* InitDefault();

private:
    explicit StringRep(int32_t capacity);
    ~StringRep() = default;

    char* narrow_ = nullptr;                 // owned, may be null or stale
    std::atomic<bool> narrowValid_{false};   // true while narrow_ matches the characters
    std::atomic<int32_t> refs_{1};
    int32_t capacity_;
    int32_t length_ = 1;
};

static_assert(sizeof(StringRep) % alignof(char16_t) == 0, "characters follow the header");

// Ordinal comparison of two texts: the first differing code unit decides (the difference of
// the units); when one is a prefix of the other, the shorter is less.
int CompareOrdinal(std::u16string_view a, std::u16string_view b);

}  // namespace KVI
