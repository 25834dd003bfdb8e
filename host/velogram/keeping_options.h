// What a laboratory keeps with a calibration, as the command line sets it: the range policy
// (--outside), the weighting (--weights), the dates, the certificate, the operator and a note;
// and how the commands report it back.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include <nlohmann/json.hpp>

#include "host/velogram/module_session.h"

namespace CLI {
class App;
}

namespace Velogram {

struct KeepingOptions {
    std::string outside;  // extrapolate | clamp | blank; empty: not given
    std::string weights;  // none | inverse-variance; empty: not given
    std::optional<std::string> calibrationDate, dueDate, certificate, operatorName, note;
    std::optional<int> validDays;

    bool Any() const;
};

// Adds the options to a command.
void AddKeepingOptions(CLI::App* command, KeepingOptions& options);
// Adds --outside alone (calibrate sets only the policy of what it applies).
void AddOutsideOption(CLI::App* command, std::string& outside);
// --weights none|inverse-variance.
void AddWeightsOption(CLI::App* command, std::string& weights);

// The range policy named by --outside (0..2). Throws CommandError for another name.
int32_t ParseRangePolicy(const std::string& name);
// The TessarCalibrationInfo weights of a --weights name. Throws CommandError naming the choices.
int32_t ParseWeights(const std::string& name);

// A copy of settings with the options applied (the settings themselves when none is given).
// Throws CommandError with the module's reason (a date that does not read, a weighting that
// cannot be fitted).
platform::ComPtr<IPersistObject> ApplyKeeping(const ModuleSession& session, IPersistObject* settings,
                                              const KeepingOptions& options);

// What the record keeps, as the commands print it: lines for the text form (only the fields
// that are set) and members of the JSON form.
struct KeptRecord {
    TessarCalibrationInfo info;
    std::string calibrationDate, dueDate, certificate, operatorName, note;
};
KeptRecord DescribeKeeping(const ModuleSession& session, IPersistObject* settings);
void PrintKeepingText(const KeptRecord& kept, std::ostream& out);
void AddKeepingJson(const KeptRecord& kept, nlohmann::ordered_json& json);

// Today in the machine's local time, "YYYY-MM-DD".
std::string TodayText();

// The names of the policies and weightings, for messages and the reports.
const char* RangePolicyName(int32_t policy);
const char* WeightsName(int32_t weights);

}  // namespace Velogram
