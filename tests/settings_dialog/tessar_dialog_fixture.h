// The calibration dialog's test fixture: a test double of the host's document (a mV channel with
// one block of samples, selected whole) and the host's real framework (libzor.so: the scale
// component, the unit list and the message service). Every message box is answered by the
// fixture's presenter, which writes down caption, text and icon. Helpers type, click and drag
// with real events.
#pragma once

#include <gtest/gtest.h>
#include <cstring>
#include <memory>
#include <vector>
#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include "values/units/prefix_table.h"
#include "foundation/gui/control_id.h"
#include "foundation/gui/qt_string.h"
#include "foundation/message_box.h"
#include "platform/com_ptr.h"
#include "report/tess_report_dialog.h"
#include "settings_dialog/tessar_dialog.h"
#include "settings_dialog/tsicn_button.h"
#include "settings_dialog/unit_convert_data_pane.h"
#include "tests/support/fake_host_document.h"
#include "tests/support/gui_test_util.h"
#include "tests/support/stub_unit_list.h"

namespace TestSupport {

using Tessar::CalibrationData;
using Tessar::TessarDialog;

inline constexpr char16_t kTooFew[] = u"Not enough Volt-Unit conversion pairs exist to determine the requested fit type.";
inline constexpr char16_t kRepeated[] =
    u"The fit parameters contain a repeated voltage value, and hence do not define a functional mapping.";

struct Shown {
    QString caption;
    QString text;
    KVI::MessageIcon icon;
};

class TessarDialogTest : public testing::Test {
protected:
    TessarDialogTest()
        : presenter_([this](const KVI::MessageBoxRequest& r) {
              shown_.push_back({KVI::ToQString(r.caption), KVI::ToQString(r.text), r.icon});
          })
    {
        // Channel 2 in mV: 400 samples rising from 0 V to 0.399 V, selected whole.
        std::vector<float> samples;
        for (int k = 0; k < 400; ++k) samples.push_back(float(k) / 1000.0f);
        doc_.SetChannel(2, {samples});
        doc_.SetSelection({0, 0}, {0, 400});
        doc_.unit = KVI::UnitInfo{0, 7, KVI::String(u"V")};  // mV
        doc_.top = 500.0;
        doc_.bottom = -500.0;
    }

    void Open()
    {
        dialog_ = std::make_unique<TessarDialog>(nullptr, 2, units_.Get(), &doc_, &doc_, &record_);
        dialog_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog_.get()));
    }

    QLineEdit* Raw(int row) const { return dialog_->RawEdit(row); }
    QLineEdit* Cal(int row) const { return dialog_->CalibratedEdit(row); }
    template <class T = QAbstractButton>
    T* Control(int id) const
    {
        return KVI::FindControl<T>(dialog_.get(), id);
    }
    void Click(int id) { QTest::mouseClick(Control(id), Qt::LeftButton); }

    // Clicks into the edit, replaces its text by typing, then leaves it with Tab.
    void Type(QLineEdit* edit, const QString& text)
    {
        QTest::mouseClick(edit, Qt::LeftButton);
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Tab);
    }
    void TypeRow(int row, const QString& raw, const QString& cal)
    {
        Type(Raw(row), raw);
        Type(Cal(row), cal);
    }

    // Drags a span across the pane between the fractions a and b of its trace width.
    void SelectSpan(double a, double b)
    {
        QWidget* pane = dialog_->Pane();
        const int w = pane->width() - 18, y = pane->height() / 2;
        QTest::mousePress(pane, Qt::LeftButton, {}, QPoint(int(w * a), y));
        QTest::mouseMove(pane, QPoint(int(w * (a + b) / 2), y));
        QTest::mouseMove(pane, QPoint(int(w * b), y));
        QTest::mouseRelease(pane, Qt::LeftButton, {}, QPoint(int(w * b), y));
    }

    void ExpectOneStop(const char16_t* text)
    {
        ASSERT_EQ(shown_.size(), 1u);
        EXPECT_EQ(shown_[0].caption, QStringLiteral("Tessar"));
        EXPECT_EQ(shown_[0].text, QString::fromUtf16(text));
        EXPECT_EQ(shown_[0].icon, KVI::MessageIcon::Stop);
        shown_.clear();
    }

    TestSupport::FakeHostDocument doc_;
    platform::ComPtr<TestSupport::StubUnitList> units_ =
        TestSupport::StubUnitList::Create({KVI::UnitInfo{0, 8, KVI::String(u"mmHg")}});
    CalibrationData record_{2};
    std::vector<Shown> shown_;
    KVI::ScopedMessagePresenter presenter_;
    std::unique_ptr<TessarDialog> dialog_;
};

}  // namespace TestSupport
