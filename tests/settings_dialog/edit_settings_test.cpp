// EditSettings' windowed half: refusing a channel with units conversion, cutting a selection over
// several blocks, the dialog's caption, Cancel and OK, and the host message after OK (sent through
// the host's real message service to a receiver of the test).
#include <gtest/gtest.h>

#include <cstring>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "module/calc_class.h"
#include "module/class_object_list.h"
#include "interfaces/message_service.h"
#include "calibration/tessar_settings.h"
#include "calibration/tessar_ext.h"
#include "foundation/gui/control_id.h"
#include "foundation/gui/qt_string.h"
#include "foundation/message_box.h"
#include "platform/com_ptr.h"
#include "settings_dialog/edit_settings.h"
#include "settings_dialog/tessar_dialog.h"
#include "settings_dialog/unit_convert_data_pane.h"
#include "tests/support/fake_host_document.h"
#include "tests/support/gui_test_util.h"

namespace {

using Tessar::TessarDialog;

// The host object that receives the message: writes down what arrived.
class Receiver final : public IZORMessageSink {
public:
    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        if (iid == IID_IUnknown || iid == IID_IZORMessageSink) {
            *out = static_cast<IZORMessageSink*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    uint32_t AddRef() override { return 2; }
    uint32_t Release() override { return 1; }
    HRESULT Receive(IZORMessage* message) override
    {
        ++received;
        message->GetCode(&code);
        message->GetFlags(&flags);
        const uint8_t* data = nullptr;
        uint32_t size = 0;
        message->GetPayload(&data, &size);
        payload.assign(data, data + size);
        return S_OK;
    }
    int received = 0;
    uint32_t code = 0;
    uint32_t flags = 0;
    std::vector<uint8_t> payload;
};

class EditSettingsTest : public testing::Test {
protected:
    EditSettingsTest()
        : presenter_([this](const KVI::MessageBoxRequest& r) {
              texts_.push_back(KVI::ToQString(r.text));
              icons_.push_back(r.icon);
          })
    {
        doc_.SetChannel(2, {std::vector<float>(300, 0.25f), std::vector<float>(200, 0.5f)});
        doc_.SetSelection({0, 100}, {0, 200});
        doc_.unit = KVI::UnitInfo{0, 8, KVI::String(u"V")};
    }

    HRESULT Edit(IPersistObject* current = nullptr)
    {
        return Tessar::EditTessarSettings(nullptr, static_cast<IHostDocument*>(&doc_), 2, &receiver_, current,
                                          out_.Put());
    }

