// The sample enumerator (TessarEnum) driven through ICalcEnum and IEnumFloatEx, over a double of
// the source sample stream; and its aggregation by an outer unknown.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "module/calc_enum_class.h"
#include "calibration/calibration_fit.h"
#include "calibration/settings_text.h"
#include "module/class_object_list.h"
#include "calibration/evaluators.h"
#include "interfaces/channel_calc.h"
#include "platform/com_ptr.h"
#include "tests/support/module_doubles.h"

namespace {

using platform::ComPtr;
using TestSupport::FakeFramework;
using TestSupport::FakeSourceStream;
using TestSupport::RefCountOf;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

ComPtr<ICalcEnum> NewEnumerator(intptr_t creationValue = 0)
{
    ComPtr<ICalcEnum> e;
    EXPECT_EQ(Tessar::TheCalcEnumClass().CreateEnumerator(creationValue, e.Put()), S_OK);
    return e;
}

HRESULT SetText(ICalcEnum* e, const char16_t* text)
{
    uint32_t flags = 0;
    const HRESULT hr = e->SetSettingsText(KVI::String(text).Interface(), &flags);
    EXPECT_EQ(flags, 0x40000000u);
    return hr;
}

// Connects e to a new source over samples; returns the source (the enumerator holds it too).
ComPtr<FakeSourceStream> Connect(ICalcEnum* e, std::vector<float> samples, double value = 0)
{
    auto source = ComPtr<FakeSourceStream>::Adopt(new FakeSourceStream(std::move(samples)));
    IUnknown* sources[] = {source.Get()};
    EXPECT_EQ(e->Connect(1, sources, nullptr, value), S_OK);
    return source;
}

ComPtr<IEnumFloatEx> Stream(ICalcEnum* e)
{
    ComPtr<IEnumFloatEx> s;
    EXPECT_EQ(e->QueryInterface(IID_IEnumFloatEx, s.PutVoid()), S_OK);
    return s;
}

std::vector<float> ReadAll(ICalcEnum* e, uint32_t n, HRESULT expected = S_OK)
{
    std::vector<float> out(n, -12345.0f);
    uint32_t got = 0;
    EXPECT_EQ(Stream(e)->Next(n, out.data(), &got), expected);
    out.resize(got);
    return out;
}

void ExpectSame(float actual, float expected)
{
    if (std::isnan(expected))
        EXPECT_TRUE(std::isnan(actual)) << actual;
    else
        EXPECT_FLOAT_EQ(actual, expected);
}

class Enumerator : public testing::Test {
protected:
    void SetUp() override { FakeFramework::Install(); }
};

TEST_F(Enumerator, PassesSamplesThroughBeforeAnySettings)
{
    const std::vector<float> raw = {0, 1.5f, -2, kNaN, 3e30f};
    ComPtr<ICalcEnum> e = NewEnumerator();
    Connect(e.Get(), raw);
    const std::vector<float> out = ReadAll(e.Get(), 5);
    ASSERT_EQ(out.size(), raw.size());
    for (size_t i = 0; i < raw.size(); ++i) ExpectSame(out[i], raw[i]);
}

struct TextCase {
    const char* name;
    const char16_t* text;
    float raw, calibrated;
};

TEST_F(Enumerator, CalibratesWithTheCoefficientsOfTheText)
{
    const TextCase cases[] = {
        {"linear 0.5 + 2x", u"0\t0\tmmHg\t0\t0\t2\t0.5\t2\t0\t", 1.0f, 2.5f},
        {"exponential 2 e^(1 x)", u"6\t0\tV\t0\t0\t2\t1\t2\t0\t", 0.0f, 2.0f},
        {"exponential never fails", u"6\t0\tV\t0\t0\t2\t1\t2\t0\t", 1000.0f, INFINITY},
        {"logarithmic at 0", u"5\t0\tV\t0\t0\t2\t3\t2\t0\t", 0.0f, kNaN},
        {"logarithmic below 0", u"5\t0\tV\t0\t0\t2\t3\t2\t0\t", -1.0f, kNaN},
        {"logarithmic at 1", u"5\t0\tV\t0\t0\t2\t3\t2\t0\t", 1.0f, 3.0f},
        {"quadratic", u"1\t0\tV\t0\t0\t3\t1\t0\t2\t0\t", 3.0f, 19.0f},
        {"point to point", u"7\t0\tV\t0\t0\t6\t1\t10\t2\t20\t4\t0\t0\t", 3.0f, 10.0f},
        {"point to point extended", u"7\t0\tV\t0\t0\t6\t1\t10\t2\t20\t4\t0\t0\t", 5.0f, -10.0f},
        {"six significant digits", u"0\t0\tV\t0\t0\t2\t0\t1.23457\t0\t", 1.0f, 1.23457f},
        {"no coefficients", u"0\t0\tV\t0\t0\t0\t0\t", 7.0f, 7.0f},
        {"text stops before the coefficients", u"0\t0\tV\t0", 7.0f, 7.0f},
        {"fit kind out of range", u"9\t0\tV\t0\t0\t2\t5\t5\t0\t", 7.0f, 7.0f},
        {"absurd coefficient count", u"0\t0\tV\t0\t0\t99999\t1\t", 7.0f, 7.0f},
        {"empty text", u"", 7.0f, 7.0f},
        {"NaN stays NaN", u"0\t0\tV\t0\t0\t2\t0.5\t2\t0\t", kNaN, kNaN},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.name);
        ComPtr<ICalcEnum> e = NewEnumerator();
        EXPECT_EQ(SetText(e.Get(), c.text), S_OK);
        Connect(e.Get(), {c.raw});
        const std::vector<float> out = ReadAll(e.Get(), 1);
        ASSERT_EQ(out.size(), 1u);
        ExpectSame(out[0], c.calibrated);
    }
}

