// The application window offscreen, with the built libzor.so and libtessar.so loaded as the
// application loads them: a selection dragged across two blocks and read back through the
// selection interface, a calculated channel added through its class and drawn, units
// conversion switched in the channel list, a document saved and opened again, what a paint
// reads, the question about unsaved changes, help, and pictures in the test output.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <vector>

#include "interfaces/framework_registry.h"
#include "interfaces/host_settings.h"
#include "interfaces/message_service.h"
#include "interfaces/tessar_automation.h"
#include "values/units/unit_value.h"
#include "foundation/gui/control_id.h"
#include "foundation/gui/qt_string.h"
#include "foundation/message_box.h"
#include "host/velogram/channel_list.h"
#include "host/velogram/data_window.h"
#include "host/velogram/demo_command.h"
#include "host/velogram/main_window.h"
#include "host/zor/framework_client.h"
#include "platform/com_ptr.h"
#include "tests/support/framework_session.h"
#include "tests/support/message_capture.h"
#include "tests/host/temp_dir.h"
#include "tests/support/gui_test_util.h"
#include "tests/velogram/calculation_class_double.h"
#include "tests/velogram/window_test_util.h"

namespace {

using platform::ComPtr;
using Velogram::MainWindow;

using TestSupport::TheSession;

QString DemoRecording() { return QString::fromStdString(Velogram::DemoDataDirectory() + "/pressure.csv"); }

// What the calibration dialog would hand back after OK: 0 V is 0 mmHg, 1 V is 100 mmHg.
HRESULT PressureSettings(const VelogramTest::EditSettingsCall& call, IPersistObject** settings)
{
    const KVI::String raw[] = {KVI::String(u"0"), KVI::String(u"1")};
    const KVI::String cal[] = {KVI::String(u"0"), KVI::String(u"100")};
    IAutoKVIString* rawTexts[] = {raw[0].Interface(), raw[1].Interface()};
    IAutoKVIString* calTexts[] = {cal[0].Interface(), cal[1].Interface()};
    IAutoKVIString* message = nullptr;
    const HRESULT hr = TheSession().automation->FitPoints(2, rawTexts, calTexts, KVI::String(u"V").Interface(),
                                                          KVI::String(u"mmHg").Interface(), 0, 0, call.channel,
                                                          settings, &message);
    if (message) message->Release();
    return hr;
}

// The same calibration, dated 2020-01-10 and due on 2020-06-30: long expired.
HRESULT ExpiredPressureSettings(const VelogramTest::EditSettingsCall& call, IPersistObject** settings)
{
    ComPtr<IPersistObject> fitted;
    const HRESULT hr = PressureSettings(call, fitted.Put());
    if (FAILED(hr)) return hr;
    const KVI::String date(u"2020-01-10"), due(u"2020-06-30");
    TessarRecordChanges changes;
    changes.fields = kTessarSetCalibrationDate | kTessarSetDueDate;
    changes.calibrationDate = date.Interface();
    changes.dueDate = due.Interface();
    IAutoKVIString* message = nullptr;
    const HRESULT changed = TheSession().automation->WithRecordChanges(fitted.Get(), &changes, settings, &message);
    if (message) message->Release();
    return changed;
}

std::vector<float> Samples(IRecordData* data, int32_t channel, uint32_t block)
{
    int32_t length = 0;
    data->GetBlockLength(block, 0, &length);
    ComPtr<IEnumFloatEx> stream;
    if (FAILED(data->CreateValueEnum(channel, block, 0, length, 0, stream.Put()))) return {};
    std::vector<float> out(static_cast<size_t>(length));
    uint32_t got = 0;
    stream->Next(uint32_t(out.size()), out.data(), &got);
    out.resize(got);
    return out;
}

// The middle of block b's data in lane c of the data window.
QPoint BlockMiddle(Velogram::DataWindow* data, int32_t block, int32_t channel)
{
    const Velogram::DataLayout& layout = data->Layout();
    return QPoint(data->PlotRect().left() + int(layout.DataStart(block) + layout.DataWidth(block) / 2),
                  data->LaneRect(channel).center().y());
}

bool ApplicationVisible(IZorFramework* framework)
{
    ComPtr<IFrameworkRegistry> registry;
    ComPtr<IObjectFactory> factory;
    ComPtr<IHostSettings> settings;
    uint16_t id = 0;
    framework->QueryInterface(IID_IFrameworkRegistry, registry.PutVoid());
    framework->QueryInterface(IID_IObjectFactory, factory.PutVoid());
    registry->GetTypeIdentifier(TYPE_HostSettings, &id);
    factory->GetService(uint32_t(id) << 16, IID_IHostSettings, settings.PutVoid());
    VARIANT_BOOL visible = VARIANT_FALSE;
    settings->GetBool(KVI::String(kApplicationVisibleKey).Interface(), &visible);
    return visible == VARIANT_TRUE;
}

using VelogramTest::CountPixels;
using VelogramTest::Drag;

using TestSupport::MessageCapture;

class WindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(TheSession().tessar);
        window_ = std::make_unique<MainWindow>(TheSession().framework.Get());
        window_->resize(1100, 720);
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        ASSERT_TRUE(window_->OpenFile(DemoRecording()));
        QApplication::processEvents();
    }
    void TearDown() override
    {
        if (window_) window_->Document()->Document()->SetModified(0);
        window_.reset();
    }

    // Declared first: the document's calculations hold it, so it must outlive the window.
    VelogramTest::CalculationClassDouble tessar_{TheSession().tessar.Get(), PressureSettings};
    VelogramTest::CalculationClassDouble expired_{TheSession().tessar.Get(), ExpiredPressureSettings};
    std::unique_ptr<MainWindow> window_;
};

