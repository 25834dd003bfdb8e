// EditSettings of the calculation class (slot 10), the part with windows: it refuses a source
// channel with units conversion on, cuts a selection that spans several blocks at the end of
// its first block, runs the calibration dialog on a copy of the settings and, after OK, hands
// back the new settings and tells the host that the channel changed.
//
// The module installs it into CalcClass when it is loaded (the settings_dialog_module_hook
// object); the engine itself has no windows.
#pragma once

#include <cstdint>

#include "interfaces/persist_object.h"
#include "platform/unknown.h"

namespace Tessar {

// The host message sent after OK: code, flags and the payload's two doubles (after the channel).
constexpr uint32_t kSettingsChangedCode = 0x800C004Au;
constexpr uint32_t kSettingsChangedFlags = 0x331u;
constexpr double kSettingsChangedTop = 32000.0;
constexpr double kSettingsChangedBottom = -32000.0;

// [in] parentWindow: the host's window (a QWidget*, may be null); document: the host's document
// (queried for IHostDocument); channel: the source channel, 0-based; hostObject: the receiver
// of the host message; current: the channel's settings (a Tessar settings object) or null.
// [out] settings: the new settings after OK, reference added; null otherwise.
// Results: S_OK after OK; S_FALSE after Cancel; E_FAIL when units conversion is on for the
// channel (message 279 shown) or no memory; E_POINTER for a null out-pointer; E_INVALIDARG for
// a document without IHostDocument or settings of another kind.
HRESULT EditTessarSettings(void* parentWindow, IUnknown* document, int32_t channel, IUnknown* hostObject,
                           IPersistObject* current, IPersistObject** settings);

// Sends the host message of a changed channel through the framework's message service to
// receiver: code 0x800C004A, flags 0x331, payload the channel (32-bit) then 32000.0 and -32000.0,
// packed. The service's or the send's result.
HRESULT SendSettingsChanged(IUnknown* receiver, int32_t channel);

}  // namespace Tessar