// Points far from zero: the coefficients cancel to six digits and more, so the enumerator must
// compute with the fitted ones, not a rounded copy.
TEST_F(Enumerator, CalibratesWithTheFittedCoefficientsOfPointsFarFromZero)
{
    const auto curve = [](long double rawMillivolts) {
        const long double t = rawMillivolts - 1000;
        return 0.5L + 0.01L * t * t + 0.001L * t * t * t;
    };
    for (int32_t kind : {2, 4}) {  // cubic, quintic
        Tessar::CalibrationData data;
        data.fitKind_ = kind;
        for (int i = 0; i < 12; ++i) {
            data.rawValues_.push_back((1000 + i) / 1000.0);  // mV in volts, the base unit
            data.calibratedValues_.push_back(double(curve(1000 + i)));
        }
        ASSERT_TRUE(Tessar::FitCalibration(data)) << kind;
        ComPtr<ICalcEnum> e = NewEnumerator();
        ASSERT_EQ(SetText(e.Get(), std::u16string(Tessar::FormatSettingsText(data).View()).c_str()), S_OK);
        std::vector<float> raw;
        for (int i = 0; i <= 110; ++i) raw.push_back(float((1000 + 0.1 * i) / 1000));
        Connect(e.Get(), raw);
        const std::vector<float> out = ReadAll(e.Get(), uint32_t(raw.size()));
        ASSERT_EQ(out.size(), raw.size());
        // What float samples allow: a raw float within 6e-8 V, the curve's slope up to 600 per V.
        for (size_t i = 0; i < raw.size(); ++i)
            EXPECT_NEAR(out[i], double(curve(static_cast<long double>(raw[i]) * 1000)), 1e-4)
                << "kind " << kind << ", raw " << raw[i];
    }
}

