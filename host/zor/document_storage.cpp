// Saving and loading documents (the Document members that deal with files).
#include <new>
#include <string>

#include "foundation/hresult_message.h"
#include "host/zor/atomic_file.h"
#include "host/zor/document.h"
#include "host/zor/document_file.h"
#include "host/zor/registry.h"
#include "platform/code_page.h"

namespace Zor {
namespace {

std::string Narrow(const KVI::String& s) { return s.ToUtf8(); }

std::string CodeText(HRESULT hr)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(hr));
    return buf;
}

// "the text of the code (0x........)", or the code alone when it has no text.
std::string Explain(HRESULT hr)
{
    const std::string text = Narrow(KVI::HResultMessage(hr));
    return text.empty() ? CodeText(hr) : text + " (" + CodeText(hr) + ")";
}

std::string ChannelLabel(int32_t channel, std::u16string_view className)
{
    std::string label = "channel " + std::to_string(channel + 1ll);
    if (!className.empty()) label += " (" + platform::Utf16ToUtf8(className) + ")";
    return label;
}

// A registered type identifier as a stored type. false when the registry does not know it.
bool StoredTypeOf(uint32_t typeId, StoredType* out)
{
    GUID type{};
    if (FAILED(Registry::Instance()->GetTypeGuid(static_cast<uint16_t>(typeId >> 16), &type))) return false;
    out->type = type;
    out->lowWord = static_cast<uint16_t>(typeId & 0xFFFF);
    return true;
}

void SetError(IAutoKVIString** error, const std::string& text)
{
    if (error) *error = KVI::String::FromUtf8(text).NewReference();
}

}  // namespace

bool Document::SnapshotLocked(DocumentContents* contents, std::string* error, HRESULT* hr) const
{
    // Blocks are shared, not copied: appending later copies a block only while this snapshot
    // still holds it.
    contents->recording = data_;
    for (const auto& calc : calcs_) {
        if (!calc) continue;
        StoredCalculation stored;
        stored.channel = calc->Channel();
        stored.second = calc->Second();
        BSTR name = nullptr;
        if (SUCCEEDED(calc->Class()->GetClassNameBstr(&name)) && name) stored.className = name;
        SysFreeString(name);
        const std::string label = ChannelLabel(calc->Channel(), stored.className);
        uint32_t typeId = 0;
        if (FAILED(calc->Class()->GetTypeId(&typeId)) || !StoredTypeOf(typeId, &stored.calcClass)) {
            *error = label + ": the calculation class has no type";
            *hr = E_FAIL;
            return false;
        }
        platform::ComPtr<IPersistObject> settings;
        *hr = calc->GetSettings(settings.Put());
        if (FAILED(*hr) || !settings) {
            *error = label + ": the calculation gives no settings: " + Explain(FAILED(*hr) ? *hr : E_FAIL);
            if (SUCCEEDED(*hr)) *hr = E_FAIL;
            return false;
        }
        if (FAILED(settings->GetTypeId(&typeId)) || !StoredTypeOf(typeId, &stored.settingsClass)) {
            *error = label + ": the settings have no type";
            *hr = E_FAIL;
            return false;
        }
        const platform::ComPtr<ObjectOutStream> out = ObjectOutStream::CreateInMemory();
        *hr = settings->Save(out.Get());
        if (SUCCEEDED(*hr) && FAILED(out->GetStatus())) *hr = E_FAIL;
        if (FAILED(*hr)) {
            *error = label + ": the settings cannot be stored: " + Explain(*hr);
            return false;
        }
        stored.settings = out->Bytes();
        contents->calculations.push_back(std::move(stored));
    }
    return true;
}

HRESULT Document::Save(const char16_t* path, IAutoKVIString** error)
{
    if (error) *error = nullptr;
    if (!path || !*path) return E_INVALIDARG;
    try {
        const std::string file = platform::Utf16ToUtf8(path);
        DocumentContents contents;
        std::string why;
        HRESULT hr = S_OK;
        {
            std::lock_guard lock(mutex_);
            if (!SnapshotLocked(&contents, &why, &hr)) {
                SetError(error, file + ": " + why);
                return FAILED(hr) ? hr : E_FAIL;
            }
        }
        AtomicFile target(file);
        if (!target.IsOpen()) {
            SetError(error, target.ErrorText());
            return E_FAIL;
        }
        const platform::ComPtr<ObjectOutStream> out = ObjectOutStream::CreateOnFile(target.File());
        if (!WriteDocument(*out.Get(), contents, &why)) {
            SetError(error, file + ": " + why);
            return E_FAIL;
        }
        if (!target.Commit()) {
            SetError(error, target.ErrorText());
            return E_FAIL;
        }
        std::lock_guard lock(mutex_);
        modified_ = false;
        return S_OK;
    } catch (const std::bad_alloc&) {
        SetError(error, "out of memory");
        return E_OUTOFMEMORY;
    }
}

