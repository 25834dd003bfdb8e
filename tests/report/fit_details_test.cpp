// The "Calibration Fit Details" block: its lines for each kind of fit, and its drawing: the
// 1.2 pitch, the frame around the lines, and texts that run on past the block's edge.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include "calibration/calibration_data.h"
#include "foundation/gui/text_format.h"
#include "report/fit_details.h"
#include "tests/support/gui_test_util.h"

namespace {

using Tessar::CalibrationData;

CalibrationData Record(int32_t kind, std::vector<double> coefficients, bool forceOrigin = false)
{
    CalibrationData d;
    d.fitKind_ = kind;
    d.forceOrigin_ = forceOrigin;
    d.coefficients_ = std::move(coefficients);
    d.rawValues_ = {0, 1, 2};
    d.calibratedValues_ = {1, 3.5, 6};
    d.chiSquare_ = 0.5;
    d.sse_ = 0.25;
    return d;
}

std::vector<std::u16string> Lines(const CalibrationData& d)
{
    std::vector<std::u16string> out;
    for (const KVI::String& s : Tessar::FitDetailsLines(d, KVI::UnitInfo::Empty())) out.emplace_back(s.View());
    return out;
}

TEST(FitDetails, LinesOfEachKindOfFit)
{
    struct Case {
        const char* name;
        CalibrationData data;
        std::vector<std::u16string> lines;
    };
    const Case cases[] = {
        {"linear",
         Record(0, {1, 2.5}),
         {u"Calibration Fit Details", u"Linear : y = 2.5x + 1", u"Chi\u00B2 = 0.5", u"SSE = 0.25", u"r\u00B2 = 1"}},
        {"linear through the origin: no r\u00B2",
         Record(0, {0, 2.5}, true),
         {u"Calibration Fit Details", u"Linear : y = 2.5x + 0", u"Chi\u00B2 = 0.5", u"SSE = 0.25"}},
        {"quadratic",
         Record(1, {3, 0, 1}),
         {u"Calibration Fit Details", u"2nd order polynomial (Quadratic) : y = 1x^2 + 0x + 3", u"Chi\u00B2 = 0.5",
          u"SSE = 0.25"}},
        {"point to point: two lines",
         Record(7, {0, 1, 2, 6}),
         {u"Calibration Fit Details", u"Point to Point : y = Linear interpolation between calibration points"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Lines(c.data), c.lines) << c.name;

    CalibrationData big = Record(6, {-0.3, 2});
    big.chiSquare_ = 1250000;
    big.sse_ = 0.0001;
    EXPECT_EQ(Lines(big)[1], u"Exponential : y = 2 exp( - 0.3x)");
    EXPECT_EQ(Lines(big)[2], u"Chi\u00B2 = 1.25e+06");
    EXPECT_EQ(Lines(big)[3], u"SSE = 0.0001");
}

// The block's pitch on a 96-dpi image: 1.2 x the height of "Tahoma" 8 points there.
double Pitch()
{
    QImage probe(1, 1, QImage::Format_RGB32);
    probe.setDotsPerMeterY(3780);
    QPainter painter(&probe);
    GUILib::TextFormat format;
    format.SetupFont(QStringLiteral("Tahoma"), 8, false, painter);
    return 1.2 * QFontMetrics(format.CreateFont(), &probe).height();
}

QImage Canvas(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    image.fill(Qt::white);
    return image;
}

bool Black(const QImage& image, int x, int y) { return image.pixelColor(x, y) == QColor(Qt::black); }

// Rows of the image between y0 and y1 (exclusive) that hold ink inside the frame.
int InkedRows(const QImage& image, int left, int right, int y0, int y1)
{
    int rows = 0;
    for (int y = y0; y < y1; ++y) {
        bool ink = false;
        for (int x = left; x < right && !ink; ++x) ink = qGray(image.pixel(x, y)) < 128;
        rows += ink;
    }
    return rows;
}

TEST(FitDetails, PointToPointDrawsTwoLinesInAFrameThatStartsOnePitchDown)
{
    QImage image = Canvas(QSize(500, 160));
    const QRect rect(20, 10, 400, 140);
    // Its two points: too few to compare fit kinds, so no advice line follows.
    CalibrationData table = Record(7, {0, 1, 2, 6});
    table.rawValues_ = {0, 2};
    table.calibratedValues_ = {1, 6};
    QRect frame;
    {
        QPainter painter(&image);
        frame = Tessar::DrawFitDetails(table, KVI::UnitInfo::Empty(), painter, rect);
    }
    const double pitch = Pitch();
    const int top = int(std::trunc(10 + pitch));
    const int second = int(std::trunc(top + pitch));
    const int end = int(std::trunc(second + pitch));
    EXPECT_EQ(frame, QRect(QPoint(20, top), QPoint(419, end - 1)));

    for (int x = 20; x < 420; ++x) {
        EXPECT_TRUE(Black(image, x, top)) << x;
        EXPECT_TRUE(Black(image, x, end - 1)) << x;
    }
    for (int y = top; y < end; ++y) {
        EXPECT_TRUE(Black(image, 20, y)) << y;
        EXPECT_TRUE(Black(image, 419, y)) << y;
    }
    // Ink in both lines, none outside the frame.
    EXPECT_GT(InkedRows(image, 22, 418, top + 1, second), 0);
    EXPECT_GT(InkedRows(image, 22, 418, second, end - 1), 0);
    EXPECT_EQ(InkedRows(image, 0, 500, 0, top), 0);
    EXPECT_EQ(InkedRows(image, 0, 500, end, 160), 0);
}

TEST(FitDetails, TheFrameGrowsByOnePitchALine)
{
    const double pitch = Pitch();
    for (const CalibrationData& data : {Record(0, {1, 2.5}), Record(0, {0, 2.5}, true), Record(3, {1, 1, 1, 1, 1})}) {
        const int lines = int(Tessar::ReportDetailsLines(data, KVI::UnitInfo::Empty()).size());
        QImage image = Canvas(QSize(400, 200));
        QRect frame;
        {
            QPainter painter(&image);
            frame = Tessar::DrawFitDetails(data, KVI::UnitInfo::Empty(), painter, QRect(0, 0, 400, 200));
        }
        int y = int(std::trunc(pitch));
        for (int i = 0; i < lines; ++i) y = int(std::trunc(y + pitch));
        EXPECT_EQ(frame.bottom(), y - 1) << lines;
        EXPECT_TRUE(Black(image, 200, y - 1));
    }
}

TEST(FitDetails, TextsAreNeitherClippedNorWrapped)
{
    QImage image = Canvas(QSize(400, 100));
    const QRect rect(0, 0, 80, 100);
    {
        QPainter painter(&image);
        Tessar::DrawFitDetails(Record(4, {1.5, -2.25, 3.125, -4.0625, 5.03125, -6.015625}), KVI::UnitInfo::Empty(),
                               painter, rect);
    }
    const int top = int(std::trunc(Pitch()));
    const int second = int(std::trunc(top + Pitch()));
    // The equation's line runs on to the right of the block, on one line: the short lines
    // below it (chi-square and SSE) have no ink there.
    EXPECT_GT(InkedRows(image, 100, 400, second, int(second + Pitch())), 0);
    EXPECT_EQ(InkedRows(image, 100, 400, int(second + Pitch()), int(second + 3 * Pitch())), 0);
}

TEST(FitDetails, Screenshot)
{
    QImage image = Canvas(QSize(360, 110));
    {
        QPainter painter(&image);
        Tessar::DrawFitDetails(Record(0, {1, 2.5}), KVI::UnitInfo::Empty(), painter, QRect(4, 0, 352, 110));
    }
    EXPECT_TRUE(image.save(TestSupport::TestOutputPath(QStringLiteral("fit_details.png"))));
}

}  // namespace
