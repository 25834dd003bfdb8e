#include <gtest/gtest.h>

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <memory>
#include <optional>

#include "foundation/gui/control_id.h"
#include "foundation/gui/control_text.h"
#include "foundation/gui/rubber_band.h"
#include "foundation/gui/window_placement.h"
#include "foundation/gui/window_utils.h"

namespace {

using KVI::Placement;

const QRect kWork(0, 0, 1024, 740);  // a screen without a 28-pixel task bar

struct PlaceCase {
    const char* name;
    QRect window;
    Placement placement;
    QRect reference;
    QPoint cursor;
    QPoint point;
    QPoint expected;  // top-left
};

class Placing : public testing::TestWithParam<PlaceCase> {};

TEST_P(Placing, PutsTheWindowWhereItBelongs)
{
    const PlaceCase& c = GetParam();
    const QRect placed = KVI::PlacedRect(c.window, c.placement, c.reference, c.cursor, c.point, kWork);
    EXPECT_EQ(placed.topLeft(), c.expected);
    EXPECT_EQ(placed.size(), c.window.size());
}

INSTANTIATE_TEST_SUITE_P(
    WindowPlacement, Placing,
    testing::Values(
        // Parent from x 100 to 301 (201 wide): centre (100 + 301) / 2 = 200, minus half of 400.
        PlaceCase{"CentredOnParent", QRect(0, 0, 400, 200), Placement::kCentred, QRect(100, 300, 201, 101),
                  {}, {}, QPoint(0, 250)},
        PlaceCase{"CentredOnWorkArea", QRect(0, 0, 300, 100), Placement::kCentred, kWork, {}, {},
                  QPoint(362, 320)},
        // Centring that leaves the screen on the left is pulled back in.
        PlaceCase{"CentredOnParentAtTheLeftEdge", QRect(0, 0, 400, 200), Placement::kCentred,
                  QRect(-50, 100, 100, 100), {}, {}, QPoint(0, 50)},
        PlaceCase{"AtCursorNearBottomRight", QRect(0, 0, 200, 100), Placement::kAtCursor, {}, QPoint(1000, 730), {},
                  QPoint(824, 640)},
        PlaceCase{"AtPoint", QRect(5, 5, 200, 100), Placement::kAtPoint, {}, QPoint(1000, 730), QPoint(40, 50),
                  QPoint(40, 50)},
        // Larger than the work area: the top and left edges win.
        PlaceCase{"LargerThanWorkArea", QRect(0, 0, 1200, 900), Placement::kAtPoint, {}, {}, QPoint(300, 300),
                  QPoint(0, 0)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WindowPlacement, BringIntoWorkAreaMovesOnlyWhatSticksOut)
{
    const QRect work(100, 50, 500, 400);  // exclusive right 600, bottom 450
    EXPECT_EQ(KVI::BringIntoWorkArea(QRect(150, 60, 100, 100), work), QRect(150, 60, 100, 100));
    EXPECT_EQ(KVI::BringIntoWorkArea(QRect(550, 60, 100, 100), work), QRect(500, 60, 100, 100));
    EXPECT_EQ(KVI::BringIntoWorkArea(QRect(150, 420, 100, 100), work), QRect(150, 350, 100, 100));
    EXPECT_EQ(KVI::BringIntoWorkArea(QRect(20, 10, 100, 100), work), QRect(100, 50, 100, 100));
}

TEST(WindowPlacement, PlaceWindowCentresADialogOnItsParentWindow)
{
    // Frameless, so the frame rectangles are the widgets' own on every platform plugin.
    QWidget parent(nullptr, Qt::FramelessWindowHint);
    parent.setGeometry(100, 200, 201, 300);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    QWidget dialog(&parent, Qt::Dialog | Qt::FramelessWindowHint);
    dialog.resize(400, 100);
    KVI::PlaceWindow(&dialog, Placement::kCentred);
    // Centre of the parent: ((100 + 301) / 2, (200 + 500) / 2) = (200, 350).
    EXPECT_EQ(dialog.pos(), QPoint(0, 300));

    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    KVI::PlaceWindow(&dialog, Placement::kAtPoint, QPoint(5000, 5000));
    const QRect work = KVI::WorkAreaAt(QPoint(5000, 5000));
    EXPECT_EQ(dialog.frameGeometry().bottomRight(), work.bottomRight());
}

// ---- rubber band

TEST(RubberBand, MovingOnePixelRightRepaintsTwoOnePixelStrips)
{
    const QRect before(10, 10, 20, 20);
    const QRegion changed = KVI::RubberBandUpdate(before, before.translated(1, 0));
    EXPECT_EQ(changed, QRegion(10, 10, 1, 20) + QRegion(30, 10, 1, 20));
}

TEST(RubberBand, FirstShowRepaintsTheWholeNormalisedBand)
{
    EXPECT_EQ(KVI::RubberBandUpdate(std::nullopt, QRect(QPoint(30, 30), QPoint(10, 10))),
              QRegion(QRect(10, 10, 21, 21)));
    EXPECT_TRUE(KVI::RubberBandUpdate(QRect(5, 5, 10, 10), QRect(5, 5, 10, 10)).isEmpty());
}

TEST(RubberBand, ClippedBandChangesOnlyInsideTheClip)
{
    const QRect clip(0, 0, 50, 50);
    // The band grows to the right beyond the clip: only the part up to the clip's edge changes.
    const QRegion changed = KVI::RubberBandUpdate(QRect(10, 10, 30, 20), QRect(10, 10, 60, 20), clip);
    EXPECT_EQ(changed, QRegion(40, 10, 10, 20));
    // Outside the clip entirely: nothing to do.
    EXPECT_TRUE(KVI::RubberBandUpdate(QRect(60, 60, 5, 5), QRect(61, 60, 5, 5), clip).isEmpty());
}

class BandOwner : public QWidget {
public:
    BandOwner() : band(this) { resize(100, 60); }
    void paintEvent(QPaintEvent* event) override
    {
        painted += event->region();
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        band.Paint(p);
    }
    KVI::RubberBand band;
    QRegion painted;
};

TEST(RubberBand, OwnerRepaintsOnlyTheChangedPixelsAndTheBandShowsInverted)
{
    BandOwner owner;
    owner.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
    QTest::qWait(20);
    owner.painted = QRegion();
    owner.band.Move(QRect(10, 10, 20, 20));
    ASSERT_TRUE(QTest::qWaitFor([&] { return owner.painted.contains(QRect(10, 10, 20, 20)); }));

    owner.painted = QRegion();
    owner.band.Move(QRect(11, 10, 20, 20));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !owner.painted.isEmpty(); }));
    EXPECT_EQ(owner.painted, QRegion(10, 10, 1, 20) + QRegion(30, 10, 1, 20));

