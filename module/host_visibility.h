// The host's answer to whether its application window is visible, for the pop-up messages of
// the module's dialogs (foundation/gui/application_visibility.h): the boolean
// "kvi\application\visible" of the host's settings object.
#pragma once

#include <optional>

#include "interfaces/host_settings.h"

namespace Tessar {

// [in] settings: the host's settings object (may be null). The value when the host knows the
// key (S_OK); nothing for a null object, a failure or an unknown key (S_FALSE).
std::optional<bool> HostSettingsVisibility(IHostSettings* settings);

// HostSettingsVisibility of the framework's settings service; nothing without a framework.
std::optional<bool> AskHostVisibility();

}  // namespace Tessar
