// `velogram fit`: fits reference points through the calibration module and prints the fit for
// analysis: the kind, every coefficient with 17 significant digits in stored order,
// chi-square, SSE, r, the condition number of the scaled design matrix, the degrees of freedom,
// the residual standard deviation and the coefficients' standard errors, the settings text
// form, the fit report's fit-type line, equation, statistics line, uncertainty lines and advice
// on the fit kind, and every point's fitted value, residual (calibrated - fitted, in base units)
// and 95 % prediction half-width, with the largest absolute residual marked. --json prints the
// same as one JSON object. Any number of points is taken; replicate standards (equal raw
// values) too, but for point to point.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "host/velogram/keeping_options.h"
#include "host/velogram/module_session.h"
#include "host/velogram/reference_points.h"

namespace Velogram {

struct FitOptions {
    std::string pointsFile;
    std::vector<std::string> points;  // "RAW=CAL" texts
    std::string fit;
    bool forceOrigin = false;
    std::string unit;        // unit of bare calibrated numbers; may be empty
    std::string sourceUnit;  // unit of bare raw numbers; may be empty
    bool json = false;
    std::string report;      // the fit report as a .pdf or .png file; empty: none
    KeepingOptions keeping;  // what the calibration keeps besides its fit
    std::string save;        // the calibration file to write; empty: none
};

// One reference point as fitted.
struct FittedPoint {
    double raw = 0;         // base units
    double calibrated = 0;  // base units
    double fitted = 0;      // the fitted function at raw
    double residual = 0;    // calibrated - fitted
    double halfWidth = 0;   // of the 95 % prediction interval at raw; NaN when there is none
};

struct FitReport {
    FitDescription fit;
    KeptRecord kept;
    std::vector<FittedPoint> points;  // sorted by raw value, as the settings hold them
    int largest = -1;                 // index of the largest absolute residual; -1 when none is a number
};

// The points of the options, their units, and the settings the module fitted them into.
struct FittedPoints {
    std::vector<ReferencePoint> points;
    PointUnits units;
    platform::ComPtr<IPersistObject> settings;
};

// Gathers the points of the options (--points, --point), resolves and checks their units and
// fits them by --fit and --force-origin in the session. Throws CommandError.
FittedPoints FitPointOptions(const ModuleSession& session, const FitOptions& options);

// Fits and evaluates. Throws CommandError.
FitReport RunFit(const FitOptions& options);

// The two forms of the report.
void PrintFitText(const FitReport& report, std::ostream& out);
void PrintFitJson(const FitReport& report, std::ostream& out);

// Runs the command: the report on out. Returns the exit status; throws CommandError.
int FitCommand(const FitOptions& options, std::ostream& out);

}  // namespace Velogram