// The curve of a record in plain double arithmetic, the reference of the policy tests.
double PlainCurve(const Tessar::CalibrationData& d, double x)
{
    const std::vector<double>& c = d.coefficients_;
    switch (d.fitKind_) {
    case 5: return c[0] + c[1] * double(float(std::log(double(float(x)))));
    case 6: return c[1] * std::exp(c[0] * x);
    case 7: {
        // the points are x0, y0, x1, y1, ...: the segment of x, the end ones extended
        size_t i = 0;
        while (i + 4 < c.size() && x >= c[i + 2]) i += 2;
        return c[i + 1] + (c[i + 3] - c[i + 1]) / (c[i + 2] - c[i]) * (x - c[i]);
    }
    default: {
        double y = 0;
        for (size_t k = c.size(); k-- > 0;) y = y * x + c[k];
        return y;
    }
    }
}

// Each range policy at and beyond both ends of the points, for every fit kind, with and
// without a zero offset.
TEST_F(Enumerator, RangePoliciesAtAndBeyondBothEnds)
{
    for (int32_t kind = 0; kind < 8; ++kind) {
        Tessar::CalibrationData data;
        data.fitKind_ = kind;
        data.rawValues_ = {1, 1.5, 2, 3, 4, 5};
        for (double x : data.rawValues_) data.calibratedValues_.push_back(kind == 6 ? std::exp(0.3 * x) : 2 + x + 0.1 * x * x);
        ASSERT_TRUE(Tessar::FitCalibration(data)) << kind;
        for (int32_t policy = 0; policy < 3; ++policy) {
            for (double offset : {0.0, 0.25}) {
                SCOPED_TRACE("kind " + std::to_string(kind) + ", policy " + std::to_string(policy) + ", offset " +
                             std::to_string(offset));
                Tessar::CalibrationData d = data;
                d.rangePolicy_ = policy;
                d.zeroOffset_ = offset;
                ComPtr<ICalcEnum> e = NewEnumerator();
                ASSERT_EQ(SetText(e.Get(), std::u16string(Tessar::FormatSettingsText(d).View()).c_str()), S_OK);
                const std::vector<float> raw = {0.5f, 1.0f, 3.25f, 5.0f, 7.0f, kNaN};
                Connect(e.Get(), raw);
                const std::vector<float> out = ReadAll(e.Get(), uint32_t(raw.size()));
                ASSERT_EQ(out.size(), raw.size());
                for (size_t i = 0; i < raw.size(); ++i) {
                    const double x = raw[i];
                    const bool outside = x < 1 || x > 5;
                    double expected = PlainCurve(d, policy == 1 ? std::clamp(x, 1.0, 5.0) : x) + offset;
                    if (std::isnan(x) || (policy == 2 && outside)) expected = std::nan("");
                    ExpectSame(out[i], float(expected));
                }
            }
        }
    }
}

TEST_F(Enumerator, LogarithmicNaNKeepsItsBitsThroughFloat)
{
    ComPtr<ICalcEnum> e = NewEnumerator();
    SetText(e.Get(), u"5\t0\tV\t0\t0\t2\t3\t2\t0\t");
    Connect(e.Get(), {0.0f});
    const std::vector<float> out = ReadAll(e.Get(), 1);
    ASSERT_EQ(out.size(), 1u);
    const float expected = static_cast<float>(std::bit_cast<double>(Tessar::kLogarithmicNaNBits));
    EXPECT_EQ(std::bit_cast<uint32_t>(out[0]), std::bit_cast<uint32_t>(expected));
}

TEST_F(Enumerator, AShortReadIsCalibratedAndItsResultPassedOn)
{
    ComPtr<ICalcEnum> e = NewEnumerator();
    SetText(e.Get(), u"0\t0\tV\t0\t0\t2\t1\t10\t0\t");
    ComPtr<FakeSourceStream> source = Connect(e.Get(), {1, 2, 3, 4, 5});
    source->SetLimit(3);
    std::vector<float> buffer(5, -1.0f);
    uint32_t got = 0;
    EXPECT_EQ(Stream(e.Get())->Next(5, buffer.data(), &got), S_FALSE);
    EXPECT_EQ(got, 3u);
    EXPECT_EQ(buffer, (std::vector<float>{11, 21, 31, -1, -1}));

    // The end of the source: nothing, and the source's S_FALSE.
    source->SetLimit(UINT32_MAX);
    EXPECT_EQ(ReadAll(e.Get(), 4, S_FALSE), (std::vector<float>{41, 51}));
    EXPECT_EQ(ReadAll(e.Get(), 4, S_FALSE), std::vector<float>{});
}

