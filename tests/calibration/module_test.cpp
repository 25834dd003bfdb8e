// The calculation (TessarExt) driven through its interfaces, with doubles of its site, host
// application, base object and the framework; and the data format it computes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "module/calc_class.h"
#include "module/calc_enum_class.h"
#include "module/class_object_list.h"
#include "calibration/class_records.h"
#include "calibration/data_format.h"
#include "module/settings_class.h"
#include "calibration/settings_text.h"
#include "calibration/tessar_ext.h"
#include "values/units/unit_entry.h"
#include "platform/com_ptr.h"
#include "tests/support/module_doubles.h"

namespace {

using platform::ComPtr;
using Tessar::CalibrationData;
using Tessar::TessarExt;
using Tessar::TessarSettings;
using TestSupport::FakeFramework;
using TestSupport::FakeSite;
using TestSupport::Journal;
using TestSupport::RefCountOf;
using Strings = std::vector<std::string>;

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int32_t kChannel = 2;
constexpr int32_t kSecond = 7;

KVI::UnitInfo Unit(int32_t flag, int32_t prefix, const char16_t* name)
{
    KVI::UnitInfo u;
    u.flag_ = flag;
    u.prefix_ = prefix;
    u.name_ = KVI::String(name);
    return u;
}

// A settings object of the module, made by its settings class, holding data.
ComPtr<IPersistObject> NewSettings(const CalibrationData& data)
{
    ComPtr<IPersistObject> s;
    EXPECT_EQ(Tessar::TheSettingsClass().CreateSettings(nullptr, IID_IPersistObject, s.PutVoid()), S_OK);
    Tessar::SettingsOf(s.Get())->Data() = data;
    return s;
}

CalibrationData FittedRecord(int32_t channel)
{
    CalibrationData d(channel);
    d.calculatedView_ = true;
    d.decimalPlaces_ = 4;
    d.rawValues_ = {0, 1};
    d.calibratedValues_ = {0, 100};
    d.coefficients_ = {0, 100};
    d.unit_ = Unit(1, 9, u"Pa");
    d.paneTop_ = 10;
    d.paneBottom_ = -10;
    return d;
}

class Calculation : public testing::Test {
protected:
    void SetUp() override
    {
        FakeFramework::Install();
        FakeFramework::Instance().SetFailBaseCreation(false);
        FakeFramework::Instance().SetHideClassObjects(false);
        FakeFramework::Instance().UnitList().Clear();
        // The enumerator class is found through the registry, as the host registers it.
        FakeFramework::Instance().ClearRegistered();
        Tessar::RegisterClassObjects();
        ASSERT_EQ(Tessar::TheCalcClass().CreateCalculation(kChannel, kSecond, &site_, created_.Put()), S_OK);
        ASSERT_TRUE(created_);
        ASSERT_EQ(created_.As(IID_IChannelCalc, calc_), S_OK);
        base_ = FakeFramework::Instance().LastBase();
        Journal().Take();
    }
    void TearDown() override
    {
        calc_.Reset();
        created_.Reset();
        // The calculation has gone: it holds nothing of its site any more.
        EXPECT_EQ(site_.RefCount(), 1);
        EXPECT_EQ(site_.host.RefCount(), 1);
        FakeFramework::Instance().ClearRegistered();
        Journal().Take();
    }

