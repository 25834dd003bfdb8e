#include "foundation/xkvi.h"

#include "foundation/hresult_message.h"

XKVI::XKVI(const KVI::String& message) : code_(KVI_E_MESSAGE), message_(message) {}

XKVI::XKVI(HRESULT code) : code_(code), message_(KVI::HResultMessage(code)) {}

XKVI::~XKVI() = default;

const char* XKVI::what() const noexcept
{
    try {
        return message_.Narrow();
    } catch (...) {  // the narrow copy could not be made
        return "";
    }
}

KVI::String XKVI::Message() const
{
    return message_;
}

void RaiseHResult(HRESULT code)
{
    throw XKVI(code);
}
