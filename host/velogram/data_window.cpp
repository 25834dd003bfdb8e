#include "host/velogram/data_window.h"

#include <algorithm>

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include "foundation/gui/qt_string.h"
#include "foundation/gui/rubber_band.h"
#include "host/velogram/channel_scale.h"
#include "host/velogram/trace_painter.h"

namespace Velogram {

namespace {

constexpr int kTopMargin = 6;
constexpr int kRightMargin = 10;
constexpr int kLaneSpacing = 4;
// The strip of the channel's colour at the left edge of its scale.
constexpr int kSwatchWidth = 4;
constexpr int kSwatchSpacing = 2;

const QColor kPlotBackground(255, 255, 255);
const QColor kGapColour(226, 226, 226);
const QColor kCurrentLaneTint(244, 247, 252);
const QColor kBandFill(51, 119, 221, 56);
const QColor kBandEdge(51, 119, 221);

QColor ToQColor(uint32_t rgb) { return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

HostPosition Earlier(const HostPosition& a, const HostPosition& b) { return PositionBefore(b, a) ? b : a; }
HostPosition Later(const HostPosition& a, const HostPosition& b) { return PositionBefore(b, a) ? a : b; }

}  // namespace

DataWindow::DataWindow(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
    setMinimumSize(320, 160);
    scaleWidth_ = kSwatchWidth + kSwatchSpacing + ChannelScale::Width(logicalDpiY());
}

DataWindow::~DataWindow()
{
    if (document_) document_->Selection()->SetListener({});
}

void DataWindow::SetDocument(HostDocument* document)
{
    if (document_) document_->Selection()->SetListener({});
    document_ = platform::ComPtr<HostDocument>(document);
    layout_.SetRecord(document ? document->DataAccess() : nullptr);
    summaries_.SetRecording(document ? document->Recording() : nullptr);
    layoutStale_ = true;
    dragging_ = false;
    band_.reset();
    current_ = -1;
    if (document_) document_->Selection()->SetListener([this] { OnSelectionChanged(); });
    update();
}

void DataWindow::RefreshData()
{
    summaries_.Clear();
    layoutStale_ = true;
    band_.reset();
    UpdateBand();
    update();
}

void DataWindow::SetCurrentChannel(int32_t channel)
{
    if (channel == current_) return;
    current_ = channel;
    update();
}

QRect DataWindow::PlotRect() const
{
    const int labels = fontMetrics().height() + 6;
    return QRect(scaleWidth_, kTopMargin, std::max(1, width() - scaleWidth_ - kRightMargin),
                 std::max(1, height() - kTopMargin - labels));
}

QRect DataWindow::LaneRect(int32_t channel) const
{
    const QRect plot = PlotRect();
    const int32_t count = document_ ? std::max(document_->ChannelCount(), 1) : 1;
    const int top = plot.top() + int(int64_t(plot.height()) * channel / count);
    const int bottom = plot.top() + int(int64_t(plot.height()) * (channel + 1) / count) - 1;
    return QRect(plot.left(), top, plot.width(), std::max(1, bottom - top + 1 - kLaneSpacing));
}

const DataLayout& DataWindow::Layout()
{
    EnsureLayout();
    return layout_;
}

void DataWindow::EnsureLayout()
{
    if (!layoutStale_) return;
    layoutStale_ = false;
    layout_.Fit(PlotRect().width());
}

int DataWindow::ColumnOf(const HostPosition& position)
{
    EnsureLayout();
    return PlotRect().left() + static_cast<int>(layout_.PixelOf(position));
}

HostPosition DataWindow::PositionAtColumn(int x)
{
    EnsureLayout();
    return layout_.PositionAt(int64_t(x) - PlotRect().left());
}

bool DataWindow::ChannelExtremes(int32_t channel, double* lowest, double* highest)
{
    if (!document_) return false;
    EnsureLayout();
    MinMax all;
    for (int32_t b = 0; b < layout_.BlockCount(); ++b)
        if (const SampleSummary* summary = summaries_.Get(channel, b)) all.Merge(summary->Range(0, summary->Count()));
    if (all.Empty()) return false;
    const double factor = document_->Info(channel).factor;
    *lowest = all.min * factor;
    *highest = all.max * factor;
    return true;
}

// ---- selection

void DataWindow::OnSelectionChanged()
{
    UpdateBand();
    if (const auto listener = selectionListener_) listener();
}

std::optional<QRect> DataWindow::BandFor(const HostPosition& a, const HostPosition& b)
{
    EnsureLayout();
    if (a.block < 0 || a.block >= layout_.BlockCount() || b.block < 0 || b.block >= layout_.BlockCount())
        return std::nullopt;
    const int left = ColumnOf(Earlier(a, b));
    const int right = std::max(ColumnOf(Later(a, b)), left + 1);
    const QRect plot = PlotRect();
    return QRect(QPoint(left, plot.top()), QPoint(right - 1, plot.bottom()));
}

void DataWindow::UpdateBand()
{
    std::optional<QRect> next;
    if (dragging_) {
        next = BandFor(anchor_, dragEnd_);
    } else if (document_ && document_->Selection()->Has()) {
        next = BandFor(document_->Selection()->Start(), document_->Selection()->End());
    }
    if (next == band_) return;
    QRegion changed;
    if (next) {
        changed = KVI::RubberBandUpdate(band_, *next);
    } else if (band_) {
        changed = KVI::VisibleBand(*band_);
    }
    band_ = next;
    update(changed);
}

void DataWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !document_ || document_->ChannelCount() == 0) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QRect plot = PlotRect();
    const QPoint at = event->position().toPoint();
    // The scales are no part of the data.
    if (at.y() < plot.top() || at.y() > plot.bottom() || at.x() < plot.left()) return;
    anchor_ = PositionAtColumn(at.x());
    if (anchor_.block == kUnsetPosition) return;
    dragEnd_ = anchor_;
    dragging_ = true;
    UpdateBand();
}

void DataWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragging_) return;
    const HostPosition at = PositionAtColumn(event->position().toPoint().x());
    if (at.block == kUnsetPosition) return;
    dragEnd_ = at;
    UpdateBand();
}

void DataWindow::mouseReleaseEvent(QMouseEvent* event)
{
    if (!dragging_ || event->button() != Qt::LeftButton) return;
    const HostPosition at = PositionAtColumn(event->position().toPoint().x());
    if (at.block != kUnsetPosition) dragEnd_ = at;
    dragging_ = false;
    const HostPosition start = Earlier(anchor_, dragEnd_);
    const HostPosition end = Later(anchor_, dragEnd_);
    // A click without a drag (an empty span) removes the selection.
    if (FAILED(document_->Selection()->SetSelection(&start, &end))) document_->Selection()->Clear();
    UpdateBand();
}

void DataWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutStale_ = true;
    band_.reset();
    UpdateBand();
}

// ---- painting

void DataWindow::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().window());
    if (!document_ || document_->ChannelCount() == 0) {
        PaintEmpty(painter);
        return;
    }
    EnsureLayout();
    const QRect plot = PlotRect();
    PaintBlocks(painter, plot);
    const int32_t channels = document_->ChannelCount();
    for (int32_t c = 0; c < channels; ++c)
        if (LaneRect(c).adjusted(-scaleWidth_, 0, 0, 0).intersects(event->rect())) PaintLane(painter, c, event->rect());
    PaintBlockLabels(painter, plot);
    if (band_) {
        painter.fillRect(*band_, kBandFill);
        painter.setPen(kBandEdge);
        painter.drawLine(band_->topLeft(), band_->bottomLeft());
        painter.drawLine(band_->topRight(), band_->bottomRight());
    }
}

void DataWindow::PaintEmpty(QPainter& painter)
{
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap,
                     document_ ? tr("The recording has no channels.")
                               : tr("Open a document or import a CSV recording (File menu)."));
}

void DataWindow::PaintBlocks(QPainter& painter, const QRect& plot)
{
    painter.fillRect(plot, kGapColour);
    for (int32_t b = 0; b < layout_.BlockCount(); ++b) {
        const int left = plot.left() + static_cast<int>(layout_.DataStart(b));
        const int width = static_cast<int>(layout_.DataWidth(b));
        painter.fillRect(QRect(left, plot.top(), width, plot.height()), kPlotBackground);
    }
}

void DataWindow::PaintLane(QPainter& painter, int32_t channel, const QRect& clip)
{
    const ChannelInfo info = document_->Info(channel);
    const QRect lane = LaneRect(channel);
    const QColor colour = ToQColor(info.colour);
    if (channel == current_) {
        for (int32_t b = 0; b < layout_.BlockCount(); ++b)
            painter.fillRect(QRect(lane.left() + int(layout_.DataStart(b)), lane.top(), int(layout_.DataWidth(b)),
                                   lane.height()),
                             kCurrentLaneTint);
    }
    const ChannelScale scale(lane, info.top, info.bottom);
    // The zero line, where zero is on the scale.
    if (scale.Range().lower < 0 && scale.Range().upper > 0) {
        painter.setPen(QPen(QColor(200, 200, 200), 1, Qt::DotLine));
        const int row = int(scale.Row(0.0));
        painter.drawLine(lane.left(), row, lane.right(), row);
    }
    const QString unit = KVI::ToQString(info.unit);
    const QString name = KVI::ToQString(info.name);
    const QString caption = unit.isEmpty() ? name : name + QStringLiteral(" (") + unit + QLatin1Char(')');
    const int scaleLeft = kSwatchWidth + kSwatchSpacing;
    const QRect scaleRect(scaleLeft, lane.top(), scaleWidth_ - scaleLeft - 1, lane.height());
    if (scaleRect.adjusted(-scaleLeft, 0, 0, 0).intersects(clip)) {
        painter.fillRect(QRect(0, lane.top() + ChannelScale::kEndInset, kSwatchWidth,
                               lane.height() - 2 * ChannelScale::kEndInset),
                         colour);
        scale.Paint(painter, scaleRect, caption);
    }

    const TracePainter trace(layout_, summaries_, lane.left());
    const int32_t drawn = trace.Paint(painter, channel, lane, clip, scale, info.factor, colour);
    if (drawn == 0) {
        painter.setPen(palette().color(QPalette::PlaceholderText));
        const QString why = info.calculated && !info.setUp
                                ? tr("Not set up yet: Channel > Calculation settings...")
                                : tr("No samples");
        painter.drawText(lane, Qt::AlignCenter, why);
    }
}

void DataWindow::PaintBlockLabels(QPainter& painter, const QRect& plot)
{
    painter.setPen(palette().color(QPalette::WindowText));
    const int top = plot.bottom() + 3;
    const int height = fontMetrics().height();
    for (int32_t b = 0; b < layout_.BlockCount(); ++b) {
        const QRect box(plot.left() + int(layout_.DataStart(b)), top, int(layout_.DataWidth(b)), height);
        painter.drawText(box, Qt::AlignHCenter | Qt::AlignTop, tr("Block %1").arg(b + 1));
    }
}

}  // namespace Velogram
