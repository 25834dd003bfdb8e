// ITessarAutomation: what the host's command line asks of the module beyond the framework's
// interfaces: fitting reference points into a settings object, describing a fit, and rendering
// the fit report to a file. Answered by the calculation class object (QueryInterface on any of
// its interfaces); a host that does not ask for it never sees it.
//
// Texts cross as IAutoKVIString pointers (a caller may pass any implementation; the module
// copies or shares the text and keeps no reference beyond the call). Settings objects are the
// module's own TessarExt::Settings, as the settings class creates and loads them; any other
// IPersistObject is refused with E_INVALIDARG.
#pragma once

#include <cstdint>

#include "interfaces/persist_object.h"
#include "foundation/kvi_string.h"
#include "platform/unknown.h"

// IID chosen by this system.
constexpr IID IID_ITessarAutomation = platform::Guid("{A794CB5C-5462-4509-8686-065AF20504EA}");

// The most reference points a stored calibration holds (the rows of the calibration dialog).
// FitPoints fits any number, for analysis; a host that stores the result keeps to this.
constexpr int32_t kTessarMaxPoints = 12;
// The most coefficients a fit of kTessarMaxPoints points has: point to point stores two per
// point.
constexpr int32_t kTessarMaxCoefficients = 2 * kTessarMaxPoints;

// The texts GetFitText can produce.
enum TessarFitText : int32_t {
    // The one-line settings text form, as the calculation hands it to the host.
    kTessarSettingsText = 0,
    // The fit report's texts (report/fit_text.h): the fit-type line (the long name of the fit
    // kind), the fit equation and the statistics line, character for character as the report
    // shows them.
    kTessarFitTypeLine = 1,
    kTessarEquation = 2,
    kTessarStatistics = 3,
    // The units of the equation, "x in mV, y in kPa" (empty when neither side has a unit).
    kTessarUnitsLine = 4,
    // The fit report's lines on the uncertainty (report/uncertainty_text.h), one per line with
    // a line feed after each: the residual standard deviation with the degrees of freedom (or
    // that none are left), the prediction half-widths over the points and the standard errors
    // of the equation's coefficients, in the units of the equation; empty for point to point.
    kTessarUncertaintyLines = 5,
    // The advice on the fit kind: "Best supported by these points: Quadratic", with a simpler
    // kind within 10 % named; empty when no kind can be compared.
    kTessarAdviceLine = 6,
    // What a laboratory keeps with the calibration: the calibration date and the day it is due
    // ("YYYY-MM-DD", the due date or the calibration date plus the validity; empty when none),
    // the certificate, the operator and the note.
    kTessarCalibrationDate = 20,
    kTessarDueDate = 21,
    kTessarCertificate = 22,
    kTessarOperator = 23,
    kTessarNote = 24,
};

// The numbers a laboratory keeps with a calibration, as GetCalibrationInfo reports them. The
// caller sets size to sizeof the structure it knows; fields past that size are not written.
struct TessarCalibrationInfo {
    int32_t size = sizeof(TessarCalibrationInfo);
    int32_t rangePolicy = 0;   // 0 extrapolate, 1 clamp, 2 blank
    int32_t weights = 0;       // 0 none, 1 inverse variance (1 / SD^2)
    int32_t validityDays = 0;  // 0: none
    double zeroOffset = 0;     // added to every calibrated value, base units
    double rawLow = 0;         // the reference points' raw range, base units; NaN without points
    double rawHigh = 0;
    int32_t hasDueDay = 0;     // 1 when the calibration has a due day
    int32_t expired = 0;       // 1 when today lies after it
    int64_t dueDay = 0;        // days since 1970-01-01
    int32_t measuredPoints = 0;  // points with a provenance (taken from a selection or given an SD)
};

// Which members of TessarRecordChanges apply.
enum TessarRecordField : int32_t {
    kTessarSetRangePolicy = 1,
    kTessarSetWeights = 2,
    kTessarSetValidityDays = 4,
    kTessarSetZeroOffset = 8,
    kTessarSetCalibrationDate = 16,
    kTessarSetDueDate = 32,
    kTessarSetCertificate = 64,
    kTessarSetOperator = 128,
    kTessarSetNote = 256,
};

