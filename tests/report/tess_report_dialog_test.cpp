// The fit report dialog and its graph window, driven with real clicks offscreen, with the
// host's real drag scales (from the built libzor.so): the title and the fit list, refitting on a
// new fit kind or force origin and going back after a failure, OK and Cancel, the marked origin
// row, the axes, the read-outs, dragging the raw scale, nothing clipped, the curve through the
// points, and pictures of four calibrations in the test output.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include "interfaces/ole_window.h"
#include "guilib/graph/graph2d.h"
#include "guilib/graph/read_out.h"
#include "guilib/table/table2d.h"
#include "report/fit_text.h"
#include "report/report_clipboard.h"
#include "report/report_data.h"
#include "report/tessar_wnd.h"
#include "tests/report/report_test_util.h"

namespace {

using namespace ReportTest;
using Tessar::TessarWnd;

const std::u16string kTooFewPoints = u"Not enough Volt-Unit conversion pairs exist to determine the requested fit type.";
const std::u16string kFitFailed =
    u"The fitting algorithm failed to converge. Unable to determine coefficients for the requested fit type.";

class ReportDialog : public testing::Test, public ReportFixture {};

std::pair<double, double> RangeOf(IScale* scale)
{
    double range[2] = {0, 0};
    scale->GetRange(range);
    return {range[0], range[1]};
}

std::vector<float> GraphColumn(TessarWnd& wnd, int32_t column)
{
    int32_t n = 0;
    wnd.GraphData()->GetColumnLength(column, &n);
    std::vector<float> v(size_t(std::max(n, 0)));
    uint32_t read = 0;
    if (n > 0) wnd.GraphData()->GetValues(column, 0, uint32_t(n), v.data(), &read);
    return v;
}

// The graph pixel of a value pair, through the window's own scales.
QPoint GraphPixel(TessarWnd& wnd, double x, double y)
{
    double f = 0, o = 0;
    wnd.HorizontalScale()->GetTransform(&f, &o);
    const int px = int(f * (o + x));
    wnd.VerticalScale()->GetTransform(&f, &o);
    return QPoint(px, int(f * (o + y)));
}

TEST_F(ReportDialog, TitleAndFitListFollowTheChannelAndTheKinds)
{
    CalibrationData caller = ThreePoints();
    Tessar::TessReportDialog& report = Open(caller);
    EXPECT_EQ(report.windowTitle(), QStringLiteral("Tessar Curve for Channel 3"));
    QComboBox* combo = FitCombo();
    const QStringList names{"Linear", "Quadratic", "Cubic", "Quartic", "Quintic", "Logarithmic", "Exponential",
                            "Point to Point"};
    ASSERT_EQ(combo->count(), names.size());
    for (int i = 0; i < names.size(); ++i) EXPECT_EQ(combo->itemText(i), names[i]);
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(Control<QLabel>(306)->text(), QStringLiteral("Linear"));
    EXPECT_EQ(Control<QLabel>(305)->text().toStdU16String(), std::u16string(Tessar::FormatEquation(caller, KVI::UnitInfo::Empty()).View()));
    EXPECT_TRUE(Control<QLabel>(313)->text().endsWith(QStringLiteral("\tr\u00B2 = 1")));
    EXPECT_FALSE(Control<QPushButton>(9)->isVisible());
}

TEST_F(ReportDialog, QuinticWithFivePointsIsRefusedAndTheListGoesBack)
{
    CalibrationData caller = Record(0, {1, 2, 3, 4, 5}, {1, 4, 9, 16, 25});
    Open(caller);
    ChooseFit(4);
    ASSERT_EQ(messages_, std::vector<std::u16string>{kTooFewPoints});
    EXPECT_EQ(captions_.front(), u"Tessar");
    EXPECT_EQ(FitCombo()->currentIndex(), 0);
    EXPECT_EQ(Dialog().WorkingData().fitKind_, 0);
    // Quartic needs five: it fits and the report shows it.
    ChooseFit(3);
    EXPECT_EQ(messages_.size(), 1u);
    EXPECT_EQ(Dialog().WorkingData().fitKind_, 3);
    EXPECT_EQ(Dialog().WorkingData().coefficients_.size(), 5u);
    EXPECT_EQ(Control<QLabel>(306)->text(), QStringLiteral("4th order polynomial (Quartic)"));
    EXPECT_EQ(Dialog().GraphWindow()->WorkingData().fitKind_, 3);
}

TEST_F(ReportDialog, FailedFitIsToldAndLeavesTheWorkingRecord)
{
    // A raw value of 0 has no logarithm.
    CalibrationData caller = Record(1, {0, 1, 2}, {1, 2, 5});
    Open(caller);
    const CalibrationData before = Dialog().WorkingData();
    ChooseFit(5);
    ASSERT_EQ(messages_, std::vector<std::u16string>{kFitFailed});
    EXPECT_EQ(FitCombo()->currentIndex(), 1);
    EXPECT_EQ(Dialog().WorkingData().coefficients_, before.coefficients_);
    EXPECT_TRUE(ForceOrigin()->isEnabled());
}

TEST_F(ReportDialog, ForceOriginIsOfferedForPolynomialsOnly)
{
    CalibrationData caller = Record(0, {1, 2, 3, 4}, {2, 3, 5, 8});
    Open(caller);
    const struct {
        int kind;
        bool enabled;
    } steps[] = {{5, false}, {1, true}, {6, false}, {2, true}, {7, false}, {0, true}};
    for (const auto& step : steps) {
        ChooseFit(step.kind);
        EXPECT_EQ(Dialog().WorkingData().fitKind_, step.kind);
        EXPECT_EQ(ForceOrigin()->isEnabled(), step.enabled) << step.kind;
    }
    EXPECT_TRUE(messages_.empty());
}

TEST_F(ReportDialog, ForceOriginRefitsAndAddsTheMarkedOriginRow)
{
    CalibrationData caller = Record(0, {1, 2, 3}, {2, 4.2, 5.9});
    Open(caller);
    GUILib::Table2D* table = Dialog().TableGrid();
    int32_t rows = 0;
    Dialog().TableData()->GetRowCount(&rows);
    EXPECT_EQ(rows, 3);

    ClickForceOrigin();
    EXPECT_TRUE(messages_.empty());
    EXPECT_TRUE(Dialog().WorkingData().forceOrigin_);
    EXPECT_EQ(Dialog().WorkingData().coefficients_[0], 0.0);
    EXPECT_EQ(Control<QLabel>(313)->text().indexOf(QLatin1Char('\t')), -1) << "no r\u00B2 through the origin";
    Dialog().TableData()->GetRowCount(&rows);
    ASSERT_EQ(rows, 4);
    // The origin is no point: no number, fitted value or residual.
    EXPECT_EQ(Tessar::ReportText(Dialog()).split(QLatin1Char('\n'))[4], QStringLiteral("*\t0.00\t0.00\t*\t*\t"));

    // The origin row (grid row 4) is drawn bold: more ink than the same row unmarked.
    auto rowInk = [table] {
        QImage image = table->grab().toImage();
        const int h = table->RowHeight();
        int ink = 0;
        for (int y = 4 * h + 1; y < 5 * h; ++y)
            for (int x = 0; x < image.width(); ++x) ink += qGray(image.pixel(x, y)) < 128;
        return ink;
    };
    const int marked = rowInk();
    table->ClearHighlights();
    const int plain = rowInk();
    EXPECT_GT(marked, plain + 5);

    // And off again: the row goes.
    Dialog().RefreshReport();
    ClickForceOrigin();
    Dialog().TableData()->GetRowCount(&rows);
    EXPECT_EQ(rows, 3);
}

TEST_F(ReportDialog, CancelLeavesTheCallersRecordAndOkWritesTheFitBack)
{
    CalibrationData caller = Record(0, {1, 2, 3, 4}, {2, 3, 5, 8});
    const CalibrationData original = caller;
    Open(caller);
    ChooseFit(1);
    ClickForceOrigin();
    Click(2);
    EXPECT_FALSE(Dialog().isVisible());
    EXPECT_EQ(Dialog().result(), QDialog::Rejected);
    EXPECT_EQ(caller, original);
    EXPECT_EQ(caller.coefficients_, original.coefficients_);

    Open(caller);
    ChooseFit(2);
    ClickForceOrigin();
    Click(1);
    EXPECT_EQ(Dialog().result(), QDialog::Accepted);
    EXPECT_EQ(caller.fitKind_, 2);
    EXPECT_TRUE(caller.forceOrigin_);
    CalibrationData expected = original;
    expected.fitKind_ = 2;
    expected.forceOrigin_ = true;
    ASSERT_TRUE(Tessar::FitCalibration(expected));
    EXPECT_EQ(caller.coefficients_, expected.coefficients_);
    EXPECT_EQ(caller.chiSquare_, expected.chiSquare_);
    EXPECT_EQ(caller.sse_, expected.sse_);
    EXPECT_EQ(caller.rawValues_, original.rawValues_);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(ReportDialog, OkWithARecordThatDoesNotFitStaysOpen)
{
    // A record whose own kind fails (a calibrated value of 0 for an exponential).
    CalibrationData caller = Record(0, {1, 2, 3}, {0, 1, 2});
    caller.fitKind_ = 6;
    const CalibrationData original = caller;
    Open(caller);
    Click(1);
    EXPECT_EQ(messages_, std::vector<std::u16string>{kFitFailed});
    EXPECT_TRUE(Dialog().isVisible());
    EXPECT_EQ(caller.fitKind_, original.fitKind_);
    EXPECT_EQ(caller.coefficients_, original.coefficients_);
}

TEST_F(ReportDialog, AxesShowThePointsInTheirMiddleTwoThirds)
{
    CalibrationData caller = Record(0, {0.001, 0.003}, {10, 30});
    Open(caller, nullptr, Unit(7, u"V"));
    TessarWnd& wnd = *Dialog().GraphWindow();
    const auto [rawUpper, rawLower] = RangeOf(wnd.HorizontalScale());
    EXPECT_NEAR(rawUpper, 3.5, 1e-9);  // millivolts
    EXPECT_NEAR(rawLower, 0.5, 1e-9);
    const auto [upper, lower] = RangeOf(wnd.VerticalScale());
    EXPECT_NEAR(upper, 35, 1e-9);
    EXPECT_NEAR(lower, 5, 1e-9);
    // The curve is sampled over the raw axis.
    const std::vector<float> x = GraphColumn(wnd, 0);
    ASSERT_EQ(x.size(), 101u);
    EXPECT_FLOAT_EQ(x.front(), 0.5f);
}

TEST_F(ReportDialog, PointsAtOneRawValueKeepTheLeastHalfSpan)
{
    CalibrationData caller = Record(0, {0, 0}, {1, 2});
    Open(caller);
    const auto [upper, lower] = RangeOf(Dialog().GraphWindow()->HorizontalScale());
    EXPECT_DOUBLE_EQ(upper, 1.5e-21);
    EXPECT_DOUBLE_EQ(lower, -1.5e-21);

    // Away from zero the scale still gets a range around the points.
    CalibrationData elsewhere = Record(0, {2, 2}, {1, 2});
    Open(elsewhere);
    const auto [upper2, lower2] = RangeOf(Dialog().GraphWindow()->HorizontalScale());
    EXPECT_GT(upper2, 2);
    EXPECT_LT(lower2, 2);
}

TEST_F(ReportDialog, ReadOutsFollowTheMouseAndClearOnLeaving)
{
    CalibrationData caller = ThreePoints();
    Open(caller);
    TessarWnd& wnd = *Dialog().GraphWindow();
    GUILib::CGraph2D* graph = wnd.Graph();
    const QPoint mouse = GraphPixel(wnd, 0.5, 50) + QPoint(2, -1);
    QTest::mouseMove(graph, mouse);
    // The cursor snaps to the curve's nearest sample; the read-outs show it.
    const GUILib::DataPlotXY& curve = *graph->Plot(0, 1)->plot_;
    const auto sample = curve.Samples()[size_t(curve.Nearest(mouse))];
    ASSERT_TRUE(TestSupport::WaitUntil([&] { return !wnd.ReadOutX()->Text().isEmpty(); }));
    EXPECT_EQ(wnd.ReadOutX()->Text(), QStringLiteral("x = ") + QString::fromStdU16String(std::u16string(
                                                                    Tessar::FormatReadOutValue(sample.first, u"V", 2).View())));
    EXPECT_EQ(wnd.ReadOutY()->Text(), QStringLiteral("y = %1 mmHg").arg(double(sample.second), 0, 'f', 2));
    EXPECT_TRUE(wnd.ReadOutX()->Text().endsWith(QStringLiteral(" mV")));
    EXPECT_TRUE(wnd.ReadOutX()->isVisible());
    EXPECT_TRUE(wnd.ReadOutY()->isVisible());

    // Out of the graph onto the table.
    QTest::mouseMove(Dialog().TableGrid(), QPoint(10, 10));
    ASSERT_TRUE(TestSupport::WaitUntil([&] { return wnd.ReadOutX()->Text().isEmpty(); }));
    EXPECT_TRUE(wnd.ReadOutY()->Text().isEmpty());
    EXPECT_FALSE(wnd.ReadOutX()->isVisible());
    EXPECT_FALSE(graph->Cursor().IsShown());
}

TEST_F(ReportDialog, DraggingTheRawScaleResamplesTheCurve)
{
    CalibrationData caller = ThreePoints();
    Open(caller);
    TessarWnd& wnd = *Dialog().GraphWindow();
    platform::ComPtr<IOleWindow> ole;
    ASSERT_EQ(wnd.HorizontalScale()->QueryInterface(IID_IOleWindow, ole.PutVoid()), S_OK);
    QWidget* scale = nullptr;
    ASSERT_EQ(ole->GetWindow(&scale), S_OK);
    const auto [upperBefore, lowerBefore] = RangeOf(wnd.HorizontalScale());

    const QPoint middle(scale->width() / 2, scale->height() / 3);
    QTest::mousePress(scale, Qt::LeftButton, {}, middle);
    for (int dx = 10; dx <= 60; dx += 10) QTest::mouseMove(scale, middle - QPoint(dx, 0));
    QTest::mouseRelease(scale, Qt::LeftButton, {}, middle - QPoint(60, 0));

    const auto [upper, lower] = RangeOf(wnd.HorizontalScale());
    ASSERT_GT(lower, lowerBefore) << "dragged left: the range moves up";
    EXPECT_NEAR(upper - lower, upperBefore - lowerBefore, 1e-9);
    const std::vector<float> x = GraphColumn(wnd, 0);
    const std::vector<float> y = GraphColumn(wnd, 1);
    ASSERT_EQ(x.size(), 101u);
    EXPECT_FLOAT_EQ(x.front(), float(lower));
    EXPECT_LT(x.back(), float(upper));
    EXPECT_GT(x.back(), float(upper - 2 * (upper - lower) / 101));
    for (size_t i = 0; i < x.size(); ++i) EXPECT_NEAR(y[i], 100 * x[i], 1e-3);
}

// Every label and button shows its whole text.
void ExpectNothingClipped(const QWidget& dialog, const char* name)
{
    for (QWidget* w : dialog.findChildren<QWidget*>()) {
        if (!w->isVisible()) continue;
        const QSize hint = w->sizeHint();
        if (auto* label = qobject_cast<QLabel*>(w); label && label->wordWrap()) {
            EXPECT_GE(w->height(), label->heightForWidth(w->width())) << name << ": " << w->objectName().toStdString();
            continue;
        }
        if (qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w)) {
            EXPECT_GE(w->width(), hint.width()) << name << ": " << w->objectName().toStdString();
            EXPECT_GE(w->height(), hint.height()) << name << ": " << w->objectName().toStdString();
        }
    }
}

TEST_F(ReportDialog, FourCalibrationsArePicturedWithNothingClipped)
{
    struct Case {
        const char* name;
        CalibrationData data;
    } cases[] = {
        {"linear", Record(0, {0, 0.5, 1, 1.5}, {0.2, 49, 101.5, 149})},
        {"quintic", Record(4, {0, 1, 2, 3, 4, 5, 6}, {0, 1.5, 3.2, 2.1, 4.9, 9.8, 7.7})},
        {"logarithmic", Record(5, {0.5, 1, 2, 4, 8}, {-0.6, 0.1, 0.7, 1.4, 2.0})},
        {"point_to_point", Record(7, {1, 2, 4, 5}, {10, 20, 0, 5})},
    };
    for (Case& c : cases) {
        Open(c.data);
        QTest::qWait(50);
        ExpectNothingClipped(Dialog(), c.name);
        const QString base = QStringLiteral("report_%1").arg(QLatin1String(c.name));
        EXPECT_TRUE(Dialog().grab().save(TestSupport::TestOutputPath(base + QStringLiteral(".png"))));
        EXPECT_TRUE(Tessar::ReportImage(Dialog()).save(TestSupport::TestOutputPath(base + QStringLiteral("_copy.png"))));
        EXPECT_TRUE(messages_.empty()) << c.name;
    }
}

// The curve passes through every point: with the markers hidden its colour lies at each
// point's pixel, and the red marker sits on it when shown.
void ExpectCurveThroughPoints(TessarWnd& wnd, const CalibrationData& d, const char* name)
{
    const QColor blue(0, 0, 255), red(255, 0, 0);
    GUILib::CGraph2D* graph = wnd.Graph();
    auto near = [](const QImage& image, QPoint p, const QColor& colour) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (image.rect().contains(p + QPoint(dx, dy)) && image.pixelColor(p + QPoint(dx, dy)) == colour)
                    return true;
        return false;
    };
    const QImage withMarkers = graph->grab().toImage();
    graph->SetPlotShown(2, 3, false);
    graph->SetPlotShown(4, 5, false);
    const QImage curveOnly = graph->grab().toImage();
    graph->SetPlotShown(2, 3, true);
    graph->SetPlotShown(4, 5, true);
    for (size_t i = 0; i < d.rawValues_.size(); ++i) {
        const QPoint p = GraphPixel(wnd, d.rawValues_[i], d.calibratedValues_[i]);
        EXPECT_TRUE(near(curveOnly, p, blue)) << name << " point " << i << " at " << p.x() << "," << p.y();
        EXPECT_EQ(withMarkers.pixelColor(p), red) << name << " point " << i;
    }
}

