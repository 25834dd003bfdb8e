#include "report/zor_printout.h"

#include <QPainter>
#include <QPrinter>

#include "report/report_render.h"
#include "report/tess_report_dialog.h"

namespace Tessar {

ZORPrintout::ZORPrintout(IUnknown* host, const KVI::String& title) : title_(title), host_(host) {}

ZORPrintout::~ZORPrintout() = default;

HRESULT ZORPrintout::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IZORPrintout || iid == IID_IZORPrintoutEx) {
        *out = static_cast<IZORPrintoutEx*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

uint32_t ZORPrintout::AddRef() { return uint32_t(refs_.fetch_add(1) + 1); }

uint32_t ZORPrintout::Release()
{
    const int32_t left = refs_.fetch_sub(1) - 1;
    if (left == 0) delete this;
    return uint32_t(left);
}

HRESULT ZORPrintout::GetLayout(int32_t* layout)
{
    if (!layout) return E_POINTER;
    *layout = layout_;
    return S_OK;
}

HRESULT ZORPrintout::GetTitle(BSTR* title)
{
    if (!title) return E_POINTER;
    SysFreeString(*title);
    *title = nullptr;
    if (!title_.IsEmpty()) *title = SysAllocStringLen(title_.c_str(), uint32_t(title_.Length()));
    return S_OK;
}

HRESULT ZORPrintout::BeginPrinting(const HostRect* page, QPainter* output, QPrinter* printer)
{
    if (!page || !output) return E_POINTER;
    page_ = *page;
    output_ = output;
    printer_ = printer;
    return S_OK;
}

HRESULT ZORPrintout::GetPageCount(int32_t* count)
{
    if (!count) return E_POINTER;
    pageCount_ = PageCount();
    *count = pageCount_;
    return S_OK;
}

HRESULT ZORPrintout::BeginDocument() { return S_OK; }
HRESULT ZORPrintout::SetPageRange(int32_t, int32_t) { return S_OK; }

HRESULT ZORPrintout::HasPage(int32_t index) { return index >= 0 && index < pageCount_ ? S_OK : S_FALSE; }

HRESULT ZORPrintout::PrintPage(int32_t index, const HostRect* rect)
{
    if (!rect) return E_POINTER;
    if (!output_) return E_UNEXPECTED;
    const QRect area(QPoint(rect->left, rect->top), QPoint(rect->right - 1, rect->bottom - 1));
    output_->save();
    const HRESULT hr = DrawPage(index, *output_, area, printer_);
    output_->restore();
    return hr;
}

HRESULT ZORPrintout::EndDocument() { return S_OK; }

HRESULT ZORPrintout::EndPrinting()
{
    output_ = nullptr;
    printer_ = nullptr;
    return S_OK;
}

HRESULT ZORPrintout::GetPreferredPageSize(int32_t*, int32_t*) { return E_NOTIMPL; }

HRESULT ZORPrintout::GetHostObject(IUnknown** host)
{
    if (!host) return E_POINTER;
    *host = host_.Get();
    if (*host) (*host)->AddRef();
    return S_OK;
}

TessReportPrintout::TessReportPrintout(IUnknown* host, const KVI::String& title, TessReportDialog* report)
    : ZORSinglePagePrintout(host, title), report_(report)
{
}

HRESULT TessReportPrintout::DrawPage(int32_t, QPainter& painter, const QRect& rect, QPaintDevice* attribute)
{
    if (!report_) return E_FAIL;
    RenderReport(*report_, painter, rect, attribute);
    return S_OK;
}

}  // namespace Tessar
