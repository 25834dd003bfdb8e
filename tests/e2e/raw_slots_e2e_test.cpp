// The module's objects called the way a host built elsewhere calls them: through raw vtable
// slot numbers of the library opened with dlopen, with the reference count read after every
// call. A slot that moved, or a count that a call leaves wrong, fails here.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "interfaces/calc_site.h"
#include "interfaces/framework_registry.h"
#include "interfaces/unit_list.h"
#include "platform/class_table.h"
#include "tests/e2e/module_host.h"
#include "tests/support/memory_object_stream.h"

namespace {

using platform::ComPtr;

// Slot n of an interface pointer, called with the pointer as this.
template <class R, class... A>
R Slot(void* object, int n, A... args)
{
    void* const* table = *static_cast<void* const* const*>(object);
    using Fn = R (*)(void*, A...);
    Fn fn = nullptr;
    std::memcpy(&fn, &table[n], sizeof fn);
    return fn(object, args...);
}

HRESULT Query(void* object, const IID& iid, void** out) { return Slot<HRESULT>(object, 0, &iid, out); }
uint32_t Refs(void* object)
{
    Slot<uint32_t>(object, 1);
    return Slot<uint32_t>(object, 2);
}
uint32_t Release(void* object) { return Slot<uint32_t>(object, 2); }

// The host's side of a calculation, counting what the calculation asks of it.
class CountingSite final : public ICalcSite {
public:
    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        if (iid != IID_IUnknown && iid != IID_ICalcSite) return *out = nullptr, E_NOINTERFACE;
        *out = static_cast<ICalcSite*>(this);
        AddRef();
        return S_OK;
    }
    uint32_t AddRef() override { return ++refs; }
    uint32_t Release() override { return --refs; }
    HRESULT Reserved3() override { return E_NOTIMPL; }
    HRESULT CreateUnits(const ChannelDataFormat* format, IAutoKVIString* name, int32_t, int32_t,
                        IUnitName** out) override
    {
        ++unitsCreated;
        ComPtr<IObjectFactory> factory;
        CoGetClassObject(CLSID_FrameworkRegistry, CLSCTX_ALL, nullptr, IID_IObjectFactory, factory.PutVoid());
        uint16_t id = 0;
        ComPtr<IFrameworkRegistry> registry;
        factory.As(IID_IFrameworkRegistry, registry);
        registry->GetTypeIdentifier(TYPE_UnitsService, &id);
        ComPtr<IUnitsService> units;
        factory->GetService(uint32_t(id) << 16, IID_IUnitsService, units.PutVoid());
        return units->CreateUnit(format->prefix, name, format->unitFlag, out);
    }
    HRESULT Reserved5() override { return E_NOTIMPL; }
    HRESULT Reserved6() override { return E_NOTIMPL; }
    HRESULT Reserved7() override { return E_NOTIMPL; }
    HRESULT Reserved8() override { return E_NOTIMPL; }
    HRESULT SettingsChanged(int32_t, int32_t, uint32_t flags, IUnknown*) override
    {
        lastFlags = flags;
        ++changes;
        return S_OK;
    }
    HRESULT Reserved10() override { return E_NOTIMPL; }
    HRESULT Reserved11() override { return E_NOTIMPL; }
    HRESULT GetHostObject(IUnknown** out) override { return ZorTest::Host()->framework->GetHostObject(out); }

    uint32_t refs = 0;
    int unitsCreated = 0;
    int changes = 0;
    uint32_t lastFlags = 0;
};

