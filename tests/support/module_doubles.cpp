#include "tests/support/module_doubles.h"

#include <algorithm>
#include <cstring>

#include "values/units/unit_entry.h"
#include "platform/class_table.h"
#include "platform/com_ptr.h"

namespace TestSupport {
namespace {

// IIDs of the base object's facets as the calculation asks for them.
constexpr IID kCalculationIid = IID_ICalculation;

template <class I>
HRESULT Answer(I* self, void** out)
{
    self->AddRef();
    *out = self;
    return S_OK;
}

HRESULT NoInterface(void** out)
{
    *out = nullptr;
    return E_NOINTERFACE;
}

IUnitName* NewUnit(int32_t flag, int32_t prefix, const KVI::String& name)
{
    KVI::UnitInfo info;
    info.flag_ = flag;
    info.prefix_ = prefix;
    info.name_ = name;
    auto* unit = new KVI::UnitEntry(info);
    unit->AddRef();
    return unit;
}

}  // namespace

// ---- journal

void CallJournal::Add(std::string entry)
{
    std::lock_guard lock(mutex_);
    entries_.push_back(std::move(entry));
}

std::vector<std::string> CallJournal::Take()
{
    std::lock_guard lock(mutex_);
    return std::exchange(entries_, {});
}

size_t CallJournal::Count(const std::string& entry) const
{
    std::lock_guard lock(mutex_);
    return size_t(std::count(entries_.begin(), entries_.end(), entry));
}

CallJournal& Journal()
{
    static CallJournal* journal = new CallJournal;
    return *journal;
}

// ---- units service and unit list

HRESULT FakeUnitsService::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IUnitsService) return Answer(static_cast<IUnitsService*>(this), out);
    return NoInterface(out);
}

HRESULT FakeUnitsService::CreateUnit(int32_t prefix, IAutoKVIString* name, int32_t flag, IUnitName** out)
{
    if (!out) return E_POINTER;
    Journal().Add("units.CreateUnit");
    const KVI::String text(name);
    {
        std::lock_guard lock(mutex_);
        last_.flag_ = flag;
        last_.prefix_ = prefix;
        last_.name_ = text;
    }
    *out = NewUnit(flag, prefix, text);
    return S_OK;
}

KVI::UnitInfo FakeUnitsService::LastUnit() const
{
    std::lock_guard lock(mutex_);
    return last_;
}

FakeUnitList::~FakeUnitList() { Clear(); }

HRESULT FakeUnitList::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IUnitList) return Answer(static_cast<IUnitList*>(this), out);
    if (iid == IID_IUnitListSource) return Answer(static_cast<IUnitListSource*>(this), out);
    return NoInterface(out);
}

HRESULT FakeUnitList::GetUnitList(int32_t, IUnitList** out)
{
    if (!out) return E_POINTER;
    return Answer(static_cast<IUnitList*>(this), reinterpret_cast<void**>(out));
}

HRESULT FakeUnitList::GetCount(int32_t, int32_t* count)
{
    if (!count) return E_POINTER;
    std::lock_guard lock(mutex_);
    *count = int32_t(units_.size());
    return S_OK;
}

HRESULT FakeUnitList::Add(int32_t, IUnitName* unit, int32_t* index)
{
    if (!unit) return E_INVALIDARG;
    Journal().Add("unitList.Add");
    unit->AddRef();
    std::lock_guard lock(mutex_);
    units_.push_back(unit);
    if (index) *index = int32_t(units_.size()) - 1;
    return S_OK;
}

std::vector<KVI::UnitInfo> FakeUnitList::Units() const
{
    std::lock_guard lock(mutex_);
    std::vector<KVI::UnitInfo> out;
    for (IUnitName* u : units_) {
        KVI::UnitInfo info;
        u->GetFlag(&info.flag_);
        u->GetPrefix(&info.prefix_);
        IAutoKVIString* name = nullptr;
        u->GetText(0, &name);
        info.name_ = KVI::String(name);
        if (name) name->Release();
        out.push_back(info);
    }
    return out;
}

void FakeUnitList::Clear()
{
    std::vector<IUnitName*> units;
    {
        std::lock_guard lock(mutex_);
        units.swap(units_);
    }
    for (IUnitName* u : units) u->Release();
}

// ---- framework

FakeFramework& FakeFramework::Instance()
{
    static FakeFramework* framework = new FakeFramework;
    return *framework;
}

void FakeFramework::Install()
{
    FakeFramework& f = Instance();
    std::lock_guard lock(f.mutex_);
    if (!f.registryCookie_)
        CoRegisterClassObject(CLSID_FrameworkRegistry, static_cast<IFrameworkRegistry*>(&f), CLSCTX_INPROC_SERVER,
                              REGCLS_MULTIPLEUSE, &f.registryCookie_);
    if (!f.servicesCookie_)
        CoRegisterClassObject(CLSID_FrameworkServices, static_cast<IUnitList*>(&f.unitList_), CLSCTX_INPROC_SERVER,
                              REGCLS_MULTIPLEUSE, &f.servicesCookie_);
}

