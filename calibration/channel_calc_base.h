// CalcEnums::ChannelCalcBase: what every channel calculation shares: the reference count and
// the IChannelCalc slots that no calculation of this module uses (8 to 10). A calculation
// derives from it and supplies slots 3 to 7 and its QueryInterface.
#pragma once

#include <atomic>
#include <cstdint>

#include "interfaces/channel_calc.h"
#include "platform/interlocked.h"

namespace CalcEnums {

class ChannelCalcBase : public IChannelCalc {
public:
    ChannelCalcBase(const ChannelCalcBase&) = delete;
    ChannelCalcBase& operator=(const ChannelCalcBase&) = delete;

    uint32_t AddRef() override { return static_cast<uint32_t>(platform::InterlockedIncrement(refs_)); }
    // The last Release destroys the calculation.
    uint32_t Release() override
    {
        const int32_t n = platform::InterlockedDecrement(refs_);
        if (n == 0) delete this;
        return static_cast<uint32_t>(n);
    }

    // Slots 8 and 9: [out] null; E_NOTIMPL (E_POINTER for a null out-pointer).
    HRESULT Reserved8(IUnknown** out) override { return NotImplemented(out); }
    HRESULT Reserved9(IUnknown** out) override { return NotImplemented(out); }
    // Slot 10: nothing to do; S_OK.
    HRESULT Reserved10() override { return S_OK; }

    int32_t RefCount() const { return refs_.load(std::memory_order_relaxed); }

protected:
    ChannelCalcBase() = default;
    virtual ~ChannelCalcBase() = default;

    // A calculation hands itself out (as an outer unknown) while it is being built; a
    // reference held for the duration keeps a passing AddRef and Release pair from
    // destroying it. DropConstructionReference leaves the count where it was, never destroys.
    void HoldConstructionReference() { platform::InterlockedIncrement(refs_); }
    void DropConstructionReference() { platform::InterlockedDecrement(refs_); }

private:
    static HRESULT NotImplemented(IUnknown** out)
    {
        if (!out) return E_POINTER;
        *out = nullptr;
        return E_NOTIMPL;
    }

    std::atomic<int32_t> refs_{0};
};

}  // namespace CalcEnums