TEST_F(Enumerator, ReadsLongBlocksInOnePass)
{
    // Longer than the enumerator's work block, and not a multiple of it.
    std::vector<float> raw(5000);
    for (size_t i = 0; i < raw.size(); ++i) raw[i] = float(i);
    ComPtr<ICalcEnum> e = NewEnumerator();
    SetText(e.Get(), u"0\t0\tV\t0\t0\t2\t-1\t0.5\t0\t");
    Connect(e.Get(), raw);
    const std::vector<float> out = ReadAll(e.Get(), 5000);
    ASSERT_EQ(out.size(), 5000u);
    for (size_t i = 0; i < out.size(); i += 997) EXPECT_FLOAT_EQ(out[i], -1 + 0.5f * float(i));
    EXPECT_FLOAT_EQ(out.back(), -1 + 0.5f * 4999);
}

TEST_F(Enumerator, WithoutASourceThereIsNothingToRead)
{
    ComPtr<ICalcEnum> e = NewEnumerator();
    float buffer[2];
    uint32_t got = 7;
    EXPECT_EQ(Stream(e.Get())->Next(2, buffer, &got), E_FAIL);
    EXPECT_EQ(got, 0u);
    Connect(e.Get(), {1, 2});
    EXPECT_EQ(Stream(e.Get())->Next(2, nullptr, &got), E_POINTER);
    EXPECT_EQ(e->Disconnect(), S_OK);
    EXPECT_EQ(Stream(e.Get())->Next(2, buffer, &got), E_FAIL);
    int64_t position = 0;
    EXPECT_EQ(Stream(e.Get())->GetPosition(&position), E_FAIL);
    EXPECT_EQ(e->Seek(0), E_FAIL);
}

TEST_F(Enumerator, KeepsTheTextAndBuildsItsUnit)
{
    ComPtr<ICalcEnum> e = NewEnumerator();
    const KVI::String text(u"0\t0\tmmHg\t0\t0\t2\t0\t1\t0\t");
    ASSERT_EQ(e->SetSettingsText(text.Interface(), nullptr), S_OK);
    ComPtr<IAutoKVIString> kept;
    ASSERT_EQ(e->GetSettingsText(kept.Put()), S_OK);
    EXPECT_EQ(KVI::String(kept.Get()), text);

    KVI::UnitInfo unit = FakeFramework::Instance().UnitsService().LastUnit();
    EXPECT_EQ(unit.prefix_, 1);
    EXPECT_EQ(unit.flag_, 0);
    EXPECT_EQ(unit.name_, KVI::String(u"mmHg"));

    Connect(e.Get(), {1}, 3.5);
    double value = 0;
    ComPtr<IUnknown> unitObject;
    ASSERT_EQ(e->GetSourceInfo(&value, unitObject.Put()), S_OK);
    EXPECT_EQ(value, 3.5);
    ComPtr<IUnitName> name;
    ASSERT_EQ(unitObject.As(IID_IUnitName, name), S_OK);
    ComPtr<IAutoKVIString> nameText;
    name->GetText(0, nameText.Put());
    EXPECT_EQ(KVI::String(nameText.Get()), KVI::String(u"mmHg"));

    // A text without a unit builds the unit for an empty name.
    SetText(e.Get(), u"0\t0\tINVALID_UNIT\t0\t0\t0\t0\t");
    EXPECT_TRUE(FakeFramework::Instance().UnitsService().LastUnit().name_.IsEmpty());
}

