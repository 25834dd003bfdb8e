// Prefixes, unit entries and unit values.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>

#include <cmath>
#include <locale>
#include <string>

#include "values/units/prefix_table.h"
#include "values/units/unit_entry.h"
#include "values/units/unit_value.h"
#include "platform/com_ptr.h"
#include "tests/support/memory_object_stream.h"

namespace {

using KVI::String;
using KVI::UnitEntry;
using KVI::UnitInfo;
using KVI::UnitValue;
using TestSupport::MemoryObjectStream;
using TestSupport::StoredValue;
using namespace std::string_literals;

constexpr char32_t kMicro = U'\u00B5';

TEST(PrefixTable, EveryIndex)
{
    struct Row {
        int32_t index;
        std::u16string_view text;
        int32_t exponent;
        double factor;
    };
    const Row rows[] = {
        {0, u"?", 0, 0},      {1, u"", 0, 1},        {2, u"a", -18, 1e18}, {3, u"f", -15, 1e15},
        {4, u"p", -12, 1e12}, {5, u"n", -9, 1e9},    {6, u"\u00B5", -6, 1e6}, {7, u"m", -3, 1000},
        {8, u"", 0, 1},       {9, u"k", 3, 0.001},   {10, u"M", 6, 1e-6}, {11, u"G", 9, 1e-9},
        {12, u"T", 12, 1e-12}, {13, u"P", 15, 1e-15}, {14, u"E", 18, 1e-18},
        // Outside the table: no letter, nothing to scale by.
        {-1, u"", 0, 0},      {15, u"", 0, 0},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(KVI::PrefixText(r.index), r.text) << r.index;
        EXPECT_EQ(KVI::PrefixExponent(r.index), r.exponent) << r.index;
        EXPECT_EQ(KVI::PrefixFactor(r.index), r.factor) << r.index;
        if (r.index >= 2 && r.index <= 14) {
            EXPECT_EQ(KVI::PrefixIndexOfExponent(r.exponent), r.index);
        }
    }
    EXPECT_EQ(KVI::PrefixIndexOfExponent(0), 8);
    EXPECT_EQ(KVI::PrefixIndexOfExponent(21), -1);
    EXPECT_EQ(KVI::PrefixIndexOfExponent(1), -1);
}

TEST(PrefixTable, LetterLookups)
{
    struct Row {
        char32_t letter;
        int32_t exponent;
        double factor;
    };
    const Row rows[] = {
        {U'E', 18, 1e-18}, {U'P', 15, 1e-15}, {U'T', 12, 1e-12}, {U'G', 9, 1e-9}, {U'M', 6, 1e-6},
        {U'k', 3, 1e-3},   {U'm', -3, 1e3},   {U'u', -6, 1e6},   {kMicro, -6, 1e6}, {U'n', -9, 1e9},
        {U'p', -12, 1e12}, {U'f', -15, 1e15}, {U'a', -18, 1e18}, {U'Z', 21, 0},    {U'Y', 24, 0},
        {U'z', -21, 0},    {U'y', -24, 0},    {U'K', 0, 0},      {U'x', 0, 0},     {U'?', 0, 0},
        {KVI::kNoLetter, 0, 1}, {U'\u00A0', 0, 1},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(KVI::ExponentOfLetter(r.letter), r.exponent) << uint32_t(r.letter);
        EXPECT_EQ(KVI::FactorOfLetter(r.letter), r.factor) << uint32_t(r.letter);
    }
    const std::pair<int32_t, char32_t> inverse[] = {
        {24, U'Y'}, {21, U'Z'}, {3, U'k'}, {-6, kMicro}, {-21, U'z'}, {-24, U'y'},
        {0, KVI::kNoLetter}, {1, KVI::kNoLetter}, {27, KVI::kNoLetter}, {-27, KVI::kNoLetter}, {-4, KVI::kNoLetter},
    };
    for (const auto& [exponent, letter] : inverse) EXPECT_EQ(KVI::LetterOfExponent(exponent), letter) << exponent;
}

// --- unit values -------------------------------------------------------------------------

void ExpectValue(const UnitValue& v, double mantissa, int32_t exponent, std::u16string_view unit)
{
    EXPECT_NEAR(v.Mantissa(), mantissa, std::fabs(mantissa) * 1e-12);
    EXPECT_EQ(v.Exponent(), exponent);
    EXPECT_EQ(v.Unit().View(), unit);
}

TEST(UnitValue, Normalising)
{
    struct Case {
        double x;
        double mantissa;
        int32_t exponent;
    };
    const Case cases[] = {
        {0, 0, 0},           {0.0125, 12.5, -3},   {2500, 2.5, 3},        {-2500, -2.5, 3},
        {1, 1, 0},           {999.5, 999.5, 0},    {1000, 1, 3},          {0.000125, 125, -6},
        {0.001, 1, -3},      {0.5, 500, -3},       {123456789, 123.456789, 6}, {-0.0005, -500, -6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.x);
        ExpectValue(UnitValue::Normalised(c.x, String(u"V")), c.mantissa, c.exponent, u"V");
    }
    const UnitValue inf = UnitValue::Normalised(INFINITY, String());
    EXPECT_EQ(inf.Exponent(), 0);
    EXPECT_TRUE(std::isinf(inf.Mantissa()));
}

TEST(UnitValue, Parsing)
{
    struct Case {
        std::wstring text;
        double mantissa;
        int32_t exponent;
        std::u16string unit;
    };
    const Case cases[] = {
        {L"1e3 V", 1, 3, u"V"},
        {L"-0.5 mV", -500, -6, u"V"},
        {L"5", 5, 0, u""},
        {L"  12.5 mV", 12.5, -3, u"V"},
        {L"3 kPa", 3, 3, u"Pa"},
        {L"5 mmHg", 5, 0, u"mmHg"},  // mHg is no known name
        {L"2 m", 2, 0, u"m"},        // one letter: never a prefix
        {L"10 Hz", 10, 0, u"Hz"},    // a whole known name
        {L"10 Pa", 10, 0, u"Pa"},
        {L"10 mm", 10, -3, u"m"},
        {L"7 \u00B5V", 7, -6, u"V"},
        {L"7 uV", 7, -6, u"V"},
        {L"7 ZV", 7, 21, u"V"},      // zetta is a prefix letter, though not in the index table
        {L"4 kOhms extra", 4, 3, u"Ohms"},
        {L"2 mL/min", 2, -3, u"L/min"},
        {L"8 xV", 8, 0, u"xV"},
        {L"8 degrees C", 8, 0, u"degrees"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(String::FromWide(c.text).ToUtf8());
        const UnitValue v = UnitValue::Parse(c.text);
        EXPECT_FALSE(v.IsInvalid());
        ExpectValue(v, c.mantissa, c.exponent, c.unit);
    }
    for (const std::wstring& bad : {L"abc"s, L""s, L"  "s, L"V 5"s, L"nan V"s, L"1e999 V"s}) {
        const UnitValue v = UnitValue::Parse(bad);
        EXPECT_TRUE(v.IsInvalid()) << String::FromWide(bad).ToUtf8();
        ExpectValue(v, 0, 0, u"Invalid");
    }
    ExpectValue(UnitValue::Parse(String(u"12.5 mV")), 12.5, -3, u"V");
}

// A locale whose numbers use a decimal comma.
struct CommaNumbers : std::numpunct<wchar_t> {
    wchar_t do_decimal_point() const override { return L','; }
};

TEST(UnitValue, ClassicLocaleWhateverTheGlobalOne)
{
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaNumbers));
    const UnitValue v = UnitValue::Parse(L"12.5 mV");
    const String text = v.Format(-3);
    std::locale::global(previous);
    ExpectValue(v, 12.5, -3, u"V");
    EXPECT_EQ(text.View(), u"12.5 mV");
}