void FakeFramework::Uninstall()
{
    FakeFramework& f = Instance();
    uint32_t registry = 0, services = 0;
    {
        std::lock_guard lock(f.mutex_);
        registry = std::exchange(f.registryCookie_, 0);
        services = std::exchange(f.servicesCookie_, 0);
    }
    if (registry) CoRevokeClassObject(registry);
    if (services) CoRevokeClassObject(services);
}

HRESULT FakeFramework::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IFrameworkRegistry)
        return Answer(static_cast<IFrameworkRegistry*>(this), out);
    if (iid == IID_IObjectFactory) return Answer(static_cast<IObjectFactory*>(this), out);
    return NoInterface(out);
}

uint16_t FakeFramework::IdentifierOf(const GUID& type)
{
    std::lock_guard lock(mutex_);
    auto [it, added] = identifiers_.emplace(type, uint16_t(0x100 + identifiers_.size()));
    return it->second;
}

HRESULT FakeFramework::GetTypeIdentifier(REFGUID type, uint16_t* out)
{
    if (!out) return E_POINTER;
    *out = IdentifierOf(type);
    std::lock_guard lock(mutex_);
    ++requests_[type];
    return S_OK;
}

int32_t FakeFramework::RequestsFor(const GUID& type) const
{
    std::lock_guard lock(mutex_);
    auto it = requests_.find(type);
    return it == requests_.end() ? 0 : it->second;
}

HRESULT FakeFramework::CreateObject(IUnknown* outer, uint32_t typeId, REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    Journal().Add("factory.CreateObject");
    if (failBase_ || typeId != TypeIdOf(TYPE_CalcBase, 17)) return E_FAIL;
    if (!outer || iid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
    auto* base = new FakeBaseObject(outer);
    lastBase_ = base;
    return base->Inner()->QueryInterface(IID_IUnknown, out);
}

HRESULT FakeFramework::GetService(uint32_t typeId, REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (typeId == TypeIdOf(TYPE_UnitsService, 0)) return units_.QueryInterface(iid, out);
    if (hideClasses_) return E_FAIL;
    // The registered class objects are held by the list, so the copy needs no references.
    for (IZORClassObject* zor : Registered()) {
        platform::ComPtr<IUnknown> main;
        if (FAILED(zor->GetClassObject(main.Put())) || !main) continue;
        platform::ComPtr<IGenericClassObject> generic;
        uint32_t id = 0;
        if (SUCCEEDED(main.As(IID_IGenericClassObject, generic))) generic->GetTypeId(&id);
        if (id == typeId) return main->QueryInterface(iid, out);
    }
    return E_FAIL;
}

HRESULT FakeFramework::RegisterClassObject(IZORClassObject* classObject)
{
    if (!classObject) return E_INVALIDARG;
    Journal().Add("factory.RegisterClassObject");
    classObject->AddRef();
    std::lock_guard lock(mutex_);
    registered_.push_back(classObject);
    return S_OK;
}

std::vector<IZORClassObject*> FakeFramework::Registered() const
{
    std::lock_guard lock(mutex_);
    return registered_;
}

void FakeFramework::ClearRegistered()
{
    std::vector<IZORClassObject*> all;
    {
        std::lock_guard lock(mutex_);
        all.swap(registered_);
    }
    for (IZORClassObject* zor : all) zor->Release();
}

// ---- site and host application

HRESULT FakeHostApplication::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IHostApplication) return Answer(static_cast<IHostApplication*>(this), out);
    return NoInterface(out);
}

HRESULT FakeHostApplication::DataFormatRequested(int32_t zero, int32_t first, int32_t sixth)
{
    Journal().Add("host.DataFormatRequested");
    lastZero = zero;
    lastFirst = first;
    lastSixth = sixth;
    return S_OK;
}

HRESULT FakeSite::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_ICalcSite) return Answer(static_cast<ICalcSite*>(this), out);
    return NoInterface(out);
}

HRESULT FakeSite::CreateUnits(const ChannelDataFormat* format, IAutoKVIString* name, int32_t, int32_t,
                              IUnitName** out)
{
    if (!out || !format) return E_POINTER;
    *out = nullptr;
    Journal().Add("site.CreateUnits");
    lastFormat = *format;
    lastUnitName = KVI::String(name);
    if (FAILED(unitsResult)) return unitsResult;
    *out = NewUnit(0, format->prefix, lastUnitName);
    return S_OK;
}

HRESULT FakeSite::SettingsChanged(int32_t channel, int32_t second, uint32_t flags, IUnknown* baseNotify)
{
    Journal().Add("site.SettingsChanged");
    lastChannel = channel;
    lastSecond = second;
    lastFlags = flags;
    notifyHadBase = baseNotify != nullptr;
    return notifyResult;
}

