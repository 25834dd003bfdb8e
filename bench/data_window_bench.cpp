// The data window's time to first paint of a channel of ten million samples: building the
// channel's sample summary (reading every sample through its sample stream once) and painting
// the window into a 1200 x 500 image, for a recorded channel and for a calculated channel whose
// samples come through the calibration module's enumerator. Then a repaint, which reads only
// the summaries; and repaints of the window zoomed in (BM_RepaintZoomed/N: 1 / 256, 1 / 16, 1
// and 64 pixels per sample, N = 1 to 4), each after scrolling to a place two views away, so
// that a view too fine for the summaries' pyramid reads its samples anew (both channels: the
// calculated one through the module). The framework (libzor.so) and the module
// (libtessar.so) are loaded from the program's folder, as the application loads them.
//
// Counters (per iteration):
//   ms           the window's first paint (or repaint)
//   baseline_ms  first paint: a memcpy of the channel's samples (the least any paint that reads
//                every sample must cost); repaint: filling the image and drawing one vertical
//                line per column
//   ratio        ms / baseline_ms
//   px_per_sample  the zoomed repaint's scale
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QLine>
#include <QPainter>

#include "interfaces/tessar_automation.h"
#include "foundation/gui/font_substitutions.h"
#include "host/velogram/data_window.h"
#include "host/velogram/host_document.h"
#include "host/zor/framework_client.h"
#include "platform/com_ptr.h"

namespace {

using platform::ComPtr;
using Clock = std::chrono::steady_clock;

constexpr int64_t kSamples = 10'000'000;
constexpr int kWidth = 1200;
constexpr int kHeight = 500;

double Ms(Clock::time_point since) { return std::chrono::duration<double, std::milli>(Clock::now() - since).count(); }

// A document with the recorded channel "Signal" (volts) and, when the module is there, the
// calculated channel "Pressure" (a linear calibration of it).
struct Setup {
    Setup()
    {
        std::string problem;
        if (FAILED(Zor::StartFramework("", framework.Put(), &problem))) throw std::runtime_error(problem);
        framework->LoadModules(nullptr, nullptr, nullptr);
        ComPtr<IZorDocument> document;
        framework->CreateDocument(document.Put());
        document.As(IID_IRecording, recording);
        recording->AddBlock(nullptr);
        recording->AddChannel(KVI::String(u"Signal").Interface(), nullptr);
        samples.resize(size_t(kSamples));
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = float(2.5 + 2.0 * std::sin(double(i) * 1e-4) + 0.01 * double((i * 7919) % 101) / 101.0);
        recording->AppendSamples(0, 0, samples.data(), uint32_t(samples.size()));
        recording->SetDisplayRange(0, 5.0, 0.0);
        host = Velogram::HostDocument::Create(document.Get());
        AddCalculated();
        copy.resize(samples.size());
    }

    void AddCalculated()
    {
        ComPtr<IUnknown> calc;
        ComPtr<ICalculationClass> tessar;
        ComPtr<ITessarAutomation> automation;
        if (FAILED(Zor::FindClassByName(framework.Get(), KIND_CalculationClass, u"Tessar", calc.Put())) ||
            FAILED(calc.As(IID_ICalculationClass, tessar)) || FAILED(calc.As(IID_ITessarAutomation, automation)))
            return;
        const KVI::String raw[] = {KVI::String(u"0"), KVI::String(u"5")};
        const KVI::String cal[] = {KVI::String(u"0"), KVI::String(u"500")};
        IAutoKVIString* rawTexts[] = {raw[0].Interface(), raw[1].Interface()};
        IAutoKVIString* calTexts[] = {cal[0].Interface(), cal[1].Interface()};
        ComPtr<IPersistObject> settings;
        IAutoKVIString* message = nullptr;
        if (FAILED(automation->FitPoints(2, rawTexts, calTexts, KVI::String(u"V").Interface(),
                                         KVI::String(u"kPa").Interface(), 0, 0, 0, settings.Put(), &message)))
            return;
        int32_t channel = -1;
        recording->AddChannel(KVI::String(u"Pressure").Interface(), &channel);
        host->Calculations()->SetCalculation(channel, tessar.Get(), 0);
        host->Calculations()->ApplySettings(channel, settings.Get());
        recording->SetDisplayRange(channel, 500.0, 0.0);
        calculated = channel;
    }

