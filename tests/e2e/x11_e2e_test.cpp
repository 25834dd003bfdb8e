// On a plain X server (Xvfb: no window manager, no compositing manager; run_under_xvfb.sh starts
// one), through Qt's xcb platform, with the built libzor.so and libtessar.so loaded as the
// application loads them:
//   - the application window as a user drives it: a recording with a time column imported,
//     the view zoomed with the wheel, a span selected, a Tessar channel added and set up in the
//     module's own dialog from that span, OK, a click placing the cursor, and the cursor's
//     calibrated value read from the status line; a screenshot of what the X server shows;
//   - the error provider's balloon over a window: every pixel around its rounded shape shows
//     the window beneath, not black (which is what a translucent window shows without a
//     compositing manager); a screenshot of it.
// Pictures are taken from the X server's screen, so they show what a user would see. The
// tests skip themselves on any other platform.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QScreen>
#include <QTest>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "values/units/unit_value.h"
#include "foundation/gui/balloon.h"
#include "foundation/gui/control_id.h"
#include "foundation/gui/qt_string.h"
#include "host/velogram/data_window.h"
#include "host/velogram/main_window.h"
#include "tests/host/temp_dir.h"
#include "tests/support/framework_session.h"
#include "tests/support/gui_test_util.h"
#include "tests/velogram/window_test_util.h"