    const QImage shown = owner.grab().toImage();
    EXPECT_EQ(shown.pixelColor(10, 15), QColor(Qt::white));  // the old left edge is restored
    EXPECT_EQ(shown.pixelColor(11, 15), QColor(Qt::black));  // inverted white
    EXPECT_EQ(shown.pixelColor(30, 15), QColor(Qt::black));  // the new right edge
    EXPECT_EQ(shown.pixelColor(31, 15), QColor(Qt::white));

    owner.band.Hide();
    EXPECT_FALSE(owner.band.IsShown());
    EXPECT_EQ(owner.grab().toImage().pixelColor(20, 20), QColor(Qt::white));
}

// ---- drawing and item rectangles

TEST(WindowUtils, Draw3dBorderPaintsTopLeftAndBottomRightEdges)
{
    QImage image(20, 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        KVI::Draw3dBorder(p, QRect(2, 3, 10, 8), Qt::red, Qt::blue);
    }
    EXPECT_EQ(image.pixelColor(2, 3), QColor(Qt::red));     // top-left corner: first colour
    EXPECT_EQ(image.pixelColor(10, 3), QColor(Qt::red));    // top edge stops one short
    EXPECT_EQ(image.pixelColor(11, 3), QColor(Qt::blue));   // the right edge runs the full height
    EXPECT_EQ(image.pixelColor(2, 10), QColor(Qt::blue));   // the bottom edge runs the full width
    EXPECT_EQ(image.pixelColor(11, 10), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(5, 6), QColor(Qt::white));   // inside untouched
    EXPECT_EQ(image.pixelColor(12, 6), QColor(Qt::white));  // outside untouched
}

