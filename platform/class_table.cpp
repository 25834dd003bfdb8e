#include "platform/class_table.h"

#include <map>
#include <mutex>

namespace {

struct Registration {
    GUID clsid;
    IUnknown* object;
};

struct ClassTable {
    std::mutex mutex;
    std::map<uint32_t, Registration> byCookie;
    uint32_t nextCookie = 1;
};

ClassTable& Table()
{
    // Never destroyed: modules may revoke during their own static destruction.
    static ClassTable* table = new ClassTable;
    return *table;
}

thread_local int oleInitCount = 0;

}  // namespace

HRESULT CoRegisterClassObject(REFCLSID clsid, IUnknown* obj, uint32_t, uint32_t, uint32_t* cookie)
{
    if (!obj || !cookie) return E_INVALIDARG;
    obj->AddRef();
    ClassTable& t = Table();
    std::lock_guard lock(t.mutex);
    *cookie = t.nextCookie++;
    t.byCookie.emplace(*cookie, Registration{clsid, obj});
    return S_OK;
}

HRESULT CoRevokeClassObject(uint32_t cookie)
{
    IUnknown* obj = nullptr;
    {
        ClassTable& t = Table();
        std::lock_guard lock(t.mutex);
        auto it = t.byCookie.find(cookie);
        if (it == t.byCookie.end()) return E_INVALIDARG;
        obj = it->second.object;
        t.byCookie.erase(it);
    }
    obj->Release();  // outside the lock: the release may run arbitrary code
    return S_OK;
}

HRESULT CoGetClassObject(REFCLSID clsid, uint32_t, void*, REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    IUnknown* obj = nullptr;
    {
        ClassTable& t = Table();
        std::lock_guard lock(t.mutex);
        for (auto& [cookie, reg] : t.byCookie)
            if (reg.clsid == clsid) {
                obj = reg.object;
                obj->AddRef();
                break;
            }
    }
    if (!obj) return REGDB_E_CLASSNOTREG;
    HRESULT hr = obj->QueryInterface(iid, out);
    obj->Release();
    return hr;
}

HRESULT OleInitialize(void*) { return oleInitCount++ == 0 ? S_OK : S_FALSE; }

void OleUninitialize()
{
    if (oleInitCount > 0) --oleInitCount;
}
