#include "host/zor/module_loader.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>

#include "platform/code_page.h"
#include "platform/module.h"

namespace Zor {
namespace {

using DllRegisterClassObjectsFn = HRESULT (*)();

struct Registered {
    std::mutex mutex;
    std::set<HMODULE> modules;
};

Registered& RegisteredModules()
{
    static Registered* const r = new Registered;
    return *r;
}

bool EndsWith(const std::string& s, std::string_view end)
{
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

HRESULT LoadModuleFile(const std::string& path, std::string* problem)
{
    problem->clear();
    const std::u16string wide = platform::Utf8ToUtf16(path);
    HMODULE module = LoadLibraryW(wide.c_str());
    if (!module) {
        *problem = path + ": cannot be loaded: " + platform::LastLoadError();
        return E_FAIL;
    }
    auto fn = reinterpret_cast<DllRegisterClassObjectsFn>(GetProcAddress(module, "DllRegisterClassObjects"));
    if (!fn) {
        *problem = path + ": not a module (it has no DllRegisterClassObjects)";
        return E_FAIL;
    }
    Registered& registered = RegisteredModules();
    // Held across the call so that a second loader of the same module waits and then skips it.
    std::lock_guard lock(registered.mutex);
    if (registered.modules.count(module)) return S_FALSE;
    HRESULT hr = E_FAIL;
    try {
        hr = fn();
    } catch (...) {
        *problem = path + ": DllRegisterClassObjects failed with an exception";
        return E_FAIL;
    }
    if (FAILED(hr)) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
        *problem = path + ": DllRegisterClassObjects failed (" + code + ")";
        return E_FAIL;
    }
    registered.modules.insert(module);
    return S_OK;
}

std::vector<std::string> ModuleCandidates(const std::string& directory, std::string* problem)
{
    problem->clear();
    std::vector<std::string> found;
    DIR* dir = opendir(directory.c_str());
    if (!dir) {
        *problem = directory + ": " + std::strerror(errno);
        return found;
    }
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.rfind("lib", 0) != 0 || !EndsWith(name, ".so")) continue;
        if (name == "libzor.so" || name == "libkviplatform.so") continue;
        const std::string path = directory + "/" + name;
        struct stat st {};
        if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) found.push_back(path);
    }
    closedir(dir);
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace Zor
