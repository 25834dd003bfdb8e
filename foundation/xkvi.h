// The error objects raised inside the module. Both are turned into HRESULT results at the
// interface boundary; neither crosses an interface.
#pragma once

#include <exception>

#include "foundation/kvi_string.h"
#include "platform/hresult.h"

// An HRESULT with a message text.
class XKVI : public std::exception {
public:
    // From a message text: the code is KVI_E_MESSAGE (0xA0048210).
    explicit XKVI(const KVI::String& message);
    // From a result code: the message is KVI::HResultMessage(code).
    explicit XKVI(HRESULT code);
    // Copies share the message's representation.
    XKVI(const XKVI&) = default;
    XKVI& operator=(const XKVI&) = default;
    ~XKVI() override;

    // The message as UTF-8 text (the string's cached narrow copy); valid while this object
    // lives and its message is unchanged.
    const char* what() const noexcept override;
    // The message, a new reference to the same representation.
    virtual KVI::String Message() const;

    HRESULT Code() const { return code_; }

private:
    HRESULT code_;
    KVI::String message_;
};

// A bare HRESULT, raised where a system or COM call fails.
class XHResult {
public:
    explicit XHResult(HRESULT code) : code_(code) {}
    HRESULT Code() const { return code_; }

private:
    HRESULT code_;
};

// Throws XKVI(code).
[[noreturn]] void RaiseHResult(HRESULT code);
