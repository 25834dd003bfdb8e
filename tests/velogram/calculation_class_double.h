// A calculation class that stands in for a module's class in the host's tests: every slot but
// EditSettings goes to the real class (so the calculations, their settings and stored documents
// are the real module's), and EditSettings is the test's: it writes down what the host passed
// and answers as the test scripts it.
#pragma once

#include <atomic>
#include <functional>

#include "interfaces/class_objects.h"
#include "interfaces/document_access.h"
#include "platform/com_ptr.h"

namespace VelogramTest {

struct EditSettingsCall {
    void* parentWindow = nullptr;
    platform::ComPtr<IUnknown> document;
    int32_t channel = -1;
    platform::ComPtr<IUnknown> hostObject;
    platform::ComPtr<IPersistObject> current;
};

class CalculationClassDouble final : public ICalculationClass {
public:
    // [out] settings, with a reference for the host; the result is EditSettings'.
    using Script = std::function<HRESULT(const EditSettingsCall& call, IPersistObject** settings)>;

    CalculationClassDouble(ICalculationClass* real, Script script) : real_(real), script_(std::move(script)) {}

    int calls = 0;
    EditSettingsCall last;

    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IGenericClassObject || iid == IID_ICalculationClass) {
            *out = static_cast<ICalculationClass*>(this);
            AddRef();
            return S_OK;
        }
        return real_->QueryInterface(iid, out);
    }
    // Lives on the test's stack: counted, never freed.
    uint32_t AddRef() override { return static_cast<uint32_t>(++refs_); }
    uint32_t Release() override { return static_cast<uint32_t>(--refs_); }
    int32_t RefCount() const { return refs_; }

    HRESULT GetTypeId(uint32_t* out) override { return real_->GetTypeId(out); }
    const GUID* GetClassKind() override { return real_->GetClassKind(); }
    HRESULT GetClassNameBstr(BSTR* out) override { return real_->GetClassNameBstr(out); }
    HRESULT IsClassKind(REFGUID kind) override { return real_->IsClassKind(kind); }
    HRESULT GetClassName(IAutoKVIString** out) override { return real_->GetClassName(out); }
    HRESULT GetClassDescription(IAutoKVIString** out) override { return real_->GetClassDescription(out); }
    HRESULT Reserved9(uint32_t* out) override { return real_->Reserved9(out); }
    HRESULT EditSettings(void* parentWindow, int32_t, IUnknown* document, int32_t, int32_t channel,
                         IUnknown* hostObject, IPersistObject* current, IPersistObject** settings) override
    {
        ++calls;
        last = EditSettingsCall{parentWindow, platform::ComPtr<IUnknown>(document), channel,
                                platform::ComPtr<IUnknown>(hostObject), platform::ComPtr<IPersistObject>(current)};
        if (settings) *settings = nullptr;
        return script_ ? script_(last, settings) : E_NOTIMPL;
    }
    HRESULT CreateCalculation(int32_t channel, int32_t second, ICalcSite* site, IUnknown** out) override
    {
        return real_->CreateCalculation(channel, second, site, out);
    }

private:
    ICalculationClass* real_;
    Script script_;
    std::atomic<int32_t> refs_{0};
};

}  // namespace VelogramTest
