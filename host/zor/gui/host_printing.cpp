#include "host/zor/gui/host_printing.h"

#include "host/zor/gui/print_service.h"

namespace Zor {

namespace {

template <class Interface, class Object>
HRESULT AnswerOne(Object* object, REFIID own, REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == own) {
        *out = static_cast<Interface*>(object);
        object->AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

}  // namespace

HostPrinting* HostPrinting::Instance()
{
    static HostPrinting* const printing = new HostPrinting();
    return printing;
}

HRESULT HostPrinting::QueryInterface(REFIID iid, void** out)
{
    return AnswerOne<IZORPrinting>(this, IID_IZORPrinting, iid, out);
}

uint32_t HostPrinting::AddRef() { return uint32_t(refs_.fetch_add(1) + 1); }
uint32_t HostPrinting::Release() { return uint32_t(refs_.fetch_sub(1) - 1); }

HRESULT HostPrinting::GetFrame(IZORHostFrame** frame)
{
    if (!frame) return E_POINTER;
    *frame = HostFrame::Instance();
    (*frame)->AddRef();
    return S_OK;
}

HostFrame* HostFrame::Instance()
{
    static HostFrame* const frame = new HostFrame();
    return frame;
}

HRESULT HostFrame::QueryInterface(REFIID iid, void** out)
{
    return AnswerOne<IZORHostFrame>(this, IID_IZORHostFrame, iid, out);
}

uint32_t HostFrame::AddRef() { return uint32_t(refs_.fetch_add(1) + 1); }
uint32_t HostFrame::Release() { return uint32_t(refs_.fetch_sub(1) - 1); }

HRESULT HostFrame::GetPrintService(IZORPrintService** service)
{
    if (!service) return E_POINTER;
    *service = PrintService::Instance();
    (*service)->AddRef();
    return S_OK;
}

}  // namespace Zor
