// GUILib::CEnumColumnFloatPix: a stream (IEnumFloatPixEx) over the values of one tabulated-data
// column with 64-bit positions, from a position up to a limit; a negative limit means no limit.
// It shares the column with the table, as CEnumColumnFloat does, so it sees values appended
// later and keeps the column alive after the table dropped it.
//
// The end of the stream is the column's current length, or the limit when that is smaller. A
// stream made without a column answers every slot with E_FAIL (and a zero or null result).
//
// Reference counting: the count starts at 0; Create hands out the first reference.
#pragma once

#include <cstdint>
#include <stdexcept>

#include "interfaces/record_data_pixmap.h"
#include "foundation/simple_unknown_imp.h"
#include "guilib/table/tabulated_data.h"
#include "platform/com_ptr.h"

namespace GUILib {

// Raised for a ratio with a zero denominator.
class bad_rational : public std::domain_error {
public:
    bad_rational() : std::domain_error("bad rational: zero denominator") {}
};

// A ratio of two 64-bit integers in lowest terms with a positive denominator.
struct Rational64 {
    int64_t numerator = 0;
    int64_t denominator = 1;

    // Reduces n / d by their greatest common divisor. Throws bad_rational when d is 0, and
    // std::overflow_error when the reduced ratio does not fit (only with INT64_MIN terms).
    static Rational64 Reduced(int64_t n, int64_t d);
};

class CEnumColumnFloatPix final : public SimpleUnknownImp1<IEnumFloatPixEx> {
public:
    using ColumnPtr = CTabulatedData::ColumnPtr;

    // [in] column: may be null; position: the first value to read (a negative one reads from
    // 0); limit: the index to stop before, or negative for none. Throws std::bad_alloc.
    static platform::ComPtr<CEnumColumnFloatPix> Create(ColumnPtr column, int64_t position, int64_t limit);

    // Slot 3. Moves by count: S_OK when position + count lies in 0 .. end; otherwise the
    // position stops at the end (forwards) or at 0 (backwards) and the result is S_FALSE.
    // [out] moved: the distance moved (may be null).
    HRESULT Skip(int64_t count, int64_t* moved) override;
    // Slot 4. Position 0 (not the start given at creation).
    HRESULT Reset() override;
    // Slot 5. [out] the position.
    HRESULT GetPosition(int64_t* out) override;
    // Slot 6. [out] cleared; E_NOTIMPL.
    HRESULT Reserved6(int64_t* out) override;
    // Slot 7. [out] 1 / 1: one value per position.
    HRESULT Describe(int64_t* numerator, int64_t* denominator) override;
    // Slot 8. Copies min(count, end - position) values and advances. S_OK when count were
    // copied, S_FALSE when fewer (0 at the end). returned may be null; E_POINTER for a null
    // buffer with a count.
    HRESULT Next(uint32_t count, float* buffer, uint32_t* returned) override;
    // Slot 9. [out] a new stream over the same column at the same position and limit.
    HRESULT Clone(IEnumFloatPixEx** out) override;

private:
    CEnumColumnFloatPix(ColumnPtr column, int64_t position, int64_t limit)
        : SimpleUnknownImp1(IID_IEnumFloatPixEx), column_(std::move(column)), position_(position), limit_(limit)
    {
    }
    ~CEnumColumnFloatPix() override = default;

    // The column's length, or the limit when one is set and smaller (not below 0).
    int64_t End() const;

    ColumnPtr column_;
    int64_t position_;
    int64_t limit_;  // negative: none
};

}  // namespace GUILib