TEST(WindowUtils, ItemRectIsInTheDialogsClientCoordinates)
{
    QWidget dialog;
    auto* frame = new QFrame(&dialog);
    frame->setGeometry(20, 30, 200, 100);
    auto* edit = new QLineEdit(frame);
    edit->setGeometry(5, 7, 60, 20);
    KVI::SetControlId(edit, 103);

    const KVI::ItemRect item(&dialog, 103);
    EXPECT_EQ(item.rect_, QRect(25, 37, 60, 20));
    EXPECT_EQ(item.id_, 103);
    EXPECT_TRUE(KVI::ItemRect(&dialog, 999).rect_.isEmpty());
}

// ---- controls by id

TEST(ControlId, BindTakesThePlaceholdersSlotBuddyAndId)
{
    QWidget dialog;
    auto* layout = new QVBoxLayout(&dialog);
    auto* label = new QLabel(QStringLiteral("&Units:"), &dialog);
    auto* first = new QLineEdit(&dialog);
    auto* placeholder = new QComboBox(&dialog);
    placeholder->setObjectName(QStringLiteral("units"));
    placeholder->setEnabled(false);
    KVI::SetControlId(placeholder, 101);
    label->setBuddy(placeholder);
    layout->addWidget(label);
    layout->addWidget(first);
    layout->addWidget(placeholder);

    auto* control = new QComboBox;
    KVI::BindControl(&dialog, 101, control);
    EXPECT_EQ(KVI::FindControl(&dialog, 101), control);
    EXPECT_EQ(KVI::ControlId(control), 101);
    EXPECT_EQ(control->parentWidget(), &dialog);
    EXPECT_EQ(layout->indexOf(control), 2);
    EXPECT_EQ(label->buddy(), control);
    EXPECT_EQ(control->objectName(), QStringLiteral("units"));
    EXPECT_FALSE(control->isEnabled());
    EXPECT_EQ(dialog.findChildren<QComboBox*>().size(), 1);  // the placeholder is gone

    // Without a control of that id, the control simply joins the dialog.
    auto* lone = new QLineEdit;
    KVI::BindControl(&dialog, 207, lone);
    EXPECT_EQ(lone->parentWidget(), &dialog);
    EXPECT_EQ(KVI::FindControl(&dialog, 207), lone);
    EXPECT_EQ(KVI::FindControl(&dialog, 5), nullptr);
}

TEST(ControlText, ReadsTheTextOfEveryKindOfControl)
{
    QWidget dialog;
    auto* edit = new QLineEdit(QStringLiteral("12.5 mV"), &dialog);
    auto* combo = new QComboBox(&dialog);
    combo->addItems({QStringLiteral("Linear"), QStringLiteral("Cubic")});
    combo->setCurrentIndex(1);
    auto* button = new QPushButton(QStringLiteral("Fi&t..."), &dialog);
    auto* label = new QLabel(QStringLiteral("\u00B5V"), &dialog);
    auto* cut = new QLineEdit(QStringLiteral("ab") + QChar(u'\0') + QStringLiteral("cd"), &dialog);

    EXPECT_EQ(KVI::GetControlText(edit), KVI::String(u"12.5 mV"));
    EXPECT_EQ(KVI::GetControlText(combo), KVI::String(u"Cubic"));
    EXPECT_EQ(KVI::GetControlText(button), KVI::String(u"Fi&t..."));
    EXPECT_EQ(KVI::GetControlText(label), KVI::String(u"\u00B5V"));
    EXPECT_EQ(KVI::GetControlText(cut), KVI::String(u"ab"));  // ends at the first null
    EXPECT_TRUE(KVI::GetControlText(nullptr).IsEmpty());
}

}  // namespace