TEST_F(WindowTest, ADragAcrossTwoBlocksIsTheHostSelection)
{
    EXPECT_TRUE(ApplicationVisible(TheSession().framework.Get()));
    Velogram::DataWindow* data = window_->Data();
    ASSERT_EQ(data->Layout().BlockCount(), 2);
    const QPoint from = BlockMiddle(data, 0, 0), to = BlockMiddle(data, 1, 0);
    Drag(data, from, to);

    ComPtr<IHostSelection> selection;
    ASSERT_EQ(static_cast<IHostDocument*>(window_->Document())->GetHostSelection(selection.Put()), S_OK);
    int32_t has = 0;
    ASSERT_EQ(selection->HasSelection(&has), S_OK);
    EXPECT_EQ(has, 1);
    HostPosition start, end;
    ASSERT_EQ(selection->GetSelection(&start, &end), S_OK);
    const Velogram::DataLayout& layout = data->Layout();
    EXPECT_EQ(start.block, 0);
    EXPECT_EQ(end.block, 1);
    EXPECT_EQ(start.sample, layout.PositionAt(from.x() - data->PlotRect().left()).sample);
    EXPECT_EQ(end.sample, layout.PositionAt(to.x() - data->PlotRect().left()).sample);
    EXPECT_NEAR(double(start.sample), layout.Length(0) / 2.0, layout.Length(0) / 50.0);
    // Shown: the band runs from the start to the end, and the status bar names them.
    ASSERT_TRUE(data->Band().has_value());
    EXPECT_LE(std::abs(data->Band()->left() - from.x()), 1);
    EXPECT_LE(std::abs(data->Band()->right() + 1 - to.x()), 1);
    const auto labels = window_->statusBar()->findChildren<QLabel*>();
    ASSERT_FALSE(labels.isEmpty());
    EXPECT_TRUE(labels.front()->text().startsWith(QStringLiteral("Selection: block 1, sample ")));

    // A drag from right to left selects the same span; a click removes it.
    Drag(data, to, from);
    HostPosition start2, end2;
    ASSERT_EQ(selection->GetSelection(&start2, &end2), S_OK);
    EXPECT_EQ(start2.block, 0);
    EXPECT_EQ(start2.sample, start.sample);
    EXPECT_EQ(end2.sample, end.sample);
    QTest::mouseClick(data, Qt::LeftButton, {}, from);
    ASSERT_EQ(selection->HasSelection(&has), S_OK);
    EXPECT_EQ(has, 0);
    EXPECT_FALSE(data->Band().has_value());

    // A selection set through the interface (a dialog cutting it to one block) is shown.
    const HostPosition a{1, 10}, b{1, 400};
    ASSERT_EQ(selection->SetSelection(&a, &b), S_OK);
    ASSERT_TRUE(data->Band().has_value());
    EXPECT_EQ(data->Band()->left(), data->ColumnOf(a));

    window_->hide();
    EXPECT_FALSE(ApplicationVisible(TheSession().framework.Get()));
}

TEST_F(WindowTest, AnExpiredCalibrationIsDatedAndMarkedInTheChannelList)
{
    const int32_t channel = window_->AddCalculation(&expired_, 0);
    ASSERT_EQ(channel, 1);
    const QTableWidgetItem* glance = window_->Channels()->item(1, Velogram::ChannelList::kCalculation);
    EXPECT_EQ(glance->text(), QStringLiteral("Tessar: linear, mmHg, 2020-01-10, expired"));
    EXPECT_EQ(glance->foreground().color(), QColor(180, 0, 0));
}

