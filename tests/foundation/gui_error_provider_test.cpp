#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <memory>

#include "foundation/gui/application_visibility.h"
#include "foundation/gui/balloon.h"
#include "foundation/gui/control_id.h"
#include "foundation/gui/error_provider.h"
#include "foundation/gui/popup.h"
#include "foundation/gui/qt_string.h"
#include "tests/support/gui_test_util.h"
#include "tests/support/stub_host_settings.h"

namespace {

using KVIControls::ErrorProvider;
using TestSupport::StubHostSettings;
using TestSupport::VisibleWindows;
using TestSupport::WaitUntil;

struct StyleCase {
    const char* name;
    uint32_t style;
    uint32_t normalised;
};

class Normalising : public testing::TestWithParam<StyleCase> {};

TEST_P(Normalising, LeavesOneIconAndOneKindOfHoverHelp)
{
    EXPECT_EQ(ErrorProvider::NormaliseStyle(GetParam().style), GetParam().normalised);
}

INSTANTIATE_TEST_SUITE_P(ErrorProvider, Normalising,
                         testing::Values(StyleCase{"Default", 9, 9}, StyleCase{"Nothing", 0, 9},
                                         StyleCase{"BothIcons", 0x18, 0x11}, StyleCase{"Information", 0x12, 0x12},
                                         StyleCase{"AllHelp", 8 | 7, 9}, StyleCase{"PopupAndNone", 8 | 6, 10},
                                         StyleCase{"NoHelp", 8 | 4, 12}, StyleCase{"OtherBitsKept", 0x100 | 2, 0x10A}),
                         [](const auto& info) { return std::string(info.param.name); });

// The host's answer to "kvi\application\visible" from a stub of its settings object,
// installed for one test (the module installs the same question of the real host).
class SettingsScope {
public:
    SettingsScope() : settings_(StubHostSettings::Create())
    {
        previous_ = KVI::SetVisibilitySource([s = settings_]() -> std::optional<bool> {
            VARIANT_BOOL visible = VARIANT_FALSE;
            if (s->GetBool(KVI::String(kApplicationVisibleKey).Interface(), &visible) != S_OK) return std::nullopt;
            return visible != VARIANT_FALSE;
        });
    }
    ~SettingsScope() { KVI::SetVisibilitySource(std::move(previous_)); }
    StubHostSettings& Settings() { return *settings_.Get(); }

private:
    platform::ComPtr<StubHostSettings> settings_;
    KVI::VisibilitySource previous_;
};

TEST(ApplicationVisibility, OnlyADefiniteNoHidesPopups)
{
    KVI::VisibilitySource previous = KVI::SetVisibilitySource({});
    EXPECT_TRUE(KVI::IsApplicationVisible());  // no host to ask
    KVI::SetVisibilitySource([] { return std::optional<bool>(); });
    EXPECT_TRUE(KVI::IsApplicationVisible());  // the host cannot say
    KVI::SetVisibilitySource([] { return std::optional<bool>(false); });
    EXPECT_FALSE(KVI::IsApplicationVisible());
    KVI::SetVisibilitySource([] { return std::optional<bool>(true); });
    EXPECT_TRUE(KVI::IsApplicationVisible());
    KVI::SetVisibilitySource(std::move(previous));
}

TEST(Popup, WrapsLongTextAt300PixelsAndSizesToIt)
{
    const QString message = QStringLiteral(
        "The unit name must not be empty. Type the name of the unit, for example V, Pa or mmHg, "
        "and choose its prefix from the list on the left.");
    const QFont font = KVI::Popup::GadgetFont();
    const QSize text = KVI::Popup::MeasureText(message, font);
    EXPECT_LE(text.width(), 300);
    EXPECT_GT(text.width(), 250);
    EXPECT_GE(text.height(), 3 * QFontMetrics(font).lineSpacing() - 1);

    KVI::Popup popup(nullptr, QPoint(40, 50), KVI::FromQString(message));
    EXPECT_EQ(popup.size(), QSize(text.width() + 5, text.height() + 2));
    EXPECT_EQ(popup.pos(), QPoint(42, 52));
}

TEST(Popup, GeometryStaysInsideTheWorkArea)
{
    const QRect work(0, 0, 800, 570);
    // Room enough: just moved by (2, 2).
    EXPECT_EQ(KVI::Popup::Geometry(QPoint(100, 100), QSize(50, 14), work), QRect(102, 102, 55, 16));
    // Near the right edge: its left edge is right - width - 10.
    EXPECT_EQ(KVI::Popup::Geometry(QPoint(780, 100), QSize(50, 14), work).left(), 800 - 55 - 10);
    // Past the bottom: up by its height + 3.
    EXPECT_EQ(KVI::Popup::Geometry(QPoint(100, 560), QSize(50, 14), work).top(), 562 - 19);
}

// A dialog with an edit and its error mark (control 105 of the template, a hidden 8 x 8 static
// at (150, 20)).
class ErrorProviderTest : public testing::Test {
protected:
    void Make(uint32_t style)
    {
        dialog_ = std::make_unique<QWidget>();
        dialog_->setWindowTitle(QStringLiteral("Define Unit"));
        dialog_->setGeometry(40, 40, 240, 110);
        auto* label = new QLabel(QStringLiteral("&Unit:"), dialog_.get());
        label->setGeometry(10, 20, 40, 16);
        auto* edit = new QLineEdit(dialog_.get());
        edit->setGeometry(55, 16, 90, 22);
        label->setBuddy(edit);
        auto* placeholder = new QLabel(dialog_.get());
        placeholder->setGeometry(150, 20, 8, 8);
        placeholder->hide();
        KVI::SetControlId(placeholder, ErrorProvider::kControlId);
        provider_ = new ErrorProvider(dialog_.get(), style);
        dialog_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog_.get()));
        // Away from the mark: a move to where the pointer already is would not be delivered.
        QTest::mouseMove(dialog_.get(), QPoint(20, 90));
    }

    void SetMessage(const char16_t* message)
    {
        provider_->SetError(true, KVI::String(u"Unit name missing"), KVI::String(message));
    }

    static std::vector<KVI::Popup*> Popups() { return VisibleWindows<KVI::Popup>(); }
    static std::vector<KVI::Balloon*> Balloons() { return VisibleWindows<KVI::Balloon>(); }

    std::unique_ptr<QWidget> dialog_;
    ErrorProvider* provider_ = nullptr;
};

