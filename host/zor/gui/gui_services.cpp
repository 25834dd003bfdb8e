#include "host/zor/gui/gui_services.h"

#include "host/zor/gui/help_service.h"
#include "host/zor/gui/host_printing.h"
#include "host/zor/gui/optional_services.h"
#include "host/zor/gui/scale_service.h"

namespace Zor {

namespace {

HRESULT ScaleServiceObject(REFIID iid, void** out) { return ScaleService::Instance()->QueryInterface(iid, out); }
HRESULT HelpServiceObject(REFIID iid, void** out) { return HelpService::Instance()->QueryInterface(iid, out); }
HRESULT PrintingObject(REFIID iid, void** out) { return HostPrinting::Instance()->QueryInterface(iid, out); }

constexpr OptionalServices::Provider kProvider{&ScaleServiceObject, &HelpServiceObject, &PrintingObject};

}  // namespace

void InstallGuiServices() { OptionalServices::Install(&kProvider); }

}  // namespace Zor
