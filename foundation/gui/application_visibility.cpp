#include "foundation/gui/application_visibility.h"

#include <utility>

#include "platform/com_ptr.h"

namespace KVI {
namespace {

HostSettingsSource& Source()
{
    static HostSettingsSource source;
    return source;
}

}  // namespace

HostSettingsSource SetHostSettingsSource(HostSettingsSource source)
{
    return std::exchange(Source(), std::move(source));
}

bool IsApplicationVisible()
{
    const HostSettingsSource& source = Source();
    if (!source) return true;
    platform::ComPtr<IHostSettings> settings;
    if (FAILED(source(settings.Put())) || !settings) return true;
    const String key(kApplicationVisibleKey);
    VARIANT_BOOL visible = VARIANT_FALSE;
    const HRESULT hr = settings->GetBool(key.Interface(), &visible);
    // Only a definite answer counts; a host that does not know the key lets pop-ups show.
    if (hr != S_OK) return true;
    return visible != VARIANT_FALSE;
}

}  // namespace KVI
