#include "foundation/bitset_rep.h"

#include <algorithm>
#include <new>
#include <utility>

namespace KVI {
namespace {

constexpr int64_t kWordBits = 32;

uint32_t NormalFill(uint32_t fill) { return fill ? BitsetRep::kAllOnes : 0u; }

bool CarriesBits(const std::vector<uint32_t>& words, uint32_t fill)
{
    return fill != 0 || std::any_of(words.begin(), words.end(), [](uint32_t w) { return w != 0; });
}

}  // namespace

BitsetRep::BitsetRep(std::vector<uint32_t> words, uint32_t fill)
    : SimpleUnknownImp1(IID_IKVIBitset), words_(std::move(words)), fill_(NormalFill(fill))
{
    if (words_.size() < static_cast<size_t>(kMinWords)) words_.resize(kMinWords, fill_);
}

platform::ComPtr<BitsetRep> BitsetRep::Create(int32_t wordCount, bool fillOnes)
{
    const uint32_t fill = fillOnes ? kAllOnes : 0u;
    std::vector<uint32_t> words(static_cast<size_t>(std::max(wordCount, kMinWords)), fill);
    return platform::ComPtr<BitsetRep>(new BitsetRep(std::move(words), fill));
}

platform::ComPtr<BitsetRep> BitsetRep::FromWords(std::vector<uint32_t> words, uint32_t fill)
{
    return platform::ComPtr<BitsetRep>(new BitsetRep(std::move(words), fill));
}

HRESULT BitsetRep::ReadWords(IKVIBitset* set, std::vector<uint32_t>* words, uint32_t* fill)
{
    if (!set || !words || !fill) return E_POINTER;
    int32_t count = 0;
    HRESULT hr = set->GetWordCount(&count);
    if (FAILED(hr)) return hr;
    if (count < 0) return E_FAIL;
    try {
        std::vector<uint32_t> read(static_cast<size_t>(count));
        uint32_t readFill = 0;
        hr = set->GetWords(count, read.data(), &readFill);
        if (FAILED(hr)) return hr;
        // S_FALSE here means the set grew between the two calls; the words asked for are
        // still a consistent prefix, and the fill stands for the rest.
        *words = std::move(read);
        *fill = readFill;
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT BitsetRep::CopyOf(IKVIBitset* source, platform::ComPtr<BitsetRep>* out)
{
    if (!source || !out) return E_POINTER;
    out->Reset();
    try {
        // The tag alone cannot be trusted (any implementation may claim it), and a set of our
        // own made by another library has a type of its own: dynamic_cast settles both.
        if (source->GetImplementationTag() == kImplementationTag) {
            if (const auto* own = dynamic_cast<const BitsetRep*>(source)) {
                *out = FromWords(own->words_, own->fill_);
                return S_OK;
            }
        }
        std::vector<uint32_t> words;
        uint32_t fill = 0;
        const HRESULT hr = ReadWords(source, &words, &fill);
        if (FAILED(hr)) return hr;
        *out = FromWords(std::move(words), fill);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

bool BitsetRep::AnySet(IKVIBitset* set)
{
    if (!set) return false;
    std::vector<uint32_t> words;
    uint32_t fill = 0;
    return SUCCEEDED(ReadWords(set, &words, &fill)) && CarriesBits(words, fill);
}

bool BitsetRep::Test(int64_t bit) const
{
    const auto word = static_cast<uint64_t>(bit / kWordBits);
    const uint32_t w = word < words_.size() ? words_[word] : fill_;
    return (w >> (bit % kWordBits)) & 1u;
}

void BitsetRep::Set(int64_t bit, bool value)
{
    const auto word = static_cast<uint64_t>(bit / kWordBits);
    const uint32_t mask = 1u << (bit % kWordBits);
    if (word >= words_.size()) {
        if (((fill_ & mask) != 0) == value) return;
        words_.resize(word + 1, fill_);
    }
    if (value)
        words_[word] |= mask;
    else
        words_[word] &= ~mask;
}

bool BitsetRep::Any() const { return CarriesBits(words_, fill_); }

HRESULT BitsetRep::Destroy()
{
    if (RefCount() != 0) return E_FAIL;
    delete this;
    return S_OK;
}

HRESULT BitsetRep::GetWordCount(int32_t* out)
{
    if (!out) return E_POINTER;
    *out = WordCount();
    return S_OK;
}

HRESULT BitsetRep::GetWords(int32_t count, uint32_t* words, uint32_t* fill)
{
    if (count < 0) return E_INVALIDARG;
    if (!words && count > 0) return E_POINTER;
    const int32_t n = std::min(count, WordCount());
    std::copy_n(words_.begin(), n, words);
    if (fill) *fill = fill_;
    return n < WordCount() ? S_FALSE : S_OK;
}

HRESULT BitsetRep::Clone(IKVIBitset** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    try {
        *out = FromWords(words_, fill_).Detach();
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace KVI
