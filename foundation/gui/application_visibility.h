// Whether the host's application window is visible: pop-up messages are shown only then. The
// answer comes from the host's settings object (calibration/host/host_settings.h), which the
// module hands over at start-up as a source; the foundation itself never reaches the framework.
#pragma once

#include <functional>

#include "calibration/host/host_settings.h"

namespace KVI {

// [out] the host's settings object with a reference for the caller, or a failure result.
using HostSettingsSource = std::function<HRESULT(IHostSettings** out)>;

// Installs the source for the process (an empty one removes it) and returns the previous one.
// Call from the user-interface thread.
HostSettingsSource SetHostSettingsSource(HostSettingsSource source);

// Asks the host for the boolean "kvi\application\visible". True when the host does not answer:
// no source, no settings object, a failure, or a key the host does not know (S_FALSE).
bool IsApplicationVisible();

}  // namespace KVI
