// The automation interface of the calculation class (fitting reference points given as texts,
// describing a fit), the table reading it shares with the calibration dialog, and a whole
// calibration from reference points to calibrated samples through the host's interfaces.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

#include "module/calc_class.h"
#include "module/calc_enum_class.h"
#include "module/class_object_list.h"
#include "calibration/reference_table.h"
#include "calibration/settings_text.h"
#include "calibration/tessar_ext.h"
#include "values/units/unit_entry.h"
#include "platform/com_ptr.h"
#include "calibration/fit_advice.h"
#include "calibration/fit_uncertainty.h"
#include "report/fit_text.h"
#include "report/uncertainty_text.h"
#include "tests/support/module_doubles.h"

namespace {

using platform::ComPtr;
using Tessar::CalibrationData;
using TestSupport::FakeFramework;

struct FitResult {
    HRESULT hr = E_FAIL;
    ComPtr<IPersistObject> settings;
    KVI::String message;
};

class Automation : public testing::Test {
protected:
    void SetUp() override
    {
        FakeFramework::Install();
        ASSERT_EQ(Tessar::TheCalcClass().QueryInterface(IID_ITessarAutomation, automation_.PutVoid()), S_OK);
    }

    FitResult Fit(const std::vector<const char16_t*>& raw, const std::vector<const char16_t*>& calibrated,
                  int32_t kind, const char16_t* sourceUnit = u"V", const char16_t* unit = u"mmHg",
                  int32_t forceOrigin = 0, int32_t flags = 0)
    {
        std::vector<KVI::String> rawTexts(raw.begin(), raw.end()), calTexts(calibrated.begin(), calibrated.end());
        std::vector<IAutoKVIString*> r, c;
        for (auto& t : rawTexts) r.push_back(t.Interface());
        for (auto& t : calTexts) c.push_back(t.Interface());
        FitResult result;
        ComPtr<IAutoKVIString> message;
        const auto unitText = KVI::String(unit), sourceText = KVI::String(sourceUnit);
        result.hr = flags == 0 ? automation_->FitPoints(int32_t(r.size()), r.data(), c.data(), sourceText.Interface(),
                                                        unitText.Interface(), kind, forceOrigin, 3,
                                                        result.settings.Put(), message.Put())
                               : automation_->FitPointsEx(int32_t(r.size()), r.data(), c.data(), nullptr,
                                                          sourceText.Interface(), unitText.Interface(), kind,
                                                          forceOrigin, 3, flags, result.settings.Put(), message.Put());
        result.message = KVI::String(message.Get());
        return result;
    }

    static const CalibrationData& DataOf(const FitResult& r) { return Tessar::SettingsOf(r.settings.Get())->Data(); }

