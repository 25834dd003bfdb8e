// Loading modules the way the host does: LoadLibraryW (dlopen with RTLD_NODELETE, so a module and
// the class objects it registered stay for the run), then the module's DllRegisterClassObjects,
// which hands its class objects to the object factory.
#pragma once

#include <string>
#include <vector>

#include "platform/hresult.h"

namespace Zor {

// Loads one module (UTF-8 path) and calls its DllRegisterClassObjects once. S_OK; S_FALSE when
// this process registered that module before; E_FAIL, with problem, when it cannot be loaded,
// has no DllRegisterClassObjects, or the call failed.
HRESULT LoadModuleFile(const std::string& path, std::string* problem);

// The modules of a directory, in name order: files named lib*.so other than the framework's
// (libzor.so) and the platform's (libkviplatform.so). Empty, with problem, when the directory
// cannot be read.
std::vector<std::string> ModuleCandidates(const std::string& directory, std::string* problem);

}  // namespace Zor
