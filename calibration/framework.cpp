#include "calibration/framework.h"

#include <cstdlib>
#include <mutex>
#include <string>

#include "calibration/interface_guard.h"
#include "foundation/message_box.h"
#include "foundation/xkvi.h"
#include "platform/class_table.h"
#include "platform/code_page.h"
#include "platform/com_ptr.h"
#include "platform/module.h"

namespace Tessar {
namespace {

constexpr char kFrameworkLibrary[] = "libzor.so";
constexpr char kFrameworkExport[] = "DllGetClassObject";
constexpr size_t kMaxReportedPathLength = 511;

// What the framework start has done, process-wide. The start runs under the mutex, so two
// threads that both miss the registry load and register the library only once.
struct FrameworkStart {
    std::mutex mutex;
    bool oleInitialized = false;
    bool started = false;
    uint32_t cookie = 0;
    // Where the library is looked for; empty means the executable's directory.
    std::string libraryDirectory;
};

FrameworkStart& Start()
{
    // Never destroyed: class objects may reach the framework during static destruction.
    static FrameworkStart* start = new FrameworkStart;
    return *start;
}

void InitializeOleOnce(FrameworkStart& s)
{
    if (s.oleInitialized) return;
    const HRESULT hr = OleInitialize(nullptr);
    if (FAILED(hr)) throw XKVI(hr);  // S_FALSE: already initialised on this thread
    s.oleInitialized = true;
}

[[noreturn]] void ReportMissingLibrary(const std::string& path)
{
    std::u16string shown = platform::Utf8ToUtf16(path);
    if (shown.size() > kMaxReportedPathLength) shown.resize(kMaxReportedPathLength);
    KVI::String text(u"Vello failed to load ");
    text += KVI::String(shown);
    KVI::ShowMessage(KVI::String(u"Vello load failed"), text, KVI::MessageIcon::Stop);
    // Without its framework the host cannot go on; this is the host's own way of stopping.
    std::exit(-1);
}

// Loads the framework library and registers its registry class object. Runs with s.mutex held.
void StartFramework(FrameworkStart& s)
{
    InitializeOleOnce(s);
    const std::string dir = s.libraryDirectory.empty() ? platform::ExecutableDirectory() : s.libraryDirectory;
    const std::string path = dir + "/" + kFrameworkLibrary;
    const std::u16string widePath = platform::Utf8ToUtf16(path);
    HMODULE library = LoadLibraryW(widePath.c_str());
    FARPROC entry = library ? GetProcAddress(library, kFrameworkExport) : nullptr;
    if (!entry) ReportMissingLibrary(path);

    const auto getClassObject = reinterpret_cast<DllGetClassObjectFn>(entry);
    platform::ComPtr<IUnknown> registry;
    HRESULT hr = getClassObject(CLSID_FrameworkRegistry, IID_IUnknown, registry.PutVoid());
    if (FAILED(hr)) throw XHResult(hr);
    if (!registry) throw XHResult(E_POINTER);
    hr = CoRegisterClassObject(CLSID_FrameworkRegistry, registry.Get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                               &s.cookie);
    if (FAILED(hr)) throw XHResult(hr);
    s.started = true;
}

HRESULT FetchRegistry(REFIID iid, void** out)
{
    return CoGetClassObject(CLSID_FrameworkRegistry, CLSCTX_ALL, nullptr, iid, out);
}

CachedTypeId& UnitsServiceTypeId()
{
    static CachedTypeId id(TYPE_UnitsService, 0);
    return id;
}

}  // namespace

HRESULT Framework::GetRegistry(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    platform::ComPtr<IUnknown> registry;
    if (FAILED(FetchRegistry(IID_IUnknown, registry.PutVoid()))) {
        FrameworkStart& s = Start();
        std::lock_guard lock(s.mutex);
        // Another thread may have started it while this one waited.
        if (!s.started && FAILED(FetchRegistry(IID_IUnknown, registry.PutVoid()))) StartFramework(s);
    }
    return FetchRegistry(iid, out);
}

HRESULT Framework::TypeIdentifier(REFGUID type, uint16_t* out)
{
    if (!out) return E_POINTER;
    *out = 0;
    platform::ComPtr<IFrameworkRegistry> registry;
    const HRESULT hr = GetRegistry(IID_IFrameworkRegistry, registry.PutVoid());
    if (FAILED(hr)) return hr;
    if (!registry) return E_FAIL;
    return registry->GetTypeIdentifier(type, out);
}

HRESULT Framework::GetService(uint32_t typeId, REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    platform::ComPtr<IObjectFactory> factory;
    const HRESULT hr = GetRegistry(IID_IObjectFactory, factory.PutVoid());
    if (FAILED(hr)) return hr;
    if (!factory) return E_FAIL;
    return factory->GetService(typeId, iid, out);
}

HRESULT Framework::GetUnitsService(IUnitsService** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    uint32_t typeId = 0;
    const HRESULT hr = UnitsServiceTypeId().Get(&typeId);
    if (FAILED(hr)) return hr;
    return GetService(typeId, IID_IUnitsService, reinterpret_cast<void**>(out));
}

HRESULT Framework::GetUnitList(IUnitList** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    platform::ComPtr<IUnitListSource> source;
    const HRESULT hr =
        CoGetClassObject(CLSID_FrameworkServices, CLSCTX_ALL, nullptr, IID_IUnitListSource, source.PutVoid());
    if (FAILED(hr)) return hr;
    if (!source) return E_FAIL;
    return source->GetUnitList(0, out);
}

void Framework::Shutdown()
{
    FrameworkStart& s = Start();
    std::lock_guard lock(s.mutex);
    if (s.oleInitialized) OleUninitialize();
    s.oleInitialized = false;
}

HRESULT CachedTypeId::Get(uint32_t* out)
{
    if (!out) return E_POINTER;
    uint64_t value = value_.load(std::memory_order_acquire);
    if (!(value & kKnown)) {
        uint16_t id = 0;
        const HRESULT hr = GuardedCall([&] { return Framework::TypeIdentifier(type_, &id); });
        if (FAILED(hr)) {
            *out = 0;
            return hr;
        }
        value = kKnown | (uint32_t(id) << 16) | lowWord_;
        value_.store(value, std::memory_order_release);
    }
    *out = static_cast<uint32_t>(value);
    return S_OK;
}

// Test hooks, declared only in tests/support/framework_start_hooks.h: where the framework
// library is looked for, and forgetting a start (its registration is revoked).
namespace FrameworkStartHooks {

void SetLibraryDirectory(const std::string& directory)
{
    FrameworkStart& s = Start();
    std::lock_guard lock(s.mutex);
    s.libraryDirectory = directory;
}

void Reset()
{
    FrameworkStart& s = Start();
    uint32_t cookie = 0;
    {
        std::lock_guard lock(s.mutex);
        if (s.started) cookie = s.cookie;
        s.started = false;
        s.cookie = 0;
    }
    if (cookie) CoRevokeClassObject(cookie);
}

bool Started()
{
    FrameworkStart& s = Start();
    std::lock_guard lock(s.mutex);
    return s.started;
}

}  // namespace FrameworkStartHooks

}  // namespace Tessar