    ComPtr<ITessarAutomation> automation_;
};

TEST_F(Automation, IsAnInterfaceOfTheCalculationClass)
{
    ComPtr<IUnknown> a, b;
    ASSERT_EQ(automation_.As(IID_IUnknown, a), S_OK);
    ASSERT_EQ(ComPtr<ICalculationClass>(&Tessar::TheCalcClass()).As(IID_IUnknown, b), S_OK);
    EXPECT_EQ(a.Get(), b.Get());
    ComPtr<ICalculationClass> back;
    EXPECT_EQ(automation_.As(IID_ICalculationClass, back), S_OK);
    EXPECT_EQ(back.Get(), static_cast<ICalculationClass*>(&Tessar::TheCalcClass()));
    // Neither the other class objects nor the calculations answer it.
    ComPtr<IUnknown> none;
    EXPECT_EQ(ComPtr<ICalcEnumClass2>(&Tessar::TheCalcEnumClass()).As(IID_ITessarAutomation, none), E_NOINTERFACE);
}

TEST_F(Automation, FitsRowsSortedByRawValueInBaseUnits)
{
    // Rows in any order and with gaps; bare numbers take the column's unit.
    const FitResult r = Fit({u"1", u"", u"0 V", u"0.5"}, {u"100", u"7", u"0", u"50 mmHg"}, 0);
    ASSERT_EQ(r.hr, S_OK);
    EXPECT_TRUE(r.message.IsEmpty());
    const CalibrationData& d = DataOf(r);
    EXPECT_EQ(d.rawValues_, (std::vector<double>{0, 0.5, 1}));
    EXPECT_EQ(d.calibratedValues_, (std::vector<double>{0, 50, 100}));
    ASSERT_EQ(d.coefficients_.size(), 2u);
    EXPECT_NEAR(d.coefficients_[0], 0, 1e-12);
    EXPECT_NEAR(d.coefficients_[1], 100, 1e-12);
    EXPECT_EQ(d.channel_, 3);
    EXPECT_TRUE(d.calculatedView_);
    EXPECT_EQ(d.unit_.name_, KVI::String(u"mmHg"));
    EXPECT_EQ(d.unit_.prefix_, 8);
    EXPECT_DOUBLE_EQ(d.paneTop_, 112.5);
    EXPECT_DOUBLE_EQ(d.paneBottom_, -12.5);
}

TEST_F(Automation, PrefixedUnitsScaleBareNumbers)
{
    // Raw values in mV, calibrated in kPa: stored in V and Pa.
    const FitResult r = Fit({u"12.5", u"25 mV"}, {u"3", u"6000 Pa"}, 0, u"mV", u"kPa");
    ASSERT_EQ(r.hr, S_OK);
    const CalibrationData& d = DataOf(r);
    ASSERT_EQ(d.rawValues_.size(), 2u);
    EXPECT_DOUBLE_EQ(d.rawValues_[0], 0.0125);
    EXPECT_DOUBLE_EQ(d.rawValues_[1], 0.025);
    EXPECT_DOUBLE_EQ(d.calibratedValues_[0], 3000);
    EXPECT_DOUBLE_EQ(d.calibratedValues_[1], 6000);
    EXPECT_EQ(d.unit_.prefix_, 9);
    EXPECT_EQ(d.unit_.name_, KVI::String(u"Pa"));
}

struct RefusalCase {
    const char* name;
    std::vector<const char16_t*> raw, calibrated;
    int32_t kind;
    uint32_t messageId;
};

TEST_F(Automation, RefusesTablesAsTheDialogDoesInItsOrder)
{
    const RefusalCase cases[] = {
        // A repeated raw value is reported before the point count.
        {"repeated raw value", {u"1", u"1.0"}, {u"1", u"2"}, 4, 277},
        {"repeated through its unit", {u"1000 mV", u"1 V", u"3"}, {u"1", u"2", u"3"}, 0, 277},
        {"too few for linear", {u"1"}, {u"1"}, 0, 275},
        {"empty table", {}, {}, 0, 275},
        {"quintic needs six", {u"1", u"2", u"3", u"4", u"5"}, {u"1", u"2", u"3", u"4", u"5"}, 4, 275},
        {"incomplete rows do not count", {u"1", u"2", u"x"}, {u"1", u"", u"3"}, 0, 275},
        {"no such fit kind", {u"1", u"2"}, {u"1", u"2"}, 8, 275},
        {"logarithm of zero", {u"0", u"1"}, {u"1", u"2"}, 5, 273},
        {"exponential of a negative value", {u"0", u"1"}, {u"-1", u"2"}, 6, 273},
    };
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(c.name);
        const FitResult r = Fit(c.raw, c.calibrated, c.kind);
        EXPECT_EQ(r.hr, KVI_E_MESSAGE);
        EXPECT_FALSE(r.settings);
        EXPECT_EQ(r.message, KVI::String(KVI::ThisModule(), c.messageId));
        EXPECT_FALSE(r.message.IsEmpty());
    }
}

TEST_F(Automation, BareNumbersAreComparedAsWrittenForRepeats)
{
    // "1" and "1 mV" differ as written, so there is no repeat; both read as 1 mV, the later
    // row wins, and one point is too few.
    const FitResult r = Fit({u"1", u"1 mV"}, {u"5", u"6"}, 0, u"mV");
    EXPECT_EQ(r.hr, KVI_E_MESSAGE);
    EXPECT_EQ(r.message, KVI::String(KVI::ThisModule(), 275));
}

