// KVI::String: the reference-counted, copy-on-write, null-terminated UTF-16 string handle, and
// the string interfaces through which strings cross host interfaces without copying.
//
// The representation (StringRep) is one heap block: a header (interface table, narrow copy,
// its valid flag, reference count, capacity, length) immediately followed by the characters.
// Capacity and length count 16-bit units with the terminator included, so the empty string
// has length 1; capacity is never below 16. A handle is a single pointer to the first
// character of a representation and never null: "no text" is the shared empty representation.
#pragma once

#include <atomic>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/bstr.h"
#include "platform/com_ptr.h"
#include "platform/module.h"
#include "platform/string_table.h"
#include "platform/unknown.h"
#include "platform/variant.h"

// The string interface that crosses host interfaces (slots 3 to 15). Results are S_OK, or
// E_FAIL on the failures named.
struct IAutoKVIString : IUnknown {
    virtual HRESULT Assign(BSTR text) = 0;                                    // 3
    virtual HRESULT GetBSTR(BSTR* out) = 0;                                   // 4
    virtual HRESULT IsEmpty(VARIANT_BOOL* out) = 0;                           // 5
    virtual HRESULT GetLength(int32_t* out) = 0;                              // 6
    virtual HRESULT IsEqual(IAutoKVIString* other, VARIANT_BOOL* out) = 0;    // 7
    virtual HRESULT IsShared(VARIANT_BOOL* out) = 0;                          // 8
    virtual int32_t GetImplementationTag() = 0;                               // 9: 9 = KVI::StringRep
    virtual HRESULT CopyChars(int32_t bufferBytes, void* buffer) = 0;         // 10
    virtual HRESULT GetBufferInfo(int32_t* charCount, int32_t* charSize) = 0;  // 11
    virtual HRESULT GetCapacity(int32_t* out) = 0;                            // 12
    virtual HRESULT CreateEmpty(int32_t charCount, IAutoKVIString** out) = 0;  // 13
    virtual HRESULT GetVariant(VARIANT* out) = 0;                             // 14
    virtual int32_t Length() = 0;                                             // 15

protected:
    ~IAutoKVIString() = default;
};

// The full representation interface (slots 16 to 19), answered by KVI::StringRep only.
struct IKVIString : IAutoKVIString {
    virtual void Destroy() = 0;                           // 16: deletes through slot 19
    virtual const char* NarrowText() = 0;                 // 17: UTF-8 copy, made on demand
    virtual const char16_t* WideText() = 0;               // 18: the characters
    virtual void DeletingDestructor(uint32_t flags) = 0;  // 19: bit 0 frees the block

protected:
    ~IKVIString() = default;
};

constexpr IID IID_IAutoKVIString = platform::Guid("{2D3B7EC5-BF24-11CF-97E6-00C0DF492697}");
constexpr IID IID_IKVIString = platform::Guid("{3904AA0E-3E8D-11D1-997F-00C0DF492697}");

namespace KVI {

constexpr int32_t kStringRepTag = 9;
constexpr int32_t kMinStringCapacity = 16;

class StringRep;

class String {
public:
    String();                                 // the shared empty string
    String(const char16_t* text);             // null or empty: the empty string
    String(std::u16string_view text);
    explicit String(const char* text);        // 8-bit text in the thread code page (UTF-8)
    // c repeated count times in a block of max(capacity, count + 1, 16) units; c == 0 (or a
    // count <= 0) gives an empty text in a block of that capacity.
    String(char16_t c, int32_t count, int32_t capacity);
    // Null gives the empty string. A StringRep (tag 9) is shared; any other object's text is
    // copied through its slots 11 and 10 (16-bit units, or 8-bit text in the code page).
    explicit String(IAutoKVIString* s);
    String(HMODULE module, uint32_t id, bool substitute = true);  // string resource
    String(const String& o);
    String(String&& o) noexcept;              // leaves o empty, never null
    ~String();

    String& operator=(const String& o);
    String& operator=(String&& o) noexcept;

    static String FromWide(std::wstring_view text);  // UTF-32 wide text (wide streams)
    static String FromUtf8(std::string_view text);
    // A handle that takes over the caller's reference to rep (null: the empty string).
    static String Attach(StringRep* rep);

    // Appending: make private, grow to floor(new length * 1.5) when the capacity is short.
    // Throws std::length_error past 2^31 - 1 units and std::bad_alloc when out of memory.
    String& Append(const String& s);
    String& Append(const char16_t* text, int32_t count);
    String& operator+=(const String& s) { return Append(s); }
    String& operator+=(const char16_t* text);
    // Erases the characters from index a up to (not including) b. Indexes are cut to the
    // text: nothing happens when a >= b; b past the end cuts the text at a.
    String& Erase(int32_t a, int32_t b);
    // Replaces n characters at index i by s (s may be this string). i at or past the end
    // appends; n is cut to the characters after i. A short capacity grows to exactly the
    // new length.
    String& Replace(int32_t i, int32_t n, const String& s);
    // Makes the capacity exactly max(n, 16) (nothing when private and already that size).
    // NOTE: never below the current length: the text is always kept whole.
    void Reserve(int32_t n);
    // Discards the text and returns a private buffer for n characters; buffer[n] is 0.
    char16_t* PrepareBuffer(int32_t n);
    // After direct writing: length := first null + 1; with no null in the block the last
    // unit becomes the terminator.
    void FixLength();

    // Ordinal comparison: negative, 0 or positive.
    int Compare(const String& o) const;
    int Compare(BSTR b) const;  // an empty string equals a null BSTR
    friend bool operator==(const String& a, const String& b);
    friend std::strong_ordering operator<=>(const String& a, const String& b)
    {
        const int c = a.Compare(b);
        return c < 0 ? std::strong_ordering::less : c > 0 ? std::strong_ordering::greater : std::strong_ordering::equal;
    }

    const char16_t* c_str() const { return chars_; }
    operator const char16_t*() const { return chars_; }
    std::u16string_view View() const;
    // The representation's cached narrow (UTF-8) copy; valid until this text changes or the
    // representation is freed.
    const char* Narrow() const;
    std::string ToUtf8() const;
    std::wstring ToWide() const;
    int32_t Length() const;    // characters, terminator excluded
    int32_t Capacity() const;  // 16-bit units, terminator included
    bool IsEmpty() const { return Length() == 0; }

    StringRep* Rep() const;
    // The representation as an interface, without a new reference.
    IAutoKVIString* Interface() const;
    // The representation as an interface with a new reference, for out-parameters.
    IAutoKVIString* NewReference() const;

private:
    explicit String(StringRep* adopted);
    void MakePrivate();
    void Adopt(StringRep* rep);  // replaces the held reference by an owned new one

    char16_t* chars_;
};

// Loads a string resource of a module (null: the host process's table). Id 0, a missing id or
// an empty entry gives the empty string. With substitute set, the host-name table is applied.
String LoadString(HMODULE module, uint32_t id, bool substitute = true);

// The UTF-8 text of a string reference that an interface slot handed out (null: ""). The
// reference is the caller's; it goes with the pointer, so the release shows at the call.
std::string TakeUtf8(platform::ComPtr<IAutoKVIString> text);

// This module's handle. The first call registers the module's string table
// (kModuleStringTable) with the platform under that handle.
HMODULE ThisModule();

struct ModuleStringTable {
    const platform::StringResource* entries;
    size_t count;
};
// Every module that has strings defines this once, constant-initialised; a module without
// strings gets an empty table.
extern const ModuleStringTable kModuleStringTable;

}  // namespace KVI