TEST(UnitValue, Formatting)
{
    const UnitValue v(12.5, -3, String(u"V"));
    struct Case {
        int32_t b;
        int32_t precision;
        const char16_t* unit;
        std::u16string expected;
    };
    const Case cases[] = {
        {-3, 0, u"", u"12.5 mV"},
        {0, 0, u"", u"0.0125 V"},
        {-6, 0, u"", u"12500 \u00B5V"},
        {3, 0, u"", u"1.25e-05 kV"},
        {-3, 0, u"A", u"12.5 mA"},
        {1, 0, u"", u"0.00125 V"},  // no letter for 10^1
    };
    for (const Case& c : cases) EXPECT_EQ(v.Format(c.b, c.precision, String(c.unit)).View(), c.expected) << c.b;

    EXPECT_EQ(UnitValue(12.5, -3, String()).Format(-3).View(), u"12.5");
    EXPECT_EQ(UnitValue(1.23456, 0, String(u"V")).Format(0, 3).View(), u"1.23 V");
    EXPECT_EQ(UnitValue::Parse(L"7 uV").Format(-6).View(), u"7 \u00B5V");  // always written µ
    EXPECT_EQ(UnitValue(123.456, -6, String(u"Pa")).FormatExample().View(), u"123 \u00B5Pa");
    EXPECT_EQ(UnitValue(1.5, 0, String(u"N")).FormatExample().View(), u"1.5 N");
    EXPECT_EQ(UnitValue(1.5, 3, String()).FormatExample().View(), u"1.5e+03");
}

