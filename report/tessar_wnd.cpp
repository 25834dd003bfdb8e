#include "report/tessar_wnd.h"

#include <algorithm>
#include <cmath>

#include <QPaintDevice>
#include <QPalette>
#include <QPainter>
#include <QResizeEvent>

#include "calibration/framework.h"
#include "calibration/interface_guard.h"
#include "foundation/gui/qt_string.h"
#include "guilib/graph/draw_object.h"
#include "guilib/graph/draw_style.h"
#include "guilib/graph/graph2d.h"
#include "guilib/graph/read_out.h"
#include "report/report_data.h"
#include "report/tessar_wnd_observers.h"

namespace Tessar {
namespace {

const QColor kPointColour(255, 0, 0);
const QColor kNumberColour(0, 0, 0);
const QColor kCurveColour(0, 0, 255);
// The band a lighter blue than the curve, dashed, so that the two never read as one line.
const QColor kBandColour(90, 130, 255);
const QColor kZeroLineColour(96, 96, 96);
constexpr int32_t kPointSize = 3;
constexpr int32_t kNumberSize = 6;
constexpr int32_t kCurveWidth = 1;
constexpr int32_t kResidualSize = 2;

// Read-out rectangles in the window's client coordinates, in the strip above the graph.
const QRect kReadOutXRect(QPoint(30, 0), QPoint(129, 17));
const QRect kReadOutYRect(QPoint(132, 0), QPoint(281, 17));

// A scale from the host's scale service, its axis ends inset pixels inside its window's ends;
// null when the service or the scale cannot be had (no framework, no QApplication).
platform::ComPtr<IDragScale> CreateReportScale(QWidget* parent, int32_t style, int32_t inset)
{
    platform::ComPtr<IDragScale> scale;
    GuardedCall([&] {
        uint16_t id = 0;
        HRESULT hr = Framework::TypeIdentifier(TYPE_ScaleService, &id);
        if (FAILED(hr)) return hr;
        platform::ComPtr<IScaleService> service;
        hr = Framework::GetService(uint32_t(id) << 16, IID_IScaleService, service.PutVoid());
        if (FAILED(hr) || !service) return FAILED(hr) ? hr : E_FAIL;
        return service->CreateScale(parent, style, 0, -inset, -inset, scale.Put());
    });
    if (scale) scale->SetParts(kScaleAllParts);
    return scale;
}

// A rectangle as the scales take it (right and bottom one past the last pixel).
HostRect ToHostRect(const QRect& r) { return HostRect{r.left(), r.top(), r.right() + 1, r.bottom() + 1}; }

// A scale's window: its axis rectangle reaching room pixels past both ends of the axis.
HostRect ScalePlacement(const QRect& axis, bool vertical, int32_t room)
{
    return ToHostRect(vertical ? axis.adjusted(0, -room, 0, room) : axis.adjusted(-room, 0, room, 0));
}

int32_t DeviceRoom(double dpi) { return int32_t(std::lround(TessarWnd::kScaleEndRoom * dpi / 96.0)); }

}  // namespace

TessarWnd::Layout TessarWnd::LayOut(const QRect& client, int32_t w, int32_t h, double unit)
{
    const int32_t left = client.left() + w;
    const int32_t top = client.top() + h / 3;
    const int32_t right = client.right() + 1 - w / 3;  // exclusive
    const int32_t bottom = client.bottom() + 1 - h;    // exclusive
    const int32_t height = std::max(bottom - top, 0);
    const int32_t strip = std::min(std::max(height / 5, int32_t(std::lround(kStripHeight * unit))), height / 3);
    const int32_t gap = std::min(int32_t(std::lround(kStripGap * unit)), height / 6);
    const int32_t graphBottom = bottom - strip - gap;
    // Rectangles from their corners, right and bottom exclusive.
    const auto span = [](int32_t l, int32_t t, int32_t r, int32_t b) { return QRect(QPoint(l, t), QPoint(r - 1, b - 1)); };
    Layout layout;
    layout.graph = span(left, top, right, graphBottom);
    layout.vertical = span(left - w, top, left, graphBottom);
    layout.strip = span(left, bottom - strip, right, bottom);
    layout.stripScale = span(left - w, bottom - strip, left, bottom);
    layout.horizontal = span(left, bottom, right, bottom + h);
    return layout;
}

TessarWnd::TessarWnd(QWidget* parent, const KVI::UnitInfo& sourceUnit, const CalibrationData& data)
    : QWidget(parent), sourceUnit_(sourceUnit), data_(data), table_(new GUILib::CTabulatedData())
{
    // The window colour behind the graph, its scales and read-outs, as in the copied picture.
    QPalette colours = palette();
    colours.setColor(QPalette::Window, GUILib::WindowColour());
    setPalette(colours);
    setAutoFillBackground(true);
    // The vertical scales first, so that the horizontal one lies over their corner.
    vertical_ = CreateReportScale(this, kVerticalStyle, kScaleEndRoom);
    residualScale_ = CreateReportScale(this, kVerticalStyle, kScaleEndRoom);
    horizontal_ = CreateReportScale(this, kHorizontalStyle, kScaleEndRoom);
    graph_ = new GUILib::CGraph2D(this);
    residualGraph_ = new GUILib::CGraph2D(this);

    tabulatedObserver_ = new TabulatedObserver(this);
    table_->AddObserver(tabulatedObserver_);
    scaleObserver_ = new DragScaleObserver(this);
    for (IDragScale* scale : {horizontal_.Get(), vertical_.Get(), residualScale_.Get()})
        if (scale) scale->Advise(scaleObserver_);

    graph_->AttachData(static_cast<IRecordData*>(table_.Get()));
    graph_->ConnectScales(vertical_.Get(), horizontal_.Get());
    residualGraph_->AttachData(static_cast<IRecordData*>(table_.Get()));
    residualGraph_->ConnectScales(residualScale_.Get(), horizontal_.Get());
    ApplyLayout();
    graph_->SetGridColour(ScreenGridColour());
    residualGraph_->SetGridColour(ScreenGridColour());

    readOutX_ = new GUILib::CReadOut(this);
    readOutY_ = new GUILib::CReadOut(this);
    readOutX_->setGeometry(kReadOutXRect);
    readOutY_->setGeometry(kReadOutYRect);
    for (GUILib::CReadOut* readOut : {readOutX_, readOutY_}) {
        readOut->Format().alignment_ = GUILib::TextFormat::kAlignLeft | GUILib::TextFormat::kAlignBottom;
        // An empty read-out is not shown, so that it does not hide the top label of the
        // vertical scale, whose window reaches up into the read-outs' strip.
        readOut->hide();
    }

    BuildGraphData();
    const KVI::String noName;
    AddReportPlot(horizontal_.Get(), vertical_.Get(), 2, 3, kPointColour, noName, GUILib::kDrawPoints, kPointSize);
    AddReportPlot(horizontal_.Get(), vertical_.Get(), 4, 5, kNumberColour, noName, GUILib::kDrawOrdinal, kNumberSize);
    // The band before the curve, so that the curve is drawn over it and the cursor follows it.
    for (const int32_t edge : {kBandLower, kBandUpper}) {
        graph_->AddPlot(kBandX, edge, noName);
        graph_->SetPlotColour(kBandX, edge, kBandColour);
    }
    AddReportPlot(horizontal_.Get(), vertical_.Get(), 0, 1, kCurveColour, noName, GUILib::kDrawLineSegments,
                  kCurveWidth);

    residualGraph_->AddPlot(kZeroX, kZeroY, noName);
    residualGraph_->SetPlotColour(kZeroX, kZeroY, kZeroLineColour);
    residualGraph_->AddPlot(kResidualX, kResidualY, noName);
    residualGraph_->SetPlotColour(kResidualX, kResidualY, kPointColour);
    SizePlots(1);
    SetResidualScale(residualScale_.Get());
}

void TessarWnd::SetWorkingData(const CalibrationData& data)
{
    data_ = data;
    SetResidualScale(residualScale_.Get());
}

void TessarWnd::SetResidualScale(IScale* scale)
{
    if (!scale) return;
    // A short title and no unit: the strip is low, and its unit is the calibrated axis's.
    scale->SetTitle(KVI::String(kResidualColumnName).Interface());
    scale->SetUnit(0, KVI::String().Interface());
    const AxisRange range = ResidualAxisRange(data_);
    const double pair[2] = {range.upper, range.lower};
    scale->SetHomeRange(pair);
    scale->SetRange(pair);
}

void TessarWnd::RefreshGraphs()
{
    graph_->RefreshPlots();
    residualGraph_->RefreshPlots();
}

void TessarWnd::InvalidateGraphs()
{
    graph_->Invalidate();
    residualGraph_->Invalidate();
}

TessarWnd::~TessarWnd()
{
    table_->RemoveObserver(tabulatedObserver_);
    tabulatedObserver_->Detach();
    tabulatedObserver_->Release();
    for (IDragScale* scale : {horizontal_.Get(), vertical_.Get(), residualScale_.Get()})
        if (scale) scale->Unadvise(scaleObserver_);
    scaleObserver_->Detach();
    scaleObserver_->Release();
    // The graphs hold the scales too: they go first, so that releasing them here frees the
    // scale components (and their windows) before the children of this window are deleted.
    delete graph_;
    graph_ = nullptr;
    delete residualGraph_;
    residualGraph_ = nullptr;
    horizontal_.Reset();
    vertical_.Reset();
    residualScale_.Reset();
}

void TessarWnd::ApplyLayout()
{
    const Layout layout = LayOut(rect(), kScaleWidth, kScaleHeight);
    if (vertical_) {
        const HostRect placement = ScalePlacement(layout.vertical, true, kScaleEndRoom);
        vertical_->SetPlacement(&placement);
    }
    if (residualScale_) {
        const HostRect placement = ScalePlacement(layout.stripScale, true, kScaleEndRoom);
        residualScale_->SetPlacement(&placement);
    }
    if (horizontal_) {
        const HostRect placement = ScalePlacement(layout.horizontal, false, kScaleEndRoom);
        horizontal_->SetPlacement(&placement);
    }
    graph_->setGeometry(layout.graph);
    residualGraph_->setGeometry(layout.strip);
}

void TessarWnd::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    ApplyLayout();
    // The plots' pixels follow the new lengths of the axes.
    RefreshGraphs();
    update();
}

