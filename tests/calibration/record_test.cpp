// The calibration record, its text form and its stored form (TessarSettings Load and Save),
// including the behaviour on truncated and corrupt input.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <locale>
#include <random>
#include <sstream>
#include <string>

#include "calibration/calibration_data.h"
#include "calibration/framework.h"
#include "calibration/settings_text.h"
#include "calibration/tessar_settings.h"
#include "platform/class_table.h"
#include "platform/com_ptr.h"
#include "tests/support/memory_object_stream.h"

namespace {

using KVI::String;
using platform::ComPtr;
using Tessar::CalibrationData;
using Tessar::ParseSettingsText;
using Tessar::SettingsTextScope;
using Tessar::SettingsTextStatus;
using Tessar::TessarSettings;
using TestSupport::MemoryObjectStream;
using TestSupport::StoredValue;
using namespace std::string_literals;

ComPtr<TessarSettings> NewSettings(const CalibrationData& data = CalibrationData())
{
    return ComPtr<TessarSettings>(new TessarSettings(data));
}

KVI::UnitInfo Unit(int32_t flag, int32_t prefix, const char16_t* name)
{
    KVI::UnitInfo u;
    u.flag_ = flag;
    u.prefix_ = prefix;
    u.name_ = String(name);
    return u;
}

// A record with every field away from its default.
CalibrationData RichRecord()
{
    CalibrationData d(4);
    d.calculatedView_ = true;
    d.decimalPlaces_ = 5;
    d.forceOrigin_ = true;
    d.fitKind_ = 2;
    d.rawValues_ = {-1.5, 0.25, 1.23456789};
    d.calibratedValues_ = {10, 20, 30.5};
    d.coefficients_ = {0.125, 2, -3.5, 1e-7};
    d.chiSquare_ = 0.5;
    d.sse_ = 0.75;
    d.unit_ = Unit(1, 7, u"degrees C");
    d.paneTop_ = 12.345678901;
    d.paneBottom_ = -3.25;
    d.strings_ = {String(u"zeta"), String(u"alpha"), String(u"")};
    return d;
}

// Every field, the ones equality ignores included.
void ExpectSameRecord(const CalibrationData& a, const CalibrationData& b)
{
    EXPECT_TRUE(a == b);
    EXPECT_EQ(a.coefficients_, b.coefficients_);
    EXPECT_EQ(a.chiSquare_, b.chiSquare_);
    EXPECT_EQ(a.sse_, b.sse_);
    EXPECT_EQ(a.paneTop_, b.paneTop_);
    EXPECT_EQ(a.paneBottom_, b.paneBottom_);
    EXPECT_EQ(a.unit_.prefix_, b.unit_.prefix_);
    EXPECT_EQ(a.unit_.flag_, b.unit_.flag_);
    EXPECT_EQ(a.unit_.name_, b.unit_.name_);
}

std::vector<StoredValue> Saved(const CalibrationData& d)
{
    MemoryObjectStream out;
    EXPECT_EQ(NewSettings(d)->Save(out.Out()), S_OK);
    return out.Values();
}

// A stored form written by hand: the header of a default record, then text, then the unit
// part for version 2.
std::vector<StoredValue> StoredForm(uint32_t version, const std::u16string& text,
                                    const KVI::UnitInfo& unit = KVI::UnitInfo())
{
    std::vector<StoredValue> v = {version, 0u, 7u, 2u, 1.0, -1.0, 0u, text};
    if (version == 2) {
        v.push_back(static_cast<uint32_t>(unit.prefix_));
        v.push_back(std::u16string(unit.name_.View()));
        v.push_back(static_cast<uint32_t>(unit.flag_));
    }
    return v;
}

std::u16string TextOf(const CalibrationData& d) { return std::u16string(Tessar::FormatSettingsText(d).View()); }

TEST(CalibrationRecord, DefaultRecordStoresItsValuesAndKindsInOrder)
{
    const std::vector<StoredValue> expected = {
        2u, 0u, 0xFFFFFFFFu, 3u, 0.0, 0.0, 0u, u"0\t0\tINVALID_UNIT\t0\t0\t0\t0\t"s, 1u, u""s, 0u};
    MemoryObjectStream stream;
    ASSERT_EQ(NewSettings()->Save(stream.Out()), S_OK);
    EXPECT_EQ(stream.Values(), expected);  // a variant compares its kind too

    // Loading it over a different record gives the default record back.
    auto settings = NewSettings(RichRecord());
    ASSERT_EQ(settings->Load(stream.In()), S_OK);
    ExpectSameRecord(settings->Data(), CalibrationData());
    EXPECT_EQ(stream.ReadPosition(), expected.size());
}

TEST(CalibrationRecord, TextFormOfAFittedRecord)
{
    CalibrationData d;
    d.unit_ = Unit(0, 8, u"mmHg");
    d.coefficients_ = {0, 2};
    d.rawValues_ = {0, 1};
    d.calibratedValues_ = {0, 2};
    EXPECT_EQ(TextOf(d), u"0\t0\tmmHg\t0\t0\t2\t0\t2\t2\t0\t1\t0\t2\t");

    // Points count by the shorter list; a tab in a unit name would split the field.
    d.calibratedValues_ = {5};
    d.unit_.name_ = String(u"a\tb");
    EXPECT_EQ(TextOf(d), u"0\t0\ta b\t0\t0\t2\t0\t2\t1\t0\t5\t");
}

TEST(CalibrationRecord, SaveAndLoadKeepEveryField)
{
    const CalibrationData original = RichRecord();
    MemoryObjectStream stream(Saved(original));
    auto loaded = NewSettings();
    ASSERT_EQ(loaded->Load(stream.In()), S_OK);
    const CalibrationData& d = loaded->Data();

    EXPECT_TRUE(d == original);
    EXPECT_EQ(d.channel_, 4);
    EXPECT_EQ(d.rawValues_, (std::vector<double>{-1.5, 0.25, 1.23456789}));
    EXPECT_EQ(d.coefficients_, (std::vector<double>{0.125, 2, -3.5, 1e-7}));
    EXPECT_EQ(d.paneTop_, 12.345678901);
    EXPECT_EQ(d.unit_.name_, String(u"degrees C"));
    EXPECT_EQ(d.unit_.prefix_, 7);
    EXPECT_EQ(d.unit_.flag_, 1);
    EXPECT_EQ(d.strings_, original.strings_);

    // Every digit travels in the text: a refit after reopening sees the typed points, and the
    // enumerators the fitted coefficients.
    CalibrationData fine;
    fine.chiSquare_ = 1.23456789;
    fine.sse_ = 0.1 + 0.2;
    fine.coefficients_ = {-989999.49535997, 9.87654321e-12};
    fine.rawValues_ = {1000.000001};
    fine.calibratedValues_ = {1.0 / 3};
    MemoryObjectStream s2(Saved(fine));
    ASSERT_EQ(loaded->Load(s2.In()), S_OK);
    EXPECT_EQ(loaded->Data().chiSquare_, fine.chiSquare_);
    EXPECT_EQ(loaded->Data().sse_, fine.sse_);
    EXPECT_EQ(loaded->Data().coefficients_, fine.coefficients_);
    EXPECT_EQ(loaded->Data().rawValues_, fine.rawValues_);
    EXPECT_EQ(loaded->Data().calibratedValues_, fine.calibratedValues_);
}

// The text form's numbers read back bit for bit, whatever the double.
TEST(CalibrationRecord, TextFormNumbersRoundTripBitForBit)
{
    constexpr double kInf = std::numeric_limits<double>::infinity();
    std::mt19937_64 random(20261209);
    std::vector<double> values = {0.0, -0.0, kInf, -kInf, std::numeric_limits<double>::quiet_NaN(),
                                  -std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::denorm_min(),
                                  std::numeric_limits<double>::max(), std::numeric_limits<double>::lowest(),
                                  std::bit_cast<double>(0x7FF8600000000000ULL),   // the logarithm's NaN
                                  std::bit_cast<double>(0xFFF0000000000001ULL)};  // signalling, negative
    for (int i = 0; i < 20000; ++i) values.push_back(std::bit_cast<double>(random()));
    for (int i = 0; i < 2000; ++i) values.push_back(std::ldexp(double(random() >> 11), -53) * 1000);

    CalibrationData d;
    d.coefficients_ = values;
    d.rawValues_ = values;
    d.calibratedValues_ = values;
    d.chiSquare_ = values[7];
    d.sse_ = values[9];
    CalibrationData back;
    ASSERT_EQ(Tessar::ParseSettingsText(TextOf(d), Tessar::SettingsTextScope::Full, back),
              Tessar::SettingsTextStatus::Complete);
    const auto bits = [](const std::vector<double>& v) {
        std::vector<uint64_t> b;
        for (double x : v) b.push_back(std::bit_cast<uint64_t>(x));
        return b;
    };
    EXPECT_EQ(bits(back.coefficients_), bits(values));
    EXPECT_EQ(bits(back.rawValues_), bits(values));
    EXPECT_EQ(bits(back.calibratedValues_), bits(values));
    EXPECT_EQ(std::bit_cast<uint64_t>(back.chiSquare_), std::bit_cast<uint64_t>(values[7]));
    EXPECT_EQ(std::bit_cast<uint64_t>(back.sse_), std::bit_cast<uint64_t>(values[9]));
}

// Numbers that six significant digits hold are written as the default stream format writes
// them, so texts of ordinary records do not change; longer ones take the fewest digits that
// read back, never more than 17.
TEST(CalibrationRecord, TextFormNumbersAreTheStreamsWhereSixDigitsHoldThem)
{
    std::mt19937_64 random(7);
    std::vector<double> ordinary = {2.08, 1e-05, 1000, 1e+06, 0.1, -0.5, 123456, 1.5e-300, 9.99999e+99};
    for (int i = 0; i < 5000; ++i) {
        // six-digit mantissas over a wide range of exponents
        const double mantissa = double(100000 + random() % 900000) / 100000;
        ordinary.push_back(std::stod(std::to_string(mantissa) + "e" + std::to_string(int(random() % 200) - 100)));
    }
    for (double v : ordinary) {
        std::ostringstream stream;
        stream.imbue(std::locale::classic());
        stream << v;
        if (std::stod(stream.str()) != v) continue;  // six digits do not hold it after all
        EXPECT_EQ(Tessar::RoundTripNumberText(v), stream.str()) << v;
    }
    EXPECT_EQ(Tessar::RoundTripNumberText(1.23456789), "1.23456789");
    EXPECT_EQ(Tessar::RoundTripNumberText(0.1 + 0.2), "0.30000000000000004");
    EXPECT_EQ(Tessar::RoundTripNumberText(123456789), "123456789");
    EXPECT_EQ(Tessar::RoundTripNumberText(1234567), "1234567");
    for (int i = 0; i < 5000; ++i) {
        const double v = std::bit_cast<double>(random());
        if (!std::isfinite(v)) continue;
        const std::string text = Tessar::RoundTripNumberText(v);
        // The reference: printf's %g at the fewest digits (six or more) that strtod reads back.
        char reference[40];
        for (int digits = 6; digits <= 17; ++digits) {
            std::snprintf(reference, sizeof reference, "%.*g", digits, v);
            if (std::strtod(reference, nullptr) == v) break;
        }
        EXPECT_EQ(text, reference);
    }
}

TEST(CalibrationRecord, NegativeChannelSurvivesTheUnsignedWrite)
{
    CalibrationData d(-7);
    d.decimalPlaces_ = -2;
    MemoryObjectStream stream(Saved(d));
    EXPECT_EQ(std::get<uint32_t>(stream.Values()[2]), 0xFFFFFFF9u);
    auto loaded = NewSettings();
    ASSERT_EQ(loaded->Load(stream.In()), S_OK);
    EXPECT_EQ(loaded->Data().channel_, -7);
    EXPECT_EQ(loaded->Data().decimalPlaces_, -2);
}

TEST(CalibrationRecord, OlderVersionsTakeTheUnitFromTheText)
{
    struct Case {
        const char* name;
        uint32_t version;
        std::u16string text;
        KVI::UnitInfo expected;
    };
    const Case cases[] = {
        {"v0 named", 0, u"1\t1\tmmHg\t0\t0\t0\t0\t", Unit(0, 8, u"mmHg")},
        {"v1 invalid", 1, u"1\t1\tINVALID_UNIT\t0\t0\t0\t0\t", Unit(0, 1, u"")},
        {"v1 quotes lost", 1, u"1\t1\t\"deg\"C\t0\t0\t0\t0\t", Unit(0, 8, u"degC")},
        {"v1 quoted invalid", 1, u"1\t1\t\"INVALID_UNIT\"\t0\t0\t0\t0\t", Unit(0, 1, u"")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryObjectStream stream(StoredForm(c.version, c.text));
        auto s = NewSettings();
        ASSERT_EQ(s->Load(stream.In()), S_OK);
        EXPECT_EQ(s->Data().fitKind_, 1);
        EXPECT_TRUE(s->Data().forceOrigin_);
        EXPECT_EQ(s->Data().channel_, 7);
        EXPECT_EQ(s->Data().unit_.prefix_, c.expected.prefix_);
        EXPECT_EQ(s->Data().unit_.flag_, c.expected.flag_);
        EXPECT_EQ(s->Data().unit_.name_, c.expected.name_);
        EXPECT_EQ(stream.ReadPosition(), stream.Values().size());
    }
}

TEST(CalibrationRecord, VersionTwoUnitPartOverridesTheText)
{
    // The unit part is read as written: its name keeps quotes that the text would lose.
    MemoryObjectStream stream(StoredForm(2, u"0\t0\tmmHg\t0\t0\t0\t0\t", Unit(1, 10, u"\"in\"")));
    auto s = NewSettings();
    ASSERT_EQ(s->Load(stream.In()), S_OK);
    EXPECT_EQ(s->Data().unit_.name_, String(u"\"in\""));
    EXPECT_EQ(s->Data().unit_.prefix_, 10);
    EXPECT_EQ(s->Data().unit_.flag_, 1);
}

TEST(CalibrationRecord, NewerVersionIsRefusedWithoutReadingFurther)
{
    for (uint32_t version : {4u, 0xFFFFFFFFu}) {
        MemoryObjectStream stream(Saved(CalibrationData()));
        std::get<uint32_t>(stream.Values()[0]) = version;
        auto s = NewSettings(RichRecord());
        EXPECT_EQ(s->Load(stream.In()), static_cast<HRESULT>(0xA0048205u));
        EXPECT_EQ(stream.ReadPosition(), 1u);
        ExpectSameRecord(s->Data(), RichRecord());
    }
}

TEST(CalibrationRecord, EqualityIgnoresFitResultsAndPaneLimits)
{
    using Change = std::function<void(CalibrationData&)>;
    const std::pair<const char*, Change> ignored[] = {
        {"coefficients", [](CalibrationData& d) { d.coefficients_ = {1, 2, 3}; }},
        {"chi-square", [](CalibrationData& d) { d.chiSquare_ = 9; }},
        {"SSE", [](CalibrationData& d) { d.sse_ = 9; }},
        {"pane top", [](CalibrationData& d) { d.paneTop_ = 9; }},
        {"pane bottom", [](CalibrationData& d) { d.paneBottom_ = 9; }},
        {"prefix 1 for 8", [](CalibrationData& d) { d.unit_.prefix_ = 1; }},
    };
    const std::pair<const char*, Change> significant[] = {
        {"calculated view", [](CalibrationData& d) { d.calculatedView_ = false; }},
        {"channel", [](CalibrationData& d) { d.channel_ = 5; }},
        {"decimal places", [](CalibrationData& d) { d.decimalPlaces_ = 2; }},
        {"force origin", [](CalibrationData& d) { d.forceOrigin_ = false; }},
        {"fit kind", [](CalibrationData& d) { d.fitKind_ = 3; }},
        {"raw value", [](CalibrationData& d) { d.rawValues_[1] = 0.5; }},
        {"calibrated value", [](CalibrationData& d) { d.calibratedValues_[0] = 11; }},
        {"point count", [](CalibrationData& d) { d.rawValues_.pop_back(); }},
        {"unit name", [](CalibrationData& d) { d.unit_.name_ = String(u"K"); }},
        {"unit prefix", [](CalibrationData& d) { d.unit_.prefix_ = 9; }},
        {"unit flag", [](CalibrationData& d) { d.unit_.flag_ = 0; }},
        {"unit name emptied", [](CalibrationData& d) { d.unit_.name_ = String(); }},
        {"strings", [](CalibrationData& d) { d.strings_.insert(String(u"more")); }},
    };
    CalibrationData base = RichRecord();
    base.unit_.prefix_ = 8;
    for (const auto& [name, change] : ignored) {
        CalibrationData other = base;
        change(other);
        EXPECT_TRUE(other == base) << name;
    }
    for (const auto& [name, change] : significant) {
        CalibrationData other = base;
        change(other);
        EXPECT_FALSE(other == base) << name;
    }
}

TEST(CalibrationRecord, UnitsWithoutNamesAreEqualWhateverTheirPrefixes)
{
    struct Case {
        KVI::UnitInfo a, b;
        bool equal;
    };
    const Case cases[] = {
        {Unit(0, 1, u""), Unit(1, 7, u""), true},
        {Unit(0, 0, u""), Unit(0, 14, u""), true},
        {Unit(0, 1, u"V"), Unit(0, 8, u"V"), true},
        {Unit(0, 8, u"V"), Unit(0, 1, u"V"), true},
        {Unit(0, 1, u"V"), Unit(0, 7, u"V"), false},
        {Unit(0, 0, u"V"), Unit(0, 1, u"V"), false},
        {Unit(0, 8, u"V"), Unit(1, 8, u"V"), false},
        {Unit(0, 8, u"V"), Unit(0, 8, u"v"), false},
        {Unit(0, 8, u""), Unit(0, 8, u"V"), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Tessar::UnitsEqual(c.a, c.b), c.equal)
            << c.a.prefix_ << c.a.name_.ToUtf8() << " vs " << c.b.prefix_ << c.b.name_.ToUtf8();
    }
}

TEST(CalibrationRecord, CopiesCarryEveryField)
{
    const CalibrationData original = RichRecord();
    CalibrationData copy(original);
    ExpectSameRecord(copy, original);
    CalibrationData assigned;
    assigned = original;
    ExpectSameRecord(assigned, original);
    CalibrationData& alias = assigned;
    assigned = alias;
    ExpectSameRecord(assigned, original);
    EXPECT_EQ(CalibrationData(9).channel_, 9);
    ExpectSameRecord(NewSettings(original)->Data(), original);
}

// --- the text form's parser -------------------------------------------------------------

struct ParseCase {
    const char* name;
    std::u16string text;
    SettingsTextStatus status;
    std::vector<double> coefficients;
    std::vector<double> raw;
    std::vector<double> calibrated;
};

TEST(SettingsText, CountsAreHonouredWhileTheRestOfTheTextCouldHoldThem)
{
    // m coefficients need 2m characters after the count, n points 4n.
    const ParseCase cases[] = {
        {"complete", u"0\t0\tV\t0\t0\t2\t1\t2\t1\t5\t6\t", SettingsTextStatus::Complete, {1, 2}, {5}, {6}},
        {"exactly 2m left", u"0\t0\tV\t0\t0\t2\t1\t2", SettingsTextStatus::Stopped, {1, 2}, {}, {}},
        {"no points, no final tab", u"0\t0\tV\t0\t0\t2\t1\t2\t0", SettingsTextStatus::Complete, {1, 2}, {}, {}},
        {"a value unreadable", u"0\t0\tV\t0\t0\t3\t1.5\tx\t9\t9\t", SettingsTextStatus::Stopped, {1.5, 0, 0}, {}, {}},
        {"points unreadable", u"0\t0\tV\t0\t0\t0\t2\t0\t1\t?\t?\t", SettingsTextStatus::Stopped, {}, {0, 1}, {0, 0}},
        {"count unreadable", u"0\t0\tV\t0\t0\tmany\t1\t", SettingsTextStatus::Stopped, {}, {}, {}},
        {"count not whole", u"0\t0\tV\t0\t0\t2.0\t1\t2\t", SettingsTextStatus::Stopped, {}, {}, {}},
        {"stops before the count", u"0\t0\tV\t0.5", SettingsTextStatus::Stopped, {}, {}, {}},
        {"empty", u"", SettingsTextStatus::Stopped, {}, {}, {}},
        {"3 counted, room for 2", u"0\t0\tV\t0\t0\t3\t1\t2\t", SettingsTextStatus::Rejected, {}, {}, {}},
        {"negative", u"0\t0\tV\t0\t0\t-1\t1\t2\t0\t", SettingsTextStatus::Rejected, {}, {}, {}},
        {"huge", u"0\t0\tV\t0\t0\t2147483647\t1\t", SettingsTextStatus::Rejected, {}, {}, {}},
        {"beyond 32 bits", u"0\t0\tV\t0\t0\t99999999999\t1\t", SettingsTextStatus::Rejected, {}, {}, {}},
        {"points beyond the text", u"0\t0\tV\t0\t0\t0\t2\t0\t1\t0\t", SettingsTextStatus::Rejected, {}, {}, {}},
        {"points negative", u"0\t0\tV\t0\t0\t0\t-3\t", SettingsTextStatus::Rejected, {}, {}, {}},
        {"fit kind 8", u"8\t0\tV\t0\t0\t0\t0\t", SettingsTextStatus::Rejected, {}, {}, {}},
        {"fit kind -1", u"-1\t0\tV\t0\t0\t0\t0\t", SettingsTextStatus::Rejected, {}, {}, {}},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.name);
        CalibrationData d = RichRecord();
        const CalibrationData before = d;
        ASSERT_EQ(ParseSettingsText(c.text, SettingsTextScope::Full, d), c.status);
        if (c.status == SettingsTextStatus::Rejected) {
            ExpectSameRecord(d, before);
            continue;
        }
        EXPECT_EQ(d.coefficients_, c.coefficients);
        EXPECT_EQ(d.rawValues_, c.raw);
        EXPECT_EQ(d.calibratedValues_, c.calibrated);
        // Outside the text form nothing changes.
        EXPECT_EQ(d.channel_, before.channel_);
        EXPECT_EQ(d.strings_, before.strings_);
    }
}

TEST(SettingsText, FieldsNotReachedKeepTheirDefaults)
{
    CalibrationData d = RichRecord();
    ASSERT_EQ(ParseSettingsText(u"3\t1\tPa\t0.5", SettingsTextScope::Full, d), SettingsTextStatus::Stopped);
    EXPECT_EQ(d.fitKind_, 3);
    EXPECT_TRUE(d.forceOrigin_);
    EXPECT_EQ(d.unit_.name_, String(u"Pa"));
    EXPECT_EQ(d.unit_.prefix_, 8);
    EXPECT_EQ(d.chiSquare_, 0.5);
    EXPECT_EQ(d.sse_, 0);
    EXPECT_TRUE(d.coefficients_.empty());

    // A force origin other than 0 or 1 stops the parse there, as the stream's bool read does.
    ASSERT_EQ(ParseSettingsText(u"2\t7\tPa\t1\t1\t0\t0\t", SettingsTextScope::Full, d), SettingsTextStatus::Stopped);
    EXPECT_EQ(d.fitKind_, 2);
    EXPECT_FALSE(d.forceOrigin_);
    EXPECT_TRUE(d.unit_.name_.IsEmpty());
}

TEST(SettingsText, HeadScopeReadsNoPoints)
{
    CalibrationData d = RichRecord();
    const std::u16string text = u"5\t0\tV\t1\t2\t2\t0.5\t4\t1000000\t";  // absurd point count
    ASSERT_EQ(ParseSettingsText(text, SettingsTextScope::Head, d), SettingsTextStatus::Complete);
    EXPECT_EQ(d.fitKind_, 5);
    EXPECT_EQ(d.chiSquare_, 1);
    EXPECT_EQ(d.sse_, 2);
    EXPECT_EQ(d.coefficients_, (std::vector<double>{0.5, 4}));
    EXPECT_EQ(d.rawValues_, RichRecord().rawValues_);
    EXPECT_EQ(ParseSettingsText(text, SettingsTextScope::Full, d), SettingsTextStatus::Rejected);
}

TEST(SettingsText, UnitNameField)
{
    struct Case {
        const char* name;
        std::u16string text;
        std::u16string unit;
        int32_t prefix;
        double chiSquare;
    };
    const std::u16string longName(1023, u'x');
    const Case cases[] = {
        {"with blanks", u"0\t0\tdegrees C\t4\t0\t0\t0\t", u"degrees C", 8, 4},
        {"quotes removed", u"0\t0\t\"a\"b\"\t4\t0\t0\t0\t", u"ab", 8, 4},
        {"invalid", u"0\t0\tINVALID_UNIT\t4\t0\t0\t0\t", u"", 1, 4},
        {"empty field", u"0\t0\t\t4\t0\t0\t0\t", u"", 8, 4},
        {"1023 characters", u"0\t0\t" + longName + u"\t4\t0\t0\t0\t", longName, 8, 4},
        // A longer name is cut; the rest of its field is not taken for the chi-square.
        {"1024 characters", u"0\t0\t" + longName + u"y\t4\t0\t0\t0\t", longName, 8, 4},
        {"2000 characters", u"0\t0\t" + longName + std::u16string(977, u'7') + u"\t4\t0\t0\t0\t", longName, 8, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CalibrationData d;
        ParseSettingsText(c.text, SettingsTextScope::Full, d);
        EXPECT_EQ(d.unit_.name_.View(), c.unit);
        EXPECT_EQ(d.unit_.prefix_, c.prefix);
        EXPECT_EQ(d.chiSquare_, c.chiSquare);
    }
}

TEST(SettingsText, NonFiniteValuesSurviveTheTextForm)
{
    CalibrationData d;
    d.chiSquare_ = std::numeric_limits<double>::infinity();
    d.sse_ = std::numeric_limits<double>::quiet_NaN();
    d.coefficients_ = {-std::numeric_limits<double>::infinity(), 1};
    d.rawValues_ = {1};
    d.calibratedValues_ = {2};
    const String text = Tessar::FormatSettingsText(d);
    EXPECT_EQ(text.View(), u"0\t0\tINVALID_UNIT\tinf\tnan\t2\t-inf\t1\t1\t1\t2\t");
    CalibrationData back;
    ASSERT_EQ(ParseSettingsText(text.View(), SettingsTextScope::Full, back), SettingsTextStatus::Complete);
    EXPECT_EQ(back.chiSquare_, d.chiSquare_);
    EXPECT_TRUE(std::isnan(back.sse_));
    EXPECT_EQ(back.coefficients_, d.coefficients_);
    EXPECT_EQ(back.calibratedValues_, d.calibratedValues_);
}

// A locale whose numbers use a decimal comma and digit grouping.
struct CommaNumbers : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

TEST(SettingsText, TheGlobalLocaleIsNeverUsed)
{
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaNumbers));
    CalibrationData d;
    d.chiSquare_ = 1234.5;
    const String text = Tessar::FormatSettingsText(d);
    CalibrationData back;
    const SettingsTextStatus status = ParseSettingsText(text.View(), SettingsTextScope::Full, back);
    std::locale::global(previous);
    EXPECT_EQ(text.View(), u"0\t0\tINVALID_UNIT\t1234.5\t0\t0\t0\t");
    EXPECT_EQ(status, SettingsTextStatus::Complete);
    EXPECT_EQ(back.chiSquare_, 1234.5);
}

