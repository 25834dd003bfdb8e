// Copying and printing the fit report, driven with real clicks offscreen: the copy-format
// choice, the text and the picture on the clipboard, the printout's slots, printing through the
// host's printing walk to a PDF file and to the print preview (the host's print service, linked
// here), Print pressed during a print, a host without printing, and the automation interface
// rendering the report to files.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>

#include "module/tessar_automation_impl.h"
#include "calibration/tessar_settings.h"
#include "host/zor/gui/gui_services.h"
#include "host/zor/gui/optional_services.h"
#include "report/report_clipboard.h"
#include "report/report_print.h"
#include "report/report_render.h"
#include "report/tess_copy_select.h"
#include "report/zor_printout.h"
#include "tests/report/report_test_util.h"

namespace {

using namespace ReportTest;
using platform::ComPtr;
using TestSupport::PdfInfo;

// The data-access object of a host: answers the printing face with what it is given.
class FakeAccess final : public IUnknown {
public:
    explicit FakeAccess(IZORPrinting* printing) : printing_(printing) {}
    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        *out = nullptr;
        if (iid == IID_IUnknown) *out = static_cast<IUnknown*>(this);
        if (iid == IID_IZORPrinting && printing_) *out = printing_;
        if (!*out) return E_NOINTERFACE;
        static_cast<IUnknown*>(*out)->AddRef();
        return S_OK;
    }
    uint32_t AddRef() override { return 2; }
    uint32_t Release() override { return 1; }

private:
    IZORPrinting* printing_;
};

// A print service that drives the printout onto an image, and a frame and printing face that
// lead to it (or, switched off, to nothing).
class FakePrintService final : public IZORPrintService {
public:
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    uint32_t AddRef() override { return 2; }
    uint32_t Release() override { return 1; }
    HRESULT Print(IZORPrintout* printout, int32_t flags) override
    {
        ++prints;
        flagsSeen = flags;
        if (during) during();
        page = QImage(800, 560, QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter painter(&page);
        const HostRect area{0, 0, 800, 560};
        printout->GetLayout(&layout);
        BSTR t = nullptr;
        printout->GetTitle(&t);
        title = QString::fromUtf16(t, SysStringLen(t));
        SysFreeString(t);
        printout->BeginPrinting(&area, &painter, nullptr);
        printout->GetPageCount(&pages);
        HRESULT hr = printout->HasPage(0) == S_OK ? printout->PrintPage(0, &area) : E_FAIL;
        printout->EndPrinting();
        ComPtr<IZORPrintoutEx> ex;
        ComPtr<IUnknown> held;
        if (printout->QueryInterface(IID_IZORPrintoutEx, ex.PutVoid()) == S_OK) ex->GetHostObject(held.Put());
        host = held.Get();
        return FAILED(hr) ? hr : result;
    }
    HRESULT SetDestination(int32_t, const char16_t*) override { return S_OK; }

    int prints = 0;
    int32_t flagsSeen = 0, layout = 0, pages = 0;
    HRESULT result = S_OK;
    QString title;
    QImage page;
    IUnknown* host = nullptr;
    std::function<void()> during;
};

class FakeFrame final : public IZORHostFrame {
public:
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    uint32_t AddRef() override { return 2; }
    uint32_t Release() override { return 1; }
#define FAKE_RESERVED(n) \
    HRESULT Reserved##n() override { return E_NOTIMPL; }
    FAKE_RESERVED(3) FAKE_RESERVED(4) FAKE_RESERVED(5) FAKE_RESERVED(6) FAKE_RESERVED(7) FAKE_RESERVED(8)
    FAKE_RESERVED(9) FAKE_RESERVED(10) FAKE_RESERVED(11) FAKE_RESERVED(12) FAKE_RESERVED(13) FAKE_RESERVED(14)
    FAKE_RESERVED(15) FAKE_RESERVED(16) FAKE_RESERVED(17) FAKE_RESERVED(18) FAKE_RESERVED(19)
#undef FAKE_RESERVED
    HRESULT GetPrintService(IZORPrintService** out) override
    {
        *out = service;
        if (service) service->AddRef();
        return service ? S_OK : E_FAIL;
    }
    IZORPrintService* service = nullptr;
};

class FakePrinting final : public IZORPrinting {
public:
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    uint32_t AddRef() override { return 2; }
    uint32_t Release() override { return 1; }
    HRESULT Reserved3() override { return E_NOTIMPL; }
    HRESULT Reserved4() override { return E_NOTIMPL; }
    HRESULT GetFrame(IZORHostFrame** out) override
    {
        *out = frame;
        return S_OK;  // a host that answers success with nothing
    }
    IZORHostFrame* frame = nullptr;
};

class ReportCopyPrint : public testing::Test, public ReportFixture {
protected:
    // Presses Copy..., then acts on the choice.
    void CopyWith(const std::function<void(Tessar::TessCopySelect*)>& choose)
    {
        QGuiApplication::clipboard()->clear();
        WhenShown<Tessar::TessCopySelect>(choose);
        Click(310);
    }
    // The first page of a PDF as a PNG image in the test output.
    static QImage PdfPage(const QString& file, const QString& name)
    {
        const QString prefix = TestSupport::TestOutputPath(name);
        QProcess::execute(QStringLiteral("pdftoppm"),
                          {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("60"),
                           QStringLiteral("-singlefile"), file, prefix});
        return QImage(prefix + QStringLiteral(".png"));
    }
    static int PixelsOf(const QImage& image, const std::function<bool(QColor)>& test)
    {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) n += test(image.pixelColor(x, y));
        return n;
    }