    TestSupport::FakeHostDocument doc_;
    Receiver receiver_;
    platform::ComPtr<IPersistObject> out_;
    std::vector<QString> texts_;
    std::vector<KVI::MessageIcon> icons_;
    KVI::ScopedMessagePresenter presenter_;
};

TEST_F(EditSettingsTest, UnitsConversionOnTheChannelIsRefusedWithoutADialog)
{
    doc_.unitsConversion = 1;
    bool opened = false;
    TestSupport::AnswerNextModal<TessarDialog>([&](TessarDialog* d) { opened = true; d->reject(); }, 300);
    EXPECT_EQ(Edit(), E_FAIL);
    EXPECT_EQ(out_.Get(), nullptr);
    ASSERT_EQ(texts_.size(), 1u);
    EXPECT_EQ(texts_[0], QStringLiteral("Units Conversion is active on this channel, and must be disabled before "
                                        "Tessar may be applied."));
    EXPECT_EQ(icons_[0], KVI::MessageIcon::Stop);
    QTest::qWait(400);
    EXPECT_FALSE(opened);
    EXPECT_EQ(receiver_.received, 0);
}

TEST_F(EditSettingsTest, SelectionOverTwoBlocksIsCutAndCancelGivesSFalse)
{
    doc_.SetSelection({0, 100}, {1, 50});
    QString caption;
    size_t paneSamples = 0;
    TestSupport::AnswerNextModal<TessarDialog>([&](TessarDialog* d) {
        caption = d->windowTitle();
        paneSamples = d->Pane()->Samples().size();
        QTest::mouseClick(KVI::FindControl<QPushButton>(d, TessarDialog::kCancelId), Qt::LeftButton);
    });
    EXPECT_EQ(Edit(), S_FALSE);
    EXPECT_EQ(out_.Get(), nullptr);
    EXPECT_EQ(caption, QStringLiteral("Tessar for Channel 3"));
    ASSERT_EQ(texts_.size(), 1u);
    EXPECT_EQ(texts_[0], QStringLiteral("The selection extends over more than one block. Only data in the first "
                                        "selected block will be displayed."));
    EXPECT_EQ(icons_[0], KVI::MessageIcon::Warning);
    HostPosition start, end;
    ASSERT_EQ(doc_.GetSelection(&start, &end), S_OK);
    EXPECT_EQ(end.block, 0);
    EXPECT_EQ(end.sample, 300);
    EXPECT_EQ(paneSamples, 200u);  // the rest of the first block
    EXPECT_EQ(receiver_.received, 0);
}

TEST_F(EditSettingsTest, OkReturnsTheNewSettingsAndTellsTheHost)
{
    Tessar::CalibrationData data(2);
    data.decimalPlaces_ = 4;
    platform::ComPtr<Tessar::TessarSettings> current(new Tessar::TessarSettings(data));
    TestSupport::AnswerNextModal<TessarDialog>([&](TessarDialog* d) {
        const auto type = [](QLineEdit* e, const char* text) {
            QTest::mouseClick(e, Qt::LeftButton);
            QTest::keyClicks(e, text);
        };
        type(d->RawEdit(0), "0");
        type(d->CalibratedEdit(0), "0");
        type(d->RawEdit(1), "1");
        type(d->CalibratedEdit(1), "100");
        QTest::mouseClick(KVI::FindControl<QPushButton>(d, TessarDialog::kOkId), Qt::LeftButton);
    });
    ASSERT_EQ(Edit(current.Get()), S_OK);
    EXPECT_TRUE(texts_.empty());
    ASSERT_NE(out_.Get(), nullptr);
    const Tessar::CalibrationData& edited = Tessar::SettingsOf(out_.Get())->Data();
    EXPECT_EQ(edited.rawValues_, (std::vector<double>{0.0, 1.0}));
    EXPECT_EQ(edited.decimalPlaces_, 4);
    EXPECT_TRUE(edited.calculatedView_);
    EXPECT_TRUE(current->Data().rawValues_.empty());  // the current settings are not edited in place

    ASSERT_EQ(receiver_.received, 1);
    EXPECT_EQ(receiver_.code, 0x800C004Au);
    EXPECT_EQ(receiver_.flags, 0x331u);
    ASSERT_EQ(receiver_.payload.size(), 20u);
    int32_t channel = 0;
    double top = 0, bottom = 0;
    std::memcpy(&channel, receiver_.payload.data(), 4);
    std::memcpy(&top, receiver_.payload.data() + 4, 8);
    std::memcpy(&bottom, receiver_.payload.data() + 12, 8);
    EXPECT_EQ(channel, 2);
    EXPECT_EQ(top, 32000.0);
    EXPECT_EQ(bottom, -32000.0);
}

// The module's calculation class runs this editor once the hook is linked in.
TEST_F(EditSettingsTest, TheCalculationClassRunsTheInstalledEditor)
{
    doc_.unitsConversion = 1;
    IPersistObject* edited = reinterpret_cast<IPersistObject*>(&receiver_);  // must be cleared
    EXPECT_EQ(Tessar::TheCalcClass().EditSettings(nullptr, 0, static_cast<IHostDocument*>(&doc_), 0, 2, &receiver_,
                                                   nullptr, &edited),
              E_FAIL);
    EXPECT_EQ(edited, nullptr);
    ASSERT_EQ(texts_.size(), 1u);
    EXPECT_TRUE(texts_[0].startsWith("Units Conversion is active"));
}

}  // namespace
