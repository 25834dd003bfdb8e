// Tessar::TessarWnd: the fit report's graph window: the reference points and the fitted curve
// of a calibration plotted against two drag scales of the host (a horizontal one for the raw
// values, a vertical one for the calibrated values), the 95 % prediction band around the curve,
// a strip below the graph with the points' residuals against the same raw axis (its own
// vertical scale), and read-outs of the cursor's sample.
//
// It owns a tabulated data (report_data.h, FillGraphColumns): the curve (0, 1), the points
// (2, 3, drawn as red dots) and the points again (4, 5, drawn as black numbers), the band (6
// with 7 and 8, two dashed curves), the residuals (9, 10, red dots in the strip) and the strip's
// zero line (11, 12). The curve and the band are drawn through the raw range and resampled
// whenever the horizontal range changes, so dragging the raw scale shows them over the new range.
//
// Layout from the client rectangle R, a vertical-scale width W and a horizontal-scale height H
// (80 and 55 on the screen): the plotting area from (R.left + W, R.top + H / 3) to
// (R.right - W / 3, R.bottom - H), its lower fifth (at least kStripHeight) the residual strip,
// above it a gap for the two vertical scales' end labels, and above that the graph; the
// vertical scales left of the graph and of the strip, the horizontal scale below the strip; the
// read-outs lie in the band above the graph. Each scale's window reaches past the graph's ends
// by an inset, so that the labels at the ends of an axis are not cut.
// NOTE: the strip takes the lower part of the rectangle the graph alone had.
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
    // The residual strip's least height and the gap above it, in 1/96 inch.
    static constexpr int32_t kStripHeight = 40;
    static constexpr int32_t kStripGap = 2 * kScaleEndRoom;
    // The grid colour on the screen and in copies and prints.
    static QColor ScreenGridColour() { return QColor(166, 202, 240); }
    static QColor PrintGridColour() { return QColor(128, 128, 128); }

    // Where the graphs and the scales go in a rectangle (right and bottom exclusive, integer
    // division truncating): the area (left + w, top + h / 3, right - w / 3, bottom - h); the
    // strip its lower part, max(area height / 5, kStripHeight * unit) high (at most a third of
    // the area); the graph the rest but a gap of kStripGap * unit; each vertical scale w wide
    // left of its graph; the horizontal scale (strip.left, strip.bottom, strip.right,
    // strip.bottom + h). [in] unit: the device's pixels per screen pixel.
    struct Layout {
        QRect graph;
        QRect vertical;
        QRect strip;
        QRect stripScale;
        QRect horizontal;
    };
    static Layout LayOut(const QRect& client, int32_t w, int32_t h, double unit = 1);

    // Creates the scales, the graph, the read-outs and the data, plots the record's points and
    // curve, and sets the axes from the points. [in] sourceUnit: the raw values' unit; data: the
    // record shown (copied).
    TessarWnd(QWidget* parent, const KVI::UnitInfo& sourceUnit, const CalibrationData& data);
    // Unregisters its observers from the data and the scales before anything goes.
    ~TessarWnd() override;
    TessarWnd(const TessarWnd&) = delete;
    TessarWnd& operator=(const TessarWnd&) = delete;

    // Replaces the window's copy of the record (the report dialog's working record after a
    // refit) and sets the residual strip's range for its residuals. Call BuildGraphData to show
    // it.
    void SetWorkingData(const CalibrationData& data);
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
    // Draws the scales, the graph and the residual strip into rect of any painter, for copies
    // and prints: three temporary scales configured as on the screen, sized for the painter's
    // device (attribute: the printer a preview imitates, or null) with at least kScaleWidth and
    // kScaleHeight, the grid in grey. Plot sizes and the grid's pen grow with the device's
    // resolution (one screen pixel stays 1/96 inch). The window's own scales and look are
    // restored afterwards.
    void DrawGraphInto(QPainter& painter, const QRect& rect, QPaintDevice* attribute = nullptr);

    GUILib::CGraph2D* Graph() const { return graph_; }
    GUILib::CGraph2D* ResidualGraph() const { return residualGraph_; }
    IDragScale* HorizontalScale() const { return horizontal_.Get(); }
    IDragScale* VerticalScale() const { return vertical_.Get(); }
    IDragScale* ResidualScale() const { return residualScale_.Get(); }
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
    // Plot sizes and the grids' pens for a device resolution: factor 1 on the screen.
    void SizePlots(int32_t factor);
    // The residual strip's scale: title, unit, and its range from the residuals.
    void SetResidualScale(IScale* scale);
    // Both graphs rebuild their points / are drawn anew.
    void RefreshGraphs();
    void InvalidateGraphs();

    KVI::UnitInfo sourceUnit_;
    CalibrationData data_;
    platform::ComPtr<GUILib::CTabulatedData> table_;
    platform::ComPtr<IDragScale> horizontal_;
    platform::ComPtr<IDragScale> vertical_;
    platform::ComPtr<IDragScale> residualScale_;
    GUILib::CGraph2D* graph_ = nullptr;
    GUILib::CGraph2D* residualGraph_ = nullptr;
    GUILib::CReadOut* readOutX_ = nullptr;
    GUILib::CReadOut* readOutY_ = nullptr;
    int32_t readOutColumnX_ = 0;
    int32_t readOutColumnY_ = 1;
    TabulatedObserver* tabulatedObserver_ = nullptr;
    DragScaleObserver* scaleObserver_ = nullptr;
};

}  // namespace Tessar