TEST_F(WindowTest, ATessarChannelIsMadeByItsClassAndDrawnFromItsEnumerators)
{
    const int32_t channel = window_->AddCalculation(&tessar_, 0);
    ASSERT_EQ(channel, 1);
    ASSERT_EQ(tessar_.calls, 1);
    EXPECT_EQ(tessar_.last.parentWindow, static_cast<void*>(static_cast<QWidget*>(window_.get())));
    EXPECT_EQ(tessar_.last.channel, 0);
    Velogram::HostDocument* doc = window_->Document();
    ASSERT_TRUE(doc->Info(channel).setUp);
    EXPECT_EQ(doc->Info(channel).unit.ToUtf8(), "mmHg");
    EXPECT_EQ(window_->Channels()->rowCount(), 2);
    // The calibration at a glance, and its equation in the tooltip.
    const QTableWidgetItem* glance = window_->Channels()->item(1, Velogram::ChannelList::kCalculation);
    EXPECT_EQ(glance->text(), QStringLiteral("Tessar: linear, mmHg"));
    EXPECT_TRUE(glance->toolTip().startsWith(QStringLiteral("From Transducer\n"))) << glance->toolTip().toStdString();
    EXPECT_TRUE(glance->toolTip().endsWith(QStringLiteral("\nx in V, y in mmHg"))) << glance->toolTip().toStdString();

    EXPECT_NE(glance->foreground().color(), QColor(180, 0, 0)) << "an undated calibration never expires";

    // Its samples: the source's through the calibration (0.5 V is 50 mmHg).
    for (uint32_t block = 0; block < 2; ++block) {
        const std::vector<float> raw = Samples(doc->DataAccess(), 0, block);
        const std::vector<float> calibrated = Samples(doc->DataAccess(), channel, block);
        ASSERT_EQ(raw.size(), calibrated.size());
        ASSERT_FALSE(raw.empty());
        for (size_t i = 0; i < raw.size(); i += 97) EXPECT_NEAR(calibrated[i], raw[i] * 100.0, 1e-3);
    }
    // Drawn in its lane in its colour; its range was fitted to its samples.
    const Velogram::ChannelInfo info = doc->Info(channel);
    float lowest = 1e30f, highest = -1e30f;
    for (uint32_t block = 0; block < 2; ++block)
        for (float v : Samples(doc->DataAccess(), channel, block)) {
            lowest = std::min(lowest, v);
            highest = std::max(highest, v);
        }
    EXPECT_GE(info.top, highest);
    EXPECT_LE(info.bottom, lowest);
    EXPECT_LT(info.top - info.bottom, 2.0 * (highest - lowest));
    Velogram::DataWindow* data = window_->Data();
    const QImage image = data->grab().toImage();
    const QColor colour((info.colour >> 16) & 0xFF, (info.colour >> 8) & 0xFF, info.colour & 0xFF);
    EXPECT_GT(CountPixels(image, data->LaneRect(channel), colour), data->Layout().TotalWidth());

    // The picture a person looks at: two channels, one calculated, and a selection.
    Drag(data, BlockMiddle(data, 0, 0) - QPoint(120, 0), BlockMiddle(data, 1, 1) + QPoint(60, 0));
    QApplication::processEvents();
    EXPECT_TRUE(window_->grab().save(TestSupport::TestOutputPath(QStringLiteral("velogram_main_window.png"))));
}

// The number after "name " in a read-out text (NaN when it is not there).
double ValueAfter(const QString& text, const QString& name)
{
    const qsizetype at = text.indexOf(name + QLatin1Char(' '));
    if (at < 0) return std::nan("");
    const QString rest = text.mid(at + name.size() + 1);
    return rest.section(QLatin1Char(' '), 0, 0).toDouble();
}

