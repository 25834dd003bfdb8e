// The scale's value-to-pixel map and the range arithmetic of dragging it.
#include <gtest/gtest.h>

#include <limits>

#include "host/zor/gui/scale_map.h"

namespace {

using Zor::ScaleMap;
using Zor::ScaleRange;
using Zone = Zor::ScaleMap::Zone;

TEST(ScaleMap, VerticalPutsUpperOnTheFirstRow)
{
    const ScaleMap map(true, ScaleRange{10.0, 0.0}, 100.0);
    EXPECT_DOUBLE_EQ(map.ValueToPixel(10.0), 0.0);
    EXPECT_DOUBLE_EQ(map.ValueToPixel(0.0), 100.0);
    EXPECT_DOUBLE_EQ(map.PixelToValue(25.0), 7.5);
    // pixel = factor * (offset + v), the pair a pane uses for its rows.
    for (double v : {-3.0, 0.0, 2.5, 10.0, 17.0})
        EXPECT_DOUBLE_EQ(map.Factor() * (map.Offset() + v), map.ValueToPixel(v)) << v;
    EXPECT_DOUBLE_EQ(map.Factor(), -10.0);
    EXPECT_DOUBLE_EQ(map.Offset(), -10.0);
}

TEST(ScaleMap, HorizontalPutsLowerOnTheFirstColumn)
{
    const ScaleMap map(false, ScaleRange{5.0, -5.0}, 200.0);
    EXPECT_DOUBLE_EQ(map.ValueToPixel(-5.0), 0.0);
    EXPECT_DOUBLE_EQ(map.ValueToPixel(5.0), 200.0);
    EXPECT_DOUBLE_EQ(map.Factor(), 20.0);
    EXPECT_DOUBLE_EQ(map.Offset(), 5.0);
    EXPECT_DOUBLE_EQ(map.PixelToValue(150.0), 2.5);
}

TEST(ScaleMap, ZeroLengthAxisReadsAsItsFirstEnd)
{
    const ScaleMap map(true, ScaleRange{4.0, 2.0}, 0.0);
    EXPECT_DOUBLE_EQ(map.PixelToValue(12.0), 4.0);
    EXPECT_DOUBLE_EQ(map.Offset(), -4.0);
    EXPECT_FALSE(map.Moved(3.0, 1.0).has_value());
    EXPECT_FALSE(map.Stretched(Zone::FirstEnd, 3.0, 1.0).has_value());
}

TEST(ScaleMap, OnlyResolvableRangesAreAccepted)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct {
        const char* name;
        ScaleRange range;
        bool valid;
    } cases[] = {{"plain", {1, 0}, true},
                 {"negative", {-1, -2}, true},
                 {"tiny near zero", {1e-21, -1e-21}, true},
                 {"equal", {3, 3}, false},
                 {"reversed", {0, 1}, false},
                 {"nan", {nan, 0}, false},
                 {"infinite", {inf, 0}, false},
                 {"span overflows", {1.7e308, -1.7e308}, false},
                 {"below resolution", {1000 + 1e-10, 1000}, false},
                 {"just resolvable", {1000 + 1e-8, 1000}, true}};
    for (const auto& c : cases) {
        EXPECT_EQ(ScaleMap::IsValidRange(c.range), c.valid) << c.name;
        ScaleMap map(true, ScaleRange{1, 0}, 10);
        EXPECT_EQ(map.SetRange(c.range), c.valid) << c.name;
        EXPECT_EQ(map.Range(), c.valid ? c.range : (ScaleRange{1, 0})) << c.name;
    }
}

TEST(ScaleMap, ZonesAreTheOuterQuartersAndTheMiddle)
{
    const ScaleMap map(true, ScaleRange{1, 0}, 100);
    EXPECT_EQ(map.ZoneAt(0), Zone::FirstEnd);
    EXPECT_EQ(map.ZoneAt(24.9), Zone::FirstEnd);
    EXPECT_EQ(map.ZoneAt(25), Zone::Middle);
    EXPECT_EQ(map.ZoneAt(75), Zone::Middle);
    EXPECT_EQ(map.ZoneAt(75.1), Zone::SecondEnd);
    EXPECT_EQ(map.ZoneAt(-5), Zone::FirstEnd);
}

TEST(ScaleMap, MovingKeepsTheSpanAndBringsTheGrabbedValueUnderThePointer)
{
    const ScaleMap vertical(true, ScaleRange{10, 0}, 100);
    // Value 5 was grabbed at row 50; the pointer is now 10 rows lower.
    const auto moved = vertical.Moved(5.0, 60.0);
    ASSERT_TRUE(moved.has_value());
    EXPECT_DOUBLE_EQ(moved->upper, 11.0);
    EXPECT_DOUBLE_EQ(moved->lower, 1.0);

    const ScaleMap horizontal(false, ScaleRange{10, 0}, 100);
    const auto right = horizontal.Moved(5.0, 60.0);
    ASSERT_TRUE(right.has_value());
    EXPECT_DOUBLE_EQ(right->upper, 9.0);
    EXPECT_DOUBLE_EQ(right->lower, -1.0);
}

TEST(ScaleMap, StretchingKeepsTheOtherEndAndBringsTheGrabbedValueUnderThePointer)
{
    struct {
        const char* name;
        bool vertical;
        Zone end;
        double grabbed, pixel;
        ScaleRange expected;
    } cases[] = {
        // Vertical, top end: lower 0 stays on row 100; 9 moves from row 10 to row 20.
        {"vertical top", true, Zone::FirstEnd, 9.0, 20.0, {11.25, 0.0}},
        // Vertical, bottom end: upper 10 stays on row 0; 1 moves from row 90 to row 45.
        {"vertical bottom", true, Zone::SecondEnd, 1.0, 45.0, {10.0, -10.0}},
        // Horizontal, right end: lower 0 stays at column 0; 8 moves from column 80 to 40.
        {"horizontal right", false, Zone::SecondEnd, 8.0, 40.0, {20.0, 0.0}},
        // Dragged past the fixed end: held 4 pixels short of it (row 96), never turned over.
        {"held short of the fixed end", true, Zone::FirstEnd, 9.0, 250.0, {225.0, 0.0}},
    };
    for (const auto& c : cases) {
        const ScaleMap map(c.vertical, ScaleRange{10, 0}, 100);
        const auto stretched = map.Stretched(c.end, c.grabbed, c.pixel);
        ASSERT_TRUE(stretched.has_value()) << c.name;
        EXPECT_NEAR(stretched->upper, c.expected.upper, 1e-12) << c.name;
        EXPECT_NEAR(stretched->lower, c.expected.lower, 1e-12) << c.name;
    }
    const ScaleMap map(true, ScaleRange{10, 0}, 100);
    EXPECT_FALSE(map.Stretched(Zone::Middle, 5.0, 50.0).has_value());
    EXPECT_FALSE(map.Stretched(Zone::FirstEnd, 9.0, std::numeric_limits<double>::quiet_NaN()).has_value());
}

}  // namespace
