// The bit sets of block boundaries: bits beyond the stored words, the copy-out slot, clones,
// copies of sets of another implementation, and reference counts.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/bitset_rep.h"
#include "platform/com_ptr.h"
#include "tests/guilib/pix_doubles.h"

namespace {

using KVI::BitsetRep;
using PixTest::ForeignBitset;
using PixTest::Refs;
using platform::ComPtr;

std::vector<uint32_t> WordsOf(IKVIBitset* set, uint32_t* fill)
{
    int32_t n = -1;
    EXPECT_EQ(set->GetWordCount(&n), S_OK);
    std::vector<uint32_t> words(size_t(n > 0 ? n : 0));
    EXPECT_EQ(set->GetWords(n, words.data(), fill), S_OK);
    return words;
}

TEST(BitsetRep, BitsBeyondTheStoredWordsAreTheFill)
{
    auto zeros = BitsetRep::Create(0);
    EXPECT_EQ(zeros->WordCount(), 2);  // never fewer than two
    EXPECT_FALSE(zeros->Any());
    EXPECT_FALSE(zeros->Test(5000));
    zeros->Set(95);  // word 2: the set grows to three words
    EXPECT_EQ(zeros->WordCount(), 3);
    EXPECT_EQ(zeros->Words()[2], 0x80000000u);
    EXPECT_TRUE(zeros->Test(95));
    EXPECT_FALSE(zeros->Test(94));
    EXPECT_TRUE(zeros->Any());
    zeros->Set(500, false);  // already clear: nothing is stored
    EXPECT_EQ(zeros->WordCount(), 3);
    zeros->Set(95, false);
    EXPECT_FALSE(zeros->Any());

    auto ones = BitsetRep::Create(2, true);
    EXPECT_TRUE(ones->Test(1000));
    ones->Set(1000);  // already set by the fill
    EXPECT_EQ(ones->WordCount(), 2);
    ones->Set(64, false);
    EXPECT_EQ(ones->WordCount(), 3);
    EXPECT_FALSE(ones->Test(64));
    EXPECT_TRUE(ones->Test(65));
    EXPECT_TRUE(ones->Test(96));
    EXPECT_EQ(ones->Words()[2], 0xFFFFFFFEu);
}

TEST(BitsetRep, CopiesOutWhatFitsAndSaysWhenItDidNotAll)
{
    auto set = BitsetRep::FromWords({1, 2, 3}, 0x10);  // any non-zero fill is all ones
    EXPECT_EQ(set->GetImplementationTag(), 1);
    uint32_t words[4] = {9, 9, 9, 9};
    uint32_t fill = 0;
    EXPECT_EQ(set->GetWords(2, words, &fill), S_FALSE);
    EXPECT_EQ(words[0], 1u);
    EXPECT_EQ(words[1], 2u);
    EXPECT_EQ(words[2], 9u);
    EXPECT_EQ(fill, 0xFFFFFFFFu);
    EXPECT_EQ(set->GetWords(4, words, nullptr), S_OK);
    EXPECT_EQ(words[2], 3u);
    EXPECT_EQ(words[3], 9u);
    EXPECT_EQ(set->GetWords(0, nullptr, &fill), S_FALSE);
    EXPECT_EQ(set->GetWords(1, nullptr, &fill), E_POINTER);
    EXPECT_EQ(set->GetWords(-1, words, &fill), E_INVALIDARG);
    EXPECT_EQ(set->GetWordCount(nullptr), E_POINTER);
}

TEST(BitsetRep, ClonesAreIndependentAndReferencedOnce)
{
    auto set = BitsetRep::FromWords({0, 4}, 0);
    ComPtr<IKVIBitset> clone;
    ASSERT_EQ(set->Clone(clone.Put()), S_OK);
    EXPECT_EQ(Refs(clone.Get()), 1u);
    EXPECT_EQ(Refs(set.Get()), 1u);
    set->Set(0);
    uint32_t fill = 1;
    EXPECT_EQ(WordsOf(clone.Get(), &fill), (std::vector<uint32_t>{0, 4}));
    EXPECT_EQ(fill, 0u);
    EXPECT_EQ(set->Clone(nullptr), E_POINTER);

    ComPtr<IKVIBitset> face;
    ASSERT_EQ(set->QueryInterface(IID_IKVIBitset, face.PutVoid()), S_OK);
    EXPECT_EQ(Refs(set.Get()), 2u);
    ComPtr<IUnknown> other;
    EXPECT_EQ(set->QueryInterface(IID_IRecordData, other.PutVoid()), E_NOINTERFACE);
    EXPECT_EQ(Refs(set.Get()), 2u);
    // A referenced set refuses to destroy itself and stays usable.
    EXPECT_EQ(face->Destroy(), E_FAIL);
    EXPECT_TRUE(set->Test(0));
}

TEST(BitsetRep, CopiesSetsOfAnotherImplementationThroughTheirSlots)
{
    struct Row {
        std::string name;
        std::vector<uint32_t> words;
        uint32_t fill;
        int32_t tag;
        std::vector<uint32_t> copied;
        uint32_t copiedFill;
    };
    const std::vector<Row> rows = {
        {"plain", {1, 0, 7}, 0, 7, {1, 0, 7}, 0},
        {"claims our tag", {5, 6}, 0, 1, {5, 6}, 0},
        {"odd fill", {0, 0}, 0x3, 7, {0, 0}, 0xFFFFFFFFu},
        {"one word", {8}, 0, 7, {8, 0}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ForeignBitset foreign(row.words, row.fill, row.tag);
        ComPtr<BitsetRep> copy;
        ASSERT_EQ(BitsetRep::CopyOf(&foreign, &copy), S_OK);
        EXPECT_EQ(copy->Words(), row.copied);
        EXPECT_EQ(copy->Fill(), row.copiedFill);
        EXPECT_EQ(Refs(copy.Get()), 1u);
        EXPECT_EQ(foreign.RefCount(), 0);
    }

    ForeignBitset failing({1, 2}, 0);
    failing.Fail(E_UNEXPECTED);
    ComPtr<BitsetRep> copy;
    EXPECT_EQ(BitsetRep::CopyOf(&failing, &copy), E_UNEXPECTED);
    EXPECT_FALSE(copy);
    ForeignBitset negative({1, 2}, 0);
    negative.ClaimWordCount(-4);
    EXPECT_EQ(BitsetRep::CopyOf(&negative, &copy), E_FAIL);
    EXPECT_FALSE(BitsetRep::AnySet(&negative));
    EXPECT_EQ(BitsetRep::CopyOf(nullptr, &copy), E_POINTER);

    auto own = BitsetRep::FromWords({3, 0, 0, 9}, 0);
    ASSERT_EQ(BitsetRep::CopyOf(own.Get(), &copy), S_OK);
    EXPECT_NE(copy.Get(), own.Get());
    EXPECT_EQ(copy->Words(), own->Words());
}

}  // namespace