// --- bad input through Load, and failing streams through Save ---------------------------

TEST(CalibrationRecordBadInput, TruncatedStreamLeavesTheRecordAsItWas)
{
    CalibrationData stored = RichRecord();
    stored.unit_ = Unit(0, 9, u"Pa");
    const std::vector<StoredValue> full = Saved(stored);
    const CalibrationData before = CalibrationData(2);
    for (size_t n = 0; n < full.size(); ++n) {
        SCOPED_TRACE(n);
        MemoryObjectStream stream(full);
        stream.Truncate(n);
        auto s = NewSettings(before);
        EXPECT_EQ(s->Load(stream.In()), E_FAIL);
        ExpectSameRecord(s->Data(), before);
    }
    MemoryObjectStream stream(full);
    auto s = NewSettings(before);
    EXPECT_EQ(s->Load(stream.In()), S_OK);
}

TEST(CalibrationRecordBadInput, ValueOfTheWrongKindLeavesTheRecordAsItWas)
{
    const std::vector<StoredValue> full = Saved(RichRecord());
    for (size_t i = 0; i < full.size(); ++i) {
        SCOPED_TRACE(i);
        std::vector<StoredValue> values = full;
        values[i] = std::holds_alternative<std::u16string>(values[i]) ? StoredValue(1.0) : StoredValue(u"x"s);
        MemoryObjectStream stream(values);
        auto s = NewSettings();
        EXPECT_EQ(s->Load(stream.In()), E_FAIL);
        ExpectSameRecord(s->Data(), CalibrationData());
    }
}

