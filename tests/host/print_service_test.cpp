// The print service: the printing walk from the data-access object's printing face, the order
// in which a printout's slots are called, printing to a PDF file (checked with pdfinfo), the
// print preview, the destination dialog, and failures of the printout.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "interfaces/printing.h"
#include "host/zor/gui/gui_services.h"
#include "host/zor/gui/optional_services.h"
#include "host/zor/gui/print_destination_dialog.h"
#include "platform/com_ptr.h"
#include "tests/host/temp_dir.h"
#include "tests/support/gui_test_util.h"

namespace {

using platform::ComPtr;
using TestSupport::PdfInfo;
using TestSupport::WhenShown;

// A printout that writes down the slots called (by number) and draws a frame and a line of text
// on each page. Any slot can be made to fail.
class TestPrintout final : public IZORPrintoutEx {
public:
    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        if (iid == IID_IUnknown || iid == IID_IZORPrintout || iid == IID_IZORPrintoutEx) {
            *out = static_cast<IZORPrintoutEx*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    uint32_t AddRef() override { return ++refs; }
    uint32_t Release() override { return --refs; }  // lives on the test's stack

    HRESULT GetLayout(int32_t* layout) override
    {
        *layout = 2;
        return Called(3);
    }
    HRESULT GetTitle(BSTR* title) override
    {
        SysFreeString(*title);
        *title = SysAllocString(u"Test Printout");
        return Called(4);
    }
    HRESULT BeginPrinting(const HostRect* page, QPainter* output, QPrinter* printer) override
    {
        pageRect = *page;
        painter = output;
        printerSeen = printer;
        return Called(5);
    }
    HRESULT GetPageCount(int32_t* count) override
    {
        *count = pages;
        return Called(6);
    }
    HRESULT BeginDocument() override { return Called(7); }
    HRESULT SetPageRange(int32_t, int32_t) override { return Called(8); }
    HRESULT HasPage(int32_t index) override
    {
        const HRESULT hr = Called(9);
        return FAILED(hr) ? hr : index < pages ? S_OK : S_FALSE;
    }
    HRESULT PrintPage(int32_t index, const HostRect* rect) override
    {
        const HRESULT hr = Called(10);
        if (FAILED(hr)) return hr;
        const QRect r(QPoint(rect->left, rect->top), QPoint(rect->right - 1, rect->bottom - 1));
        painter->setPen(QPen(Qt::black, 10));
        painter->drawRect(r.adjusted(20, 20, -20, -20));
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(r.height() / 20);
        painter->setFont(font);
        painter->drawText(r, Qt::AlignCenter, QStringLiteral("Test page %1").arg(index + 1));
        return S_OK;
    }
    HRESULT EndDocument() override { return Called(11); }
    HRESULT EndPrinting() override
    {
        painter = nullptr;
        return Called(12);
    }
    HRESULT GetPreferredPageSize(int32_t*, int32_t*) override
    {
        Called(13);
        return E_NOTIMPL;
    }
    HRESULT GetHostObject(IUnknown** host) override
    {
        *host = nullptr;
        return Called(14);
    }

    uint32_t refs = 0;
    int32_t pages = 1;
    int failSlot = 0;
    std::vector<int> calls;
    HostRect pageRect;
    QPainter* painter = nullptr;
    QPrinter* printerSeen = nullptr;
    std::function<void(int)> onCall;

private:
    HRESULT Called(int slot)
    {
        calls.push_back(slot);
        if (onCall) onCall(slot);
        return slot == failSlot ? E_FAIL : S_OK;
    }
};

class PrintServiceTest : public testing::Test {
protected:
    void SetUp() override
    {
        Zor::InstallGuiServices();
        // The walk of a component that prints: printing face, frame, print service.
        ComPtr<IZORPrinting> printing;
        ASSERT_EQ(Zor::OptionalServices::GetPrinting(IID_IZORPrinting, printing.PutVoid()), S_OK);
        ComPtr<IZORHostFrame> frame;
        ASSERT_EQ(printing->GetFrame(frame.Put()), S_OK);
        ASSERT_EQ(frame->GetPrintService(service_.Put()), S_OK);
        pdf_ = QString::fromStdString((dir_.Path() / "printout.pdf").string());
    }
    void TearDown() override { service_->SetDestination(kPrintAskUser, nullptr); }

    HRESULT PrintToPdf(TestPrintout& printout)
    {
        EXPECT_EQ(service_->SetDestination(kPrintPdfFile, reinterpret_cast<const char16_t*>(pdf_.utf16())), S_OK);
        return service_->Print(&printout, 1);
    }