// Changes to the fields a laboratory keeps (WithRecordChanges). Texts may be null (empty).
struct TessarRecordChanges {
    int32_t size = sizeof(TessarRecordChanges);
    int32_t fields = 0;  // TessarRecordField bits
    int32_t rangePolicy = 0;
    int32_t weights = 0;
    int32_t validityDays = 0;
    double zeroOffset = 0;
    IAutoKVIString* calibrationDate = nullptr;  // "YYYY-MM-DD", or empty for none
    IAutoKVIString* dueDate = nullptr;          // likewise
    IAutoKVIString* certificate = nullptr;
    IAutoKVIString* operatorName = nullptr;
    IAutoKVIString* note = nullptr;
};

// Options of FitPointsEx.
enum TessarFitFlags : int32_t {
    // Replicate standards: rows with equal raw values are all kept as points for the
    // least-squares kinds (point to point still refuses them, string 277).
    kTessarFitKeepReplicates = 1,
};

// What GetFitDiagnostics reports. The caller sets size to sizeof the structure it knows;
// fields past that size are not written, so later versions may add fields at the end.
struct TessarFitDiagnostics {
    int32_t size = sizeof(TessarFitDiagnostics);
    // Singular values the 1e-10 rule set to zero; when any, the fit is not unique and the
    // minimum-norm solution was taken.
    int32_t singularValuesCut = 0;
    // The 2-norm condition number of the design matrix in the scaled variable with
    // equilibrated columns (infinity when singular); 0 for point to point.
    double conditionNumber = 0;
    // Added with the uncertainty. nu = n - p degrees of freedom for n points and p fitted
    // coefficients (the rank: the kind's coefficients, less c0 under force origin, less any
    // singular value cut); 0 and 0 for point to point.
    int32_t degreesOfFreedom = 0;
    int32_t fittedCoefficients = 0;
    // s = sqrt(chi-square / nu) in the fitted space (calibrated base units; ln y for the
    // exponential kind); NaN for nu = 0 and for point to point.
    double residualStandardDeviation = 0;
};

// What GetFitAdvice reports, size-versioned as TessarFitDiagnostics.
struct TessarFitAdvice {
    int32_t size = sizeof(TessarFitAdvice);
    // The kind with the lowest leave-one-out prediction error (PRESS); -1 when none compares.
    int32_t bestKind = -1;
    // A kind with fewer coefficients whose PRESS is within 10 % of the best one's; -1 if none.
    int32_t simplerKind = -1;
    int32_t reserved = 0;
    // PRESS of each kind 0..7 (sum of squared leave-one-out errors of the calibrated values,
    // base units squared); NaN for a kind the points do not allow.
    double press[8] = {};
};

// Options of InvertFit.
enum TessarInvertFlags : int32_t {
    // Search only between the lowest and the highest raw value of the points; without it the
    // curve's extrapolating ends count too, as far as the curve keeps its direction there.
    kTessarInvertWithinPoints = 1,
};

// The outcome of InvertFit.
enum TessarInverseStatus : int32_t {
    kTessarInverseFound = 0,          // one raw value
    kTessarInverseNotANumber = 1,     // the calibrated value is NaN or infinite
    kTessarInverseNoCurve = 2,        // the settings hold no curve to invert
    kTessarInverseNoSolution = 3,     // no raw value in the range maps to the value
    kTessarInverseSeveral = 4,        // several do (or a flat stretch of the curve)
};

