#include "platform/system_message.h"

#include <cstring>

#include "platform/code_page.h"

namespace platform {
namespace {

struct KnownCode {
    HRESULT code;
    const char16_t* text;
};

constexpr KnownCode kKnown[] = {
    {S_OK, u"The operation completed successfully.\r\n"},
    {E_NOTIMPL, u"Not implemented\r\n"},
    {E_NOINTERFACE, u"No such interface supported\r\n"},
    {E_POINTER, u"Invalid pointer\r\n"},
    {E_ABORT, u"Operation aborted\r\n"},
    {E_FAIL, u"Unspecified error\r\n"},
    {E_UNEXPECTED, u"Catastrophic failure\r\n"},
    {E_OUTOFMEMORY, u"Not enough memory resources are available to complete this operation.\r\n"},
    {E_INVALIDARG, u"The parameter is incorrect.\r\n"},
    {STG_E_OLDDLL, u"The compound file was produced with a newer version of storage.\r\n"},
    {CLASS_E_NOAGGREGATION, u"Class does not support aggregation (or class object is remote)\r\n"},
    {CLASS_E_CLASSNOTAVAILABLE, u"ClassFactory cannot supply requested class\r\n"},
    {REGDB_E_CLASSNOTREG, u"Class not registered\r\n"},
    {CO_E_NOTINITIALIZED, u"CoInitialize has not been called.\r\n"},
};

}  // namespace

std::optional<std::u16string> SystemMessageText(HRESULT code)
{
    for (const KnownCode& k : kKnown)
        if (k.code == code) return std::u16string(k.text);
    if (HRESULT_FACILITY(code) == FACILITY_WIN32 && FAILED(code)) {
        const int err = static_cast<int>(HRESULT_CODE(code));
        char buf[256];
        // strerror_r (GNU form) returns the text, in buf or a static string.
        const char* text = strerror_r(err, buf, sizeof buf);
        if (!text || !*text) return std::nullopt;
        return Utf8ToUtf16(text) + u"\r\n";
    }
    return std::nullopt;
}

}  // namespace platform
