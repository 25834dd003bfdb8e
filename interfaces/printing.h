// Printing through the host. A component that holds the host's data-access object prints a
// printout (IZORPrintout, implemented by the component) by walking:
//   data-access object --QueryInterface(IID_IZORPrinting)--> IZORPrinting
//   IZORPrinting slot 5 (GetFrame)                         --> IZORHostFrame
//   IZORHostFrame slot 20 (GetPrintService)                --> IZORPrintService
//   IZORPrintService slot 3 (Print) with the printout and the value 1.
// The print service then drives the printout, on the caller's thread, in this order:
//   5 BeginPrinting, 6 GetPageCount, 7 BeginDocument, 8 SetPageRange, then for each page
//   9 HasPage and, while that answers S_OK, 10 PrintPage; 11 EndDocument, 12 EndPrinting.
// After a successful BeginPrinting, EndDocument and EndPrinting are always called, also when a
// later step fails. Threads: the user-interface thread only.
#pragma once

#include <cstdint>

#include "interfaces/host_rect.h"
#include "platform/bstr.h"
#include "platform/unknown.h"

class QPainter;
class QPrinter;

// IIDs chosen by this system except IID_IZORPrinting, the host's.
constexpr IID IID_IZORPrinting = platform::Guid("{CD8A64F4-48D2-11D1-8D03-00C0D1570D74}");
constexpr IID IID_IZORHostFrame = platform::Guid("{34A53E0C-79AC-494F-B5D1-6A30E70F43FD}");
constexpr IID IID_IZORPrintService = platform::Guid("{66025391-F7F8-42F4-8A00-ABE55349F3FA}");
constexpr IID IID_IZORPrintout = platform::Guid("{E70DE99A-3D7D-4191-B77F-C43CDAA46A06}");
constexpr IID IID_IZORPrintoutEx = platform::Guid("{40BB0E81-1631-4718-A473-0BCA6454F652}");

// The printout: what the host prints. Slot results are HRESULTs; a failure stops the print.
struct IZORPrintout : IUnknown {
    // [out] layout: the page orientation the printout wants: 1 portrait, 2 landscape (any other
    // value leaves the printer's orientation).
    virtual HRESULT GetLayout(int32_t* layout) = 0;  // 3
    // [in, out] title: the string in it (if any) is freed and the pointer set to null; then,
    // when the printout has a title, a new BSTR with it (the caller frees it). The print
    // service names the print job with it.
    virtual HRESULT GetTitle(BSTR* title) = 0;  // 4
    // Printing begins. [in] page: the printable area of a page, in pixels of the output device
    // (origin at the area's top-left corner); output: the painter to draw with, active, on the
    // printer or on a preview page; printer: the printer being printed to or previewed (its
    // resolution is the one to lay out for), or null when drawing into a device that is no
    // printer. Called again for every new output (a preview repaints).
    virtual HRESULT BeginPrinting(const HostRect* page, QPainter* output, QPrinter* printer) = 0;  // 5
    // [out] count: the number of pages.
    virtual HRESULT GetPageCount(int32_t* count) = 0;  // 6
    virtual HRESULT BeginDocument() = 0;  // 7
    // [in] first, last: the pages (0-based, inclusive) that will be asked for.
    virtual HRESULT SetPageRange(int32_t first, int32_t last) = 0;  // 8
    // [in] index: 0-based page. S_OK when the page exists, S_FALSE when not.
    virtual HRESULT HasPage(int32_t index) = 0;  // 9
    // Draws page index into rect (pixels of the output device) with the painter of slot 5.
    virtual HRESULT PrintPage(int32_t index, const HostRect* rect) = 0;  // 10
    virtual HRESULT EndDocument() = 0;  // 11
    // Printing ended; the painter of slot 5 is no longer valid after this call.
    virtual HRESULT EndPrinting() = 0;  // 12

protected:
    ~IZORPrintout() = default;
};

