#include "host/velogram/fit_command.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iostream>

#include <nlohmann/json.hpp>

#include "host/velogram/calibrate_command.h"
#include "host/velogram/point_set.h"
#include "host/velogram/fit_kind_name.h"
#include "host/velogram/number_text.h"

namespace Velogram {

FittedPoints FitPointOptions(const ModuleSession& session, const FitOptions& options)
{
    const int32_t kind = ParseFitKind(options.fit);
    PointSet set = GatherPoints(options.pointsFile, options.points);
    FittedPoints fitted;
    fitted.units = ResolvePointUnits(set, options.sourceUnit, options.unit, true, "the raw values");
    fitted.points = std::move(set.points);
    CompletePointUnits(fitted.points, fitted.units);
    fitted.settings =
        session.Fit(fitted.points, fitted.units.raw, fitted.units.calibrated, kind, options.forceOrigin, 0);
    return fitted;
}

FitReport RunFit(const FitOptions& options)
{
    const ModuleSession session;
    const FittedPoints fit = FitPointOptions(session, options);
    const std::vector<ReferencePoint>& points = fit.points;
    const PointUnits& units = fit.units;
    platform::ComPtr<IPersistObject> settings = ApplyKeeping(session, fit.settings.Get(), options.keeping);
    if (!options.save.empty()) {
        // A calibration saved to be applied elsewhere carries the day it was made.
        if (session.FitText(settings.Get(), kTessarCalibrationDate).empty()) {
            KeepingOptions dated;
            dated.calibrationDate = TodayText();
            settings = ApplyKeeping(session, settings.Get(), dated);
        }
        session.SaveCalibrationFile(settings.Get(), options.save);
    }
    if (!options.report.empty()) session.RenderReport(settings.Get(), options.report, units.raw);
    FitReport report;
    report.fit = session.Describe(settings.Get(), units.raw);
    report.kept = DescribeKeeping(session, settings.Get());

    // The points as the settings hold them: in base units, sorted by raw value, replicates in
    // the order given.
    for (const ReferencePoint& p : points) report.points.push_back({BaseValue(p.raw), BaseValue(p.calibrated), 0, 0, 0});
    std::stable_sort(report.points.begin(), report.points.end(),
                     [](const FittedPoint& a, const FittedPoint& b) { return a.raw < b.raw; });
    std::vector<double> x;
    for (const FittedPoint& p : report.points) x.push_back(p.raw);
    const std::vector<double> y = session.Evaluate(settings.Get(), x);
    const std::vector<double> halfWidths = session.PredictionHalfWidths(settings.Get(), x);
    double largest = -1;
    for (size_t i = 0; i < report.points.size(); ++i) {
        FittedPoint& p = report.points[i];
        p.fitted = y[i];
        p.halfWidth = halfWidths[i];
        p.residual = p.calibrated - p.fitted;
        if (std::fabs(p.residual) > largest) {
            largest = std::fabs(p.residual);
            report.largest = int(i);
        }
    }
    return report;
}

void PrintFitText(const FitReport& report, std::ostream& out)
{
    const FitDescription& f = report.fit;
    out << "Fit kind:        " << f.kind << " (" << FitKindName(f.kind) << ")\n";
    out << "Force origin:    " << (f.forceOrigin ? "yes" : "no") << "\n";
    out << "Coefficients:    " << f.coefficients.size() << ", in stored order\n";
    for (size_t i = 0; i < f.coefficients.size(); ++i)
        out << "  c" << i << " = " << ExactText(f.coefficients[i]) << "\n";
    out << "Chi-square:      " << ExactText(f.chiSquare) << "\n";
    out << "SSE:             " << ExactText(f.sse) << "\n";
    out << "r:               " << ExactText(f.r) << "\n";
    out << "Condition number: " << ShortestText(f.conditionNumber) << "\n";
    out << "Degrees of freedom: " << f.degreesOfFreedom << "\n";
    out << "Residual SD:     " << ExactText(f.residualStandardDeviation)
        << (f.kind == 6 ? " (of ln y)" : "") << "\n";
    if (!f.standardErrors.empty()) {
        out << "Standard errors: " << f.standardErrors.size() << ", in stored order\n";
        for (size_t i = 0; i < f.standardErrors.size(); ++i)
            out << "  c" << i << " +- " << ExactText(f.standardErrors[i]) << "\n";
    }
    out << "Settings text:   " << f.settingsText << "\n";
    out << "Fit type:        " << f.fitTypeLine << "\n";
    out << "Equation:        " << f.equation << "\n";
    if (!f.units.empty()) out << "Units:           " << f.units << "\n";
    out << "Statistics:      " << f.statistics << "\n";
    for (size_t i = 0; i < f.uncertaintyLines.size(); ++i)
        out << (i == 0 ? "Uncertainty:     " : "                 ") << f.uncertaintyLines[i] << "\n";
    if (!f.advice.empty()) out << "Advice:          " << f.advice << "\n";
    PrintKeepingText(report.kept, out);

    // The points table, in base units, columns aligned.
    constexpr size_t kColumns = 5;
    std::vector<std::array<std::string, kColumns>> rows = {{"raw", "calibrated", "fitted", "residual", "+-95%"}};
    for (const FittedPoint& p : report.points)
        rows.push_back({ShortestText(p.raw), ShortestText(p.calibrated), ShortestText(p.fitted), ShortestText(p.residual),
                        ShortestText(p.halfWidth)});
    std::array<size_t, kColumns> width{};
    for (const auto& row : rows)
        for (size_t c = 0; c < kColumns; ++c) width[c] = std::max(width[c], row[c].size());
    out << "Points (" << report.points.size() << ", in base units):\n";
    for (size_t r = 0; r < rows.size(); ++r) {
        std::string line = " ";
        for (size_t c = 0; c < kColumns; ++c) line += " " + rows[r][c] + std::string(width[c] - rows[r][c].size(), ' ');
        if (r > 0 && int(r - 1) == report.largest) line += "  <- largest |residual|";
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out << line << "\n";
    }
}

void PrintFitJson(const FitReport& report, std::ostream& out)
{
    const FitDescription& f = report.fit;
    using Json = nlohmann::ordered_json;
    Json coefficients = Json::array();
    for (double c : f.coefficients) coefficients.push_back(JsonNumber(c));
    Json points = Json::array();
    for (size_t i = 0; i < report.points.size(); ++i) {
        const FittedPoint& p = report.points[i];
        points.push_back({{"raw", JsonNumber(p.raw)},
                          {"calibrated", JsonNumber(p.calibrated)},
                          {"fitted", JsonNumber(p.fitted)},
                          {"residual", JsonNumber(p.residual)},
                          {"predictionHalfWidth", JsonNumber(p.halfWidth)},
                          {"largestResidual", int(i) == report.largest}});
    }
    Json json;
    json["kind"] = f.kind;
    json["kindName"] = FitKindName(f.kind);
    json["forceOrigin"] = f.forceOrigin;
    json["coefficients"] = coefficients;
    json["chiSquare"] = JsonNumber(f.chiSquare);
    json["sse"] = JsonNumber(f.sse);
    json["r"] = JsonNumber(f.r);
    json["conditionNumber"] = JsonNumber(f.conditionNumber);
    json["singularValuesCut"] = f.singularValuesCut;
    json["degreesOfFreedom"] = f.degreesOfFreedom;
    json["residualStandardDeviation"] = JsonNumber(f.residualStandardDeviation);
    Json errors = Json::array();
    for (double e : f.standardErrors) errors.push_back(JsonNumber(e));
    json["standardErrors"] = errors;
    json["settingsText"] = f.settingsText;
    json["fitTypeLine"] = f.fitTypeLine;
    json["equation"] = f.equation;
    json["units"] = f.units;
    json["statistics"] = f.statistics;
    json["uncertainty"] = f.uncertaintyLines;
    Json press = Json::object();
    for (size_t kind = 0; kind < f.press.size(); ++kind) press[FitKindName(int32_t(kind))] = JsonNumber(f.press[kind]);
    const auto kindOrNull = [](int32_t kind) { return kind >= 0 ? Json(kind) : Json(); };
    const auto nameOrNull = [](int32_t kind) { return kind >= 0 ? Json(FitKindName(kind)) : Json(); };
    json["advice"] = {{"kind", kindOrNull(f.adviceKind)},
                      {"kindName", nameOrNull(f.adviceKind)},
                      {"simplerKind", kindOrNull(f.simplerKind)},
                      {"simplerKindName", nameOrNull(f.simplerKind)},
                      {"line", f.advice},
                      {"press", press}};
    AddKeepingJson(report.kept, json);
    json["points"] = points;
    json["largestResidualIndex"] = report.largest >= 0 ? Json(report.largest) : Json();
    // Texts that are not UTF-8 (a unit name from a foreign file) must not stop the report.
    out << json.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
}

int FitCommand(const FitOptions& options, std::ostream& out)
{
    const FitReport report = RunFit(options);
    WarnOfCutSingularValues(report.fit, std::cerr);
    if (options.json)
        PrintFitJson(report, out);
    else
        PrintFitText(report, out);
    return 0;
}

}  // namespace Velogram
