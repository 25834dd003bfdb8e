// Velogram::DataWindow: the data window of the application. Every channel has a lane of its
// own, one above the other, with a plain vertical scale on the left; across the lanes the
// blocks of the recording lie side by side with a gap before each (DataLayout), and each
// channel is drawn block by block from its sample summaries (TracePainter), a calculated
// channel from its calculation's enumerators. The window is what the host selection belongs
// to: the user drags across the data to select a span (start and end as block and sample
// offset), which is highlighted over every lane; a selection set through the selection
// interface (a settings dialog cutting it to one block) is shown the same way.
//
// The sample summaries are built when a channel is first drawn and kept until RefreshData.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include <QRect>
#include <QWidget>

#include "host/velogram/data_layout.h"
#include "host/velogram/host_document.h"
#include "host/velogram/summary_cache.h"
#include "platform/com_ptr.h"

namespace Velogram {

class DataWindow final : public QWidget {
public:
    explicit DataWindow(QWidget* parent = nullptr);
    ~DataWindow() override;

    // [in] document: what to show (null: nothing). The window becomes the listener of the
    // document's selection.
    void SetDocument(HostDocument* document);
    HostDocument* Document() const { return document_.Get(); }

    // The samples may have changed (a calculation's settings, channels added): the summaries
    // and the layout are made again at the next paint.
    void RefreshData();
    // Only what channels look like changed (display range, colour, unit): repaint.
    void RefreshView() { update(); }
    // The channel the user works on (its lane is tinted); -1 for none.
    void SetCurrentChannel(int32_t channel);

    // [in] listener: told after every change of the host selection.
    void SetSelectionListener(std::function<void()> listener) { selectionListener_ = std::move(listener); }

    // The area of the traces and the rows of a channel's lane (client coordinates).
    QRect PlotRect() const;
    QRect LaneRect(int32_t channel) const;
    // The client column of a position of the recording (its block must exist).
    int ColumnOf(const HostPosition& position);
    // The band shown over the lanes: the selection, or the span being dragged.
    std::optional<QRect> Band() const { return band_; }

    const DataLayout& Layout();
    SummaryCache& Summaries() { return summaries_; }

    // The channel's lowest and highest sample over every block, in its display unit. False
    // when it has none.
    bool ChannelExtremes(int32_t channel, double* lowest, double* highest);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void EnsureLayout();
    void OnSelectionChanged();
    // Shows the band where the selection (or the drag) now is, repainting only what changes.
    void UpdateBand();
    std::optional<QRect> BandFor(const HostPosition& a, const HostPosition& b);
    HostPosition PositionAtColumn(int x);

    void PaintEmpty(QPainter& painter);
    void PaintBlocks(QPainter& painter, const QRect& plot);
    void PaintLane(QPainter& painter, int32_t channel, const QRect& clip);
    void PaintBlockLabels(QPainter& painter, const QRect& plot);

    platform::ComPtr<HostDocument> document_;
    DataLayout layout_;
    SummaryCache summaries_;
    bool layoutStale_ = true;
    int scaleWidth_ = 0;
    int32_t current_ = -1;

    bool dragging_ = false;
    HostPosition anchor_;
    HostPosition dragEnd_;
    std::optional<QRect> band_;
    std::function<void()> selectionListener_;
};

}  // namespace Velogram