TEST_F(Automation, ReplicatesAreKeptForLeastSquaresKindsOnRequest)
{
    const std::vector<const char16_t*> raw = {u"2", u"1", u"2", u"1 V", u"3"};
    const std::vector<const char16_t*> calibrated = {u"21", u"10", u"19", u"12", u"30"};
    // Without the flag the dialog's rule holds.
    EXPECT_EQ(Fit(raw, calibrated, 0).message, KVI::String(KVI::ThisModule(), 277));

    const FitResult r = Fit(raw, calibrated, 0, u"V", u"mmHg", 0, kTessarFitKeepReplicates);
    ASSERT_EQ(r.hr, S_OK) << r.message.ToUtf8();
    const CalibrationData& d = DataOf(r);
    // Every row, sorted by raw value, equal raw values in table order.
    EXPECT_EQ(d.rawValues_, (std::vector<double>{1, 1, 2, 2, 3}));
    EXPECT_EQ(d.calibratedValues_, (std::vector<double>{10, 12, 21, 19, 30}));
    // The least-squares line of the five points: Sxy / Sxx = 26.4 / 2.8, through the means.
    EXPECT_NEAR(d.coefficients_[1], 66.0 / 7, 1e-12);
    EXPECT_NEAR(d.coefficients_[0], 10.0 / 7, 1e-12);

    // Point to point still needs distinct raw values, in base units too.
    EXPECT_EQ(Fit(raw, calibrated, 7, u"V", u"mmHg", 0, kTessarFitKeepReplicates).message,
              KVI::String(KVI::ThisModule(), 277));
    EXPECT_EQ(Fit({u"1000 mV", u"1 V"}, {u"1", u"2"}, 7, u"V", u"mmHg", 0, kTessarFitKeepReplicates).message,
              KVI::String(KVI::ThisModule(), 277));
}

TEST_F(Automation, FailedFitsSayWhyOnRequest)
{
    // Raw values one ulp apart: no polynomial in powers of x carries the line.
    EXPECT_EQ(Fit({u"1", u"1.0000000000000002"}, {u"0", u"1"}, 0, u"V", u"mmHg", 0, kTessarFitKeepReplicates).message,
              KVI::String(KVI::ThisModule(), 280));
    EXPECT_EQ(Fit({u"0", u"1"}, {u"1e308", u"-1e308"}, 0, u"V", u"mmHg", 0, kTessarFitKeepReplicates).message,
              KVI::String(KVI::ThisModule(), 281));
    EXPECT_EQ(Fit({u"0", u"1"}, {u"1", u"2"}, 0, u"V", u"mmHg", 0, 2).hr, E_INVALIDARG);
}

TEST_F(Automation, DiagnosticsOfAFit)
{
    const FitResult line = Fit({u"1", u"2", u"3"}, {u"2", u"4", u"7"}, 0);
    ASSERT_EQ(line.hr, S_OK);
    TessarFitDiagnostics diagnostics;
    ASSERT_EQ(automation_->GetFitDiagnostics(line.settings.Get(), &diagnostics), S_OK);
    EXPECT_EQ(diagnostics.singularValuesCut, 0);
    EXPECT_NEAR(diagnostics.conditionNumber, 1.0, 1e-12);  // columns 1 and u = (-1, 0, 1): orthogonal

    const FitResult flat = Fit({u"2", u"2"}, {u"1", u"3"}, 0, u"V", u"mmHg", 0, kTessarFitKeepReplicates);
    ASSERT_EQ(flat.hr, S_OK);
    ASSERT_EQ(automation_->GetFitDiagnostics(flat.settings.Get(), &diagnostics), S_OK);
    EXPECT_EQ(diagnostics.singularValuesCut, 1);
    EXPECT_TRUE(std::isinf(diagnostics.conditionNumber));

    // A caller that knows only the first fields gets only those.
    TessarFitDiagnostics small;
    small.size = 8;
    small.conditionNumber = -5;
    ASSERT_EQ(automation_->GetFitDiagnostics(line.settings.Get(), &small), S_OK);
    EXPECT_EQ(small.conditionNumber, -5);
    small.size = 4;
    EXPECT_EQ(automation_->GetFitDiagnostics(line.settings.Get(), &small), E_INVALIDARG);
    EXPECT_EQ(automation_->GetFitDiagnostics(nullptr, &diagnostics), E_INVALIDARG);
    EXPECT_EQ(automation_->GetFitDiagnostics(line.settings.Get(), nullptr), E_POINTER);
}