TEST(CalibrationRecordBadInput, AbsurdCountsFailWithoutChangingTheRecord)
{
    struct Case {
        const char* name;
        std::vector<StoredValue> values;
    };
    std::vector<StoredValue> manyStrings = StoredForm(2, u"0\t0\tV\t0\t0\t0\t0\t");
    manyStrings[6] = 0xFFFFFFFFu;
    manyStrings.insert(manyStrings.begin() + 7, u"one"s);
    const Case cases[] = {
        {"string count", manyStrings},
        {"coefficients negative", StoredForm(2, u"0\t0\tV\t0\t0\t-5\t0\t")},
        {"coefficients huge", StoredForm(2, u"0\t0\tV\t0\t0\t2147483647\t0\t")},
        {"coefficients past the text", StoredForm(1, u"0\t0\tV\t0\t0\t4\t1\t2\t0\t")},
        {"points huge", StoredForm(2, u"0\t0\tV\t0\t0\t0\t1073741823\t")},
        {"points past the text", StoredForm(0, u"0\t0\tV\t0\t0\t0\t3\t1\t2\t3\t")},
        {"fit kind", StoredForm(2, u"12\t0\tV\t0\t0\t0\t0\t")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryObjectStream stream(c.values);
        auto s = NewSettings(RichRecord());
        EXPECT_EQ(s->Load(stream.In()), E_FAIL);
        ExpectSameRecord(s->Data(), RichRecord());
    }
}

TEST(CalibrationRecordBadInput, TextThatStopsEarlyStillLoads)
{
    MemoryObjectStream stream(StoredForm(2, u"4\t1\tV\t0.5\t0.25\t3\t1\tbad\t", Unit(0, 8, u"V")));
    auto s = NewSettings(RichRecord());
    ASSERT_EQ(s->Load(stream.In()), S_OK);
    EXPECT_EQ(s->Data().fitKind_, 4);
    EXPECT_EQ(s->Data().coefficients_, (std::vector<double>{1, 0, 0}));
    EXPECT_TRUE(s->Data().rawValues_.empty());
    EXPECT_TRUE(s->Data().strings_.empty());  // the loaded record replaces the old one whole
}

TEST(CalibrationRecordBadInput, SaveReportsAFailingStream)
{
    const size_t count = Saved(RichRecord()).size();
    for (size_t n = 0; n < count; ++n) {
        MemoryObjectStream stream;
        stream.FailWritesAfter(n);
        EXPECT_EQ(NewSettings(RichRecord())->Save(stream.Out()), E_FAIL) << n;
    }
    EXPECT_EQ(NewSettings()->Load(nullptr), E_POINTER);
    EXPECT_EQ(NewSettings()->Save(nullptr), E_POINTER);
}

// --- the settings object ----------------------------------------------------------------

TEST(TessarSettingsObject, ReferenceCountsAndInterfaces)
{
    auto* s = new TessarSettings(3);
    EXPECT_EQ(s->AddRef(), 1u);  // the count starts at 0
    void* p = nullptr;
    ASSERT_EQ(s->QueryInterface(IID_IUnknown, &p), S_OK);
    EXPECT_EQ(p, static_cast<IPersistObject*>(s));
    ASSERT_EQ(s->QueryInterface(IID_IPersistObject, &p), S_OK);
    EXPECT_EQ(p, static_cast<IPersistObject*>(s));
    EXPECT_EQ(s->AddRef(), 4u);
    p = &p;
    EXPECT_EQ(s->QueryInterface(IID_IObjectInStream, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(s->QueryInterface(IID_IPersistObject, nullptr), E_POINTER);
    EXPECT_EQ(s->Data().channel_, 3);
    for (uint32_t expected : {3u, 2u, 1u, 0u}) EXPECT_EQ(s->Release(), expected);
}

// A registry that hands out one identifier and counts the requests.
class CountingRegistry final : public IFrameworkRegistry {
public:
    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        if (iid != IID_IUnknown && iid != IID_IFrameworkRegistry) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = this;
        AddRef();
        return S_OK;
    }
    uint32_t AddRef() override { return ++refs; }
    uint32_t Release() override { return --refs; }
    HRESULT GetTypeIdentifier(REFGUID type, uint16_t* out) override
    {
        ++requests;
        if (FAILED(result)) return result;
        if (type != Tessar::TYPE_Tessar) return E_INVALIDARG;
        *out = 0x0123;
        return S_OK;
    }
    uint32_t refs = 0;
    int requests = 0;
    HRESULT result = S_OK;
};

TEST(TessarSettingsObject, TypeIdComesFromTheRegistryOnce)
{
    // The identifier is kept for the life of the process, so the whole story is one test.
    auto s = NewSettings();
    CountingRegistry registry;
    uint32_t cookie = 0;
    ASSERT_EQ(CoRegisterClassObject(CLSID_FrameworkRegistry, &registry, CLSCTX_ALL, REGCLS_MULTIPLEUSE, &cookie), S_OK);
    uint32_t id = 0xDEAD;
    registry.result = E_FAIL;
    EXPECT_EQ(s->GetTypeId(&id), E_FAIL);  // the registry failed: nothing kept
    EXPECT_EQ(id, 0u);

    registry.result = S_OK;
    registry.requests = 0;
    EXPECT_EQ(s->GetTypeId(&id), S_OK);
    EXPECT_EQ(id, 0x01230001u);
    EXPECT_EQ(NewSettings()->GetTypeId(&id), S_OK);
    EXPECT_EQ(TessarSettings::TypeId(&id), S_OK);
    EXPECT_EQ(id, 0x01230001u);
    EXPECT_EQ(registry.requests, 1);
    ASSERT_EQ(CoRevokeClassObject(cookie), S_OK);
    EXPECT_EQ(registry.refs, 0u);

    EXPECT_EQ(s->GetTypeId(&id), S_OK);
    EXPECT_EQ(id, 0x01230001u);
    EXPECT_EQ(s->GetTypeId(nullptr), E_POINTER);
}

}  // namespace
