#include "host/zor/gui/optional_services.h"

#include <atomic>

namespace Zor {

namespace {

// Written once at load time and read afterwards from any thread; atomic so a reader never sees
// a torn pointer.
std::atomic<const OptionalServices::Provider*>& Current()
{
    static std::atomic<const OptionalServices::Provider*> provider{nullptr};
    return provider;
}

HRESULT Lookup(HRESULT (*OptionalServices::Provider::*which)(REFIID, void**), HRESULT absent,
               REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    const OptionalServices::Provider* provider = Current().load(std::memory_order_acquire);
    if (!provider || !(provider->*which)) return absent;
    return (provider->*which)(iid, out);
}

}  // namespace

void OptionalServices::Install(const Provider* provider) { Current().store(provider, std::memory_order_release); }

HRESULT OptionalServices::GetScaleService(REFIID iid, void** out)
{
    return Lookup(&Provider::scaleService, CLASS_E_CLASSNOTAVAILABLE, iid, out);
}

HRESULT OptionalServices::GetHelpService(REFIID iid, void** out)
{
    return Lookup(&Provider::helpService, E_NOINTERFACE, iid, out);
}

HRESULT OptionalServices::GetPrinting(REFIID iid, void** out)
{
    return Lookup(&Provider::printing, E_NOINTERFACE, iid, out);
}

}  // namespace Zor