    QTemporaryDir dir_;
};

TEST_F(ReportCopyPrint, CopyAsTextWritesTheTableInFixedNotation)
{
    CalibrationData caller = ThreePoints();
    Open(caller);
    CopyWith([](Tessar::TessCopySelect* choice) {
        EXPECT_EQ(choice->windowTitle(), QStringLiteral("Select Copy Format"));
        EXPECT_TRUE(KVI::FindControl<QRadioButton>(choice, 351)->isChecked());
        QTest::mouseClick(KVI::FindControl<QRadioButton>(choice, 352), Qt::LeftButton);
        QTest::mouseClick(KVI::FindControl<QPushButton>(choice, 1), Qt::LeftButton);
    });
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    // The table with each point's fitted value and residual (an exact fit's rounding shown as
    // 0), then what the details block says: the fit's lines, then how good it is.
    const QString text = mime->text();
    EXPECT_TRUE(text.startsWith(QStringLiteral("\tV\tmmHg\tFitted\tResidual\t\n"
                                               "1.00\t0.00\t0.00\t0.00\t0.00\t\n"
                                               "2.00\t0.50\t50.00\t50.00\t0.00\t\n"
                                               "3.00\t1.00\t100.00\t100.00\t0.00\t\n"
                                               "\n"
                                               "Calibration Fit Details\n"
                                               "Linear : y = 100x ")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("\nx in V, y in mmHg\nChi\u00B2 = "))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("\nr\u00B2 = 1\ns = "))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral(" mmHg (1 degree of freedom)\n95 % prediction at the points: \u00B1 ")))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("\nBest supported by these points: Linear\n"))) << text.toStdString();
    EXPECT_FALSE(mime->hasImage());
}