TEST_F(ErrorProviderTest, TakesTheIconsSizeKeepingLeftAndBottomAndStartsHidden)
{
    Make(0x18);
    EXPECT_EQ(provider_->Style(), 0x11u);
    EXPECT_EQ(provider_->geometry(), QRect(150, 16, 12, 12));  // bottom stays at 27
    EXPECT_FALSE(provider_->isVisible());
    EXPECT_EQ(KVI::FindControl(dialog_.get(), 105), provider_);
    EXPECT_EQ(dialog_->findChildren<QLabel*>().size(), 1);  // the placeholder is gone

    SetMessage(u"Type a name.");
    EXPECT_TRUE(provider_->isVisible());
    EXPECT_EQ(provider_->Message(), KVI::String(u"Type a name."));
    provider_->SetError(false, KVI::String(), KVI::String());
    EXPECT_FALSE(provider_->isVisible());
}

TEST_F(ErrorProviderTest, PaintsTheIconWithItsCornerColourTransparent)
{
    for (uint32_t style : {ErrorProvider::kErrorIcon, ErrorProvider::kInformationIcon}) {
        Make(style);
        SetMessage(u"x");
        const QImage dialog = dialog_->grab().toImage();
        const QPoint at = provider_->pos();
        EXPECT_EQ(dialog.pixelColor(at), dialog.pixelColor(at - QPoint(1, 1))) << "corner shows the dialog";
        const QColor centre = dialog.pixelColor(at + QPoint(3, 6));
        if (style == ErrorProvider::kErrorIcon)
            EXPECT_GT(centre.red(), 150 + centre.blue());
        else
            EXPECT_GT(centre.blue(), 150 + centre.red());
        EXPECT_EQ(dialog.pixelColor(at + QPoint(5, 4)), QColor(Qt::white));  // the exclamation mark
    }
}