HRESULT FakeSite::GetHostObject(IUnknown** out)
{
    if (!out) return E_POINTER;
    return Answer(static_cast<IUnknown*>(&host), reinterpret_cast<void**>(out));
}

// ---- base object

FakeBaseObject::FakeBaseObject(IUnknown* outer) : outer_(outer) {}

FakeBaseObject::~FakeBaseObject()
{
    if (attachedEnumerator) attachedEnumerator->Release();
}

HRESULT FakeBaseObject::InnerUnknown::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown) return Answer(static_cast<IUnknown*>(this), out);
    if (iid == IID_ICalcBase) return Answer(static_cast<ICalcBase*>(owner), out);
    if (iid == IID_ICalcBaseNotify) return Answer(static_cast<IUnknown*>(&owner->notify), out);
    if (iid == kCalculationIid) return Answer(static_cast<IUnknown*>(&owner->calculation), out);
    return NoInterface(out);
}

uint32_t FakeBaseObject::InnerUnknown::Release()
{
    const int32_t n = --refs;
    if (n == 0) delete owner;
    return uint32_t(n);
}

HRESULT FakeBaseObject::SetSources(int32_t count, const CalcSourceRecord* sources, double a, double b)
{
    Journal().Add("base.SetSources");
    sourceCount = count;
    if (count > 0 && sources) source = sources[0];
    sourceA = a;
    sourceB = b;
    return S_OK;
}

HRESULT FakeBaseObject::GetDescription(IAutoKVIString** out)
{
    if (!out) return E_POINTER;
    Journal().Add("base.GetDescription");
    *out = KVI::String(u"base description").NewReference();
    return S_OK;
}

HRESULT FakeBaseObject::SetSettingsText(IAutoKVIString* text)
{
    Journal().Add("base.SetSettingsText");
    settingsText = KVI::String(text);
    return S_OK;
}

HRESULT FakeBaseObject::AttachEnumerator(ICalculationClass* calcClass, int32_t channel, int32_t second, IUnknown* site,
                                         ICalcEnum* enumerator)
{
    Journal().Add("base.AttachEnumerator");
    attachedClass = calcClass;
    attachedChannel = channel;
    attachedSecond = second;
    attachedSite = site;
    if (enumerator) enumerator->AddRef();
    if (attachedEnumerator) attachedEnumerator->Release();
    attachedEnumerator = enumerator;
    return S_OK;
}

// ---- source stream

FakeSourceStream::FakeSourceStream(std::vector<float> samples)
    : samples_(std::make_shared<const std::vector<float>>(std::move(samples)))
{
}

HRESULT FakeSourceStream::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IEnumFloatEx) return Answer(static_cast<IEnumFloatEx*>(this), out);
    return NoInterface(out);
}

uint32_t FakeSourceStream::AddRef() { return uint32_t(++refs_); }

uint32_t FakeSourceStream::Release()
{
    const int32_t n = --refs_;
    if (n == 0) delete this;
    return uint32_t(n);
}

HRESULT FakeSourceStream::Skip(int64_t count)
{
    position_ = std::clamp<int64_t>(position_ + count, 0, int64_t(samples_->size()));
    return S_OK;
}

HRESULT FakeSourceStream::Reset()
{
    position_ = 0;
    return S_OK;
}

HRESULT FakeSourceStream::GetPosition(int64_t* out)
{
    if (!out) return E_POINTER;
    *out = position_;
    return S_OK;
}

HRESULT FakeSourceStream::Reserved7()
{
    ++reserved7Calls_;
    return S_OK;
}

HRESULT FakeSourceStream::Next(uint32_t count, float* buffer, uint32_t* returned)
{
    const std::vector<float>& all = *samples_;
    uint32_t done = 0;
    const uint32_t wanted = std::min(count, limit_);
    while (done < wanted) {
        if (position_ >= int64_t(all.size())) {
            if (!cycling_ || all.empty()) break;
            position_ = 0;
        }
        const uint32_t n = uint32_t(std::min<int64_t>(wanted - done, int64_t(all.size()) - position_));
        std::memcpy(buffer + done, all.data() + position_, n * sizeof(float));
        done += n;
        position_ += n;
    }
    if (returned) *returned = done;
    return done == count ? S_OK : S_FALSE;
}

HRESULT FakeSourceStream::Clone(IEnumFloatEx** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (FAILED(cloneResult_)) return cloneResult_;
    auto* copy = new FakeSourceStream(std::vector<float>{});
    copy->samples_ = samples_;
    copy->position_ = position_;
    copy->limit_ = limit_;
    copy->cycling_ = cycling_;
    *out = copy;
    return S_OK;
}

}  // namespace TestSupport
