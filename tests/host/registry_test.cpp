// The registry and object factory, the services they hand out, and the calculation base object.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "interfaces/host_settings.h"
#include "interfaces/message_service.h"
#include "interfaces/unit_list.h"
#include "foundation/hresult_message.h"
#include "host/zor/calc_base.h"
#include "host/zor/host_application.h"
#include "host/zor/host_strings.h"
#include "host/zor/registry.h"
#include "platform/class_table.h"

namespace {

using platform::ComPtr;
using Zor::Registry;

GUID NumberedGuid(uint32_t n)
{
    GUID g = platform::Guid("{00000000-5EED-4000-8000-000000000000}");
    g.Data1 = n;
    return g;
}

uint32_t RefCount(IUnknown* p)
{
    p->AddRef();
    return p->Release();
}

TEST(Registry, AnswersItsThreeInterfacesAsOneObject)
{
    Registry* r = Registry::Instance();
    ComPtr<IFrameworkRegistry> registry;
    ComPtr<IObjectFactory> factory;
    ComPtr<IZorFramework> framework;
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(r->QueryInterface(IID_IFrameworkRegistry, registry.PutVoid()), S_OK);
    ASSERT_EQ(registry->QueryInterface(IID_IObjectFactory, factory.PutVoid()), S_OK);
    ASSERT_EQ(factory->QueryInterface(IID_IZorFramework, framework.PutVoid()), S_OK);
    ASSERT_EQ(framework->QueryInterface(IID_IUnknown, unknown.PutVoid()), S_OK);
    EXPECT_EQ(unknown.Get(), static_cast<IUnknown*>(registry.Get()));
    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(r->QueryInterface(IID_IUnitList, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
}

TEST(Registry, ServicesAreFoundByTypeIdentifier)
{
    Registry* r = Registry::Instance();
    ComPtr<IUnitsService> units;
    ASSERT_EQ(r->GetService(r->TypeIdOf(TYPE_UnitsService), IID_IUnitsService, units.PutVoid()), S_OK);
    ComPtr<IUnitName> unit;
    ASSERT_EQ(units->CreateUnit(7, KVI::String(u"mmHg").Interface(), 5, unit.Put()), S_OK);
    int32_t prefix = 0, flag = 0;
    unit->GetPrefix(&prefix);
    unit->GetFlag(&flag);
    EXPECT_EQ(prefix, 7);
    EXPECT_EQ(flag, 1);
    ComPtr<IUnitName> refused;
    EXPECT_EQ(units->CreateUnit(15, nullptr, 0, refused.Put()), E_INVALIDARG);

    ComPtr<IMessageService> messages;
    EXPECT_EQ(r->GetService(kMessageServiceTypeId, IID_IMessageService, messages.PutVoid()), S_OK);
    ComPtr<IHostSettings> settings;
    EXPECT_EQ(r->GetService(r->TypeIdOf(TYPE_HostSettings), IID_IHostSettings, settings.PutVoid()), S_OK);

    ComPtr<IUnknown> none;
    EXPECT_EQ(r->GetService(0x12345678, IID_IUnknown, none.PutVoid()), CLASS_E_CLASSNOTAVAILABLE);
    ComPtr<IUnknown> wrong;
    EXPECT_EQ(r->GetService(kMessageServiceTypeId, IID_IUnitsService, wrong.PutVoid()), E_NOINTERFACE);
}

TEST(HostSettings, TheApplicationIsNotVisibleUntilTheHostSaysSo)
{
    ComPtr<IHostSettings> settings;
    ASSERT_EQ(Registry::Instance()->GetService(Registry::Instance()->TypeIdOf(TYPE_HostSettings), IID_IHostSettings,
                                               settings.PutVoid()),
              S_OK);
    const KVI::String key(kApplicationVisibleKey);
    VARIANT_BOOL visible = VARIANT_TRUE;
    EXPECT_EQ(settings->GetBool(key.Interface(), &visible), S_OK);
    EXPECT_EQ(visible, VARIANT_FALSE);
    EXPECT_EQ(settings->SetBool(KVI::String(u"KVI\\Application\\Visible").Interface(), VARIANT_TRUE), S_OK);
    EXPECT_EQ(settings->GetBool(key.Interface(), &visible), S_OK);
    EXPECT_EQ(visible, VARIANT_TRUE);
    settings->SetBool(key.Interface(), VARIANT_FALSE);

    VARIANT_BOOL unknown = VARIANT_TRUE;
    EXPECT_EQ(settings->GetBool(KVI::String(u"no\\such\\key").Interface(), &unknown), S_FALSE);
    EXPECT_EQ(unknown, VARIANT_FALSE);
    EXPECT_EQ(settings->GetBool(nullptr, &unknown), E_INVALIDARG);
    EXPECT_EQ(settings->SetBool(KVI::String().Interface(), VARIANT_TRUE), E_INVALIDARG);
}

// The calibration dialog's message after OK: channel, 32000.0, -32000.0.
TEST(MessageService, AMessageReachesTheHostObjectAndItsObserver)
{
    struct Observer final : IZORMessageSink {
        HRESULT QueryInterface(REFIID, void** out) override { return *out = nullptr, E_NOINTERFACE; }
        uint32_t AddRef() override { return ++refs; }
        uint32_t Release() override { return --refs; }
        HRESULT Receive(IZORMessage* m) override
        {
            uint32_t code = 0;
            m->GetCode(&code);
            codes.push_back(code);
            return S_OK;
        }
        uint32_t refs = 0;
        std::vector<uint32_t> codes;
    } observer;

    ComPtr<IMessageService> service;
    ASSERT_EQ(Registry::Instance()->GetService(kMessageServiceTypeId, IID_IMessageService, service.PutVoid()), S_OK);
    ComPtr<IUnknown> host;
    ASSERT_EQ(Registry::Instance()->GetHostObject(host.Put()), S_OK);
    ComPtr<IHostMessageLog> log;
    ASSERT_EQ(host.As(IID_IHostMessageLog, log), S_OK);
    log->ClearMessages();
    log->SetObserver(&observer);
    EXPECT_EQ(observer.refs, 1u);

    unsigned char payload[20];
    const int32_t channel = 3;
    const double top = 32000.0, bottom = -32000.0;
    std::memcpy(payload, &channel, 4);
    std::memcpy(payload + 4, &top, 8);
    std::memcpy(payload + 12, &bottom, 8);
    const MessagePayload p{payload, sizeof payload};
    ComPtr<IZORMessage> message;
    ASSERT_EQ(service->CreateMessage(0x800C004A, 0x331, 0, 0, 0, &p, message.Put()), S_OK);
    std::memset(payload, 0, sizeof payload);  // the message keeps its own copy
    EXPECT_EQ(message->SendTo(host.Get()), S_OK);
    EXPECT_EQ(RefCount(message.Get()), 2u);  // the caller's and the log's

    int32_t count = 0;
    log->GetMessageCount(&count);
    ASSERT_EQ(count, 1);
    ComPtr<IZORMessage> logged;
    ASSERT_EQ(log->GetMessageAt(0, logged.Put()), S_OK);
    uint32_t code = 0, flags = 0, size = 0;
    const uint8_t* data = nullptr;
    logged->GetCode(&code);
    logged->GetFlags(&flags);
    logged->GetPayload(&data, &size);
    EXPECT_EQ(code, 0x800C004Au);
    EXPECT_EQ(flags, 0x331u);
    ASSERT_EQ(size, 20u);
    int32_t gotChannel = 0;
    double gotTop = 0, gotBottom = 0;
    std::memcpy(&gotChannel, data, 4);
    std::memcpy(&gotTop, data + 4, 8);
    std::memcpy(&gotBottom, data + 12, 8);
    EXPECT_EQ(gotChannel, 3);
    EXPECT_EQ(gotTop, 32000.0);
    EXPECT_EQ(gotBottom, -32000.0);
    EXPECT_EQ(observer.codes, std::vector<uint32_t>{0x800C004Au});

    log->SetObserver(nullptr);
    EXPECT_EQ(observer.refs, 0u);
    EXPECT_EQ(message->SendTo(nullptr), E_INVALIDARG);
    EXPECT_EQ(message->SendTo(&observer), E_NOINTERFACE);
    MessagePayload broken{nullptr, 4};
    ComPtr<IZORMessage> none;
    EXPECT_EQ(service->CreateMessage(1, 0, 0, 0, 0, &broken, none.Put()), E_INVALIDARG);
    logged.Reset();
    log->ClearMessages();
    EXPECT_EQ(RefCount(message.Get()), 1u);
}

TEST(HostStrings, TheHostTableAnswersUnderTheNullHandle)
{
    Zor::RegisterHostStrings();
    EXPECT_EQ(KVI::LoadString(nullptr, Zor::kIdsDefineUnit).View(), u"Define Unit...");
    EXPECT_EQ(KVI::LoadString(nullptr, Zor::kIdsDeleteUnit).View(), u"Delete Unit...");
    for (uint32_t id : {8422u, 8423u, 8424u, 8429u}) EXPECT_FALSE(KVI::LoadString(nullptr, id).IsEmpty()) << id;
    // Every own code that has a text id gets a text.
    for (uint32_t index : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 18u})
        EXPECT_FALSE(KVI::HResultMessage(KviError(index)).IsEmpty()) << index;
    EXPECT_NE(KVI::HResultMessage(KVI_E_VERSION_TOO_NEW).ToUtf8().find("newer version"), std::string::npos);
}

// A minimal class object of the settings kind, for the registration rules.
class FakeClass final : public IZORClassObject, public IGenericClassObject {
public:
    FakeClass(const GUID& kind, uint32_t typeId) : kind_(kind), typeId_(typeId) {}
    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        if (iid == IID_IZORClassObject) *out = static_cast<IZORClassObject*>(this);
        else if (iid == IID_IUnknown || iid == IID_IGenericClassObject) *out = static_cast<IGenericClassObject*>(this);
        else return *out = nullptr, E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    uint32_t AddRef() override { return ++refs_; }
    uint32_t Release() override { return --refs_; }
    HRESULT GetClassObject(IUnknown** out) override
    {
        *out = static_cast<IGenericClassObject*>(this);
        AddRef();
        return S_OK;
    }
    HRESULT GetTypeId(uint32_t* out) override { return *out = typeId_, S_OK; }
    const GUID* GetClassKind() override { return &kind_; }
    HRESULT GetClassNameBstr(BSTR*) override { return E_NOTIMPL; }
    HRESULT IsClassKind(REFGUID kind) override { return kind == kind_ ? S_OK : S_FALSE; }

private:
    GUID kind_;
    uint32_t typeId_;
    uint32_t refs_ = 0;
};

TEST(Registry, ClassObjectsAreKeptByKindInTheOrderTheyCame)
{
    Registry* r = Registry::Instance();
    static FakeClass first(KIND_CalcEnumClass, r->TypeIdOf(NumberedGuid(9001)));
    static FakeClass second(KIND_CalcEnumClass, r->TypeIdOf(NumberedGuid(9002)));
    static FakeClass settings(KIND_SettingsClass, r->TypeIdOf(NumberedGuid(9001), 1));
    int32_t before = 0;
    r->GetClassCount(KIND_CalcEnumClass, &before);
    EXPECT_EQ(r->RegisterClassObject(&first), S_OK);
    EXPECT_EQ(r->RegisterClassObject(&settings), S_OK);
    EXPECT_EQ(r->RegisterClassObject(&second), S_OK);
    EXPECT_EQ(r->RegisterClassObject(&first), S_FALSE);
    EXPECT_EQ(r->RegisterClassObject(nullptr), E_POINTER);
    int32_t count = 0;
    r->GetClassCount(KIND_CalcEnumClass, &count);
    EXPECT_EQ(count, before + 2);
    ComPtr<IUnknown> a, b, none;
    ASSERT_EQ(r->GetClassAt(KIND_CalcEnumClass, before, a.Put()), S_OK);
    ASSERT_EQ(r->GetClassAt(KIND_CalcEnumClass, before + 1, b.Put()), S_OK);
    EXPECT_EQ(a.Get(), static_cast<IGenericClassObject*>(&first));
    EXPECT_EQ(b.Get(), static_cast<IGenericClassObject*>(&second));
    EXPECT_EQ(r->GetClassAt(KIND_CalcEnumClass, before + 2, none.Put()), E_INVALIDARG);
    // The settings class shares the first's GUID with another low word: found apart.
    ComPtr<IUnknown> found;
    ASSERT_EQ(r->FindClass(KIND_SettingsClass, r->TypeIdOf(NumberedGuid(9001), 1), found.Put()), S_OK);
    EXPECT_EQ(found.Get(), static_cast<IGenericClassObject*>(&settings));
    ComPtr<IGenericClassObject> service;
    ASSERT_EQ(r->GetService(r->TypeIdOf(NumberedGuid(9002)), IID_IGenericClassObject, service.PutVoid()), S_OK);
    EXPECT_EQ(service.Get(), static_cast<IGenericClassObject*>(&second));
    ComPtr<IUnknown> missing;
    EXPECT_EQ(r->FindClass(KIND_CalculationClass, r->TypeIdOf(NumberedGuid(9001)), missing.Put()),
              CLASS_E_CLASSNOTAVAILABLE);
}

// An outer object that aggregates the base object, as a calculation does.
class Outer final : public IUnknown {
public:
    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        ++queries;
        if (iid == IID_IUnknown) return *out = this, AddRef(), S_OK;
        if (inner && iid != IID_IChannelCalc) return inner->QueryInterface(iid, out);
        return *out = nullptr, E_NOINTERFACE;
    }
    uint32_t AddRef() override { return ++refs; }
    uint32_t Release() override { return --refs; }
    IUnknown* inner = nullptr;
    uint32_t refs = 1;
    int queries = 0;
};

TEST(CalcBase, AggregatedItDelegatesToItsOuterAndRecordsWhatItIsTold)
{
    Registry* r = Registry::Instance();
    const uint32_t type = r->TypeIdOf(TYPE_CalcBase, 17);
    Outer outer;
    ComPtr<IUnknown> wrong;
    EXPECT_EQ(r->CreateObject(&outer, type, IID_ICalcBase, wrong.PutVoid()), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(r->CreateObject(&outer, type + 1, IID_IUnknown, wrong.PutVoid()), CLASS_E_CLASSNOTAVAILABLE);

    IUnknown* inner = nullptr;
    ASSERT_EQ(r->CreateObject(&outer, type, IID_IUnknown, reinterpret_cast<void**>(&inner)), S_OK);
    outer.inner = inner;
    EXPECT_EQ(RefCount(inner), 1u);
    EXPECT_EQ(outer.refs, 1u);

    ICalcBase* base = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_ICalcBase, reinterpret_cast<void**>(&base)), S_OK);
    EXPECT_EQ(outer.refs, 2u);  // the outer's count, not the inner's
    EXPECT_EQ(RefCount(inner), 1u);
    // A query through a delegating interface goes to the outer.
    const int queries = outer.queries;
    ICalculation* calculation = nullptr;
    ASSERT_EQ(base->QueryInterface(IID_ICalculation, reinterpret_cast<void**>(&calculation)), S_OK);
    EXPECT_EQ(outer.queries, queries + 1);
    EXPECT_EQ(outer.refs, 3u);

