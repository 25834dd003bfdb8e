#include "values/units/unit_entry.h"

#include <new>

#include "values/units/prefix_table.h"
#include "platform/com_ptr.h"
#include "platform/interlocked.h"

namespace KVI {

String UnitInfo::DisplayText() const
{
    String text(PrefixText(prefix_));
    text += name_;
    return text;
}

HRESULT UnitEntry::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IUnitName) {
        *out = static_cast<IUnitName*>(this);
    } else if (iid == IID_IPersistObject) {
        *out = static_cast<IPersistObject*>(this);
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

uint32_t UnitEntry::AddRef() { return static_cast<uint32_t>(platform::InterlockedIncrement(refs_)); }

uint32_t UnitEntry::Release()
{
    const int32_t n = platform::InterlockedDecrement(refs_);
    if (n == 0) delete this;
    return static_cast<uint32_t>(n);
}

HRESULT UnitEntry::GetPrefix(int32_t* out)
{
    if (!out) return E_INVALIDARG;
    *out = info_.prefix_;
    return S_OK;
}

HRESULT UnitEntry::GetText(int32_t withPrefix, IAutoKVIString** out)
{
    if (!out) return E_POINTER;
    try {
        *out = (withPrefix ? info_.DisplayText() : info_.PlainText()).NewReference();
        return S_OK;
    } catch (const std::bad_alloc&) {
        *out = nullptr;
        return E_OUTOFMEMORY;
    }
}

HRESULT UnitEntry::GetFlag(int32_t* out)
{
    if (!out) return E_POINTER;
    *out = info_.flag_;
    return S_OK;
}

HRESULT UnitEntry::SetPrefix(int32_t prefix)
{
    info_.prefix_ = prefix;
    return S_OK;
}

HRESULT UnitEntry::SetName(IAutoKVIString* name)
{
    try {
        info_.name_ = String(name);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT UnitEntry::SetFlag(int32_t flag)
{
    info_.flag_ = flag ? 1 : 0;
    return S_OK;
}

HRESULT UnitEntry::Clone(IUnitName** out)
{
    if (!out) return E_POINTER;
    auto* copy = new (std::nothrow) UnitEntry(info_);
    *out = copy;
    if (!copy) return E_OUTOFMEMORY;
    copy->AddRef();
    return S_OK;
}

HRESULT UnitEntry::Load(IObjectInStream* stream) { return ReadUnit(stream, &info_); }

HRESULT UnitEntry::Save(IObjectOutStream* stream) { return WriteUnit(stream, info_); }

HRESULT UnitEntry::GetTypeId(uint32_t* out)
{
    if (!out) return E_POINTER;
    *out = 0;
    return E_NOTIMPL;
}

HRESULT UnitEntry::ReadUnit(IObjectInStream* stream, UnitInfo* unit)
{
    if (!stream || !unit) return E_POINTER;
    uint32_t prefix = 0, flag = 0;
    platform::ComPtr<IAutoKVIString> name;
    if (FAILED(stream->ReadUInt32(&prefix))) return E_FAIL;
    if (FAILED(stream->ReadString(name.Put()))) return E_FAIL;
    if (FAILED(stream->ReadUInt32(&flag))) return E_FAIL;
    try {
        // Both 32-bit values were written unsigned from signed fields.
        unit->name_ = String(name.Get());
        unit->prefix_ = static_cast<int32_t>(prefix);
        unit->flag_ = static_cast<int32_t>(flag);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT UnitEntry::WriteUnit(IObjectOutStream* stream, const UnitInfo& unit)
{
    if (!stream) return E_POINTER;
    if (FAILED(stream->WriteUInt32(static_cast<uint32_t>(unit.prefix_)))) return E_FAIL;
    if (FAILED(stream->WriteString(unit.name_.Interface()))) return E_FAIL;
    if (FAILED(stream->WriteUInt32(static_cast<uint32_t>(unit.flag_)))) return E_FAIL;
    return S_OK;
}

}  // namespace KVI

