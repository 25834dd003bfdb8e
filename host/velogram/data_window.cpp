#include "host/velogram/data_window.h"

#include <algorithm>
#include <cmath>

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

#include "foundation/gui/qt_string.h"
#include "host/velogram/channel_scale.h"
#include "host/velogram/selection_band.h"
#include "host/velogram/time_axis.h"
#include "host/velogram/trace_painter.h"

namespace Velogram {

namespace {

constexpr int kTopMargin = 6;
constexpr int kRightMargin = 10;
constexpr int kLaneSpacing = 4;
// The strip of the channel's colour at the left edge of its scale.
constexpr int kSwatchWidth = 4;
constexpr int kSwatchSpacing = 2;
// A press that moves less than this (in pixels, either way) before its release is a click.
constexpr int kClickSlop = 2;
// A block narrower than this in view gets no axis of its own.
constexpr int kNarrowestAxis = 40;
// The fraction of the view that an arrow key scrolls.
constexpr int kArrowSteps = 8;

const QColor kPlotBackground(255, 255, 255);
const QColor kGapColour(226, 226, 226);
const QColor kCurrentLaneTint(244, 247, 252);
const QColor kBandFill(51, 119, 221, 56);
const QColor kBandEdge(51, 119, 221);
const QColor kCursorColour(200, 30, 30);

QColor ToQColor(uint32_t rgb) { return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

HostPosition Earlier(const HostPosition& a, const HostPosition& b) { return PositionBefore(b, a) ? b : a; }
HostPosition Later(const HostPosition& a, const HostPosition& b) { return PositionBefore(b, a) ? a : b; }

bool SamePosition(const HostPosition& a, const HostPosition& b) { return a.block == b.block && a.sample == b.sample; }

}  // namespace

DataWindow::DataWindow(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::WheelFocus);
    setMinimumSize(320, 200);
    scaleWidth_ = kSwatchWidth + kSwatchSpacing + ChannelScale::Width(logicalDpiY());
    axisHeight_ = TimeAxis::Height(logicalDpiY());
    scrollBar_ = new QScrollBar(Qt::Horizontal, this);
    scrollBar_->setFocusPolicy(Qt::NoFocus);
    connect(scrollBar_, &QScrollBar::valueChanged, this, [this](int value) {
        if (value == view_.Offset()) return;
        view_.ScrollTo(value);
        ViewChanged();
    });
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
    fitPending_ = true;
    dragging_ = false;
    band_.reset();
    cursor_.reset();
    SetHover(std::nullopt);
    current_ = -1;
    if (document_) document_->Selection()->SetListener([this] { OnSelectionChanged(); });
    EnsureLayout();
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
    const int bar = scrollBar_->sizeHint().height();
    return QRect(scaleWidth_, kTopMargin, std::max(1, width() - scaleWidth_ - kRightMargin),
                 std::max(1, height() - kTopMargin - axisHeight_ - bar));
}

QRect DataWindow::LaneRect(int32_t channel) const
{
    const QRect plot = PlotRect();
    const int32_t count = document_ ? std::max(document_->ChannelCount(), 1) : 1;
    const int top = plot.top() + int(int64_t(plot.height()) * channel / count);
    const int bottom = plot.top() + int(int64_t(plot.height()) * (channel + 1) / count) - 1;
    return QRect(plot.left(), top, plot.width(), std::max(1, bottom - top + 1 - kLaneSpacing));
}

int32_t DataWindow::LaneAt(int row) const
{
    if (!document_) return -1;
    for (int32_t c = 0; c < document_->ChannelCount(); ++c) {
        const QRect lane = LaneRect(c);
        if (row >= lane.top() && row <= lane.bottom()) return c;
    }
    return -1;
}

const DataLayout& DataWindow::Layout()
{
    EnsureLayout();
    return layout_;
}

const DataView& DataWindow::View()
{
    EnsureLayout();
    return view_;
}

void DataWindow::EnsureLayout()
{
    if (!layoutStale_) return;
    layoutStale_ = false;
    const int64_t width = PlotRect().width();
    if (fitPending_) {
        fitPending_ = false;
        view_.FitAll(width);
    } else {
        view_.SetWidth(width);
    }
    SyncScrollBar();
}

void DataWindow::SyncScrollBar()
{
    const QSignalBlocker quiet(scrollBar_);
    const int64_t max = view_.MaxOffset();
    scrollBar_->setRange(0, int(max));
    scrollBar_->setPageStep(int(std::max<int64_t>(1, view_.Width())));
    scrollBar_->setSingleStep(int(std::max<int64_t>(1, view_.Width() / kArrowSteps)));
    scrollBar_->setValue(int(view_.Offset()));
    scrollBar_->setEnabled(max > 0);
}

void DataWindow::ViewChanged()
{
    SyncScrollBar();
    band_.reset();
    UpdateBand();
    update();
}

int DataWindow::ColumnOf(const HostPosition& position)
{
    EnsureLayout();
    const QRect plot = PlotRect();
    const int64_t column = plot.left() + view_.ToPlot(layout_.PixelOf(position));
    // Out of view: just beyond the plot's sides, so bands and lines reach its edge.
    return int(std::clamp<int64_t>(column, plot.left() - 2, plot.right() + 2));
}

HostPosition DataWindow::PositionAtColumn(int x)
{
    EnsureLayout();
    return layout_.PositionAt(view_.ToLayout(int64_t(x) - PlotRect().left()));
}

QRect DataWindow::BlockColumns(int32_t block, const QRect& plot) const
{
    const int64_t left = plot.left() + view_.ToPlot(layout_.DataStart(block));
    const int64_t right = left + layout_.DataWidth(block) - 1;
    const int64_t from = std::max<int64_t>(left, plot.left());
    const int64_t to = std::min<int64_t>(right, plot.right());
    if (from > to) return QRect();
    return QRect(int(from), plot.top(), int(to - from + 1), plot.height());
}

bool DataWindow::VisibleSamples(int32_t block, int64_t* first, int64_t* last)
{
    const QRect columns = BlockColumns(block, PlotRect());
    if (columns.isEmpty()) return false;
    const int64_t start = PlotRect().left() + view_.ToPlot(layout_.DataStart(block));
    *first = layout_.FirstSampleOfColumn(block, columns.left() - start);
    *last = layout_.FirstSampleOfColumn(block, columns.right() + 1 - start);
    return *first < *last;
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

bool DataWindow::VisibleExtremes(int32_t channel, double* lowest, double* highest)
{
    if (!document_) return false;
    EnsureLayout();
    MinMax all;
    for (int32_t b = 0; b < layout_.BlockCount(); ++b) {
        int64_t first = 0, last = 0;
        const SampleSummary* summary = summaries_.Get(channel, b);
        if (summary && VisibleSamples(b, &first, &last)) all.Merge(summary->Range(first, last));
    }
    if (all.Empty()) return false;
    const double factor = document_->Info(channel).factor;
    *lowest = all.min * factor;
    *highest = all.max * factor;
    return true;
}

// ---- the view

bool DataWindow::ZoomAt(double factor, int column)
{
    EnsureLayout();
    const QRect plot = PlotRect();
    if (column < plot.left() || column > plot.right()) column = plot.center().x();
    if (!view_.Zoom(factor, column - plot.left())) return false;
    ViewChanged();
    return true;
}

bool DataWindow::FitAll()
{
    EnsureLayout();
    if (view_.FitsAll() && view_.Offset() == 0) return false;
    view_.FitAll(PlotRect().width());
    ViewChanged();
    return true;
}

bool DataWindow::ScrollBy(int64_t pixels)
{
    EnsureLayout();
    const int64_t before = view_.Offset();
    view_.ScrollBy(pixels);
    if (view_.Offset() == before) return false;
    ViewChanged();
    return true;
}

int DataWindow::KeyZoomColumn()
{
    const QRect plot = PlotRect();
    if (cursor_) {
        const int x = ColumnOf(*cursor_);
        if (x >= plot.left() && x <= plot.right()) return x;
    }
    return plot.center().x();
}

// ---- lanes

bool DataWindow::SetLaneRange(int32_t channel, double top, double bottom)
{
    if (FAILED(document_->Recording()->SetDisplayRange(channel, top, bottom))) return false;
    update();
    if (const auto listener = rangeListener_) listener(channel);
    return true;
}

bool DataWindow::ZoomLane(int32_t channel, double factor, int row)
{
    if (!document_ || channel < 0 || channel >= document_->ChannelCount()) return false;
    const ChannelInfo info = document_->Info(channel);
    const ChannelScale scale(LaneRect(channel), info.top, info.bottom);
    // The value at the row, from the map the trace is drawn with.
    const double atTop = scale.Row(scale.Range().upper), atBottom = scale.Row(scale.Range().lower);
    if (atBottom == atTop) return false;
    const double value = scale.Range().upper + (row - atTop) / (atBottom - atTop) *
                                                   (scale.Range().lower - scale.Range().upper);
    double top = 0, bottom = 0;
    return ChannelScale::ZoomedRange(scale.Range().upper, scale.Range().lower, value, factor, &top, &bottom) &&
           SetLaneRange(channel, top, bottom);
}

bool DataWindow::AutoscaleLane(int32_t channel)
{
    double lowest = 0, highest = 0, top = 0, bottom = 0;
    return VisibleExtremes(channel, &lowest, &highest) && ChannelScale::RangeFor(lowest, highest, &top, &bottom) &&
           SetLaneRange(channel, top, bottom);
}

int32_t DataWindow::AutoscaleLanes()
{
    int32_t changed = 0;
    for (int32_t c = 0; document_ && c < document_->ChannelCount(); ++c)
        if (AutoscaleLane(c)) ++changed;
    return changed;
}

// ---- selection and cursor

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
    if (dragging_ && moved_) {
        next = BandFor(anchor_, dragEnd_);
    } else if (document_ && document_->Selection()->Has()) {
        next = BandFor(document_->Selection()->Start(), document_->Selection()->End());
    }
    if (next == band_) return;
    const QRegion changed = BandRepaintRegion(band_, next);
    band_ = next;
    update(changed);
}

void DataWindow::SetCursor(std::optional<HostPosition> position)
{
    const QRect plot = PlotRect();
    const auto line = [&](const std::optional<HostPosition>& p) {
        return p ? QRegion(QRect(ColumnOf(*p), plot.top(), 1, plot.height())) : QRegion();
    };
    const QRegion before = line(cursor_);
    cursor_ = position;
    update(before + line(cursor_));
}

void DataWindow::SetHover(std::optional<HostPosition> position)
{
    const bool same = hover_.has_value() == position.has_value() && (!hover_ || SamePosition(*hover_, *position));
    if (same) return;
    hover_ = position;
    if (const auto listener = pointerListener_) listener(hover_);
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
    pressedAt_ = at;
    dragging_ = true;
    moved_ = false;
}

void DataWindow::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    const QRect plot = PlotRect();
    if (!dragging_) {
        const bool over = document_ && plot.contains(at) && document_->ChannelCount() > 0;
        SetHover(over ? std::optional(PositionAtColumn(at.x())) : std::nullopt);
        return;
    }
    if (std::abs(at.x() - pressedAt_.x()) > kClickSlop) moved_ = true;
    const HostPosition position = PositionAtColumn(std::clamp(at.x(), plot.left(), plot.right()));
    if (position.block == kUnsetPosition) return;
    dragEnd_ = position;
    SetHover(position);
    UpdateBand();
}

