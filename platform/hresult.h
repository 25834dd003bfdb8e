// Result codes of the COM-style interfaces: the HRESULT type, the standard codes the
// system meets, and the module's own codes (0xA0048200 + index).
#pragma once

#include <cstdint>

using HRESULT = int32_t;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;

constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT STG_E_OLDDLL = static_cast<HRESULT>(0x80030105u);
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0u);

constexpr uint32_t FACILITY_ITF = 4;
constexpr uint32_t FACILITY_WIN32 = 7;

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }
constexpr uint32_t HRESULT_FACILITY(HRESULT hr) { return (static_cast<uint32_t>(hr) >> 16) & 0x1FFFu; }
constexpr uint32_t HRESULT_CODE(HRESULT hr) { return static_cast<uint32_t>(hr) & 0xFFFFu; }

// A POSIX errno value wrapped as a failure of facility 7, the way a Win32 error code is.
constexpr HRESULT HResultFromErrno(int err)
{
    return err <= 0 ? S_OK
                    : static_cast<HRESULT>((static_cast<uint32_t>(err) & 0xFFFFu) | (FACILITY_WIN32 << 16) |
                                           0x80000000u);
}

// The module's own codes: 0xA0048200 + index.
constexpr HRESULT KviError(uint32_t index) { return static_cast<HRESULT>(0xA0048200u + index); }
constexpr HRESULT KVI_E_VERSION_TOO_NEW = KviError(5);  // stored settings version too new
constexpr HRESULT KVI_E_NO_TEXT = KviError(0xF);        // carries no message text of its own
constexpr HRESULT KVI_E_MESSAGE = KviError(0x10);       // an error made from a message text
constexpr HRESULT KVI_E_NO_TEXT2 = KviError(0x11);
