// The built module, libtessar.so, loaded as the host loads it (LoadLibraryW, then its one
// export) against a double of the framework registry, and used only through interfaces.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "interfaces/calc_enum.h"
#include "interfaces/channel_calc.h"
#include "interfaces/class_objects.h"
#include "interfaces/tessar_automation.h"
#include "platform/code_page.h"
#include "platform/com_ptr.h"
#include "platform/module.h"
#include "tests/support/module_doubles.h"

namespace {

using platform::ComPtr;
using TestSupport::FakeFramework;

constexpr GUID kCalculationKind = platform::Guid("{5388E470-F2ED-11D2-809C-00A0C9E26433}");
constexpr GUID kSettingsKind = platform::Guid("{E058F3B0-DCE3-11D3-80E8-00A0C9E26433}");
constexpr GUID kEnumeratorKind = platform::Guid("{8FC37F03-9357-11D4-8112-00A0C9E26433}");

using RegisterFn = HRESULT (*)();

template <class I>
ComPtr<I> Main(IZORClassObject* zor, REFIID iid)
{
    ComPtr<IUnknown> main;
    EXPECT_EQ(zor->GetClassObject(main.Put()), S_OK);
    ComPtr<I> out;
    EXPECT_EQ(main.As(iid, out), S_OK);
    return out;
}

class LoadedModule : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        FakeFramework::Install();
        const std::u16string path = platform::Utf8ToUtf16(TESSAR_MODULE_PATH);
        module_ = LoadLibraryW(path.c_str());
        ASSERT_NE(module_, nullptr) << platform::LastLoadError();
    }

    HMODULE module_handle() const { return module_; }
    static HMODULE module_;
};

HMODULE LoadedModule::module_ = nullptr;

TEST_F(LoadedModule, RegistersItsThreeClassObjectsThroughItsOneExport)
{
    auto reg = reinterpret_cast<RegisterFn>(GetProcAddress(module_handle(), "DllRegisterClassObjects"));
    ASSERT_NE(reg, nullptr);
    FakeFramework::Instance().ClearRegistered();
    EXPECT_EQ(reg(), 0);
    const std::vector<IZORClassObject*> registered = FakeFramework::Instance().Registered();
    ASSERT_EQ(registered.size(), 3u);
    const GUID kinds[] = {kEnumeratorKind, kSettingsKind, kCalculationKind};
    const IID mains[] = {IID_ICalcEnumClass2, IID_ISettingsClass, IID_ICalculationClass};
    for (size_t i = 0; i < 3; ++i) {
        // Each main interface begins with the common class-object slots.
        ComPtr<IGenericClassObject> generic = Main<IGenericClassObject>(registered[i], mains[i]);
        ASSERT_TRUE(generic);
        EXPECT_EQ(*generic->GetClassKind(), kinds[i]) << i;
    }
    // The module's own string table names its calculation.
    ComPtr<ICalculationClass> calcClass = Main<ICalculationClass>(registered[2], IID_ICalculationClass);
    ComPtr<IAutoKVIString> name;
    ASSERT_EQ(calcClass->GetClassName(name.Put()), S_OK);
    EXPECT_EQ(KVI::String(name.Get()), KVI::String(u"Tessar"));

    // Nothing else of the module is reachable by name.
    EXPECT_EQ(GetProcAddress(module_handle(), "DllGetClassObject"), nullptr);
    FakeFramework::Instance().ClearRegistered();
}

TEST_F(LoadedModule, CalibratesThroughInterfacesAlone)
{
    auto reg = reinterpret_cast<RegisterFn>(GetProcAddress(module_handle(), "DllRegisterClassObjects"));
    ASSERT_NE(reg, nullptr);
    FakeFramework::Instance().ClearRegistered();
    reg();
    const std::vector<IZORClassObject*> registered = FakeFramework::Instance().Registered();
    ASSERT_EQ(registered.size(), 3u);
    ComPtr<ICalculationClass> calcClass = Main<ICalculationClass>(registered[2], IID_ICalculationClass);

    // Reference points fitted by the module's automation interface.
    ComPtr<ITessarAutomation> automation;
    ASSERT_EQ(calcClass.As(IID_ITessarAutomation, automation), S_OK);
    const KVI::String raw[] = {KVI::String(u"0"), KVI::String(u"1 V")};
    const KVI::String calibrated[] = {KVI::String(u"0"), KVI::String(u"100")};
    IAutoKVIString* rawTexts[] = {raw[0].Interface(), raw[1].Interface()};
    IAutoKVIString* calTexts[] = {calibrated[0].Interface(), calibrated[1].Interface()};
    ComPtr<IPersistObject> settings;
    ComPtr<IAutoKVIString> message;
    ASSERT_EQ(automation->FitPoints(2, rawTexts, calTexts, KVI::String(u"V").Interface(),
                                    KVI::String(u"mmHg").Interface(), 0, 0, 1, settings.Put(), message.Put()),
              S_OK);

    // A calculation takes them and hands the host their text; an enumerator calibrates.
    TestSupport::FakeSite site;
    ComPtr<IUnknown> created;
    ASSERT_EQ(calcClass->CreateCalculation(1, 0, &site, created.Put()), S_OK);
    ComPtr<IChannelCalc> calc;
    ASSERT_EQ(created.As(IID_IChannelCalc, calc), S_OK);
    ASSERT_EQ(calc->ApplySettings(settings.Get(), 1), S_OK);
    TestSupport::FakeBaseObject* base = FakeFramework::Instance().LastBase();
    ASSERT_NE(base->attachedEnumerator, nullptr);
    ICalcEnum* e = base->attachedEnumerator;
    ASSERT_EQ(e->SetSettingsText(base->settingsText.Interface(), nullptr), S_OK);
    auto source = ComPtr<TestSupport::FakeSourceStream>::Adopt(new TestSupport::FakeSourceStream({0.5f, 0.25f}));
    IUnknown* sources[] = {source.Get()};
    ASSERT_EQ(e->Connect(1, sources, nullptr, 0), S_OK);
    ComPtr<IEnumFloatEx> stream;
    ASSERT_EQ(e->QueryInterface(IID_IEnumFloatEx, stream.PutVoid()), S_OK);
    float samples[2] = {};
    uint32_t got = 0;
    ASSERT_EQ(stream->Next(2, samples, &got), S_OK);
    EXPECT_FLOAT_EQ(samples[0], 50);
    EXPECT_FLOAT_EQ(samples[1], 25);

    stream.Reset();
    calc.Reset();
    created.Reset();
    EXPECT_EQ(site.RefCount(), 1);
    EXPECT_EQ(source->RefCount(), 1);
    FakeFramework::Instance().ClearRegistered();
}

}  // namespace