void DataWindow::mouseReleaseEvent(QMouseEvent* event)
{
    if (!dragging_ || event->button() != Qt::LeftButton) return;
    const QPoint at = event->position().toPoint();
    if (std::abs(at.x() - pressedAt_.x()) > kClickSlop) moved_ = true;
    const HostPosition position = PositionAtColumn(std::clamp(at.x(), PlotRect().left(), PlotRect().right()));
    if (position.block != kUnsetPosition) dragEnd_ = position;
    dragging_ = false;
    if (!moved_) {
        // A click: no selection, the cursor where it was pressed.
        document_->Selection()->Clear();
        UpdateBand();
        SetCursor(anchor_);
        if (const auto listener = cursorListener_) listener();
        return;
    }
    const HostPosition start = Earlier(anchor_, dragEnd_);
    const HostPosition end = Later(anchor_, dragEnd_);
    // An empty span removes the selection.
    if (FAILED(document_->Selection()->SetSelection(&start, &end))) document_->Selection()->Clear();
    UpdateBand();
}

void DataWindow::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    // A double click on a lane's scale fits its range to what is in view.
    if (event->button() == Qt::LeftButton && at.x() < PlotRect().left()) {
        const int32_t lane = LaneAt(at.y());
        if (lane >= 0) AutoscaleLane(lane);
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

void DataWindow::wheelEvent(QWheelEvent* event)
{
    if (!document_ || document_->ChannelCount() == 0) {
        event->ignore();
        return;
    }
    const QPoint at = event->position().toPoint();
    const QPoint delta = event->angleDelta();
    // One notch is 120 units; finer wheels send parts of it.
    const double notchesY = delta.y() / 120.0, notchesX = delta.x() / 120.0;
    if (event->modifiers() & Qt::ControlModifier) {
        const int32_t lane = LaneAt(at.y());
        if (lane >= 0 && notchesY != 0) ZoomLane(lane, std::pow(kWheelZoom, notchesY), at.y());
    } else if ((event->modifiers() & Qt::ShiftModifier) || notchesX != 0) {
        const double notches = notchesX != 0 ? notchesX : notchesY;
        ScrollBy(-std::llround(notches * double(view_.Width()) / kArrowSteps));
    } else if (notchesY != 0) {
        ZoomAt(std::pow(kWheelZoom, notchesY), at.x());
    }
    event->accept();
}

void DataWindow::keyPressEvent(QKeyEvent* event)
{
    EnsureLayout();
    const int64_t page = view_.Width();
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        ZoomIn();
        break;
    case Qt::Key_Minus:
        ZoomOut();
        break;
    case Qt::Key_0:
        FitAll();
        break;
    case Qt::Key_Left:
        ScrollBy(-std::max<int64_t>(1, page / kArrowSteps));
        break;
    case Qt::Key_Right:
        ScrollBy(std::max<int64_t>(1, page / kArrowSteps));
        break;
    case Qt::Key_PageUp:
        ScrollBy(-page);
        break;
    case Qt::Key_PageDown:
        ScrollBy(page);
        break;
    case Qt::Key_Home:
        if (event->modifiers() & Qt::ControlModifier)
            FitAll();
        else
            ScrollBy(-view_.Offset());
        break;
    case Qt::Key_End:
        ScrollBy(view_.MaxOffset() - view_.Offset());
        break;
    case Qt::Key_A:
        AutoscaleLanes();
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void DataWindow::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    if (!dragging_) SetHover(std::nullopt);
}

void DataWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const QRect plot = PlotRect();
    const int bar = scrollBar_->sizeHint().height();
    scrollBar_->setGeometry(plot.left(), height() - bar, plot.width(), bar);
    layoutStale_ = true;
    EnsureLayout();
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
    if (event->rect().bottom() > plot.bottom()) PaintTimeAxes(painter, plot);
    if (band_) {
        painter.fillRect(*band_ & plot, kBandFill);
        painter.setPen(kBandEdge);
        if (plot.contains(band_->left(), plot.top())) painter.drawLine(band_->topLeft(), band_->bottomLeft());
        if (plot.contains(band_->right(), plot.top())) painter.drawLine(band_->topRight(), band_->bottomRight());
    }
    PaintCursor(painter, plot);
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
        const QRect columns = BlockColumns(b, plot);
        if (!columns.isEmpty()) painter.fillRect(columns, kPlotBackground);
    }
}