// The uncertainty slots hand out what the engine computes for the settings' record, and say
// where there is none.
TEST_F(Automation, UncertaintyOfAFit)
{
    const FitResult line = Fit({u"1", u"2", u"3", u"4", u"5"}, {u"2.1", u"3.9", u"6.2", u"7.8", u"10.1"}, 0);
    ASSERT_EQ(line.hr, S_OK);
    Tessar::FitUncertainty engine;
    ASSERT_TRUE(engine.Build(DataOf(line)));

    TessarFitDiagnostics diagnostics;
    ASSERT_EQ(automation_->GetFitDiagnostics(line.settings.Get(), &diagnostics), S_OK);
    EXPECT_EQ(diagnostics.degreesOfFreedom, 3);
    EXPECT_EQ(diagnostics.fittedCoefficients, 2);
    EXPECT_EQ(diagnostics.residualStandardDeviation, engine.ResidualStandardDeviation());
    // A caller of the first version gets none of the new fields.
    TessarFitDiagnostics first;
    first.size = offsetof(TessarFitDiagnostics, degreesOfFreedom);
    first.degreesOfFreedom = -7;
    ASSERT_EQ(automation_->GetFitDiagnostics(line.settings.Get(), &first), S_OK);
    EXPECT_EQ(first.degreesOfFreedom, -7);
    EXPECT_EQ(first.conditionNumber, diagnostics.conditionNumber);

    double errors[2] = {0, 0};
    int32_t count = 0;
    ASSERT_EQ(automation_->GetStandardErrors(line.settings.Get(), 2, errors, &count), S_OK);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(errors[0], engine.StandardErrors()[0]);
    EXPECT_EQ(errors[1], engine.StandardErrors()[1]);
    EXPECT_EQ(automation_->GetStandardErrors(line.settings.Get(), 1, errors, &count), S_FALSE);
    EXPECT_EQ(automation_->GetStandardErrors(line.settings.Get(), 1, nullptr, &count), E_POINTER);

    double values[3] = {0.5, 3, 9};
    ASSERT_EQ(automation_->GetPredictionHalfWidths(line.settings.Get(), 3, values, values), S_OK);
    EXPECT_NEAR(values[1], engine.At(3).halfWidth, 1e-12 * values[1]);
    EXPECT_GT(values[0], values[1]) << "wider away from the points' centre";
    EXPECT_EQ(automation_->GetPredictionHalfWidths(line.settings.Get(), -1, values, values), E_INVALIDARG);

    TessarFitAdvice advice;
    ASSERT_EQ(automation_->GetFitAdvice(line.settings.Get(), &advice), S_OK);
    const Tessar::FitAdvice expected = Tessar::AdviseFitKind(DataOf(line));
    EXPECT_EQ(advice.bestKind, expected.best);
    EXPECT_EQ(advice.simplerKind, expected.simpler);
    EXPECT_EQ(advice.press[0], expected.press[0]);
    EXPECT_TRUE(std::isnan(advice.press[4])) << "a quintic needs seven points";
    ComPtr<IAutoKVIString> text;
    ASSERT_EQ(automation_->GetFitText(line.settings.Get(), kTessarAdviceLine, text.Put()), S_OK);
    EXPECT_EQ(KVI::String(text.Get()), Tessar::AdviceLine(expected));
    ASSERT_EQ(automation_->GetFitText(line.settings.Get(), kTessarUncertaintyLines, text.Put()), S_OK);
    EXPECT_TRUE(KVI::String(text.Get()).View().starts_with(u"s = ")) << KVI::String(text.Get()).ToUtf8();

    // Point to point has no least-squares uncertainty; two points leave no degree of freedom.
    const FitResult table = Fit({u"1", u"2", u"4"}, {u"1", u"3", u"4"}, 7);
    ASSERT_EQ(automation_->GetStandardErrors(table.settings.Get(), 2, errors, &count), S_OK);
    EXPECT_EQ(count, 0);
    ASSERT_EQ(automation_->GetPredictionHalfWidths(table.settings.Get(), 1, values, values), S_OK);
    EXPECT_TRUE(std::isnan(values[0]));
    ASSERT_EQ(automation_->GetFitDiagnostics(table.settings.Get(), &diagnostics), S_OK);
    EXPECT_EQ(diagnostics.degreesOfFreedom, 0);
    EXPECT_TRUE(std::isnan(diagnostics.residualStandardDeviation));
    const FitResult two = Fit({u"1", u"2"}, {u"1", u"3"}, 0);
    ASSERT_EQ(automation_->GetFitText(two.settings.Get(), kTessarUncertaintyLines, text.Put()), S_OK);
    EXPECT_EQ(KVI::String(text.Get()).ToUtf8(), KVI::String(Tessar::kNoDegreesOfFreedom).ToUtf8() + "\n");
}