TEST_F(ReportCopyPrint, CopiedTextMarksTheOriginRowWithAnAsterisk)
{
    CalibrationData caller = Record(1, {1, 2, 3, 4}, {2, 3, 5, 8}, true);
    caller.decimalPlaces_ = 1;
    Open(caller);
    CopyWith([](Tessar::TessCopySelect* choice) {
        QTest::mouseClick(KVI::FindControl<QRadioButton>(choice, 352), Qt::LeftButton);
        QTest::keyClick(choice, Qt::Key_Return);
    });
    const QStringList lines = QGuiApplication::clipboard()->text().split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 8);  // heading, four points, the origin, a blank line, the details
    EXPECT_TRUE(lines[4].startsWith(QStringLiteral("4.0\t4.0\t8.0\t"))) << lines[4].toStdString();
    EXPECT_EQ(lines[5], QStringLiteral("*\t0.0\t0.0\t*\t*\t"));
    EXPECT_EQ(lines[6], QString());
    EXPECT_EQ(lines[7], QStringLiteral("Calibration Fit Details"));
}

// The clipboard's picture: an SVG of the client area's size in millimetres on its screen, and a
// PNG of its pixels.
void ExpectReportPicture(const Tessar::TessReportDialog& report)
{
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    ASSERT_TRUE(mime->hasFormat(QStringLiteral("image/svg+xml")));
    const QString svg = QString::fromUtf8(mime->data(QStringLiteral("image/svg+xml")));
    const QRegularExpressionMatch size =
        QRegularExpression(QStringLiteral("<svg[^>]*width=\"([0-9.]+)mm\" height=\"([0-9.]+)mm\"")).match(svg);
    ASSERT_TRUE(size.hasMatch()) << svg.left(300).toStdString();
    const QScreen* screen = report.screen();
    const double mmPerPixelX = screen->physicalSize().width() / screen->geometry().width();
    const double mmPerPixelY = screen->physicalSize().height() / screen->geometry().height();
    EXPECT_NEAR(size.captured(1).toDouble(), report.width() * mmPerPixelX, 0.01 * report.width() * mmPerPixelX);
    EXPECT_NEAR(size.captured(2).toDouble(), report.height() * mmPerPixelY, 0.01 * report.height() * mmPerPixelY);
    EXPECT_TRUE(svg.contains(QStringLiteral("Calibration Fit Details")));

    const QImage png = QImage::fromData(mime->data(QStringLiteral("image/png")), "PNG");
    EXPECT_EQ(png.size(), report.rect().size());
    EXPECT_EQ(qvariant_cast<QImage>(mime->imageData()).size(), report.rect().size());
}

TEST_F(ReportCopyPrint, CopyAsImageByDefaultOrWhenTheChoiceIsClosed)
{
    CalibrationData caller = ThreePoints();
    Open(caller);
    CopyWith([](Tessar::TessCopySelect* choice) { QTest::mouseClick(KVI::FindControl<QPushButton>(choice, 1), Qt::LeftButton); });
    ExpectReportPicture(Dialog());
    QFile svg(TestSupport::TestOutputPath(QStringLiteral("report_copy.svg")));
    ASSERT_TRUE(svg.open(QIODevice::WriteOnly));
    svg.write(QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("image/svg+xml")));
    svg.close();

    // Escape: the choice is not looked at, and the flag still says image.
    CopyWith([](Tessar::TessCopySelect* choice) {
        QTest::mouseClick(KVI::FindControl<QRadioButton>(choice, 352), Qt::LeftButton);
        QTest::keyClick(choice, Qt::Key_Escape);
    });
    ExpectReportPicture(Dialog());
    EXPECT_FALSE(QGuiApplication::clipboard()->mimeData()->hasText());
}

TEST(PictureFrame, IsTheScreenSizeInHundredthsOfAMillimetreMultipliedFirst)
{
    // 1000 pixels on a 1920-pixel, 510 mm screen: 1000 * 510 * 100 / 1920 = 26562 (truncated).
    EXPECT_EQ(Tessar::PictureFrame(QSize(1000, 700), QSize(510, 287), QSize(1920, 1080)), QSize(26562, 18601));
    EXPECT_EQ(Tessar::PictureFrame(QSize(10, 10), QSize(100, 100), QSize(0, 0)), QSize(0, 0));
}