struct ITessarAutomation : IUnknown {
    // Fits reference points as the calibration dialog does when its OK is pressed.
    //
    // [in] count: number of rows, 0 or more (the dialog has kTessarMaxPoints rows, and only a
    //      calibration of at most that many points stays editable there); rawTexts,
    //      calibratedTexts: count texts each (null entries are empty rows). Each text is a
    //      number, optionally followed by a blank and a unit word that may start with an SI
    //      prefix letter ("12.5 mV"); a bare number is taken in the default unit of its column
    //      (sourceUnit for raw values, unit for calibrated values). Rows whose two texts do not
    //      both read are skipped; a later row replaces an earlier one with the same raw value.
    //      Values are stored in base units.
    // [in] sourceUnit, unit: unit texts such as "mV" or "mmHg" (an optional prefix letter and
    //      a unit name; a text with a blank is a name without prefix); null or empty: no unit.
    //      unit becomes the calibrated unit of the settings.
    // [in] fitKind 0..7; forceOrigin: non-zero for polynomial fits through the origin;
    //      channel: the source channel (0-based) recorded in the settings.
    // [out] settings: on success a new settings object (reference owned by the caller) whose
    //      record holds the points sorted by raw value, the fit, the unit, the channel and the
    //      calculated-view flag; its pane limits span the calibrated values (the dialog's
    //      1.25-times rule). Null on failure.
    // [out] message: on a rejected table the dialog's message text, else null.
    // Results: S_OK; KVI_E_MESSAGE (0xA0048210) with the message when the table is refused,
    //      checked in the dialog's order: a raw value given twice (string 277, bare numbers
    //      compared as written), too few points for the kind (275), the fit failed (273);
    //      E_INVALIDARG for a negative count or a null text array with count > 0;
    //      E_POINTER for a null settings or message out-pointer.
    virtual HRESULT FitPoints(int32_t count, IAutoKVIString* const* rawTexts, IAutoKVIString* const* calibratedTexts,
                              IAutoKVIString* sourceUnit, IAutoKVIString* unit, int32_t fitKind, int32_t forceOrigin,
                              int32_t channel, IPersistObject** settings, IAutoKVIString** message) = 0;  // 3

    // Describes the fit held by a settings object.
    // [in] settings: a settings object of this module. capacity: room in coefficients.
    // [out] fitKind, forceOrigin (0/1); coefficients: the first min(capacity, count) fit
    //      coefficients in stored order (see the fit kinds); count: how many there are;
    //      chiSquare, sse: the stored fit statistics; r: Pearson's correlation of the raw and
    //      calibrated values (NaN for fewer than two distinct values). Any out-pointer but
    //      count may be null to skip it; coefficients may be null when capacity is 0.
    // Results: S_OK; S_FALSE when the coefficients were cut to capacity; E_INVALIDARG for an
    //      object that is not this module's settings or a negative capacity; E_POINTER for a
    //      null count or a null coefficients buffer with capacity > 0.
    virtual HRESULT DescribeFit(IPersistObject* settings, int32_t capacity, double* coefficients, int32_t* count,
                                int32_t* fitKind, int32_t* forceOrigin, double* chiSquare, double* sse,
                                double* r) = 0;  // 4

    // [in] settings: a settings object of this module; which: a TessarFitText.
    // [out] the text, a new reference. S_OK; E_INVALIDARG for another object or an unknown
    //      which; E_POINTER for a null out. The equation is in the settings' calibrated unit
    //      with its prefix and raw values in base units: GetFitTextInUnits with no source unit.
    virtual HRESULT GetFitText(IPersistObject* settings, int32_t which, IAutoKVIString** out) = 0;  // 5

    // Renders the fit report of the settings to a file, without showing anything. [in] path:
    // the file; its extension names the format: ".pdf" the printed page, ".png" the copied
    // image; flags: 0. Results: S_OK; E_INVALIDARG for another object, a null path, another
    // extension or flags; E_FAIL when the file cannot be written; E_NOTIMPL in a module built
    // without its windowing half.
    virtual HRESULT RenderReport(IPersistObject* settings, IAutoKVIString* path, int32_t flags) = 0;  // 6

    // Evaluates the fitted calibration function of the settings in place, in double precision
    // with the full coefficients (the sample enumerators use those of the text form).
    // [in] settings: a settings object of this module; count: number of values.
    // [in, out] values: raw values in base units in, calibrated values in base units out.
    // Results: S_OK; E_FAIL with the values unchanged when the coefficients are too few for
    //      the fit kind; E_INVALIDARG for another object or a negative count; E_POINTER for
    //      null values with count > 0.
    virtual HRESULT EvaluateFit(IPersistObject* settings, int32_t count, double* values) = 0;  // 7