TEST_F(ErrorProviderTest, BalloonShowsHeadingAndTextAndFollowsMovesOfMoreThanThreePixels)
{
    Make(ErrorProvider::kDefaultStyle);
    SetMessage(u"Type the name of the unit.");
    QTest::mouseMove(provider_, QPoint(3, 3));
    ASSERT_TRUE(WaitUntil([] { return Balloons().size() == 1; }));
    KVI::Balloon* balloon = Balloons().front();
    EXPECT_EQ(balloon->Heading(), QStringLiteral("Unit name missing"));
    EXPECT_EQ(balloon->Text(), QStringLiteral("Type the name of the unit."));
    EXPECT_TRUE(balloon->PointsUp());
    const QRect mark(provider_->mapToGlobal(QPoint(0, 0)), provider_->size());
    EXPECT_EQ(balloon->y(), mark.bottom() + 1);  // right below the mark
    EXPECT_LE(std::abs(balloon->x() + KVI::Balloon::kTailOffset - mark.center().x()), 1);

    // Shown again only after the pointer moves more than three pixels from where it was shown.
    balloon->hide();
    QTest::mouseMove(provider_, QPoint(5, 5));  // 2.8 pixels
    QTest::qWait(30);
    EXPECT_TRUE(Balloons().empty());
    QTest::mouseMove(provider_, QPoint(6, 6));  // 4.2 pixels
    EXPECT_TRUE(WaitUntil([] { return Balloons().size() == 1; }));

    // Shaped by its mask, with nothing translucent a display without a compositor would show
    // black.
    balloon = Balloons().front();
    EXPECT_FALSE(balloon->testAttribute(Qt::WA_TranslucentBackground));
    const int tip = mark.left() + mark.width() / 2 - balloon->x();
    EXPECT_EQ(balloon->mask(), KVI::Balloon::Shape(balloon->size(), !balloon->PointsUp(), tip));

    QImage picture = TestSupport::GrabWindows({dialog_.get(), Balloons().front()});
    EXPECT_TRUE(picture.save(TestSupport::TestOutputPath(QStringLiteral("error_provider_balloon.png"))));

    QTest::mouseMove(dialog_.get(), QPoint(20, 80));  // leave
    EXPECT_TRUE(WaitUntil([] { return Balloons().empty(); }));
}

TEST(Balloon, ShapeIsTheRoundedBodyAndTheTail)
{
    const QSize size(200, 80);
    const int tail = KVI::Balloon::kTailHeight;
    struct Case {
        const char* name;
        bool above;
        std::vector<QPoint> in, out;
    };
    const std::vector<Case> cases = {
        {"below its anchor",
         false,
         {{30, 0}, {30, tail - 1}, {25, tail - 1}, {0, 40}, {199, 40}, {100, tail}, {100, 79}, {6, tail}},
         {{0, 0}, {29, 0}, {31, 0}, {0, tail}, {199, tail}, {0, 79}, {199, 79}, {100, tail - 1}, {20, 3}}},
        {"above its anchor",
         true,
         {{30, 79}, {30, 80 - tail}, {0, 40}, {100, 0}, {100, 79 - tail}},
         {{0, 0}, {199, 0}, {0, 79 - tail}, {29, 79}, {100, 80 - tail}}},
    };
    for (const Case& c : cases) {
        const QRegion shape = KVI::Balloon::Shape(size, c.above, 30);
        for (const QPoint& p : c.in) EXPECT_TRUE(shape.contains(p)) << c.name << " (" << p.x() << ", " << p.y() << ")";
        for (const QPoint& p : c.out) EXPECT_FALSE(shape.contains(p)) << c.name << " (" << p.x() << ", " << p.y() << ")";
        EXPECT_TRUE(QRect(QPoint(), size).contains(shape.boundingRect())) << c.name;
    }
}

