#include "foundation/hresult_message.h"

#include <array>
#include <cstdio>
#include <optional>
#include <string>

#include "platform/system_message.h"

namespace KVI {
namespace {

// Resource ids of the host's texts for the module's codes 0xA0048200 + index; 0: no text.
constexpr std::array<uint32_t, 19> kOwnCodeTextIds = {
    57345, 57346, 57347, 57348, 57349, 57349, 57352, 57350, 57351, 57354,  // 0 to 9
    0,     0,     0,     0,     0,     0,     0,     0,                    // 10 to 17
    57358,                                                                 // 18
};

bool IsOwnCode(HRESULT code)
{
    return HRESULT_FACILITY(code) == FACILITY_ITF && (static_cast<uint32_t>(code) & 0x20008200u) != 0;
}

String OwnCodeMessage(HRESULT code)
{
    if (code == KVI_E_NO_TEXT || code == KVI_E_MESSAGE || code == KVI_E_NO_TEXT2) return String();
    const int index = static_cast<int>(HRESULT_CODE(code)) - 0x8200;
    if (index < 0 || index >= static_cast<int>(kOwnCodeTextIds.size())) return String();
    const uint32_t id = kOwnCodeTextIds[static_cast<size_t>(index)];
    return id == 0 ? String() : LoadString(nullptr, id, true);
}

String SystemCodeMessage(HRESULT code)
{
    // For facility 7 only the error number counts, whatever the severity bits say.
    const HRESULT lookup = HRESULT_FACILITY(code) == FACILITY_WIN32
                               ? HResultFromErrno(static_cast<int>(HRESULT_CODE(code)))
                               : code;
    std::u16string text = platform::SystemMessageText(lookup).value_or(std::u16string());
    while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r')) text.pop_back();
    if (text.empty()) {
        // The system has nothing to say: the code itself is more use than an empty message.
        char buf[32];
        std::snprintf(buf, sizeof buf, "Error 0x%08X.", static_cast<unsigned>(code));
        return String(buf);
    }
    if (text.back() != u'.') text += u'.';
    return String(std::u16string_view(text));
}

}  // namespace

String HResultMessage(HRESULT code)
{
    if (code == STG_E_OLDDLL) code = KVI_E_VERSION_TOO_NEW;
    return IsOwnCode(code) ? OwnCodeMessage(code) : SystemCodeMessage(code);
}

}  // namespace KVI
