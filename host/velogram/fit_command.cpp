#include "host/velogram/fit_command.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <iostream>

#include <nlohmann/json.hpp>

#include "host/velogram/calibrate_command.h"
#include "host/velogram/point_set.h"
#include "host/velogram/fit_kind_name.h"

namespace Velogram {
namespace {

// 17 significant digits: every double reads back as itself.
std::string Exact(double value)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// The shortest text that reads back as the same double.
std::string Shortest(double value)
{
    char text[40];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

// A number for JSON: NaN and infinities have no JSON form and become null.
nlohmann::ordered_json Number(double value)
{
    return std::isfinite(value) ? nlohmann::ordered_json(value) : nlohmann::ordered_json();
}

}  // namespace

FitReport RunFit(const FitOptions& options)
{
    const int32_t kind = ParseFitKind(options.fit);
    PointSet set = GatherPoints(options.pointsFile, options.points);
    std::vector<ReferencePoint>& points = set.points;
    const PointUnits units = ResolvePointUnits(set, options.sourceUnit, options.unit, true, "the raw values");
    CompletePointUnits(points, units);

    const ModuleSession session;
    platform::ComPtr<IPersistObject> settings =
        ApplyKeeping(session, session.Fit(points, units.raw, units.calibrated, kind, options.forceOrigin, 0).Get(),
                     options.keeping);
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
    for (const ReferencePoint& p : points) report.points.push_back({BaseValue(p.raw), BaseValue(p.calibrated), 0, 0});
    std::stable_sort(report.points.begin(), report.points.end(),
                     [](const FittedPoint& a, const FittedPoint& b) { return a.raw < b.raw; });
    std::vector<double> x;
    for (const FittedPoint& p : report.points) x.push_back(p.raw);
    const std::vector<double> y = session.Evaluate(settings.Get(), x);
    double largest = -1;
    for (size_t i = 0; i < report.points.size(); ++i) {
        FittedPoint& p = report.points[i];
        p.fitted = y[i];
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
        out << "  c" << i << " = " << Exact(f.coefficients[i]) << "\n";
    out << "Chi-square:      " << Exact(f.chiSquare) << "\n";
    out << "SSE:             " << Exact(f.sse) << "\n";
    out << "r:               " << Exact(f.r) << "\n";
    out << "Condition number: " << Shortest(f.conditionNumber) << "\n";
    out << "Settings text:   " << f.settingsText << "\n";
    out << "Fit type:        " << f.fitTypeLine << "\n";
    out << "Equation:        " << f.equation << "\n";
    if (!f.units.empty()) out << "Units:           " << f.units << "\n";
    out << "Statistics:      " << f.statistics << "\n";
    PrintKeepingText(report.kept, out);

    // The points table, in base units, columns aligned.
    std::vector<std::array<std::string, 4>> rows = {{"raw", "calibrated", "fitted", "residual"}};
    for (const FittedPoint& p : report.points)
        rows.push_back({Shortest(p.raw), Shortest(p.calibrated), Shortest(p.fitted), Shortest(p.residual)});
    std::array<size_t, 4> width{};
    for (const auto& row : rows)
        for (size_t c = 0; c < 4; ++c) width[c] = std::max(width[c], row[c].size());
    out << "Points (" << report.points.size() << ", in base units):\n";
    for (size_t r = 0; r < rows.size(); ++r) {
        std::string line = " ";
        for (size_t c = 0; c < 4; ++c) line += " " + rows[r][c] + std::string(width[c] - rows[r][c].size(), ' ');
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
    for (double c : f.coefficients) coefficients.push_back(Number(c));
    Json points = Json::array();
    for (size_t i = 0; i < report.points.size(); ++i) {
        const FittedPoint& p = report.points[i];
        points.push_back({{"raw", Number(p.raw)},
                          {"calibrated", Number(p.calibrated)},
                          {"fitted", Number(p.fitted)},
                          {"residual", Number(p.residual)},
                          {"largestResidual", int(i) == report.largest}});
    }
    Json json;
    json["kind"] = f.kind;
    json["kindName"] = FitKindName(f.kind);
    json["forceOrigin"] = f.forceOrigin;
    json["coefficients"] = coefficients;
    json["chiSquare"] = Number(f.chiSquare);
    json["sse"] = Number(f.sse);
    json["r"] = Number(f.r);
    json["conditionNumber"] = Number(f.conditionNumber);
    json["singularValuesCut"] = f.singularValuesCut;
    json["settingsText"] = f.settingsText;
    json["fitTypeLine"] = f.fitTypeLine;
    json["equation"] = f.equation;
    json["units"] = f.units;
    json["statistics"] = f.statistics;
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
