#include "platform/module.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "platform/code_page.h"

namespace {

thread_local std::string lastLoadError;

// Base address -> dlopen handle of the libraries loaded through LoadLibraryW.
struct LoadedModules {
    std::mutex mutex;
    std::map<HMODULE, void*> handles;
};

LoadedModules& Loaded()
{
    static LoadedModules* m = new LoadedModules;
    return *m;
}

HMODULE BaseOfHandle(void* handle)
{
    link_map* lm = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &lm) != 0 || !lm) return nullptr;
    // The load bias of a shared object linked at address 0 is its base address, which is
    // what dladdr reports as dli_fbase for any address inside it.
    Dl_info info{};
    if (lm->l_ld && dladdr(lm->l_ld, &info) && info.dli_fbase) return info.dli_fbase;
    return reinterpret_cast<HMODULE>(lm->l_addr);
}

}  // namespace

HMODULE LoadLibraryW(const char16_t* path)
{
    if (!path) {
        lastLoadError = "no path";
        return nullptr;
    }
    std::u16string_view view(path);
    const std::string utf8 = platform::Utf16ToUtf8(view);
    void* handle = dlopen(utf8.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!handle) {
        const char* err = dlerror();
        lastLoadError = err ? err : "unknown error";
        return nullptr;
    }
    HMODULE base = BaseOfHandle(handle);
    if (!base) {
        lastLoadError = "cannot find the base address of " + utf8;
        dlclose(handle);
        return nullptr;
    }
    LoadedModules& m = Loaded();
    std::lock_guard lock(m.mutex);
    auto [it, inserted] = m.handles.emplace(base, handle);
    if (!inserted) dlclose(handle);  // already held once; the count stays with the first
    return base;
}

FARPROC GetProcAddress(HMODULE module, const char* name)
{
    if (!name) return nullptr;
    void* handle = nullptr;
    {
        LoadedModules& m = Loaded();
        std::lock_guard lock(m.mutex);
        auto it = m.handles.find(module);
        if (it != m.handles.end()) handle = it->second;
    }
    if (!handle) return nullptr;
    void* sym = dlsym(handle, name);
    FARPROC fn = nullptr;
    static_assert(sizeof fn == sizeof sym);
    std::memcpy(&fn, &sym, sizeof fn);
    return fn;
}

bool FreeLibrary(HMODULE module)
{
    void* handle = nullptr;
    {
        LoadedModules& m = Loaded();
        std::lock_guard lock(m.mutex);
        auto it = m.handles.find(module);
        if (it == m.handles.end()) return false;
        handle = it->second;
        m.handles.erase(it);
    }
    return dlclose(handle) == 0;
}

uint32_t GetModuleFileNameW(HMODULE module, char16_t* buffer, uint32_t size)
{
    if (!buffer || size == 0) return 0;
    std::string path;
    if (!module) {
        path = platform::ExecutablePath();
    } else {
        Dl_info info{};
        if (!dladdr(module, &info) || !info.dli_fname) return 0;
        path = info.dli_fname;
    }
    const std::u16string wide = platform::Utf8ToUtf16(path);
    const uint32_t n = static_cast<uint32_t>(std::min<size_t>(wide.size(), size - 1));
    std::memcpy(buffer, wide.data(), n * sizeof(char16_t));
    buffer[n] = 0;
    return n;
}

namespace platform {

HMODULE ModuleFromAddress(const void* address)
{
    Dl_info info{};
    if (!dladdr(address, &info)) return nullptr;
    return info.dli_fbase;
}

std::string LastLoadError() { return lastLoadError; }

std::string ExecutablePath()
{
    std::vector<char> buf(4096);
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) return {};
        if (static_cast<size_t>(n) < buf.size()) return std::string(buf.data(), static_cast<size_t>(n));
        buf.resize(buf.size() * 2);
    }
}

std::string ExecutableDirectory()
{
    std::string p = ExecutablePath();
    auto slash = p.rfind('/');
    return slash == std::string::npos ? std::string(".") : p.substr(0, slash == 0 ? 1 : slash);
}

}  // namespace platform
