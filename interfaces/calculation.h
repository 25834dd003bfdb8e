// ICalculation: a calculation as the host sees it. The calculation class's CreateCalculation
// hands it out (IID_ICalculation, class_objects.h); the framework's base object, aggregated
// inside the calculation, answers it. It reports what the calculation told its base object
// (ICalcBase, calc_site.h): its sources with the data format's two doubles, its settings text
// and the enumerator it attached. The calculation's own interface, IChannelCalc, is reached
// through GetChannelCalc.
//
// The base object answers IID_ICalcBaseNotify, which the calculation passes to its site when
// its settings change, with this interface too.
#pragma once

#include <cstdint>

#include "interfaces/calc_enum.h"
#include "interfaces/calc_site.h"
#include "interfaces/channel_calc.h"
#include "interfaces/class_objects.h"
#include "foundation/kvi_string.h"
#include "platform/unknown.h"

struct ICalculation : IUnknown {
    // [out] the calculation's IChannelCalc, reference added. E_NOINTERFACE when the base object
    // is not aggregated inside a calculation.
    virtual HRESULT GetChannelCalc(IChannelCalc** out) = 0;  // 3
    // [in] capacity: room in records. [out] count: the number of sources last given (0
    // before any); records: the first min(count, capacity) of them (may be null when capacity
    // is 0); scale, offset: the two doubles given with them (1/scale and -offset*scale of the
    // calculation's data format; 1 and 0 before any). S_FALSE before any sources were given.
    virtual HRESULT GetSources(int32_t capacity, CalcSourceRecord* records, int32_t* count, double* scale,
                               double* offset) = 0;  // 4
    // [out] the settings text last given, reference added (empty before any).
    virtual HRESULT GetSettingsText(IAutoKVIString** out) = 0;  // 5
    // [out] the enumerator last attached and the calculation class that attached it, each with
    // a reference added (either pointer may be null when not wanted). S_FALSE and nulls when
    // none was attached.
    virtual HRESULT GetAttachedEnumerator(ICalcEnum** enumerator, ICalculationClass** calcClass) = 0;  // 6
    // [out] how many times the calculation gave its settings text (changes of settings).
    virtual HRESULT GetSettingsTextCount(int32_t* out) = 0;  // 7

protected:
    ~ICalculation() = default;
};
