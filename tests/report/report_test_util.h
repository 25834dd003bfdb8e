// Helpers of the fit report's widget tests: calibration records, the report opened on the
// screen with its messages caught, real clicks on its controls, and acting on a modal window
// once it shows.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "calibration/calibration_data.h"
#include "calibration/calibration_fit.h"
#include "values/units/unit_info.h"
#include "foundation/gui/control_id.h"
#include "foundation/message_box.h"
#include "report/tess_report_dialog.h"
#include "tests/support/gui_test_util.h"

namespace ReportTest {

using Tessar::CalibrationData;
using TestSupport::WhenShown;

inline KVI::UnitInfo Unit(int32_t prefix, const char16_t* name) { return KVI::UnitInfo{0, prefix, KVI::String(name)}; }
inline KVI::UnitInfo Volts() { return Unit(8, u"V"); }

// A fitted record of channel index 2 in mmHg with two decimals.
inline CalibrationData Record(int32_t kind, std::vector<double> raw, std::vector<double> calibrated,
                              bool forceOrigin = false)
{
    CalibrationData d(2);
    d.fitKind_ = kind;
    d.forceOrigin_ = forceOrigin;
    d.decimalPlaces_ = 2;
    d.calculatedView_ = true;
    d.rawValues_ = std::move(raw);
    d.calibratedValues_ = std::move(calibrated);
    d.unit_ = Unit(8, u"mmHg");
    Tessar::FitCalibration(d);
    return d;
}

// Three points on y = 100 x: (0, 0), (0.5, 50), (1, 100).
inline CalibrationData ThreePoints(int32_t kind = 0) { return Record(kind, {0, 0.5, 1}, {0, 50, 100}); }

// The report shown on the screen (not modal), its message boxes caught.
class ReportFixture {
public:
    ReportFixture()
        : presenter_([this](const KVI::MessageBoxRequest& r) {
              messages_.push_back(std::u16string(r.text.View()));
              captions_.push_back(std::u16string(r.caption.View()));
          })
    {
    }

    Tessar::TessReportDialog& Open(CalibrationData& caller, IUnknown* access = nullptr,
                                   const KVI::UnitInfo& source = Volts())
    {
        dialog_ = std::make_unique<Tessar::TessReportDialog>(nullptr, caller.channel_, access, source, 0, 0, caller);
        dialog_->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog_.get()));
        return *dialog_;
    }
    Tessar::TessReportDialog& Dialog() { return *dialog_; }
    // Closes and deletes the report (before the host objects it holds go).
    void Close() { dialog_.reset(); }

    template <class T>
    T* Control(int id)
    {
        return KVI::FindControl<T>(dialog_.get(), id);
    }
    QComboBox* FitCombo() { return Control<QComboBox>(308); }
    QCheckBox* ForceOrigin() { return Control<QCheckBox>(309); }

    // Picks a fit kind from the combo's list (ChooseEntry).
    void ChooseFit(int kind) { ChooseEntry(FitCombo(), kind); }
    // Picks an entry of a combo's list: a click opens it, the arrow keys walk to the entry and
    // Return takes it (the list's own keys, so no change happens on the way).
    void ChooseEntry(QComboBox* combo, int kind)
    {
        const int from = combo->currentIndex();
        QTest::mouseClick(combo, Qt::LeftButton);
        QAbstractItemView* view = combo->view();
        ASSERT_TRUE(TestSupport::WaitUntil([view] { return view->isVisible(); }));
        for (int i = from; i < kind; ++i) QTest::keyClick(view, Qt::Key_Down);
        for (int i = from; i > kind; --i) QTest::keyClick(view, Qt::Key_Up);
        QTest::keyClick(view, Qt::Key_Return);
        ASSERT_TRUE(TestSupport::WaitUntil([view] { return !view->isVisible(); }));
    }
    // Clicks the check box on its indicator.
    void ClickForceOrigin()
    {
        QCheckBox* box = ForceOrigin();
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    }
    void Click(int id) { QTest::mouseClick(Control<QPushButton>(id), Qt::LeftButton); }

    std::vector<std::u16string> messages_;
    std::vector<std::u16string> captions_;

private:
    KVI::ScopedMessagePresenter presenter_;
    std::unique_ptr<Tessar::TessReportDialog> dialog_;
};

}  // namespace ReportTest
