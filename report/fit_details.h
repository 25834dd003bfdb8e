// The "Calibration Fit Details" block of the fit report's picture and printout: a heading, the
// fit's name and equation and its error statistics, one line each, then how good the fit is
// and which kind the points support, in a frame.
#pragma once

#include <vector>

#include <QRect>

#include "calibration/calibration_data.h"
#include "values/units/unit_info.h"
#include "foundation/kvi_string.h"

class QPainter;

namespace Tessar {

// The block's lines, in order:
//   "Calibration Fit Details";
//   the long fit name, " : " and the equation in the displayed units (FormatEquation):
//   Linear : y = 2.5x + 1;
//   when either side has a unit, the units of the equation (UnitsLine): x in mV, y in kPa;
//   unless the kind is 7 (point to point): "Chi² = " and chi-square; "SSE = " and the SSE;
//   only for kind 0 without force origin: "r² = " and r * r (CorrelationCoefficient of the
//   raw and calibrated values).
// Numbers as in fit_text.h: six significant digits, classic locale.
// [in] sourceUnit: the raw values' unit (its prefix is that of the report's raw axis).
std::vector<KVI::String> FitDetailsLines(const CalibrationData& data, const KVI::UnitInfo& sourceUnit);

// What the block shows: FitDetailsLines, then the uncertainty lines (UncertaintyLines of
// uncertainty_text.h: s and the degrees of freedom, or that none are left; the prediction
// half-widths over the points; the standard errors) and the advice on the fit kind
// (AdviceLine), when there are any; then what the record keeps (RecordLines of record_text.h,
// today's date deciding "expired"), none for a record that keeps nothing.
std::vector<KVI::String> ReportDetailsLines(const CalibrationData& data, const KVI::UnitInfo& sourceUnit);

// Draws the block (ReportDetailsLines) into rect of any painter (screen, image, picture,
// printer):
//  - font "Tahoma" 8 points for the painter's device, normal weight, black on an opaque
//    background of the window colour, each line's top-left corner on its reference point;
//  - pitch = 1.2 x the font's height on the device (a real number);
//  - the first line at (rect's left + 4, trunc(rect's top + pitch)); after each line
//    y = trunc(y + pitch);
//  - then a black outline one logical unit wide from (rect's left, first y) to (rect's right,
//    final y), right and bottom exclusive.
// Texts are neither clipped to rect nor wrapped: a long equation runs on past the right edge.
// [out] the outlined rectangle. The painter's state is restored.
QRect DrawFitDetails(const CalibrationData& data, const KVI::UnitInfo& sourceUnit, QPainter& painter,
                     const QRect& rect);

// How far below a block's top DrawFitDetails draws on the painter's device: to the outline's
// last row, inclusive.
int FitDetailsHeight(const CalibrationData& data, const KVI::UnitInfo& sourceUnit, const QPainter& painter);

}  // namespace Tessar