TEST(UnitValue, ScalingAndValue)
{
    const UnitValue v(12.5, -3, String(u"V"));
    EXPECT_DOUBLE_EQ(v.Value(), 0.0125);
    ExpectValue(v.ScaledBy(3), 12.5, 0, u"V");
    ExpectValue(v.ScaledBy(-1), 1.25, -3, u"V");
    ExpectValue(v.ScaledBy(6), 12.5, 3, u"V");
}

// A value is the double nearest the decimal number typed, its prefix applied exactly: what
// strtod reads from the same number written in base units.
TEST(UnitValue, ValuesAreTheNearestDoublesOfTheTexts)
{
    EXPECT_EQ(UnitValue::Parse(L"12.5 mV").Value(), std::strtod("0.0125", nullptr));
    EXPECT_EQ(UnitValue::Parse(L"2000719").Value(), 2000719.0);
    EXPECT_EQ(UnitValue::Parse(L"0.1 kPa").Value(), 100.0);
    EXPECT_EQ(UnitValue::Parse(L"1.005 V").Value(), std::strtod("1.005", nullptr));
    EXPECT_EQ(UnitValue::Parse(L"-3.3e-5 MV").Value(), std::strtod("-33", nullptr));
    EXPECT_EQ(UnitValue::Parse(L"1e308 kV").Value(), HUGE_VAL);
    // Exponents past any integer's range: with a prefix as without one (an underflow is 0, an
    // overflow no number at all).
    EXPECT_EQ(UnitValue::Parse(L"1e-136666666666466666661111").Value(), 0.0);
    EXPECT_EQ(UnitValue::Parse(L"1e-136666666666466666661111 mV").Value(), 0.0);
    EXPECT_TRUE(UnitValue::Parse(L"-2e99999999999999999999999").IsInvalid());
    EXPECT_TRUE(UnitValue::Parse(L"-2e99999999999999999999999 kPa").IsInvalid());
    std::mt19937_64 random(19);
    for (int i = 0; i < 20000; ++i) {
        // up to 17 digits and an exponent, in mV and kPa
        char digits[64];
        std::snprintf(digits, sizeof digits, "%.*g", int(1 + random() % 17),
                      std::ldexp(double(random() >> 11), -53) * std::pow(10.0, double(random() % 40) - 20));
        const bool milli = i % 2 == 0;
        std::wstring text;
        for (const char* c = digits; *c; ++c) text.push_back(wchar_t(*c));
        text += milli ? L" mV" : L" kPa";
        // The reference: the same digits with the exponent moved by the prefix, read by strtod.
        std::string shifted = digits;
        int exponent = 0;
        if (const size_t e = shifted.find('e'); e != std::string::npos) {
            exponent = std::stoi(shifted.substr(e + 1));
            shifted.resize(e);
        }
        shifted += "e" + std::to_string(exponent + (milli ? -3 : 3));
        ASSERT_EQ(UnitValue::Parse(text).Value(), std::strtod(shifted.c_str(), nullptr)) << digits;
        // A bare number keeps its double; scaling it into a prefixed unit is exact too.
        const double bare = std::strtod(digits, nullptr);
        EXPECT_EQ(UnitValue::Normalised(bare, String()).Value(), bare);
    }
    // Scaling by the prefix of a column's unit.
    EXPECT_EQ(UnitValue::Parse(L"12.5").InUnit(-3, String(u"V")).Value(), std::strtod("0.0125", nullptr));
    ExpectValue(UnitValue::Parse(L"12.5").InUnit(-3, String(u"V")), 12.5, -3, u"V");
}