    ZorTest::TempDir dir_;
    QString pdf_;
    ComPtr<IZORPrintService> service_;
};

TEST_F(PrintServiceTest, OnePagePrintoutMakesAOnePagePdf)
{
    TestPrintout printout;
    ASSERT_EQ(PrintToPdf(printout), S_OK);
    // Layout, title and page size first, then begin, count, document, range, the page, the ends.
    EXPECT_EQ(printout.calls, (std::vector<int>{3, 4, 13, 5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_NE(printout.printerSeen, nullptr) << "a printer handle, so the printout lays out for it";
    EXPECT_GT(printout.pageRect.right - printout.pageRect.left, printout.pageRect.bottom - printout.pageRect.top)
        << "layout 2 is landscape";
    EXPECT_EQ(printout.refs, 0u);
    ASSERT_TRUE(QFile::exists(pdf_));
    EXPECT_EQ(PdfInfo(pdf_, QStringLiteral("Pages")), QStringLiteral("1"));
    EXPECT_EQ(PdfInfo(pdf_, QStringLiteral("Title")), QStringLiteral("Test Printout"));
}

TEST_F(PrintServiceTest, PagesArePrintedWhileThePrintoutHasThem)
{
    TestPrintout printout;
    printout.pages = 3;
    ASSERT_EQ(PrintToPdf(printout), S_OK);
    EXPECT_EQ(printout.calls, (std::vector<int>{3, 4, 13, 5, 6, 7, 8, 9, 10, 9, 10, 9, 10, 11, 12}));
    EXPECT_EQ(PdfInfo(pdf_, QStringLiteral("Pages")), QStringLiteral("3"));
}

TEST_F(PrintServiceTest, AFailingSlotStopsThePrintButTheEndsAreStillCalled)
{
    struct {
        int failSlot;
        std::vector<int> calls;
    } cases[] = {
        {5, {3, 4, 13, 5}},  // begin failed: nothing more, no ends
        {6, {3, 4, 13, 5, 6, 11, 12}},
        {10, {3, 4, 13, 5, 6, 7, 8, 9, 10, 11, 12}},
        {12, {3, 4, 13, 5, 6, 7, 8, 9, 10, 11, 12}},
    };
    for (const auto& c : cases) {
        TestPrintout printout;
        printout.failSlot = c.failSlot;
        EXPECT_EQ(PrintToPdf(printout), E_FAIL) << c.failSlot;
        EXPECT_EQ(printout.calls, c.calls) << c.failSlot;
        EXPECT_EQ(printout.refs, 0u);
    }
}

TEST_F(PrintServiceTest, AFileThatCannotBeWrittenFailsBeforeThePrintoutBegins)
{
    TestPrintout printout;
    const QString bad = QString::fromStdString((dir_.Path() / "no" / "such" / "out.pdf").string());
    ASSERT_EQ(service_->SetDestination(kPrintPdfFile, reinterpret_cast<const char16_t*>(bad.utf16())), S_OK);
    EXPECT_EQ(service_->Print(&printout, 1), E_FAIL);
    EXPECT_EQ(printout.calls, (std::vector<int>{3, 4, 13}));
}

TEST_F(PrintServiceTest, ArgumentsAreChecked)
{
    EXPECT_EQ(service_->Print(nullptr, 1), E_POINTER);
    EXPECT_EQ(service_->SetDestination(7, nullptr), E_INVALIDARG);
    EXPECT_EQ(service_->SetDestination(kPrintPdfFile, nullptr), E_INVALIDARG);
    EXPECT_EQ(service_->SetDestination(kPrintPdfFile, u"  "), E_INVALIDARG);
    // Asking the user is not allowed without flag 1.
    TestPrintout printout;
    EXPECT_EQ(service_->Print(&printout, 0), E_ABORT);
    EXPECT_TRUE(printout.calls.empty());
}

TEST_F(PrintServiceTest, PreviewOpensOffscreenRunsThePrintoutAndCloses)
{
    ASSERT_EQ(service_->SetDestination(kPrintPreview, nullptr), S_OK);
    TestPrintout printout;
    HRESULT during = S_OK;
    bool shown = false;
    WhenShown<QPrintPreviewDialog>([&](QPrintPreviewDialog* dialog) {
        shown = true;
        // A second print while the preview runs is refused.
        TestPrintout other;
        during = service_->Print(&other, 1);
        dialog->grab().save(TestSupport::TestOutputPath("print_preview.png"));
        dialog->reject();
    });
    EXPECT_EQ(service_->Print(&printout, 1), S_OK);
    EXPECT_TRUE(shown);
    EXPECT_EQ(during, E_UNEXPECTED);
    // The preview painted the page at least once, with a printer handle, begin to end each time.
    ASSERT_GE(printout.calls.size(), 11u);
    EXPECT_EQ(std::vector<int>(printout.calls.begin(), printout.calls.begin() + 11),
              (std::vector<int>{3, 4, 13, 5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(printout.calls.back(), 12);
    EXPECT_NE(printout.printerSeen, nullptr);
    EXPECT_EQ(printout.refs, 0u);
}

TEST_F(PrintServiceTest, TheUserChoosesAPdfFileOrCancels)
{
    TestPrintout printout;
    WhenShown<Zor::PrintDestinationDialog>([&](Zor::PrintDestinationDialog* dialog) {
        QTest::mouseClick(dialog->PdfButton(), Qt::LeftButton);
        dialog->PathEdit()->clear();
        EXPECT_FALSE(dialog->OkButton()->isEnabled()) << "a PDF file needs a name";
        QTest::keyClicks(dialog->PathEdit(), pdf_);
        EXPECT_TRUE(dialog->OkButton()->isEnabled());
        QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
    });
    ASSERT_EQ(service_->Print(&printout, 1), S_OK);
    EXPECT_EQ(PdfInfo(pdf_, QStringLiteral("Pages")), QStringLiteral("1"));

    // The choice is offered again next time; cancelling prints nothing.
    TestPrintout cancelled;
    bool offered = false;
    WhenShown<Zor::PrintDestinationDialog>([&](Zor::PrintDestinationDialog* dialog) {
        offered = dialog->PdfButton()->isChecked() && dialog->PathEdit()->text() == pdf_;
        dialog->reject();
    });
    EXPECT_EQ(service_->Print(&cancelled, 1), S_FALSE);
    EXPECT_TRUE(offered);
    EXPECT_TRUE(cancelled.calls.empty());
}

}  // namespace
