#include "module/host_visibility.h"

#include "calibration/framework.h"
#include "platform/com_ptr.h"

namespace Tessar {

std::optional<bool> HostSettingsVisibility(IHostSettings* settings)
{
    if (!settings) return std::nullopt;
    const KVI::String key(kApplicationVisibleKey);
    VARIANT_BOOL visible = VARIANT_FALSE;
    // Only a definite answer counts.
    if (settings->GetBool(key.Interface(), &visible) != S_OK) return std::nullopt;
    return visible != VARIANT_FALSE;
}

std::optional<bool> AskHostVisibility()
{
    uint16_t type = 0;
    if (FAILED(Framework::TypeIdentifier(TYPE_HostSettings, &type))) return std::nullopt;
    platform::ComPtr<IHostSettings> settings;
    if (FAILED(Framework::GetService(uint32_t(type) << 16, IID_IHostSettings, settings.PutVoid()))) return std::nullopt;
    return HostSettingsVisibility(settings.Get());
}

}  // namespace Tessar