TEST_F(WindowTest, TheStatusLineReadsThePointerAndTheCursor)
{
    ASSERT_EQ(window_->AddCalculation(&tessar_, 0), 1);
    Velogram::DataWindow* data = window_->Data();
    const std::vector<float> raw = Samples(window_->Document()->DataAccess(), 0, 1);
    // Hovering over block 2: its sample there, raw and calibrated (1 V is 100 mmHg).
    const QPoint over = BlockMiddle(data, 1, 0) + QPoint(37, 0);
    QTest::mouseMove(data, over);
    const HostPosition at = data->PositionAtColumn(over.x());
    ASSERT_EQ(at.block, 1);
    const QString hover = window_->ReadoutStatus();
    EXPECT_TRUE(hover.startsWith(QStringLiteral("Block 2, sample %1: ").arg(at.sample))) << hover.toStdString();
    const double v = raw.at(size_t(at.sample));
    EXPECT_NEAR(ValueAfter(hover, QStringLiteral("Transducer")), v, 1e-5 * std::max(1.0, std::fabs(v)));
    EXPECT_NEAR(ValueAfter(hover, QStringLiteral("Tessar")), 100.0 * v, 1e-3 * std::max(1.0, std::fabs(v)));
    EXPECT_TRUE(hover.contains(QStringLiteral(" mmHg"))) << hover.toStdString();

    // A click places the cursor; once the pointer leaves the data, the read-out is the cursor's.
    const QPoint click = BlockMiddle(data, 0, 1) - QPoint(80, 0);
    QTest::mouseClick(data, Qt::LeftButton, {}, click);
    ASSERT_TRUE(data->Cursor().has_value());
    const HostPosition cursor = *data->Cursor();
    EXPECT_EQ(cursor.block, 0);
    EXPECT_EQ(cursor.sample, data->PositionAtColumn(click.x()).sample);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(data, &leave);
    const QString atCursor = window_->ReadoutStatus();
    EXPECT_TRUE(atCursor.startsWith(QStringLiteral("Cursor: Block 1, sample %1: ").arg(cursor.sample)))
        << atCursor.toStdString();
    const double c = Samples(window_->Document()->DataAccess(), 1, 0).at(size_t(cursor.sample));
    EXPECT_NEAR(ValueAfter(atCursor, QStringLiteral("Tessar")), c, 1e-4 * std::max(1.0, std::fabs(c)));
    EXPECT_FALSE(window_->Document()->Selection()->Has()) << "a click selects nothing";
}

TEST_F(WindowTest, AnImportedRecordingNamesTheTitleAndErrorsAreSentences)
{
    EXPECT_EQ(window_->windowTitle(), QStringLiteral("pressure.csv[*] - Velogram"));
    EXPECT_TRUE(window_->FilePath().isEmpty()) << "saving asks for a document's name";
    MessageCapture messages;
    EXPECT_FALSE(window_->OpenFile(QStringLiteral("/no/such/folder/x.csv")));
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0], "Cannot read /no/such/folder/x.csv: No such file or directory");
    // A message that names its file first keeps it as written.
    ZorTest::TempDir dir;
    const std::string bad = dir.File("bad.csv");
    ZorTest::WriteFile(bad, "Signal (V)\n1\nx\n");
    EXPECT_FALSE(window_->OpenFile(QString::fromStdString(bad)));
    ASSERT_EQ(messages.texts.size(), 2u);
    EXPECT_EQ(messages.texts[1], bad + ":3:1: \"x\" is not a number in column 1 (Signal)");
    EXPECT_EQ(window_->windowTitle(), QStringLiteral("pressure.csv[*] - Velogram")) << "the document stays";
}

// A recording with a time column in milliseconds: each block's interval, the time axis, the
// read-out and the selection in time; the picture of the window zoomed into block 2.
TEST_F(WindowTest, ATimeColumnGivesTheBlocksTheirIntervalsAndTheAxesTheirTimes)
{
    ZorTest::TempDir dir;
    std::string text = "Time (ms),Pressure (kPa),Flow (L/min)\n";
    for (int block = 0; block < 2; ++block) {
        for (int i = 0; i < 2000; ++i) {
            const double t = 0.5 * i;  // 2 kHz
            const double p = 101.3 + 4.0 * std::exp(-t / 300.0) * std::sin(t / 25.0 + block);
            const double f = 12.0 + 3.0 * std::cos(t / 90.0) * (block ? 0.5 : 1.0);
            text += std::to_string(t) + "," + std::to_string(p) + "," + std::to_string(f) + "\n";
        }
        text += "\n";
    }
    const std::string path = dir.File("breath.csv");
    ZorTest::WriteFile(path, text);
    ASSERT_TRUE(window_->OpenFile(QString::fromStdString(path)));
    Velogram::HostDocument* doc = window_->Document();
    ASSERT_EQ(doc->ChannelCount(), 2) << "the time column is no channel";
    for (int32_t b = 0; b < 2; ++b) {
        double seconds = 0;
        ASSERT_EQ(doc->Recording()->GetSampleInterval(b, &seconds), S_OK);
        EXPECT_NEAR(seconds, 0.5e-3, 1e-15);
    }
    EXPECT_EQ(window_->windowTitle(), QStringLiteral("breath.csv[*] - Velogram"));

    Velogram::DataWindow* data = window_->Data();
    ASSERT_TRUE(data->ZoomAt(6.0, BlockMiddle(data, 1, 0).x()));
    QApplication::processEvents();
    Drag(data, QPoint(data->PlotRect().left() + 300, data->LaneRect(0).center().y()),
         QPoint(data->PlotRect().left() + 520, data->LaneRect(0).center().y()));
    EXPECT_TRUE(window_->SelectionStatus().contains(QStringLiteral(" ms long)")) ||
                window_->SelectionStatus().contains(QStringLiteral(" s long)")))
        << window_->SelectionStatus().toStdString();
    QTest::mouseMove(data, QPoint(data->PlotRect().left() + 700, data->LaneRect(1).center().y()));
    const QString readout = window_->ReadoutStatus();
    EXPECT_TRUE(readout.startsWith(QStringLiteral("t = "))) << readout.toStdString();
    const HostPosition at = data->PositionAtColumn(data->PlotRect().left() + 700);
    EXPECT_TRUE(readout.contains(QStringLiteral("(block 2, sample %1)").arg(at.sample))) << readout.toStdString();
    // The block lasts a second: the read-out's time is in seconds, to the millisecond.
    EXPECT_NEAR(readout.mid(4).section(QLatin1Char(' '), 0, 0).toDouble(), at.sample * 0.5e-3, 1e-3);
    // The picture: a cursor too, placed where a click would put it (a click would end the
    // selection).
    data->SetCursor(data->PositionAtColumn(data->PlotRect().left() + 850));
    QApplication::processEvents();
    EXPECT_TRUE(window_->grab().save(TestSupport::TestOutputPath(QStringLiteral("velogram_time_axis_zoomed.png"))));
}