    // A copy of settings with other decimal places (how many the host shows of the calibrated
    // values). [in] settings: a settings object of this module; places: 0..6, the calibration
    // dialog's range. [out] copy: a new settings object (reference owned by the caller), equal
    // to settings in everything else. S_OK; E_INVALIDARG for another object or places outside
    // 0..6; E_POINTER for a null out.
    virtual HRESULT WithDecimalPlaces(IPersistObject* settings, int32_t places, IPersistObject** copy) = 0;  // 8

    // FitPoints with options: flags 0 is FitPoints; kTessarFitKeepReplicates keeps rows with
    // equal raw values as points (least-squares kinds). Beyond FitPoints' refusals, a failed
    // fit's message says why where the module knows: the stored coefficients cannot carry the
    // fit (string 280), or the fit overflows double precision (281); otherwise 273.
    // E_INVALIDARG also for unknown flags.
    // [in] rawSds: null, or count standard deviations of the raw values, in base units; a NaN
    //      or negative entry: none. Points with one keep it as their provenance, for weighted
    //      fits (PointWeights::InverseVariance, set with WithRecordChanges).
    virtual HRESULT FitPointsEx(int32_t count, IAutoKVIString* const* rawTexts, IAutoKVIString* const* calibratedTexts,
                                const double* rawSds, IAutoKVIString* sourceUnit, IAutoKVIString* unit,
                                int32_t fitKind, int32_t forceOrigin, int32_t channel, int32_t flags,
                                IPersistObject** settings, IAutoKVIString** message) = 0;  // 9

    // The conditioning of the fit the settings hold, from its points. [in] settings: a settings
    // object of this module. [in, out] out: size set by the caller (at least the size and
    // singularValuesCut fields); the rest is written up to that size.
    // Results: S_OK; E_FAIL when the record's points no longer fit (a hand-edited document);
    //      E_INVALIDARG for another object or a size too small; E_POINTER for a null out.
    virtual HRESULT GetFitDiagnostics(IPersistObject* settings, TessarFitDiagnostics* out) = 0;  // 10

    // GetFitText with the raw values' unit (a unit text such as "mV"; null or empty: none):
    // the equation's coefficients are those of the curve with x in that unit and its prefix
    // and y in the calibration's unit and its prefix, as the report shows it.
    virtual HRESULT GetFitTextInUnits(IPersistObject* settings, int32_t which, IAutoKVIString* sourceUnit,
                                      IAutoKVIString** out) = 0;  // 11

    // RenderReport with the raw values' unit (as GetFitTextInUnits takes it): the report's raw
    // axis title, raw column and equation carry it, as in the dialog.
    virtual HRESULT RenderReportInUnits(IPersistObject* settings, IAutoKVIString* path, int32_t flags,
                                        IAutoKVIString* sourceUnit) = 0;  // 12

    // Writes the calibration file (calibration/calibration_file.h) of the settings: the whole
    // record, to be applied exactly elsewhere. [in] path: the file, replaced whole or not at all.
    // [out] message: on a failure the reason, else null. S_OK; KVI_E_MESSAGE with the message
    // when the file cannot be written or the record holds no fit; E_INVALIDARG for another
    // object or a null path; E_POINTER for a null message.
    virtual HRESULT SaveCalibrationFile(IPersistObject* settings, IAutoKVIString* path,
                                        IAutoKVIString** message) = 0;  // 13

    // Reads a calibration file into new settings, exactly as it was saved (nothing is refitted).
    // [in] channel: the source channel the settings name (-1 keeps the file's).
    // [out] settings (reference owned by the caller), null on failure; message: on a failure
    // the reason ("not JSON", "a newer version" ...), else null. S_OK; KVI_E_MESSAGE with the
    // message; E_INVALIDARG for a null path; E_POINTER for a null out-pointer.
    virtual HRESULT LoadCalibrationFile(IAutoKVIString* path, int32_t channel, IPersistObject** settings,
                                        IAutoKVIString** message) = 0;  // 14

