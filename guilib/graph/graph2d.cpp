#include "guilib/graph/graph2d.h"

#include <vector>

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include "guilib/graph/draw_style.h"
#include "guilib/table/channel_values.h"

namespace GUILib {

GraphCursorEvent::GraphCursorEvent(const float* values) : QEvent(kType)
{
    if (values) {
        values_[0] = values[0];
        values_[1] = values[1];
        hasValues_ = true;
    }
}

CGraph2D::CGraph2D(QWidget* parent)
    : QWidget(parent), grid_(MakeRefCounted<GridPlot>()), cursor_(MakeRefCounted<CBitmapCursor>())
{
    setCursor(Qt::CrossCursor);
    setMouseTracking(true);
    // The paint event covers every pixel from the buffer.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CGraph2D::~CGraph2D() = default;

void CGraph2D::AttachData(IRecordData* data)
{
    data_ = platform::ComPtr<IRecordData>(data);
    if (!plots_.empty()) RefreshPlots();
    Invalidate();
}

void CGraph2D::ConnectScales(IScale* vertical, IScale* horizontal)
{
    vertical_ = platform::ComPtr<IScale>(vertical);
    horizontal_ = platform::ComPtr<IScale>(horizontal);
    grid_->SetScales(vertical, horizontal);
    for (auto& [key, plot] : plots_) plot->plot_->SetScales(vertical, horizontal);
    if (!plots_.empty()) RefreshPlots();
    Invalidate();
}

PlotInfo* CGraph2D::FindPlot(int32_t xColumn, int32_t yColumn) const
{
    const auto it = plots_.find(PlotKey{xColumn, yColumn});
    return it == plots_.end() ? nullptr : it->second.Get();
}

const PlotInfo* CGraph2D::Plot(int32_t xColumn, int32_t yColumn) const
{
    return FindPlot(xColumn, yColumn);
}

bool CGraph2D::AddPlot(int32_t xColumn, int32_t yColumn, const KVI::String& name)
{
    if (!data_ || xColumn < 0 || yColumn < 0) return false;
    const PlotKey key{xColumn, yColumn};
    trace_ = key;
    bool added = false;
    if (!FindPlot(xColumn, yColumn)) {
        auto plot = MakeRefCounted<PlotInfo>(name);
        plot->plot_->SetScales(vertical_.Get(), horizontal_.Get());
        plots_.emplace(key, std::move(plot));
        added = true;
    }
    RefreshPlots();
    return added;
}

bool CGraph2D::SetPlotDrawKind(int32_t xColumn, int32_t yColumn, int32_t kind, int32_t size, int32_t style)
{
    PlotInfo* plot = FindPlot(xColumn, yColumn);
    if (!plot || !plot->SetDrawKind(kind, size, style)) return false;
    Invalidate();
    return true;
}

bool CGraph2D::SetPlotColour(int32_t xColumn, int32_t yColumn, const QColor& colour)
{
    PlotInfo* plot = FindPlot(xColumn, yColumn);
    if (!plot) return false;
    plot->colour_ = colour;
    Invalidate();
    return true;
}

bool CGraph2D::SetPlotShown(int32_t xColumn, int32_t yColumn, bool shown)
{
    PlotInfo* plot = FindPlot(xColumn, yColumn);
    if (!plot) return false;
    plot->shown_ = shown;
    Invalidate();
    return true;
}

void CGraph2D::RefreshPlot(PlotInfo& plot, const PlotKey& key)
{
    std::vector<float> x, y;
    if (!data_ || FAILED(ReadChannelValues(data_.Get(), key.x, x)) ||
        FAILED(ReadChannelValues(data_.Get(), key.y, y))) {
        plot.plot_->Clear();
        return;
    }
    plot.plot_->Rebuild(x, y, origin_);
}

void CGraph2D::RefreshPlots()
{
    for (auto& [key, plot] : plots_) RefreshPlot(*plot, key);
    Invalidate();
}

void CGraph2D::SetGridColour(const QColor& colour)
{
    gridColour_ = colour;
    Invalidate();
}

void CGraph2D::SetGridPenWidth(int32_t width)
{
    gridPenWidth_ = width;
    Invalidate();
}

void CGraph2D::ShowGrid(bool shown)
{
    gridShown_ = shown;
    Invalidate();
}

void CGraph2D::SetGridMode(int32_t mode)
{
    grid_->mode_ = mode;
    Invalidate();
}

void CGraph2D::SetRangesValid(bool valid)
{
    rangesValid_ = valid;
    Invalidate();
}

void CGraph2D::SetOrigin(QPoint origin)
{
    origin_ = origin;
}

void CGraph2D::PaintContent(QPainter& painter, bool erase, const QRect& rect)
{
    painter.save();
    if (erase) painter.fillRect(rect, WindowColour());
    if (rangesValid_ && rect.width() > 3 && rect.height() > 3) {
        if (gridShown_) {
            grid_->colour_ = gridColour_;
            grid_->penWidth_ = gridPenWidth_;
            grid_->SetRect(rect);
            grid_->SetOrigin(origin_);
            grid_->Draw(painter);
        }
        // The axes: down the left edge to the last row, then along the last row to the last
        // column but one, as a line drawn to (right - 1, bottom - 1) without its end point.
        painter.fillRect(QRect(rect.left(), rect.top(), 1, rect.height() - 1), Qt::black);
        painter.fillRect(QRect(rect.left(), rect.bottom(), rect.width() - 1, 1), Qt::black);

        if (data_) {
            // The plots' points count from the rectangle's top-left.
            painter.translate(rect.topLeft());
            const QRect clip(QPoint(0, 0), rect.size());
            for (const auto& [key, plot] : plots_) {
                if (!plot->shown_ || !plot->plot_->HasData()) continue;
                plot->plot_->SetClip(clip, true);
                plot->Draw(painter);
            }
        }
    }
    painter.restore();
}

void CGraph2D::Paint(QPainter& painter, bool erase, const QRect& rect)
{
    PaintContent(painter, erase, rect);
    if (cursor_->IsShown() && rangesValid_ && rect.width() > 3 && rect.height() > 3) {
        painter.save();
        painter.setClipRect(rect, Qt::IntersectClip);
        painter.translate(rect.topLeft());
        cursor_->Draw(painter);
        painter.restore();
    }
}

void CGraph2D::Invalidate()
{
    bufferValid_ = false;
    update();
}

void CGraph2D::paintEvent(QPaintEvent* event)
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    // A paint that only the cursor asked for is served from the buffer; anything else (an
    // expose, an outside update) draws the graph anew.
    const bool cursorOnly = bufferValid_ && buffer_.size() == pixels && (event->region() - cursorRegion_).isEmpty();
    if (!cursorOnly) {
        if (buffer_.size() != pixels) {
            buffer_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
            buffer_.setDevicePixelRatio(ratio);
        }
        QPainter content(&buffer_);
        PaintContent(content, true, rect());
        bufferValid_ = true;
    }
    cursorRegion_ = QRegion();

    QPainter painter(this);
    painter.drawImage(0, 0, buffer_);
    if (cursor_->IsShown() && rangesValid_ && width() > 3 && height() > 3) cursor_->Draw(painter);
}

void CGraph2D::resizeEvent(QResizeEvent* event)
{
    bufferValid_ = false;
    QWidget::resizeEvent(event);
}

void CGraph2D::mouseMoveEvent(QMouseEvent* event)
{
    TrackCursor(event->position().toPoint());
    QWidget::mouseMoveEvent(event);
}

void CGraph2D::leaveEvent(QEvent* event)
{
    HideCursor();
    NotifyParent(nullptr);
    QWidget::leaveEvent(event);
}

void CGraph2D::TrackCursor(QPoint mouse)
{
    if (!trace_) return;
    const PlotInfo* plot = FindPlot(trace_->x, trace_->y);
    if (!plot || !plot->shown_) return;
    // The points are the samples' pixels already (limited to +-16000), and the mouse lies in
    // the window, so the nearest sample is found among the points without asking the scales.
    const std::ptrdiff_t i = plot->plot_->Nearest(mouse);
    if (i < 0) return;
    MoveCursor(plot->plot_->Points()[size_t(i)]);
    const auto& sample = plot->plot_->Samples()[size_t(i)];
    const float values[2] = {sample.first, sample.second};
    NotifyParent(values);
}

void CGraph2D::MoveCursor(QPoint position)
{
    const bool wasShown = cursor_->IsShown();
    const QRect before = cursor_->Rect();
    if (wasShown && cursor_->Position() == position) return;
    cursor_->SetPosition(position);
    cursor_->SetShown(true);
    QRegion changed(cursor_->Rect());
    if (wasShown) changed += before;
    cursorRegion_ += changed;
    update(changed);
}

void CGraph2D::HideCursor()
{
    if (!cursor_->IsShown()) return;
    cursor_->SetShown(false);
    cursorRegion_ += cursor_->Rect();
    update(cursor_->Rect());
}

void CGraph2D::NotifyParent(const float* values)
{
    QWidget* parent = parentWidget();
    if (!parent) return;
    GraphCursorEvent event(values);
    QCoreApplication::sendEvent(parent, &event);
}

}  // namespace GUILib