TEST_F(Enumerator, ConnectKeepsTheFirstSourceStream)
{
    ComPtr<ICalcEnum> e = NewEnumerator();
    ComPtr<FakeSourceStream> source = Connect(e.Get(), {1, 2, 3});
    EXPECT_EQ(source->RefCount(), 2);

    // A source that is no sample stream is refused and the old one stays.
    TestSupport::FakeSite notAStream;
    IUnknown* bad[] = {&notAStream};
    EXPECT_EQ(e->Connect(1, bad, nullptr, 0), E_FAIL);
    EXPECT_EQ(e->Connect(1, nullptr, nullptr, 0), E_POINTER);
    EXPECT_EQ(source->RefCount(), 2);
    EXPECT_EQ(notAStream.RefCount(), 1);
    // No sources: only the value changes.
    EXPECT_EQ(e->Connect(0, nullptr, nullptr, 9.0), S_OK);
    EXPECT_EQ(ReadAll(e.Get(), 3), (std::vector<float>{1, 2, 3}));

    EXPECT_EQ(e->Disconnect(), S_OK);
    EXPECT_EQ(source->RefCount(), 1);
}

TEST_F(Enumerator, SeekMovesAStreamOrAsksACalculation)
{
    ComPtr<ICalcEnum> e = NewEnumerator();
    ComPtr<FakeSourceStream> source = Connect(e.Get(), {0, 1, 2, 3, 4, 5, 6, 7});
    ASSERT_EQ(e->Seek(5), S_OK);
    EXPECT_EQ(source->Position(), 5);
    ASSERT_EQ(e->Seek(2), S_OK);
    EXPECT_EQ(source->Position(), 2);

    // An enumerator reading another calibration's output seeks through it.
    ComPtr<ICalcEnum> outer = NewEnumerator();
    SetText(outer.Get(), u"0\t0\tV\t0\t0\t2\t0\t10\t0\t");
    IUnknown* sources[] = {e.Get()};
    ASSERT_EQ(outer->Connect(1, sources, nullptr, 0), S_OK);
    ASSERT_EQ(outer->Seek(6), S_OK);
    EXPECT_EQ(source->Position(), 6);
    EXPECT_EQ(ReadAll(outer.Get(), 2), (std::vector<float>{60, 70}));
}

TEST_F(Enumerator, CloneCopiesTheCalibrationAndClonesTheSource)
{
    ComPtr<ICalcEnum> e = NewEnumerator(0x1234);
    SetText(e.Get(), u"0\t0\tV\t0\t0\t2\t1\t10\t0\t");
    ComPtr<FakeSourceStream> source = Connect(e.Get(), {1, 2, 3, 4}, 2.5);
    EXPECT_EQ(ReadAll(e.Get(), 1), (std::vector<float>{11}));

    ComPtr<ICalcEnum> copy;
    ASSERT_EQ(e->Clone(copy.Put()), S_OK);
    EXPECT_EQ(RefCountOf(copy.Get()), 1u);
    ComPtr<IEnumFloatEx> streamCopy;
    ASSERT_EQ(Stream(e.Get())->Clone(streamCopy.Put()), S_OK);
    EXPECT_EQ(source->RefCount(), 2);  // the copies read their own clones

    // Same position, same calibration, independent reading.
    EXPECT_EQ(ReadAll(copy.Get(), 2), (std::vector<float>{21, 31}));
    EXPECT_EQ(ReadAll(e.Get(), 3), (std::vector<float>{21, 31, 41}));
    float one = 0;
    uint32_t got = 0;
    ASSERT_EQ(streamCopy->Next(1, &one, &got), S_OK);
    EXPECT_EQ(one, 21);

    // The text is shared, not copied.
    ComPtr<IAutoKVIString> a, b;
    e->GetSettingsText(a.Put());
    copy->GetSettingsText(b.Put());
    EXPECT_EQ(a.Get(), b.Get());
    double value = 0;
    ComPtr<IUnknown> unit;
    copy->GetSourceInfo(&value, unit.Put());
    EXPECT_EQ(value, 2.5);

    // A source that cannot be cloned: no copy.
    source->SetCloneResult(E_OUTOFMEMORY);
    ComPtr<ICalcEnum> none;
    EXPECT_EQ(e->Clone(none.Put()), E_OUTOFMEMORY);
    EXPECT_FALSE(none);
    EXPECT_EQ(e->Clone(nullptr), E_POINTER);
}