TEST_F(ReportDialog, CurveRunsThroughThePointsOfExactFits)
{
    CalibrationData pointToPoint = Record(7, {1, 2.3, 4, 5}, {10, 20, 0, 5});
    Open(pointToPoint);
    ExpectCurveThroughPoints(*Dialog().GraphWindow(), pointToPoint, "point to point");
    CalibrationData linear = Record(0, {-1, 0.5, 2, 3}, {-150, 75, 300, 450});
    Open(linear);
    ExpectCurveThroughPoints(*Dialog().GraphWindow(), linear, "linear");
}

int PixelsOf(const QImage& image, const QColor& colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += image.pixelColor(x, y) == colour;
    return n;
}

TEST_F(ReportDialog, CopiesDrawTheGridGreyAndTheScreenKeepsItsOwn)
{
    CalibrationData caller = ThreePoints();
    Open(caller);
    GUILib::CGraph2D* graph = Dialog().GraphWindow()->Graph();
    const QColor screenGrid(166, 202, 240), printGrid(128, 128, 128);
    EXPECT_GT(PixelsOf(graph->grab().toImage(), screenGrid), 100);
    const QImage copy = Tessar::ReportImage(Dialog());
    EXPECT_GT(PixelsOf(copy, printGrid), 100);
    EXPECT_EQ(PixelsOf(copy, screenGrid), 0);
    // The window's own look and scales are back.
    EXPECT_EQ(graph->GridColour(), screenGrid);
    const QImage after = graph->grab().toImage();
    EXPECT_GT(PixelsOf(after, screenGrid), 100);
    EXPECT_EQ(PixelsOf(after, printGrid), 0);
    ExpectCurveThroughPoints(*Dialog().GraphWindow(), caller, "after a copy");
}

