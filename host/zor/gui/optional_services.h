// Zor::OptionalServices: how the framework library reaches the services that need a windowing
// system (the scale component's service, help and printing). The Qt half of the library installs
// its provider when libzor.so is loaded; a build without Qt has none, and then those services are
// simply absent: the lookups below answer as for an unknown service. Qt-free.
#pragma once

#include "platform/unknown.h"

namespace Zor {

class OptionalServices {
public:
    // Each function hands out its service under iid (reference added) or fails as
    // QueryInterface does.
    struct Provider {
        HRESULT (*scaleService)(REFIID iid, void** out);
        HRESULT (*helpService)(REFIID iid, void** out);
        HRESULT (*printing)(REFIID iid, void** out);
    };

    // Installs the provider for the process (the pointer must stay valid; null removes it).
    // Called once at load time, before any lookup.
    static void Install(const Provider* provider);

    // The scale service (interfaces/scale.h). CLASS_E_CLASSNOTAVAILABLE when absent.
    static HRESULT GetScaleService(REFIID iid, void** out);
    // The help service (interfaces/help.h). E_NOINTERFACE when absent.
    static HRESULT GetHelpService(REFIID iid, void** out);
    // The printing face of the data-access object (interfaces/printing.h): what its
    // QueryInterface answers for IID_IZORPrinting. E_NOINTERFACE when absent.
    static HRESULT GetPrinting(REFIID iid, void** out);
};

}  // namespace Zor