TEST_F(Automation, InvertsTheFit)
{
    const FitResult line = Fit({u"1", u"2", u"3"}, {u"2", u"4", u"6"}, 0);
    int32_t status = -1, count = 0;
    double raw = 0, solutions[2] = {0, 0};
    ASSERT_EQ(automation_->InvertFit(line.settings.Get(), 5, 0, &status, &raw, 2, solutions, &count), S_OK);
    EXPECT_EQ(status, kTessarInverseFound);
    EXPECT_NEAR(raw, 2.5, 1e-12);
    EXPECT_EQ(count, 1);
    // Beyond the points: found on the extrapolating end, refused within the points.
    ASSERT_EQ(automation_->InvertFit(line.settings.Get(), 10, 0, &status, &raw, 0, nullptr, nullptr), S_OK);
    EXPECT_EQ(status, kTessarInverseFound);
    EXPECT_NEAR(raw, 5, 1e-12);
    ASSERT_EQ(automation_->InvertFit(line.settings.Get(), 10, kTessarInvertWithinPoints, &status, &raw, 0, nullptr,
                                     nullptr),
              S_OK);
    EXPECT_EQ(status, kTessarInverseNoSolution);
    EXPECT_TRUE(std::isnan(raw));
    // Two raw values of a parabola.
    const FitResult bowl = Fit({u"0", u"1", u"2", u"3", u"4"}, {u"4", u"1", u"0", u"1", u"4"}, 1);
    ASSERT_EQ(automation_->InvertFit(bowl.settings.Get(), 1, 0, &status, &raw, 2, solutions, &count), S_OK);
    EXPECT_EQ(status, kTessarInverseSeveral);
    EXPECT_EQ(count, 2);
    EXPECT_NEAR(solutions[0], 1, 1e-9);
    EXPECT_NEAR(solutions[1], 3, 1e-9);
    EXPECT_EQ(automation_->InvertFit(line.settings.Get(), 5, 2, &status, &raw, 0, nullptr, nullptr), E_INVALIDARG);
    EXPECT_EQ(automation_->InvertFit(line.settings.Get(), 5, 0, nullptr, &raw, 0, nullptr, nullptr), E_POINTER);
}

TEST_F(Automation, RefusesBadArguments)
{
    IPersistObject* settings = nullptr;
    IAutoKVIString* message = nullptr;
    std::vector<IAutoKVIString*> texts(13, nullptr);
    EXPECT_EQ(automation_->FitPoints(-1, texts.data(), texts.data(), nullptr, nullptr, 0, 0, 0, &settings, &message),
              E_INVALIDARG);
    EXPECT_EQ(automation_->FitPoints(2, nullptr, texts.data(), nullptr, nullptr, 0, 0, 0, &settings, &message),
              E_INVALIDARG);
    EXPECT_EQ(automation_->FitPoints(0, nullptr, nullptr, nullptr, nullptr, 0, 0, 0, nullptr, &message), E_POINTER);
    // Twelve empty rows are a table, just too small.
    EXPECT_EQ(automation_->FitPoints(12, texts.data(), texts.data(), nullptr, nullptr, 0, 0, 0, &settings, &message),
              KVI_E_MESSAGE);
    ASSERT_NE(message, nullptr);
    message->Release();
}

