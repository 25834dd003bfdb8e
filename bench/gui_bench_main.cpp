// main of the benchmarks of widgets: an off-screen application (no display needed) with the
// fonts the components draw with, then Google Benchmark.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "foundation/gui/font_substitutions.h"

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    KVI::InstallFontSubstitutions();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
