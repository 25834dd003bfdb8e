// The printouts of the module (IZORPrintoutEx, interfaces/printing.h): what the host's
// print service draws when the module prints.
//
// ZORPrintout is the reference-counted base: it keeps the page rectangle and the painter of the
// begin call, the title, the layout (2, landscape) and the host object, counts the pages through
// PageCount and draws a page through DrawPage, both left to the derived printout.
// ZORSinglePagePrintout has one page. TessReportPrintout draws the fit report on it.
//
// Reference counting: a new printout has one reference (its creator's); the last Release
// deletes it. The user-interface thread only.
#pragma once

#include <atomic>
#include <cstdint>

#include <QPointer>
#include <QRect>

#include "interfaces/printing.h"
#include "foundation/kvi_string.h"
#include "platform/com_ptr.h"

class QPainter;
class QPaintDevice;
class QPrinter;

namespace Tessar {

class TessReportDialog;

class ZORPrintout : public IZORPrintoutEx {
public:
    // The layout answered by slot 3: landscape.
    static constexpr int32_t kLandscape = 2;

    // [in] host: the host object (reference held; may be null); title: the print job's name.
    ZORPrintout(IUnknown* host, const KVI::String& title);
    ZORPrintout(const ZORPrintout&) = delete;
    ZORPrintout& operator=(const ZORPrintout&) = delete;

    // IUnknown, IZORPrintout and IZORPrintoutEx; E_NOINTERFACE otherwise.
    HRESULT QueryInterface(REFIID iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;

    // 3: [out] kLandscape.
    HRESULT GetLayout(int32_t* layout) override;
    // 4: frees the string in *title (if any) and sets it to null; then, when the title is not
    // empty, a new BSTR with it.
    HRESULT GetTitle(BSTR* title) override;
    // 5: keeps the page rectangle, the painter and the printer (the attribute device that
    // drawing lays out for; null when drawing into a device that is no printer), replacing those
    // of an earlier call. E_POINTER for a null page or painter.
    HRESULT BeginPrinting(const HostRect* page, QPainter* output, QPrinter* printer) override;
    // 6: [out] PageCount(), which is also kept for HasPage.
    HRESULT GetPageCount(int32_t* count) override;
    HRESULT BeginDocument() override;                        // 7: S_OK, nothing
    HRESULT SetPageRange(int32_t first, int32_t last) override;  // 8: S_OK, nothing
    // 9: S_OK when 0 <= index < the kept page count, else S_FALSE.
    HRESULT HasPage(int32_t index) override;
    // 10: DrawPage(index) into rect with the painter of slot 5, whose state is restored after.
    // E_UNEXPECTED before slot 5 (or after slot 12); E_POINTER for a null rect; otherwise
    // DrawPage's result.
    HRESULT PrintPage(int32_t index, const HostRect* rect) override;
    HRESULT EndDocument() override;  // 11: S_OK, nothing
    // 12: S_OK; the painter and printer of slot 5 are forgotten (they end with the print).
    HRESULT EndPrinting() override;
    // 13: E_NOTIMPL: the printer's page is used.
    HRESULT GetPreferredPageSize(int32_t* width, int32_t* height) override;
    // 14: [out] the host object, reference added (may be null).
    HRESULT GetHostObject(IUnknown** host) override;

    // Draws page index into rect of painter. [in] attribute: the printer being printed to or
    // previewed, or null.
    virtual HRESULT DrawPage(int32_t index, QPainter& painter, const QRect& rect, QPaintDevice* attribute) = 0;
    virtual int32_t PageCount() = 0;

    // The page rectangle of the last begin call.
    const HostRect& PageRect() const { return page_; }

protected:
    virtual ~ZORPrintout();

private:
    std::atomic<int32_t> refs_{1};
    HostRect page_;
    KVI::String title_;
    QPainter* output_ = nullptr;
    QPrinter* printer_ = nullptr;
    int32_t layout_ = kLandscape;
    platform::ComPtr<IUnknown> host_;
    int32_t pageCount_ = 0;
};

class ZORSinglePagePrintout : public ZORPrintout {
public:
    using ZORPrintout::ZORPrintout;
    int32_t PageCount() override { return 1; }
};

class TessReportPrintout final : public ZORSinglePagePrintout {
public:
    // [in] report: the fit report to draw; a printout that outlives it draws nothing.
    TessReportPrintout(IUnknown* host, const KVI::String& title, TessReportDialog* report);

    // RenderReport of the report into rect. E_FAIL when the report has gone.
    HRESULT DrawPage(int32_t index, QPainter& painter, const QRect& rect, QPaintDevice* attribute) override;

private:
    QPointer<TessReportDialog> report_;
};

}  // namespace Tessar
