// Zor::ChannelCalculation: the host's side of one calculated channel: the calculation that a
// calculation class made for the channel, the site the host gave it, and what the calculation
// reported (through its base object and its data format). It makes the sample streams of the
// channel: an enumerator of the calculation connected to a stream over the source.
//
// Not thread-safe by itself: the document that owns it guards it with its lock.
#pragma once

#include <cstdint>
#include <memory>

#include "interfaces/calculation.h"
#include "interfaces/class_objects.h"
#include "interfaces/enum_float_ex.h"
#include "values/units/unit_info.h"
#include "host/zor/channel_site.h"
#include "platform/com_ptr.h"

namespace Zor {

class ChannelCalculation {
public:
    // Has the class create a calculation for the channel (CreateCalculation with the channel
    // number, second and a new site), then reads its unit. Returns CreateCalculation's result;
    // E_NOINTERFACE when the calculation does not answer IChannelCalc.
    static HRESULT Create(ICalculationClass* calcClass, int32_t channel, int32_t second,
                          std::unique_ptr<ChannelCalculation>* out);

    ChannelCalculation(const ChannelCalculation&) = delete;
    ChannelCalculation& operator=(const ChannelCalculation&) = delete;

    // IChannelCalc::ApplySettings with attaching (flags 1); afterwards the unit is read again.
    // Returns ApplySettings' result.
    HRESULT ApplySettings(IUnknown* settings);
    // IChannelCalc::GetSettings.
    HRESULT GetSettings(IPersistObject** out) const;

    // The channel the calculation reads (its first source), -1 before it named one.
    int32_t SourceChannel() const;
    // The unit the calculation reports for its output (IChannelCalc::GetDataFormat).
    const KVI::UnitInfo& Unit() const { return unit_; }

    // A stream of the calculation's output over source (a stream of the source channel): a new
    // enumerator from the class of the attached one, given the calculation's settings text and
    // connected to source. E_FAIL when no enumerator is attached; the module's failure otherwise.
    HRESULT CreateStream(IEnumFloatEx* source, IEnumFloatEx** out) const;

    ICalculation* Calculation() const { return calculation_.Get(); }
    ICalculationClass* Class() const { return class_.Get(); }
    const ChannelSite& Site() const { return *site_.Get(); }
    int32_t Channel() const { return channel_; }
    int32_t Second() const { return second_; }

private:
    ChannelCalculation(int32_t channel, int32_t second) : channel_(channel), second_(second) {}
    void ReadUnit();

    int32_t channel_;
    int32_t second_;
    platform::ComPtr<ICalculationClass> class_;
    platform::ComPtr<ChannelSite> site_;
    platform::ComPtr<ICalculation> calculation_;
    platform::ComPtr<IChannelCalc> calc_;
    KVI::UnitInfo unit_;
};

}  // namespace Zor