TEST_F(WindowTest, BlockPropertiesSetTheSampleInterval)
{
    bool refused = false;
    TestSupport::AnswerNextModal<QDialog>([&](QDialog* dialog) {
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("sampleInterval"));
        auto* problem = dialog->findChild<QLabel*>(QStringLiteral("problem"));
        ASSERT_TRUE(edit && problem);
        EXPECT_TRUE(edit->text().isEmpty()) << "the demo recording has no interval";
        QTest::keyClicks(edit, QStringLiteral("soon"));
        QTest::keyClick(edit, Qt::Key_Return);
        refused = dialog->isVisible() && problem->isVisible() && problem->text().contains(QStringLiteral("\"soon\""));
        edit->clear();
        QTest::keyClicks(edit, QStringLiteral("2 kHz"));
        for (QAbstractButton* b : dialog->findChildren<QAbstractButton*>())
            if (b->text().contains(QStringLiteral("every block"))) b->click();
        QTest::keyClick(edit, Qt::Key_Return);
        if (dialog->isVisible()) dialog->reject();
    });
    EXPECT_TRUE(window_->EditBlockProperties(0));
    EXPECT_TRUE(refused);
    for (int32_t b = 0; b < 2; ++b) {
        double seconds = 0;
        ASSERT_EQ(window_->Document()->Recording()->GetSampleInterval(b, &seconds), S_OK);
        EXPECT_DOUBLE_EQ(seconds, 0.5e-3);
    }
    EXPECT_TRUE(window_->IsModified());
    // Cleared for one block.
    EXPECT_TRUE(window_->SetSampleInterval(1, 0, false));
    double seconds = 1;
    EXPECT_EQ(window_->Document()->Recording()->GetSampleInterval(1, &seconds), S_FALSE);
    EXPECT_FALSE(window_->SetSampleInterval(0, -1, false)) << "refused by the recording";
}

TEST_F(WindowTest, UnitsConversionIsSwitchedInTheChannelList)
{
    Velogram::ChannelList* list = window_->Channels();
    QTableWidgetItem* item = list->item(0, Velogram::ChannelList::kUnitsConversion);
    ASSERT_NE(item, nullptr);
    const QRect cell = list->visualItemRect(item);
    // The check box sits at the cell's left.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(cell.left() + 10, cell.center().y()));
    ComPtr<IChannelRecord> record;
    ASSERT_EQ(static_cast<IHostDocument*>(window_->Document())->GetChannelRecord(0, record.Put()), S_OK);
    int32_t on = 0;
    ASSERT_EQ(record->GetUnitsConversion(&on), S_OK);
    EXPECT_EQ(on, 1);
    EXPECT_TRUE(window_->IsModified());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(cell.left() + 10, cell.center().y()));
    ASSERT_EQ(record->GetUnitsConversion(&on), S_OK);
    EXPECT_EQ(on, 0);
}

TEST_F(WindowTest, TheDisplayRangeIsEditedInTheChannelList)
{
    Velogram::ChannelList* list = window_->Channels();
    list->item(0, Velogram::ChannelList::kTop)->setText(QStringLiteral("2.5"));
    double top = 0, bottom = 0;
    window_->Document()->Recording()->GetDisplayRange(0, &top, &bottom);
    EXPECT_EQ(top, 2.5);
    // Not a number, or a top below the bottom: refused, the list shows the range again.
    list->item(0, Velogram::ChannelList::kBottom)->setText(QStringLiteral("x"));
    list->item(0, Velogram::ChannelList::kBottom)->setText(QStringLiteral("3"));
    window_->Document()->Recording()->GetDisplayRange(0, &top, &bottom);
    EXPECT_EQ(top, 2.5);
    EXPECT_LT(bottom, 2.5);
    EXPECT_EQ(list->item(0, Velogram::ChannelList::kBottom)->text(), QString::number(bottom, 'g', 6));
}

