// The windowing services as the host and its modules reach them in the built libzor.so: the
// library installs them when it is loaded, the registry hands out the scale service and the
// framework class object the help service. Links no framework code; only libzor.so's export.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTextBrowser>
#include <QWidget>

#include "interfaces/framework_registry.h"
#include "interfaces/help.h"
#include "interfaces/ole_window.h"
#include "interfaces/scale.h"
#include "interfaces/unit_list.h"
#include "foundation/kvi_string.h"
#include "host/zor/framework_client.h"
#include "platform/class_table.h"
#include "platform/com_ptr.h"

namespace {

using platform::ComPtr;

ComPtr<IZorFramework> Framework()
{
    ComPtr<IZorFramework> framework;
    std::string problem;
    EXPECT_EQ(Zor::StartFramework(std::string(), framework.Put(), &problem), S_OK) << problem;
    return framework;
}

TEST(GuiServicesE2e, RegistryHandsOutTheScaleServiceOfTheLoadedLibrary)
{
    ComPtr<IZorFramework> framework = Framework();
    ASSERT_TRUE(framework);
    ComPtr<IFrameworkRegistry> registry;
    ComPtr<IObjectFactory> factory;
    ASSERT_EQ(framework->QueryInterface(IID_IFrameworkRegistry, registry.PutVoid()), S_OK);
    ASSERT_EQ(framework->QueryInterface(IID_IObjectFactory, factory.PutVoid()), S_OK);
    uint16_t id = 0;
    ASSERT_EQ(registry->GetTypeIdentifier(TYPE_ScaleService, &id), S_OK);
    ComPtr<IScaleService> service;
    ASSERT_EQ(factory->GetService(uint32_t(id) << 16, IID_IScaleService, service.PutVoid()), S_OK);

    QWidget parent;
    ComPtr<IDragScale> scale;
    ASSERT_EQ(service->CreateScale(&parent, 48, 0, -9, -9, scale.Put()), S_OK);
    ComPtr<IOleWindow> window;
    ASSERT_EQ(scale->QueryInterface(IID_IOleWindow, window.PutVoid()), S_OK);
    QWidget* widget = nullptr;
    ASSERT_EQ(window->GetWindow(&widget), S_OK);
    EXPECT_EQ(widget->parentWidget(), &parent);
    int32_t width = 0;
    EXPECT_EQ(scale->GetPreferredSize(10, nullptr, nullptr, &width), S_OK);
    EXPECT_GT(width, 10);
}

TEST(GuiServicesE2e, FrameworkClassObjectAnswersHelp)
{
    ASSERT_TRUE(Framework());
    ComPtr<IHelpService> help;
    ASSERT_EQ(CoGetClassObject(CLSID_FrameworkServices, 23, nullptr, IID_IHelpService, help.PutVoid()), S_OK);
    ASSERT_EQ(help->ShowHelp(KVI::String(u"ts_setup").Interface(), KVI::String(u"TessarHelp").Interface()), S_OK);
    QWidget* shown = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QStringLiteral("HelpWindow") && w->isVisible()) shown = w;
    ASSERT_NE(shown, nullptr);
    auto* browser = shown->findChild<QTextBrowser*>();
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(browser->toPlainText().startsWith(QStringLiteral("Setting up a Tessar calibration")));
    delete shown;
}

}  // namespace
