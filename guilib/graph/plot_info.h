// GUILib::PlotInfo: one plot of the graph: its points (DataPlotXY), its name, colour, whether
// it is shown, and the draw objects that give it its look.
#pragma once

#include <compare>
#include <cstdint>
#include <map>

#include <QColor>

#include "foundation/kvi_string.h"
#include "guilib/graph/data_plot_xy.h"
#include "guilib/graph/draw_object.h"
#include "guilib/table/ref_count_ptr.h"

class QPainter;

namespace GUILib {

// A plot's key: its x column and its y column, ordered x first.
struct PlotKey {
    int32_t x = 0;
    int32_t y = 0;
    friend auto operator<=>(const PlotKey&, const PlotKey&) = default;
};

// How a plot is drawn: a draw kind with its size and pen style, and the object that draws it.
struct DrawEntry {
    int32_t kind = kDrawNone;
    int32_t size = 0;
    int32_t style = 0;
    SmartPtr<DrawObject> object;
};

class PlotInfo final : public CRefCountRep {
public:
    // A shown, black plot with no points, drawn as line segments one pixel wide.
    explicit PlotInfo(const KVI::String& name);

    // Replaces the plot's draw object by one of the kind with the size and the pen style (a
    // PenStyleCode of draw_style.h): 1 line segments, 2 points, 3 ordinal markers; 0 removes the
    // drawing. false (nothing changed) for another kind.
    bool SetDrawKind(int32_t kind, int32_t size, int32_t style = 0);

    // Draws the plot's points with each of its draw objects, in kind order.
    void Draw(QPainter& painter) const;

    SmartPtr<DataPlotXY> plot_;
    KVI::String name_;
    QColor colour_{Qt::black};
    bool shown_ = true;
    std::map<int32_t, DrawEntry> drawObjects_;  // by kind
};

}  // namespace GUILib