TEST_F(WindowTest, ASavedDocumentOpensAgainWithItsCalculatedChannel)
{
    const int32_t channel = window_->AddCalculation(&tessar_, 0);
    ASSERT_EQ(channel, 1);
    const std::vector<float> before = Samples(window_->Document()->DataAccess(), channel, 1);
    ZorTest::TempDir dir;
    const QString path = QString::fromStdString(dir.File("pressure.vdoc"));
    ASSERT_TRUE(window_->SaveTo(path));
    EXPECT_FALSE(window_->IsModified());
    EXPECT_EQ(window_->windowTitle(), QStringLiteral("pressure.vdoc[*] - Velogram"));

    ASSERT_TRUE(window_->OpenFile(path));
    Velogram::HostDocument* doc = window_->Document();
    ASSERT_EQ(doc->ChannelCount(), 2);
    EXPECT_TRUE(doc->Info(1).setUp);
    EXPECT_EQ(doc->SourceOf(1), 0);
    EXPECT_EQ(doc->Info(1).name.ToUtf8(), "Transducer Tessar");
    EXPECT_EQ(Samples(doc->DataAccess(), 1, 1), before);
    EXPECT_EQ(window_->FilePath(), path);
    // Opened again, the calculation belongs to the module's own class.
    ComPtr<ICalculationClass> calcClass;
    ASSERT_EQ(doc->Calculations()->GetCalculationClass(1, calcClass.Put()), S_OK);
    EXPECT_EQ(calcClass.Get(), TheSession().tessar.Get());

    // And exported, every channel is a column.
    const QString csv = QString::fromStdString(dir.File("pressure_out.csv"));
    ASSERT_TRUE(window_->ExportCsv(csv));
    EXPECT_EQ(ZorTest::ReadFile(csv.toStdString()).substr(0, 36), "Transducer (V),Transducer Tessar (mm");
}

TEST_F(WindowTest, UnsavedChangesAreAskedAboutOnClose)
{
    window_->Document()->Recording()->SetDisplayRange(0, 3.0, -3.0);
    ASSERT_TRUE(window_->IsModified());
    auto press = [](QMessageBox::StandardButton which) {
        TestSupport::AnswerNextModal<QMessageBox>([which](QMessageBox* box) {
            EXPECT_EQ(box->text(), QStringLiteral("The document has unsaved changes. Do you want to save them?"));
            box->button(which)->click();
        });
    };
    press(QMessageBox::Cancel);
    EXPECT_FALSE(window_->close());
    EXPECT_TRUE(window_->isVisible());
    press(QMessageBox::Discard);
    EXPECT_TRUE(window_->close());
    EXPECT_FALSE(window_->isVisible());
}

TEST_F(WindowTest, TheModulesOwnClassIsAskedForItsSettings)
{
    MessageCapture messages;
    // When the module shows its settings dialog, it is cancelled (adding a channel opens it,
    // and so does the command).
    auto cancelDialog = [] { TestSupport::AnswerNextModal<QDialog>([](QDialog* dialog) { dialog->reject(); }); };
    cancelDialog();
    const int32_t channel = window_->AddCalculation(TheSession().tessar.Get(), 0);
    ASSERT_EQ(channel, 1);
    // The dialog reads the host selection: a picture of it over part of block 2.
    Velogram::DataWindow* data = window_->Data();
    Drag(data, BlockMiddle(data, 1, 0) - QPoint(60, 0), BlockMiddle(data, 1, 0) + QPoint(40, 0));
    TestSupport::AnswerNextModal<QDialog>([](QDialog* dialog) {
        dialog->grab().save(TestSupport::TestOutputPath(QStringLiteral("velogram_settings_dialog.png")));
        dialog->reject();
    });
    const auto outcome = window_->EditCalculationSettings(channel);
    if (outcome == Velogram::CalculationCommands::Outcome::NotImplemented) {
        ASSERT_EQ(messages.texts.size(), 2u);  // once after adding, once now
        EXPECT_EQ(messages.texts[1],
                  "\"Tessar\" cannot show its settings: the calculation's module does not provide a settings "
                  "dialog.");
    } else {
        EXPECT_EQ(outcome, Velogram::CalculationCommands::Outcome::Cancelled);
    }
    EXPECT_FALSE(window_->Document()->Info(channel).setUp);
}