TEST_F(Enumerator, AnswersItsOtherSlots)
{
    ComPtr<ICalcEnum> e = NewEnumerator();
    uint32_t id = 0, classId = 0;
    ASSERT_EQ(e->GetTypeId(&id), S_OK);
    ASSERT_EQ(Tessar::TheCalcEnumClass().GetTypeId(&classId), S_OK);
    EXPECT_EQ(id, classId);
    ComPtr<ICalcEnumClass2> cls;
    ASSERT_EQ(e->GetClassObject(cls.Put()), S_OK);
    EXPECT_EQ(cls.Get(), static_cast<ICalcEnumClass2*>(&Tessar::TheCalcEnumClass()));

    uint32_t value = 7;
    EXPECT_EQ(e->GetFlags(1, &value), S_OK);
    EXPECT_EQ(value, 0x40000000u);
    EXPECT_EQ(e->GetFlags(0, &value), S_OK);
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(e->Reserved12(), S_OK);
    EXPECT_EQ(e->Reserved13(), S_OK);
    value = 7;
    EXPECT_EQ(e->Reserved15(&value), S_OK);
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(e->Reserved16(&value), S_OK);
    EXPECT_EQ(value, 0x801B0001u);
    EXPECT_EQ(e->Reserved17(), E_FAIL);

    ComPtr<FakeSourceStream> source = Connect(e.Get(), {1, 2, 3, 4});
    EXPECT_EQ(e->Reserved17(), S_OK);
    EXPECT_EQ(Stream(e.Get())->Reserved7(), S_OK);
    EXPECT_EQ(source->Reserved7Calls(), 2);
    EXPECT_EQ(Stream(e.Get())->Skip(3), S_OK);
    int64_t position = 0;
    EXPECT_EQ(Stream(e.Get())->GetPosition(&position), S_OK);
    EXPECT_EQ(position, 3);
    EXPECT_EQ(Stream(e.Get())->Reset(), S_OK);
    EXPECT_EQ(source->Position(), 0);
    EXPECT_EQ(Stream(e.Get())->Reserved6(), E_NOTIMPL);  // the source's answer
}

TEST_F(Enumerator, QueryInterfaceAndCounts)
{
    ComPtr<ICalcEnum> e = NewEnumerator();
    EXPECT_EQ(RefCountOf(e.Get()), 1u);
    ComPtr<IUnknown> unknown;
    ComPtr<IEnumFloatEx> stream;
    ASSERT_EQ(e.As(IID_IUnknown, unknown), S_OK);
    ASSERT_EQ(e.As(IID_IEnumFloatEx, stream), S_OK);
    EXPECT_EQ(unknown.Get(), static_cast<IUnknown*>(e.Get()));
    ComPtr<IUnknown> fromStream;
    ASSERT_EQ(stream.As(IID_IUnknown, fromStream), S_OK);
    EXPECT_EQ(fromStream.Get(), unknown.Get());
    EXPECT_EQ(RefCountOf(e.Get()), 4u);

    ComPtr<IUnknown> none;
    EXPECT_EQ(e.As(IID_IChannelCalc, none), E_NOINTERFACE);
    EXPECT_FALSE(none);
    EXPECT_EQ(e->QueryInterface(IID_ICalcEnum, nullptr), E_POINTER);
}

// An object that aggregates an enumerator: it answers IUnknown itself and passes the
// enumerator's interfaces to the inner unknown; it records the other IIDs it is asked for.
class Outer final : public IUnknown {
public:
    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        if (iid == IID_IUnknown) {
            *out = this;
            AddRef();
            return S_OK;
        }
        if (iid == IID_ICalcEnum || iid == IID_IEnumFloatEx) return inner->QueryInterface(iid, out);
        ++foreignQueries;
        *out = nullptr;
        return E_NOINTERFACE;
    }
    uint32_t AddRef() override { return uint32_t(++refs); }
    uint32_t Release() override { return uint32_t(--refs); }

    IUnknown* inner = nullptr;
    int32_t refs = 1;
    int32_t foreignQueries = 0;
};

