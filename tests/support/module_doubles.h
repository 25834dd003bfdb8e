// Test doubles of the host objects the module's calculation, enumerators and class objects talk
// to: the framework registry and object factory, the units service and unit list, a
// calculation's site, host application and aggregated base object, and a source sample stream.
//
// Every double counts its references visibly (RefCount). The framework and the services are
// process-wide singletons that never delete themselves (the module keeps the type identifiers
// it was given for the life of the process, so the registry must stay the same one); the site
// and host application live on the test's stack and never delete themselves either; base
// objects and source streams are heap objects deleted by their last Release.
//
// Calls that a test wants to see in order are written to one journal (Journal()), as
// "object.Operation" entries.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "interfaces/calc_enum.h"
#include "interfaces/calc_site.h"
#include "interfaces/class_objects.h"
#include "interfaces/enum_float_ex_defaults.h"
#include "interfaces/framework_registry.h"
#include "interfaces/unit_list.h"
#include "values/units/unit_info.h"
#include "foundation/kvi_string.h"

namespace TestSupport {

// The count an object reports, seen through its own AddRef and Release.
inline uint32_t RefCountOf(IUnknown* object)
{
    object->AddRef();
    return object->Release();
}

// The ordered record of host calls, shared by the doubles. Thread-safe.
class CallJournal {
public:
    void Add(std::string entry);
    // Everything recorded since the last Take, which clears it.
    std::vector<std::string> Take();
    size_t Count(const std::string& entry) const;

private:
    mutable std::mutex mutex_;
    std::vector<std::string> entries_;
};
CallJournal& Journal();

// A counting IUnknown base for the stack-lived doubles: AddRef and Release count, never delete.
template <class Interface>
class Counted : public Interface {
public:
    uint32_t AddRef() override { return uint32_t(++refs_); }
    uint32_t Release() override { return uint32_t(--refs_); }
    int32_t RefCount() const { return refs_.load(); }

protected:
    std::atomic<int32_t> refs_{1};  // the owner's own reference
};

// The units service: builds KVI::UnitEntry objects.
class FakeUnitsService final : public Counted<IUnitsService> {
public:
    HRESULT QueryInterface(REFIID iid, void** out) override;
#define TESSAR_FAKE_RESERVED(n) \
    HRESULT Reserved##n() override { return E_NOTIMPL; }
    TESSAR_FAKE_RESERVED(3) TESSAR_FAKE_RESERVED(4) TESSAR_FAKE_RESERVED(5) TESSAR_FAKE_RESERVED(6)
    TESSAR_FAKE_RESERVED(7) TESSAR_FAKE_RESERVED(8) TESSAR_FAKE_RESERVED(9) TESSAR_FAKE_RESERVED(10)
    TESSAR_FAKE_RESERVED(11) TESSAR_FAKE_RESERVED(12) TESSAR_FAKE_RESERVED(13) TESSAR_FAKE_RESERVED(14)
    TESSAR_FAKE_RESERVED(15) TESSAR_FAKE_RESERVED(16)
#undef TESSAR_FAKE_RESERVED
    // Journal "units.CreateUnit"; [out] a new unit entry with the flag, prefix and name.
    HRESULT CreateUnit(int32_t prefix, IAutoKVIString* name, int32_t flag, IUnitName** out) override;

    KVI::UnitInfo LastUnit() const;

private:
    mutable std::mutex mutex_;
    KVI::UnitInfo last_;
};

// The host's unit list and its source (the class object of CLSID_FrameworkServices). Add keeps
// a reference to every unit it is given.
class FakeUnitList final : public Counted<IUnitList>, public IUnitListSource {
public:
    ~FakeUnitList();
    HRESULT QueryInterface(REFIID iid, void** out) override;
    uint32_t AddRef() override { return Counted::AddRef(); }
    uint32_t Release() override { return Counted::Release(); }
    HRESULT GetUnitList(int32_t zero, IUnitList** out) override;
    HRESULT GetCount(int32_t zero, int32_t* count) override;
    HRESULT GetEnumerator(int32_t, IEnumUnits**) override { return E_NOTIMPL; }
    HRESULT IndexOf(int32_t, IUnitName*, int32_t*) override { return E_NOTIMPL; }
    HRESULT GetAt(int32_t, int32_t, IUnitName**) override { return E_NOTIMPL; }
    // Journal "unitList.Add".
    HRESULT Add(int32_t zero, IUnitName* unit, int32_t* index) override;
    HRESULT Remove(int32_t, IUnitName*) override { return E_NOTIMPL; }

