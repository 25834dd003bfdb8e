#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <unordered_set>

#include "platform/bstr.h"
#include "platform/class_table.h"
#include "platform/code_page.h"
#include "platform/com_ptr.h"
#include "platform/guid.h"
#include "platform/string_table.h"
#include "platform/system_message.h"
#include "platform/variant.h"

namespace {

constexpr GUID kSample = platform::Guid("{818DA440-8037-11D3-80BC-005004AD3C53}");

TEST(Guid, ParsesFormatsAndOrders)
{
    EXPECT_EQ(kSample.Data1, 0x818DA440u);
    EXPECT_EQ(kSample.Data2, 0x8037u);
    EXPECT_EQ(kSample.Data3, 0x11D3u);
    EXPECT_EQ(kSample.Data4[0], 0x80);
    EXPECT_EQ(kSample.Data4[7], 0x53);
    EXPECT_EQ(platform::FormatGuid(kSample), "{818DA440-8037-11D3-80BC-005004AD3C53}");

    auto lower = platform::ParseGuid("818da440-8037-11d3-80bc-005004ad3c53");
    ASSERT_TRUE(lower);
    EXPECT_EQ(*lower, kSample);

    for (const char* bad : {"", "{818DA440-8037-11D3-80BC-005004AD3C5}", "818DA440x8037-11D3-80BC-005004AD3C53",
                            "{818DA440-8037-11D3-80BC-005004AD3C5G}", "(818DA440-8037-11D3-80BC-005004AD3C53)"})
        EXPECT_FALSE(platform::ParseGuid(bad)) << bad;

    GUID next = kSample;
    next.Data4[7]++;
    EXPECT_LT(kSample, next);
    EXPECT_NE(kSample, next);
    std::unordered_set<GUID> set{kSample, next, kSample};
    EXPECT_EQ(set.size(), 2u);
}

TEST(Bstr, LengthPrefixAndNullAsEmpty)
{
    BSTR s = SysAllocString(u"abc");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(SysStringLen(s), 3u);
    EXPECT_EQ(SysStringByteLen(s), 6u);
    uint32_t prefix;
    std::memcpy(&prefix, reinterpret_cast<const char*>(s) - 4, 4);
    EXPECT_EQ(prefix, 6u);
    EXPECT_EQ(s[3], u'\0');
    SysFreeString(s);

    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(nullptr);  // ignored

    // Embedded nulls are kept: the length is the prefix, not the first null.
    BSTR e = SysAllocStringLen(u"a\0b", 3);
    EXPECT_EQ(SysStringLen(e), 3u);
    EXPECT_EQ(e[2], u'b');
    SysFreeString(e);

    BSTR z = SysAllocStringLen(nullptr, 2);
    EXPECT_EQ(SysStringLen(z), 2u);
    EXPECT_EQ(z[0], u'\0');
    SysFreeString(z);

    EXPECT_EQ(SysAllocStringLen(u"", 0xFFFFFFFFu), nullptr);  // would not fit the prefix
}

TEST(Variant, ClearFreesTheBstr)
{
    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(v.vt, VT_EMPTY);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(u"text");
    EXPECT_EQ(VariantClear(&v), S_OK);  // ASan reports a leak if the BSTR stays
    EXPECT_EQ(v.vt, VT_EMPTY);
    EXPECT_EQ(VariantClear(nullptr), E_INVALIDARG);
}

// A counted object for the class table.
struct CountedObject : IUnknown {
    std::atomic<int32_t> refs{1};
    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    uint32_t AddRef() override { return ++refs; }
    uint32_t Release() override { return --refs; }
};

TEST(ClassTable, RegisterGetRevokeWithCounts)
{
    constexpr GUID clsid = platform::Guid("{11111111-2222-3333-4444-555555555555}");
    CountedObject obj;
    void* out = nullptr;
    EXPECT_EQ(CoGetClassObject(clsid, CLSCTX_ALL, nullptr, IID_IUnknown, &out), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(out, nullptr);

    uint32_t cookie = 0;
    ASSERT_EQ(CoRegisterClassObject(clsid, &obj, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie), S_OK);
    EXPECT_EQ(obj.refs, 2);  // the table holds one

    ASSERT_EQ(CoGetClassObject(clsid, CLSCTX_ALL, nullptr, IID_IUnknown, &out), S_OK);
    EXPECT_EQ(out, static_cast<IUnknown*>(&obj));
    EXPECT_EQ(obj.refs, 3);  // the caller's
    static_cast<IUnknown*>(out)->Release();

    constexpr GUID other = platform::Guid("{11111111-2222-3333-4444-555555555556}");
    EXPECT_EQ(CoGetClassObject(clsid, CLSCTX_ALL, nullptr, other, &out), E_NOINTERFACE);
    EXPECT_EQ(CoGetClassObject(clsid, CLSCTX_ALL, nullptr, IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(obj.refs, 2);

    EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
    EXPECT_EQ(obj.refs, 1);
    EXPECT_EQ(CoRevokeClassObject(cookie), E_INVALIDARG);
    EXPECT_EQ(CoGetClassObject(clsid, CLSCTX_ALL, nullptr, IID_IUnknown, &out), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(CoRegisterClassObject(clsid, nullptr, 0, 0, &cookie), E_INVALIDARG);
}

TEST(ClassTable, OleInitializeCountsPerThread)
{
    EXPECT_EQ(OleInitialize(nullptr), S_OK);
    EXPECT_EQ(OleInitialize(nullptr), S_FALSE);
    OleUninitialize();
    OleUninitialize();
    EXPECT_EQ(OleInitialize(nullptr), S_OK);
    OleUninitialize();
}

TEST(CodePage, RoundTripsAndReplacesInvalidInput)
{
    const std::u16string text = u"Grad \u00B5V \u00B2 \U0001F600";
    EXPECT_EQ(platform::Utf8ToUtf16(platform::Utf16ToUtf8(text)), text);
    EXPECT_EQ(platform::Utf16ToUtf8(u"\u00B5"), "\xC2\xB5");
    EXPECT_EQ(platform::WideToUtf16(L"\U0001F600"), u"\U0001F600");
    EXPECT_EQ(platform::Utf16ToWide(u"\U0001F600"), L"\U0001F600");

    // An unpaired surrogate, a stray continuation byte, a truncated sequence, an overlong form.
    EXPECT_EQ(platform::Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(platform::Utf8ToUtf16("a\x80z"), u"a\uFFFDz");
    EXPECT_EQ(platform::Utf8ToUtf16("\xE2\x82"), u"\uFFFD\uFFFD");
    EXPECT_EQ(platform::Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");
    EXPECT_EQ(platform::WideToUtf16(std::wstring(1, wchar_t(0x110000))), u"\uFFFD");
}

TEST(CodePage, TellsUtf8AndReadsWindows1252)
{
    EXPECT_TRUE(platform::IsUtf8(""));
    EXPECT_TRUE(platform::IsUtf8("Spannung \xC2\xB5V \xEF\xBF\xBD \xF0\x9F\x98\x80"));
    for (const char* bad : {"\xB5V", "a\x80", "\xE2\x82", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF"})
        EXPECT_FALSE(platform::IsUtf8(bad)) << bad;

    // Latin-1 where the code pages agree, the code page's own characters in 0x80..0x9F, the
    // undefined bytes as C1 controls.
    EXPECT_EQ(platform::Windows1252ToUtf8("Spannung \xB5V, Temp \xB0""C \xE4\xFF"),
              "Spannung \xC2\xB5V, Temp \xC2\xB0""C \xC3\xA4\xC3\xBF");
    EXPECT_EQ(platform::Windows1252ToUtf8("\x80\x8A\x9F"), "\xE2\x82\xAC\xC5\xA0\xC5\xB8");
    EXPECT_EQ(platform::Windows1252ToUtf8("\x81\x9D"), "\xC2\x81\xC2\x9D");
    std::string all;
    for (int b = 1; b < 256; ++b) all += char(b);
    const std::string utf8 = platform::Windows1252ToUtf8(all);
    EXPECT_TRUE(platform::IsUtf8(utf8));
    EXPECT_EQ(platform::Utf8ToUtf16(utf8).size(), all.size()) << "one character per byte";
}

TEST(StringTable, LookupByModuleAndId)
{
    static const platform::StringResource table[] = {{7, u"seven"}, {9, u""}};
    int marker = 0;
    HMODULE module = &marker;
    EXPECT_FALSE(platform::FindStringResource(module, 7));
    platform::RegisterStringTable(module, table, 2);
    EXPECT_EQ(*platform::FindStringResource(module, 7), u"seven");
    EXPECT_EQ(*platform::FindStringResource(module, 9), u"");
    EXPECT_FALSE(platform::FindStringResource(module, 8));
    EXPECT_FALSE(platform::FindStringResource(nullptr, 7));
    platform::UnregisterStringTable(module);
    EXPECT_FALSE(platform::FindStringResource(module, 7));
}

TEST(SystemMessage, KnownCodesAndWrappedErrno)
{
    auto fail = platform::SystemMessageText(E_FAIL);
    ASSERT_TRUE(fail);
    EXPECT_EQ(*fail, u"Unspecified error\r\n");

    auto noent = platform::SystemMessageText(HResultFromErrno(ENOENT));
    ASSERT_TRUE(noent);
    EXPECT_EQ(*noent, platform::Utf8ToUtf16(std::strerror(ENOENT)) + u"\r\n");
    EXPECT_EQ(HRESULT_FACILITY(HResultFromErrno(ENOENT)), FACILITY_WIN32);
    EXPECT_EQ(HRESULT_CODE(HResultFromErrno(ENOENT)), static_cast<uint32_t>(ENOENT));

    EXPECT_FALSE(platform::SystemMessageText(static_cast<HRESULT>(0x80041234u)));
}

TEST(ComPtr, CountsReferences)
{
    CountedObject obj;
    {
        platform::ComPtr<IUnknown> a(&obj);
        EXPECT_EQ(obj.refs, 2);
        platform::ComPtr<IUnknown> b = a;
        EXPECT_EQ(obj.refs, 3);
        platform::ComPtr<IUnknown> c = std::move(b);
        EXPECT_EQ(obj.refs, 3);
        EXPECT_FALSE(b);
        platform::ComPtr<IUnknown> d;
        ASSERT_EQ(a.As(IID_IUnknown, d), S_OK);
        EXPECT_EQ(obj.refs, 4);
        c = d;  // c gives up its reference and shares d's object
        EXPECT_EQ(obj.refs, 4);
        d.Reset();
        EXPECT_EQ(obj.refs, 3);
    }
    EXPECT_EQ(obj.refs, 1);
}

}  // namespace
