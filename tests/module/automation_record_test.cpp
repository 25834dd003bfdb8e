// The automation interface's slots about what a laboratory keeps with a calibration: the date a
// fit is accepted, the calibration file through the module, the calibration's range and due
// day, and changes to the kept fields.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "calibration/calibration_dates.h"
#include "calibration/tessar_ext.h"
#include "module/calc_class.h"
#include "platform/com_ptr.h"
#include "tests/host/temp_dir.h"
#include "tests/support/module_doubles.h"

namespace {

using platform::ComPtr;
using Tessar::CalibrationData;

class AutomationRecord : public testing::Test {
protected:
    void SetUp() override
    {
        TestSupport::FakeFramework::Install();
        ASSERT_EQ(Tessar::TheCalcClass().QueryInterface(IID_ITessarAutomation, automation_.PutVoid()), S_OK);
    }

    // Fits points given as "raw=cal" numbers, with standard deviations of the raw values.
    ComPtr<IPersistObject> Fit(const std::vector<std::pair<double, double>>& points, int32_t kind = 0,
                               std::vector<double> sds = {})
    {
        std::vector<KVI::String> raw, cal;
        for (auto [x, y] : points) {
            raw.push_back(KVI::String::FromUtf8(std::to_string(x)));
            cal.push_back(KVI::String::FromUtf8(std::to_string(y)));
        }
        std::vector<IAutoKVIString*> r, c;
        for (size_t i = 0; i < raw.size(); ++i) {
            r.push_back(raw[i].Interface());
            c.push_back(cal[i].Interface());
        }
        ComPtr<IPersistObject> settings;
        ComPtr<IAutoKVIString> message;
        EXPECT_EQ(automation_->FitPointsEx(int32_t(r.size()), r.data(), c.data(), sds.empty() ? nullptr : sds.data(),
                                           KVI::String(u"V").Interface(), KVI::String(u"kPa").Interface(), kind, 0, 1,
                                           0, settings.Put(), message.Put()),
                  S_OK)
            << KVI::String(message.Get()).ToUtf8();
        return settings;
    }

    static const CalibrationData& DataOf(IPersistObject* s) { return Tessar::SettingsOf(s)->Data(); }

    ComPtr<IPersistObject> Change(IPersistObject* settings, const TessarRecordChanges& changes, std::string* why = nullptr)
    {
        ComPtr<IPersistObject> copy;
        ComPtr<IAutoKVIString> message;
        const HRESULT hr = automation_->WithRecordChanges(settings, &changes, copy.Put(), message.Put());
        if (why) *why = KVI::String(message.Get()).ToUtf8();
        EXPECT_EQ(SUCCEEDED(hr), bool(copy));
        return copy;
    }

