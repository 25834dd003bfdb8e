// Velogram::DataWindow: the data window of the application. Every channel has a lane of its
// own, one above the other, with a plain vertical scale on the left; across the lanes the
// blocks of the recording lie side by side with a gap before each (DataLayout), each with a
// time axis under it (TimeAxis), and each channel is drawn block by block from its sample
// summaries (TracePainter), a calculated channel from its calculation's enumerators.
//
// Looking closely: the view (DataView) zooms with the wheel around the pointer, with the keys
// + and - (around the cursor when it is in view, else the middle), fits everything with 0 (or
// Home with Ctrl), and scrolls with the scroll bar under the axes, the horizontal wheel,
// Shift with the wheel, the arrow keys (an eighth of the view), Page Up / Page Down (a view)
// and Home / End. Ctrl with the wheel zooms the lane under the pointer vertically around the
// value there; a double click on a lane's scale, or the key A for every lane, fits the lanes'
// display ranges to the samples in view (display ranges belong to the document; the range
// listener is told).
//
// The window is what the host selection belongs to: the user drags across the data to select
// a span (start and end as block and sample offset), which is highlighted over every lane; a
// selection set through the selection interface (a settings dialog cutting it to one block)
// is shown the same way. A click without a drag removes the selection and places the cursor,
// a line across the lanes at that position. Hovering over the data tells the pointer listener
// the position under the pointer (nothing when it leaves).
//
// The sample summaries are built when a channel is first drawn and kept until RefreshData.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include <QRect>
#include <QWidget>

#include "host/velogram/data_layout.h"
#include "host/velogram/data_view.h"
#include "host/velogram/host_document.h"
#include "host/velogram/summary_cache.h"
#include "platform/com_ptr.h"

class QScrollBar;

namespace Velogram {

class DataWindow final : public QWidget {
public:
    // The zoom of one wheel notch and of one key press.
    static constexpr double kWheelZoom = 1.4142135623730951;
    static constexpr double kKeyZoom = 2.0;

    explicit DataWindow(QWidget* parent = nullptr);
    ~DataWindow() override;

    // [in] document: what to show (null: nothing). The window becomes the listener of the
    // document's selection; the view fits everything; no cursor.
    void SetDocument(HostDocument* document);
    HostDocument* Document() const { return document_.Get(); }

    // The samples may have changed (a calculation's settings, channels added): the summaries
    // and the layout are made again at the next paint; the view keeps its zoom.
    void RefreshData();
    // Only what channels look like changed (display range, colour, unit): repaint.
    void RefreshView() { update(); }
    // The channel the user works on (its lane is tinted); -1 for none.
    void SetCurrentChannel(int32_t channel);

    // [in] listener: told after every change of the host selection.
    void SetSelectionListener(std::function<void()> listener) { selectionListener_ = std::move(listener); }
    // [in] listener: told the position under the pointer as it moves over the data, and nothing
    // when it leaves them.
    void SetPointerListener(std::function<void(std::optional<HostPosition>)> listener)
    {
        pointerListener_ = std::move(listener);
    }
    // [in] listener: told when a click placed the cursor.
    void SetCursorListener(std::function<void()> listener) { cursorListener_ = std::move(listener); }
    // [in] listener: told the channel whose display range the window changed (zoom, autoscale).
    void SetRangeListener(std::function<void(int32_t)> listener) { rangeListener_ = std::move(listener); }

    // The view: zoom by factor around a client column (the middle of the plot when outside
    // it), back to everything, scrolled by pixels. False when nothing changed.
    bool ZoomAt(double factor, int column);
    bool ZoomIn() { return ZoomAt(kKeyZoom, KeyZoomColumn()); }
    bool ZoomOut() { return ZoomAt(1.0 / kKeyZoom, KeyZoomColumn()); }
    bool FitAll();
    bool ScrollBy(int64_t pixels);
    const DataView& View();

    // A lane's display range zoomed by factor around the value at a client row of the lane, and
    // fitted to the samples in view. False when nothing changed (no samples in view, a range
    // the scale refuses).
    bool ZoomLane(int32_t channel, double factor, int row);
    bool AutoscaleLane(int32_t channel);
    // Every lane fitted; the number of lanes changed.
    int32_t AutoscaleLanes();

    // The cursor's position (nothing before a click placed it).
    std::optional<HostPosition> Cursor() const { return cursor_; }
    void SetCursor(std::optional<HostPosition> position);

    // The area of the traces and the rows of a channel's lane (client coordinates).
    QRect PlotRect() const;
    QRect LaneRect(int32_t channel) const;
    // The channel whose lane (or scale) holds a client row; -1 for none.
    int32_t LaneAt(int row) const;
    // The client column of a position of the recording (its block must exist), held within
    // a few pixels beyond the plot's sides when the position is out of view.
    int ColumnOf(const HostPosition& position);
    // The position at a client column (the unset position with no blocks).
    HostPosition PositionAtColumn(int x);
    // The band shown over the lanes: the selection, or the span being dragged.
    std::optional<QRect> Band() const { return band_; }
    QScrollBar* ScrollBar() const { return scrollBar_; }

    const DataLayout& Layout();
    SummaryCache& Summaries() { return summaries_; }

    // The channel's lowest and highest sample over every block, in its display unit. False
    // when it has none.
    bool ChannelExtremes(int32_t channel, double* lowest, double* highest);
    // The same over the samples in view.
    bool VisibleExtremes(int32_t channel, double* lowest, double* highest);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void EnsureLayout();
    // After the view moved or zoomed: scroll bar, band and cursor follow, everything repaints.
    void ViewChanged();
    void SyncScrollBar();
    void OnSelectionChanged();
    // Shows the band where the selection (or the drag) now is, repainting only what changes.
    void UpdateBand();
    std::optional<QRect> BandFor(const HostPosition& a, const HostPosition& b);
    int KeyZoomColumn();
    void SetHover(std::optional<HostPosition> position);
    bool SetLaneRange(int32_t channel, double top, double bottom);
    // The samples [first, last) of a block that the plot shows; false when none.
    bool VisibleSamples(int32_t block, int64_t* first, int64_t* last);

    void PaintEmpty(QPainter& painter);
    void PaintBlocks(QPainter& painter, const QRect& plot);
    void PaintLane(QPainter& painter, int32_t channel, const QRect& clip);
    void PaintTimeAxes(QPainter& painter, const QRect& plot);
    void PaintCursor(QPainter& painter, const QRect& plot);
    // A block's data columns inside the plot (client coordinates); empty when out of view.
    QRect BlockColumns(int32_t block, const QRect& plot) const;

    platform::ComPtr<HostDocument> document_;
    DataLayout layout_;
    DataView view_{layout_};
    SummaryCache summaries_;
    bool layoutStale_ = true;
    bool fitPending_ = true;
    int scaleWidth_ = 0;
    int axisHeight_ = 0;
    int32_t current_ = -1;
    QScrollBar* scrollBar_ = nullptr;

    bool dragging_ = false;
    bool moved_ = false;  // the drag left the pixels around its press
    QPoint pressedAt_;
    HostPosition anchor_;
    HostPosition dragEnd_;
    std::optional<QRect> band_;
    std::optional<HostPosition> cursor_;
    std::optional<HostPosition> hover_;
    std::function<void()> selectionListener_;
    std::function<void(std::optional<HostPosition>)> pointerListener_;
    std::function<void()> cursorListener_;
    std::function<void(int32_t)> rangeListener_;
};

}  // namespace Velogram