TEST_F(Automation, FitsMorePointsThanTheDialogHasRowsAndEvaluatesTheFit)
{
    // Thirteen points on y = 2x + 1: the dialog's limit is the storing host's to keep.
    std::vector<std::u16string> raw, calibrated;
    for (int i = 0; i < 13; ++i) {
        raw.push_back(std::u16string(KVI::String::FromUtf8(std::to_string(i)).View()));
        calibrated.push_back(std::u16string(KVI::String::FromUtf8(std::to_string(2 * i + 1)).View()));
    }
    std::vector<const char16_t*> r, c;
    for (size_t i = 0; i < raw.size(); ++i) {
        r.push_back(raw[i].c_str());
        c.push_back(calibrated[i].c_str());
    }
    const FitResult fit = Fit(r, c, 0);
    ASSERT_EQ(fit.hr, S_OK);
    EXPECT_EQ(DataOf(fit).rawValues_.size(), 13u);

    double values[] = {0.5, 20, -3};
    ASSERT_EQ(automation_->EvaluateFit(fit.settings.Get(), 3, values), S_OK);
    EXPECT_NEAR(values[0], 2, 1e-12);
    EXPECT_NEAR(values[1], 41, 1e-12);
    EXPECT_NEAR(values[2], -5, 1e-12);
    EXPECT_EQ(automation_->EvaluateFit(fit.settings.Get(), 0, nullptr), S_OK);
    EXPECT_EQ(automation_->EvaluateFit(fit.settings.Get(), 1, nullptr), E_POINTER);
    EXPECT_EQ(automation_->EvaluateFit(fit.settings.Get(), -1, values), E_INVALIDARG);
    ComPtr<KVI::UnitEntry> foreign(new KVI::UnitEntry);
    EXPECT_EQ(automation_->EvaluateFit(static_cast<IPersistObject*>(foreign.Get()), 1, values), E_INVALIDARG);
}

TEST_F(Automation, EvaluatesEveryKindAsTheEnumeratorsDo)
{
    // The logarithm's NaN below zero and point to point's extension past its last point show
    // that the kind's own evaluator runs.
    const FitResult log = Fit({u"1", u"2"}, {u"3", u"4"}, 5);
    ASSERT_EQ(log.hr, S_OK);
    double x[] = {-1, 1};
    ASSERT_EQ(automation_->EvaluateFit(log.settings.Get(), 2, x), S_OK);
    EXPECT_TRUE(std::isnan(x[0]));
    EXPECT_NEAR(x[1], 3, 1e-6);

    const FitResult p2p = Fit({u"1", u"2", u"4"}, {u"10", u"20", u"0"}, 7);
    ASSERT_EQ(p2p.hr, S_OK);
    double y[] = {3, 5};
    ASSERT_EQ(automation_->EvaluateFit(p2p.settings.Get(), 2, y), S_OK);
    EXPECT_NEAR(y[0], 10, 1e-12);
    EXPECT_NEAR(y[1], -10, 1e-12);
}

TEST_F(Automation, CopiesSettingsWithOtherDecimalPlaces)
{
    const FitResult r = Fit({u"0", u"1"}, {u"0", u"100"}, 0);
    ASSERT_EQ(r.hr, S_OK);
    ComPtr<IPersistObject> copy;
    ASSERT_EQ(automation_->WithDecimalPlaces(r.settings.Get(), 5, copy.Put()), S_OK);
    ASSERT_NE(copy.Get(), r.settings.Get());
    CalibrationData expected = DataOf(r);
    expected.decimalPlaces_ = 5;
    const CalibrationData& got = Tessar::SettingsOf(copy.Get())->Data();
    EXPECT_TRUE(got == expected);
    EXPECT_EQ(got.coefficients_, expected.coefficients_);
    EXPECT_EQ(DataOf(r).decimalPlaces_, 3) << "the original is untouched";

    for (int32_t places : {-1, 7}) {
        EXPECT_EQ(automation_->WithDecimalPlaces(r.settings.Get(), places, copy.Put()), E_INVALIDARG) << places;
        EXPECT_EQ(copy.Get(), nullptr);
    }
    EXPECT_EQ(automation_->WithDecimalPlaces(r.settings.Get(), 2, nullptr), E_POINTER);
    ComPtr<KVI::UnitEntry> foreign(new KVI::UnitEntry);
    EXPECT_EQ(automation_->WithDecimalPlaces(static_cast<IPersistObject*>(foreign.Get()), 2, copy.Put()),
              E_INVALIDARG);
}

