// Helpers of the render tests of the table grid and the graph: a tabulated data source filled
// with named columns, canvases at a known resolution, and counting the ink in a rectangle.
#pragma once

#include <string>
#include <vector>

#include <QColor>
#include <QImage>
#include <QRect>

#include "foundation/kvi_string.h"
#include "guilib/table/tabulated_data.h"
#include "platform/com_ptr.h"

namespace RenderTest {

// A table with one column per entry of values, named by names (missing names are empty).
inline platform::ComPtr<GUILib::CTabulatedData> MakeTable(const std::vector<std::u16string>& names,
                                                         const std::vector<std::vector<float>>& values)
{
    platform::ComPtr<GUILib::CTabulatedData> table(new GUILib::CTabulatedData());
    for (size_t c = 0; c < values.size(); ++c) {
        const KVI::String name(c < names.size() ? names[c] : std::u16string());
        table->AddColumn(name.Interface(), nullptr);
        for (float v : values[c]) table->AppendValue(int32_t(c), v);
    }
    return table;
}

// An RGB image of the size filled with colour, at 96 dots per inch.
inline QImage Canvas(QSize size, const QColor& colour = Qt::white)
{
    QImage image(size, QImage::Format_RGB32);
    image.setDotsPerMeterX(3780);  // 96 dpi
    image.setDotsPerMeterY(3780);
    image.fill(colour);
    return image;
}

inline bool IsDark(const QImage& image, int x, int y)
{
    return qGray(image.pixel(x, y)) < 128;
}

// Dark pixels in rect (cut to the image).
inline int DarkPixels(const QImage& image, const QRect& rect)
{
    const QRect r = rect & image.rect();
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) n += IsDark(image, x, y);
    return n;
}

// Pixels of exactly colour in rect (cut to the image).
inline int PixelsOf(const QImage& image, const QRect& rect, const QColor& colour)
{
    const QRect r = rect & image.rect();
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) n += image.pixelColor(x, y) == colour;
    return n;
}

}  // namespace RenderTest
