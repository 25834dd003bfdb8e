// Loading shared libraries the way the host loads its modules, and module handles.
// A module handle (HMODULE) is the base address at which a shared object is mapped, so a
// module can name itself (ModuleFromAddress of one of its own functions) and a loader can
// name it by the same value. A null handle names the running executable.
#pragma once

#include <string>

using HMODULE = void*;
using HINSTANCE = HMODULE;
using FARPROC = void (*)();

// dlopen with RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE (modules stay mapped until exit, as the
// class objects they register are immortal). Null on failure; LastLoadError says why.
HMODULE LoadLibraryW(const char16_t* path);
FARPROC GetProcAddress(HMODULE module, const char* name);
bool FreeLibrary(HMODULE module);
// Writes the module's path (UTF-16, null-terminated, cut to size) and returns its length,
// 0 on failure. A null module gives the executable's path.
uint32_t GetModuleFileNameW(HMODULE module, char16_t* buffer, uint32_t size);

namespace platform {

// The module that contains the given code or data address; null when none does.
HMODULE ModuleFromAddress(const void* address);
// The text of the last LoadLibraryW failure on this thread.
std::string LastLoadError();
// Path of the running executable and its directory (UTF-8, no trailing slash).
std::string ExecutablePath();
std::string ExecutableDirectory();

}  // namespace platform