    std::vector<KVI::UnitInfo> Units() const;
    void Clear();

private:
    mutable std::mutex mutex_;
    std::vector<IUnitName*> units_;
};

class FakeBaseObject;

// The framework registry and object factory in one object. GUIDs get identifiers from 0x100 up
// in the order first asked. CreateObject makes FakeBaseObjects for the calculation's base type;
// GetService gives the units service and the registered class objects by type identifier;
// RegisterClassObject keeps what it is given, in order.
class FakeFramework final : public Counted<IFrameworkRegistry>, public IObjectFactory {
public:
    // The process-wide instance (not registered until Install).
    static FakeFramework& Instance();
    // Registers the instance (and the unit list) in the class table when they are not.
    static void Install();
    // Removes both registrations; a later Install puts them back.
    static void Uninstall();

    HRESULT QueryInterface(REFIID iid, void** out) override;
    uint32_t AddRef() override { return Counted::AddRef(); }
    uint32_t Release() override { return Counted::Release(); }

    HRESULT GetTypeIdentifier(REFGUID type, uint16_t* out) override;
    HRESULT CreateObject(IUnknown* outer, uint32_t typeId, REFIID iid, void** out) override;
    HRESULT Reserved4() override { return E_NOTIMPL; }
    HRESULT GetService(uint32_t typeId, REFIID iid, void** out) override;
    HRESULT RegisterClassObject(IZORClassObject* classObject) override;

    // The identifier the registry gives a type (assigning one if needed), and the type
    // identifier (identifier << 16 | low word).
    uint16_t IdentifierOf(const GUID& type);
    uint32_t TypeIdOf(const GUID& type, uint16_t lowWord) { return uint32_t(IdentifierOf(type)) << 16 | lowWord; }
    // How often GetTypeIdentifier was asked for a type.
    int32_t RequestsFor(const GUID& type) const;

    // The class objects registered so far, in order (references held), and forgetting them.
    std::vector<IZORClassObject*> Registered() const;
    void ClearRegistered();

    // The base object CreateObject made last (null before the first), not referenced.
    FakeBaseObject* LastBase() const { return lastBase_; }
    // Switches: CreateObject fails; GetService finds no class objects.
    void SetFailBaseCreation(bool fail) { failBase_ = fail; }
    void SetHideClassObjects(bool hide) { hideClasses_ = hide; }

    FakeUnitsService& UnitsService() { return units_; }
    FakeUnitList& UnitList() { return unitList_; }

private:
    FakeFramework() = default;

    mutable std::mutex mutex_;
    std::map<GUID, uint16_t> identifiers_;
    std::map<GUID, int32_t> requests_;
    std::vector<IZORClassObject*> registered_;
    std::atomic<FakeBaseObject*> lastBase_{nullptr};
    std::atomic<bool> failBase_{false};
    std::atomic<bool> hideClasses_{false};
    FakeUnitsService units_;
    FakeUnitList unitList_;
    uint32_t registryCookie_ = 0;
    uint32_t servicesCookie_ = 0;
};

// The host's application object as the site hands it out.
class FakeHostApplication final : public Counted<IHostApplication> {
public:
    HRESULT QueryInterface(REFIID iid, void** out) override;
#define TESSAR_FAKE_RESERVED(n) \
    HRESULT Reserved##n() override { return E_NOTIMPL; }
    TESSAR_FAKE_RESERVED(3) TESSAR_FAKE_RESERVED(4) TESSAR_FAKE_RESERVED(5) TESSAR_FAKE_RESERVED(6)
    TESSAR_FAKE_RESERVED(7) TESSAR_FAKE_RESERVED(8)
#undef TESSAR_FAKE_RESERVED
    // Journal "host.DataFormatRequested"; keeps the arguments.
    HRESULT DataFormatRequested(int32_t zero, int32_t first, int32_t sixth) override;

    int32_t lastZero = -1, lastFirst = -1, lastSixth = -1;
};

// A calculation's site.
class FakeSite final : public Counted<ICalcSite> {
public:
    HRESULT QueryInterface(REFIID iid, void** out) override;
    HRESULT Reserved3() override { return E_NOTIMPL; }
    // Journal "site.CreateUnits"; keeps the format and the name; [out] a new unit entry
    // (prefix from the format, the name, flag 0), or fails with unitsResult when that is set.
    HRESULT CreateUnits(const ChannelDataFormat* format, IAutoKVIString* name, int32_t zero1, int32_t zero2,
                        IUnitName** out) override;
    HRESULT Reserved5() override { return E_NOTIMPL; }
    HRESULT Reserved6() override { return E_NOTIMPL; }
    HRESULT Reserved7() override { return E_NOTIMPL; }
    HRESULT Reserved8() override { return E_NOTIMPL; }
    // Journal "site.SettingsChanged"; keeps the arguments; returns notifyResult.
    HRESULT SettingsChanged(int32_t channel, int32_t second, uint32_t flags, IUnknown* baseNotify) override;
    HRESULT Reserved10() override { return E_NOTIMPL; }
    HRESULT Reserved11() override { return E_NOTIMPL; }
    // [out] the host application, reference added.
    HRESULT GetHostObject(IUnknown** out) override;

