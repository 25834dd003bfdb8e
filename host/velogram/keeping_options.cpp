#include "host/velogram/keeping_options.h"

#include <array>
#include <cmath>
#include <ctime>

#include <CLI/CLI.hpp>

#include "host/velogram/command_error.h"

namespace Velogram {
namespace {

constexpr std::array<const char*, 3> kPolicies = {"extrapolate", "clamp", "blank"};
constexpr std::array<const char*, 2> kWeights = {"none", "inverse-variance"};

template <size_t N>
int32_t IndexOf(const std::array<const char*, N>& names, const std::string& name, const char* option)
{
    for (size_t i = 0; i < N; ++i)
        if (name == names[i]) return int32_t(i);
    std::string known;
    for (size_t i = 0; i < N; ++i) known += (i ? ", " : "") + std::string(names[i]);
    throw CommandError(std::string(option) + " must be one of " + known + ", not \"" + name + "\"");
}

// The UTF-8 texts of the changes, kept alive while the module reads them.
struct ChangeTexts {
    KVI::String calibrationDate, dueDate, certificate, operatorName, note;
};

}  // namespace

std::string TodayText()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &local);
    return text;
}

bool KeepingOptions::Any() const
{
    return !outside.empty() || !weights.empty() || calibrationDate || dueDate || certificate || operatorName || note ||
           validDays;
}

void AddOutsideOption(CLI::App* command, std::string& outside)
{
    command->add_option("--outside", outside,
                        "raw values outside the reference points' range: extrapolate (the curve continued, the "
                        "default), clamp (the value at the nearest end point) or blank (no value)");
}

void AddKeepingOptions(CLI::App* command, KeepingOptions& o)
{
    AddOutsideOption(command, o.outside);
    AddWeightsOption(command, o.weights);
    command->add_option("--calibration-date", o.calibrationDate, "the calibration's date, YYYY-MM-DD");
    command->add_option("--due", o.dueDate, "the date the calibration is due again, YYYY-MM-DD");
    command->add_option("--valid-days", o.validDays, "the days the calibration is valid from its date")
        ->check(CLI::NonNegativeNumber);
    command->add_option("--certificate", o.certificate, "the reference or certificate of the calibration");
    command->add_option("--operator", o.operatorName, "who calibrated");
    command->add_option("--note", o.note, "a note kept with the calibration");
}

void AddWeightsOption(CLI::App* command, std::string& weights)
{
    command->add_option("--weights", weights,
                        "weigh the points: none (the default) or inverse-variance (1/SD^2, the standard deviations of "
                        "a points file's third column; points without one take the median SD)");
}

int32_t ParseWeights(const std::string& name) { return IndexOf(kWeights, name, "--weights"); }

int32_t ParseRangePolicy(const std::string& name) { return IndexOf(kPolicies, name, "--outside"); }

const char* RangePolicyName(int32_t policy)
{
    return policy >= 0 && size_t(policy) < kPolicies.size() ? kPolicies[size_t(policy)] : "?";
}

const char* WeightsName(int32_t weights)
{
    return weights >= 0 && size_t(weights) < kWeights.size() ? kWeights[size_t(weights)] : "?";
}

platform::ComPtr<IPersistObject> ApplyKeeping(const ModuleSession& session, IPersistObject* settings,
                                              const KeepingOptions& o)
{
    if (!o.Any()) return platform::ComPtr<IPersistObject>(settings);
    TessarRecordChanges changes;
    ChangeTexts texts;
    if (!o.outside.empty()) {
        changes.fields |= kTessarSetRangePolicy;
        changes.rangePolicy = ParseRangePolicy(o.outside);
    }
    if (!o.weights.empty()) {
        changes.fields |= kTessarSetWeights;
        changes.weights = ParseWeights(o.weights);
    }
    if (o.validDays) {
        changes.fields |= kTessarSetValidityDays;
        changes.validityDays = *o.validDays;
    }
    const auto text = [&](const std::optional<std::string>& value, int32_t field, KVI::String& kept,
                          IAutoKVIString*& member) {
        if (!value) return;
        changes.fields |= field;
        kept = KVI::String::FromUtf8(*value);
        member = kept.Interface();
    };
    text(o.calibrationDate, kTessarSetCalibrationDate, texts.calibrationDate, changes.calibrationDate);
    text(o.dueDate, kTessarSetDueDate, texts.dueDate, changes.dueDate);
    text(o.certificate, kTessarSetCertificate, texts.certificate, changes.certificate);
    text(o.operatorName, kTessarSetOperator, texts.operatorName, changes.operatorName);
    text(o.note, kTessarSetNote, texts.note, changes.note);
    return session.WithRecordChanges(settings, changes);
}

KeptRecord DescribeKeeping(const ModuleSession& session, IPersistObject* settings)
{
    KeptRecord kept;
    kept.info = session.CalibrationInfo(settings);
    kept.calibrationDate = session.FitText(settings, kTessarCalibrationDate);
    kept.dueDate = session.FitText(settings, kTessarDueDate);
    kept.certificate = session.FitText(settings, kTessarCertificate);
    kept.operatorName = session.FitText(settings, kTessarOperator);
    kept.note = session.FitText(settings, kTessarNote);
    return kept;
}

void PrintKeepingText(const KeptRecord& k, std::ostream& out)
{
    if (k.info.rangePolicy != 0) out << "Outside points:  " << RangePolicyName(k.info.rangePolicy) << "\n";
    if (k.info.weights != 0) out << "Weights:         " << WeightsName(k.info.weights) << "\n";
    if (k.info.zeroOffset != 0) out << "Zero offset:     " << k.info.zeroOffset << " (base units)\n";
    if (!k.calibrationDate.empty()) out << "Calibrated:      " << k.calibrationDate << "\n";
    if (!k.dueDate.empty())
        out << "Due:             " << k.dueDate << (k.info.expired ? " (expired)" : "") << "\n";
    if (!k.certificate.empty()) out << "Certificate:     " << k.certificate << "\n";
    if (!k.operatorName.empty()) out << "Operator:        " << k.operatorName << "\n";
    if (!k.note.empty()) out << "Note:            " << k.note << "\n";
}

void AddKeepingJson(const KeptRecord& k, nlohmann::ordered_json& json)
{
    json["rangePolicy"] = RangePolicyName(k.info.rangePolicy);
    json["weights"] = WeightsName(k.info.weights);
    json["zeroOffset"] = k.info.zeroOffset;
    json["calibrationDate"] = k.calibrationDate;
    json["dueDate"] = k.dueDate;
    json["expired"] = k.info.expired != 0;
    json["certificate"] = k.certificate;
    json["operator"] = k.operatorName;
    json["note"] = k.note;
}

}  // namespace Velogram