bool Document::BuildCalculations(const DocumentContents& contents, Calculations* calcs, std::string* error,
                                 HRESULT* hr)
{
    Registry* registry = Registry::Instance();
    calcs->resize(static_cast<size_t>(contents.recording.ChannelCount()));
    for (const StoredCalculation& stored : contents.calculations) {
        const std::string label = ChannelLabel(stored.channel, stored.className);
        const uint32_t calcType = registry->TypeIdOf(stored.calcClass.type, stored.calcClass.lowWord);
        const uint32_t settingsType = registry->TypeIdOf(stored.settingsClass.type, stored.settingsClass.lowWord);
        platform::ComPtr<ICalculationClass> calcClass;
        platform::ComPtr<ISettingsClass> settingsClass;
        const platform::ComPtr<IUnknown> foundCalc = registry->Classes().Find(KIND_CalculationClass, calcType);
        const platform::ComPtr<IUnknown> foundSettings = registry->Classes().Find(KIND_SettingsClass, settingsType);
        if (!foundCalc || FAILED(foundCalc.As(IID_ICalculationClass, calcClass)) || !foundSettings ||
            FAILED(foundSettings.As(IID_ISettingsClass, settingsClass))) {
            *error = label + ": the calculation is not available (no loaded module provides it)";
            *hr = CLASS_E_CLASSNOTAVAILABLE;
            return false;
        }
        const platform::ComPtr<ObjectInStream> in = ObjectInStream::CreateFromMemory(stored.settings);
        platform::ComPtr<IPersistObject> settings;
        *hr = FAILED(in->GetStatus()) ? E_FAIL : settingsClass->LoadSettings(nullptr, in.Get(), settings.Put());
        if (SUCCEEDED(*hr) && !settings) *hr = E_FAIL;
        if (FAILED(*hr)) {
            *error = label + ": the settings cannot be read: " + Explain(*hr);
            if (!in->ErrorText().empty()) *error += "; " + in->ErrorText();
            return false;
        }
        std::unique_ptr<ChannelCalculation> calc;
        *hr = ChannelCalculation::Create(calcClass.Get(), stored.channel, stored.second, &calc);
        if (SUCCEEDED(*hr)) *hr = calc->ApplySettings(settings.Get());
        if (FAILED(*hr)) {
            *error = label + ": the calculation cannot be made: " + Explain(*hr);
            return false;
        }
        (*calcs)[static_cast<size_t>(stored.channel)] = std::move(calc);
    }
    *hr = S_OK;
    return true;
}

HRESULT Document::Load(const char16_t* path, IAutoKVIString** error)
{
    if (error) *error = nullptr;
    if (!path || !*path) return E_INVALIDARG;
    try {
        const std::string file = platform::Utf16ToUtf8(path);
        const platform::ComPtr<ObjectInStream> in = ObjectInStream::CreateFromFile(file);
        DocumentContents contents;
        std::string why;
        if (FAILED(in->GetStatus())) {
            SetError(error, file + ": " + in->ErrorText());
            return E_FAIL;
        }
        if (!ReadDocument(*in.Get(), &contents, &why)) {
            SetError(error, file + ": " + why);
            return E_FAIL;
        }
        Calculations calcs;
        HRESULT hr = S_OK;
        if (!BuildCalculations(contents, &calcs, &why, &hr)) {
            SetError(error, file + ": " + why);
            return hr;
        }
        {
            std::lock_guard lock(mutex_);
            std::swap(data_, contents.recording);
            std::swap(calcs_, calcs);
            modified_ = false;
        }
        // The old contents (now in contents and calcs) go here, outside the lock.
        return S_OK;
    } catch (const std::bad_alloc&) {
        SetError(error, "out of memory");
        return E_OUTOFMEMORY;
    }
}

}  // namespace Zor
