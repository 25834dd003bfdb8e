// Tessar::TessarWnd: the fit report's graph window: the reference points and the fitted curve
// of a calibration plotted against two drag scales of the host (a horizontal one for the raw
// values, a vertical one for the calibrated values), with read-outs of the cursor's sample.
//
// It owns a tabulated data of six columns (report_data.h, FillGraphColumns): the curve (0, 1),
// the points (2, 3, drawn as red dots) and the points again (4, 5, drawn as black numbers); the
// curve is drawn blue through columns 0 and 1 and resampled whenever the horizontal range
// changes, so dragging the raw scale shows the curve over the new range.
//
// Layout from the client rectangle R, a vertical-scale width W and a horizontal-scale height H
// (80 and 55 on the screen): the graph from (R.left + W, R.top + H / 3) to (R.right - W / 3,
// R.bottom - H), the vertical scale left of it and the horizontal scale below it; the read-outs
// lie in the strip above the graph. Each scale's window reaches past the graph's ends by an
// inset, so that the labels at the ends of an axis are not cut.
//
// The scales come from the host's scale service (calibration/framework.h); without it (no
// framework, or no QApplication) the window shows an empty graph.
//
// The window never writes the caller's record; the report dialog hands it the working record
// after every refit (SetWorkingData).
#pragma once

#include <cstdint>

#include <QColor>
#include <QRect>
#include <QWidget>

#include "calibration/calibration_data.h"
#include "interfaces/scale.h"
#include "values/units/unit_info.h"
#include "foundation/kvi_string.h"
#include "guilib/table/tabulated_data.h"
#include "platform/com_ptr.h"

class QPainter;
class QPaintDevice;

namespace GUILib {
class CGraph2D;
class CReadOut;
}  // namespace GUILib

namespace Tessar {

class TabulatedObserver;
class DragScaleObserver;

class TessarWnd : public QWidget {
public:
    // The screen's scale sizes, and the least ones a device gets.
    static constexpr int32_t kScaleWidth = 80;
    static constexpr int32_t kScaleHeight = 55;
    // Style codes of the scales: horizontal (labels below) and vertical (labels left).
    static constexpr int32_t kHorizontalStyle = 83;
    static constexpr int32_t kVerticalStyle = 80;
    // How far a scale's window reaches past each end of its axis, in 1/96 inch.
    static constexpr int32_t kScaleEndRoom = 9;
    // The grid colour on the screen and in copies and prints.
    static QColor ScreenGridColour() { return QColor(166, 202, 240); }
    static QColor PrintGridColour() { return QColor(128, 128, 128); }

    // Where the graph and the scales go in a rectangle (right and bottom exclusive, integer
    // division truncating): graph (left + w, top + h / 3, right - w / 3, bottom - h); vertical
    // scale (graph.left - w, graph.top, graph.left, graph.bottom); horizontal scale
    // (graph.left, graph.bottom, graph.right, graph.bottom + h).
    struct Layout {
        QRect graph;
        QRect vertical;
        QRect horizontal;
    };
    static Layout LayOut(const QRect& client, int32_t w, int32_t h);

    // Creates the scales, the graph, the read-outs and the data, plots the record's points and
    // curve, and sets the axes from the points. [in] sourceUnit: the raw values' unit; data: the
    // record shown (copied).
    TessarWnd(QWidget* parent, const KVI::UnitInfo& sourceUnit, const CalibrationData& data);
    // Unregisters its observers from the data and the scales before anything goes.
    ~TessarWnd() override;
    TessarWnd(const TessarWnd&) = delete;
    TessarWnd& operator=(const TessarWnd&) = delete;

    // Replaces the window's copy of the record (the report dialog's working record after a
    // refit). Call BuildGraphData to show it.
    void SetWorkingData(const CalibrationData& data) { data_ = data; }
    const CalibrationData& WorkingData() const { return data_; }

    // Refills the six columns from the record and the horizontal scale's current range.
    void BuildGraphData();
    // Sets both scales' ranges from the reference points (PointsAxisRange): the drag scale's
    // home range, then the range.
    void SetAxisRanges(IScale* horizontal, IScale* vertical);
    // Plots column y against column x: the read-outs take their units from these columns, the
    // scales their titles and units; the plot gets the draw kind (1 line segments, 2 points,
    // 3 numbers) with its size, and the colour; then the axes are set from the points.
    void AddReportPlot(IScale* horizontal, IScale* vertical, int32_t x, int32_t y, const QColor& colour,
                       const KVI::String& name, int32_t kind, int32_t size);
    // Draws the scales and the graph into rect of any painter, for copies and prints: two
    // temporary scales configured as on the screen, sized for the painter's device (attribute:
    // the printer a preview imitates, or null) with at least kScaleWidth and kScaleHeight, the
    // grid in grey. Plot sizes grow with the device's resolution (one screen pixel stays
    // 1/96 inch). The window's own scales and look are restored afterwards.
    void DrawGraphInto(QPainter& painter, const QRect& rect, QPaintDevice* attribute = nullptr);

    GUILib::CGraph2D* Graph() const { return graph_; }
    IDragScale* HorizontalScale() const { return horizontal_.Get(); }
    IDragScale* VerticalScale() const { return vertical_.Get(); }
    GUILib::CTabulatedData* GraphData() const { return table_.Get(); }
    const GUILib::CReadOut* ReadOutX() const { return readOutX_; }
    const GUILib::CReadOut* ReadOutY() const { return readOutY_; }

    // The tabulated data's notifications (TabulatedObserver): the plots read their columns
    // anew.
    virtual void OnColumnsChanged();
    virtual void OnRowsChanged(int32_t column);
    virtual void OnReset();
    // The scales' notifications (DragScaleObserver): 1 nothing; 2 the graph is drawn anew;
    // 3 the curve is resampled (BuildGraphData) and the graph drawn anew; 4 nothing; 5 the
    // graph is drawn anew.
    virtual void OnDragBegin(IScale* scale);
    virtual void OnLookChanged(IScale* scale);
    virtual void OnRangeChanged(IScale* scale, double factor, double offset);
    virtual void OnDragEnd(IScale* scale);
    virtual void OnTextChanged(IScale* scale);

protected:
    // The graph's cursor notification (GUILib::GraphCursorEvent) updates the read-outs.
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Places the scales and the graph for the client rectangle.
    void ApplyLayout();
    // Read-outs: "x = " and "y = " with the cursor's sample, or both empty.
    void UpdateReadOuts(const float* values);
    KVI::String ColumnUnits(int32_t column) const;
    KVI::String ColumnTitle(int32_t column) const;
    // Plot sizes for a device resolution: factor 1 on the screen.
    void SizePlots(int32_t factor);

    KVI::UnitInfo sourceUnit_;
    CalibrationData data_;
    platform::ComPtr<GUILib::CTabulatedData> table_;
    platform::ComPtr<IDragScale> horizontal_;
    platform::ComPtr<IDragScale> vertical_;
    GUILib::CGraph2D* graph_ = nullptr;
    GUILib::CReadOut* readOutX_ = nullptr;
    GUILib::CReadOut* readOutY_ = nullptr;
    int32_t readOutColumnX_ = 0;
    int32_t readOutColumnY_ = 1;
    TabulatedObserver* tabulatedObserver_ = nullptr;
    DragScaleObserver* scaleObserver_ = nullptr;
};

}  // namespace Tessar