    const CalcSourceRecord source{2, 0xC0005000u, 0x80000000u};
    CalcSourceRecord read[2] = {};
    int32_t count = -1;
    double scale = 0, offset = 0;
    EXPECT_EQ(calculation->GetSources(2, read, &count, &scale, &offset), S_FALSE);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(scale, 1.0);
    EXPECT_EQ(base->SetSources(1, &source, 0.5, -3.0), S_OK);
    EXPECT_EQ(base->SetSettingsText(KVI::String(u"0\t0\tmmHg\t").Interface()), S_OK);
    EXPECT_EQ(calculation->GetSources(2, read, &count, &scale, &offset), S_OK);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(read[0].channel, 2);
    EXPECT_EQ(read[0].flags, 0xC0005000u);
    EXPECT_EQ(scale, 0.5);
    EXPECT_EQ(offset, -3.0);
    IAutoKVIString* text = nullptr;
    ASSERT_EQ(calculation->GetSettingsText(&text), S_OK);
    EXPECT_EQ(KVI::String(text).View(), u"0\t0\tmmHg\t");
    text->Release();
    IAutoKVIString* description = nullptr;
    ASSERT_EQ(base->GetDescription(&description), S_OK);
    EXPECT_EQ(KVI::String(description).View(), u"Calculated from channel 3");
    description->Release();
    int32_t texts = 0;
    calculation->GetSettingsTextCount(&texts);
    EXPECT_EQ(texts, 1);
    ICalcEnum* attached = reinterpret_cast<ICalcEnum*>(1);
    EXPECT_EQ(calculation->GetAttachedEnumerator(&attached, nullptr), S_FALSE);
    EXPECT_EQ(attached, nullptr);
    // The calculation is the outer; it answers no IChannelCalc here.
    IChannelCalc* calc = reinterpret_cast<IChannelCalc*>(1);
    EXPECT_EQ(calculation->GetChannelCalc(&calc), E_NOINTERFACE);

    calculation->Release();
    base->Release();
    EXPECT_EQ(outer.refs, 1u);
    EXPECT_EQ(inner->Release(), 0u);
}

}  // namespace
