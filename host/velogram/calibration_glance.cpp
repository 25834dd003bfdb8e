#include "host/velogram/calibration_glance.h"

#include "interfaces/tessar_automation.h"
#include "host/velogram/fit_kind_name.h"
#include "platform/com_ptr.h"

namespace Velogram {

namespace {

std::string TakeText(IAutoKVIString* text)
{
    std::string utf8 = KVI::String(text).ToUtf8();
    if (text) text->Release();
    return utf8;
}

// A date the calibration keeps (kTessarCalibrationDate, kTessarDueDate): nothing when it keeps
// none or the module does not report it.
std::optional<std::string> KeptDate(ITessarAutomation& automation, IPersistObject* settings, int32_t which)
{
    IAutoKVIString* text = nullptr;
    if (FAILED(automation.GetFitText(settings, which, &text)) || !text) return std::nullopt;
    std::string date = TakeText(text);
    if (date.empty()) return std::nullopt;
    return date;
}

}  // namespace

std::optional<CalibrationGlance> ReadCalibrationGlance(const HostDocument& document, int32_t channel)
{
    platform::ComPtr<ICalculationClass> calcClass;
    platform::ComPtr<IPersistObject> settings;
    platform::ComPtr<ITessarAutomation> automation;
    IChannelCalculations* calculations = document.Calculations();
    if (calculations->GetCalculationClass(channel, calcClass.Put()) != S_OK || !calcClass ||
        FAILED(calcClass.As(IID_ITessarAutomation, automation)) ||
        FAILED(calculations->GetSettings(channel, settings.Put())) || !settings)
        return std::nullopt;
    int32_t count = 0, fitKind = -1;
    if (FAILED(automation->DescribeFit(settings.Get(), 0, nullptr, &count, &fitKind, nullptr, nullptr, nullptr,
                                       nullptr)))
        return std::nullopt;

    CalibrationGlance glance;
    IAutoKVIString* name = nullptr;
    if (SUCCEEDED(calcClass->GetClassName(&name))) glance.className = TakeText(name);
    if (fitKind >= 0 && fitKind < kFitKinds) glance.fitKind = FitKindName(fitKind);
    glance.unit = document.Info(channel).unit.ToUtf8();
    // The equation with raw values in the unit the source channel shows.
    const int32_t source = document.SourceOf(channel);
    const KVI::String sourceUnit = source >= 0 ? document.Info(source).unit : KVI::String();
    IAutoKVIString* text = nullptr;
    if (SUCCEEDED(automation->GetFitTextInUnits(settings.Get(), kTessarEquation, sourceUnit.Interface(), &text)))
        glance.equation = TakeText(text);
    text = nullptr;
    if (SUCCEEDED(automation->GetFitTextInUnits(settings.Get(), kTessarUnitsLine, sourceUnit.Interface(), &text)))
        glance.unitsLine = TakeText(text);
    SetCalibrationDates(glance, KeptDate(*automation.Get(), settings.Get(), kTessarCalibrationDate),
                        KeptDate(*automation.Get(), settings.Get(), kTessarDueDate));
    return glance;
}

void SetCalibrationDates(CalibrationGlance& glance, std::optional<std::string> date,
                         std::optional<std::string> validUntil)
{
    glance.date = std::move(date);
    glance.validUntil = std::move(validUntil);
}

bool IsExpired(const CalibrationGlance& glance, std::string_view today)
{
    // ISO 8601 dates of one length compare as text in the order of the days.
    return glance.validUntil && glance.validUntil->size() == today.size() && *glance.validUntil < today;
}

std::string GlanceText(const CalibrationGlance& glance, std::string_view today)
{
    std::string parts;
    const auto add = [&](const std::string& part) {
        if (part.empty()) return;
        parts += (parts.empty() ? "" : ", ") + part;
    };
    add(glance.fitKind);
    add(glance.unit);
    if (glance.date) add(*glance.date);
    if (IsExpired(glance, today)) add("expired");
    if (parts.empty()) return glance.className;
    return glance.className.empty() ? parts : glance.className + ": " + parts;
}

std::string GlanceToolTip(const CalibrationGlance& glance)
{
    if (glance.unitsLine.empty()) return glance.equation;
    if (glance.equation.empty()) return glance.unitsLine;
    return glance.equation + "\n" + glance.unitsLine;
}

}  // namespace Velogram
