#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "foundation/gui/text_format.h"

namespace {

using GUILib::TextFormat;

const QColor kCanvas(0, 160, 0);

QImage Canvas(int dpi, QSize size = QSize(200, 120))
{
    QImage image(size, QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    image.fill(kCanvas);
    return image;
}

// The bounding box of the pixels that are not the canvas colour.
QRect Inked(const QImage& image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) != kCanvas) box |= QRect(x, y, 1, 1);
    return box;
}

struct HeightCase {
    const char* name;
    int dpi;
    int points;
    qreal scale;  // of the painter's world transform
    int height;
};

class FontHeight : public testing::TestWithParam<HeightCase> {};

TEST_P(FontHeight, IsANegativeCharacterHeightInLogicalUnits)
{
    const HeightCase& c = GetParam();
    QImage image = Canvas(c.dpi);
    QPainter painter(&image);
    painter.scale(c.scale, c.scale);
    TextFormat format;
    format.SetupFont(QStringLiteral("Tahoma"), c.points, false, painter);
    EXPECT_EQ(format.font_.height_, c.height);
    EXPECT_EQ(format.CreateFont().pixelSize(), -c.height);
}

INSTANTIATE_TEST_SUITE_P(TextFormat, FontHeight,
                         testing::Values(HeightCase{"NinePointsAt96Dpi", 96, 9, 1.0, -12},
                                         HeightCase{"TenPointsTruncate", 96, 10, 1.0, -13},
                                         HeightCase{"PrinterResolution", 600, 9, 1.0, -75},
                                         HeightCase{"DoubledWorldTransform", 96, 9, 2.0, -6}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TextFormat, FontSetupCutsTheFaceNameAndTakesWeightAndRotation)
{
    QImage image = Canvas(96);
    QPainter painter(&image);
    TextFormat format;
    format.rotation_ = TextFormat::kRotateMinus90;
    format.SetupFont(QString(40, QLatin1Char('x')), 9, true, painter);
    EXPECT_EQ(format.font_.faceName_.size(), 32);
    EXPECT_EQ(format.font_.weight_, 700);
    EXPECT_EQ(format.font_.escapement_, -900);
    EXPECT_EQ(format.font_.orientation_, -900);
}

TEST(TextFormat, DefaultDrawsBlackOnOpaqueWindowColourAboveAndAroundThePoint)
{
    QImage image = Canvas(96);
    TextFormat format;
    EXPECT_EQ(format.alignment_, 14);
    EXPECT_EQ(format.backgroundMode_, TextFormat::kOpaque);
    EXPECT_EQ(format.textColour_, QColor(Qt::black));
    {
        QPainter painter(&image);
        format.SetupFont(QStringLiteral("MS Shell Dlg"), 9, false, painter);
        format.DrawAt(painter, QPoint(100, 60), QStringLiteral("Hg Hg"));
    }
    const QRect box = Inked(image);
    ASSERT_FALSE(box.isEmpty());
    // Bottom and centre: the cell ends just above the point and is centred on it.
    EXPECT_EQ(box.bottom(), 59);
    EXPECT_LE(std::abs((box.left() + box.right() + 1) / 2 - 100), 1);
    // The cell is filled: its corners carry the background colour, and some text is black.
    EXPECT_EQ(image.pixelColor(box.topLeft()), format.backgroundColour_);
    EXPECT_EQ(image.pixelColor(box.bottomRight()), format.backgroundColour_);
    bool dark = false;
    for (int x = box.left(); x <= box.right(); ++x)
        for (int y = box.top(); y <= box.bottom(); ++y) dark = dark || image.pixelColor(x, y).lightness() < 60;
    EXPECT_TRUE(dark);
}

TEST(TextFormat, TransparentLeftTopAlignedTextStartsAtThePoint)
{
    QImage image = Canvas(96);
    TextFormat format;
    format.backgroundMode_ = TextFormat::kTransparent;
    format.alignment_ = TextFormat::kAlignLeft | TextFormat::kAlignTop;
    {
        QPainter painter(&image);
        format.SetupFont(QStringLiteral("MS Shell Dlg"), 12, false, painter);
        format.DrawAt(painter, QPoint(20, 30), QStringLiteral("HHHH"));
    }
    const QRect box = Inked(image);
    ASSERT_FALSE(box.isEmpty());
    EXPECT_GE(box.left(), 20);
    EXPECT_LE(box.left(), 23);
    EXPECT_GE(box.top(), 30);
    // Only the glyphs were drawn: the canvas shows between the letters.
    int canvasInside = 0;
    for (int x = box.left(); x <= box.right(); ++x) canvasInside += image.pixelColor(x, box.center().y()) == kCanvas;
    EXPECT_GT(canvasInside, 0);
}

TEST(TextFormat, RotationTurnsTheText)
{
    for (int rotation : {TextFormat::kRotate90, TextFormat::kRotateMinus90}) {
        QImage image = Canvas(96, QSize(200, 200));
        TextFormat format;
        format.rotation_ = rotation;
        {
            QPainter painter(&image);
            format.SetupFont(QStringLiteral("MS Shell Dlg"), 9, false, painter);
            format.DrawAt(painter, QPoint(100, 100), QStringLiteral("HHHHHHHH"));
        }
        const QRect box = Inked(image);
        EXPECT_GT(box.height(), 2 * box.width()) << rotation;
        // Bottom alignment along the turned baseline: 90 degrees puts the text left of the
        // point, -90 degrees right of it.
        if (rotation == TextFormat::kRotate90)
            EXPECT_EQ(box.right(), 99);
        else
            EXPECT_EQ(box.left(), 100);
    }
}

TEST(TextFormat, DrawInRectCutsWithAnEllipsisInsideTheRect)
{
    QImage image = Canvas(96);
    const QRect rect(10, 10, 80, 30);
    TextFormat format;
    {
        QPainter painter(&image);
        format.SetupFont(QStringLiteral("MS Shell Dlg"), 9, false, painter);
        const QString shown = format.FitToWidth(painter, QStringLiteral("A rather long axis title"), rect.width());
        EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
        EXPECT_EQ(format.FitToWidth(painter, QStringLiteral("V"), rect.width()), QStringLiteral("V"));
        format.DrawInRect(painter, rect, QStringLiteral("A rather long axis title"));
    }
    const QRect box = Inked(image);
    ASSERT_FALSE(box.isEmpty());
    EXPECT_TRUE(rect.contains(box));
    EXPECT_EQ(box.bottom(), rect.bottom());  // on the bottom of the rect
}

}  // namespace
