// The host framework's help service. The class object of the framework class
// CLSID_FrameworkServices (unit_list.h), fetched with CoGetClassObject, answers IID_IHelpService
// besides the unit list. A help key names a book of HTML pages; a topic names one page of it.
// Threads: the user-interface thread only.
#pragma once

#include "foundation/kvi_string.h"
#include "platform/unknown.h"

constexpr IID IID_IHelpService = platform::Guid("{70380571-34EA-11D3-8099-005004AD3C53}");

struct IHelpService : IUnknown {
    virtual HRESULT Reserved3() = 0;   // 3 to 20: E_NOTIMPL
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
    virtual HRESULT Reserved20() = 0;  // 20
    // Shows a page in the help window (created on first use, then raised and reused).
    // [in] topic: the page's key, e.g. "ts_setup"; helpKey: the book, e.g. "TessarHelp"
    // (keys are compared without regard to case). S_OK when the topic's page is shown; S_FALSE
    // when the book has no such topic (or topic is null or empty) and its contents page is shown
    // instead; E_INVALIDARG when there is no such book (nothing shown); E_FAIL without a
    // QApplication.
    virtual HRESULT ShowHelp(IAutoKVIString* topic, IAutoKVIString* helpKey) = 0;  // 21

protected:
    ~IHelpService() = default;
};