void TessarWnd::BuildGraphData()
{
    double range[2] = {1, 0};
    if (horizontal_) horizontal_->GetRange(range);
    const double upper = BaseValue(range[0], sourceUnit_.prefix_);
    const double lower = BaseValue(range[1], sourceUnit_.prefix_);
    FillGraphColumns(*table_.Get(), data_, sourceUnit_, lower, upper);
}

void TessarWnd::SetAxisRanges(IScale* horizontal, IScale* vertical)
{
    const AxisRange raw = PointsAxisRange(data_.rawValues_, sourceUnit_.prefix_);
    const AxisRange calibrated = PointsAxisRange(data_.calibratedValues_, data_.unit_.prefix_);
    const double rawPair[2] = {raw.upper, raw.lower};
    const double calibratedPair[2] = {calibrated.upper, calibrated.lower};
    if (horizontal) {
        horizontal->SetHomeRange(rawPair);
        horizontal->SetRange(rawPair);
    }
    if (vertical) {
        vertical->SetHomeRange(calibratedPair);
        vertical->SetRange(calibratedPair);
    }
}

KVI::String TessarWnd::ColumnUnits(int32_t column) const
{
    platform::ComPtr<IAutoKVIString> units;
    table_->GetColumnUnits(column, units.Put());
    return KVI::String(units.Get());
}

