// Calibration dates and the calibration file: a whole record through JSON and back, exactly,
// and the refusals of files that are not calibration files of this version.
#include <gtest/gtest.h>

#include <bit>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "calibration/calibration_dates.h"
#include "calibration/calibration_file.h"

namespace {

using KVI::String;
using Tessar::CalibrationData;

TEST(CalibrationDates, IsoDatesReadAndWrite)
{
    EXPECT_EQ(Tessar::ParseIsoDate("1970-01-01"), 0);
    EXPECT_EQ(Tessar::ParseIsoDate("1970-01-02"), 1);
    EXPECT_EQ(Tessar::ParseIsoDate(" 2000-03-01 "), 11017);
    EXPECT_EQ(Tessar::ParseIsoDate("1969-12-31"), -1);
    EXPECT_EQ(Tessar::ParseIsoDate("2024-02-29"), 19782);  // a leap day
    for (const char* bad : {"", "2026-02-29", "2026-13-01", "2026-00-10", "2026-1-1", "26-01-01", "2026/01/01",
                            "2026-01-01x", "+026-01-01", "2026-01-3a"})
        EXPECT_FALSE(Tessar::ParseIsoDate(bad)) << bad;
    for (int64_t day : {-719162LL, -1LL, 0LL, 19782LL, 2932896LL})  // 0001-01-01 to 9999-12-31
        EXPECT_EQ(Tessar::ParseIsoDate(Tessar::FormatIsoDate(day)), day) << day;
    EXPECT_EQ(Tessar::FormatIsoDate(20795), "2026-12-08");
    EXPECT_TRUE(Tessar::ParseIsoDate(Tessar::FormatIsoDate(Tessar::Today())));
}

TEST(CalibrationDates, TheDueDateBeforeTheValidityAndExpiryAfterIt)
{
    CalibrationData d;
    EXPECT_FALSE(Tessar::DueDay(d));
    EXPECT_FALSE(Tessar::IsExpired(d, 1000000));
    d.calibrationDate_ = String(u"2026-12-08");
    d.validityDays_ = 30;
    EXPECT_EQ(Tessar::DueDay(d), 20795 + 30);
    EXPECT_FALSE(Tessar::IsExpired(d, 20795 + 30)) << "valid on its due day";
    EXPECT_TRUE(Tessar::IsExpired(d, 20795 + 31));
    d.dueDate_ = String(u"2026-12-10");  // a due date says more than a validity
    EXPECT_EQ(Tessar::DueDay(d), 20797);
    d.dueDate_ = String(u"not a date");
    EXPECT_FALSE(Tessar::DueDay(d));
}

CalibrationData KeptRecord()
{
    CalibrationData d(2);
    d.fitKind_ = 2;
    d.rawValues_ = {0.1, 0.2, 0.3, 0.30000000000000004, 1e-300};
    d.calibratedValues_ = {1.0 / 3, 2, -0.0, 4, 5e300};
    d.coefficients_ = {-989999.49535997, 2980.0000000388, -2.99, 0.001};
    d.chiSquare_ = 2.78e-18;
    d.sse_ = 3.5e-18;
    d.unit_.prefix_ = 9;
    d.unit_.name_ = String(u"Pa");
    d.decimalPlaces_ = 4;
    d.rangePolicy_ = 2;
    d.zeroOffset_ = -0.0625;
    d.weights_ = 1;
    d.calibrationDate_ = String(u"2026-12-08");
    d.dueDate_ = String(u"2027-12-08");
    d.validityDays_ = 365;
    d.certificate_ = String(u"Cert \u00b5-17 \"quoted\"");
    d.operator_ = String(u"Operator");
    d.note_ = String(u"line one\nline two\ttabbed");
    d.provenance_.resize(5);
    d.provenance_[1] = Tessar::PointProvenance{true, 0.2, 0.001, 9000000000LL, 1, 5, 9000000005LL};
    d.calculatedView_ = true;
    d.paneTop_ = 12.5;
    d.paneBottom_ = -2.5;
    d.strings_ = {String(u"a"), String(u"b")};
    return d;
}

std::vector<uint64_t> Bits(const std::vector<double>& v)
{
    std::vector<uint64_t> b;
    for (double x : v) b.push_back(std::bit_cast<uint64_t>(x));
    return b;
}

// A fitted line of version 2 content only.
CalibrationData PlainRecord()
{
    CalibrationData d;
    d.rawValues_ = {0, 1};
    d.calibratedValues_ = {0, 2};
    d.coefficients_ = {0, 2};
    return d;
}

TEST(CalibrationFile, ARecordComesBackExactly)
{
    for (const CalibrationData& record : {KeptRecord(), PlainRecord()}) {
        const std::string text = Tessar::WriteCalibrationFile(record);
        CalibrationData back;
        ASSERT_EQ(Tessar::ReadCalibrationFile(text, back), "") << text;
        EXPECT_TRUE(back == record);
        EXPECT_EQ(Bits(back.coefficients_), Bits(record.coefficients_));
        EXPECT_EQ(Bits(back.rawValues_), Bits(record.rawValues_));
        EXPECT_EQ(Bits(back.calibratedValues_), Bits(record.calibratedValues_));
        EXPECT_EQ(back.chiSquare_, record.chiSquare_);
        EXPECT_EQ(back.sse_, record.sse_);
        EXPECT_EQ(back.paneTop_, record.paneTop_);
        EXPECT_EQ(back.decimalPlaces_, record.decimalPlaces_);
        EXPECT_EQ(back.unit_.prefix_, record.unit_.prefix_);
        EXPECT_EQ(Tessar::WriteCalibrationFile(back), text) << "written the same again";
    }
    const auto json = nlohmann::json::parse(Tessar::WriteCalibrationFile(KeptRecord()));
    EXPECT_EQ(json["format"], "tessar-calibration");
    EXPECT_EQ(json["version"], 1);
    EXPECT_EQ(json["fitName"], "cubic");
    EXPECT_EQ(json["rangePolicy"], "blank");
    EXPECT_EQ(json["weights"], "inverse-variance");
    EXPECT_FALSE(json["points"][0].contains("provenance")) << "a typed point has none";
    EXPECT_EQ(json["points"][1]["provenance"]["count"], 9000000000LL);
}

TEST(CalibrationFile, WhatIsNotACalibrationFileOfThisVersionIsRefusedAndChangesNothing)
{
    const auto good = nlohmann::ordered_json::parse(Tessar::WriteCalibrationFile(KeptRecord()));
    struct Case {
        const char* name;
        std::string text;
        std::string message;  // part of the refusal
    };
    const auto with = [&](const char* key, nlohmann::ordered_json value) {
        auto j = good;
        j[key] = std::move(value);
        return j.dump();
    };
    const auto without = [&](const char* key) {
        auto j = good;
        j.erase(key);
        return j.dump();
    };
    std::string deep(100000, '[');
    const std::vector<Case> cases = {
        {"not JSON", "{\"format\": ", "not JSON"},
        {"empty", "", "not JSON"},
        {"another JSON file", "{\"name\": 1}", "not a calibration file"},
        {"a newer version", with("version", 2), "version 2, newer than this program reads (version 1)"},
        {"no version", without("version"), "\"version\" is missing"},
        {"no points", without("points"), "\"points\" is missing"},
        {"an unknown fit kind", with("fitKind", 8), "\"fitKind\" is out of its range"},
        {"a fit kind as text", with("fitKind", "cubic"), "\"fitKind\" is not a whole number"},
        {"an unknown policy", with("rangePolicy", "wrap"), "\"rangePolicy\" names nothing known"},
        {"an unknown weighting", with("weights", "equal"), "\"weights\" names nothing known"},
        {"too few coefficients", with("coefficients", nlohmann::json::array({1, 2})), "2 coefficients where its kind has 4"},
        {"a coefficient not a number", with("coefficients", nlohmann::json::array({1, 2, "3", 4})), "a coefficient is not a number"},
        {"a date that does not read", with("calibrationDate", "08.12.2026"), "no date YYYY-MM-DD"},
        {"decimal places out of range", with("decimalPlaces", 9), "\"decimalPlaces\" is out of its range"},
        {"nested deeply", deep, "nested too deeply"},
        {"too large", std::string(5u << 20, ' '), "larger than a calibration file can be"},
    };
    for (const Case& c : cases) {
        CalibrationData d(7);
        const std::string error = Tessar::ReadCalibrationFile(c.text, d);
        EXPECT_NE(error.find(c.message), std::string::npos) << c.name << ": " << error;
        EXPECT_TRUE(d == CalibrationData(7)) << c.name;
    }
}

}  // namespace
