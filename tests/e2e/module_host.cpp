#include "tests/e2e/module_host.h"

#include <gtest/gtest.h>

#include "host/zor/framework_client.h"

namespace ZorTest {
namespace {

using platform::ComPtr;

ComPtr<IUnknown> FindByName(IZorFramework* framework, const GUID& kind, const std::u16string& name)
{
    ComPtr<IUnknown> cls;
    Zor::FindClassByName(framework, kind, name, cls.Put());
    return cls;
}

ModuleHost* Start()
{
    auto* host = new ModuleHost;
    std::string problem;
    if (FAILED(Zor::StartFramework("", host->framework.Put(), &problem))) {
        ADD_FAILURE() << problem;
        return nullptr;
    }
    IAutoKVIString* why = nullptr;
    const HRESULT hr = host->framework->LoadModule(KVI::String(TESSAR_MODULE_PATH).c_str(), &why);
    if (FAILED(hr)) {
        ADD_FAILURE() << Utf8(why);
        return nullptr;
    }
    // The calculation and enumerator classes by name; the settings class shares the
    // calculation's type GUID, with low word 1.
    const ComPtr<IUnknown> calc = FindByName(host->framework.Get(), KIND_CalculationClass, u"Tessar");
    const ComPtr<IUnknown> enums = FindByName(host->framework.Get(), KIND_CalcEnumClass, u"TessarCalcEnum");
    if (!calc || FAILED(calc.As(IID_ICalculationClass, host->calcClass)) || !enums ||
        FAILED(enums.As(IID_ICalcEnumClass2, host->enumClass)) ||
        FAILED(calc.As(IID_ITessarAutomation, host->automation))) {
        ADD_FAILURE() << "the module's calculation or enumerator class is not registered";
        return nullptr;
    }
    uint32_t calcType = 0;
    host->calcClass->GetTypeId(&calcType);
    ComPtr<IUnknown> settings;
    if (FAILED(host->framework->FindClass(KIND_SettingsClass, calcType | 1, settings.Put())) ||
        FAILED(settings.As(IID_ISettingsClass, host->settingsClass))) {
        ADD_FAILURE() << "the module's settings class is not registered";
        return nullptr;
    }
    return host;
}

}  // namespace

const ModuleHost* Host()
{
    static const ModuleHost* const host = Start();
    if (!host) ADD_FAILURE() << "no module host";
    return host;
}

ComPtr<IPersistObject> Fit(const std::vector<std::u16string>& raw, const std::vector<std::u16string>& cal,
                           const char16_t* unit, int32_t fitKind, int32_t sourceChannel)
{
    std::vector<KVI::String> rawTexts(raw.begin(), raw.end()), calTexts(cal.begin(), cal.end());
    std::vector<IAutoKVIString*> rawPtrs, calPtrs;
    for (const auto& s : rawTexts) rawPtrs.push_back(s.Interface());
    for (const auto& s : calTexts) calPtrs.push_back(s.Interface());
    ComPtr<IPersistObject> settings;
    IAutoKVIString* message = nullptr;
    const HRESULT hr = Host()->automation->FitPoints(
        static_cast<int32_t>(rawPtrs.size()), rawPtrs.data(), calPtrs.data(), KVI::String(u"V").Interface(),
        KVI::String(unit).Interface(), fitKind, 0, sourceChannel, settings.Put(), &message);
    EXPECT_EQ(hr, S_OK) << "fit kind " << fitKind << ": " << (message ? Utf8(message) : std::string());
    return settings;
}

std::vector<float> ReadAll(IEnumFloatEx* stream, uint32_t block)
{
    std::vector<float> all, buffer(block);
    for (;;) {
        uint32_t got = 0;
        const HRESULT hr = stream->Next(block, buffer.data(), &got);
        all.insert(all.end(), buffer.begin(), buffer.begin() + got);
        if (hr != S_OK || got == 0) break;
    }
    return all;
}

std::string Utf8(IAutoKVIString* text) { return KVI::TakeUtf8(platform::ComPtr<IAutoKVIString>::Adopt(text)); }

}  // namespace ZorTest
