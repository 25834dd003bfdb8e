// The XY graph with a plot of one million points: RefreshPlots (reading both columns and
// building the pixel points) and Paint (grid, axes and the plot's polyline into an 800 x 600
// image), each beside a plain QPainter::drawPolyline of the same points into the same image,
// timed in the same run so that the ratio compares like with like on a noisy machine.
// Counters:
//   ms           the graph's operation, per iteration
//   polyline_ms  fill the image and drawPolyline of the plot's points with the same pen
//   ratio        ms / polyline_ms
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "foundation/gui/font_substitutions.h"
#include "guilib/graph/graph2d.h"
#include "guilib/table/tabulated_data.h"
#include "platform/com_ptr.h"
#include "tests/support/fake_scale.h"

namespace {

constexpr int kPoints = 1000000;
constexpr int kWidth = 800;
constexpr int kHeight = 600;
using Clock = std::chrono::steady_clock;

// A graph of one plot: x from 0 to 1 across the width, a noisy sine over the height.
struct Setup {
    Setup()
    {
        for (int c = 0; c < 2; ++c) data->AddColumn(nullptr, nullptr);
        for (int i = 0; i < kPoints; ++i) {
            const double x = double(i) / kPoints;
            data->AppendValue(0, float(x));
            data->AppendValue(1, float(0.5 + 0.4 * std::sin(40 * x) + 0.05 * std::sin(7919.0 * x)));
        }
        horizontal.SetTicks(0, 80);
        vertical.SetTicks(0, 60);
        graph.resize(kWidth, kHeight);
        graph.ConnectScales(&vertical, &horizontal);
        graph.AttachData(data.Get());
        graph.AddPlot(0, 1, KVI::String());
        graph.SetPlotColour(0, 1, Qt::blue);
    }

    const std::vector<QPoint>& Points() const { return graph.Plot(0, 1)->plot_->Points(); }

    platform::ComPtr<GUILib::CTabulatedData> data{new GUILib::CTabulatedData()};
    TestSupport::FakeScale horizontal{false, 0, 1, kWidth};
    TestSupport::FakeScale vertical{true, 0, 1, kHeight};
    GUILib::CGraph2D graph;
    QImage image{kWidth, kHeight, QImage::Format_ARGB32_Premultiplied};
};

Setup& Shared()
{
    static Setup setup;
    return setup;
}

double Polyline(Setup& s)
{
    const auto start = Clock::now();
    s.image.fill(Qt::white);
    QPainter painter(&s.image);
    painter.setPen(QPen(Qt::blue, 1));
    painter.drawPolyline(s.Points().data(), int(s.Points().size()));
    painter.end();
    benchmark::DoNotOptimize(s.image.constBits());
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

template <class Operation>
void Run(benchmark::State& state, Operation operation)
{
    Setup& s = Shared();
    double measured = 0, baseline = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        operation(s);
        measured += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        state.PauseTiming();
        baseline += Polyline(s);
        state.ResumeTiming();
    }
    const double n = double(state.iterations());
    state.SetItemsProcessed(int64_t(state.iterations()) * kPoints);
    state.counters["ms"] = measured / n;
    state.counters["polyline_ms"] = baseline / n;
    state.counters["ratio"] = measured / baseline;
}

void BM_RefreshPlots(benchmark::State& state)
{
    Run(state, [](Setup& s) { s.graph.RefreshPlots(); });
}

void BM_Paint(benchmark::State& state)
{
    Run(state, [](Setup& s) {
        QPainter painter(&s.image);
        s.graph.Paint(painter, true, QRect(0, 0, kWidth, kHeight));
        painter.end();
        benchmark::DoNotOptimize(s.image.constBits());
    });
}

BENCHMARK(BM_RefreshPlots)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Paint)->Unit(benchmark::kMillisecond);

}  // namespace