TEST_F(ErrorProviderTest, AnEmptyMessageShowsNothingOnHover)
{
    for (uint32_t style : {ErrorProvider::kDefaultStyle, ErrorProvider::kErrorIcon | ErrorProvider::kPopupOnHover}) {
        Make(style);
        SetMessage(u"");
        QTest::mouseMove(provider_, QPoint(3, 3));
        QTest::mouseMove(provider_, QPoint(9, 9));
        QTest::qWait(200);
        EXPECT_TRUE(Balloons().empty());
        EXPECT_TRUE(Popups().empty());
    }
}

TEST_F(ErrorProviderTest, PopupAppearsAtTheFirstTickAndGoesAfterFiveSecondsThoughThePointerStays)
{
    SettingsScope host;
    host.Settings().Set(kApplicationVisibleKey, true);
    Make(ErrorProvider::kErrorIcon | ErrorProvider::kPopupOnHover);
    SetMessage(u"Type the name of the unit.");

    QElapsedTimer clock;
    clock.start();
    QTest::mouseMove(provider_, QPoint(4, 5));
    EXPECT_TRUE(Popups().empty());  // nothing before the timer's first tick
    ASSERT_TRUE(WaitUntil([] { return !Popups().empty(); }, 1000));
    EXPECT_GE(clock.elapsed(), ErrorProvider::kTimerPeriodMs - 5);
    KVI::Popup* popup = Popups().front();
    EXPECT_EQ(popup->Text(), QStringLiteral("Type the name of the unit."));
    const QPoint pointer = provider_->mapToGlobal(QPoint(4, 5));
    EXPECT_EQ(popup->pos(), pointer + QPoint(-3, 19) + QPoint(2, 2));
    EXPECT_FALSE(popup->isActiveWindow());

    QImage picture = TestSupport::GrabWindows({dialog_.get(), popup});
    EXPECT_TRUE(picture.save(TestSupport::TestOutputPath(QStringLiteral("error_provider_popup.png"))));

    QTest::qWait(4000 - int(clock.elapsed()));
    EXPECT_EQ(Popups().size(), 1u) << "still shown at 4 s";
    ASSERT_TRUE(WaitUntil([] { return Popups().empty(); }, 4000));
    EXPECT_GE(clock.elapsed(), ErrorProvider::kPopupLimitMs);
    QTest::qWait(300);
    EXPECT_TRUE(Popups().empty()) << "the timer stopped with it";
}

TEST_F(ErrorProviderTest, LeavingEndsThePopupAndAHiddenHostShowsNone)
{
    SettingsScope host;
    Make(ErrorProvider::kErrorIcon | ErrorProvider::kPopupOnHover);
    SetMessage(u"Type the name of the unit.");
    QTest::mouseMove(provider_, QPoint(4, 5));
    ASSERT_TRUE(WaitUntil([] { return !Popups().empty(); }, 1000));  // unknown key: shown
    QTest::mouseMove(dialog_.get(), QPoint(20, 80));
    EXPECT_TRUE(WaitUntil([] { return Popups().empty(); }));

    host.Settings().Set(kApplicationVisibleKey, false);
    const int asked = host.Settings().Questions();
    QTest::mouseMove(provider_, QPoint(4, 5));
    EXPECT_TRUE(WaitUntil([&] { return host.Settings().Questions() > asked; }, 1000));
    QTest::qWait(150);
    EXPECT_TRUE(Popups().empty());
}

}  // namespace
