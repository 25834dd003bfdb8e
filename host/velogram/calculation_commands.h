// Velogram::CalculationCommands: the window's Channel commands on calculated channels, as the
// host carries them out through the framework and a calculation class:
//
// - Add: a new channel, named after its source and the class ("Transducer Tessar"), whose
//   calculation the class creates (IChannelCalculations::SetCalculation, which calls the
//   class's CreateCalculation). The channel has no samples until its settings name the source;
//   the source the user chose is remembered for the settings dialog.
// - Edit settings: the class's EditSettings with the host's window, the document interface
//   (HostDocument), the source channel, the host object and the channel's current settings
//   (none before the first settings, so the class makes new ones for the source channel); on
//   OK the returned settings are applied to the channel (IChannelCalculations::ApplySettings).
//
// What goes wrong is told to the user in a message box captioned "Velogram" (foundation's
// message helper), except a refusal by the class, which shows its own message. Qt-free.
#pragma once

#include <cstdint>
#include <vector>

#include "interfaces/class_objects.h"
#include "interfaces/zor_framework.h"
#include "foundation/kvi_string.h"
#include "host/velogram/host_document.h"
#include "platform/com_ptr.h"

namespace Velogram {

// A calculation class the framework has registered, under its name.
struct CalculationChoice {
    KVI::String name;
    platform::ComPtr<ICalculationClass> calcClass;
};

// The registered calculation classes, in the order of registration.
std::vector<CalculationChoice> RegisteredCalculations(IZorFramework* framework);

// The caption of the host's messages.
KVI::String HostCaption();

class CalculationCommands {
public:
    enum class Outcome {
        Applied,         // OK, and the settings changed the calculation
        Unchanged,       // OK with settings equal to the current ones
        Cancelled,       // the user cancelled
        Refused,         // the class refused (it said why)
        NotImplemented,  // the class has no settings dialog (the user was told)
        Failed,          // something else failed (the user was told)
    };

    // [in] framework, document: outlive the commands.
    CalculationCommands(IZorFramework* framework, HostDocument* document)
        : framework_(framework), document_(document)
    {
    }

    // Adds a channel calculated by calcClass from source. [out] channel: the new channel's
    // index. S_OK; the failure (told to the user) otherwise.
    HRESULT Add(ICalculationClass* calcClass, int32_t source, int32_t* channel) const;
    // Runs the settings of a calculated channel. [in] parentWindow: the host's window (a
    // QWidget*), handed to the class.
    Outcome EditSettings(int32_t channel, void* parentWindow) const;

private:
    IZorFramework* framework_;
    HostDocument* document_;
};

}  // namespace Velogram
