#include "calibration/tessar_settings.h"

#include <new>

#include "calibration/framework.h"
#include "calibration/settings_text.h"
#include "values/units/unit_entry.h"
#include "platform/com_ptr.h"
#include "platform/interlocked.h"

namespace Tessar {
namespace {

// A failed read ends a load; the reads below turn each into this one exception so that Load
// has a single place that gives up and keeps the old record.
struct ReadFailed {};

class Reader {
public:
    explicit Reader(IObjectInStream* s) : s_(s) {}

    uint32_t UInt32()
    {
        uint32_t v = 0;
        Check(s_->ReadUInt32(&v));
        return v;
    }
    int32_t Int32()
    {
        int32_t v = 0;
        Check(s_->ReadInt32(&v));
        return v;
    }
    double Double()
    {
        double v = 0;
        Check(s_->ReadDouble(&v));
        return v;
    }
    KVI::String String()
    {
        platform::ComPtr<IAutoKVIString> s;
        Check(s_->ReadString(s.Put()));
        return KVI::String(s.Get());
    }
    void Unit(KVI::UnitInfo& unit) { Check(KVI::UnitEntry::ReadUnit(s_, &unit)); }
    int64_t Int64()
    {
        const uint64_t low = UInt32();
        const uint64_t high = UInt32();
        return static_cast<int64_t>(low | high << 32);
    }

private:
    static void Check(HRESULT hr)
    {
        if (FAILED(hr)) throw ReadFailed{};
    }
    IObjectInStream* s_;
};

// The version 3 fields after the version 2 form; false for a value out of its range.
bool ReadKeeping(Reader& in, CalibrationData& d)
{
    const uint32_t policy = in.UInt32();
    d.zeroOffset_ = in.Double();
    const uint32_t weights = in.UInt32();
    if (policy > uint32_t(RangePolicy::Blank) || weights > uint32_t(PointWeights::InverseVariance)) return false;
    d.rangePolicy_ = int32_t(policy);
    d.weights_ = int32_t(weights);
    d.calibrationDate_ = in.String();
    d.dueDate_ = in.String();
    d.validityDays_ = in.Int32();
    d.certificate_ = in.String();
    d.operator_ = in.String();
    d.note_ = in.String();
    const uint32_t count = in.UInt32();
    if (d.validityDays_ < 0 || (count != 0 && count != d.rawValues_.size())) return false;
    d.provenance_.resize(count);
    for (PointProvenance& p : d.provenance_) {
        p.measured = in.UInt32() != 0;
        p.mean = in.Double();
        p.sd = in.Double();
        p.count = in.Int64();
        p.block = in.Int32();
        p.firstSample = in.Int64();
        p.lastSample = in.Int64();
    }
    return true;
}

class Writer {
public:
    explicit Writer(IObjectOutStream* s) : s_(s) {}
    Writer& UInt32(uint32_t v) { return Check(s_->WriteUInt32(v)); }
    Writer& Double(double v) { return Check(s_->WriteDouble(v)); }
    Writer& String(const KVI::String& v) { return Check(s_->WriteString(v.Interface())); }
    Writer& Int64(int64_t v)
    {
        const auto bits = static_cast<uint64_t>(v);
        return UInt32(static_cast<uint32_t>(bits)).UInt32(static_cast<uint32_t>(bits >> 32));
    }
    bool Ok() const { return ok_; }

private:
    Writer& Check(HRESULT hr)
    {
        ok_ = ok_ && SUCCEEDED(hr);
        return *this;
    }
    IObjectOutStream* s_;
    bool ok_ = true;
};

bool WriteKeeping(IObjectOutStream* stream, const CalibrationData& d)
{
    Writer out(stream);
    out.UInt32(uint32_t(d.rangePolicy_)).Double(d.zeroOffset_).UInt32(uint32_t(d.weights_));
    out.String(d.calibrationDate_).String(d.dueDate_).UInt32(uint32_t(d.validityDays_));
    out.String(d.certificate_).String(d.operator_).String(d.note_);
    out.UInt32(uint32_t(d.provenance_.size()));
    for (const PointProvenance& p : d.provenance_) {
        out.UInt32(p.measured ? 1 : 0).Double(p.mean).Double(p.sd).Int64(p.count);
        out.UInt32(uint32_t(p.block)).Int64(p.firstSample).Int64(p.lastSample);
    }
    return out.Ok();
}

CachedTypeId& SettingsTypeId()
{
    static CachedTypeId id(TYPE_Tessar, kSettingsTypeLowWord);
    return id;
}

}  // namespace

HRESULT TessarSettings::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid != IID_IUnknown && iid != IID_IPersistObject) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    *out = static_cast<IPersistObject*>(this);
    AddRef();
    return S_OK;
}