TEST(RawSlots, TheModulesObjectsAnswerAtTheirSlotsWithBalancedCounts)
{
    ASSERT_NE(ZorTest::Host(), nullptr);
    void* library = dlopen(TESSAR_MODULE_PATH, RTLD_NOW);
    ASSERT_NE(library, nullptr) << dlerror();
    void* registerSym = dlsym(library, "DllRegisterClassObjects");
    ASSERT_NE(registerSym, nullptr);
    HRESULT (*registerFn)() = nullptr;
    std::memcpy(&registerFn, &registerSym, sizeof registerFn);
    EXPECT_EQ(registerFn(), 0);  // a second registration is harmless

    // The class objects' main interfaces, as the framework keeps them.
    void* calcClass = ZorTest::Host()->calcClass.Get();
    void* settingsClass = ZorTest::Host()->settingsClass.Get();
    void* enumClass = ZorTest::Host()->enumClass.Get();
    const uint32_t settingsClassRefs = Refs(settingsClass);

    uint32_t calcType = 0, settingsType = 0, enumType = 0;
    EXPECT_EQ(Slot<HRESULT>(calcClass, 3, &calcType), S_OK);
    EXPECT_EQ(Slot<HRESULT>(settingsClass, 3, &settingsType), S_OK);
    EXPECT_EQ(Slot<HRESULT>(enumClass, 3, &enumType), S_OK);
    EXPECT_EQ(settingsType, calcType | 1);
    EXPECT_EQ(Slot<HRESULT>(calcClass, 6, &KIND_CalculationClass), S_OK);
    EXPECT_EQ(Slot<HRESULT>(calcClass, 6, &KIND_SettingsClass), S_FALSE);

    // Settings through the automation interface (calculation class, slot 3 of it).
    void* automation = nullptr;
    ASSERT_EQ(Query(calcClass, IID_ITessarAutomation, &automation), S_OK);
    KVI::String raw[2] = {KVI::String(u"0"), KVI::String(u"1")}, cal[2] = {KVI::String(u"0"), KVI::String(u"100")};
    IAutoKVIString* rawTexts[2] = {raw[0].Interface(), raw[1].Interface()};
    IAutoKVIString* calTexts[2] = {cal[0].Interface(), cal[1].Interface()};
    void* settings = nullptr;
    IAutoKVIString* message = nullptr;
    ASSERT_EQ(Slot<HRESULT>(automation, 3, int32_t{2}, static_cast<IAutoKVIString* const*>(rawTexts),
                            static_cast<IAutoKVIString* const*>(calTexts), KVI::String(u"V").Interface(),
                            KVI::String(u"mmHg").Interface(), int32_t{0}, int32_t{0}, int32_t{0}, &settings, &message),
              S_OK);
    Release(automation);
    EXPECT_EQ(Refs(settings), 1u);
    uint32_t typeId = 0;
    EXPECT_EQ(Slot<HRESULT>(settings, 5, &typeId), S_OK);  // IPersistObject::GetTypeId
    EXPECT_EQ(typeId, settingsType);

    // Save (slot 4), then LoadSettings (settings class, slot 8) from what was saved.
    TestSupport::MemoryObjectStream stream;
    EXPECT_EQ(Slot<HRESULT>(settings, 4, stream.Out()), S_OK);
    EXPECT_EQ(stream.RefCount(), 0);
    void* loaded = nullptr;
    EXPECT_EQ(Slot<HRESULT>(settingsClass, 8, static_cast<IUnknown*>(nullptr), stream.In(), &loaded), S_OK);
    EXPECT_EQ(stream.RefCount(), 0);
    EXPECT_EQ(Refs(loaded), 1u);
    EXPECT_EQ(Refs(settingsClass), settingsClassRefs);

    // CreateCalculation (calculation class, slot 11): the calculation keeps the site.
    CountingSite site;
    void* calculation = nullptr;
    ASSERT_EQ(Slot<HRESULT>(calcClass, 11, int32_t{1}, int32_t{0}, static_cast<ICalcSite*>(&site), &calculation),
              S_OK);
    EXPECT_GT(site.refs, 0u);
    void* channelCalc = nullptr;
    ASSERT_EQ(Query(calculation, IID_IChannelCalc, &channelCalc), S_OK);
    Release(calculation);
    EXPECT_EQ(Refs(channelCalc), 1u);

    uint32_t flags = 0;
    EXPECT_EQ(Slot<HRESULT>(channelCalc, 7, &flags), S_OK);  // GetCalcFlags
    EXPECT_EQ(flags, 0x10000000u);
    EXPECT_EQ(Slot<HRESULT>(channelCalc, 4, loaded, uint32_t{1}), S_OK);  // ApplySettings
    EXPECT_EQ(site.changes, 1);
    EXPECT_EQ(site.lastFlags, 0x40000000u);
    EXPECT_EQ(Refs(loaded), 2u);  // the calculation holds the settings it took
    EXPECT_EQ(Slot<HRESULT>(channelCalc, 4, settings, uint32_t{1}), S_FALSE);  // equal: nothing changes
    EXPECT_EQ(site.changes, 1);
    EXPECT_EQ(Refs(settings), 1u);
    void* current = nullptr;
    EXPECT_EQ(Slot<HRESULT>(channelCalc, 6, &current), S_OK);  // GetSettings
    EXPECT_EQ(current, loaded);
    EXPECT_EQ(Refs(loaded), 3u);
    Release(current);
    void* units = nullptr;
    CalcFormatRecord record;
    int32_t result = 7;
    EXPECT_EQ(Slot<HRESULT>(channelCalc, 3, int32_t{1}, int32_t{0}, int32_t{0}, &units, &record, int32_t{0}, &result),
              S_OK);  // GetDataFormat
    EXPECT_EQ(result, 0);
    EXPECT_EQ(Refs(units), 2u);  // the caller's and the calculation's cached one
    Release(units);

    // An enumerator (enumerator class, slot 11) connected to a stream of the host's.
    ComPtr<IZorDocument> doc;
    ZorTest::Host()->framework->CreateDocument(doc.Put());
    ComPtr<IRecording> recording;
    doc.As(IID_IRecording, recording);
    recording->AddChannel(nullptr, nullptr);
    recording->AddBlock(nullptr);
    const float samples[3] = {0.0f, 0.5f, 1.0f};
    recording->AppendSamples(0, 0, samples, 3);
    ComPtr<IEnumFloatEx> source;
    ASSERT_EQ(recording->CreateSampleStream(0, 0, 0, 3, source.Put()), S_OK);

    void* enumerator = nullptr;
    ASSERT_EQ(Slot<HRESULT>(enumClass, 11, intptr_t{0}, &enumerator), S_OK);
    EXPECT_EQ(Refs(enumerator), 1u);
    uint32_t enumTypeId = 0;
    EXPECT_EQ(Slot<HRESULT>(enumerator, 3, &enumTypeId), S_OK);
    EXPECT_EQ(enumTypeId, enumType);
    IAutoKVIString* text = nullptr;
    ComPtr<ITessarAutomation> automationPtr = ZorTest::Host()->automation;
    ASSERT_EQ(automationPtr->GetFitText(static_cast<IPersistObject*>(loaded), kTessarSettingsText, &text), S_OK);
    uint32_t textFlags = 0;
    EXPECT_EQ(Slot<HRESULT>(enumerator, 5, text, &textFlags), S_OK);  // SetSettingsText
    EXPECT_EQ(textFlags, 0x40000000u);
    EXPECT_EQ(Refs(text), 2u);  // kept by the enumerator
    const uint32_t sourceRefs = Refs(source.Get());
    IUnknown* sources[1] = {source.Get()};
    IUnknown* hostObjects[1] = {nullptr};
    EXPECT_EQ(Slot<HRESULT>(enumerator, 8, int32_t{1}, static_cast<IUnknown**>(sources),
                            static_cast<IUnknown**>(hostObjects), 0.0),
              S_OK);  // Connect
    EXPECT_EQ(Refs(source.Get()), sourceRefs + 1);
    void* floats = nullptr;
    ASSERT_EQ(Query(enumerator, IID_IEnumFloatEx, &floats), S_OK);
    EXPECT_EQ(Refs(enumerator), 2u);
    float out[3] = {};
    uint32_t got = 0;
    EXPECT_EQ(Slot<HRESULT>(floats, 8, uint32_t{3}, static_cast<float*>(out), &got), S_OK);  // Next
    EXPECT_EQ(got, 3u);
    EXPECT_NEAR(out[1], 50.0f, 1e-4);
    EXPECT_NEAR(out[2], 100.0f, 1e-4);
    int64_t position = -1;
    EXPECT_EQ(Slot<HRESULT>(floats, 5, &position), S_OK);  // GetPosition, passed to the source
    EXPECT_EQ(position, 3);
    EXPECT_EQ(Slot<HRESULT>(floats, 4), S_OK);  // Reset
    void* clone = nullptr;
    EXPECT_EQ(Slot<HRESULT>(floats, 9, &clone), S_OK);  // Clone
    EXPECT_EQ(Refs(clone), 1u);
    EXPECT_EQ(Slot<HRESULT>(clone, 8, uint32_t{3}, static_cast<float*>(out), &got), S_OK);
    EXPECT_NEAR(out[1], 50.0f, 1e-4);
    EXPECT_EQ(Release(clone), 0u);
    EXPECT_EQ(Slot<HRESULT>(enumerator, 10), S_OK);  // Disconnect
    EXPECT_EQ(Refs(source.Get()), sourceRefs);
    Release(floats);
    EXPECT_EQ(Release(enumerator), 0u);
    EXPECT_EQ(Refs(text), 1u);
    text->Release();

    // Everything handed out goes with its last reference; the site is let go.
    EXPECT_EQ(Release(channelCalc), 0u);
    EXPECT_EQ(site.refs, 0u);
    EXPECT_EQ(Refs(loaded), 1u);
    EXPECT_EQ(Release(loaded), 0u);
    EXPECT_EQ(Release(settings), 0u);
    EXPECT_EQ(Refs(settingsClass), settingsClassRefs);
    dlclose(library);
}

}  // namespace