// End to end with the module's own dialog: a span of the demo recording selected, a new
// Tessar channel set up by taking two values from the dialog's pane into the table and typing
// their calibrated values, OK; the channel shows calibrated samples and the saved document
// opens again with the same settings.
TEST_F(WindowTest, ATessarChannelIsSetUpInTheModulesDialogFromTheSelection)
{
    Velogram::DataWindow* data = window_->Data();
    // Across block 0's ramp, so the pane shows different values left and right.
    Drag(data, BlockMiddle(data, 0, 0) - QPoint(200, 0), BlockMiddle(data, 0, 0) + QPoint(200, 0));
    QApplication::processEvents();

    QString rawTexts[2];
    bool answered = false;
    TestSupport::AnswerNextModal<QDialog>([&](QDialog* dialog) {
        answered = true;
        VelogramTest::CalibrateFromThePane(dialog, rawTexts);  // refused: the checks below say why
    });
    const int32_t channel = window_->AddCalculation(TheSession().tessar.Get(), 0);
    ASSERT_TRUE(answered);
    ASSERT_EQ(channel, 1);
    Velogram::HostDocument* doc = window_->Document();
    ASSERT_TRUE(doc->Info(channel).setUp) << rawTexts[0].toStdString() << " / " << rawTexts[1].toStdString();

    // The two raw values came from the pane (in the source's unit) and differ.
    const double r0 = KVI::UnitValue::Parse(KVI::FromQString(rawTexts[0])).Value();
    const double r1 = KVI::UnitValue::Parse(KVI::FromQString(rawTexts[1])).Value();
    ASSERT_GT(std::fabs(r1 - r0), 1e-3) << rawTexts[0].toStdString() << " / " << rawTexts[1].toStdString();

    // Calibrated samples: the line through (r0, 0) and (r1, 100).
    const double slope = 100.0 / (r1 - r0);
    for (uint32_t block = 0; block < 2; ++block) {
        const std::vector<float> raw = Samples(doc->DataAccess(), 0, block);
        const std::vector<float> calibrated = Samples(doc->DataAccess(), channel, block);
        ASSERT_EQ(raw.size(), calibrated.size());
        for (size_t i = 0; i < raw.size(); i += 97)
            EXPECT_NEAR(calibrated[i], (raw[i] - r0) * slope, 1e-3 * std::max(1.0, std::fabs(raw[i] * slope)));
    }

    // Saved and opened again: the same settings and samples.
    const std::vector<float> before = Samples(doc->DataAccess(), channel, 0);
    ZorTest::TempDir dir;
    const QString path = QString::fromStdString(dir.File("dialog.vdoc"));
    ASSERT_TRUE(window_->SaveTo(path));
    ASSERT_TRUE(window_->OpenFile(path));
    EXPECT_TRUE(window_->Document()->Info(channel).setUp);
    EXPECT_EQ(Samples(window_->Document()->DataAccess(), channel, 0), before);

    // The settings again: Fi&t... opens the fit report, "&Force origin" changes the fit there,
    // OK in the report and OK in the dialog; the channel computes with the new fit.
    bool reported = false;
    TestSupport::AnswerNextModal<QDialog>([&](QDialog* dialog) {
        TestSupport::AnswerNextModal<QDialog>([&](QDialog* report) {
            reported = report != dialog;
            QTest::mouseClick(KVI::FindControl<QAbstractButton>(report, 309), Qt::LeftButton,
                              {}, QPoint(6, KVI::FindControl<QWidget>(report, 309)->height() / 2));
            QTest::mouseClick(KVI::FindControl<QAbstractButton>(report, 1), Qt::LeftButton);
            if (report->isVisible()) report->reject();
        });
        QTest::mouseClick(KVI::FindControl<QAbstractButton>(dialog, 200), Qt::LeftButton);
        QTest::mouseClick(KVI::FindControl<QAbstractButton>(dialog, 1), Qt::LeftButton);
        if (dialog->isVisible()) dialog->reject();
    });
    EXPECT_EQ(window_->EditCalculationSettings(channel), Velogram::CalculationCommands::Outcome::Applied);
    EXPECT_TRUE(reported);
    // Least squares through the origin: slope = sum(x y) / sum(x x).
    const double originSlope = r1 * 100.0 / (r0 * r0 + r1 * r1);
    const std::vector<float> raw = Samples(window_->Document()->DataAccess(), 0, 0);
    const std::vector<float> refitted = Samples(window_->Document()->DataAccess(), channel, 0);
    ASSERT_EQ(raw.size(), refitted.size());
    for (size_t i = 0; i < raw.size(); i += 97)
        EXPECT_NEAR(refitted[i], raw[i] * originSlope, 1e-3 * std::max(1.0, std::fabs(raw[i] * originSlope)));

    // And the document keeps the new fit.
    ASSERT_TRUE(window_->SaveTo(path));
    ASSERT_TRUE(window_->OpenFile(path));
    EXPECT_EQ(Samples(window_->Document()->DataAccess(), channel, 0), refitted);
}

