// Starting the framework from the host application's side, as the host does at start-up: load
// libzor.so, fetch its registry through DllGetClassObject, and register the registry with the
// platform's class-object table so that modules find it. The host then talks to the framework
// through IZorFramework only. This code is linked into the application (zor_client); it uses
// nothing of the framework library but its export.
#pragma once

#include <string>
#include <string_view>

#include "interfaces/zor_framework.h"

namespace Zor {

// [in] libraryPath: the framework library (UTF-8); empty: libzor.so in the executable's
// directory. [out] framework: reference held by the caller; problem: why it failed. S_OK; E_FAIL
// when the library cannot be loaded or has no DllGetClassObject; the failure of
// DllGetClassObject or of the registration otherwise. Starting twice gives the same framework.
HRESULT StartFramework(const std::string& libraryPath, IZorFramework** framework, std::string* problem);

// The first registered class object of a kind (KIND_...) whose class name is name, as a host
// finds a module's classes. [out] its main interface, reference added. S_OK;
// CLASS_E_CLASSNOTAVAILABLE (out null) when there is none; E_POINTER for null arguments.
HRESULT FindClassByName(IZorFramework* framework, REFGUID kind, std::u16string_view name, IUnknown** out);

}  // namespace Zor
