// The host's recording as its application and the framework's documents see it: channels with
// their properties, blocks, and float samples per channel and block (IRecording); and the
// calculations attached to channels (IChannelCalculations). A document (zor_document.h) answers
// both.
//
// Channels and blocks are numbered from 0. A channel may have no samples in a block. A channel
// with a calculation shows the calculation's output: its sample streams compute samples from
// the calculation's source channel, block by block, as they are read; nothing calculated is
// stored.
#pragma once

#include <cstdint>

#include "interfaces/calculation.h"
#include "interfaces/class_objects.h"
#include "interfaces/enum_float_ex.h"
#include "interfaces/persist_object.h"
#include "interfaces/unit_name.h"
#include "foundation/kvi_string.h"
#include "platform/unknown.h"

// IIDs chosen by this system.
constexpr IID IID_IRecording = platform::Guid("{14F892B1-632A-4783-B344-35C653161183}");
constexpr IID IID_IChannelCalculations = platform::Guid("{73FBCD74-B89A-4C9D-9D91-07652C1FD0C2}");

// The sample intervals a recording takes, in seconds: a picosecond to about 31 years, so that
// times and rates stay finite and printable.
constexpr double kMinSampleInterval = 1e-12;
constexpr double kMaxSampleInterval = 1e9;

// Every operation on a channel or block that does not exist returns E_INVALIDARG; null
// out-pointers give E_POINTER.
struct IRecording : IUnknown {
    virtual HRESULT GetChannelCount(int32_t* out) = 0;  // 3
    // [in] name (null: empty). [out] index of the new channel (may be null). The channel has
    // the empty unit, a colour of its own, the display range +10 to -10, units conversion off
    // and no samples.
    virtual HRESULT AddChannel(IAutoKVIString* name, int32_t* index) = 0;  // 4
    virtual HRESULT GetChannelName(int32_t channel, IAutoKVIString** out) = 0;  // 5
    virtual HRESULT SetChannelName(int32_t channel, IAutoKVIString* name) = 0;  // 6
    // [out] a new unit object: the calculation's unit for a calculated channel, else the
    // channel's own.
    virtual HRESULT GetChannelUnit(int32_t channel, IUnitName** out) = 0;  // 7
    // [in] unit: copied (prefix, name, flag); null sets the empty unit.
    virtual HRESULT SetChannelUnit(int32_t channel, IUnitName* unit) = 0;  // 8
    // Colours are 0xRRGGBB.
    virtual HRESULT GetChannelColour(int32_t channel, uint32_t* rgb) = 0;  // 9
    virtual HRESULT SetChannelColour(int32_t channel, uint32_t rgb) = 0;   // 10
    // The values at the top and bottom of the channel's scale, in its unit.
    virtual HRESULT GetDisplayRange(int32_t channel, double* top, double* bottom) = 0;  // 11
    // E_INVALIDARG for a non-finite value.
    virtual HRESULT SetDisplayRange(int32_t channel, double top, double bottom) = 0;  // 12
    // Units conversion of the channel (0 off, 1 on).
    virtual HRESULT GetUnitsConversion(int32_t channel, int32_t* on) = 0;  // 13
    virtual HRESULT SetUnitsConversion(int32_t channel, int32_t on) = 0;   // 14
    virtual HRESULT GetBlockCount(int32_t* out) = 0;                       // 15
    // Adds an empty block at the end. [out] its index (may be null).
    virtual HRESULT AddBlock(int32_t* index) = 0;  // 16
    // [out] the number of samples of the channel in the block (for a calculated channel, that
    // of its source). E_FAIL for a calculated channel whose source is not named yet, is
    // missing, or leads round in a loop.
    virtual HRESULT GetSampleCount(int32_t channel, int32_t block, int64_t* out) = 0;  // 17
    // Appends samples to a channel's own samples in a block (a calculated channel keeps its own
    // samples too; they are its source when the calculation works on its own channel).
    // E_OUTOFMEMORY when they do not fit.
    virtual HRESULT AppendSamples(int32_t channel, int32_t block, const float* samples, uint32_t count) = 0;  // 18
    // A stream over the channel's samples in a block from sample start up to (not including)
    // sample end; end is cut to the samples there are. Positions reported by the stream are
    // sample offsets in the block. For a calculated channel the stream is the calculation's
    // enumerator connected to a stream over its source. E_INVALIDARG when start > end or
    // start < 0; E_FAIL when a calculated channel cannot compute (no enumerator attached, a
    // source missing or calculated from itself in a loop).
    virtual HRESULT CreateSampleStream(int32_t channel, int32_t block, int64_t start, int64_t end,
                                       IEnumFloatEx** out) = 0;  // 19
    // The time between consecutive samples of a block, in seconds, the same for every channel.
    // [out] seconds: the interval; S_FALSE and 0 when the block has none (its samples are only
    // numbered).
    virtual HRESULT GetSampleInterval(int32_t block, double* seconds) = 0;  // 20
    // [in] seconds: finite and within kMinSampleInterval..kMaxSampleInterval, or 0 to remove the
    // block's interval. E_INVALIDARG for anything else.
    virtual HRESULT SetSampleInterval(int32_t block, double seconds) = 0;  // 21

protected:
    ~IRecording() = default;
};

struct IChannelCalculations : IUnknown {
    // Gives the channel a new calculation of the class (replacing any it had): the class's
    // CreateCalculation with the channel number, second and a site of the host's. Returns
    // CreateCalculation's result.
    virtual HRESULT SetCalculation(int32_t channel, ICalculationClass* calcClass, int32_t second) = 0;  // 3
    // S_FALSE when the channel had none.
    virtual HRESULT RemoveCalculation(int32_t channel) = 0;  // 4
    // [out] the channel's calculation, reference added; S_FALSE and null when it has none.
    virtual HRESULT GetCalculation(int32_t channel, ICalculation** out) = 0;  // 5
    // Hands settings to the channel's calculation (IChannelCalc::ApplySettings, asking it to
    // attach an enumerator) and takes the unit it reports. Returns ApplySettings' result
    // (S_FALSE: the settings equal the current ones). E_FAIL when the channel has no
    // calculation.
    virtual HRESULT ApplySettings(int32_t channel, IUnknown* settings) = 0;  // 6
    // [out] the calculation's current settings, reference added. E_FAIL without a calculation.
    virtual HRESULT GetSettings(int32_t channel, IPersistObject** out) = 0;  // 7
    // [out] the channel the calculation reads; S_FALSE and -1 before it named one.
    virtual HRESULT GetSourceChannel(int32_t channel, int32_t* source) = 0;  // 8
    // [out] the class whose CreateCalculation made the channel's calculation, reference added
    // (the class a host asks for the calculation's settings dialog); S_FALSE and null when the
    // channel has none.
    virtual HRESULT GetCalculationClass(int32_t channel, ICalculationClass** out) = 0;  // 9

protected:
    ~IChannelCalculations() = default;
};
