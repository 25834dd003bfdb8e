// KVI::String and its representation: capacities, sharing and copy-on-write, the interface
// slots with visible reference counts, the copy path for foreign string objects, string
// resources and the host-name substitution.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "foundation/host_names.h"
#include "foundation/kvi_string.h"
#include "foundation/string_rep.h"
#include "platform/code_page.h"

// This program's own string table, picked up by ThisModule() in place of the empty default.
namespace {
constexpr platform::StringResource kTestStrings[] = {
    {300, u"Cannot show any data because\nthere is no selection\nin the VELLO Window."},
    {301, u"Plain text"},
    {302, u""},
};
}  // namespace
const KVI::ModuleStringTable KVI::kModuleStringTable = {kTestStrings, std::size(kTestStrings)};

namespace {

using KVI::String;
using KVI::StringRep;

// The count as the object reports it: AddRef and Release both return the new count.
int32_t Refs(IUnknown* p)
{
    p->AddRef();
    return static_cast<int32_t>(p->Release());
}

int32_t Refs(const String& s) { return Refs(s.Interface()); }

// A string object of another implementation (tag 0): it holds its text as 16-bit or 8-bit
// characters and hands it out only through the copy slots and GetBSTR.
class ForeignString final : public IAutoKVIString {
public:
    explicit ForeignString(std::u16string text, int32_t charSize = 2, bool failWideCopy = false)
        : text_(std::move(text)), charSize_(charSize), failWideCopy_(failWideCopy)
    {
    }
    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        if (iid == IID_IUnknown || iid == IID_IAutoKVIString) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    uint32_t AddRef() override { return ++refs_; }
    uint32_t Release() override { return --refs_; }  // lives on the test's stack
    HRESULT Assign(BSTR) override { return E_NOTIMPL; }
    HRESULT GetBSTR(BSTR* out) override
    {
        SysFreeString(*out);
        *out = text_.empty() ? nullptr : SysAllocStringLen(text_.data(), uint32_t(text_.size()));
        return S_OK;
    }
    HRESULT IsEmpty(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT GetLength(int32_t*) override { return E_NOTIMPL; }
    HRESULT IsEqual(IAutoKVIString*, VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT IsShared(VARIANT_BOOL*) override { return E_NOTIMPL; }
    int32_t GetImplementationTag() override { return 0; }
    HRESULT CopyChars(int32_t bytes, void* buffer) override
    {
        ++copies_;
        if (failWideCopy_ && copies_ == 1) return E_FAIL;  // the first (wide) copy is refused
        if (charSize_ == 2 && bytes >= int32_t(text_.size() + 1) * 2) {
            std::memcpy(buffer, text_.c_str(), (text_.size() + 1) * 2);
            return S_OK;
        }
        const std::string narrow = platform::Utf16ToUtf8(text_);
        if (bytes < int32_t(narrow.size() + 1)) return E_FAIL;
        std::memcpy(buffer, narrow.c_str(), narrow.size() + 1);
        return S_OK;
    }
    HRESULT GetBufferInfo(int32_t* count, int32_t* size) override
    {
        *count = charSize_ == 2 ? int32_t(text_.size()) : int32_t(platform::Utf16ToUtf8(text_).size());
        *size = charSize_;
        return S_OK;
    }
    HRESULT GetCapacity(int32_t*) override { return E_NOTIMPL; }
    HRESULT CreateEmpty(int32_t, IAutoKVIString**) override { return E_NOTIMPL; }
    HRESULT GetVariant(VARIANT*) override { return E_NOTIMPL; }
    int32_t Length() override { return int32_t(text_.size()); }

    int32_t refs_ = 1;
    int copies_ = 0;

private:
    std::u16string text_;
    int32_t charSize_;
    bool failWideCopy_;
};

TEST(StringTest, EmptyStringHasTerminatorOnlyAndIsShared)
{
    String empty;
    EXPECT_EQ(empty.Length(), 0);
    EXPECT_EQ(empty.Capacity(), 16);
    EXPECT_EQ(empty.c_str()[0], u'\0');
    EXPECT_TRUE(empty.IsEmpty());

    IAutoKVIString* s = empty.Interface();
    int32_t length = -1;
    EXPECT_EQ(s->GetLength(&length), S_OK);
    EXPECT_EQ(length, 0);
    VARIANT_BOOL isEmpty = VARIANT_FALSE;
    EXPECT_EQ(s->IsEmpty(&isEmpty), S_OK);
    EXPECT_EQ(isEmpty, VARIANT_TRUE);

    BSTR b = SysAllocString(u"old");  // freed by GetBSTR
    EXPECT_EQ(s->GetBSTR(&b), S_OK);
    EXPECT_EQ(b, nullptr);
    EXPECT_EQ(s->GetBSTR(nullptr), E_FAIL);

    VARIANT v;
    EXPECT_EQ(s->GetVariant(&v), S_OK);
    EXPECT_EQ(v.vt, VT_BSTR);
    EXPECT_EQ(v.bstrVal, nullptr);

    // Every way of making "no text" lands on the one shared representation.
    String moved(u"x");
    String taken(std::move(moved));
    const String others[] = {String(static_cast<const char16_t*>(nullptr)), String(u""), String(""),
                             String(static_cast<const char*>(nullptr)), String(std::u16string_view()),
                             String(static_cast<IAutoKVIString*>(nullptr)), String::FromUtf8(""), moved};
    for (const String& o : others) EXPECT_EQ(o.c_str(), empty.c_str());
    EXPECT_EQ(Refs(empty), Refs(others[0]));
}

TEST(StringTest, NewStringCapacity)
{
    struct Case {
        int32_t chars, capacity;
    };
    for (const Case c : {Case{1, 16}, Case{15, 16}, Case{16, 17}, Case{40, 41}}) {
        const String s(std::u16string(size_t(c.chars), u'a'));
        EXPECT_EQ(s.Length(), c.chars);
        EXPECT_EQ(s.Capacity(), c.capacity) << c.chars << " characters";
        int32_t reported = 0;
        s.Interface()->GetCapacity(&reported);
        EXPECT_EQ(reported, c.capacity - 1);
    }
}

TEST(StringTest, AppendGrowsByHalfWhenFull)
{
    String s(u"abcdefghijklmno");  // 15 characters, capacity 16
    ASSERT_EQ(s.Capacity(), 16);
    s += u"p";
    EXPECT_EQ(s.Capacity(), 25);
    EXPECT_EQ(s.View(), u"abcdefghijklmnop");

    const char16_t* before = s.c_str();
    s += u"qrstuvwx";  // fills the 25 units exactly
    EXPECT_EQ(s.c_str(), before) << "no reallocation while the text fits";
    EXPECT_EQ(s.Length(), 24);

    s.Append(s);  // appending itself reads the old block before freeing it
    EXPECT_EQ(s.View(), u"abcdefghijklmnopqrstuvwxabcdefghijklmnopqrstuvwx");
    EXPECT_EQ(s.Capacity(), 49 * 3 / 2);
}

TEST(StringTest, AssignFailsOnSharedOrTooLongTextAndChangesNothing)
{
    String s(u"keep");
    IAutoKVIString* rep = s.Interface();
    BSTR fits = SysAllocString(u"123456789012345");         // 15 = capacity - 1
    BSTR tooLong = SysAllocString(u"1234567890123456");     // 16 = capacity

    {
        const String copy(s);
        EXPECT_EQ(rep->Assign(fits), E_FAIL);
        EXPECT_EQ(s.View(), u"keep");
    }
    EXPECT_EQ(rep->Assign(tooLong), E_FAIL);
    EXPECT_EQ(s.View(), u"keep");
    EXPECT_EQ(rep->Assign(fits), S_OK);
    EXPECT_EQ(s.View(), u"123456789012345");
    EXPECT_EQ(rep->Assign(nullptr), S_OK);
    EXPECT_TRUE(s.IsEmpty());

    // The shared empty string never changes, whatever its count.
    EXPECT_EQ(String().Interface()->Assign(fits), E_FAIL);
    EXPECT_TRUE(String().IsEmpty());
    SysFreeString(fits);
    SysFreeString(tooLong);
}

TEST(StringTest, ChangingACopyLeavesTheOriginal)
{
    struct Case {
        const char* name;
        std::function<void(String&)> change;
        std::u16string expected;
    };
    const Case cases[] = {
        {"append", [](String& s) { s += u"!"; }, u"shared text!"},
        {"erase", [](String& s) { s.Erase(0, 7); }, u"text"},
        {"replace", [](String& s) { s.Replace(0, 6, String(u"own")); }, u"own text"},
        {"reserve", [](String& s) { s.Reserve(100); }, u"shared text"},
        {"prepare", [](String& s) { std::memcpy(s.PrepareBuffer(3), u"new", 6); s.FixLength(); }, u"new"},
        {"assign", [](String& s) { s = String(u"other"); }, u"other"},
    };
    for (const Case& c : cases) {
        const String original(u"shared text");
        String copy(original);
        EXPECT_EQ(copy.c_str(), original.c_str()) << c.name;
        EXPECT_EQ(Refs(original), 2) << c.name;
        c.change(copy);
        EXPECT_EQ(original.View(), u"shared text") << c.name;
        EXPECT_EQ(copy.View(), c.expected) << c.name;
        EXPECT_EQ(Refs(original), 1) << c.name;
    }
}

TEST(StringTest, OrdinalCompare)
{
    struct Case {
        std::u16string_view a, b;
        int sign;
    };
    for (const Case c : {Case{u"ab", u"abc", -1}, Case{u"abc", u"ab", 1}, Case{u"abc", u"abc", 0},
                         Case{u"b", u"abc", 1}, Case{u"", u"a", -1}, Case{u"", u"", 0},
                         Case{u"\u00e9", u"z", 1}}) {
        const String a(c.a), b(c.b);
        const int r = a.Compare(b);
        EXPECT_EQ((r > 0) - (r < 0), c.sign) << std::string(a.ToUtf8()) << " vs " << b.ToUtf8();
        EXPECT_EQ(a == b, c.sign == 0);
        EXPECT_EQ(a < b, c.sign < 0);
        BSTR bs = SysAllocStringLen(c.b.data(), uint32_t(c.b.size()));
        const int rb = a.Compare(bs);
        EXPECT_EQ((rb > 0) - (rb < 0), c.sign);
        SysFreeString(bs);
    }
    EXPECT_EQ(String(u"abd").Compare(String(u"abc")), 1) << "difference of the code units";
    EXPECT_EQ(String().Compare(static_cast<BSTR>(nullptr)), 0);
    EXPECT_GT(String(u"a").Compare(static_cast<BSTR>(nullptr)), 0);
}

TEST(StringTest, Erase)
{
    struct Case {
        int32_t a, b;
        std::u16string_view expected;
    };
    for (const Case c : {Case{1, 3, u"adef"}, Case{0, 6, u""}, Case{2, 2, u"abcdef"}, Case{4, 1, u"abcdef"},
                         Case{2, 100, u"ab"}, Case{-5, 2, u"cdef"}, Case{6, 9, u"abcdef"}, Case{50, 60, u"abcdef"}}) {
        String s(u"abcdef");
        s.Erase(c.a, c.b);
        EXPECT_EQ(s.View(), c.expected) << c.a << ".." << c.b;
        EXPECT_EQ(s.c_str()[s.Length()], u'\0');
    }
}

TEST(StringTest, Replace)
{
    struct Case {
        int32_t i, n;
        std::u16string_view with, expected;
    };
    for (const Case c : {Case{0, 2, u"XYZ", u"XYZcdef"}, Case{6, 0, u"gh", u"abcdefgh"}, Case{4, 99, u"!", u"abcd!"},
                         Case{1, 2, u"", u"adef"}, Case{3, 0, u"--", u"abc--def"}, Case{99, 1, u"+", u"abcdef+"}}) {
        String s(u"abcdef");
        s.Replace(c.i, c.n, String(c.with));
        EXPECT_EQ(s.View(), c.expected) << c.i << "," << c.n;
    }
    // Growth for a replacement is exact: length (with terminator) plus the new characters.
    String full(u"abcdefghijklmno");
    full.Replace(0, 0, String(u"XY"));
    EXPECT_EQ(full.View(), u"XYabcdefghijklmno");
    EXPECT_EQ(full.Capacity(), 18);

    String self(u"ab");
    self.Replace(1, 0, self);
    EXPECT_EQ(self.View(), u"aabb");
}

TEST(StringTest, ReserveKeepsTheText)
{
    String s(u"twenty characters!!!");
    s.Reserve(64);
    EXPECT_EQ(s.Capacity(), 64);
    const char16_t* kept = s.c_str();
    s.Reserve(64);
    EXPECT_EQ(s.c_str(), kept) << "private and already the size";
    s.Reserve(5);  // never below the text
    EXPECT_EQ(s.Capacity(), 21);
    EXPECT_EQ(s.View(), u"twenty characters!!!");
}

TEST(StringTest, PrepareBufferAndFixLength)
{
    String s(u"old text");
    char16_t* buffer = s.PrepareBuffer(40);
    EXPECT_EQ(s.Capacity(), 41);
    EXPECT_TRUE(s.IsEmpty());
    std::memcpy(buffer, u"hello", 12);
    s.FixLength();
    EXPECT_EQ(s.View(), u"hello");

    // Reusing a private buffer that is large enough keeps the block.
    EXPECT_EQ(s.PrepareBuffer(10), buffer);
    EXPECT_EQ(buffer[10], u'\0');

    // Text written up to the end of the block is cut to leave room for the terminator.
    String full;
    char16_t* units = full.PrepareBuffer(15);
    std::fill_n(units, full.Capacity(), u'z');
    full.FixLength();
    EXPECT_EQ(full.Length(), 15);
    EXPECT_EQ(full.c_str()[15], u'\0');

    String empty;
    empty.FixLength();  // the shared empty string stays as it is
    EXPECT_EQ(empty.c_str(), String().c_str());
}

TEST(StringTest, NarrowCopyIsCachedUntilTheTextChanges)
{
    String s(u"Gr\u00fc\u00dfe");
    const char* narrow = s.Narrow();
    EXPECT_STREQ(narrow, "Gr\xc3\xbc\xc3\x9f" "e");
    EXPECT_EQ(s.Narrow(), narrow) << "made once";
    s += u"!";
    EXPECT_STREQ(s.Narrow(), "Gr\xc3\xbc\xc3\x9f" "e!");
    EXPECT_STREQ(String().Narrow(), "");
}

TEST(StringTest, ConstructFromNarrowWideAndRepeated)
{
    EXPECT_EQ(String("caf\xc3\xa9").View(), u"caf\u00e9");
    EXPECT_EQ(String::FromUtf8("a\xf0\x9f\x98\x80").View(), u"a\U0001F600");
    const String wide = String::FromWide(L"x\U0001F600");
    EXPECT_EQ(wide.Length(), 3) << "a surrogate pair in UTF-16";
    EXPECT_EQ(wide.ToWide(), L"x\U0001F600");
    EXPECT_EQ(wide.ToUtf8(), "x\xf0\x9f\x98\x80");

    const String xs(u'x', 3, 10);
    EXPECT_EQ(xs.View(), u"xxx");
    EXPECT_EQ(xs.Capacity(), 16);
    const String zeros(u'\0', 3, 40);
    EXPECT_TRUE(zeros.IsEmpty());
    EXPECT_EQ(zeros.Capacity(), 40);
    const String more(u'y', 30, 10);  // the capacity follows the characters asked for
    EXPECT_EQ(more.Length(), 30);
    EXPECT_EQ(more.Capacity(), 31);
}

TEST(StringTest, MoveLeavesTheSourceEmpty)
{
    String a(u"text");
    String b(std::move(a));
    EXPECT_EQ(b.View(), u"text");
    EXPECT_TRUE(a.IsEmpty());  // NOLINT(bugprone-use-after-move): moved-from is specified
    a = std::move(b);
    EXPECT_EQ(a.View(), u"text");
    EXPECT_TRUE(b.IsEmpty());  // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(Refs(a), 1);
}

TEST(StringTest, QueryInterfaceAndReferenceCounts)
{
    String s(u"counted");
    IAutoKVIString* rep = s.Interface();
    EXPECT_EQ(Refs(rep), 1);
    for (const IID& iid : {IID_IUnknown, IID_IAutoKVIString, IID_IKVIString}) {
        void* out = nullptr;
        EXPECT_EQ(rep->QueryInterface(iid, &out), S_OK);
        EXPECT_EQ(out, static_cast<IKVIString*>(s.Rep()));
        EXPECT_EQ(Refs(rep), 2);
        static_cast<IUnknown*>(out)->Release();
        EXPECT_EQ(Refs(rep), 1);
    }
    void* out = rep;
    EXPECT_EQ(rep->QueryInterface(platform::Guid("{12345678-1234-1234-1234-123456789ABC}"), &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(rep->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(Refs(rep), 1);

    {
        String copy = s;
        EXPECT_EQ(Refs(rep), 2);
        VARIANT_BOOL shared = VARIANT_FALSE;
        rep->IsShared(&shared);
        EXPECT_EQ(shared, VARIANT_TRUE);
        copy = String();
        EXPECT_EQ(Refs(rep), 1);
    }
    IAutoKVIString* handed = s.NewReference();
    EXPECT_EQ(Refs(rep), 2);
    handed->Release();
    VARIANT_BOOL shared = VARIANT_TRUE;
    rep->IsShared(&shared);
    EXPECT_EQ(shared, VARIANT_FALSE);

    s = s;  // self-assignment keeps the text alive
    EXPECT_EQ(s.View(), u"counted");
    EXPECT_EQ(Refs(rep), 1);
}

TEST(StringTest, ConstructFromAnotherStringRepShares)
{
    String s(u"shared");
    const String other(s.Interface());
    EXPECT_EQ(other.c_str(), s.c_str());
    EXPECT_EQ(Refs(s), 2);
}

TEST(StringTest, ConstructFromForeignStringCopies)
{
    ForeignString wide(u"foreign \u00e9");
    {
        const String s(&wide);
        EXPECT_EQ(s.View(), u"foreign \u00e9");
        EXPECT_EQ(wide.copies_, 1);
        EXPECT_EQ(Refs(s), 1);
    }
    EXPECT_EQ(wide.refs_, 1) << "the foreign object keeps its count";

    ForeignString narrow(u"8-bit \u00e9", 1);
    EXPECT_EQ(String(&narrow).View(), u"8-bit \u00e9");

    ForeignString refusing(u"fallback", 2, true);
    EXPECT_EQ(String(&refusing).View(), u"fallback");
    EXPECT_EQ(refusing.copies_, 2) << "wide copy tried, then 8-bit";

    ForeignString empty(u"");
    EXPECT_EQ(String(&empty).c_str(), String().c_str());
}

TEST(StringTest, IsEqualSlot)
{
    String a(u"same"), b(u"same"), c(u"other");
    ForeignString foreignSame(u"same"), foreignOther(u"samE");
    struct Case {
        IAutoKVIString* other;
        VARIANT_BOOL expected;
    };
    for (const Case k : {Case{a.Interface(), VARIANT_TRUE}, Case{b.Interface(), VARIANT_TRUE},
                         Case{c.Interface(), VARIANT_FALSE}, Case{&foreignSame, VARIANT_TRUE},
                         Case{&foreignOther, VARIANT_FALSE}}) {
        VARIANT_BOOL eq = 7;
        EXPECT_EQ(a.Interface()->IsEqual(k.other, &eq), S_OK);
        EXPECT_EQ(eq, k.expected);
    }
    VARIANT_BOOL eq = 7;
    ForeignString foreignEmpty(u"");
    EXPECT_EQ(String().Interface()->IsEqual(&foreignEmpty, &eq), S_OK);
    EXPECT_EQ(eq, VARIANT_TRUE) << "an empty string equals a null BSTR";
    EXPECT_EQ(a.Interface()->IsEqual(nullptr, &eq), E_POINTER);
}

TEST(StringTest, CopySlotsAndCreateEmpty)
{
    const String s(u"abc");
    IAutoKVIString* rep = s.Interface();
    char16_t buffer[8] = {u'#', u'#', u'#', u'#', u'#', u'#', u'#', u'#'};
    EXPECT_EQ(rep->CopyChars(7, buffer), E_FAIL);
    EXPECT_EQ(buffer[0], u'#') << "nothing copied";
    EXPECT_EQ(rep->CopyChars(8, buffer), S_OK);
    EXPECT_EQ(std::u16string_view(buffer, 4), std::u16string_view(u"abc", 4));
    EXPECT_EQ(buffer[4], u'#');

    int32_t count = 0, size = 0;
    EXPECT_EQ(rep->GetBufferInfo(&count, &size), S_OK);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(size, 2);
    EXPECT_EQ(rep->Length(), 3);
    EXPECT_EQ(rep->GetImplementationTag(), KVI::kStringRepTag);

    VARIANT v;
    EXPECT_EQ(rep->GetVariant(&v), S_OK);
    EXPECT_EQ(v.vt, VT_BSTR);
    EXPECT_EQ(SysStringLen(v.bstrVal), 3u);
    VariantClear(&v);

    for (const auto& [n, capacity] : {std::pair{4, 16}, std::pair{15, 16}, std::pair{30, 31}}) {
        IAutoKVIString* made = nullptr;
        EXPECT_EQ(rep->CreateEmpty(n, &made), S_OK);
        int32_t cap = 0;
        made->GetCapacity(&cap);
        EXPECT_EQ(cap, capacity - 1);
        EXPECT_EQ(made->Length(), 0);
        EXPECT_EQ(made->Release(), 0u) << "made with count 1";
    }
}

TEST(LoadStringTest, MissingAndEmptyResourcesGiveTheEmptyString)
{
    const HMODULE self = KVI::ThisModule();
    EXPECT_NE(self, nullptr);
    EXPECT_EQ(KVI::ThisModule(), self);
    for (const uint32_t id : {0u, 302u, 999u}) EXPECT_EQ(KVI::LoadString(self, id).c_str(), String().c_str()) << id;
    EXPECT_TRUE(KVI::LoadString(reinterpret_cast<HMODULE>(0x1234), 301).IsEmpty()) << "no table for the module";
}

TEST(LoadStringTest, SubstitutesHostNamesOnlyWhenAsked)
{
    const HMODULE self = KVI::ThisModule();
    const String shown = KVI::LoadString(self, 300);
    EXPECT_EQ(shown.View(), u"Cannot show any data because\nthere is no selection\nin the Velogram Window.");
    const String raw(self, 300, false);
    EXPECT_EQ(raw.View(), u"Cannot show any data because\nthere is no selection\nin the VELLO Window.");
    const String plain = KVI::LoadString(self, 301);
    EXPECT_EQ(plain.View(), u"Plain text");
    EXPECT_EQ(plain.Capacity(), 16);

    // A table registered under any handle is found by that handle.
    static constexpr platform::StringResource table[] = {{7, u"KVI OEM AMPLIFLO"}};
    const auto handle = reinterpret_cast<HMODULE>(0x5678);
    platform::RegisterStringTable(handle, table, 1);
    EXPECT_EQ(KVI::LoadString(handle, 7).View(), u"Orvanex Orvanex Ampliflo");
    platform::UnregisterStringTable(handle);
}

TEST(HostNamesTest, TableInOrder)
{
    const KVI::HostNameTable& names = KVI::HostNames();
    const std::u16string_view expected[][2] = {{u"VELLOFORWINDOWS", u"Velogram"}, {u"VELLO", u"Velogram"},
                                               {u"AMPLIFLO", u"Ampliflo"},       {u"ORVANEX", u"Orvanex"},
                                               {u"KVI", u"Orvanex"},             {u"OEM", u"Orvanex"}};
    ASSERT_EQ(names.size(), std::size(expected));
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(names[i].first.View(), expected[i][0]);
        EXPECT_EQ(names[i].second.View(), expected[i][1]);
    }
    EXPECT_EQ(&KVI::HostNames(), &names) << "built once";
}

TEST(HostNamesTest, Apply)
{
    struct Case {
        std::u16string_view text, expected;
    };
    for (const Case c : {Case{u"VELLOFORWINDOWS", u"Velogram"}, Case{u"About VELLOFORWINDOWS 5", u"About Velogram 5"},
                         Case{u"VELLOVELLO", u"VelogramVelogram"}, Case{u"no token here", u"no token here"},
                         Case{u"Vello vello", u"Vello vello"}, Case{u"ORVANEX, KVI and OEM", u"Orvanex, Orvanex and Orvanex"},
                         Case{u"OEMKVIOEM", u"OrvanexOrvanexOrvanex"}, Case{u"", u""}}) {
        String s(c.text);
        KVI::ApplyHostNames(s);
        EXPECT_EQ(s.View(), c.expected);
    }
}

}  // namespace
