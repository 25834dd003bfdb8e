// The process-wide class-object table that stands in for the COM runtime, and OLE start-up.
// Everything here is thread-safe.
#pragma once

#include <cstdint>

#include "platform/unknown.h"

constexpr uint32_t CLSCTX_INPROC_SERVER = 0x1;
constexpr uint32_t CLSCTX_INPROC_HANDLER = 0x2;
constexpr uint32_t CLSCTX_LOCAL_SERVER = 0x4;
constexpr uint32_t CLSCTX_REMOTE_SERVER = 0x10;
constexpr uint32_t CLSCTX_ALL = 0x17;  // 23

constexpr uint32_t REGCLS_SINGLEUSE = 0;
constexpr uint32_t REGCLS_MULTIPLEUSE = 1;

// Registers obj (a reference is taken) as the class object of clsid. cookie receives the
// registration's handle for CoRevokeClassObject. E_INVALIDARG for a null object or cookie.
HRESULT CoRegisterClassObject(REFCLSID clsid, IUnknown* obj, uint32_t context, uint32_t flags, uint32_t* cookie);
// Removes a registration and releases its reference. E_INVALIDARG for an unknown cookie.
HRESULT CoRevokeClassObject(uint32_t cookie);
// Queries the class object registered for clsid for iid. REGDB_E_CLASSNOTREG when none is
// registered; E_POINTER for a null out-pointer.
HRESULT CoGetClassObject(REFCLSID clsid, uint32_t context, void* serverInfo, REFIID iid, void** out);

// Per-thread initialisation count: S_OK on a thread's first call, S_FALSE after.
HRESULT OleInitialize(void* reserved);
void OleUninitialize();