uint32_t TessarSettings::AddRef() { return static_cast<uint32_t>(platform::InterlockedIncrement(refs_)); }

uint32_t TessarSettings::Release()
{
    const int32_t n = platform::InterlockedDecrement(refs_);
    if (n == 0) Destroy();
    return static_cast<uint32_t>(n);
}

void TessarSettings::Destroy() { delete this; }

HRESULT TessarSettings::Load(IObjectInStream* stream)
{
    if (!stream) return E_POINTER;
    try {
        Reader in(stream);
        const uint32_t version = in.UInt32();
        if (version > kSettingsVersionKeeping) return KVI_E_VERSION_TOO_NEW;

        // Everything goes into a new record, which replaces the old one only at the end.
        CalibrationData loaded;
        loaded.calculatedView_ = in.UInt32() != 0;
        loaded.channel_ = in.Int32();
        loaded.decimalPlaces_ = in.Int32();
        loaded.paneTop_ = in.Double();
        loaded.paneBottom_ = in.Double();
        // No room is set aside for the count: a corrupt count ends at the first string the
        // stream does not have.
        for (uint32_t i = 0, count = in.UInt32(); i < count; ++i) loaded.strings_.insert(in.String());

        const KVI::String text = in.String();
        if (ParseSettingsText(text.View(), SettingsTextScope::Full, loaded) == SettingsTextStatus::Rejected)
            return E_FAIL;
        if (version >= kSettingsVersion) {
            in.Unit(loaded.unit_);
            // The keeping fields of the stored form are the record's; the text's copy of the
            // policy and offset is the enumerators'.
            if (version == kSettingsVersionKeeping && !ReadKeeping(in, loaded)) return E_FAIL;
            if (FAILED(stream->GetStatus())) return E_FAIL;
        }
        data_ = std::move(loaded);
        return S_OK;
    } catch (const ReadFailed&) {
        return E_FAIL;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT TessarSettings::Save(IObjectOutStream* stream)
{
    if (!stream) return E_POINTER;
    try {
        const CalibrationData& d = data_;
        const bool keeping = d.UsesKeepingFields();
        bool ok = SUCCEEDED(stream->WriteUInt32(keeping ? kSettingsVersionKeeping : kSettingsVersion)) &&
                  SUCCEEDED(stream->WriteUInt32(d.calculatedView_ ? 1 : 0)) &&
                  SUCCEEDED(stream->WriteUInt32(static_cast<uint32_t>(d.channel_))) &&
                  SUCCEEDED(stream->WriteUInt32(static_cast<uint32_t>(d.decimalPlaces_))) &&
                  SUCCEEDED(stream->WriteDouble(d.paneTop_)) && SUCCEEDED(stream->WriteDouble(d.paneBottom_)) &&
                  SUCCEEDED(stream->WriteUInt32(static_cast<uint32_t>(d.strings_.size())));
        for (auto it = d.strings_.begin(); ok && it != d.strings_.end(); ++it)
            ok = SUCCEEDED(stream->WriteString(it->Interface()));
        ok = ok && SUCCEEDED(stream->WriteString(FormatSettingsText(d).Interface())) &&
             SUCCEEDED(KVI::UnitEntry::WriteUnit(stream, d.unit_));
        if (keeping) ok = ok && WriteKeeping(stream, d);
        return ok && SUCCEEDED(stream->GetStatus()) ? S_OK : E_FAIL;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT TessarSettings::GetTypeId(uint32_t* out) { return TypeId(out); }

HRESULT TessarSettings::TypeId(uint32_t* out) { return SettingsTypeId().Get(out); }

}  // namespace Tessar
