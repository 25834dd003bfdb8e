// Whether the host's application window is visible: pop-up messages are shown only then. The
// answer comes from a source that the module installs when it is loaded (it asks the host's
// settings object, module/host_visibility.h); the foundation itself knows no host interface.
#pragma once

#include <functional>
#include <optional>

namespace KVI {

// The host's answer, or nothing when the host cannot say (no settings object, a failure, a key
// it does not know).
using VisibilitySource = std::function<std::optional<bool>()>;

// Installs the source for the process (an empty one removes it) and returns the previous one.
// Call from the user-interface thread.
VisibilitySource SetVisibilitySource(VisibilitySource source);

// The source's answer; true when there is no source or no answer, so a host that cannot say
// lets pop-ups show.
bool IsApplicationVisible();

}  // namespace KVI
