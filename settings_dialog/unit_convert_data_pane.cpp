#include "settings_dialog/unit_convert_data_pane.h"

#include <algorithm>

#include <QApplication>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>

#include "foundation/gui/qt_string.h"
#include "foundation/kvi_string.h"
#include "foundation/simple_unknown_imp.h"
#include "resources/string_ids.h"
#include "settings_dialog/pane_geometry.h"
#include "settings_dialog/pane_painter.h"

namespace Tessar {

// The pane's observer face. The scale holds references to it, so it is a reference-counted
// object of its own that forwards to the pane while the pane lives, never the widget itself.
class PaneObserver final : public SimpleUnknownImp1<IDragScaleObserver> {
public:
    explicit PaneObserver(UnitConvertDataPane* pane) : SimpleUnknownImp1(IID_IDragScaleObserver), pane_(pane) {}

    void Detach() { pane_ = nullptr; }

    HRESULT OnDragBegin(IScale*) override { return S_OK; }
    HRESULT OnLookChanged(IScale*) override { return S_OK; }
    HRESULT OnRangeChanged(IScale*, double factor, double offset) override
    {
        return pane_ ? pane_->OnRangeChanged(factor, offset) : S_OK;
    }
    HRESULT OnDragEnd(IScale*) override { return E_NOTIMPL; }
    HRESULT OnTextChanged(IScale*) override { return E_NOTIMPL; }

private:
    UnitConvertDataPane* pane_;
};

UnitConvertDataPane::UnitConvertDataPane(QWidget* parent, const QColor& trace)
    : QWidget(parent), band_(this), trace_(trace), observer_(new PaneObserver(this))
{
    // The pane paints every pixel itself.
    setAttribute(Qt::WA_OpaquePaintEvent);
    clientRect_ = rect();
}

UnitConvertDataPane::~UnitConvertDataPane()
{
    observer_->Detach();
}

IDragScaleObserver* UnitConvertDataPane::Observer() const
{
    return observer_.Get();
}

HRESULT UnitConvertDataPane::OnRangeChanged(double scale, double offset)
{
    SetScaling(scale, offset);
    update();
    return S_OK;
}

void UnitConvertDataPane::ClearSamples()
{
    samples_.clear();
    segments_.clear();
    update();
}

void UnitConvertDataPane::SetState(int32_t state)
{
    state_ = state;
    update();
}

void UnitConvertDataPane::LoadSamples(IEnumFloatEx* stream, double factor)
{
    PaneGeometry::AppendScaledSamples(stream, factor, samples_);
    ComputeStatistics();
    // The trace changed as well as the markers.
    update();
}

void UnitConvertDataPane::BeginBlock(int32_t block, int64_t firstSample)
{
    segments_.push_back(Segment{samples_.size(), block, firstSample});
}

std::optional<UnitConvertDataPane::SampleOrigin> UnitConvertDataPane::OriginOf(int64_t index) const
{
    if (index < 0 || static_cast<size_t>(index) >= samples_.size()) return std::nullopt;
    const auto i = static_cast<size_t>(index);
    // The last segment that begins at or before the index.
    auto at = std::upper_bound(segments_.begin(), segments_.end(), i,
                               [](size_t v, const Segment& s) { return v < s.firstIndex; });
    if (at == segments_.begin()) return std::nullopt;
    --at;
    return SampleOrigin{at->block, at->firstSample + static_cast<int64_t>(i - at->firstIndex)};
}

double UnitConvertDataPane::LargestSample() const
{
    if (samples_.empty()) return 0.0;
    return *std::max_element(samples_.begin(), samples_.end());
}

double UnitConvertDataPane::SmallestSample() const
{
    if (samples_.empty()) return 0.0;
    return *std::min_element(samples_.begin(), samples_.end());
}

int UnitConvertDataPane::TraceWidth() const
{
    return PaneGeometry::TraceWidth(clientRect_.width());
}

void UnitConvertDataPane::Render(QPainter& painter, const QRect& rect) const
{
    PaneContent content;
    content.state = state_;
    content.samples = samples_;
    content.scaling = this;
    content.trace = trace_;
    content.buttonFace = palette().color(QPalette::Button);
    if (state_ == kNoData)
        content.noDataText = KVI::ToQString(KVI::LoadString(KVI::ThisModule(), StringId::kNoSelectionData));
    content.current = current_;
    content.maximum = maximum_;
    content.minimum = minimum_;
    PanePainter::Paint(painter, rect, content);
    // The highlight inverts pixels, which only raster devices can do.
    const QPaintEngine* engine = painter.paintEngine();
    if (state_ == kData && engine && engine->hasFeature(QPaintEngine::RasterOpModes)) {
        painter.save();
        painter.translate(rect.topLeft());
        band_.Paint(painter);
        painter.restore();
    }
}

void UnitConvertDataPane::paintEvent(QPaintEvent*)
{
    samplesPerPixel_ = PaneGeometry::SamplesPerPixel(samples_.size(), TraceWidth());
    QPainter painter(this);
    Render(painter, clientRect_);
}

void UnitConvertDataPane::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    clientRect_ = rect();
    if (band_.IsShown()) MoveHighlight();
}

