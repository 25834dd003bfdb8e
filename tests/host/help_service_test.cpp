// The help service: found on the framework class object, it shows the pages of a help book in
// its window; every link of the TessarHelp book leads to a page of the book.
#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>
#include <QTest>
#include <QTextBrowser>

#include "interfaces/help.h"
#include "interfaces/unit_list.h"
#include "foundation/kvi_string.h"
#include "host/zor/framework_services.h"
#include "host/zor/gui/gui_services.h"
#include "host/zor/gui/help_service.h"
#include "host/zor/gui/help_window.h"
#include "platform/class_table.h"
#include "platform/com_ptr.h"
#include "tests/support/gui_test_util.h"

namespace {

using platform::ComPtr;

class HelpServiceTest : public testing::Test {
protected:
    void SetUp() override
    {
        Zor::InstallGuiServices();
        ASSERT_EQ(Zor::FrameworkServices::Instance()->EnsureRegistered(), S_OK);
        // As a module asks for it: the framework class object, under the help interface.
        ASSERT_EQ(CoGetClassObject(CLSID_FrameworkServices, 23, nullptr, IID_IHelpService, help_.PutVoid()), S_OK);
    }
    void TearDown() override
    {
        if (Zor::HelpWindow* window = Zor::HelpService::Instance()->Window()) delete window;
    }

    HRESULT Show(const char16_t* topic, const char16_t* book)
    {
        return help_->ShowHelp(topic ? KVI::String(topic).Interface() : nullptr,
                               book ? KVI::String(book).Interface() : nullptr);
    }
    static Zor::HelpWindow* Window() { return Zor::HelpService::Instance()->Window(); }

    ComPtr<IHelpService> help_;
};

TEST_F(HelpServiceTest, ShowsTheSetupTopicOfTheTessarBook)
{
    ASSERT_EQ(Show(u"ts_setup", u"TessarHelp"), S_OK);
    Zor::HelpWindow* window = Window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->CurrentHeading(), QStringLiteral("Setting up a Tessar calibration"));
    EXPECT_EQ(window->CurrentPage().fileName(), QStringLiteral("ts_setup.html"));
    EXPECT_TRUE(window->windowTitle().contains(QStringLiteral("Setting up a Tessar calibration")));
    // The shared style sheet loaded: headings are drawn in the book's colour.
    EXPECT_TRUE(window->Browser()->toHtml().contains(QStringLiteral("#1f3f6f"), Qt::CaseInsensitive));

    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_TRUE(window->grab().save(TestSupport::TestOutputPath("help_window.png")));

    // A second request reuses the window.
    ASSERT_EQ(Show(u"fit_kinds", u"TessarHelp"), S_OK);
    EXPECT_EQ(Window(), window);
    EXPECT_EQ(window->CurrentHeading(), QStringLiteral("Fit kinds"));
}

TEST_F(HelpServiceTest, KeysMatchWithoutCaseAndUnknownTopicsShowTheContents)
{
    struct {
        const char16_t* topic;
        const char16_t* book;
        HRESULT result;
        const char* heading;
    } cases[] = {
        {u"TS_SETUP", u"tessarhelp", S_OK, "Setting up a Tessar calibration"},
        {u"no_such_topic", u"TessarHelp", S_FALSE, "Tessar Help"},
        {nullptr, u"TessarHelp", S_FALSE, "Tessar Help"},
        // A topic is a page name, never a path out of the book.
        {u"../TessarHelp/ts_setup", u"TessarHelp", S_FALSE, "Tessar Help"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Show(c.topic, c.book), c.result);
        ASSERT_NE(Window(), nullptr);
        EXPECT_EQ(Window()->CurrentHeading(), QString::fromLatin1(c.heading));
    }
}

TEST_F(HelpServiceTest, UnknownBooksShowNothing)
{
    EXPECT_EQ(Show(u"ts_setup", u"NoSuchHelp"), E_INVALIDARG);
    EXPECT_EQ(Show(u"ts_setup", nullptr), E_INVALIDARG);
    EXPECT_EQ(Show(u"ts_setup", u"../help/TessarHelp"), E_INVALIDARG);
    EXPECT_EQ(Window(), nullptr);
    EXPECT_EQ(help_->Reserved3(), E_NOTIMPL);
}

TEST_F(HelpServiceTest, EveryLinkOfTheBookLeadsToOneOfItsPages)
{
    ASSERT_EQ(Show(u"ts_setup", u"TessarHelp"), S_OK);
    const QString book = Zor::HelpWindow::BookFolder(QStringLiteral("TessarHelp"));
    const QStringList pages = QDir(book).entryList({QStringLiteral("*.html")}, QDir::Files);
    ASSERT_GE(pages.size(), 6);
    const QRegularExpression link(QStringLiteral("href=\"([^\"#]+)\""));
    for (const QString& page : pages) {
        QFile file(QDir(book).filePath(page));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << page.toStdString();
        const QString html = QString::fromUtf8(file.readAll());
        for (auto it = link.globalMatch(html); it.hasNext();) {
            const QString target = it.next().captured(1);
            EXPECT_TRUE(QFile::exists(QDir(book).filePath(target)))
                << page.toStdString() << " links to " << target.toStdString();
        }
        // Every page opens with its heading.
        Window()->ShowPage(QDir(book).filePath(page));
        EXPECT_FALSE(Window()->CurrentHeading().isEmpty()) << page.toStdString();
    }
}

}  // namespace
