#include "foundation/kvi_string.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

#include "foundation/string_rep.h"
#include "platform/code_page.h"

namespace KVI {
namespace {

size_t Length16(const char16_t* text)
{
    size_t n = 0;
    while (text[n] != 0) ++n;
    return n;
}

// Lengths are 32-bit in the representation's header; anything longer cannot be held.
int32_t CheckedLength(int64_t units)
{
    if (units > INT32_MAX) throw std::length_error("KVI::String: text too long");
    return static_cast<int32_t>(units);
}

void CopyUnits(char16_t* to, const char16_t* from, int32_t count)
{
    if (count > 0) std::memmove(to, from, size_t(count) * sizeof(char16_t));
}

StringRep* NewRep(std::u16string_view text)
{
    if (text.empty()) {
        StringRep* rep = StringRep::Default();
        rep->AddRef();
        return rep;
    }
    return StringRep::Create(text, 0);
}

}  // namespace

String::String(StringRep* adopted) : chars_(adopted->Chars()) {}

String::String() : String(NewRep({})) {}

String::String(const char16_t* text) : String(NewRep(text ? std::u16string_view(text, Length16(text)) : std::u16string_view())) {}

String::String(std::u16string_view text) : String(NewRep(text)) {}

String::String(const char* text) : String(NewRep(text ? platform::Utf8ToUtf16(text) : std::u16string())) {}

String::String(char16_t c, int32_t count, int32_t capacity)
    // The capacity is the caller's, but never too small for the characters asked for.
    : String(StringRep::Create(std::max(capacity, CheckedLength(int64_t(std::max(count, 0)) + 1))))
{
    if (c == 0 || count <= 0) return;
    std::fill_n(chars_, count, c);
    Rep()->SetLength(count + 1);
}

String::String(IAutoKVIString* s) : String()
{
    if (!s) return;
    if (s->GetImplementationTag() == kStringRepTag) {
        s->AddRef();
        Adopt(static_cast<StringRep*>(static_cast<IKVIString*>(s)));
        return;
    }
    int32_t count = 0, size = 0;
    if (FAILED(s->GetBufferInfo(&count, &size)) || count <= 0 || count >= INT32_MAX / 2) return;
    if (size == int32_t(sizeof(char16_t))) {
        StringRep* rep = StringRep::Create(count + 1);
        if (SUCCEEDED(s->CopyChars((count + 1) * int32_t(sizeof(char16_t)), rep->Chars()))) {
            // The object's own terminator is not trusted: the length is the count it gave.
            rep->SetLength(count + 1);
            Adopt(rep);
            return;
        }
        rep->Release();
    }
    // The object holds 8-bit text (or would not copy wide characters): count bytes of text
    // in the thread code page plus a terminator.
    std::vector<char> narrow(size_t(count) + 1, '\0');
    if (FAILED(s->CopyChars(count + 1, narrow.data()))) return;
    const size_t bytes = std::find(narrow.begin(), narrow.end() - 1, '\0') - narrow.begin();
    Adopt(NewRep(platform::Utf8ToUtf16(std::string_view(narrow.data(), bytes))));
}

String::String(HMODULE module, uint32_t id, bool substitute) : String(LoadString(module, id, substitute)) {}

String::String(const String& o) : chars_(o.chars_) { Rep()->AddRef(); }

String::String(String&& o) noexcept : String() { std::swap(chars_, o.chars_); }

String::~String() { Rep()->Release(); }

String& String::operator=(const String& o)
{
    // The new reference first, so that assigning a string to itself never frees it.
    o.Rep()->AddRef();
    Adopt(o.Rep());
    return *this;
}

String& String::operator=(String&& o) noexcept
{
    if (this != &o) {
        String empty;
        std::swap(chars_, o.chars_);     // this takes o's text
        std::swap(o.chars_, empty.chars_);  // o becomes empty; our old text goes with `empty`
    }
    return *this;
}

String String::FromWide(std::wstring_view text) { return String(NewRep(platform::WideToUtf16(text))); }

String String::FromUtf8(std::string_view text) { return String(NewRep(platform::Utf8ToUtf16(text))); }

String String::Attach(StringRep* rep) { return rep ? String(rep) : String(); }

StringRep* String::Rep() const { return StringRep::FromChars(chars_); }

void String::Adopt(StringRep* rep)
{
    StringRep* old = Rep();
    chars_ = rep->Chars();
    old->Release();
}

void String::MakePrivate()
{
    StringRep* rep = Rep();
    if (rep->IsPrivate()) {
        rep->InvalidateNarrow();
        return;
    }
    Adopt(StringRep::Create(std::u16string_view(chars_, size_t(rep->LengthUnits() - 1)), rep->CapacityUnits()));
}

String& String::Append(const String& s) { return Append(s.chars_, s.Length()); }

String& String::operator+=(const char16_t* text)
{
    if (text) Append(text, static_cast<int32_t>(std::min(Length16(text), size_t(INT32_MAX))));
    return *this;
}

String& String::Append(const char16_t* text, int32_t count)
{
    if (!text || count <= 0) return *this;
    MakePrivate();
    StringRep* rep = Rep();
    const int32_t oldLength = rep->LengthUnits();
    const int32_t newLength = CheckedLength(int64_t(oldLength) + count);
    if (rep->CapacityUnits() < newLength) {
        // Grow by half again, so that a run of small appends reallocates rarely. The old
        // block is released only after the copy: text may point into it.
        const int32_t capacity = CheckedLength(int64_t(newLength) * 3 / 2);
        StringRep* grown = StringRep::Create(std::u16string_view(chars_, size_t(oldLength - 1)), capacity);
        CopyUnits(grown->Chars() + oldLength - 1, text, count);
        grown->SetLength(newLength);
        Adopt(grown);
        return *this;
    }
    CopyUnits(chars_ + oldLength - 1, text, count);
    rep->SetLength(newLength);
    return *this;
}

String& String::Erase(int32_t a, int32_t b)
{
    // Indexes outside the text are cut to it, so that nothing past the terminator is read
    // or made part of the text.
    const int32_t textLength = Length();
    a = std::max(a, 0);
    b = std::min(b, textLength);
    if (a >= b) return *this;
    MakePrivate();
    CopyUnits(chars_ + a, chars_ + b, textLength - b);
    Rep()->SetLength(textLength - (b - a) + 1);
    return *this;
}

String& String::Replace(int32_t i, int32_t n, const String& s)
{
    // A handle of its own keeps the replacement's text alive and unchanged while this string
    // changes, also when s is this string.
    const String replacement(s);
    const int32_t textLength = Length();
    i = std::clamp(i, 0, textLength);
    if (i == textLength) return Append(replacement);
    n = std::clamp(n, 0, textLength - i);
    Erase(i, i + n);
    const int32_t m = replacement.Length();
    if (m == 0) return *this;
    MakePrivate();
    const int32_t length = Rep()->LengthUnits();
    const int32_t newLength = CheckedLength(int64_t(length) + m);
    if (Rep()->CapacityUnits() < newLength) Reserve(newLength);
    CopyUnits(chars_ + i + m, chars_ + i, length - i);  // the tail with its terminator
    CopyUnits(chars_ + i, replacement.chars_, m);
    Rep()->SetLength(newLength);
    return *this;
}

void String::Reserve(int32_t n)
{
    StringRep* rep = Rep();
    // The text is kept whole: a request below its length is raised to it.
    const int32_t capacity = std::max({n, rep->LengthUnits(), kMinStringCapacity});
    if (rep->IsPrivate() && rep->CapacityUnits() == capacity) return;
    Adopt(StringRep::Create(std::u16string_view(chars_, size_t(rep->LengthUnits() - 1)), capacity));
}

char16_t* String::PrepareBuffer(int32_t n)
{
    n = std::max(n, 0);
    const int32_t units = CheckedLength(int64_t(n) + 1);
    StringRep* rep = Rep();
    if (rep->IsPrivate() && rep->CapacityUnits() >= units) {
        rep->FreeNarrow();
        rep->SetLength(1);
    } else {
        Adopt(StringRep::Create(units));
    }
    chars_[n] = 0;
    return chars_;
}

void String::FixLength()
{
    StringRep* rep = Rep();
    const int32_t capacity = rep->CapacityUnits();
    const char16_t* end = std::find(chars_, chars_ + capacity, u'\0');
    const int32_t length = end == chars_ + capacity ? capacity : int32_t(end - chars_) + 1;
    // Unchanged text leaves the representation alone (it may be the shared empty one).
    if (length != rep->LengthUnits() || chars_[length - 1] != 0) rep->SetLength(length);
}

int String::Compare(const String& o) const { return CompareOrdinal(View(), o.View()); }

int String::Compare(BSTR b) const { return CompareOrdinal(View(), std::u16string_view(b ? b : u"", SysStringLen(b))); }

bool operator==(const String& a, const String& b)
{
    if (a.chars_ == b.chars_) return true;
    const int32_t length = a.Rep()->LengthUnits();
    return length == b.Rep()->LengthUnits() && std::memcmp(a.chars_, b.chars_, size_t(length) * sizeof(char16_t)) == 0;
}

std::u16string_view String::View() const { return std::u16string_view(chars_, size_t(Length())); }

const char* String::Narrow() const { return Rep()->NarrowText(); }

std::string String::ToUtf8() const { return platform::Utf16ToUtf8(View()); }

std::string TakeUtf8(platform::ComPtr<IAutoKVIString> text) { return String(text.Get()).ToUtf8(); }

std::wstring String::ToWide() const { return platform::Utf16ToWide(View()); }

int32_t String::Length() const { return Rep()->LengthUnits() - 1; }

int32_t String::Capacity() const { return Rep()->CapacityUnits(); }

IAutoKVIString* String::Interface() const { return Rep(); }

IAutoKVIString* String::NewReference() const
{
    StringRep* rep = Rep();
    rep->AddRef();
    return rep;
}

}  // namespace KVI