// The graph draws the 95 % band as dashed curves on either side of the fitted line, and the
// strip below it each residual as a point on its side of the zero line.
TEST_F(ReportDialog, GraphShowsTheDashedBandAndEachResidualOnItsSideOfZero)
{
    const QColor band(90, 130, 255), curve(0, 0, 255), point(255, 0, 0), zero(96, 96, 96);
    CalibrationData noisy = Record(0, {0, 0.5, 1, 1.5}, {0.2, 49, 101.5, 149});
    Open(noisy);
    TessarWnd& wnd = *Dialog().GraphWindow();
    const QImage graph = wnd.Graph()->grab().toImage();
    // Along the points' raw range each edge of the band, one above the curve and one below
    // it, is there in most columns of pixels but not in all: dashed.
    int columns = 0, columnsAbove = 0, columnsBelow = 0;
    const int from = GraphPixel(wnd, 0, 0).x(), to = GraphPixel(wnd, 1.5, 0).x();
    for (int x = from; x <= to; ++x) {
        int curveRow = -1;
        for (int y = 0; y < graph.height() && curveRow < 0; ++y)
            if (graph.pixelColor(x, y) == curve) curveRow = y;
        if (curveRow < 0) continue;  // under a point's marker or number
        ++columns;
        bool above = false, below = false;
        for (int y = 0; y < graph.height(); ++y)
            if (graph.pixelColor(x, y) == band) (y < curveRow ? above : below) = true;
        columnsAbove += above;
        columnsBelow += below;
    }
    ASSERT_GT(columns, 100);
    for (const int n : {columnsAbove, columnsBelow}) {
        EXPECT_GT(n, columns / 2);
        EXPECT_LT(n, columns * 9 / 10) << "dashed";
    }

    const QImage strip = wnd.ResidualGraph()->grab().toImage();
    int zeroRow = -1, most = 0;
    for (int y = 0; y < strip.height(); ++y) {
        int n = 0;
        for (int x = 0; x < strip.width(); ++x) n += strip.pixelColor(x, y) == zero;
        if (n > most) most = n, zeroRow = y;
    }
    ASSERT_GT(most, strip.width() / 2) << "the zero line";
    const std::vector<double> residuals = Tessar::Residuals(noisy);
    ASSERT_EQ(residuals.size(), 4u);
    for (size_t i = 0; i < residuals.size(); ++i) {
        const int x = GraphPixel(wnd, noisy.rawValues_[i], 0).x();
        double sum = 0;
        int n = 0;
        for (int y = 0; y < strip.height(); ++y)
            if (strip.pixelColor(x, y) == point) sum += y, ++n;
        ASSERT_GT(n, 0) << "point " << i;
        EXPECT_EQ(sum / n < zeroRow, residuals[i] > 0) << "point " << i << " residual " << residuals[i];
    }

    // An exact fit has no band to draw.
    CalibrationData exact = ThreePoints();
    Open(exact);
    EXPECT_EQ(PixelsOf(Dialog().GraphWindow()->Graph()->grab().toImage(), band), 0);
}