TEST_F(WindowTest, TheChannelChangedMessageRedrawsFromNewSamples)
{
    Velogram::DataWindow* data = window_->Data();
    data->grab();
    const int32_t built = data->Summaries().Builds();
    ASSERT_GT(built, 0);
    // What the calibration dialog sends the host object after OK: channel 0 changed.
    ComPtr<IObjectFactory> factory;
    ComPtr<IMessageService> service;
    ComPtr<IUnknown> hostObject;
    ASSERT_EQ(TheSession().framework.As(IID_IObjectFactory, factory), S_OK);
    ASSERT_EQ(factory->GetService(kMessageServiceTypeId, IID_IMessageService, service.PutVoid()), S_OK);
    ASSERT_EQ(TheSession().framework->GetHostObject(hostObject.Put()), S_OK);
#pragma pack(push, 1)
    struct {
        int32_t channel = 0;
        double top = 32000.0;
        double bottom = -32000.0;
    } payload;
#pragma pack(pop)
    const MessagePayload bytes{&payload, sizeof payload};
    ComPtr<IZORMessage> message;
    ASSERT_EQ(service->CreateMessage(0x800C004Au, 0x331, 0, 0, 0, &bytes, message.Put()), S_OK);
    ASSERT_EQ(message->SendTo(hostObject.Get()), S_OK);
    data->grab();
    EXPECT_EQ(data->Summaries().Builds(), 2 * built);
    // Any other message leaves the summaries alone.
    ASSERT_EQ(service->CreateMessage(0x1234, 0, 0, 0, 0, nullptr, message.Put()), S_OK);
    ASSERT_EQ(message->SendTo(hostObject.Get()), S_OK);
    data->grab();
    EXPECT_EQ(data->Summaries().Builds(), 2 * built);
}

TEST_F(WindowTest, HelpShowsTheSetupTopic)
{
    ASSERT_TRUE(window_->ShowHelp());
    QWidget* shown = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QStringLiteral("HelpWindow") && w->isVisible()) shown = w;
    ASSERT_NE(shown, nullptr);
    delete shown;
}

// ---- what a paint reads

TEST(DataWindowPaint, ReadsAtMostOneEnvelopePerColumn)
{
    ComPtr<IZorDocument> document;
    ASSERT_EQ(TheSession().framework->CreateDocument(document.Put()), S_OK);
    ComPtr<IRecording> recording;
    ASSERT_EQ(document.As(IID_IRecording, recording), S_OK);
    // Two channels of two blocks, a million samples each: the summaries keep no samples.
    std::vector<float> samples(1'000'000);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = float(std::sin(double(i) / 5000.0));
    for (int b = 0; b < 2; ++b) recording->AddBlock(nullptr);
    for (int c = 0; c < 2; ++c) {
        recording->AddChannel(KVI::String(c == 0 ? u"Sine" : u"Copy").Interface(), nullptr);
        for (int b = 0; b < 2; ++b) recording->AppendSamples(c, b, samples.data(), uint32_t(samples.size()));
        recording->SetDisplayRange(c, 1.2, -1.2);
    }
    const ComPtr<Velogram::HostDocument> doc = Velogram::HostDocument::Create(document.Get());
    Velogram::DataWindow window;
    window.resize(900, 400);
    window.SetDocument(doc.Get());
    Velogram::SummaryCache& summaries = window.Summaries();

    const QImage first = window.grab().toImage();
    EXPECT_EQ(summaries.Builds(), 4);
    const int64_t columns = window.Layout().TotalWidth();
    uint64_t before = summaries.RangeQueries();
    const QImage again = window.grab().toImage();
    EXPECT_EQ(summaries.Builds(), 4);  // nothing read from the streams again
    EXPECT_LE(summaries.RangeQueries() - before, uint64_t(2 * columns));
    EXPECT_GE(summaries.RangeQueries() - before, uint64_t(2 * (columns - 2 * 12)));
    EXPECT_EQ(first, again);

    // A strip costs its columns only.
    before = summaries.RangeQueries();
    QImage strip(window.size(), QImage::Format_ARGB32);
    window.render(&strip, QPoint(), QRegion(QRect(300, 0, 40, window.height())));
    EXPECT_LE(summaries.RangeQueries() - before, uint64_t(2 * (40 + 4)));
    EXPECT_GT(summaries.RangeQueries() - before, 0u);

    // New samples (a calculation's settings, say): the summaries are made again.
    window.RefreshData();
    window.grab();
    EXPECT_EQ(summaries.Builds(), 8);
}

}  // namespace