// A printout whose page draws a test mark; it reports its destruction.
class MarkPrintout final : public Tessar::ZORSinglePagePrintout {
public:
    MarkPrintout(IUnknown* host, const KVI::String& title, bool* gone)
        : ZORSinglePagePrintout(host, title), gone_(gone)
    {
    }
    ~MarkPrintout() override { *gone_ = true; }
    HRESULT DrawPage(int32_t, QPainter& painter, const QRect& rect, QPaintDevice* attribute) override
    {
        painter.setPen(Qt::red);
        painter.fillRect(rect, Qt::black);
        lastAttribute = attribute;
        return S_OK;
    }
    QPaintDevice* lastAttribute = reinterpret_cast<QPaintDevice*>(1);

private:
    bool* gone_;
};

TEST(ZORPrintout, AnswersEverySlot)
{
    bool gone = false;
    FakePrinting host;
    auto* printout = new MarkPrintout(&host, KVI::String(u"Report"), &gone);
    ComPtr<IZORPrintout> base;
    ASSERT_EQ(printout->QueryInterface(IID_IZORPrintout, base.PutVoid()), S_OK);
    ComPtr<IUnknown> none;
    EXPECT_EQ(printout->QueryInterface(IID_IZORPrinting, none.PutVoid()), E_NOINTERFACE);

    int32_t layout = 0;
    EXPECT_EQ(printout->GetLayout(&layout), S_OK);
    EXPECT_EQ(layout, 2);
    BSTR title = SysAllocString(u"old");
    EXPECT_EQ(printout->GetTitle(&title), S_OK);
    EXPECT_EQ(QString::fromUtf16(title, SysStringLen(title)), QStringLiteral("Report"));
    SysFreeString(title);

    const HostRect area{5, 5, 45, 35};
    EXPECT_EQ(printout->PrintPage(0, &area), E_UNEXPECTED) << "before printing begins";
    EXPECT_EQ(printout->HasPage(0), S_FALSE) << "before the count is asked";
    QImage image(50, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(Qt::green);
    EXPECT_EQ(printout->BeginPrinting(&area, &painter, nullptr), S_OK);
    int32_t pages = 0;
    EXPECT_EQ(printout->GetPageCount(&pages), S_OK);
    EXPECT_EQ(pages, 1);
    EXPECT_EQ(printout->HasPage(0), S_OK);
    EXPECT_EQ(printout->HasPage(1), S_FALSE);
    EXPECT_EQ(printout->HasPage(-1), S_FALSE);
    EXPECT_EQ(printout->BeginDocument(), S_OK);
    EXPECT_EQ(printout->SetPageRange(0, 0), S_OK);
    EXPECT_EQ(printout->PrintPage(0, &area), S_OK);
    EXPECT_EQ(painter.pen().color(), QColor(Qt::green)) << "the painter's state is restored";
    EXPECT_EQ(printout->lastAttribute, nullptr);
    EXPECT_EQ(printout->EndDocument(), S_OK);
    EXPECT_EQ(printout->EndPrinting(), S_OK);
    EXPECT_EQ(printout->PrintPage(0, &area), E_UNEXPECTED) << "after printing ended";
    painter.end();
    EXPECT_EQ(image.pixelColor(4, 4), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(5, 5), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(44, 34), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(45, 35), QColor(Qt::white));

    int32_t w = 0, h = 0;
    ComPtr<IZORPrintoutEx> ex;
    ASSERT_EQ(printout->QueryInterface(IID_IZORPrintoutEx, ex.PutVoid()), S_OK);
    EXPECT_EQ(ex->GetPreferredPageSize(&w, &h), E_NOTIMPL);
    ComPtr<IUnknown> held;
    EXPECT_EQ(ex->GetHostObject(held.Put()), S_OK);
    EXPECT_EQ(held.Get(), static_cast<IUnknown*>(&host));

    // An empty title gives no string.
    bool gone2 = false;
    auto* untitled = new MarkPrintout(nullptr, KVI::String(), &gone2);
    BSTR empty = nullptr;
    EXPECT_EQ(untitled->GetTitle(&empty), S_OK);
    EXPECT_EQ(empty, nullptr);
    ComPtr<IUnknown> noHost;
    EXPECT_EQ(untitled->GetHostObject(noHost.Put()), S_OK);
    EXPECT_EQ(noHost.Get(), nullptr);
    untitled->Release();
    EXPECT_TRUE(gone2);

    base.Reset();
    ex.Reset();
    EXPECT_FALSE(gone);
    printout->Release();
    EXPECT_TRUE(gone);
}

TEST_F(ReportCopyPrint, PrintHandsTheHostAOnePageLandscapePrintoutOfTheReport)
{
    FakePrintService service;
    FakeFrame frame;
    frame.service = &service;
    FakePrinting printing;
    printing.frame = &frame;
    FakeAccess access(&printing);
    CalibrationData caller = ThreePoints();
    Open(caller, &access);

    // Print pressed again while the host prints: nothing happens.
    service.during = [this, &service] {
        EXPECT_TRUE(Tessar::ReportPrintRunning());
        Click(311);
        EXPECT_EQ(service.prints, 1);
    };
    Click(311);
    EXPECT_EQ(service.prints, 1);
    EXPECT_FALSE(Tessar::ReportPrintRunning());
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(service.flagsSeen, 1);
    EXPECT_EQ(service.layout, 2);
    EXPECT_EQ(service.pages, 1);
    EXPECT_EQ(service.title, QStringLiteral("Tessar Curve for Channel 3"));
    EXPECT_EQ(service.host, static_cast<IUnknown*>(&printing));
    // The page holds the report: the blue curve, the red points, the details block's text.
    const QImage page = service.page;
    EXPECT_GT(PixelsOf(page, [](QColor c) { return c == QColor(0, 0, 255); }), 50);
    EXPECT_GT(PixelsOf(page, [](QColor c) { return c == QColor(255, 0, 0); }), 20);
    EXPECT_TRUE(page.save(TestSupport::TestOutputPath(QStringLiteral("report_printout.png"))));

    // Once the print is over, Print prints again.
    service.during = nullptr;
    Click(311);
    EXPECT_EQ(service.prints, 2);

    // A failed print is told.
    service.result = E_FAIL;
    Click(311);
    EXPECT_EQ(messages_, std::vector<std::u16string>{Tessar::kPrintFailed});
    Close();
}

TEST_F(ReportCopyPrint, WithoutPrintingInTheHostTheUserIsTold)
{
    FakePrinting printing;  // its frame is missing
    FakeAccess withoutFrame(&printing);
    FakeAccess withoutPrinting(nullptr);
    FakeFrame frame;  // its service is missing
    FakePrinting printingWithFrame;
    printingWithFrame.frame = &frame;
    FakeAccess withoutService(&printingWithFrame);
    IUnknown* hosts[] = {nullptr, &withoutPrinting, &withoutFrame, &withoutService};
    for (IUnknown* host : hosts) {
        messages_.clear();
        CalibrationData caller = ThreePoints();
        Open(caller, host);
        Click(311);
        EXPECT_EQ(messages_, std::vector<std::u16string>{Tessar::kPrintingNotAvailable});
        EXPECT_EQ(captions_.back(), u"Tessar");
        EXPECT_FALSE(Tessar::ReportPrintRunning());
        Close();
    }
}

// The host's own print service (linked here), reached by the printing walk.
class HostPrint : public ReportCopyPrint {
protected:
    void SetUp() override
    {
        Zor::InstallGuiServices();
        ASSERT_EQ(Zor::OptionalServices::GetPrinting(IID_IZORPrinting, printing_.PutVoid()), S_OK);
        ComPtr<IZORHostFrame> frame;
        ASSERT_EQ(printing_->GetFrame(frame.Put()), S_OK);
        ASSERT_EQ(frame->GetPrintService(service_.Put()), S_OK);
    }
    void TearDown() override { service_->SetDestination(kPrintAskUser, nullptr); }

    ComPtr<IZORPrinting> printing_;
    ComPtr<IZORPrintService> service_;
};

TEST_F(HostPrint, PrintsOnePageToAPdfFile)
{
    const QString pdf = dir_.filePath(QStringLiteral("report.pdf"));
    ASSERT_EQ(service_->SetDestination(kPrintPdfFile, reinterpret_cast<const char16_t*>(pdf.utf16())), S_OK);
    FakeAccess access(printing_.Get());
    CalibrationData caller = Record(4, {0, 1, 2, 3, 4, 5, 6}, {0, 1.5, 3.2, 2.1, 4.9, 9.8, 7.7});
    Open(caller, &access);
    Click(311);
    EXPECT_TRUE(messages_.empty());
    ASSERT_TRUE(QFile::exists(pdf));
    EXPECT_EQ(PdfInfo(pdf, QStringLiteral("Pages")), QStringLiteral("1"));
    EXPECT_EQ(PdfInfo(pdf, QStringLiteral("Title")), QStringLiteral("Tessar Curve for Channel 3"));
    const QImage page = PdfPage(pdf, QStringLiteral("report_printed"));
    ASSERT_FALSE(page.isNull());
    EXPECT_GT(page.width(), page.height()) << "landscape";
    EXPECT_GT(PixelsOf(page, [](QColor c) { return c.blue() > 200 && c.red() < 80 && c.green() < 80; }), 30);
    EXPECT_GT(PixelsOf(page, [](QColor c) { return c.red() > 200 && c.blue() < 80 && c.green() < 80; }), 10);
    Close();
}

TEST_F(HostPrint, PreviewShowsTheReportPage)
{
    ASSERT_EQ(service_->SetDestination(kPrintPreview, nullptr), S_OK);
    FakeAccess access(printing_.Get());
    CalibrationData caller = Record(7, {1, 2, 4, 5}, {10, 20, 0, 5});
    Open(caller, &access);
    int previewPages = -1;
    QString previewTitle;
    WhenShown<QPrintPreviewDialog>([&](QPrintPreviewDialog* preview) {
        auto* widget = preview->findChild<QPrintPreviewWidget*>();
        TestSupport::WaitUntil([widget] { return widget && widget->pageCount() > 0; });
        previewPages = widget ? widget->pageCount() : -1;
        previewTitle = preview->windowTitle();
        EXPECT_TRUE(Tessar::ReportPrintRunning());
        preview->grab().save(TestSupport::TestOutputPath(QStringLiteral("report_preview.png")));
        preview->reject();
    });
    Click(311);
    EXPECT_EQ(previewPages, 1);
    EXPECT_TRUE(previewTitle.contains(QStringLiteral("Tessar Curve for Channel 3")));
    EXPECT_TRUE(messages_.empty());
    EXPECT_FALSE(Tessar::ReportPrintRunning());
    Close();
}

// The automation interface of the module, with the renderer the module installs when loaded.
class Owner final : public IUnknown {
public:
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    uint32_t AddRef() override { return 2; }
    uint32_t Release() override { return 1; }
};

TEST_F(ReportCopyPrint, AutomationRendersTheReportToAFileByExtension)
{
    Owner owner;
    Tessar::TessarAutomation automation(&owner);
    const ComPtr<Tessar::TessarSettings> settings(new Tessar::TessarSettings(ThreePoints()));
    auto render = [&](const QString& file) {
        return automation.RenderReport(settings.Get(), KVI::String(file.toStdU16String()).Interface(), 0);
    };
    const QString pdf = dir_.filePath(QStringLiteral("report.PDF"));
    ASSERT_EQ(render(pdf), S_OK);
    EXPECT_EQ(PdfInfo(pdf, QStringLiteral("Pages")), QStringLiteral("1"));
    EXPECT_EQ(PdfInfo(pdf, QStringLiteral("Title")), QStringLiteral("Tessar Curve for Channel 3"));
    PdfPage(pdf, QStringLiteral("report_automation"));

    const QString png = dir_.filePath(QStringLiteral("report.png"));
    ASSERT_EQ(render(png), S_OK);
    const QImage image(png);
    ASSERT_FALSE(image.isNull());
    EXPECT_GT(image.width(), 400);
    EXPECT_GT(PixelsOf(image, [](QColor c) { return c == QColor(0, 0, 255); }), 50);

    EXPECT_EQ(render(dir_.filePath(QStringLiteral("report.svg"))), E_INVALIDARG);
    EXPECT_EQ(render(dir_.filePath(QStringLiteral("missing/folder/report.png"))), E_FAIL);
    EXPECT_EQ(automation.RenderReport(settings.Get(), KVI::String(u"x.png").Interface(), 1), E_INVALIDARG);
    EXPECT_EQ(automation.RenderReport(nullptr, KVI::String(u"x.png").Interface(), 0), E_INVALIDARG);
    EXPECT_TRUE(messages_.empty());
}

// The table's horizontal lines in one column of pixels of a picture: the rows of dark pixels
// at x between top and bottom, runs of them counted once.
int RowLines(const QImage& image, int x, int top, int bottom)
{
    int lines = 0;
    bool before = false;
    for (int y = top; y < bottom; ++y) {
        const bool dark = qGray(image.pixel(x, y)) < 100;
        lines += dark && !before;
        before = dark;
    }
    return lines;
}

// Eighteen points, more than the dialog's table frames: the rendered picture grows so that
// every row is framed and written, and the page's table shrinks its font to keep them all.
TEST_F(ReportCopyPrint, RenderedReportsOfMorePointsThanTheDialogShowsKeepEveryRow)
{
    std::vector<double> raw, calibrated;
    for (int i = 0; i < 18; ++i) {
        raw.push_back(0.25 * i);
        calibrated.push_back(10 + 20 * 0.25 * i + 0.3 * std::sin(i * 1.7));
    }
    Owner owner;
    Tessar::TessarAutomation automation(&owner);
    const ComPtr<Tessar::TessarSettings> settings(new Tessar::TessarSettings(Record(0, raw, calibrated)));
    const QString png = dir_.filePath(QStringLiteral("eighteen.png"));
    ASSERT_EQ(automation.RenderReport(settings.Get(), KVI::String(png.toStdU16String()).Interface(), 0), S_OK);
    const QImage image(png);
    ASSERT_FALSE(image.isNull());
    image.save(TestSupport::TestOutputPath(QStringLiteral("report_eighteen_points.png")));
    const QPoint split = Tessar::ReportSplit(image.rect());
    // Frame top, heading line, a line under each of the 18 rows (the last one the frame's).
    EXPECT_EQ(RowLines(image, split.x() + 2, 0, split.y()), 20);
    // The number of the last point is written in its row: ink between the last two lines.
    int last = -1, before = -1;
    for (int y = 0; y < split.y(); ++y)
        if (qGray(image.pixel(split.x() + 2, y)) < 100 && (y == 0 || qGray(image.pixel(split.x() + 2, y - 1)) >= 100)) {
            before = last;
            last = y;
        }
    int ink = 0;
    for (int y = before + 2; y < last - 1; ++y)
        for (int x = split.x() + 3; x < split.x() + 20; ++x) ink += qGray(image.pixel(x, y)) < 128;
    EXPECT_GT(ink, 5) << "the 18th row's number";

    const QString pdf = dir_.filePath(QStringLiteral("eighteen.pdf"));
    ASSERT_EQ(automation.RenderReport(settings.Get(), KVI::String(pdf.toStdU16String()).Interface(), 0), S_OK);
    const QString text = dir_.filePath(QStringLiteral("eighteen.txt"));
    ASSERT_EQ(QProcess::execute(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, text}), 0);
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(file.readAll());
    // Every point's number and raw value at the start of its row of the table.
    for (int i = 0; i < 18; ++i)
        EXPECT_TRUE(page.contains(QRegularExpression(QStringLiteral("\\b%1\\s+%2\\b").arg(i + 1).arg(0.25 * i))))
            << "row " << i + 1;
    PdfPage(pdf, QStringLiteral("report_eighteen_points_page"));
}