KVI::String TessarWnd::ColumnTitle(int32_t column) const
{
    platform::ComPtr<IAutoKVIString> title;
    table_->GetColumnName(column, title.Put());
    return KVI::String(title.Get());
}

void TessarWnd::AddReportPlot(IScale* horizontal, IScale* vertical, int32_t x, int32_t y, const QColor& colour,
                              const KVI::String& name, int32_t kind, int32_t size)
{
    readOutColumnX_ = x;
    readOutColumnY_ = y;
    if (horizontal) {
        horizontal->SetTitle(ColumnTitle(x).Interface());
        horizontal->SetUnit(0, ColumnUnits(x).Interface());
    }
    if (vertical) {
        vertical->SetTitle(ColumnTitle(y).Interface());
        vertical->SetUnit(0, ColumnUnits(y).Interface());
    }
    graph_->AddPlot(x, y, name);
    graph_->SetPlotDrawKind(x, y, kind, size);
    graph_->SetPlotColour(x, y, colour);
    SetAxisRanges(horizontal, vertical);
}

void TessarWnd::SizePlots(int32_t factor)
{
    graph_->SetPlotDrawKind(2, 3, GUILib::kDrawPoints, kPointSize * factor);
    graph_->SetPlotDrawKind(4, 5, GUILib::kDrawOrdinal, kNumberSize * factor);
    graph_->SetPlotDrawKind(0, 1, GUILib::kDrawLineSegments, kCurveWidth * factor);
    for (const int32_t edge : {kBandLower, kBandUpper})
        graph_->SetPlotDrawKind(kBandX, edge, GUILib::kDrawLineSegments, kCurveWidth * factor, GUILib::kPenDash);
    residualGraph_->SetPlotDrawKind(kZeroX, kZeroY, GUILib::kDrawLineSegments, kCurveWidth * factor);
    residualGraph_->SetPlotDrawKind(kResidualX, kResidualY, GUILib::kDrawPoints, kResidualSize * factor);
    graph_->SetGridPenWidth(factor);
    residualGraph_->SetGridPenWidth(factor);
}