    FakeHostApplication host;
    HRESULT unitsResult = S_OK;
    HRESULT notifyResult = S_OK;
    ChannelDataFormat lastFormat;
    KVI::String lastUnitName;
    int32_t lastChannel = -1, lastSecond = -1;
    uint32_t lastFlags = 0;
    bool notifyHadBase = false;
};

// The calculation's base object, aggregated: its inner unknown (what CreateObject returns)
// counts the object's own references; ICalcBase and the other facets count on the outer
// unknown. Answers ICalcBase, IID_ICalcBaseNotify and IID_ICalculation.
class FakeBaseObject final : public ICalcBase {
public:
    explicit FakeBaseObject(IUnknown* outer);

    IUnknown* Inner() { return &inner_; }
    int32_t InnerRefCount() const { return inner_.refs.load(); }

    HRESULT QueryInterface(REFIID iid, void** out) override { return outer_->QueryInterface(iid, out); }
    uint32_t AddRef() override { return outer_->AddRef(); }
    uint32_t Release() override { return outer_->Release(); }
    // Each journals "base.<Operation>" and keeps its arguments.
    HRESULT SetSources(int32_t count, const CalcSourceRecord* sources, double a, double b) override;
    HRESULT GetDescription(IAutoKVIString** out) override;
    HRESULT SetSettingsText(IAutoKVIString* text) override;
    HRESULT Reserved6() override { return E_NOTIMPL; }
    // Keeps a reference to the enumerator until the base object goes.
    HRESULT AttachEnumerator(ICalculationClass* calcClass, int32_t channel, int32_t second, IUnknown* site,
                             ICalcEnum* enumerator) override;

    int32_t sourceCount = 0;
    CalcSourceRecord source;
    double sourceA = 0, sourceB = 0;
    KVI::String settingsText;
    ICalculationClass* attachedClass = nullptr;
    int32_t attachedChannel = -1, attachedSecond = -1;
    IUnknown* attachedSite = nullptr;
    ICalcEnum* attachedEnumerator = nullptr;  // one reference held

    // A facet answering one IID, counting on the outer unknown.
    struct Facet final : IUnknown {
        explicit Facet(FakeBaseObject* o) : owner(o) {}
        HRESULT QueryInterface(REFIID iid, void** out) override { return owner->outer_->QueryInterface(iid, out); }
        uint32_t AddRef() override { return owner->outer_->AddRef(); }
        uint32_t Release() override { return owner->outer_->Release(); }
        FakeBaseObject* owner;
    };
    Facet notify{this};
    Facet calculation{this};

private:
    ~FakeBaseObject();

    struct InnerUnknown final : IUnknown {
        explicit InnerUnknown(FakeBaseObject* o) : owner(o) {}
        HRESULT QueryInterface(REFIID iid, void** out) override;
        uint32_t AddRef() override { return uint32_t(++refs); }
        uint32_t Release() override;
        FakeBaseObject* owner;
        std::atomic<int32_t> refs{0};
    };

    IUnknown* outer_;
    InnerUnknown inner_{this};
};

// A source sample stream over shared samples. Next copies from the current position, at most
// limit samples per call (so a test can make short reads); past the end it delivers fewer (or,
// cycling, starts over) and returns S_FALSE when fewer than asked. Clone starts a new stream at
// the same position. Heap object, deleted by its last Release; starts with one reference.
class FakeSourceStream final : public IEnumFloatExDefaults {
public:
    explicit FakeSourceStream(std::vector<float> samples);
    FakeSourceStream(const FakeSourceStream&) = delete;
    FakeSourceStream& operator=(const FakeSourceStream&) = delete;

    HRESULT QueryInterface(REFIID iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;
    HRESULT Skip(int64_t count) override;
    HRESULT Reset() override;
    HRESULT GetPosition(int64_t* out) override;
    // Counts its calls (Reserved7Calls), S_OK.
    HRESULT Reserved7() override;
    HRESULT Next(uint32_t count, float* buffer, uint32_t* returned) override;
    HRESULT Clone(IEnumFloatEx** out) override;

    void SetLimit(uint32_t limit) { limit_ = limit; }
    void SetCycling(bool cycling) { cycling_ = cycling; }
    void SetCloneResult(HRESULT hr) { cloneResult_ = hr; }
    int64_t Position() const { return position_; }
    int32_t RefCount() const { return refs_.load(); }
    int32_t Reserved7Calls() const { return reserved7Calls_; }

private:
    ~FakeSourceStream() = default;

    std::shared_ptr<const std::vector<float>> samples_;
    int64_t position_ = 0;
    uint32_t limit_ = UINT32_MAX;
    bool cycling_ = false;
    HRESULT cloneResult_ = S_OK;
    int32_t reserved7Calls_ = 0;
    std::atomic<int32_t> refs_{1};
};

}  // namespace TestSupport
