// A stand-in framework library for the framework-start tests, built as libzor.so into a test
// directory: DllGetClassObject hands out a registry that knows every type as identifier 0x42,
// or fails with the result set through FakeZorSetResult. Built a second time without the export.
#include <atomic>

#include "interfaces/framework_registry.h"

namespace {

std::atomic<HRESULT> result{S_OK};
std::atomic<int> calls{0};

class Registry final : public IFrameworkRegistry {
public:
    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        if (iid != IID_IUnknown && iid != IID_IFrameworkRegistry) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = this;
        AddRef();
        return S_OK;
    }
    uint32_t AddRef() override { return ++refs_; }
    uint32_t Release() override { return --refs_; }
    HRESULT GetTypeIdentifier(REFGUID, uint16_t* out) override
    {
        if (!out) return E_POINTER;
        *out = 0x42;
        return S_OK;
    }

private:
    std::atomic<uint32_t> refs_{1};
};

Registry registry;

}  // namespace

#ifndef FAKE_ZOR_WITHOUT_EXPORT
extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** out)
{
    ++calls;
    if (!out) return E_POINTER;
    *out = nullptr;
    if (FAILED(result)) return result;
    if (clsid != CLSID_FrameworkRegistry) return CLASS_E_CLASSNOTAVAILABLE;
    return registry.QueryInterface(iid, out);
}
#endif

extern "C" __attribute__((visibility("default"))) void FakeZorSetResult(HRESULT hr) { result = hr; }
extern "C" __attribute__((visibility("default"))) int FakeZorCalls() { return calls; }
