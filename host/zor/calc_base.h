// Zor::CalcBase: the base object that the object factory makes for each calculation (type
// (identifier of TYPE_CalcBase) << 16 | 17), aggregated with the calculation as its outer
// unknown. The calculation talks to it through ICalcBase (calc_site.h); the host reads what the
// calculation told it through ICalculation (calculation.h), which CreateCalculation hands out.
//
// Aggregation: the object's inner unknown (what Create returns) answers IUnknown itself and
// counts the object's references; ICalcBase and ICalculation pass QueryInterface, AddRef and
// Release to the outer unknown, so that the calculation and its base object live and die as
// one. Without an outer unknown the object is its own controlling unknown.
//
// The object keeps references to what it is given: the attached enumerator, the calculation
// class and the site. Thread-safe.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "interfaces/calculation.h"
#include "foundation/kvi_string.h"
#include "platform/com_ptr.h"

namespace Zor {

class CalcBase final : public ICalcBase, public ICalculation {
public:
    // [in] outer: the aggregating calculation, or null; iid: IID_IUnknown when outer is given.
    // [out] the object's inner unknown (with an outer) or the interface asked for.
    // CLASS_E_NOAGGREGATION when an outer asks for anything but IUnknown.
    static HRESULT Create(IUnknown* outer, REFIID iid, void** out);

    CalcBase(const CalcBase&) = delete;
    CalcBase& operator=(const CalcBase&) = delete;

    // IUnknown of ICalcBase and ICalculation: to the controlling unknown.
    HRESULT QueryInterface(REFIID iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;

    // ICalcBase: each call is recorded for ICalculation.
    HRESULT SetSources(int32_t count, const CalcSourceRecord* sources, double a, double b) override;
    // "Calculated from channel N" (N counted from 1) once a source is known, else empty.
    HRESULT GetDescription(IAutoKVIString** out) override;
    HRESULT SetSettingsText(IAutoKVIString* text) override;
    HRESULT Reserved6() override { return E_NOTIMPL; }
    HRESULT AttachEnumerator(ICalculationClass* calcClass, int32_t channel, int32_t second, IUnknown* site,
                             ICalcEnum* enumerator) override;

    // ICalculation.
    HRESULT GetChannelCalc(IChannelCalc** out) override;
    HRESULT GetSources(int32_t capacity, CalcSourceRecord* records, int32_t* count, double* scale,
                       double* offset) override;
    HRESULT GetSettingsText(IAutoKVIString** out) override;
    HRESULT GetAttachedEnumerator(ICalcEnum** enumerator, ICalculationClass** calcClass) override;
    HRESULT GetSettingsTextCount(int32_t* out) override;

private:
    // The non-delegating unknown.
    class Inner final : public IUnknown {
    public:
        explicit Inner(CalcBase* owner) : owner_(owner) {}
        HRESULT QueryInterface(REFIID iid, void** out) override;
        uint32_t AddRef() override;
        uint32_t Release() override;

    private:
        CalcBase* owner_;
    };

    explicit CalcBase(IUnknown* outer);
    ~CalcBase() = default;

    Inner inner_{this};
    IUnknown* const controlling_;  // the outer unknown, or &inner_; no reference held
    std::atomic<int32_t> refs_{0};

    mutable std::mutex mutex_;
    std::vector<CalcSourceRecord> sources_;
    bool haveSources_ = false;
    double scale_ = 1.0;
    double offset_ = 0.0;
    KVI::String text_;
    int32_t textCount_ = 0;
    platform::ComPtr<ICalcEnum> enumerator_;
    platform::ComPtr<ICalculationClass> calcClass_;
    platform::ComPtr<IUnknown> site_;
    int32_t attachedChannel_ = -1;
    int32_t attachedSecond_ = 0;
};

}  // namespace Zor