namespace {

using TestSupport::TheSession;

bool OnAnXServer() { return QGuiApplication::platformName() == QStringLiteral("xcb"); }

// What the X server shows of a rectangle of the screen (global coordinates).
QImage Screen(const QRect& area)
{
    QApplication::processEvents();
    QTest::qWait(150);
    return QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
}

// The number after "name " in a read-out text (NaN when it is not there).
double ValueAfter(const QString& text, const QString& name)
{
    const qsizetype at = text.indexOf(name + QLatin1Char(' '));
    if (at < 0) return std::nan("");
    return text.mid(at + name.size() + 1).section(QLatin1Char(' '), 0, 0).toDouble();
}

// The raw sample of a channel at a position, read through the recording.
double SampleAt(Velogram::HostDocument* doc, int32_t channel, const HostPosition& at)
{
    platform::ComPtr<IEnumFloatEx> stream;
    float value = NAN;
    uint32_t got = 0;
    if (SUCCEEDED(doc->Recording()->CreateSampleStream(channel, at.block, at.sample, at.sample + 1, stream.Put())))
        stream->Next(1, &value, &got);
    return got == 1 ? value : NAN;
}

TEST(OnAPlainXServer, TheApplicationImportsZoomsSelectsCalibratesAndReadsTheCursor)
{
    if (!OnAnXServer()) GTEST_SKIP() << "not on an X server (run under run_under_xvfb.sh)";
    ASSERT_TRUE(TheSession().tessar);
    // A transducer at 1 kHz: a rising ramp in block 1, a settling step in block 2.
    ZorTest::TempDir dir;
    std::string csv = "Time (s),Transducer (V)\n";
    for (int block = 0; block < 2; ++block) {
        for (int i = 0; i < 4000; ++i) {
            const double t = i * 0.001;
            const double v = block == 0 ? 0.5 + t : 2.0 + std::exp(-t) * std::sin(8 * t);
            csv += std::to_string(t) + "," + std::to_string(v) + "\n";
        }
        csv += "\n";
    }
    ZorTest::WriteFile(dir.File("transducer.csv"), csv);

    Velogram::MainWindow window(TheSession().framework.Get());
    window.resize(1100, 720);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(window.OpenFile(QString::fromStdString(dir.File("transducer.csv"))));
    Velogram::DataWindow* data = window.Data();
    ASSERT_EQ(window.Document()->ChannelCount(), 1);

    // Zoomed into block 1, a span of its ramp selected.
    const QRect plot = data->PlotRect();
    const int lane = data->LaneRect(0).center().y();
    VelogramTest::Wheel(data, QPoint(plot.left() + plot.width() / 4, lane), 2);
    ASSERT_FALSE(data->View().FitsAll());
    VelogramTest::Drag(data, QPoint(plot.left() + 100, lane), QPoint(plot.left() + 700, lane));
    ASSERT_TRUE(window.Document()->Selection()->Has());
    ASSERT_EQ(window.Document()->Selection()->Start().block, 0);

    // The module's dialog: the pane's value at two places taken into rows 1 and 2 (raw), the
    // calibrated values typed, OK.
    QString rawTexts[2];
    bool answered = false;
    TestSupport::AnswerNextModal<QDialog>([&](QDialog* dialog) {
        answered = true;
        VelogramTest::CalibrateFromThePane(dialog, rawTexts);
    });
    const int32_t channel = window.AddCalculation(TheSession().tessar.Get(), 0);
    ASSERT_TRUE(answered);
    ASSERT_EQ(channel, 1);
    ASSERT_TRUE(window.Document()->Info(channel).setUp) << rawTexts[0].toStdString() << " / " << rawTexts[1].toStdString();
    const double r0 = KVI::UnitValue::Parse(KVI::FromQString(rawTexts[0])).Value();
    const double r1 = KVI::UnitValue::Parse(KVI::FromQString(rawTexts[1])).Value();
    ASSERT_GT(std::fabs(r1 - r0), 1e-3);

    // A click places the cursor; with the pointer off the data the status line reads it.
    const QPoint click(plot.left() + 450, data->LaneRect(1).center().y());
    QTest::mouseClick(data, Qt::LeftButton, {}, click);
    ASSERT_TRUE(data->Cursor().has_value());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(data, &leave);
    const QString readout = window.ReadoutStatus();
    ASSERT_TRUE(readout.startsWith(QStringLiteral("Cursor: t = "))) << readout.toStdString();
    const double raw = SampleAt(window.Document(), 0, *data->Cursor());
    const double expected = (raw - r0) * 100.0 / (r1 - r0);
    EXPECT_NEAR(ValueAfter(readout, QStringLiteral("Tessar")), expected, 1e-3 * std::max(1.0, std::fabs(expected)))
        << readout.toStdString();
    EXPECT_NEAR(ValueAfter(readout, QStringLiteral("Transducer")), raw, 1e-5 * std::max(1.0, std::fabs(raw)));

    // What the X server shows: the window, drawn (not a black or empty frame).
    const QImage shot = Screen(window.frameGeometry());
    ASSERT_FALSE(shot.isNull());
    std::set<QRgb> colours;
    for (int y = 0; y < shot.height(); y += 3)
        for (int x = 0; x < shot.width(); x += 3) colours.insert(shot.pixel(x, y));
    EXPECT_GT(colours.size(), 20u);
    EXPECT_TRUE(shot.save(TestSupport::TestOutputPath(QStringLiteral("x11_application.png"))));
    window.Document()->Document()->SetModified(0);
}

TEST(OnAPlainXServer, TheBalloonShowsTheWindowBeneathAroundItsShape)
{
    if (!OnAnXServer()) GTEST_SKIP() << "not on an X server (run under run_under_xvfb.sh)";
    QWidget backdrop;
    QPalette palette = backdrop.palette();
    const QColor beneath(200, 220, 240);
    palette.setColor(QPalette::Window, beneath);
    backdrop.setPalette(palette);
    backdrop.setAutoFillBackground(true);
    backdrop.setGeometry(100, 100, 520, 260);
    backdrop.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&backdrop));

    KVI::Balloon balloon(&backdrop);
    const QRect anchor(backdrop.mapToGlobal(QPoint(120, 60)), QSize(12, 12));
    balloon.ShowAt(anchor, QStringLiteral("Unit name missing"), QStringLiteral("Type the name of the unit."));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&balloon));
    const QRect area = balloon.geometry().adjusted(-20, -20, 20, 20);
    const QImage shot = Screen(area);
    ASSERT_EQ(shot.size(), area.size());

    // Every pixel of the balloon's rectangle outside its shape is the window beneath; the body
    // is the balloon's fill.
    const QRegion shape = KVI::Balloon::Shape(balloon.size(), !balloon.PointsUp(), anchor.left() + 6 - balloon.x());
    int outside = 0;
    for (int y = 0; y < balloon.height(); ++y)
        for (int x = 0; x < balloon.width(); ++x) {
            if (shape.contains(QPoint(x, y))) continue;
            ++outside;
            ASSERT_EQ(shot.pixelColor(x + 20, y + 20), beneath) << "(" << x << ", " << y << ")";
        }
    EXPECT_GT(outside, 100) << "the corners and both sides of the tail";
    EXPECT_EQ(shot.pixelColor(20 + balloon.width() / 2, 20 + balloon.height() - 4), QColor(255, 255, 225));
    EXPECT_TRUE(shot.save(TestSupport::TestOutputPath(QStringLiteral("x11_balloon.png"))));
}

}  // namespace
