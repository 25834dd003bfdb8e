// What a laboratory keeps with a calibration: the stored form version 3 beside version 2, the
// text form's policy and offset, and the refusals of corrupt version 3 fields.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "calibration/calibration_data.h"
#include "calibration/settings_text.h"
#include "calibration/tessar_settings.h"
#include "platform/com_ptr.h"
#include "tests/support/memory_object_stream.h"

namespace {

using KVI::String;
using platform::ComPtr;
using Tessar::CalibrationData;
using Tessar::PointProvenance;
using Tessar::TessarSettings;
using TestSupport::MemoryObjectStream;
using TestSupport::StoredValue;

ComPtr<TessarSettings> NewSettings(const CalibrationData& data = CalibrationData())
{
    return ComPtr<TessarSettings>(new TessarSettings(data));
}

std::vector<StoredValue> Saved(const CalibrationData& d)
{
    MemoryObjectStream out;
    EXPECT_EQ(NewSettings(d)->Save(out.Out()), S_OK);
    return out.Values();
}

// A fitted record of version 2 content only.
CalibrationData PlainRecord()
{
    CalibrationData d(1);
    d.fitKind_ = 0;
    d.rawValues_ = {0.5, 1.5, 2.5};
    d.calibratedValues_ = {10, 30, 50};
    d.coefficients_ = {0, 20};
    d.unit_.prefix_ = 9;
    d.unit_.name_ = String(u"Pa");
    d.strings_ = {String(u"kept")};
    return d;
}

// The same with every field a laboratory keeps set.
CalibrationData KeptRecord()
{
    CalibrationData d = PlainRecord();
    d.rangePolicy_ = int32_t(Tessar::RangePolicy::Clamp);
    d.zeroOffset_ = -0.125;
    d.weights_ = int32_t(Tessar::PointWeights::InverseVariance);
    d.calibrationDate_ = String(u"2026-12-08");
    d.dueDate_ = String(u"2027-06-08");
    d.validityDays_ = 182;
    d.certificate_ = String(u"Cert 4711/26, \u00e9talon B");
    d.operator_ = String(u"A. Operator");
    d.note_ = String(u"after repair\nline two");
    d.provenance_ = {PointProvenance{true, 0.5, 0.002, 480, 0, 100, 580}, PointProvenance{},
                     PointProvenance{true, 2.5, 0.0031, 5000000000LL, 3, 4294967296LL, 9000000000LL}};
    return d;
}

TEST(RecordKeeping, ARecordThatKeepsNothingIsStoredAsVersionTwoUnchanged)
{
    const CalibrationData plain = PlainRecord();
    EXPECT_FALSE(plain.UsesKeepingFields());
    const std::vector<StoredValue> stored = Saved(plain);
    // version 2 and exactly its values: header (7), one string, the text, the unit part (3)
    ASSERT_EQ(stored.size(), 7u + 1u + 1u + 3u);
    EXPECT_EQ(std::get<uint32_t>(stored[0]), 2u);
    EXPECT_EQ(std::get<std::u16string>(stored[8]), u"0\t0\tPa\t0\t0\t2\t0\t20\t3\t0.5\t1.5\t2.5\t10\t30\t50\t");
    // and it loads back equal
    MemoryObjectStream in(stored);
    auto loaded = NewSettings();
    ASSERT_EQ(loaded->Load(in.In()), S_OK);
    EXPECT_TRUE(loaded->Data() == plain);
}

TEST(RecordKeeping, VersionThreeKeepsEveryFieldThroughSaveAndLoad)
{
    const CalibrationData kept = KeptRecord();
    EXPECT_TRUE(kept.UsesKeepingFields());
    const std::vector<StoredValue> stored = Saved(kept);
    EXPECT_EQ(std::get<uint32_t>(stored[0]), 3u);
    // The version 2 values come first, in their order: the same as the plain record's but
    // for the version word and the text's trailing policy and offset.
    const std::vector<StoredValue> plain = Saved(PlainRecord());
    for (size_t i = 1; i < plain.size(); ++i)
        if (i != 8) {
            EXPECT_EQ(stored[i], plain[i]) << i;
        }
    EXPECT_EQ(std::get<std::u16string>(stored[8]), std::get<std::u16string>(plain[8]) + u"1\t-0.125\t");

    MemoryObjectStream in(stored);
    auto loaded = NewSettings();
    ASSERT_EQ(loaded->Load(in.In()), S_OK);
    const CalibrationData& d = loaded->Data();
    EXPECT_TRUE(d == kept);
    EXPECT_EQ(d.provenance_, kept.provenance_);
    EXPECT_EQ(d.note_, kept.note_);
    EXPECT_EQ(d.zeroOffset_, -0.125);
    EXPECT_EQ(in.ReadPosition(), stored.size());
}

TEST(RecordKeeping, EachKeptFieldAloneMakesVersionThreeAndTakesPartInEquality)
{
    const std::vector<void (*)(CalibrationData&)> changes = {
        [](CalibrationData& d) { d.rangePolicy_ = 2; },
        [](CalibrationData& d) { d.zeroOffset_ = -0.0; },  // a negative zero is a value too
        [](CalibrationData& d) { d.weights_ = 1; },
        [](CalibrationData& d) { d.calibrationDate_ = String(u"2026-01-01"); },
        [](CalibrationData& d) { d.dueDate_ = String(u"2027-01-01"); },
        [](CalibrationData& d) { d.validityDays_ = 30; },
        [](CalibrationData& d) { d.certificate_ = String(u"C"); },
        [](CalibrationData& d) { d.operator_ = String(u"O"); },
        [](CalibrationData& d) { d.note_ = String(u"N"); },
        [](CalibrationData& d) { d.provenance_.resize(3); },
    };
    for (size_t i = 0; i < changes.size(); ++i) {
        CalibrationData d = PlainRecord();
        changes[i](d);
        EXPECT_TRUE(d.UsesKeepingFields()) << i;
        EXPECT_EQ(std::get<uint32_t>(Saved(d)[0]), 3u) << i;
        if (i != 1) {
            EXPECT_FALSE(d == PlainRecord()) << i;  // -0.0 == 0.0
        }
        MemoryObjectStream in(Saved(d));
        auto loaded = NewSettings();
        ASSERT_EQ(loaded->Load(in.In()), S_OK) << i;
        EXPECT_TRUE(loaded->Data() == d) << i;
        EXPECT_EQ(std::signbit(loaded->Data().zeroOffset_), std::signbit(d.zeroOffset_)) << i;
    }
}

TEST(RecordKeeping, CorruptVersionThreeFieldsAndTruncationLeaveTheRecordAsItWas)
{
    const std::vector<StoredValue> stored = Saved(KeptRecord());
    const size_t keeping = Saved(PlainRecord()).size();  // where the version 3 fields start
    struct Case {
        const char* name;
        size_t index;
        StoredValue value;
    };
    const std::vector<Case> cases = {
        {"no such policy", keeping, StoredValue(3u)},
        {"no such weighting", keeping + 2, StoredValue(7u)},
        {"negative validity", keeping + 5, StoredValue(0xFFFFFFFFu)},
        {"provenance of another count", keeping + 9, StoredValue(2u)},
        {"absurd provenance count", keeping + 9, StoredValue(0xFFFFFFF0u)},
        {"a string where a number belongs", keeping + 1, StoredValue(std::u16string(u"x"))},
    };
    const CalibrationData before(5);
    for (const Case& c : cases) {
        std::vector<StoredValue> bad = stored;
        bad[c.index] = c.value;
        MemoryObjectStream in(bad);
        auto s = NewSettings(before);
        EXPECT_EQ(s->Load(in.In()), E_FAIL) << c.name;
        EXPECT_TRUE(s->Data() == before) << c.name;
    }
    for (size_t n = keeping; n < stored.size(); ++n) {
        MemoryObjectStream in(stored);
        in.Truncate(n);
        auto s = NewSettings(before);
        EXPECT_EQ(s->Load(in.In()), E_FAIL) << n;
        EXPECT_TRUE(s->Data() == before) << n;
    }
}

TEST(RecordKeeping, TheTextFormCarriesPolicyAndOffsetForTheEnumerators)
{
    CalibrationData d = PlainRecord();
    d.rangePolicy_ = 2;
    d.zeroOffset_ = 1.5;
    const std::u16string text(Tessar::FormatSettingsText(d).View());
    EXPECT_TRUE(text.ends_with(u"10\t30\t50\t2\t1.5\t"));

    CalibrationData back;
    ASSERT_EQ(Tessar::ParseSettingsText(text, Tessar::SettingsTextScope::Full, back), Tessar::SettingsTextStatus::Complete);
    EXPECT_EQ(back.rangePolicy_, 2);
    EXPECT_EQ(back.zeroOffset_, 1.5);
    // A reader of the points only (the head scope) is not disturbed by them.
    CalibrationData head;
    EXPECT_EQ(Tessar::ParseSettingsText(text, Tessar::SettingsTextScope::Head, head), Tessar::SettingsTextStatus::Complete);
    EXPECT_EQ(head.coefficients_, d.coefficients_);
    // A policy that does not exist is a corrupt text.
    std::u16string bad = text;
    bad.replace(bad.size() - 6, 1, u"9");
    EXPECT_EQ(Tessar::ParseSettingsText(bad, Tessar::SettingsTextScope::Full, back), Tessar::SettingsTextStatus::Rejected);
}

}  // namespace
