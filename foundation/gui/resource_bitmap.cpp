#include "foundation/gui/resource_bitmap.h"

#include <QString>

// Q_INIT_RESOURCE names a function outside any namespace.
static void InitTessarResources()
{
    // The resources live in a static library: naming their registration function here links
    // them into every binary that loads a bitmap.
    Q_INIT_RESOURCE(tessar);
}

namespace KVI {
namespace {

void EnsureResources()
{
    static const bool done = [] {
        InitTessarResources();
        return true;
    }();
    (void)done;
}

QString BitmapPath(int id)
{
    return QStringLiteral(":/tessar/bitmaps/%1.png").arg(id);
}

}  // namespace

QImage LoadBitmapImage(int id)
{
    EnsureResources();
    return QImage(BitmapPath(id));
}

QPixmap LoadBitmap(int id)
{
    EnsureResources();
    return QPixmap(BitmapPath(id));
}

QPixmap LoadKeyedBitmap(int id)
{
    QImage image = LoadBitmapImage(id);
    if (image.isNull()) return QPixmap();
    image = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (row[x] == key) row[x] = qRgba(0, 0, 0, 0);
    }
    return QPixmap::fromImage(image);
}

}  // namespace KVI
