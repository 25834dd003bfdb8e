// Zor::HostPrinting: the printing face of the host's data-access object (IZORPrinting,
// interfaces/printing.h), the first step of the printing walk; and Zor::HostFrame, the
// object its slot 5 yields, whose slot 20 yields the print service (print_service.h).
// The data-access object answers IID_IZORPrinting with HostPrinting (through
// OptionalServices::GetPrinting). Both are one object for the process, never freed, so
// HostPrinting's QueryInterface does not lead back to the data-access object.
#pragma once

#include <atomic>

#include "interfaces/printing.h"

namespace Zor {

class HostPrinting final : public IZORPrinting {
public:
    static HostPrinting* Instance();

    HRESULT QueryInterface(REFIID iid, void** out) override;
    // Counted, but the object is never freed.
    uint32_t AddRef() override;
    uint32_t Release() override;

    HRESULT Reserved3() override { return E_NOTIMPL; }
    HRESULT Reserved4() override { return E_NOTIMPL; }
    // [out] the host frame (below), reference added.
    HRESULT GetFrame(IZORHostFrame** frame) override;

private:
    HostPrinting() = default;
    ~HostPrinting() = default;

    std::atomic<int32_t> refs_{1};
};

// The host frame of the printing walk. One per process, never freed.
class HostFrame final : public IZORHostFrame {
public:
    static HostFrame* Instance();

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
    // [out] the print service (print_service.h), reference added.
    HRESULT GetPrintService(IZORPrintService** service) override;

private:
    HostFrame() = default;
    ~HostFrame() = default;

    std::atomic<int32_t> refs_{1};
};

}  // namespace Zor