void TessarWnd::DrawGraphInto(QPainter& painter, const QRect& rect, QPaintDevice* attribute)
{
    const QPaintDevice* device = attribute ? attribute : painter.device();
    const double dpi = device ? device->logicalDpiY() : 96.0;
    const int32_t room = DeviceRoom(dpi);
    const platform::ComPtr<IDragScale> vertical = CreateReportScale(nullptr, kVerticalStyle, room);
    const platform::ComPtr<IDragScale> residual = CreateReportScale(nullptr, kVerticalStyle, room);
    const platform::ComPtr<IDragScale> horizontal = CreateReportScale(nullptr, kHorizontalStyle, room);
    if (!vertical || !residual || !horizontal) return;

    // Titles, units and ranges first, so that the scales measure the labels they will show.
    const int32_t factor = std::max(1, int32_t(std::lround(dpi / 96.0)));
    AddReportPlot(horizontal.Get(), vertical.Get(), 0, 1, kCurveColour, KVI::String(), GUILib::kDrawLineSegments,
                  kCurveWidth * factor);
    SetResidualScale(residual.Get());
    int32_t width = 0, residualWidth = 0, height = 0;
    vertical->GetPreferredSize(10, &painter, attribute, &width);
    residual->GetPreferredSize(10, &painter, attribute, &residualWidth);
    horizontal->GetPreferredSize(10, &painter, attribute, &height);
    const Layout layout =
        LayOut(rect, std::max({width, residualWidth, kScaleWidth}), std::max(height, kScaleHeight), dpi / 96.0);
    const HostRect verticalPlace = ScalePlacement(layout.vertical, true, room);
    const HostRect residualPlace = ScalePlacement(layout.stripScale, true, room);
    const HostRect horizontalPlace = ScalePlacement(layout.horizontal, false, room);
    vertical->SetPlacement(&verticalPlace);
    residual->SetPlacement(&residualPlace);
    horizontal->SetPlacement(&horizontalPlace);
    vertical->Draw(&painter, attribute);
    residual->Draw(&painter, attribute);
    horizontal->Draw(&painter, attribute);

    SizePlots(factor);
    for (GUILib::CGraph2D* graph : {graph_, residualGraph_}) graph->SetGridColour(PrintGridColour());
    graph_->ConnectScales(vertical.Get(), horizontal.Get());
    residualGraph_->ConnectScales(residual.Get(), horizontal.Get());
    graph_->Paint(painter, true, layout.graph);
    residualGraph_->Paint(painter, true, layout.strip);
    for (GUILib::CGraph2D* graph : {graph_, residualGraph_}) graph->SetGridColour(ScreenGridColour());
    SizePlots(1);
    graph_->ConnectScales(vertical_.Get(), horizontal_.Get());
    residualGraph_->ConnectScales(residualScale_.Get(), horizontal_.Get());
}

void TessarWnd::OnColumnsChanged() { RefreshGraphs(); }
void TessarWnd::OnRowsChanged(int32_t) { RefreshGraphs(); }
void TessarWnd::OnReset() { RefreshGraphs(); }

void TessarWnd::OnDragBegin(IScale*) {}
void TessarWnd::OnLookChanged(IScale*) { InvalidateGraphs(); }

void TessarWnd::OnRangeChanged(IScale*, double, double)
{
    BuildGraphData();
    InvalidateGraphs();
}

void TessarWnd::OnDragEnd(IScale*) {}
void TessarWnd::OnTextChanged(IScale*) { InvalidateGraphs(); }

bool TessarWnd::event(QEvent* event)
{
    if (event->type() == GUILib::GraphCursorEvent::kType) {
        UpdateReadOuts(static_cast<GUILib::GraphCursorEvent*>(event)->Values());
        return true;
    }
    return QWidget::event(event);
}

void TessarWnd::UpdateReadOuts(const float* values)
{
    QString x, y;
    if (values) {
        x = QStringLiteral("x = ") +
            KVI::ToQString(FormatReadOutValue(values[0], ColumnUnits(readOutColumnX_), data_.decimalPlaces_));
        y = QStringLiteral("y = ") +
            KVI::ToQString(FormatReadOutValue(values[1], ColumnUnits(readOutColumnY_), data_.decimalPlaces_));
    }
    readOutX_->SetText(x);
    readOutY_->SetText(y);
    readOutX_->setVisible(values != nullptr);
    readOutY_->setVisible(values != nullptr);
}

}  // namespace Tessar
