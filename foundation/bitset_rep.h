// IKVIBitset, the bit-set interface with which a recording hands out the marks on a block
// boundary, and KVI::BitsetRep, its reference-counted implementation.
//
// A set is a run of stored 32-bit words (at least 2) and a fill word (0 or all ones) that
// stands for every word beyond the stored ones, so a set can be "all ones from bit 64 on"
// without storing the ones. Bit k lives in word k / 32 at bit k % 32.
#pragma once

#include <cstdint>
#include <vector>

#include "foundation/simple_unknown_imp.h"
#include "platform/com_ptr.h"
#include "platform/unknown.h"

// IID chosen by this system.
constexpr IID IID_IKVIBitset = platform::Guid("{8E51C0A4-2F7D-4B96-A3E8-6D1B05C9F274}");

struct IKVIBitset : IUnknown {
    // 1 for KVI::BitsetRep; another implementation answers another tag.
    virtual int32_t GetImplementationTag() = 0;  // 3
    // Deletes the set when nothing references it (a set made and never handed out). S_OK when
    // deleted; E_FAIL while references are held (the set then lives on).
    virtual HRESULT Destroy() = 0;  // 4
    // [out] the number of stored words (at least 2).
    virtual HRESULT GetWordCount(int32_t* out) = 0;  // 5
    // [in] count: room for words at words. [out] words: the first min(count, word count) stored
    // words; fill: the fill word (may be null). S_FALSE when count is below the word count
    // (what fitted was copied); E_POINTER for null words with a count above 0; E_INVALIDARG
    // for a negative count.
    virtual HRESULT GetWords(int32_t count, uint32_t* words, uint32_t* fill) = 0;  // 6
    // [out] a new set with the same words and fill, with a reference.
    virtual HRESULT Clone(IKVIBitset** out) = 0;  // 7

protected:
    ~IKVIBitset() = default;
};

namespace KVI {

class BitsetRep final : public SimpleUnknownImp1<IKVIBitset> {
public:
    static constexpr int32_t kImplementationTag = 1;
    static constexpr int32_t kMinWords = 2;
    static constexpr uint32_t kAllOnes = 0xFFFFFFFFu;

    // [in] wordCount: stored words (raised to kMinWords); fillOnes: every bit set instead of
    // none. Throws std::bad_alloc.
    static platform::ComPtr<BitsetRep> Create(int32_t wordCount = kMinWords, bool fillOnes = false);
    // [in] words: the stored words (padded with the fill to kMinWords); fill: non-zero means all
    // ones. Throws std::bad_alloc.
    static platform::ComPtr<BitsetRep> FromWords(std::vector<uint32_t> words, uint32_t fill);
    // A copy of any set: one of ours is copied directly, another implementation's through its
    // slots 5 and 6 (a non-zero foreign fill word is taken as all ones). E_POINTER for a null
    // source or out; the source's failure when it fails; E_FAIL for a negative word count;
    // E_OUTOFMEMORY.
    static HRESULT CopyOf(IKVIBitset* source, platform::ComPtr<BitsetRep>* out);
    // Reads any set's stored words and fill word through slots 5 and 6, as given. Results as
    // CopyOf.
    static HRESULT ReadWords(IKVIBitset* set, std::vector<uint32_t>* words, uint32_t* fill);
    // true when a set carries any bit: its fill word or any stored word is non-zero. false for
    // a null set and for a set that cannot be read.
    static bool AnySet(IKVIBitset* set);

    // [in] bit: not negative.
    bool Test(int64_t bit) const;
    // Sets or clears a bit, storing more words (copies of the fill) when the bit lies beyond
    // the stored ones and differs from the fill. Throws std::bad_alloc.
    void Set(int64_t bit, bool value = true);
    bool Any() const;
    int32_t WordCount() const { return static_cast<int32_t>(words_.size()); }
    const std::vector<uint32_t>& Words() const { return words_; }
    uint32_t Fill() const { return fill_; }

    // IKVIBitset.
    int32_t GetImplementationTag() override { return kImplementationTag; }
    HRESULT Destroy() override;
    HRESULT GetWordCount(int32_t* out) override;
    HRESULT GetWords(int32_t count, uint32_t* words, uint32_t* fill) override;
    HRESULT Clone(IKVIBitset** out) override;

private:
    BitsetRep(std::vector<uint32_t> words, uint32_t fill);
    ~BitsetRep() override = default;

    std::vector<uint32_t> words_;
    uint32_t fill_;  // 0 or kAllOnes
};

}  // namespace KVI