// Weights 1/SD^2 are offered once a point keeps a standard deviation, and choosing them refits
// with each point weighed by 1/SD^2: checked against the weighted least-squares line worked out
// here in long double.
TEST_F(ReportDialog, WeightsRefitTheLineByTheInverseVariances)
{
    const std::vector<double> x{0, 1, 2, 3}, y{0.1, 2.3, 3.8, 6.4}, sd{0.1, 0.4, 0.2, 0.8};
    CalibrationData typed = Record(0, x, y);
    Open(typed);
    EXPECT_FALSE(Control<QComboBox>(317)->isEnabled()) << "no point keeps an SD";

    CalibrationData caller = Record(0, x, y);
    caller.provenance_.resize(4);
    for (size_t i = 0; i < 4; ++i) caller.provenance_[i] = {true, x[i], sd[i], 100, 0, 0, 100};
    Open(caller);
    QComboBox* weights = Control<QComboBox>(317);
    ASSERT_TRUE(weights->isEnabled());
    EXPECT_EQ(weights->itemText(1), QStringLiteral("1/SD\u00B2"));
    ChooseEntry(weights, 1);
    EXPECT_TRUE(messages_.empty());
    const CalibrationData& d = Dialog().WorkingData();
    EXPECT_EQ(d.weights_, 1);
    long double sw = 0, sx = 0, sy = 0;
    for (size_t i = 0; i < 4; ++i) {
        const long double w = 1.0L / (sd[i] * sd[i]);
        sw += w, sx += w * x[i], sy += w * y[i];
    }
    const long double mx = sx / sw, my = sy / sw;
    long double sxy = 0, sxx = 0;
    for (size_t i = 0; i < 4; ++i) {
        const long double w = 1.0L / (sd[i] * sd[i]);
        sxy += w * (x[i] - mx) * (y[i] - my), sxx += w * (x[i] - mx) * (x[i] - mx);
    }
    const long double slope = sxy / sxx, intercept = my - slope * mx;
    ASSERT_EQ(d.coefficients_.size(), 2u);
    EXPECT_NEAR(d.coefficients_[1], double(slope), 1e-12 * std::fabs(double(slope)));
    EXPECT_NEAR(d.coefficients_[0], double(intercept), 1e-12);
    EXPECT_GT(std::fabs(d.coefficients_[1] - caller.coefficients_[1]), 1e-3) << "differs from the unweighted line";

    // And back to none: the unweighted line again.
    ChooseEntry(weights, 0);
    EXPECT_EQ(Dialog().WorkingData().weights_, 0);
    EXPECT_NEAR(Dialog().WorkingData().coefficients_[1], caller.coefficients_[1], 1e-12);
}

}  // namespace
