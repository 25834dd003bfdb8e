// Compiled into libzor.so itself (not into a static library, whose unreferenced objects the
// linker would drop): installs the Qt services when the library is loaded.
#include "host/zor/gui/gui_services.h"

namespace {

const bool installed = (Zor::InstallGuiServices(), true);

}  // namespace
