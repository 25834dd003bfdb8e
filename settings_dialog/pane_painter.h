// Tessar::PanePainter: draws the selection pane (unit_convert_data_pane.h) into any painter, so
// the same routine serves the pane's paint event, images in tests and pictures.
#pragma once

#include <cstdint>
#include <span>

#include <QColor>
#include <QRect>
#include <QString>

#include "settings_dialog/data_scaling.h"

class QPainter;

namespace Tessar {

// What the pane shows.
struct PaneContent {
    // 0: no selection; 2: a selection without data; 3: the data. Any other value draws as 0.
    int32_t state = 0;
    std::span<const float> samples;  // the displayed values
    const DataScaling* scaling = nullptr;
    QColor trace = Qt::red;
    QColor buttonFace = QColor(240, 240, 240);  // the system's button face
    QString noDataText;                        // the text of state 2
    double current = 0.0;
    double maximum = 0.0;
    double minimum = 0.0;
};

class PanePainter {
public:
    // The states.
    static constexpr int32_t kNoSelection = 0;
    static constexpr int32_t kNoData = 2;
    static constexpr int32_t kData = 3;

    // The face of the text of state 2 ("MS Shell Dlg", substituted as the dialogs' fonts are)
    // and its size in points.
    static constexpr const char* kNoDataFont = "MS Shell Dlg";
    static constexpr int kNoDataPoints = 10;

    // Draws the pane as its state says into rect (the pane's client area in the painter's
    // coordinates): state 0 (and unknown states) light grey; state 2 the button face with the
    // text centred, its lines from the top, word-wrapped, at 10 points; state 3 white, the trace
    // in a one-pixel pen of the trace colour (the envelope with more than one sample per pixel,
    // else the polyline) and the markers. The painter's state is restored.
    static void Paint(QPainter& painter, const QRect& rect, const PaneContent& content);

    // The marker strip alone: white, then the maximum, minimum and current markers (bitmaps
    // 327, 328 and 326) combined with it by a logical AND on raster devices, drawn over it on
    // others. [in] rect: the pane's client area.
    static void PaintMarkers(QPainter& painter, const QRect& rect, const DataScaling& scaling, double current,
                             double maximum, double minimum);

private:
    static void PaintTrace(QPainter& painter, const QRect& rect, const PaneContent& content);
    static void PaintNoData(QPainter& painter, const QRect& rect, const PaneContent& content);
};

}  // namespace Tessar
