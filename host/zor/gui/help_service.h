// Zor::HelpService: the help service (IHelpService, interfaces/help.h), answered by the
// framework class object of CLSID_FrameworkServices. One per process, never freed. Its window
// (HelpWindow) is made on first use and reused; it is a top-level window that closes (and is
// deleted) like any other.
#pragma once

#include <atomic>

#include "interfaces/help.h"

namespace Zor {

class HelpWindow;

class HelpService final : public IHelpService {
public:
    static HelpService* Instance();

    HRESULT QueryInterface(REFIID iid, void** out) override;
    // Counted, but the object is never freed.
    uint32_t AddRef() override;
    uint32_t Release() override;

    HRESULT Reserved3() override { return E_NOTIMPL; }
    HRESULT Reserved4() override { return E_NOTIMPL; }
    HRESULT Reserved5() override { return E_NOTIMPL; }
    HRESULT Reserved6() override { return E_NOTIMPL; }
    HRESULT Reserved7() override { return E_NOTIMPL; }
    HRESULT Reserved8() override { return E_NOTIMPL; }
    HRESULT Reserved9() override { return E_NOTIMPL; }
    HRESULT Reserved10() override { return E_NOTIMPL; }
    HRESULT Reserved11() override { return E_NOTIMPL; }
    HRESULT Reserved12() override { return E_NOTIMPL; }
    HRESULT Reserved13() override { return E_NOTIMPL; }
    HRESULT Reserved14() override { return E_NOTIMPL; }
    HRESULT Reserved15() override { return E_NOTIMPL; }
    HRESULT Reserved16() override { return E_NOTIMPL; }
    HRESULT Reserved17() override { return E_NOTIMPL; }
    HRESULT Reserved18() override { return E_NOTIMPL; }
    HRESULT Reserved19() override { return E_NOTIMPL; }
    HRESULT Reserved20() override { return E_NOTIMPL; }
    HRESULT ShowHelp(IAutoKVIString* topic, IAutoKVIString* helpKey) override;

    // The help window when one is open, else null.
    HelpWindow* Window() const;

private:
    HelpService() = default;
    ~HelpService() = default;

    std::atomic<int32_t> refs_{1};
};

}  // namespace Zor