// A record that keeps measured points, a range policy, dates past due and a certificate: the
// table gets the SD column and the details block the record's lines after the fit's, in the
// copied text and on the rendered report (pictured in the test output).
TEST_F(ReportCopyPrint, RecordKeepingShowsTheSdColumnPolicyAndDates)
{
    CalibrationData caller = Record(0, {0, 0.5, 1, 1.5}, {0.2, 49, 101.5, 149});
    caller.provenance_.resize(4);
    caller.provenance_[0] = {true, 0, 0.004, 1000, 0, 0, 1000};
    caller.provenance_[1] = {true, 0.5, 0.006, 1000, 0, 2000, 3000};
    caller.provenance_[3] = {true, 1.5, 0.0125, 800, 1, 0, 800};
    caller.rangePolicy_ = 1;
    caller.calibrationDate_ = KVI::String(u"2025-11-02");
    caller.validityDays_ = 365;
    caller.certificate_ = KVI::String(u"C-2025/117");
    caller.operator_ = KVI::String(u"A. Grey");
    Open(caller);
    CopyWith([](Tessar::TessCopySelect* choice) {
        QTest::mouseClick(KVI::FindControl<QRadioButton>(choice, 352), Qt::LeftButton);
        QTest::mouseClick(KVI::FindControl<QPushButton>(choice, 1), Qt::LeftButton);
    });
    const QString text = QGuiApplication::clipboard()->text();
    const QStringList lines = text.split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 5);
    EXPECT_EQ(lines[0], QStringLiteral("\tV\tmmHg\tFitted\tResidual\tSD\t"));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("\t0.00\t"))) << lines[1].toStdString();  // 0.004 at two places
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral("\t0.01\t"))) << lines[2].toStdString();
    EXPECT_TRUE(lines[3].endsWith(QStringLiteral("\t*\t"))) << "a typed point: " << lines[3].toStdString();
    // 2025-11-02 + 365 days is 2026-11-02 (no February 29th between them).
    EXPECT_TRUE(text.endsWith(QStringLiteral("\nBest supported by these points: Linear\n"
                                             "Outside the points: clamped to the end values\n"
                                             "Calibrated: 2025-11-02\n"
                                             "Due: 2026-11-02 (expired)\n"
                                             "Certificate: C-2025/117\n"
                                             "Operator: A. Grey\n")))
        << text.toStdString();

    const QImage image = Tessar::ReportImage(Dialog());
    image.save(TestSupport::TestOutputPath(QStringLiteral("report_record_keeping.png")));
    // The table's six columns: seven vertical lines across its last (empty) row.
    const QPoint split = Tessar::ReportSplit(image.rect());
    std::vector<int> rowLines;
    for (int y = 0; y < split.y(); ++y)
        if (qGray(image.pixel(split.x() + 2, y)) < 100 && (y == 0 || qGray(image.pixel(split.x() + 2, y - 1)) >= 100))
            rowLines.push_back(y);
    ASSERT_GE(rowLines.size(), 2u);
    const int emptyRow = (rowLines[rowLines.size() - 2] + rowLines.back()) / 2;
    int lines6 = 0;
    bool before = false;
    for (int x = split.x(); x < image.width(); ++x) {
        const bool dark = qGray(image.pixel(x, emptyRow)) < 100;
        lines6 += dark && !before;
        before = dark;
    }
    EXPECT_EQ(lines6, 7);
}

}  // namespace