void UnitConvertDataPane::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || samples_.empty()) {
        QWidget::mousePressEvent(event);
        return;
    }
    // The press grabs the mouse for this widget until the release, so the span follows the
    // pointer beyond the pane's edges.
    selecting_ = true;
    spanStartX_ = PaneGeometry::SpanStartAt(event->position().toPoint().x(), TraceWidth());
    TrackSpanTo(event->position().toPoint().x());
}

void UnitConvertDataPane::mouseMoveEvent(QMouseEvent* event)
{
    if (!selecting_) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    TrackSpanTo(event->position().toPoint().x());
}

void UnitConvertDataPane::mouseReleaseEvent(QMouseEvent* event)
{
    if (!selecting_ || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    selecting_ = false;
    TrackSpanTo(event->position().toPoint().x());
    ComputeStatistics();
    UpdateMarkers();
}

void UnitConvertDataPane::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double click does not start a span (the default handling would
    // treat it as a press).
    if (event->button() != Qt::LeftButton) return;
    if (samples_.empty() || !parentWidget()) return;
    QEvent take(kTakeValueEvent);
    QCoreApplication::sendEvent(parentWidget(), &take);
}

void UnitConvertDataPane::TrackSpanTo(int x)
{
    spanEndX_ = PaneGeometry::SpanEndAt(spanStartX_, x, TraceWidth());
    MoveHighlight();
}

void UnitConvertDataPane::MoveHighlight()
{
    const QRect highlight = PaneGeometry::SpanHighlight(spanStartX_, spanEndX_, clientRect_.height());
    const QRect clip = PaneGeometry::HighlightClip(clientRect_.size());
    if (highlight.isEmpty() || (highlight & clip).isEmpty()) {
        band_.Hide();
        return;
    }
    band_.Move(highlight, clip);
}

void UnitConvertDataPane::ComputeStatistics()
{
    const int trace = TraceWidth();
    samplesPerPixel_ = PaneGeometry::SamplesPerPixel(samples_.size(), trace);
    const PaneGeometry::SpanStatistics stats =
        PaneGeometry::ComputeSpanStatistics(samples_, trace, spanStartX_, spanEndX_);
    firstIndex_ = stats.first;
    lastIndex_ = stats.last;
    current_ = stats.current;
    maximum_ = stats.maximum;
    minimum_ = stats.minimum;
    sd_ = stats.sd;
}

void UnitConvertDataPane::UpdateMarkers()
{
    // The markers reach 8 rows above and below their values, beyond the white strip: the whole
    // height of the strip's columns is painted again.
    const int strip = PaneGeometry::kMarkerStrip;
    update(QRect(clientRect_.width() - strip, 0, strip, clientRect_.height()));
}

}  // namespace Tessar