    FakeSite site_;
    ComPtr<IUnknown> created_;
    ComPtr<IChannelCalc> calc_;
    TestSupport::FakeBaseObject* base_ = nullptr;
};

TEST_F(Calculation, IsBuiltAroundAnAggregatedBaseObject)
{
    ASSERT_NE(base_, nullptr);
    // What CreateCalculation handed out is the base object's facet, counting on the calculation.
    EXPECT_EQ(created_.Get(), static_cast<IUnknown*>(&base_->calculation));
    EXPECT_EQ(RefCountOf(calc_.Get()), 2u);  // created_ and calc_
    EXPECT_EQ(base_->InnerRefCount(), 1);    // the calculation's only
    EXPECT_EQ(site_.RefCount(), 2);
    EXPECT_EQ(site_.host.RefCount(), 2);

    ComPtr<IUnknown> unknown1, unknown2;
    ASSERT_EQ(created_.As(IID_IUnknown, unknown1), S_OK);
    ASSERT_EQ(calc_.As(IID_IUnknown, unknown2), S_OK);
    EXPECT_EQ(unknown1.Get(), unknown2.Get());
    EXPECT_EQ(unknown1.Get(), static_cast<IUnknown*>(calc_.Get()));

    ComPtr<IUnknown> base;
    EXPECT_EQ(calc_.As(IID_ICalcBase, base), S_OK);  // passed to the base object
    EXPECT_EQ(RefCountOf(calc_.Get()), 5u);
    base.Reset();
    unknown1.Reset();
    unknown2.Reset();
    EXPECT_EQ(RefCountOf(calc_.Get()), 2u);

    ComPtr<IUnknown> none;
    EXPECT_EQ(calc_.As(IID_IUnitName, none), E_NOINTERFACE);
    EXPECT_FALSE(none);
    EXPECT_EQ(calc_->QueryInterface(IID_IChannelCalc, nullptr), E_POINTER);
}

TEST_F(Calculation, WithoutABaseObjectTheHostGetsNoCalculation)
{
    FakeFramework::Instance().SetFailBaseCreation(true);
    FakeSite other;
    ComPtr<IUnknown> out;
    EXPECT_EQ(Tessar::TheCalcClass().CreateCalculation(0, 0, &other, out.Put()), E_NOINTERFACE);
    EXPECT_FALSE(out);
    EXPECT_EQ(other.RefCount(), 1);  // the calculation was destroyed again

    EXPECT_EQ(Tessar::TheCalcClass().CreateCalculation(0, 0, nullptr, out.Put()), E_FAIL);
    EXPECT_FALSE(out);
    EXPECT_EQ(Tessar::TheCalcClass().CreateCalculation(0, 0, &other, nullptr), E_POINTER);
}

TEST_F(Calculation, GetDataFormatBuildsTheUnitsOnceAndTellsTheHost)
{
    ComPtr<IUnitName> units, again;
    CalcFormatRecord record{{9, 9, 9, 9}, 9.0};
    int32_t result = 9;
    ASSERT_EQ(calc_->GetDataFormat(11, 0, 0, units.Put(), &record, 13, &result), S_OK);
    ASSERT_TRUE(units);
    EXPECT_EQ(record.values[0], 1);
    EXPECT_EQ(record.values[1], 0);
    EXPECT_EQ(record.values[2], 1);
    EXPECT_EQ(record.values[3], 0);
    EXPECT_EQ(record.value, 0.0);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(site_.host.lastZero, 0);
    EXPECT_EQ(site_.host.lastFirst, 11);
    EXPECT_EQ(site_.host.lastSixth, 13);

    // The format of a new calculation, and the unit name of its new settings (none).
    EXPECT_EQ(site_.lastFormat.scale, 1.0);
    EXPECT_EQ(site_.lastFormat.offset, 0.0);
    EXPECT_EQ(site_.lastFormat.upperLimit, kInf);
    EXPECT_EQ(site_.lastFormat.lowerLimit, -kInf);
    EXPECT_EQ(site_.lastFormat.decimalPlaces, 2);
    EXPECT_EQ(site_.lastFormat.prefix, 1);
    EXPECT_EQ(site_.lastFormat.unitFlag, 0);
    EXPECT_TRUE(site_.lastUnitName.IsEmpty());

    ASSERT_EQ(calc_->GetDataFormat(1, 0, 0, again.Put(), &record, 2, &result), S_OK);
    EXPECT_EQ(again.Get(), units.Get());
    EXPECT_EQ(RefCountOf(units.Get()), 3u);  // the calculation's and ours
    EXPECT_EQ(Journal().Take(),
              (Strings{"site.CreateUnits", "host.DataFormatRequested", "host.DataFormatRequested"}));

    EXPECT_EQ(calc_->GetDataFormat(1, 0, 0, nullptr, &record, 2, &result), E_POINTER);
}

TEST_F(Calculation, GetDataFormatPassesOnTheSitesFailure)
{
    site_.unitsResult = E_OUTOFMEMORY;
    IUnitName* units = reinterpret_cast<IUnitName*>(0x1);
    CalcFormatRecord record;
    int32_t result = 0;
    EXPECT_EQ(calc_->GetDataFormat(0, 0, 0, &units, &record, 0, &result), E_OUTOFMEMORY);
    EXPECT_EQ(units, nullptr);
    EXPECT_EQ(Journal().Count("host.DataFormatRequested"), 0u);
}

TEST_F(Calculation, ApplyingNothingNewChangesNothing)
{
    // No IPersistObject at all.
    EXPECT_EQ(calc_->ApplySettings(&site_, 1), S_FALSE);
    EXPECT_EQ(calc_->ApplySettings(nullptr, 1), S_FALSE);
    // Settings equal to the current ones (a new calculation's: defaults for its channel), even
    // with other coefficients and pane limits, which take no part in equality.
    CalibrationData same(kChannel);
    same.coefficients_ = {1, 2};
    same.paneTop_ = 5;
    ComPtr<IPersistObject> equal = NewSettings(same);
    EXPECT_EQ(calc_->ApplySettings(equal.Get(), 1), S_FALSE);
    EXPECT_TRUE(Journal().Take().empty());
    EXPECT_EQ(RefCountOf(equal.Get()), 1u);  // not kept

    // Another kind of persistent object is no settings object.
    ComPtr<KVI::UnitEntry> foreign(new KVI::UnitEntry);
    EXPECT_EQ(calc_->ApplySettings(static_cast<IPersistObject*>(foreign.Get()), 1), E_INVALIDARG);
    EXPECT_TRUE(Journal().Take().empty());
}

TEST_F(Calculation, ApplySettingsTellsTheHostEverythingInOrder)
{
    site_.notifyResult = 2;  // whatever the site answers is the result
    ComPtr<IPersistObject> settings = NewSettings(FittedRecord(kChannel));
    ASSERT_EQ(calc_->ApplySettings(settings.Get(), 0x10001), 2);
    EXPECT_EQ(Journal().Take(), (Strings{"base.GetDescription", "base.AttachEnumerator", "units.CreateUnit",
                                         "unitList.Add", "base.SetSources", "base.SetSettingsText",
                                         "site.SettingsChanged"}));

    // The enumerator came from the registered enumerator class, for this calculation.
    ASSERT_NE(base_->attachedEnumerator, nullptr);
    EXPECT_EQ(base_->attachedClass, static_cast<ICalculationClass*>(&Tessar::TheCalcClass()));
    EXPECT_EQ(base_->attachedChannel, kChannel);
    EXPECT_EQ(base_->attachedSecond, kSecond);
    EXPECT_EQ(base_->attachedSite, static_cast<IUnknown*>(&site_));
    ComPtr<ICalcEnumClass2> enumClass;
    ASSERT_EQ(base_->attachedEnumerator->GetClassObject(enumClass.Put()), S_OK);
    EXPECT_EQ(enumClass.Get(), static_cast<ICalcEnumClass2*>(&Tessar::TheCalcEnumClass()));

    // The source: its own channel, and the doubles of the data format (kilo: divisor 1e-3).
    const double scale = 20.0 / 64000 / 1e-3;
    const double offset = 32000 + 64000 * -10.0 / 20.0;
    EXPECT_EQ(base_->sourceCount, 1);
    EXPECT_EQ(base_->source.channel, kChannel);
    EXPECT_EQ(base_->source.flags, 0x80005001u);
    EXPECT_EQ(base_->source.third, 0x80000000u);
    EXPECT_DOUBLE_EQ(base_->sourceA, 1 / scale);
    EXPECT_DOUBLE_EQ(base_->sourceB, -offset * scale);
    EXPECT_EQ(base_->settingsText, Tessar::FormatSettingsText(FittedRecord(kChannel)));

    EXPECT_EQ(site_.lastChannel, kChannel);
    EXPECT_EQ(site_.lastSecond, kSecond);
    EXPECT_EQ(site_.lastFlags, 0x40000000u);
    EXPECT_TRUE(site_.notifyHadBase);

    // The units object came from the units service and went into the unit list.
    const KVI::UnitInfo unit = FakeFramework::Instance().UnitsService().LastUnit();
    EXPECT_EQ(unit.prefix_, 9);
    EXPECT_EQ(unit.flag_, 1);
    EXPECT_EQ(unit.name_, KVI::String(u"Pa"));
    ASSERT_EQ(FakeFramework::Instance().UnitList().Units().size(), 1u);
    ComPtr<IUnitName> units;
    CalcFormatRecord record;
    int32_t result = 0;
    ASSERT_EQ(calc_->GetDataFormat(0, 0, 0, units.Put(), &record, 0, &result), S_OK);
    int32_t prefix = 0;
    units->GetPrefix(&prefix);
    EXPECT_EQ(prefix, 9);
    EXPECT_EQ(Journal().Count("site.CreateUnits"), 0u);

    // The object itself is kept, and the old settings are gone.
    ComPtr<IPersistObject> current;
    ASSERT_EQ(calc_->GetSettings(current.Put()), S_OK);
    EXPECT_EQ(current.Get(), settings.Get());
    EXPECT_EQ(RefCountOf(settings.Get()), 3u);  // ours twice, the calculation's
    // Applying it again changes nothing.
    Journal().Take();
    EXPECT_EQ(calc_->ApplySettings(settings.Get(), 1), S_FALSE);
    EXPECT_TRUE(Journal().Take().empty());
}

TEST_F(Calculation, ApplySettingsWithoutEnumeratorFlagsOrClassAttachesNothing)
{
    CalibrationData other = FittedRecord(5);  // another channel's samples
    ComPtr<IPersistObject> settings = NewSettings(other);
    ASSERT_EQ(calc_->ApplySettings(settings.Get(), 0xFFFF0000u), S_OK);
    EXPECT_EQ(base_->attachedEnumerator, nullptr);
    EXPECT_EQ(base_->source.channel, 5);
    EXPECT_EQ(base_->source.flags, 0xC0005000u);

    FakeFramework::Instance().SetHideClassObjects(true);
    other.fitKind_ = 1;
    ComPtr<IPersistObject> next = NewSettings(other);
    ASSERT_EQ(calc_->ApplySettings(next.Get(), 1), S_OK);
    EXPECT_EQ(base_->attachedEnumerator, nullptr);
    EXPECT_EQ(Journal().Count("site.SettingsChanged"), 2u);
}

TEST_F(Calculation, SetSettingsKeepsACopy)
{
    ComPtr<IPersistObject> given = NewSettings(FittedRecord(4));
    ASSERT_EQ(calc_->SetSettings(0, given.Get()), S_OK);
    EXPECT_EQ(RefCountOf(given.Get()), 1u);
    ComPtr<IPersistObject> current;
    ASSERT_EQ(calc_->GetSettings(current.Put()), S_OK);
    EXPECT_NE(current.Get(), given.Get());
    EXPECT_TRUE(Tessar::SettingsOf(current.Get())->Data() == FittedRecord(4));
    Tessar::SettingsOf(given.Get())->Data().fitKind_ = 3;
    EXPECT_EQ(Tessar::SettingsOf(current.Get())->Data().fitKind_, 0);
    EXPECT_TRUE(Journal().Take().empty());  // nothing reaches the host

    ComPtr<KVI::UnitEntry> foreign(new KVI::UnitEntry);
    EXPECT_EQ(calc_->SetSettings(0, static_cast<IPersistObject*>(foreign.Get())), E_INVALIDARG);
    EXPECT_EQ(calc_->SetSettings(0, nullptr), E_POINTER);
}

TEST_F(Calculation, FlagsAndUnusedSlots)
{
    uint32_t flags = 0;
    EXPECT_EQ(calc_->GetCalcFlags(&flags), S_OK);
    EXPECT_EQ(flags, 0x10000000u);
    EXPECT_EQ(calc_->GetCalcFlags(nullptr), E_POINTER);
    IUnknown* out = reinterpret_cast<IUnknown*>(0x1);
    EXPECT_EQ(calc_->Reserved8(&out), E_NOTIMPL);
    EXPECT_EQ(out, nullptr);
    out = reinterpret_cast<IUnknown*>(0x1);
    EXPECT_EQ(calc_->Reserved9(&out), E_NOTIMPL);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(calc_->Reserved10(), S_OK);

    // A new calculation's settings are the defaults for its channel.
    ComPtr<IPersistObject> current;
    ASSERT_EQ(calc_->GetSettings(current.Put()), S_OK);
    EXPECT_TRUE(Tessar::SettingsOf(current.Get())->Data() == CalibrationData(kChannel));
    EXPECT_EQ(RefCountOf(current.Get()), 2u);
}

struct FormatCase {
    const char* name;
    double top, bottom;
    int32_t prefix, flag;
    double scale, offset;
    int16_t unitFlag;
};

TEST(DataFormat, FromUnitAndPaneLimits)
{
    constexpr double big = Tessar::kLargestFloat;
    const FormatCase cases[] = {
        {"no prefix", 10, -10, 1, 0, 20.0 / 64000, 32000 - 32000, 0},
        {"plain prefix 8", 64000, 0, 8, 1, 1.0, 32000, -1},
        {"atto", 64, 0, 2, 0, 64.0 / 64000 / 1e18, 32000, 0},
        {"milli", 6.4, 0, 7, 2, 6.4f / 64000.0 / 1e3, 32000, 0},
        {"kilo", 6400, 3200, 9, 3, 3200.0 / 64000 / 1e-3, 32000 + 64000.0, -1},
        {"exa", 64, 0, 14, 0, 64.0 / 64000 / 1e-18, 32000, 0},
        {"index 0 divides by 1", 64, 0, 0, 0, 64.0 / 64000, 32000, 0},
        {"index outside the table", 64, 0, 99, 0, 64.0 / 64000, 32000, 0},
        {"limits clamped to 1e20", 1e30, -1e30, 8, 0, (1e20f + 1e20f) / 64000.0, 0, 0},
        {"infinite top", INFINITY, 0, 8, 0, 1e20f / 64000.0, 32000, 0},
        {"NaN top", kNaN, 0, 8, 0, big / 64000, 32000, 0},
        {"NaN bottom", 1, kNaN, 8, 0, big / 64000, 32000, 0},
        {"equal limits", 0, 0, 8, 0, big / 64000, 32000, 0},
        {"top below bottom", -10, 10, 8, 0, -20.0 / 64000, 32000 + 64000 * 10.0 / -20.0, 0},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.name);
        CalibrationData d;
        d.paneTop_ = c.top;
        d.paneBottom_ = c.bottom;
        d.unit_ = Unit(c.flag, c.prefix, u"V");
        d.decimalPlaces_ = 5;
        const Tessar::DataFormat f = Tessar::ComputeDataFormat(d);
        EXPECT_DOUBLE_EQ(f.format.scale, c.scale);
        EXPECT_DOUBLE_EQ(f.format.offset, c.offset);
        EXPECT_DOUBLE_EQ(f.sourceGain, 1 / c.scale);
        EXPECT_DOUBLE_EQ(f.sourceOffset, -c.offset * c.scale);
        EXPECT_TRUE(std::isfinite(f.sourceGain) && std::isfinite(f.sourceOffset));
        EXPECT_EQ(f.format.upperLimit, kInf);
        EXPECT_EQ(f.format.lowerLimit, -kInf);
        EXPECT_EQ(f.format.decimalPlaces, 5);
        EXPECT_EQ(f.format.prefix, c.prefix);
        EXPECT_EQ(f.format.unitFlag, c.unitFlag);
    }
}

}  // namespace
