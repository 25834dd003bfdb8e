// GUILib::CEnumColumnFloat: a stream (IEnumFloatEx) over the values of one tabulated-data
// column, from a position up to a limit. The stream shares the column with the table, so it
// sees values appended later and keeps the column alive after the table dropped it.
//
// The end of the stream is the smaller of the limit and the column's current length. A stream
// made without a column answers every slot with E_FAIL (and a zero or null result).
//
// Reference counting: the count starts at 0; Create hands out the first reference.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "interfaces/enum_float_ex.h"
#include "guilib/table/tabulated_data.h"
#include "platform/com_ptr.h"

namespace GUILib {

class CEnumColumnFloat final : public IEnumFloatEx {
public:
    using ColumnPtr = CTabulatedData::ColumnPtr;

    // [in] column: may be null; position: the first value to read (not negative); limit: the
    // index to stop before.
    static platform::ComPtr<CEnumColumnFloat> Create(ColumnPtr column, int32_t position, int32_t limit);

    CEnumColumnFloat(const CEnumColumnFloat&) = delete;
    CEnumColumnFloat& operator=(const CEnumColumnFloat&) = delete;

    // IUnknown: IUnknown and IEnumFloatEx.
    HRESULT QueryInterface(REFIID iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;

    // Slot 3. Moves by count: S_OK when position + count lies in 0 .. end - 1; otherwise the
    // position stops at the end (forwards) or at 0 (backwards) and the result is S_FALSE.
    HRESULT Skip(int64_t count) override;
    // Slot 4. Position 0 (not the start given at creation).
    HRESULT Reset() override;
    // Slot 5. [out] the position.
    HRESULT GetPosition(int64_t* out) override;
    // Slots 6 and 7: E_NOTIMPL (the interface gives them no arguments to answer through).
    HRESULT Reserved6() override { return column_ ? E_NOTIMPL : E_FAIL; }
    HRESULT Reserved7() override { return column_ ? E_NOTIMPL : E_FAIL; }
    // Slot 8. Copies min(count, end - position) values and advances. S_OK when count were
    // copied, S_FALSE when fewer (0 at the end). returned may be null; E_POINTER for a null
    // buffer with a count.
    HRESULT Next(uint32_t count, float* buffer, uint32_t* returned) override;
    // Slot 9. [out] a new stream over the same column at the same position and limit.
    HRESULT Clone(IEnumFloatEx** out) override;

private:
    CEnumColumnFloat(ColumnPtr column, int32_t position, int32_t limit)
        : column_(std::move(column)), position_(position), limit_(limit)
    {
    }
    ~CEnumColumnFloat() = default;

    // The smaller of the limit and the column's length (not below 0).
    int64_t End() const;

    std::atomic<int32_t> refs_{0};
    ColumnPtr column_;
    int64_t position_;
    int32_t limit_;
};

// The value streams' Next over a column: copies up to count values from position (not past
// end) into buffer and advances position. [out] returned (may be null): values copied.
// S_OK when count values were copied, else S_FALSE.
HRESULT ReadColumnValues(const std::vector<float>& values, int64_t end, uint32_t count, float* buffer,
                         int64_t& position, uint32_t* returned);

}  // namespace GUILib
