#include "foundation/string_stream_buf.h"

#include <algorithm>
#include <new>

namespace KVI {

MemStreamBufBase::MemStreamBufBase(std::ios_base::openmode mode, int32_t maxCapacity)
    : maxCapacity_(std::max(maxCapacity, kInitialCapacity)), mode_(mode)
{
}

MemStreamBufBase::~MemStreamBufBase() = default;

size_t MemStreamBufBase::PutPosition() const
{
    return block_ ? static_cast<size_t>(pptr() - block_.get()) : 0;
}

size_t MemStreamBufBase::GetPosition() const
{
    return (block_ && (mode_ & std::ios_base::in)) ? static_cast<size_t>(gptr() - block_.get()) : 0;
}

size_t MemStreamBufBase::TextSize() const
{
    return std::max(textEnd_, PutPosition());
}

void MemStreamBufBase::SyncTextEnd()
{
    textEnd_ = TextSize();
}

void MemStreamBufBase::SetPutArea(size_t pos, bool open)
{
    wchar_t* b = block_.get();
    if (open) {
        setp(b, b + capacity_);
        // pbump takes an int; positions never pass the block's 32-bit capacity.
        pbump(static_cast<int>(pos));
    } else {
        // An empty put area at the position: the next write goes through overflow().
        setp(b + pos, b + pos);
    }
}

void MemStreamBufBase::SetGetArea(size_t pos)
{
    if (!(mode_ & std::ios_base::in)) return;
    wchar_t* b = block_.get();
    setg(b, b + pos, b + textEnd_);
}

bool MemStreamBufBase::Grow()
{
    if (capacity_ >= maxCapacity_) return false;
    const int32_t newCapacity = capacity_ == 0                    ? kInitialCapacity
                                : capacity_ > maxCapacity_ / 2 ? maxCapacity_
                                                                : capacity_ * 2;
    std::unique_ptr<wchar_t[]> grown(new (std::nothrow) wchar_t[static_cast<size_t>(newCapacity)]);
    if (!grown) return false;

    const size_t put = PutPosition();
    const size_t get = GetPosition();
    SyncTextEnd();
    std::copy_n(block_.get(), textEnd_, grown.get());
    block_ = std::move(grown);
    capacity_ = newCapacity;
    SetPutArea(put, true);
    SetGetArea(get);
    return true;
}

std::wstring_view MemStreamBufBase::HandOut()
{
    SyncTextEnd();
    if (block_ && !handedOut_) SetPutArea(PutPosition(), false);
    handedOut_ = true;
    size_t n = textEnd_;
    // A 0 written last already terminates the text; it is not part of it.
    if (n > 0 && block_[n - 1] == L'\0') --n;
    return {block_.get(), n};
}

MemStreamBufBase::int_type MemStreamBufBase::overflow(int_type c)
{
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    if (!(mode_ & std::ios_base::out)) return traits_type::eof();

    SyncTextEnd();
    if (handedOut_) {
        // The put area was closed by the read-out; whoever holds the read-out keeps it.
        handedOut_ = false;
        OnWriteResumed();
        if (block_) SetPutArea(PutPosition(), true);
    }
    if (pptr() == epptr() && !Grow()) return traits_type::eof();
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
}

MemStreamBufBase::int_type MemStreamBufBase::underflow()
{
    if (!block_ || !(mode_ & std::ios_base::in)) return traits_type::eof();
    // Writes since the get area was set may have moved the end of the text.
    SyncTextEnd();
    const size_t get = GetPosition();
    SetGetArea(get);
    return get < textEnd_ ? traits_type::to_int_type(block_[get]) : traits_type::eof();
}

MemStreamBufBase::pos_type MemStreamBufBase::seekoff(off_type off, std::ios_base::seekdir way,
                                                     std::ios_base::openmode which)
{
    const pos_type invalid(off_type(-1));
    const bool in = (which & mode_ & std::ios_base::in) != 0;
    const bool out = (which & mode_ & std::ios_base::out) != 0;
    if (!in && !out) return invalid;
    if (in && out && way == std::ios_base::cur) return invalid;

    SyncTextEnd();
    const auto end = static_cast<off_type>(textEnd_);
    off_type base = 0;
    if (way == std::ios_base::cur)
        base = static_cast<off_type>(in ? GetPosition() : PutPosition());
    else if (way == std::ios_base::end)
        base = end;
    else if (way != std::ios_base::beg)
        return invalid;
    // Compared without forming base + off, which could overflow.
    if (off < -base || off > end - base) return invalid;
    const off_type target = base + off;
    if (!block_) return pos_type(target);  // nothing written: only position 0 exists

    if (in) SetGetArea(static_cast<size_t>(target));
    if (out) SetPutArea(static_cast<size_t>(target), !handedOut_);
    return pos_type(target);
}

MemStreamBufBase::pos_type MemStreamBufBase::seekpos(pos_type pos, std::ios_base::openmode which)
{
    return seekoff(off_type(pos), std::ios_base::beg, which);
}

String StringStreamBuf::Str()
{
    // One conversion per run of writes; later read-outs share the representation.
    if (!IsHandedOut()) readOut_ = String::FromWide(HandOut());
    return readOut_;
}

void StringStreamBuf::OnWriteResumed()
{
    readOut_ = String();
}

}  // namespace KVI