struct IZORPrintoutEx : IZORPrintout {
    // [out] width, height: the page size the printout prefers, in 0.01 mm. E_NOTIMPL: no
    // preference (the printer's page is used).
    virtual HRESULT GetPreferredPageSize(int32_t* width, int32_t* height) = 0;  // 13
    // [out] host: the host object given to the printout at construction, reference added (may
    // be null).
    virtual HRESULT GetHostObject(IUnknown** host) = 0;  // 14

protected:
    ~IZORPrintoutEx() = default;
};

// Where the print service sends a print (IZORPrintService slot 4).
enum PrintDestination : int32_t {
    kPrintAskUser = 0,   // Print shows a choice of printer, PDF file or preview (the default)
    kPrintPrinter = 1,   // the system's default printer, no dialog
    kPrintPdfFile = 2,   // a PDF file named by the caller, no dialog (works headless)
    kPrintPreview = 3,   // the print preview dialog; its print button prints
};

struct IZORPrintService : IUnknown {
    // Prints a printout (driven as described at the top). [in] printout: IZORPrintout or
    // IZORPrintoutEx; flags: 1 = the user may be asked (callers pass 1); 0 = never show a
    // dialog (kPrintAskUser then fails with E_ABORT). S_OK when printed (or the preview was
    // shown), S_FALSE when the user cancelled, E_POINTER for a null printout, E_ABORT as said,
    // E_UNEXPECTED while another print of this service runs, E_FAIL when the output cannot be
    // opened (e.g. a PDF file that cannot be written) or there is no QApplication; the result
    // of a printout slot that failed.
    virtual HRESULT Print(IZORPrintout* printout, int32_t flags) = 0;  // 3
    // [in] destination: PrintDestination; path: the PDF file (UTF-16, null-terminated) for
    // kPrintPdfFile, otherwise ignored. Stays in force for later prints. E_INVALIDARG for an
    // unknown destination or a PDF destination without a path.
    virtual HRESULT SetDestination(int32_t destination, const char16_t* path) = 0;  // 4

protected:
    ~IZORPrintService() = default;
};

// The host's frame: the second object of the printing walk.
struct IZORHostFrame : IUnknown {
    virtual HRESULT Reserved3() = 0;   // 3 to 19: E_NOTIMPL
    virtual HRESULT Reserved4() = 0;   // 4
    virtual HRESULT Reserved5() = 0;   // 5
    virtual HRESULT Reserved6() = 0;   // 6
    virtual HRESULT Reserved7() = 0;   // 7
    virtual HRESULT Reserved8() = 0;   // 8
    virtual HRESULT Reserved9() = 0;   // 9
    virtual HRESULT Reserved10() = 0;  // 10
    virtual HRESULT Reserved11() = 0;  // 11
    virtual HRESULT Reserved12() = 0;  // 12
    virtual HRESULT Reserved13() = 0;  // 13
    virtual HRESULT Reserved14() = 0;  // 14
    virtual HRESULT Reserved15() = 0;  // 15
    virtual HRESULT Reserved16() = 0;  // 16
    virtual HRESULT Reserved17() = 0;  // 17
    virtual HRESULT Reserved18() = 0;  // 18
    virtual HRESULT Reserved19() = 0;  // 19
    // [out] the print service, reference added.
    virtual HRESULT GetPrintService(IZORPrintService** service) = 0;  // 20

protected:
    ~IZORHostFrame() = default;
};

// The printing face of the host's data-access object.
struct IZORPrinting : IUnknown {
    virtual HRESULT Reserved3() = 0;  // 3: E_NOTIMPL
    virtual HRESULT Reserved4() = 0;  // 4: E_NOTIMPL
    // [out] the host frame, reference added.
    virtual HRESULT GetFrame(IZORHostFrame** frame) = 0;  // 5

protected:
    ~IZORPrinting() = default;
};