TEST_F(Enumerator, AggregatedItSpeaksForTheOuterObject)
{
    Outer outer;
    ASSERT_EQ(Tessar::TheCalcEnumClass().CreateAggregatedEnumerator(&outer, 0, &outer.inner), S_OK);
    ASSERT_NE(outer.inner, nullptr);
    EXPECT_EQ(outer.refs, 1);  // the outer object is not referenced

    // The inner unknown answers IUnknown with itself.
    ComPtr<IUnknown> inner;
    ASSERT_EQ(outer.inner->QueryInterface(IID_IUnknown, inner.PutVoid()), S_OK);
    EXPECT_EQ(inner.Get(), outer.inner);
    EXPECT_EQ(RefCountOf(outer.inner), 2u);
    inner.Reset();

    // Its interfaces count on the outer object and ask it for everything.
    ICalcEnum* e = nullptr;
    ASSERT_EQ(outer.inner->QueryInterface(IID_ICalcEnum, reinterpret_cast<void**>(&e)), S_OK);
    EXPECT_EQ(outer.refs, 2);
    EXPECT_EQ(RefCountOf(outer.inner), 1u);
    ComPtr<IUnknown> identity;
    ASSERT_EQ(e->QueryInterface(IID_IUnknown, identity.PutVoid()), S_OK);
    EXPECT_EQ(identity.Get(), static_cast<IUnknown*>(&outer));
    identity.Reset();
    ComPtr<IUnknown> none;
    EXPECT_EQ(e->QueryInterface(IID_IUnitName, none.PutVoid()), E_NOINTERFACE);
    EXPECT_EQ(outer.foreignQueries, 1);
    ComPtr<IEnumFloatEx> stream;
    ASSERT_EQ(e->QueryInterface(IID_IEnumFloatEx, stream.PutVoid()), S_OK);
    EXPECT_EQ(outer.refs, 3);

    // It still calibrates.
    SetText(e, u"0\t0\tV\t0\t0\t2\t1\t2\t0\t");
    ComPtr<FakeSourceStream> source = Connect(e, {1, 2});
    EXPECT_EQ(ReadAll(e, 2), (std::vector<float>{3, 5}));

    // A clone of an aggregated enumerator is a plain one.
    ComPtr<ICalcEnum> copy;
    ASSERT_EQ(e->Clone(copy.Put()), S_OK);
    const int32_t before = outer.refs;
    ComPtr<IUnknown> copyIdentity;
    ASSERT_EQ(copy.As(IID_IUnknown, copyIdentity), S_OK);
    EXPECT_EQ(copyIdentity.Get(), static_cast<IUnknown*>(copy.Get()));
    EXPECT_EQ(outer.refs, before);

    stream.Reset();
    e->Release();
    EXPECT_EQ(outer.refs, 1);
    // The last release of the inner unknown ends the enumerator (and its source reference).
    EXPECT_EQ(source->RefCount(), 2);
    EXPECT_EQ(outer.inner->Release(), 0u);
    EXPECT_EQ(source->RefCount(), 1);
}

TEST_F(Enumerator, AggregationWithoutAnOuterObjectGivesAPlainEnumerator)
{
    ComPtr<IUnknown> plain;
    ASSERT_EQ(Tessar::TheCalcEnumClass().CreateAggregatedEnumerator(nullptr, 0, plain.Put()), S_OK);
    ComPtr<ICalcEnum> e;
    ASSERT_EQ(plain.As(IID_ICalcEnum, e), S_OK);
    EXPECT_EQ(static_cast<IUnknown*>(e.Get()), plain.Get());
    EXPECT_EQ(RefCountOf(plain.Get()), 2u);
    EXPECT_EQ(Tessar::TheCalcEnumClass().CreateAggregatedEnumerator(nullptr, 0, nullptr), E_POINTER);
}

}  // namespace
