// The details block's lines on what a laboratory keeps with a calibration, character for
// character: one line per item the record uses, none for a record that uses none.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calibration/calibration_data.h"
#include "report/record_text.h"

namespace {

using Tessar::CalibrationData;

// 2026-12-09 as days since 1970-01-01: 56 years of 365 days, 14 leap days (1972 .. 2024), and
// the 342 days of 2026 before December 9th (Jan..Nov: 31+28+31+30+31+30+31+31+30+31+30 = 334,
// plus 8).
constexpr int64_t kToday = 56 * 365 + 14 + 334 + 8;

std::vector<std::u16string> Lines(const CalibrationData& d, int64_t today = kToday)
{
    std::vector<std::u16string> out;
    for (const KVI::String& s : Tessar::RecordLines(d, today)) out.emplace_back(s.View());
    return out;
}

CalibrationData InMillibar()
{
    CalibrationData d(0);
    d.unit_ = KVI::UnitInfo{0, 7, KVI::String(u"bar")};  // prefix 7: milli
    return d;
}

TEST(RecordText, ARecordThatKeepsNothingHasNoLine)
{
    CalibrationData d = InMillibar();
    // Provenance and a validity without a calibration date say nothing here.
    d.provenance_.resize(2);
    d.validityDays_ = 30;
    EXPECT_TRUE(Lines(d).empty());
}

TEST(RecordText, EachItemItsOwnLine)
{
    struct Case {
        const char* name;
        void (*set)(CalibrationData&);
        std::u16string line;
    } const cases[] = {
        {"clamp", [](CalibrationData& d) { d.rangePolicy_ = 1; }, u"Outside the points: clamped to the end values"},
        {"blank", [](CalibrationData& d) { d.rangePolicy_ = 2; }, u"Outside the points: blank"},
        {"zero offset in the display unit", [](CalibrationData& d) { d.zeroOffset_ = -0.0125; }, u"Zero offset: -12.5 mbar"},
        {"weights", [](CalibrationData& d) { d.weights_ = 1; }, u"Weights: 1/SD\u00B2"},
        {"certificate", [](CalibrationData& d) { d.certificate_ = KVI::String(u"C-2026/117"); }, u"Certificate: C-2026/117"},
        {"operator", [](CalibrationData& d) { d.operator_ = KVI::String(u"A. Grey"); }, u"Operator: A. Grey"},
        {"note on one line", [](CalibrationData& d) { d.note_ = KVI::String(u"new sensor\nsecond run"); },
         u"Note: new sensor second run"},
    };
    for (const Case& c : cases) {
        CalibrationData d = InMillibar();
        c.set(d);
        EXPECT_EQ(Lines(d), std::vector<std::u16string>{c.line}) << c.name;
    }
}

TEST(RecordText, DatesAndExpiry)
{
    struct Case {
        const char* name;
        const char16_t* calibrated;
        const char16_t* due;
        int32_t validity;
        std::vector<std::u16string> lines;
    } const cases[] = {
        {"dated only", u"2026-11-02", u"", 0, {u"Calibrated: 2026-11-02"}},
        // 2026-11-02 + 30 days: November has 30, so 2026-12-02, a week before today.
        {"validity run out", u"2026-11-02", u"", 30, {u"Calibrated: 2026-11-02", u"Due: 2026-12-02 (expired)"}},
        {"due today is not expired", u"2026-11-02", u"2026-12-09", 0, {u"Calibrated: 2026-11-02", u"Due: 2026-12-09"}},
        {"due yesterday", u"2026-11-02", u"2026-12-08", 0, {u"Calibrated: 2026-11-02", u"Due: 2026-12-08 (expired)"}},
        {"a due date wins over the validity", u"2026-11-02", u"2027-11-02", 30,
         {u"Calibrated: 2026-11-02", u"Due: 2027-11-02"}},
        {"due date without a calibration date", u"", u"2027-01-31", 0, {u"Due: 2027-01-31"}},
    };
    for (const Case& c : cases) {
        CalibrationData d = InMillibar();
        d.calibrationDate_ = KVI::String(c.calibrated);
        d.dueDate_ = KVI::String(c.due);
        d.validityDays_ = c.validity;
        EXPECT_EQ(Lines(d), c.lines) << c.name;
    }
}

TEST(RecordText, ItemsComeInTheirOrder)
{
    CalibrationData d = InMillibar();
    d.note_ = KVI::String(u"n");
    d.operator_ = KVI::String(u"o");
    d.certificate_ = KVI::String(u"c");
    d.calibrationDate_ = KVI::String(u"2026-01-01");
    d.weights_ = 1;
    d.zeroOffset_ = 0.001;
    d.rangePolicy_ = 2;
    EXPECT_EQ(Lines(d), (std::vector<std::u16string>{u"Outside the points: blank", u"Zero offset: 1 mbar",
                                                     u"Weights: 1/SD\u00B2", u"Calibrated: 2026-01-01",
                                                     u"Certificate: c", u"Operator: o", u"Note: n"}));
}

}  // namespace