    // [in] settings: a settings object of this module. [in, out] out: size set by the caller
    // (at least the size field and rangePolicy); the rest written up to that size. S_OK;
    // E_INVALIDARG for another object or a size too small; E_POINTER for a null out.
    virtual HRESULT GetCalibrationInfo(IPersistObject* settings, TessarCalibrationInfo* out) = 0;  // 15

    // A copy of settings with the changes applied; a changed weighting refits the points.
    // [out] copy (reference owned by the caller), null on failure; message: on a refusal the
    // reason (a date that does not read, a fit that fails with the new weights). S_OK;
    // KVI_E_MESSAGE with the message; E_INVALIDARG for another object, a size too small,
    // unknown field bits or a value out of its range; E_POINTER for a null out-pointer.
    virtual HRESULT WithRecordChanges(IPersistObject* settings, const TessarRecordChanges* changes,
                                      IPersistObject** copy, IAutoKVIString** message) = 0;  // 16
    // The standard errors of the stored coefficients (the square roots of the diagonal of
    // s^2 (X^T X)^-1, through the weighted design when the fit is weighted), in stored order and
    // base units; the exponential amplitude's to first order. [in] settings: a settings object
    // of this module; capacity: room in errors. [out] errors: the first min(capacity, count)
    // (NaN when no degree of freedom is left; 0 for c0 under force origin); count: how many
    // there are, the coefficient count (0 for point to point).
    // Results: S_OK; S_FALSE when cut to capacity; E_FAIL when the record's points no longer
    //      fit; E_INVALIDARG for another object or a negative capacity; E_POINTER for a null
    //      count or a null errors buffer with capacity > 0.
    virtual HRESULT GetStandardErrors(IPersistObject* settings, int32_t capacity, double* errors,
                                      int32_t* count) = 0;  // 17

    // The half-widths of the 95 % prediction intervals of new calibrated values at raw values:
    // t(0.975, nu) s sqrt(1 + g^T (X^T X)^-1 g), g the fit's basis at the raw value, mapped
    // through the curve for the logarithmic (g at ln x) and exponential kinds (half the width
    // of y e^-h .. y e^h). [in] settings; count >= 0; raw: raw values in base units.
    // [out] halfWidths: calibrated base units; NaN where there is no interval (no degree of
    //      freedom left, point to point, x <= 0 logarithmic). raw and halfWidths may be the same
    //      array. Each call refits the points once: pass values in blocks.
    // Results: S_OK; E_FAIL when the record's points no longer fit; E_INVALIDARG for another
    //      object or a negative count; E_POINTER for null arrays with count > 0.
    virtual HRESULT GetPredictionHalfWidths(IPersistObject* settings, int32_t count, const double* raw,
                                            double* halfWidths) = 0;  // 18

    // Which fit kind the points support best, by every kind's leave-one-out prediction error
    // (from the hat matrix, the polynomial kinds with the record's force-origin flag).
    // [in] settings; [in, out] out: size set by the caller (at least the size, bestKind and
    //      simplerKind fields); the rest is written up to that size.
    // Results: S_OK; E_INVALIDARG for another object or a size too small; E_POINTER for null.
    virtual HRESULT GetFitAdvice(IPersistObject* settings, TessarFitAdvice* out) = 0;  // 19

    // The raw value the fitted curve maps to a calibrated value (the curve in exact arithmetic
    // as far as long double carries it). [in] settings; calibrated: base units; flags: 0 or
    // kTessarInvertWithinPoints. [out] status: a TessarInverseStatus; raw: the raw value in base
    //      units when status is kTessarInverseFound, else NaN; solutions: the first
    //      min(capacity, count) raw values found, ascending (may be null when capacity is 0);
    //      count: how many were found (for kTessarInverseSeveral at least two; a flat stretch
    //      gives its ends). raw, solutions and count may be null to skip them.
    // Results: S_OK whatever the status; E_INVALIDARG for another object, unknown flags or a
    //      negative capacity; E_POINTER for a null status or a null solutions buffer with
    //      capacity > 0.
    virtual HRESULT InvertFit(IPersistObject* settings, double calibrated, int32_t flags, int32_t* status,
                              double* raw, int32_t capacity, double* solutions, int32_t* count) = 0;  // 20

protected:
    ~ITessarAutomation() = default;
};
