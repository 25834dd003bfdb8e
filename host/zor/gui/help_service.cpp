#include "host/zor/gui/help_service.h"

#include <QApplication>
#include <QDir>
#include <QPointer>

#include "foundation/gui/qt_string.h"
#include "host/zor/gui/help_window.h"

// Q_INIT_RESOURCE names a function outside any namespace.
static void InitHelpResources() { Q_INIT_RESOURCE(tessar_help); }

namespace Zor {

namespace {

QPointer<HelpWindow>& OpenWindow()
{
    static QPointer<HelpWindow> window;
    return window;
}

QString Text(IAutoKVIString* s) { return s ? KVI::ToQString(KVI::String(s)) : QString(); }

}  // namespace

HelpService* HelpService::Instance()
{
    static HelpService* const service = new HelpService();
    return service;
}

HRESULT HelpService::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IHelpService) {
        *out = static_cast<IHelpService*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

uint32_t HelpService::AddRef() { return uint32_t(refs_.fetch_add(1) + 1); }
uint32_t HelpService::Release() { return uint32_t(refs_.fetch_sub(1) - 1); }

HelpWindow* HelpService::Window() const { return OpenWindow().data(); }

HRESULT HelpService::ShowHelp(IAutoKVIString* topic, IAutoKVIString* helpKey)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return E_FAIL;
    static const bool resources = (InitHelpResources(), true);
    (void)resources;

    const QString book = HelpWindow::BookFolder(Text(helpKey));
    if (book.isEmpty()) return E_INVALIDARG;
    QString page = HelpWindow::TopicPage(book, Text(topic));
    const HRESULT result = page.isEmpty() ? S_FALSE : S_OK;
    if (page.isEmpty()) page = QDir(book).filePath(QStringLiteral("index.html"));

    QPointer<HelpWindow>& window = OpenWindow();
    if (!window) {
        window = new HelpWindow();
        window->setAttribute(Qt::WA_DeleteOnClose);
        // A window left open goes with the application's event loop rather than leaking past it.
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, window.data(), &QObject::deleteLater);
    }
    window->ShowPage(page);
    window->show();
    window->raise();
    window->activateWindow();
    return result;
}

}  // namespace Zor
