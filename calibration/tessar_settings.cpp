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

private:
    static void Check(HRESULT hr)
    {
        if (FAILED(hr)) throw ReadFailed{};
    }
    IObjectInStream* s_;
};

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
        if (version > kSettingsVersion) return KVI_E_VERSION_TOO_NEW;

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
        if (version == kSettingsVersion) {
            in.Unit(loaded.unit_);
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
        bool ok = SUCCEEDED(stream->WriteUInt32(kSettingsVersion)) &&
                  SUCCEEDED(stream->WriteUInt32(d.calculatedView_ ? 1 : 0)) &&
                  SUCCEEDED(stream->WriteUInt32(static_cast<uint32_t>(d.channel_))) &&
                  SUCCEEDED(stream->WriteUInt32(static_cast<uint32_t>(d.decimalPlaces_))) &&
                  SUCCEEDED(stream->WriteDouble(d.paneTop_)) && SUCCEEDED(stream->WriteDouble(d.paneBottom_)) &&
                  SUCCEEDED(stream->WriteUInt32(static_cast<uint32_t>(d.strings_.size())));
        for (auto it = d.strings_.begin(); ok && it != d.strings_.end(); ++it)
            ok = SUCCEEDED(stream->WriteString(it->Interface()));
        ok = ok && SUCCEEDED(stream->WriteString(FormatSettingsText(d).Interface())) &&
             SUCCEEDED(KVI::UnitEntry::WriteUnit(stream, d.unit_));
        return ok && SUCCEEDED(stream->GetStatus()) ? S_OK : E_FAIL;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT TessarSettings::GetTypeId(uint32_t* out) { return TypeId(out); }

HRESULT TessarSettings::TypeId(uint32_t* out) { return SettingsTypeId().Get(out); }

}  // namespace Tessar
