// HResultMessage: the message text for an HRESULT.
#pragma once

#include "foundation/kvi_string.h"
#include "platform/hresult.h"

namespace KVI {

// The text for a result code. Each call returns its own string; nothing is shared between
// calls, so it may be called from several threads at once.
//
// - STG_E_OLDDLL is reported as KVI_E_VERSION_TOO_NEW (0xA0048205).
// - The module's own codes (facility 4 with any of the bits 0x20008200 set): 0xA004820F,
//   0xA0048210 (an XKVI made from a message text, which carries its own) and 0xA0048211 give
//   the empty string; others give the host's string resource for the code (loaded with
//   host-name substitution), or the empty string when the code has none.
// - Any other code: the system's text (for facility 7 the low 16 bits are the error number)
//   without its trailing line break and ending in a full stop. When the system has no text,
//   "Error 0xXXXXXXXX." with the code in hexadecimal.
String HResultMessage(HRESULT code);

}  // namespace KVI
