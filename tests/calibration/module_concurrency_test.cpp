// Threads meeting in the module: enumerators of one calculation reading on different threads,
// and the first type-identifier requests arriving from several threads at once. Run under
// ThreadSanitizer (label "concurrency").
#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <cmath>
#include <thread>
#include <vector>

#include "module/calc_class.h"
#include "module/calc_enum_class.h"
#include "module/class_object_list.h"
#include "module/settings_class.h"
#include "calibration/tessar_ext.h"
#include "calibration/tessar_settings.h"
#include "platform/com_ptr.h"
#include "tests/support/module_doubles.h"

namespace {

using platform::ComPtr;
using TestSupport::FakeFramework;

constexpr int kThreads = 6;

// Must run first in this program: the type identifiers are asked for once per process.
TEST(ModuleThreads, FirstTypeIdentifierRequestsFromSeveralThreads)
{
    FakeFramework::Install();
    std::vector<ComPtr<ICalcEnum>> enumerators(kThreads);
    for (auto& e : enumerators) ASSERT_EQ(Tessar::TheCalcEnumClass().CreateEnumerator(0, e.Put()), S_OK);

    std::barrier start(kThreads);
    std::vector<uint32_t> enumIds(kThreads), calcIds(kThreads), settingsIds(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            start.arrive_and_wait();
            enumerators[t]->GetTypeId(&enumIds[t]);
            Tessar::TheCalcClass().GetTypeId(&calcIds[t]);
            Tessar::TessarSettings::TypeId(&settingsIds[t]);
        });
    }
    for (auto& th : threads) th.join();

    FakeFramework& f = FakeFramework::Instance();
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(enumIds[t], f.TypeIdOf(Tessar::TYPE_TessarCalcEnum, 0));
        EXPECT_EQ(calcIds[t], f.TypeIdOf(Tessar::TYPE_Tessar, 0));
        EXPECT_EQ(settingsIds[t], f.TypeIdOf(Tessar::TYPE_Tessar, 1));
    }
    // Racing threads may each ask once; after that the identifier is kept.
    const int32_t asked = f.RequestsFor(Tessar::TYPE_TessarCalcEnum);
    EXPECT_GE(asked, 1);
    EXPECT_LE(asked, kThreads);
    uint32_t again = 0;
    enumerators[0]->GetTypeId(&again);
    EXPECT_EQ(f.RequestsFor(Tessar::TYPE_TessarCalcEnum), asked);
}

TEST(ModuleThreads, EnumeratorsOfOneCalculationReadOnDifferentThreads)
{
    FakeFramework::Install();
    FakeFramework::Instance().ClearRegistered();
    Tessar::RegisterClassObjects();

    // A calculation with a quadratic calibration, whose text goes to every enumerator.
    TestSupport::FakeSite site;
    ComPtr<IUnknown> created;
    ASSERT_EQ(Tessar::TheCalcClass().CreateCalculation(0, 0, &site, created.Put()), S_OK);
    ComPtr<IChannelCalc> calc;
    ASSERT_EQ(created.As(IID_IChannelCalc, calc), S_OK);
    ComPtr<IPersistObject> settings;
    ASSERT_EQ(Tessar::TheSettingsClass().CreateSettings(nullptr, IID_IPersistObject, settings.PutVoid()), S_OK);
    Tessar::CalibrationData& d = Tessar::SettingsOf(settings.Get())->Data();
    d.fitKind_ = 1;
    d.coefficients_ = {1, 0.5, 0.25};
    d.rawValues_ = {0, 1, 2};
    d.calibratedValues_ = {1, 1.75, 3};
    ASSERT_EQ(calc->ApplySettings(settings.Get(), 1), S_OK);
    const KVI::String text = FakeFramework::Instance().LastBase()->settingsText;

    std::vector<float> raw(20000);
    for (size_t i = 0; i < raw.size(); ++i) raw[i] = float(i % 997) * 0.01f - 3;
    auto source = ComPtr<TestSupport::FakeSourceStream>::Adopt(new TestSupport::FakeSourceStream(raw));

    // Each thread: its own enumerator (some created, some cloned), its own clone of the source,
    // the calculation's shared text.
    ComPtr<ICalcEnum> first;
    ASSERT_EQ(Tessar::TheCalcEnumClass().CreateEnumerator(0, first.Put()), S_OK);
    ASSERT_EQ(first->SetSettingsText(text.Interface(), nullptr), S_OK);
    std::vector<ComPtr<ICalcEnum>> enumerators(kThreads);
    for (int t = 0; t < kThreads; ++t) {
        if (t % 2 == 0) {
            ASSERT_EQ(first->Clone(enumerators[t].Put()), S_OK);
        } else {
            ASSERT_EQ(Tessar::TheCalcEnumClass().CreateEnumerator(t, enumerators[t].Put()), S_OK);
            ASSERT_EQ(enumerators[t]->SetSettingsText(text.Interface(), nullptr), S_OK);
        }
        ComPtr<IEnumFloatEx> own;
        ASSERT_EQ(source->Clone(own.Put()), S_OK);
        IUnknown* sources[] = {own.Get()};
        ASSERT_EQ(enumerators[t]->Connect(1, sources, nullptr, 0), S_OK);
    }

    std::barrier start(kThreads);
    std::vector<std::vector<float>> results(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            ComPtr<IEnumFloatEx> stream;
            enumerators[t]->QueryInterface(IID_IEnumFloatEx, stream.PutVoid());
            std::vector<float>& out = results[t];
            out.resize(raw.size());
            start.arrive_and_wait();
            // Blocks of different sizes per thread.
            const uint32_t block = 500 + 333 * uint32_t(t);
            for (uint32_t done = 0; done < out.size();) {
                uint32_t got = 0;
                stream->Next(std::min<uint32_t>(block, uint32_t(out.size()) - done), out.data() + done, &got);
                if (got == 0) break;
                done += got;
            }
        });
    }
    for (auto& th : threads) th.join();

    for (int t = 0; t < kThreads; ++t) {
        SCOPED_TRACE(t);
        ASSERT_EQ(results[t].size(), raw.size());
        for (size_t i = 0; i < raw.size(); i += 101) {
            const double x = raw[i];
            EXPECT_FLOAT_EQ(results[t][i], float(1 + 0.5 * x + 0.25 * x * x));
        }
        EXPECT_EQ(results[t], results[0]);
    }
    enumerators.clear();
    first.Reset();
    calc.Reset();
    created.Reset();
    FakeFramework::Instance().ClearRegistered();
}

}  // namespace