TEST_F(Automation, DescribesAFit)
{
    const FitResult r = Fit({u"0", u"1", u"2"}, {u"1", u"3", u"5"}, 0);
    ASSERT_EQ(r.hr, S_OK);
    double coefficients[kTessarMaxCoefficients] = {};
    int32_t count = 0, kind = -1, force = -1;
    double chi = -1, sse = -1, corr = 0;
    ASSERT_EQ(automation_->DescribeFit(r.settings.Get(), kTessarMaxCoefficients, coefficients, &count, &kind, &force,
                                       &chi, &sse, &corr),
              S_OK);
    EXPECT_EQ(count, 2);
    EXPECT_NEAR(coefficients[0], 1, 1e-12);
    EXPECT_NEAR(coefficients[1], 2, 1e-12);
    EXPECT_EQ(kind, 0);
    EXPECT_EQ(force, 0);
    EXPECT_NEAR(chi, 0, 1e-20);
    EXPECT_NEAR(sse, 0, 1e-20);
    EXPECT_NEAR(corr, 1, 1e-15);

    // Cut to the room given; only the count is required.
    double first = 0;
    EXPECT_EQ(automation_->DescribeFit(r.settings.Get(), 1, &first, &count, nullptr, nullptr, nullptr, nullptr,
                                       nullptr),
              S_FALSE);
    EXPECT_EQ(count, 2);
    EXPECT_NEAR(first, 1, 1e-12);
    EXPECT_EQ(automation_->DescribeFit(r.settings.Get(), 0, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                                       nullptr),
              S_FALSE);
    EXPECT_EQ(automation_->DescribeFit(r.settings.Get(), 2, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                                       nullptr),
              E_POINTER);

    ComPtr<KVI::UnitEntry> foreign(new KVI::UnitEntry);
    EXPECT_EQ(automation_->DescribeFit(static_cast<IPersistObject*>(foreign.Get()), 0, nullptr, &count, nullptr,
                                       nullptr, nullptr, nullptr, nullptr),
              E_INVALIDARG);
}

TEST_F(Automation, TextsOfAFit)
{
    const FitResult r = Fit({u"0", u"1"}, {u"0", u"2"}, 0);
    ASSERT_EQ(r.hr, S_OK);
    ComPtr<IAutoKVIString> text;
    ASSERT_EQ(automation_->GetFitText(r.settings.Get(), kTessarSettingsText, text.Put()), S_OK);
    EXPECT_EQ(KVI::String(text.Get()), Tessar::FormatSettingsText(DataOf(r)));
    // The report's texts, as the report shows them.
    ASSERT_EQ(automation_->GetFitText(r.settings.Get(), kTessarFitTypeLine, text.Put()), S_OK);
    EXPECT_EQ(KVI::String(text.Get()), KVI::String(u"Linear"));
    ASSERT_EQ(automation_->GetFitText(r.settings.Get(), kTessarEquation, text.Put()), S_OK);
    EXPECT_EQ(KVI::String(text.Get()), Tessar::FormatEquation(DataOf(r), KVI::UnitInfo::Empty()));
    EXPECT_TRUE(KVI::String(text.Get()).View().starts_with(u"y = 2x "));
    ASSERT_EQ(automation_->GetFitText(r.settings.Get(), kTessarStatistics, text.Put()), S_OK);
    EXPECT_EQ(KVI::String(text.Get()), Tessar::FormatStatistics(DataOf(r)));
    EXPECT_TRUE(KVI::String(text.Get()).View().ends_with(u"\tr\u00B2 = 1"));
    // The units of the equation: the calibration's, and the raw values' when given.
    ASSERT_EQ(automation_->GetFitText(r.settings.Get(), kTessarUnitsLine, text.Put()), S_OK);
    EXPECT_EQ(KVI::String(text.Get()), KVI::String(u"y in mmHg"));
    ASSERT_EQ(automation_->GetFitTextInUnits(r.settings.Get(), kTessarUnitsLine, KVI::String(u"mV").Interface(),
                                             text.Put()),
              S_OK);
    EXPECT_EQ(KVI::String(text.Get()), KVI::String(u"x in mV, y in mmHg"));
    // In millivolts the slope of 2 mmHg per volt is 0.002 mmHg per millivolt.
    ASSERT_EQ(automation_->GetFitTextInUnits(r.settings.Get(), kTessarEquation, KVI::String(u"mV").Interface(),
                                             text.Put()),
              S_OK);
    EXPECT_TRUE(KVI::String(text.Get()).View().starts_with(u"y = 0.002x ")) << KVI::String(text.Get()).ToUtf8();
    EXPECT_EQ(automation_->GetFitText(r.settings.Get(), kTessarAdviceLine + 1, text.Put()), E_INVALIDARG);
    EXPECT_EQ(automation_->GetFitText(nullptr, kTessarSettingsText, text.Put()), E_INVALIDARG);
    EXPECT_EQ(automation_->RenderReport(r.settings.Get(), KVI::String(u"/tmp/report.svg").Interface(), 0),
              E_NOTIMPL);
}

