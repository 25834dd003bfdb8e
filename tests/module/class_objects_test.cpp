// The module's three class objects: their registration with the framework, QueryInterface
// rules, common slots, names and type identifiers, and what each creates.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "module/calc_class.h"
#include "module/calc_enum_class.h"
#include "module/class_object_list.h"
#include "calibration/class_records.h"
#include "module/settings_class.h"
#include "calibration/tessar_ext.h"
#include "calibration/tessar_settings.h"
#include "platform/bstr.h"
#include "platform/com_ptr.h"
#include "tests/support/memory_object_stream.h"
#include "tests/support/module_doubles.h"

namespace {

using platform::ComPtr;
using Tessar::CalibrationData;
using TestSupport::FakeFramework;
using TestSupport::RefCountOf;

IUnknown* MainOf(IZORClassObject* zor)
{
    IUnknown* main = nullptr;
    EXPECT_EQ(zor->GetClassObject(&main), S_OK);
    main->Release();  // the class objects outlive the test
    return main;
}

// The kind of a class object, through whichever main interface it answers (the settings class
// answers no IGenericClassObject, but its main interface begins with the same slots).
GUID KindOf(IUnknown* classObject)
{
    ComPtr<IGenericClassObject> generic;
    const ComPtr<IUnknown> object(classObject);
    if (FAILED(object.As(IID_IGenericClassObject, generic))) object.As(IID_ISettingsClass, generic);
    EXPECT_TRUE(generic);
    return generic ? *generic->GetClassKind() : GUID{};
}

class ClassObjects : public testing::Test {
protected:
    void SetUp() override
    {
        FakeFramework::Install();
        FakeFramework::Instance().ClearRegistered();
    }
    void TearDown() override { FakeFramework::Instance().ClearRegistered(); }
};

TEST_F(ClassObjects, RegistrationHandsOverEnumeratorThenSettingsThenCalculationClass)
{
    const int32_t settingsCount = RefCountOf(&Tessar::TheSettingsClass());
    EXPECT_EQ(Tessar::RegisterClassObjects(), 0);
    const std::vector<IZORClassObject*> registered = FakeFramework::Instance().Registered();
    ASSERT_EQ(registered.size(), 3u);
    EXPECT_EQ(KindOf(MainOf(registered[0])), Tessar::KIND_CalcEnumClass);
    EXPECT_EQ(KindOf(MainOf(registered[1])), Tessar::KIND_SettingsClass);
    EXPECT_EQ(KindOf(MainOf(registered[2])), Tessar::KIND_CalculationClass);
    EXPECT_EQ(registered[0], Tessar::TheCalcEnumClass().ZorObject());
    EXPECT_EQ(registered[1], Tessar::TheSettingsClass().ZorObject());
    EXPECT_EQ(registered[2], Tessar::TheCalcClass().ZorObject());
    // The registry holds a reference, which the counting settings class shows.
    EXPECT_EQ(RefCountOf(&Tessar::TheSettingsClass()), uint32_t(settingsCount + 1));

    // The list itself, from its head.
    const Tessar::ClassObjectLink* link = Tessar::ClassObjectListHead();
    for (IZORClassObject* expected : registered) {
        ASSERT_NE(link, nullptr);
        EXPECT_EQ(link->object, expected);
        link = link->next;
    }
    EXPECT_EQ(link, nullptr);
}

struct QueryCase {
    const char* name;
    IUnknown* object;
    std::vector<IID> answered;
};

TEST_F(ClassObjects, QueryInterfaceAnswersTheMainInterfaceOnly)
{
    const QueryCase cases[] = {
        {"calculation", static_cast<ICalculationClass*>(&Tessar::TheCalcClass()),
         {IID_IUnknown, IID_IGenericClassObject, IID_ICalculationClass}},
        {"settings", static_cast<ISettingsClass*>(&Tessar::TheSettingsClass()),
         {IID_IUnknown, IID_ISettingsClass, IID_ISettingsClassAlt}},
        {"enumerator", static_cast<ICalcEnumClass2*>(&Tessar::TheCalcEnumClass()),
         {IID_IUnknown, IID_IGenericClassObject, IID_ICalcEnumClass2}},
    };
    const std::vector<IID> others = {IID_ICalculationClass, IID_ISettingsClass, IID_ICalcEnumClass2,
                                     IID_IGenericClassObject, IID_IZORClassObject, IID_IPersistObject};
    for (const QueryCase& c : cases) {
        SCOPED_TRACE(c.name);
        const uint32_t before = RefCountOf(c.object);
        for (const IID& iid : c.answered) {
            void* out = nullptr;
            ASSERT_EQ(c.object->QueryInterface(iid, &out), S_OK);
            EXPECT_EQ(out, c.object);
            static_cast<IUnknown*>(out)->Release();
        }
        for (const IID& iid : others) {
            if (std::find(c.answered.begin(), c.answered.end(), iid) != c.answered.end()) continue;
            void* out = reinterpret_cast<void*>(0x1);
            EXPECT_EQ(c.object->QueryInterface(iid, &out), E_NOINTERFACE);
            EXPECT_EQ(out, nullptr);
        }
        EXPECT_EQ(c.object->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
        EXPECT_EQ(RefCountOf(c.object), before);
    }
    void* out = nullptr;
    EXPECT_EQ(Tessar::QueryClassObject(nullptr, {}, IID_IUnknown, &out), E_INVALIDARG);
}

TEST_F(ClassObjects, TheHandleTheRegistryHoldsLeadsToTheMainInterface)
{
    IZORClassObject* zor = Tessar::TheSettingsClass().ZorObject();
    const uint32_t before = RefCountOf(&Tessar::TheSettingsClass());
    ComPtr<IUnknown> main;
    ASSERT_EQ(zor->GetClassObject(main.Put()), S_OK);
    EXPECT_EQ(main.Get(), static_cast<IUnknown*>(static_cast<ISettingsClass*>(&Tessar::TheSettingsClass())));
    EXPECT_EQ(RefCountOf(&Tessar::TheSettingsClass()), before + 1);
    ComPtr<IUnknown> handle;
    ASSERT_EQ(zor->QueryInterface(IID_IZORClassObject, handle.PutVoid()), S_OK);
    EXPECT_EQ(handle.Get(), static_cast<IUnknown*>(zor));
    EXPECT_EQ(RefCountOf(&Tessar::TheSettingsClass()), before + 2);
}

TEST_F(ClassObjects, CountingOnlyInTheSettingsClass)
{
    EXPECT_EQ(Tessar::TheCalcClass().AddRef(), 1u);
    EXPECT_EQ(Tessar::TheCalcClass().Release(), 1u);
    EXPECT_EQ(Tessar::TheCalcEnumClass().AddRef(), 1u);
    EXPECT_EQ(Tessar::TheCalcEnumClass().Release(), 1u);
    const uint32_t n = Tessar::TheSettingsClass().AddRef();
    EXPECT_GE(n, 2u);  // the module's own reference and this one
    EXPECT_EQ(Tessar::TheSettingsClass().Release(), n - 1);
}

struct RecordCase {
    const char* name;
    IGenericClassObject* object;
    GUID kind;
    GUID type;
    uint16_t lowWord;
    const char16_t* className;
};

TEST_F(ClassObjects, KindsTypeIdentifiersAndNames)
{
    const RecordCase cases[] = {
        {"calculation", &Tessar::TheCalcClass(), Tessar::KIND_CalculationClass, Tessar::TYPE_Tessar, 0, u"Tessar"},
        {"settings", &Tessar::TheSettingsClass(), Tessar::KIND_SettingsClass, Tessar::TYPE_Tessar, 1,
         u"TessarSettings"},
        {"enumerator", &Tessar::TheCalcEnumClass(), Tessar::KIND_CalcEnumClass, Tessar::TYPE_TessarCalcEnum, 0,
         u"TessarCalcEnum"},
    };
    for (const RecordCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(*c.object->GetClassKind(), c.kind);
        EXPECT_EQ(c.object->IsClassKind(c.kind), S_OK);
        EXPECT_EQ(c.object->IsClassKind(c.type), S_FALSE);
        uint32_t id = 0;
        ASSERT_EQ(c.object->GetTypeId(&id), S_OK);
        EXPECT_EQ(id, FakeFramework::Instance().TypeIdOf(c.type, c.lowWord));
        EXPECT_EQ(c.object->GetTypeId(nullptr), E_POINTER);

        BSTR name = SysAllocString(u"freed first");
        ASSERT_EQ(c.object->GetClassNameBstr(&name), S_OK);
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(std::u16string_view(name, SysStringLen(name)), std::u16string_view(c.className));
        SysFreeString(name);
        EXPECT_EQ(c.object->GetClassNameBstr(nullptr), E_POINTER);
    }
    // The settings class and its settings objects share one identifier.
    uint32_t classId = 0, settingsId = 0;
    Tessar::TheSettingsClass().GetTypeId(&classId);
    Tessar::TessarSettings::TypeId(&settingsId);
    EXPECT_EQ(classId, settingsId);
}

TEST_F(ClassObjects, NamesDescriptionsAndFixedSlots)
{
    ComPtr<IAutoKVIString> text;
    ASSERT_EQ(Tessar::TheCalcClass().GetClassName(text.Put()), S_OK);
    EXPECT_EQ(KVI::String(text.Get()), KVI::String(u"Tessar"));
    ASSERT_EQ(Tessar::TheCalcClass().GetClassDescription(text.Put()), S_OK);
    EXPECT_EQ(KVI::String(text.Get()),
              KVI::String(u"Fits a function to a set of known points using a linear least-squares approximation."));
    ASSERT_EQ(Tessar::TheCalcEnumClass().GetClassName(text.Put()), S_OK);
    EXPECT_EQ(KVI::String(text.Get()), KVI::String(u"TessarCalcEnum"));
    ASSERT_EQ(Tessar::TheCalcEnumClass().GetClassDescription(text.Put()), S_OK);
    EXPECT_EQ(KVI::String(text.Get()), KVI::String(u"Fits curves using a Least Squares approximation"));
    EXPECT_EQ(Tessar::TheCalcClass().GetClassName(nullptr), E_POINTER);

    uint32_t zero = 7;
    EXPECT_EQ(Tessar::TheCalcClass().Reserved9(&zero), S_OK);
    EXPECT_EQ(zero, 0u);
    zero = 7;
    EXPECT_EQ(Tessar::TheCalcEnumClass().Reserved9(&zero), S_OK);
    EXPECT_EQ(zero, 0u);
    IUnknown* none = reinterpret_cast<IUnknown*>(0x1);
    EXPECT_EQ(Tessar::TheCalcEnumClass().Reserved10(&none), E_NOTIMPL);
    EXPECT_EQ(none, nullptr);

    IPersistObject* edited = reinterpret_cast<IPersistObject*>(0x1);
    EXPECT_EQ(Tessar::TheCalcClass().EditSettings(nullptr, 0, nullptr, 0, 0, nullptr, nullptr, &edited), E_NOTIMPL);
    EXPECT_EQ(edited, nullptr);
}

TEST_F(ClassObjects, CreateSettingsGivesDefaultSettingsUnderTheInterfaceAsked)
{
    ComPtr<IPersistObject> settings;
    ASSERT_EQ(Tessar::TheSettingsClass().CreateSettings(nullptr, IID_IPersistObject, settings.PutVoid()), S_OK);
    ASSERT_TRUE(settings);
    EXPECT_EQ(RefCountOf(settings.Get()), 1u);
    ASSERT_NE(Tessar::SettingsOf(settings.Get()), nullptr);
    EXPECT_TRUE(Tessar::SettingsOf(settings.Get())->Data() == CalibrationData());

    void* out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(Tessar::TheSettingsClass().CreateSettings(nullptr, IID_ICalcEnum, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(Tessar::TheSettingsClass().CreateSettings(nullptr, IID_IPersistObject, nullptr), E_POINTER);
}

TEST_F(ClassObjects, LoadSettingsReturnsTheObjectWhateverLoadSays)
{
    CalibrationData stored(3);
    stored.fitKind_ = 1;
    stored.rawValues_ = {1, 2, 3};
    stored.calibratedValues_ = {4, 5, 6};
    TestSupport::MemoryObjectStream stream;
    {
        ComPtr<Tessar::TessarSettings> original(new Tessar::TessarSettings(stored));
        ASSERT_EQ(original->Save(stream.Out()), S_OK);
    }

    ComPtr<IPersistObject> loaded;
    ASSERT_EQ(Tessar::TheSettingsClass().LoadSettings(nullptr, stream.In(), loaded.Put()), S_OK);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(RefCountOf(loaded.Get()), 1u);
    EXPECT_TRUE(Tessar::SettingsOf(loaded.Get())->Data() == stored);

    // Cut short: Load fails, the (default) object still comes back.
    stream.Rewind();
    stream.Truncate(4);
    EXPECT_EQ(Tessar::TheSettingsClass().LoadSettings(nullptr, stream.In(), loaded.Put()), E_FAIL);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(RefCountOf(loaded.Get()), 1u);
    EXPECT_TRUE(Tessar::SettingsOf(loaded.Get())->Data() == CalibrationData());

    TestSupport::MemoryObjectStream newer({uint32_t(4)});
    EXPECT_EQ(Tessar::TheSettingsClass().LoadSettings(nullptr, newer.In(), loaded.Put()), KVI_E_VERSION_TOO_NEW);
    EXPECT_TRUE(loaded);
    EXPECT_EQ(Tessar::TheSettingsClass().LoadSettings(nullptr, nullptr, loaded.Put()), E_POINTER);
    EXPECT_TRUE(loaded);
    EXPECT_EQ(Tessar::TheSettingsClass().LoadSettings(nullptr, stream.In(), nullptr), E_POINTER);
}

TEST_F(ClassObjects, CreateEnumeratorGivesAFreshEnumerator)
{
    ComPtr<ICalcEnum> e;
    ASSERT_EQ(Tessar::TheCalcEnumClass().CreateEnumerator(0, e.Put()), S_OK);
    EXPECT_EQ(RefCountOf(e.Get()), 1u);
    EXPECT_EQ(Tessar::TheCalcEnumClass().CreateEnumerator(0, nullptr), E_POINTER);
}

}  // namespace