TEST(UnitValue, KnownNames)
{
    const auto& names = KVI::KnownUnitNames();
    EXPECT_EQ(names.size(), 11u);
    for (const char16_t* n : {u"V", u"g", u"Hz", u"m", u"Ohms", u"L", u"N", u"Pa", u"A", u"L/s", u"L/min"})
        EXPECT_EQ(names.count(String(n)), 1u) << String(n).ToUtf8();
}

// --- unit entries ------------------------------------------------------------------------

UnitInfo Info(int32_t flag, int32_t prefix, const char16_t* name)
{
    UnitInfo u;
    u.flag_ = flag;
    u.prefix_ = prefix;
    u.name_ = String(name);
    return u;
}

TEST(UnitEntry, ReferenceCountsAfterEveryCall)
{
    auto* e = new UnitEntry(Info(0, 7, u"V"));
    EXPECT_EQ(e->AddRef(), 1u);

    void* p = nullptr;
    ASSERT_EQ(e->QueryInterface(IID_IUnitName, &p), S_OK);
    EXPECT_EQ(p, static_cast<IUnitName*>(e));
    EXPECT_EQ(e->AddRef(), 3u);
    EXPECT_EQ(e->Release(), 2u);

    ASSERT_EQ(e->QueryInterface(IID_IPersistObject, &p), S_OK);
    auto* persist = static_cast<IPersistObject*>(p);
    EXPECT_EQ(persist, static_cast<IPersistObject*>(e));
    // One count for the object, whichever interface it is reached through.
    EXPECT_EQ(persist->AddRef(), 4u);
    EXPECT_EQ(persist->Release(), 3u);

    // IUnknown is the same pointer from every interface.
    void* unknown1 = nullptr;
    void* unknown2 = nullptr;
    ASSERT_EQ(persist->QueryInterface(IID_IUnknown, &unknown1), S_OK);
    ASSERT_EQ(e->QueryInterface(IID_IUnknown, &unknown2), S_OK);
    EXPECT_EQ(unknown1, unknown2);
    EXPECT_EQ(e->Release(), 4u);
    EXPECT_EQ(e->Release(), 3u);

    p = &p;
    EXPECT_EQ(e->QueryInterface(IID_IObjectInStream, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(e->QueryInterface(IID_IUnitName, nullptr), E_POINTER);
    EXPECT_EQ(e->AddRef(), 4u);
    EXPECT_EQ(e->Release(), 3u);

    // A clone is a new object with its own count of 1; the original is untouched.
    IUnitName* clone = nullptr;
    ASSERT_EQ(e->Clone(&clone), S_OK);
    ASSERT_NE(clone, nullptr);
    EXPECT_NE(clone, static_cast<IUnitName*>(e));
    EXPECT_EQ(clone->AddRef(), 2u);
    EXPECT_EQ(e->AddRef(), 4u);
    EXPECT_EQ(e->Release(), 3u);
    clone->SetPrefix(9);
    int32_t prefix = 0;
    e->GetPrefix(&prefix);
    EXPECT_EQ(prefix, 7);
    EXPECT_EQ(clone->Release(), 1u);
    EXPECT_EQ(clone->Release(), 0u);

    EXPECT_EQ(persist->Release(), 2u);
    EXPECT_EQ(e->Release(), 1u);
    EXPECT_EQ(e->Release(), 0u);  // freed here; the sanitizer reports a leak or a double free
}

TEST(UnitEntry, UnitNameSlots)
{
    platform::ComPtr<UnitEntry> e(new UnitEntry);
    int32_t value = -1;
    EXPECT_EQ(e->GetPrefix(nullptr), E_INVALIDARG);
    ASSERT_EQ(e->GetPrefix(&value), S_OK);
    EXPECT_EQ(value, 1);  // the empty unit
    ASSERT_EQ(e->GetFlag(&value), S_OK);
    EXPECT_EQ(value, 0);

    e->SetPrefix(6);
    e->SetName(String(u"Pa").Interface());
    e->SetFlag(5);
    ASSERT_EQ(e->GetFlag(&value), S_OK);
    EXPECT_EQ(value, 1);  // stored as 0 or 1

    struct Case {
        int32_t withPrefix;
        std::u16string text;
    };
    for (const Case& c : {Case{1, u"\u00B5Pa"}, Case{0, u"Pa"}}) {
        IAutoKVIString* s = nullptr;
        ASSERT_EQ(e->GetText(c.withPrefix, &s), S_OK);
        const String text(s);
        s->Release();
        EXPECT_EQ(text.View(), c.text);
    }
    EXPECT_EQ(Info(0, 0, u"V").DisplayText().View(), u"?V");
    EXPECT_EQ(Info(0, 1, u"V").DisplayText().View(), u"V");
    EXPECT_EQ(Info(0, 8, u"V").DisplayText().View(), u"V");

    e->SetName(nullptr);
    EXPECT_TRUE(e->Info().name_.IsEmpty());
}

TEST(UnitEntry, StoredForm)
{
    platform::ComPtr<UnitEntry> e(new UnitEntry(Info(1, 9, u"Ohms")));
    MemoryObjectStream stream;
    ASSERT_EQ(e->Save(stream.Out()), S_OK);
    EXPECT_EQ(stream.Values(), (std::vector<StoredValue>{9u, u"Ohms"s, 1u}));

    platform::ComPtr<UnitEntry> back(new UnitEntry);
    ASSERT_EQ(back->Load(stream.In()), S_OK);
    EXPECT_EQ(back->Info().prefix_, 9);
    EXPECT_EQ(back->Info().flag_, 1);
    EXPECT_EQ(back->Info().name_, String(u"Ohms"));

    // A short stream leaves the entry as it was.
    for (size_t n = 0; n < 3; ++n) {
        MemoryObjectStream cut(stream.Values());
        cut.Truncate(n);
        platform::ComPtr<UnitEntry> target(new UnitEntry(Info(0, 7, u"V")));
        EXPECT_EQ(target->Load(cut.In()), E_FAIL);
        EXPECT_EQ(target->Info().prefix_, 7);
        EXPECT_EQ(target->Info().name_, String(u"V"));
    }
    uint32_t id = 7;
    EXPECT_EQ(e->GetTypeId(&id), E_NOTIMPL);
    EXPECT_EQ(id, 0u);
}

}  // namespace