// The road of a calibration: reference points fitted, the settings applied to a calculation,
// the text form the host receives handed to an enumerator, raw samples read calibrated.
TEST_F(Automation, FromReferencePointsToCalibratedSamples)
{
    const FitResult r = Fit({u"0", u"1"}, {u"0", u"100"}, 0);
    ASSERT_EQ(r.hr, S_OK);

    FakeFramework::Instance().ClearRegistered();
    Tessar::RegisterClassObjects();
    TestSupport::FakeSite site;
    ComPtr<IUnknown> created;
    ASSERT_EQ(Tessar::TheCalcClass().CreateCalculation(3, 0, &site, created.Put()), S_OK);
    ComPtr<IChannelCalc> calc;
    ASSERT_EQ(created.As(IID_IChannelCalc, calc), S_OK);
    ASSERT_EQ(calc->ApplySettings(r.settings.Get(), 1), S_OK);
    TestSupport::FakeBaseObject* base = FakeFramework::Instance().LastBase();
    ASSERT_NE(base->attachedEnumerator, nullptr);

    ASSERT_EQ(base->attachedEnumerator->SetSettingsText(base->settingsText.Interface(), nullptr), S_OK);
    auto source = ComPtr<TestSupport::FakeSourceStream>::Adopt(new TestSupport::FakeSourceStream({0.5f, 2, -1}));
    IUnknown* sources[] = {source.Get()};
    ASSERT_EQ(base->attachedEnumerator->Connect(1, sources, nullptr, 0), S_OK);
    ComPtr<IEnumFloatEx> stream;
    ASSERT_EQ(base->attachedEnumerator->QueryInterface(IID_IEnumFloatEx, stream.PutVoid()), S_OK);
    float samples[3] = {};
    uint32_t got = 0;
    ASSERT_EQ(stream->Next(3, samples, &got), S_OK);
    EXPECT_FLOAT_EQ(samples[0], 50);
    EXPECT_FLOAT_EQ(samples[1], 200);
    EXPECT_FLOAT_EQ(samples[2], -100);
    stream.Reset();
    calc.Reset();
    created.Reset();
    FakeFramework::Instance().ClearRegistered();
}

struct UnitCase {
    const char16_t* text;
    int32_t prefix;
    const char16_t* name;
};

TEST(ReferenceTable, UnitTexts)
{
    const UnitCase cases[] = {
        {u"mV", 7, u"V"},           {u"kPa", 9, u"Pa"},         {u"V", 8, u"V"},
        {u"mmHg", 8, u"mmHg"},      {u"Hz", 8, u"Hz"},          {u"\u00B5V", 6, u"V"},
        {u"uA", 6, u"A"},           {u" V ", 8, u"V"},          {u"degrees C", 8, u"degrees C"},
        {u"", 1, u""},              {u"  ", 1, u""},            {u"GOhms", 11, u"Ohms"},
    };
    for (const UnitCase& c : cases) {
        const KVI::UnitInfo u = Tessar::UnitFromText(KVI::String(c.text));
        EXPECT_EQ(u.prefix_, c.prefix) << KVI::String(c.text).ToUtf8();
        EXPECT_EQ(u.name_, KVI::String(c.name)) << KVI::String(c.text).ToUtf8();
        EXPECT_EQ(u.flag_, 0);
    }
}

TEST(ReferenceTable, ExpandedRangeKeepsTopAboveBottom)
{
    double top = 0, bottom = 0;
    Tessar::ExpandedRange(0, 100, top, bottom);
    EXPECT_DOUBLE_EQ(top, 112.5);
    EXPECT_DOUBLE_EQ(bottom, -12.5);
    Tessar::ExpandedRange(100, 0, top, bottom);
    EXPECT_DOUBLE_EQ(top, 112.5);
    EXPECT_DOUBLE_EQ(bottom, -12.5);
    Tessar::ExpandedRange(5, 5, top, bottom);
    EXPECT_EQ(top, 5);
    EXPECT_EQ(bottom, 5);
}

}  // namespace
