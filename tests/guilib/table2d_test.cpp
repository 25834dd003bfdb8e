// The table grid drawn into images: column boundaries, row pitch and frame, the heading and
// value rows from a record-data source or the table's own columns, bold highlights, rows that
// do not fit, and the numbers' format.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include "foundation/gui/text_format.h"
#include "guilib/table/table2d.h"
#include "tests/guilib/render_fixtures.h"
#include "tests/support/gui_test_util.h"

namespace {

using GUILib::Table2D;
using GUILib::TableColumns;
using GUILib::TableData;
using RenderTest::Canvas;
using RenderTest::DarkPixels;
using RenderTest::IsDark;
using RenderTest::MakeTable;

QImage Render(Table2D& table, QSize canvas, const QRect& rect, bool erase = true, const QColor& fill = Qt::white)
{
    QImage image = Canvas(canvas, fill);
    QPainter painter(&image);
    table.Paint(painter, erase, rect);
    return image;
}

// The ink inside a cell of the last paint: row g of the column that spans x .. x + w, without
// its grid lines.
int CellInk(const QImage& image, const Table2D& table, int x, int w, int g)
{
    const int h = table.RowHeight();
    return DarkPixels(image, QRect(x + 2, g * h + 2, w - 3, h - 2));
}

struct BoundaryCase {
    const char* name;
    std::vector<float> fractions;
    int width;
    std::vector<int> lines;  // x of every vertical line, the frame's right edge included
};

class ColumnBoundaries : public testing::TestWithParam<BoundaryCase> {};

TEST_P(ColumnBoundaries, LieAtTheFloorOfEachFractionOfTheFrameWidth)
{
    const BoundaryCase& c = GetParam();
    Table2D table;
    table.SetColumnCount(int32_t(c.fractions.size()));
    for (size_t i = 0; i < c.fractions.size(); ++i) table.SetColumnFraction(int32_t(i), c.fractions[i]);
    table.SetFramedRows(4);
    const QImage image = Render(table, QSize(c.width + 20, 200), QRect(0, 0, c.width, 200));
    const int h = table.RowHeight();
    ASSERT_GT(h, 0);

    // Scan the middle of a value row: only the column boundaries are inked.
    std::vector<int> found;
    for (int x = 0; x < image.width(); ++x)
        if (IsDark(image, x, h + h / 2)) found.push_back(x);
    EXPECT_EQ(found, c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Table2D, ColumnBoundaries,
    testing::Values(BoundaryCase{"ThreeEqualColumnsOf301", {1.0f / 3, 1.0f / 3, 1.0f / 3}, 301, {0, 100, 200, 300}},
                    BoundaryCase{"ReportFractions", {0.15f, 0.425f, 0.425f}, 301, {0, 45, 172, 300}},
                    BoundaryCase{"FractionsBeyondTheWidth", {0.6f, 0.6f, 0.6f}, 100, {0, 60, 99}},
                    BoundaryCase{"NotANumberIsAnEmptyColumn",
                                 {0.5f, std::numeric_limits<float>::quiet_NaN(), 0.25f},
                                 100,
                                 {0, 50, 99}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Table2D, RowsAreTwelveTenthsOfTheFontHeightAndTheFrameEnclosesTheFramedRows)
{
    Table2D table;
    table.SetFramedRows(3);
    const QImage image = Render(table, QSize(120, 200), QRect(0, 0, 100, 200));

    GUILib::TextFormat format;
    {
        QImage probe = Canvas(QSize(1, 1));
        QPainter painter(&probe);
        format.SetupFont(QStringLiteral("Tahoma"), 9, false, painter);
    }
    const int h = int(QFontMetrics(format.CreateFont()).height() * 1.2);
    EXPECT_EQ(table.RowHeight(), h);

    // Boundaries 0 .. 3 across the frame, nothing below the frame's bottom line.
    for (int j = 0; j <= 3; ++j) EXPECT_EQ(DarkPixels(image, QRect(0, j * h, 100, 1)), 100) << j;
    EXPECT_EQ(DarkPixels(image, QRect(0, 3 * h + 1, 120, 200)), 0);
    EXPECT_EQ(DarkPixels(image, QRect(1, 1, 48, h - 1)), 0);
}

TEST(Table2D, ShowsEachColumnOfTheSourceUnderItsHeadingAsFarAsItGoes)
{
    auto source = MakeTable({u"first", u"second"}, {{1, 2}, {1, 2, 3, 4, 5}});
    Table2D table;
    table.SetFramedRows(8);
    table.SetData(source.Get());
    const QImage image = Render(table, QSize(200, 220), QRect(0, 0, 200, 220));

    for (int g = 0; g <= 6; ++g) {
        EXPECT_EQ(CellInk(image, table, 0, 100, g) > 0, g <= 2) << "first column, row " << g;
        EXPECT_EQ(CellInk(image, table, 100, 100, g) > 0, g <= 5) << "second column, row " << g;
    }
}

TEST(Table2D, HighlightedRowAndColumnAreBold)
{
    auto source = MakeTable({u"n", u"v"}, {{8.88f, 8.88f, 8.88f, 8.88f}, {8.88f, 8.88f, 8.88f, 8.88f}});
    Table2D table;
    table.SetFramedRows(6);
    table.SetData(source.Get());
    const QImage plain = Render(table, QSize(200, 200), QRect(0, 0, 200, 200));

    table.SetHighlightedRows({3});
    const QImage row = Render(table, QSize(200, 200), QRect(0, 0, 200, 200));
    for (int x : {0, 100}) {
        EXPECT_GT(CellInk(row, table, x, 100, 3), CellInk(row, table, x, 100, 2)) << x;
        EXPECT_EQ(CellInk(row, table, x, 100, 2), CellInk(plain, table, x, 100, 2)) << x;
        EXPECT_EQ(CellInk(row, table, x, 100, 4), CellInk(plain, table, x, 100, 4)) << x;
    }

    table.ClearHighlights();
    table.SetHighlightedColumns({1});
    const QImage column = Render(table, QSize(200, 200), QRect(0, 0, 200, 200));
    for (int g = 1; g <= 4; ++g) {
        EXPECT_EQ(CellInk(column, table, 0, 100, g), CellInk(plain, table, 0, 100, g)) << g;
        EXPECT_GT(CellInk(column, table, 100, 100, g), CellInk(plain, table, 100, 100, g)) << g;
    }
}

TEST(Table2D, RowsThatDoNotFitAreNotDrawnAndTheFrameRunsOnBelow)
{
    auto source = MakeTable({u"x"}, {{1, 2, 3}});
    Table2D table;
    table.SetColumnCount(1);
    table.SetFramedRows(14);
    table.SetData(source.Get());
    // Measure the row height first, then paint a rectangle that holds the heading and half a
    // value row, on a taller canvas.
    Render(table, QSize(10, 10), QRect(0, 0, 10, 10));
    const int h = table.RowHeight();
    const QRect rect(0, 0, 100, h + h / 2);
    const QImage image = Render(table, QSize(100, 3 * h), rect);

    EXPECT_GT(CellInk(image, table, 0, 100, 0), 0);
    EXPECT_EQ(DarkPixels(image, QRect(2, h + 1, 96, rect.height() - h - 1)), 0) << "half a row is not drawn";
    EXPECT_EQ(DarkPixels(image, QRect(0, rect.height(), 100, 2 * h)), 0) << "nothing below the rectangle";
    // The frame's sides reach the rectangle's last row, and there is no bottom line there.
    EXPECT_TRUE(IsDark(image, 0, rect.height() - 1));
    EXPECT_TRUE(IsDark(image, 99, rect.height() - 1));
    EXPECT_FALSE(IsDark(image, 50, rect.height() - 1));

    // However many rows the frame holds, only those in the rectangle cost anything.
    table.SetFramedRows(std::numeric_limits<int32_t>::max());
    EXPECT_EQ(Render(table, QSize(100, 3 * h), rect), image);
}

TEST(Table2D, OwnColumnsAreShownWithoutASourceAndDroppedBySetData)
{
    Table2D table;
    TableColumns own;
    own.names_ = {KVI::String(u"a")};
    own.values_ = {{1.5f, 2.5f}};
    table.SetOwnColumns(own);
    table.SetFramedRows(4);
    QImage image = Render(table, QSize(200, 120), QRect(0, 0, 200, 120));
    EXPECT_GT(CellInk(image, table, 0, 100, 2), 0);

    table.SetData(nullptr);
    image = Render(table, QSize(200, 120), QRect(0, 0, 200, 120));
    EXPECT_EQ(CellInk(image, table, 0, 100, 0), 0);
    EXPECT_EQ(CellInk(image, table, 0, 100, 2), 0);
}

TEST(Table2D, LongTextsStayInsideTheirCellsAndLeaveTheGridLines)
{
    auto source = MakeTable({u"A heading far too long for its narrow column", u"Another far too long heading"},
                            {{123456789.0f}, {-0.000123456f}});
    Table2D table;
    table.SetFramedRows(3);
    table.SetData(source.Get());
    const QImage image = Render(table, QSize(120, 100), QRect(0, 0, 100, 100));
    const int h = table.RowHeight();
    for (int g = 0; g <= 1; ++g) {
        EXPECT_GT(CellInk(image, table, 0, 50, g), 0) << g;
        for (int y = g * h; y < (g + 1) * h; ++y) {
            EXPECT_TRUE(IsDark(image, 0, y));
            EXPECT_TRUE(IsDark(image, 50, y)) << "the boundary between the columns, row " << y;
            EXPECT_TRUE(IsDark(image, 99, y));
        }
    }
    EXPECT_EQ(DarkPixels(image, QRect(100, 0, 20, 100)), 0);
}

// A table of more rows than its font lets fit gets a smaller font at which every row is
// framed and written inside the rectangle; a roomy rectangle keeps the table's own size, and
// one too small for any size gets the least.
TEST(Table2D, FittingPointSizeFramesEveryRowOfALongTable)
{
    std::vector<float> numbers, values;
    for (int i = 1; i <= 20; ++i) {
        numbers.push_back(float(i));
        values.push_back(-0.0265616f * float(i));
    }
    auto source = MakeTable({u"n", u"Residual"}, {numbers, values});
    Table2D table;
    table.SetData(source.Get());
    table.SetColumnCount(2);
    table.SetColumnFraction(0, 0.3f);
    table.SetColumnFraction(1, 0.7f);
    const int32_t rows = 21;
    const QSize size(160, 200);
    QImage image = Canvas(QSize(180, 220));
    int points = 0;
    {
        QPainter painter(&image);
        points = table.FittingPointSize(painter, size, rows, 4);
        EXPECT_EQ(table.FittingPointSize(painter, QSize(1000, 1000), rows, 4), table.pointSize_);
        EXPECT_EQ(table.FittingPointSize(painter, QSize(10, 10), rows, 4), 4);
    }
    ASSERT_LT(points, table.pointSize_) << "twenty rows do not fit at the table's own size";
    ASSERT_GT(points, 4);
    table.pointSize_ = int16_t(points);
    table.SetFramedRows(rows);
    image = Render(table, QSize(180, 220), QRect(QPoint(0, 0), size));
    const int h = table.RowHeight();
    EXPECT_LE(h * rows + 1, size.height());
    for (int g = 1; g < rows; ++g) {
        EXPECT_GT(CellInk(image, table, 0, 48, g), 0) << "row " << g;
        EXPECT_GT(CellInk(image, table, 48, 112, g), 0) << "row " << g;
    }
    // The frame's bottom line is drawn, inside the rectangle.
    EXPECT_EQ(DarkPixels(image, QRect(0, rows * h, 160, 1)), 160);
}

TEST(Table2D, EraseDecidesWhetherTheBackgroundIsFilled)
{
    Table2D table;
    table.SetFramedRows(2);
    const QColor green(0, 160, 0);
    const QImage kept = Render(table, QSize(100, 100), QRect(0, 0, 100, 100), false, green);
    EXPECT_EQ(kept.pixelColor(25, 70), green);
    const QImage erased = Render(table, QSize(100, 100), QRect(0, 0, 100, 100), true, green);
    EXPECT_EQ(erased.pixelColor(25, 70), GUILib::TextFormat().backgroundColour_);
}

TEST(Table2D, HoldsOneReferenceOnItsSource)
{
    auto source = MakeTable({}, {{1}});
    auto refs = [&] {
        source->AddRef();
        return source->Release();
    };
    const uint32_t before = refs();
    {
        Table2D table;
        table.SetData(source.Get());
        EXPECT_EQ(refs(), before + 1);
        table.SetData(source.Get());
        EXPECT_EQ(refs(), before + 1);
    }
    EXPECT_EQ(refs(), before);
}

TEST(Table2D, SetColumnCountRefusesNegativeAndAbsurdCounts)
{
    Table2D table;
    EXPECT_EQ(table.ColumnCount(), 2);
    EXPECT_FALSE(table.SetColumnCount(-1));
    EXPECT_FALSE(table.SetColumnCount(Table2D::kMaxColumns + 1));
    EXPECT_EQ(table.ColumnFractions(), std::vector<float>({0.5f, 0.5f}));
    EXPECT_FALSE(table.SetColumnFraction(2, 0.1f));
    EXPECT_TRUE(table.SetColumnCount(4));
    EXPECT_EQ(table.ColumnFractions(), std::vector<float>(4, 0.25f));
}

TEST(TableData, ValuesHaveSixSignificantDigits)
{
    const struct {
        float value;
        const char* text;
    } cases[] = {
        {0.1f, "0.1"},        {2.0f / 3.0f, "0.666667"}, {1250000.0f, "1.25e+06"}, {0.0001f, "0.0001"},
        {100.0f, "100"},      {-2.5f, "-2.5"},           {123456789.0f, "1.23457e+08"},
        {std::numeric_limits<float>::quiet_NaN(), ""},  // no value: an empty cell
    };
    for (const auto& c : cases) EXPECT_EQ(TableData::FormatValue(c.value).toStdString(), c.text) << c.text;
}

TEST(TableData, ReadsEveryValueOfEveryChannelWhateverTheBatchSize)
{
    std::vector<float> long_column(40);
    for (size_t i = 0; i < long_column.size(); ++i) long_column[i] = float(i) * 0.5f;
    auto source = MakeTable({u"long", u"empty", u"one"}, {long_column, {}, {7}});
    std::vector<float> fractions;
    GUILib::Graticule rows;
    TableData cells(&fractions, &rows);
    cells.ReadColumns(source.Get());
    ASSERT_EQ(cells.Columns().Count(), 3u);
    EXPECT_EQ(cells.Columns().values_[0], long_column);
    EXPECT_TRUE(cells.Columns().values_[1].empty());
    EXPECT_EQ(cells.Columns().values_[2], std::vector<float>({7}));
    EXPECT_EQ(cells.Columns().names_[1], KVI::String(u"empty"));
}

TEST(Table2D, Screenshot)
{
    auto source = MakeTable({u"", u"V", u"mmHg"}, {{1, 2, 3, 4}, {0, 0.5f, 1, 2.0f / 3}, {0, 50, 100, 0}});
    Table2D table;
    table.SetColumnCount(3);
    table.SetColumnFraction(0, 0.15f);
    table.SetColumnFraction(1, 0.425f);
    table.SetColumnFraction(2, 0.425f);
    table.SetFramedRows(14);
    table.SetHighlightedRows({4});
    table.SetData(source.Get());
    const QImage image = Render(table, QSize(240, 280), QRect(0, 0, 240, 280));
    EXPECT_TRUE(image.save(TestSupport::TestOutputPath(QStringLiteral("table2d.png"))));
}

}  // namespace
