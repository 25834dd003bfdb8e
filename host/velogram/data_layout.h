// Velogram::DataLayout: the horizontal axis of the data window. The blocks of the recording lie
// side by side, each after a gap, laid out by a GUILib::PixMap over the document's data access
// at a scale of p / q pixels per sample: the scale at which every block fits the width of the
// plot (Fit), or any other (Scale, for a zoomed view); it converts between layout pixels and
// recording positions.
//
// Pixels are counted from the left edge of the layout. Sample s of block b lies at pixel
// DataStart(b) + floor(s * p / q); pixel column c of block b covers the samples from
// ceil(c * q / p) up to ceil((c + 1) * q / p). A pixel is turned into a position by the map's
// pixel-to-sample rule (a pixel in a gap goes to the nearer block end) and held to the block's
// length.
//
// Qt-free. The user-interface thread only.
#pragma once

#include <cstdint>
#include <vector>

#include "interfaces/document_access.h"
#include "interfaces/record_data.h"
#include "interfaces/record_data_pixmap.h"
#include "platform/com_ptr.h"

namespace Velogram {

class DataLayout {
public:
    // Gaps in pixels: before block 0, before a block, before a block whose boundary carries
    // marks.
    static constexpr int32_t kLeadingGapPixels = 0;
    static constexpr int32_t kNormalGapPixels = 12;
    static constexpr int32_t kMarkedGapPixels = 24;

    DataLayout() = default;
    DataLayout(const DataLayout&) = delete;
    DataLayout& operator=(const DataLayout&) = delete;

    // [in] record: the recording's data access (null: nothing to lay out). The layout is made
    // again at the next Fit.
    void SetRecord(IRecordData* record);
    // Lays the blocks out across a plot of width pixels (the blocks' lengths are read again).
    // False when the record cannot tell its blocks (the layout is then empty).
    bool Fit(int64_t width);
    // The scale Fit would choose for width, without laying out at it (the layout is left at
    // one pixel per sample). False as Fit.
    bool FitScale(int64_t width, int64_t* p, int64_t* q);
    // Lays the blocks out at p / q pixels per sample (p, q > 0). False as Fit.
    bool Scale(int64_t p, int64_t q);
    // The samples in every block together, and the pixels of the gaps.
    int64_t SampleCount() const;
    int64_t GapPixels() const { return total_ - widths_; }

    int32_t BlockCount() const { return static_cast<int32_t>(blocks_.size()); }
    // Where the block's data starts, its width in pixels and its length in samples.
    int64_t DataStart(int32_t block) const { return blocks_[size_t(block)].start; }
    int64_t DataWidth(int32_t block) const { return blocks_[size_t(block)].width; }
    int64_t Length(int32_t block) const { return blocks_[size_t(block)].length; }
    // The end of the last block; 0 with none.
    int64_t TotalWidth() const { return total_; }
    int64_t ScaleP() const { return p_; }
    int64_t ScaleQ() const { return q_; }

    // The first sample of column c of a block (see above); the block's length past its end.
    int64_t FirstSampleOfColumn(int32_t block, int64_t column) const;
    // The pixel of a position (its block must be laid out).
    int64_t PixelOf(const HostPosition& position) const;
    // The fractional sample of a block at a layout pixel (x - DataStart(b)) * q / p; not held
    // to the block.
    double SampleAt(int32_t block, double x) const;
    // The block whose data or leading gap holds pixel x (0 left of everything, the last block
    // right of everything); -1 with no blocks.
    int32_t BlockAt(int64_t x) const;
    // The position at a pixel (held to the plot: left of 0 is the start, right of the end the
    // end of the last block). The unset position with no blocks.
    HostPosition PositionAt(int64_t x) const;

    // The map itself (null before SetRecord).
    IRecordDataPixMap* Map() const { return map_.Get(); }

private:
    struct Block {
        int64_t start = 0;
        int64_t width = 0;
        int64_t length = 0;
    };

    bool ReadBlocks();

    platform::ComPtr<IRecordData> record_;
    platform::ComPtr<IRecordDataPixMap> map_;
    std::vector<Block> blocks_;
    int64_t total_ = 0;
    int64_t widths_ = 0;  // the blocks' widths together
    int64_t p_ = 1;
    int64_t q_ = 1;
};

}  // namespace Velogram
