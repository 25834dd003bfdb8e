#include "host/velogram/data_layout.h"

#include <algorithm>
#include <numeric>

#include "values/pix_map.h"

namespace Velogram {

void DataLayout::SetRecord(IRecordData* record)
{
    record_ = platform::ComPtr<IRecordData>(record);
    map_.Reset();
    blocks_.clear();
    total_ = widths_ = 0;
    p_ = q_ = 1;
    if (!record) return;
    map_ = platform::ComPtr<IRecordDataPixMap>(GUILib::PixMap::Create(record).Get());
    map_->SetGap(kLeadingGap, kLeadingGapPixels);
    map_->SetGap(kNormalGap, kNormalGapPixels);
    map_->SetGap(kMarkedGap, kMarkedGapPixels);
}

bool DataLayout::FitScale(int64_t width, int64_t* p, int64_t* q)
{
    blocks_.clear();
    total_ = widths_ = 0;
    if (!map_) return false;
    // The gaps at one pixel per sample are what the layout adds to the samples' widths.
    p_ = q_ = 1;
    if (FAILED(map_->SetScale(1, 1)) || !ReadBlocks()) return false;
    const int64_t samples = SampleCount();
    *p = *q = 1;
    if (samples == 0) return true;
    // Each block's width is rounded up, so leave a pixel per block for that.
    const int64_t room = std::max<int64_t>(width - GapPixels() - BlockCount(), 1);
    const int64_t divisor = std::gcd(room, samples);
    *p = room / divisor;
    *q = samples / divisor;
    return true;
}

bool DataLayout::Fit(int64_t width)
{
    int64_t p = 1, q = 1;
    return FitScale(width, &p, &q) && Scale(p, q);
}

bool DataLayout::Scale(int64_t p, int64_t q)
{
    blocks_.clear();
    total_ = widths_ = 0;
    if (!map_ || p <= 0 || q <= 0) return false;
    const int64_t divisor = std::gcd(p, q);
    p_ = p / divisor;
    q_ = q / divisor;
    return SUCCEEDED(map_->SetScale(p_, q_)) && ReadBlocks();
}

int64_t DataLayout::SampleCount() const
{
    int64_t samples = 0;
    for (const Block& b : blocks_) samples += b.length;
    return samples;
}

bool DataLayout::ReadBlocks()
{
    blocks_.clear();
    total_ = widths_ = 0;
    int32_t count = 0;
    if (FAILED(map_->GetBlockCount(&count))) return false;
    std::vector<Block> blocks(size_t(std::max(count, 0)));
    for (int32_t b = 0; b < count; ++b) {
        int64_t gapOffset = 0, end = 0, width = 0;
        int32_t length = 0;
        if (FAILED(map_->GetBlockExtent(b, &gapOffset, &end)) ||
            FAILED(record_->GetBlockWidth(kCurrentBlockSelector, b, p_, q_, &width)) ||
            FAILED(record_->GetBlockLength(static_cast<uint32_t>(b), 0, &length)))
            return false;
        blocks[size_t(b)] = Block{end - width, width, length};
    }
    if (FAILED(map_->GetTotalWidth(&total_))) return false;
    blocks_ = std::move(blocks);
    widths_ = 0;
    for (const Block& b : blocks_) widths_ += b.width;
    return true;
}

int64_t DataLayout::FirstSampleOfColumn(int32_t block, int64_t column) const
{
    const int64_t length = Length(block);
    if (column <= 0) return 0;
    // ceil(column * q / p) in 128 bits: a zoomed-out scale has a large q.
    const __int128 first = (static_cast<__int128>(column) * q_ + p_ - 1) / p_;
    return first < length ? static_cast<int64_t>(first) : length;
}

int64_t DataLayout::PixelOf(const HostPosition& position) const
{
    return DataStart(position.block) + static_cast<int64_t>(static_cast<__int128>(position.sample) * p_ / q_);
}

double DataLayout::SampleAt(int32_t block, double x) const
{
    return (x - double(DataStart(block))) * double(q_) / double(p_);
}

int32_t DataLayout::BlockAt(int64_t x) const
{
    if (blocks_.empty()) return -1;
    // A block owns the gap before it: the first block whose data ends after x.
    for (int32_t b = 0; b < BlockCount(); ++b)
        if (x < DataStart(b) + DataWidth(b)) return b;
    return BlockCount() - 1;
}

HostPosition DataLayout::PositionAt(int64_t x) const
{
    HostPosition position;
    if (blocks_.empty()) return position;
    x = std::clamp<int64_t>(x, 0, std::max<int64_t>(total_ - 1, 0));
    int64_t sample = 0;
    int32_t block = 0;
    if (FAILED(map_->PixelToSample(0, x, &sample, &block)) || block < 0 || block >= BlockCount()) return position;
    position.block = block;
    position.sample = std::clamp<int64_t>(sample, 0, Length(block));
    // The last pixel of the plot stands for the end of the recording.
    if (x == total_ - 1 && block == BlockCount() - 1) position.sample = Length(block);
    return position;
}

}  // namespace Velogram
