#include "host/velogram/window_application.h"

#include <cstdio>

#include <QApplication>

#include "foundation/gui/font_substitutions.h"
#include "foundation/gui/qt_message_presenter.h"
#include "foundation/kvi_string.h"
#include "foundation/message_box.h"
#include "host/velogram/calculation_commands.h"
#include "host/velogram/main_window.h"
#include "host/zor/framework_client.h"
#include "platform/com_ptr.h"

namespace Velogram {

int RunApplicationWindow(int argc, char** argv, const std::string& path, const CsvReadOptions& options)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velogram"));
    KVI::InstallFontSubstitutions();
    KVI::InstallQtMessagePresenter();

    platform::ComPtr<IZorFramework> framework;
    std::string problem;
    if (FAILED(Zor::StartFramework("", framework.Put(), &problem))) {
        KVI::ShowMessage(HostCaption(), KVI::String::FromUtf8("The framework library cannot be started: " + problem));
        return 1;
    }
    int32_t loaded = 0;
    IAutoKVIString* report = nullptr;
    framework->LoadModules(nullptr, &loaded, &report);
    const std::string skipped = KVI::String(report).ToUtf8();
    if (report) report->Release();
    if (!skipped.empty()) std::fprintf(stderr, "velogram: modules not loaded:\n%s\n", skipped.c_str());
    IAutoKVIString* unitsProblem = nullptr;
    if (framework->GetUnitsFileProblem(&unitsProblem) == S_OK) {
        std::fprintf(stderr, "velogram: warning: %s\n", KVI::String(unitsProblem).ToUtf8().c_str());
        unitsProblem->Release();
    }

    int status = 0;
    {
        MainWindow window(framework.Get());
        window.SetImportOptions(options);
        window.show();
        if (!path.empty()) window.OpenFile(QString::fromStdString(path));
        status = QApplication::exec();
    }
    return status;
}

}  // namespace Velogram
