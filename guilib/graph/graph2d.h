// GUILib::CGraph2D: a window that draws XY plots of the columns of a record-data source
// against two axis scales that live outside it (IScale), with a dotted grid at the scales'
// ticks and a cursor that follows the mouse along one plot.
//
// Coordinates. The graph's pixels count from the top-left of the rectangle it draws in (its
// client area on the screen; the rectangle given to Paint elsewhere). Axis pixel 0 of both
// scales lies at the graph's origin, (0, 0) unless set: value v of an axis lies at origin +
// f * (o + v), (f, o) the scale's transform (DataPlotXY has the details).
//
// Painting is double-buffered: the grid, the axes and the plots are drawn into a picture of
// the client area, which is redrawn only when something in it changed; plots are kept as
// ready-made pixel points, rebuilt by RefreshPlots. The cursor is drawn by exclusive-or over
// the picture; moving it repaints only its old and new rectangles.
//
// The cursor tells the parent window where it is by sending it a GraphCursorEvent (the
// graph's message WM_USER + 7): synchronously, with the two values of the sample it marks, or
// with none when the mouse leaves the window.
#pragma once

#include <cstdint>
#include <map>
#include <optional>

#include <QColor>
#include <QEvent>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QWidget>

#include "interfaces/record_data.h"
#include "interfaces/scale.h"
#include "foundation/kvi_string.h"
#include "guilib/graph/bitmap_cursor.h"
#include "guilib/graph/grid_plot.h"
#include "guilib/graph/plot_info.h"
#include "guilib/table/ref_count_ptr.h"
#include "platform/com_ptr.h"

namespace GUILib {

// The cursor's notification to the graph's parent window (WM_USER + 7).
class GraphCursorEvent final : public QEvent {
public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 7);

    // [in] values: the sample's (x value, y value), or null when the cursor left the window.
    explicit GraphCursorEvent(const float* values);

    // The two floats (x value, y value) of the cursor's sample; null when the cursor left.
    const float* Values() const { return hasValues_ ? values_ : nullptr; }

private:
    float values_[2] = {0, 0};
    bool hasValues_ = false;
};

class CGraph2D : public QWidget {
public:
    // Grid colour RGB (166, 202, 240), grid shown, ranges valid, the cursor hidden, the cross
    // as the mouse cursor's shape.
    explicit CGraph2D(QWidget* parent = nullptr);
    ~CGraph2D() override;

    // The data source (a reference is taken; null: none, nothing is plotted).
    // NOTE: existing plots are rebuilt from the new source at once.
    void AttachData(IRecordData* data);
    // The two scales (references are taken).
    // NOTE: existing plots are rebuilt through the new scales at once, so that a graph drawn
    // against other scales (a printout's) never shows points made for the old ones.
    void ConnectScales(IScale* vertical, IScale* horizontal);

    // Adds the plot of column y against column x. false at once when there is no data source
    // or a column is negative. Otherwise the key becomes the cursor's trace; a plot is created
    // with the name when the key has none (an existing plot keeps its name, colour and draw
    // objects); then every plot is refreshed and the window invalidated. Result: whether a
    // plot was created.
    bool AddPlot(int32_t xColumn, int32_t yColumn, const KVI::String& name);
    // Replaces the plot's draw object (PlotInfo::SetDrawKind), with a pen style (PenStyleCode:
    // kPenDash draws a dashed line). false when no plot has the key or the kind is unknown.
    bool SetPlotDrawKind(int32_t xColumn, int32_t yColumn, int32_t kind, int32_t size, int32_t style = 0);
    // false when no plot has the key.
    bool SetPlotColour(int32_t xColumn, int32_t yColumn, const QColor& colour);
    // Shows or hides a plot (plots start shown); a hidden plot is not drawn and the cursor
    // does not follow it. false when no plot has the key.
    bool SetPlotShown(int32_t xColumn, int32_t yColumn, bool shown);
    // Every plot reads its two columns anew and rebuilds its points through the scales'
    // current transforms; invalidates. A column that cannot be read leaves its plot empty.
    void RefreshPlots();

    // The plot of a key, or null.
    const PlotInfo* Plot(int32_t xColumn, int32_t yColumn) const;
    // The key of the plot that the cursor follows, if any.
    std::optional<PlotKey> CursorTrace() const { return trace_; }
    const CCursor& Cursor() const { return *cursor_; }

    void SetGridColour(const QColor& colour);
    QColor GridColour() const { return gridColour_; }
    // The grid pen's width in the painter's pixels (GridPlot::penWidth_; 1 at construction).
    void SetGridPenWidth(int32_t width);
    void ShowGrid(bool shown);
    // GridPlot::Mode; 0 at construction.
    void SetGridMode(int32_t mode);
    // While the ranges are not valid only the background is drawn.
    void SetRangesValid(bool valid);
    // Where axis pixel 0 of both scales lies in the graph's pixels ((0, 0) at construction).
    // Takes effect at the next RefreshPlots.
    void SetOrigin(QPoint origin);
    QPoint Origin() const { return origin_; }

    // Draws the graph into rect of any painter (screen, image, picture, printer):
    //  1. with erase, fills rect with the window colour;
    //  2. only when the ranges are valid and rect is more than 3 pixels wide and high:
    //     the grid (when shown), the axis lines (one black pixel wide, from rect's top-left
    //     down the left edge and along the bottom edge), the shown plots with points (when
    //     there is a data source) in key order, clipped to rect, and the cursor when shown
    //     (raster devices only: it is drawn by exclusive-or).
    // The painter's state is restored.
    void Paint(QPainter& painter, bool erase, const QRect& rect);

    // Asks for the whole graph to be drawn anew.
    void Invalidate();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    PlotInfo* FindPlot(int32_t xColumn, int32_t yColumn) const;
    // Paint without the cursor: what the double buffer holds.
    void PaintContent(QPainter& painter, bool erase, const QRect& rect);
    void RefreshPlot(PlotInfo& plot, const PlotKey& key);
    // Snaps the cursor to the trace's sample nearest to the mouse and tells the parent.
    void TrackCursor(QPoint mouse);
    void MoveCursor(QPoint position);
    void HideCursor();
    void NotifyParent(const float* values);

    platform::ComPtr<IRecordData> data_;
    platform::ComPtr<IScale> vertical_;
    platform::ComPtr<IScale> horizontal_;
    std::map<PlotKey, SmartPtr<PlotInfo>> plots_;
    std::optional<PlotKey> trace_;
    SmartPtr<GridPlot> grid_;
    SmartPtr<CBitmapCursor> cursor_;
    QColor gridColour_{166, 202, 240};
    int32_t gridPenWidth_ = 1;
    bool rangesValid_ = true;
    bool gridShown_ = true;
    QPoint origin_;

    // The double buffer: the graph without the cursor, valid until something in it changes.
    QImage buffer_;
    bool bufferValid_ = false;
    // What was asked to be repainted only because the cursor moved.
    QRegion cursorRegion_;
};

}  // namespace GUILib
