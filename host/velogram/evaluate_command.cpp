#include "host/velogram/evaluate_command.h"

#include <cmath>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/velogram/command_error.h"
#include "host/velogram/number_text.h"
#include "host/velogram/unit_text.h"

namespace Velogram {
namespace {

// A base value in its column's unit, with the unit: "12.5 mV".
std::string Shown(double base, const std::string& unit)
{
    const std::string number = ShortestText(base * PrefixedUnitFactor(UnitOfText(unit)));
    return unit.empty() ? number : number + " " + unit;
}

double InColumn(double base, const std::string& unit) { return base * PrefixedUnitFactor(UnitOfText(unit)); }

std::string Listed(const std::vector<double>& raw, const std::string& unit)
{
    std::string text;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (i > 0) text += i + 1 == raw.size() ? " and " : ", ";
        text += Shown(raw[i], unit);
    }
    return text;
}

// The raw value of a calibrated value, or the error that says why there is none.
double RawOf(const ModuleSession& session, IPersistObject* settings, double calibrated, const EvaluateOptions& o,
             const PointUnits& units)
{
    const InverseOutcome inverse = session.Invert(settings, calibrated, o.withinPoints);
    const std::string value = Shown(calibrated, units.calibrated);
    const std::string range = o.withinPoints ? "between the points' raw values" : "on the curve";
    switch (inverse.status) {
    case kTessarInverseFound:
        return inverse.raw;
    case kTessarInverseNotANumber:
        throw CommandError("--calibrated: " + o.calibrated + " is not a finite number");
    case kTessarInverseNoSolution:
        throw CommandError("no raw value " + range + " gives " + value +
                           (o.withinPoints ? "" : " (beyond the points the curve is followed only as far as it keeps its "
                                                  "direction)"));
    case kTessarInverseSeveral:
        throw CommandError("several raw values " + range + " give " + value + ": " +
                           Listed(inverse.solutions, units.raw) +
                           (o.withinPoints ? "" : "; --within-points looks only between the points' raw values"));
    default:
        throw CommandError("the fit has no curve to invert");
    }
}

}  // namespace

double ParseValueOption(const std::string& text, bool raw, const PointUnits& units)
{
    // Read as one side of a point, with a bare number standing in for the other side.
    std::vector<ReferencePoint> point(1);
    point[0].raw = raw ? text : "0";
    point[0].calibrated = raw ? "0" : text;
    point[0].origin = raw ? "--raw" : "--calibrated";
    CompletePointUnits(point, units);
    return BaseValue(raw ? point[0].raw : point[0].calibrated);
}

Evaluation RunEvaluate(const EvaluateOptions& options)
{
    if (options.raw.empty() == options.calibrated.empty())
        throw CommandError("give one value: --raw or --calibrated");
    const ModuleSession session;
    const FittedPoints fit = FitPointOptions(session, options.fit);
    Evaluation e;
    e.units = fit.units;
    e.fromRaw = !options.raw.empty();
    IPersistObject* settings = fit.settings.Get();
    if (e.fromRaw) {
        e.raw = ParseValueOption(options.raw, true, e.units);
        e.calibrated = session.Evaluate(settings, {e.raw})[0];
    } else {
        e.calibrated = ParseValueOption(options.calibrated, false, e.units);
        e.raw = RawOf(session, settings, e.calibrated, options, e.units);
    }
    e.halfWidth = session.PredictionHalfWidths(settings, {e.raw})[0];
    const FitDescription description = session.Describe(settings, e.units.raw);
    e.degreesOfFreedom = description.degreesOfFreedom;
    if (std::isnan(e.halfWidth))
        e.noInterval = description.kind == 7           ? "point to point is no least-squares fit"
                       : description.degreesOfFreedom < 1 ? "no degrees of freedom left: add points to estimate it"
                                                          : "the curve has no value there";
    return e;
}

void PrintEvaluationText(const Evaluation& e, std::ostream& out)
{
    out << "Raw:             " << Shown(e.raw, e.units.raw) << "\n";
    out << "Calibrated:      " << Shown(e.calibrated, e.units.calibrated) << "\n";
    out << "+-95%:           ";
    if (std::isnan(e.halfWidth))
        out << "none (" << e.noInterval << ")\n";
    else
        out << Shown(e.halfWidth, e.units.calibrated) << " (half-width of the 95 % prediction interval)\n";
}

void PrintEvaluationJson(const Evaluation& e, std::ostream& out)
{
    using Json = nlohmann::ordered_json;
    Json json;
    json["given"] = e.fromRaw ? "raw" : "calibrated";
    json["raw"] = JsonNumber(InColumn(e.raw, e.units.raw));
    json["rawUnit"] = e.units.raw;
    json["calibrated"] = JsonNumber(InColumn(e.calibrated, e.units.calibrated));
    json["unit"] = e.units.calibrated;
    json["predictionHalfWidth"] = JsonNumber(InColumn(e.halfWidth, e.units.calibrated));
    json["degreesOfFreedom"] = e.degreesOfFreedom;
    out << json.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
}

int EvaluateCommand(const EvaluateOptions& options, std::ostream& out)
{
    const Evaluation e = RunEvaluate(options);
    if (options.fit.json)
        PrintEvaluationJson(e, out);
    else
        PrintEvaluationText(e, out);
    return 0;
}

}  // namespace Velogram