void DataWindow::PaintLane(QPainter& painter, int32_t channel, const QRect& clip)
{
    const ChannelInfo info = document_->Info(channel);
    const QRect lane = LaneRect(channel);
    const QRect plot = PlotRect();
    const QColor colour = ToQColor(info.colour);
    if (channel == current_) {
        for (int32_t b = 0; b < layout_.BlockCount(); ++b) {
            const QRect columns = BlockColumns(b, plot);
            if (!columns.isEmpty())
                painter.fillRect(QRect(columns.left(), lane.top(), columns.width(), lane.height()), kCurrentLaneTint);
        }
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

    const TracePainter trace(layout_, summaries_, plot.left() - view_.Offset());
    const int32_t drawn = trace.Paint(painter, channel, lane, clip & plot, scale, info.factor, colour);
    if (drawn == 0) {
        painter.setPen(palette().color(QPalette::PlaceholderText));
        const QString why = info.calculated && !info.setUp
                                ? tr("Not set up yet: Channel > Calculation settings...")
                                : tr("No samples");
        painter.drawText(lane, Qt::AlignCenter, why);
    }
}

void DataWindow::PaintTimeAxes(QPainter& painter, const QRect& plot)
{
    for (int32_t b = 0; b < layout_.BlockCount(); ++b) {
        const QRect columns = BlockColumns(b, plot);
        if (columns.width() < kNarrowestAxis) continue;
        // The samples at the visible columns' left edge and one past their right edge.
        const double from = std::max(0.0, layout_.SampleAt(b, double(view_.ToLayout(columns.left() - plot.left()))));
        const double to = layout_.SampleAt(b, double(view_.ToLayout(columns.right() + 1 - plot.left())));
        double interval = 0;
        if (document_->Recording()->GetSampleInterval(b, &interval) != S_OK) interval = 0;
        TimeAxis::Paint(painter, QRect(columns.left(), plot.bottom() + 1, columns.width(), axisHeight_), b, from,
                        std::min(to, double(layout_.Length(b))), interval);
    }
}

void DataWindow::PaintCursor(QPainter& painter, const QRect& plot)
{
    if (!cursor_ || cursor_->block < 0 || cursor_->block >= layout_.BlockCount()) return;
    const int x = ColumnOf(*cursor_);
    if (x < plot.left() || x > plot.right()) return;
    painter.setPen(QPen(kCursorColour, 1, Qt::DashLine));
    painter.drawLine(x, plot.top(), x, plot.bottom());
}

}  // namespace Velogram