    ComPtr<ITessarAutomation> automation_;
    ZorTest::TempDir dir_;
};

TEST_F(AutomationRecord, AFitOfTheCommandLineKeepsNothingUntilAskedTo)
{
    // A plain fit stays a record of version 2 content: documents written from it are as before.
    const ComPtr<IPersistObject> s = Fit({{0, 0}, {1, 100}});
    EXPECT_FALSE(DataOf(s.Get()).UsesKeepingFields());
    TessarRecordChanges changes;
    changes.fields = kTessarSetCalibrationDate | kTessarSetOperator;
    const KVI::String today = KVI::String::FromUtf8(Tessar::FormatIsoDate(Tessar::Today()));
    const KVI::String who(u"A. Operator");
    changes.calibrationDate = today.Interface();
    changes.operatorName = who.Interface();
    const ComPtr<IPersistObject> dated = Change(s.Get(), changes);
    ComPtr<IAutoKVIString> text;
    ASSERT_EQ(automation_->GetFitText(dated.Get(), kTessarCalibrationDate, text.Put()), S_OK);
    EXPECT_EQ(KVI::String(text.Get()), today);
    ASSERT_EQ(automation_->GetFitText(dated.Get(), kTessarOperator, text.Put()), S_OK);
    EXPECT_EQ(KVI::String(text.Get()), who);
    EXPECT_EQ(DataOf(dated.Get()).coefficients_, DataOf(s.Get()).coefficients_) << "nothing refitted";
}

TEST_F(AutomationRecord, TheCalibrationFileAppliesTheRecordExactly)
{
    const ComPtr<IPersistObject> fitted = Fit({{1000.0, 0.5}, {1000.5, 0.52}, {1001, 0.56}, {1002, 0.7}}, 2);
    TessarRecordChanges changes;
    changes.fields = kTessarSetRangePolicy | kTessarSetCertificate | kTessarSetValidityDays;
    changes.rangePolicy = 1;
    changes.validityDays = 90;
    const KVI::String certificate(u"Cert 17/26");
    changes.certificate = certificate.Interface();
    const ComPtr<IPersistObject> kept = Change(fitted.Get(), changes);
    ASSERT_TRUE(kept);

    const KVI::String path = KVI::String::FromUtf8(dir_.File("transducer.json"));
    ComPtr<IAutoKVIString> message;
    ASSERT_EQ(automation_->SaveCalibrationFile(kept.Get(), path.Interface(), message.Put()), S_OK);
    ComPtr<IPersistObject> loaded;
    ASSERT_EQ(automation_->LoadCalibrationFile(path.Interface(), 4, loaded.Put(), message.Put()), S_OK);
    const CalibrationData& a = DataOf(kept.Get());
    const CalibrationData& b = DataOf(loaded.Get());
    EXPECT_EQ(b.channel_, 4) << "the channel it is applied to";
    CalibrationData same = b;
    same.channel_ = a.channel_;
    EXPECT_TRUE(same == a);
    ASSERT_EQ(b.coefficients_.size(), a.coefficients_.size());
    for (size_t k = 0; k < a.coefficients_.size(); ++k)
        EXPECT_EQ(std::bit_cast<uint64_t>(b.coefficients_[k]), std::bit_cast<uint64_t>(a.coefficients_[k])) << k;

    // A file of a newer version, and one that is not there, are refused with the reason.
    std::ofstream(dir_.File("newer.json")) << R"({"format": "tessar-calibration", "version": 7})";
    const KVI::String newer = KVI::String::FromUtf8(dir_.File("newer.json"));
    EXPECT_EQ(automation_->LoadCalibrationFile(newer.Interface(), -1, loaded.Put(), message.Put()), KVI_E_MESSAGE);
    EXPECT_FALSE(loaded);
    EXPECT_NE(KVI::String(message.Get()).ToUtf8().find("version 7, newer than this program reads"), std::string::npos);
    const KVI::String missing = KVI::String::FromUtf8(dir_.File("missing.json"));
    EXPECT_EQ(automation_->LoadCalibrationFile(missing.Interface(), -1, loaded.Put(), message.Put()), KVI_E_MESSAGE);
    EXPECT_NE(KVI::String(message.Get()).ToUtf8().find("No such file or directory"), std::string::npos);
    // A file that cannot be written says why and leaves nothing behind.
    const KVI::String nowhere = KVI::String::FromUtf8(dir_.File("no/such/folder.json"));
    EXPECT_EQ(automation_->SaveCalibrationFile(kept.Get(), nowhere.Interface(), message.Put()), KVI_E_MESSAGE);
    EXPECT_NE(KVI::String(message.Get()).ToUtf8().find("No such file or directory"), std::string::npos);
}

TEST_F(AutomationRecord, InfoGivesTheRangeAndTheDueDay)
{
    const ComPtr<IPersistObject> s = Fit({{0.5, 10}, {2.5, 50}, {1.5, 30}});
    TessarCalibrationInfo info;
    ASSERT_EQ(automation_->GetCalibrationInfo(s.Get(), &info), S_OK);
    EXPECT_EQ(info.rawLow, 0.5);
    EXPECT_EQ(info.rawHigh, 2.5);
    EXPECT_EQ(info.hasDueDay, 0);

    TessarRecordChanges changes;
    changes.fields = kTessarSetCalibrationDate | kTessarSetValidityDays;
    const KVI::String made(u"2020-01-01");
    changes.calibrationDate = made.Interface();
    changes.validityDays = 366;
    const ComPtr<IPersistObject> old = Change(s.Get(), changes);
    ASSERT_EQ(automation_->GetCalibrationInfo(old.Get(), &info), S_OK);
    EXPECT_EQ(info.hasDueDay, 1);
    EXPECT_EQ(Tessar::FormatIsoDate(info.dueDay), "2021-01-01");
    EXPECT_EQ(info.expired, 1);
    ComPtr<IAutoKVIString> due;
    ASSERT_EQ(automation_->GetFitText(old.Get(), kTessarDueDate, due.Put()), S_OK);
    EXPECT_EQ(KVI::String(due.Get()), KVI::String(u"2021-01-01"));

    TessarCalibrationInfo small;
    small.size = 8;
    small.rawLow = -1;
    ASSERT_EQ(automation_->GetCalibrationInfo(old.Get(), &small), S_OK);
    EXPECT_EQ(small.rawLow, -1) << "nothing past the caller's size";
}

TEST_F(AutomationRecord, ChangesAreCheckedAndWeightsRefit)
{
    const ComPtr<IPersistObject> s = Fit({{1, 2.1}, {2, 3.9}, {3, 6.2}, {4, 7.8}}, 0, {0.01, 0.1, 0.01, 0.1});
    EXPECT_EQ(DataOf(s.Get()).provenance_.size(), 4u);
    EXPECT_DOUBLE_EQ(DataOf(s.Get()).provenance_[1].sd, 0.1);

    TessarRecordChanges weights;
    weights.fields = kTessarSetWeights;
    weights.weights = 1;
    const ComPtr<IPersistObject> weighted = Change(s.Get(), weights);
    ASSERT_TRUE(weighted);
    EXPECT_NE(DataOf(weighted.Get()).coefficients_, DataOf(s.Get()).coefficients_) << "refitted";
    // The weighted line follows the points with the small SDs, (1, 2.1) and (3, 6.2) kPa:
    // about 2.05 kPa per volt, in pascals.
    EXPECT_NEAR(DataOf(weighted.Get()).coefficients_[1], 2050, 20);

    std::string why;
    TessarRecordChanges badDate;
    badDate.fields = kTessarSetDueDate;
    const KVI::String text(u"31.12.2026");
    badDate.dueDate = text.Interface();
    EXPECT_FALSE(Change(s.Get(), badDate, &why));
    EXPECT_NE(why.find("\"31.12.2026\" is no date YYYY-MM-DD"), std::string::npos) << why;

    ComPtr<IPersistObject> copy;
    ComPtr<IAutoKVIString> message;
    TessarRecordChanges unknown;
    unknown.fields = 1 << 20;
    EXPECT_EQ(automation_->WithRecordChanges(s.Get(), &unknown, copy.Put(), message.Put()), E_INVALIDARG);
    TessarRecordChanges policy;
    policy.fields = kTessarSetRangePolicy;
    policy.rangePolicy = 3;
    EXPECT_EQ(automation_->WithRecordChanges(s.Get(), &policy, copy.Put(), message.Put()), E_INVALIDARG);
}

}  // namespace
