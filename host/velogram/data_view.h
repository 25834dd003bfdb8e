// Velogram::DataView: the horizontal view of the data window: how far it is zoomed and where it
// is scrolled to. It lays its DataLayout out at the view's scale and keeps the layout pixel that
// lies at the plot's left edge (the offset).
//
// The scale runs from the one at which every block fits the plot (FitsAll, the view of a new
// document) up to kMaxPixelsPerSample pixels per sample, and never so far that the layout
// would pass kMaxLayoutWidth pixels (a scroll bar counts them in an int). Zooming keeps the
// recording position under an anchor pixel where it was; the offset is always held to
// 0..MaxOffset(), so the view never shows more than the layout's end.
//
// Pixels: plot pixels count from the plot's left edge; layout pixels from the layout's. Qt-free;
// the user-interface thread only.
#pragma once

#include <cstdint>

#include "host/velogram/data_layout.h"

namespace Velogram {

class DataView {
public:
    static constexpr double kMaxPixelsPerSample = 64.0;
    static constexpr int64_t kMaxLayoutWidth = int64_t(1) << 30;

    // [in] layout: outlives the view; the view lays it out.
    explicit DataView(DataLayout& layout) : layout_(layout) {}

    // Fits every block into a plot of width pixels (offset 0). False when the layout cannot
    // tell its blocks (it is then empty).
    bool FitAll(int64_t width);
    // The plot is now width pixels wide: a view that fits all is fitted again; a zoomed one keeps
    // its scale (or fits all, when that has become the closer view) and holds its offset.
    bool SetWidth(int64_t width);
    // Multiplies the pixels per sample by factor (> 0), within the limits above; the position
    // at plot pixel anchor keeps its pixel. False when the scale stays as it was (at a limit).
    bool Zoom(double factor, int64_t anchor);

    // The layout pixel at the plot's left edge, held to 0..MaxOffset().
    void ScrollTo(int64_t offset);
    void ScrollBy(int64_t pixels) { ScrollTo(offset_ + pixels); }

    int64_t Offset() const { return offset_; }
    int64_t MaxOffset() const;
    int64_t Width() const { return width_; }
    bool FitsAll() const { return fitsAll_; }
    double PixelsPerSample() const;
    bool CanZoomIn() const;
    bool CanZoomOut() const { return !fitsAll_; }

    // Layout pixel <-> plot pixel.
    int64_t ToPlot(int64_t layoutPixel) const { return layoutPixel - offset_; }
    int64_t ToLayout(int64_t plotPixel) const { return plotPixel + offset_; }

private:
    // The largest pixels per sample the limits allow for the layout's samples and gaps.
    double MaxPixelsPerSample() const;
    // p / q close to pixels per sample z: about nine significant digits.
    static void RationalScale(double z, int64_t* p, int64_t* q);

    DataLayout& layout_;
    int64_t width_ = 1;
    int64_t offset_ = 0;
    int64_t fitP_ = 1, fitQ_ = 1;  // the scale that fits all at this width
    bool fitsAll_ = true;
};

}  // namespace Velogram