    ComPtr<IZorFramework> framework;
    ComPtr<IRecording> recording;
    ComPtr<Velogram::HostDocument> host;
    std::vector<float> samples;
    std::vector<float> copy;
    int32_t calculated = -1;
    QImage image{kWidth, kHeight, QImage::Format_ARGB32_Premultiplied};
};

Setup& Shared()
{
    static Setup setup;
    return setup;
}

double CopySamples(Setup& s)
{
    const auto start = Clock::now();
    std::memcpy(s.copy.data(), s.samples.data(), s.samples.size() * sizeof(float));
    benchmark::DoNotOptimize(s.copy.data());
    benchmark::ClobberMemory();
    return Ms(start);
}

double ColumnLines(Setup& s)
{
    std::vector<QLine> lines;
    for (int x = 0; x < kWidth; ++x) lines.emplace_back(x, kHeight / 4 + (x % 50), x, kHeight / 2 + (x % 70));
    const auto start = Clock::now();
    s.image.fill(Qt::white);
    QPainter painter(&s.image);
    painter.setPen(QPen(Qt::blue, 1));
    painter.drawLines(lines.data(), int(lines.size()));
    painter.end();
    benchmark::DoNotOptimize(s.image.constBits());
    return Ms(start);
}

// Paints the window into the image; the milliseconds it took.
double Render(Setup& s, QWidget& window)
{
    const auto start = Clock::now();
    QPainter painter(&s.image);
    window.render(&painter);
    painter.end();
    benchmark::DoNotOptimize(s.image.constBits());
    return Ms(start);
}

void Report(benchmark::State& state, double measured, double baseline)
{
    const double n = double(state.iterations());
    state.SetItemsProcessed(int64_t(state.iterations()) * kSamples);
    state.counters["ms"] = measured / n;
    state.counters["baseline_ms"] = baseline / n;
    state.counters["ratio"] = measured / baseline;
}

void FirstPaint(benchmark::State& state, int32_t channel)
{
    Setup& s = Shared();
    if (channel < 0) {
        state.SkipWithError("the calibration module is not loaded");
        return;
    }
    const int32_t other = channel == 0 ? s.calculated : 0;
    double measured = 0, baseline = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto window = std::make_unique<Velogram::DataWindow>();
        window->resize(kWidth, kHeight);
        window->SetDocument(s.host.Get());
        // The window draws both channels; the other's summary is made before the clock runs, so
        // the timed paint summarises only the channel measured.
        if (other >= 0) window->Summaries().Get(other, 0);
        state.ResumeTiming();
        measured += Render(s, *window);
        state.PauseTiming();
        baseline += CopySamples(s);
        window.reset();
        state.ResumeTiming();
    }
    Report(state, measured, baseline);
}

void BM_FirstPaintRecorded(benchmark::State& state) { FirstPaint(state, 0); }
void BM_FirstPaintCalculated(benchmark::State& state) { FirstPaint(state, Shared().calculated); }

// Repaints of a window whose summaries are built, at zoom pixels per sample (0: everything
// fits). A zoomed view scrolls two views before each repaint, so the samples read for one
// place do not hold the next.
void Repaints(benchmark::State& state, double zoom)
{
    Setup& s = Shared();
    Velogram::DataWindow window;
    window.resize(kWidth, kHeight);
    window.SetDocument(s.host.Get());
    window.grab();
    if (zoom > 0) window.ZoomAt(zoom / window.View().PixelsPerSample(), window.PlotRect().center().x());
    int64_t step = 2 * window.View().Width();
    double measured = 0, baseline = 0;
    for (auto _ : state) {
        if (zoom > 0) {
            state.PauseTiming();
            if (!window.ScrollBy(step)) window.ScrollBy(step = -step);
            step = -step;
            state.ResumeTiming();
        }
        measured += Render(s, window);
        state.PauseTiming();
        baseline += ColumnLines(s);
        state.ResumeTiming();
    }
    Report(state, measured, baseline);
    state.counters["px_per_sample"] = window.View().PixelsPerSample();
}

void BM_Repaint(benchmark::State& state) { Repaints(state, 0.0); }

// The zoomed repaints' scales in pixels per sample, from BM_RepaintZoomed/1 on.
constexpr double kZooms[] = {0.0, 1.0 / 256, 1.0 / 16, 1.0, 64.0};

void BM_RepaintZoomed(benchmark::State& state) { Repaints(state, kZooms[state.range(0)]); }

BENCHMARK(BM_FirstPaintRecorded)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstPaintCalculated)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Repaint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RepaintZoomed)->DenseRange(1, 4)->Unit(benchmark::kMillisecond);

}  // namespace
