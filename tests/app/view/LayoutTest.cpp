#include "ViewTestSupport.h"

#include "app/view/FormLayout.h"
#include "controls/ComboListCtrl.h"
#include "instruments/CiAngularGaugeX.h"
#include "instruments/CiLedRectangleX.h"
#include "instruments/CiSwitchLedX.h"
#include "instruments/CiSwitchRotaryX.h"
#include "instruments/CiPlotX.h"
#include "support/FakeLink.h"
#include "support/VirtualClock.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <qcustomplot.h>

#include <gtest/gtest.h>

namespace veltroma::test {
namespace {

TEST(DialogUnitsTest, ScalesEdgesSoThatNeighboursStillTouch)
{
    const DialogUnits units = DialogUnits::fitting(kFormPixels);
    const QRect left = units.toPixels(QRect(0, 0, 75, 10));
    const QRect right = units.toPixels(QRect(75, 0, 75, 10));
    EXPECT_EQ(left.right() + 1, right.left());
    EXPECT_EQ(units.toPixels(QRect(QPoint(0, 0), formtemplate::kExtent)), QRect(QPoint(0, 0), kFormPixels));
    // A room larger than the template's grows evenly about the same centre.
    const QRect grown = units.toPixels(QRect(100, 100, 10, 10), QSize(20, 30));
    EXPECT_EQ(grown, units.toPixels(QRect(95, 90, 20, 30)));
}

// The form for one, three and six inverters on the bus, each slot registered and its state
// lamp shown as the first reply shows it.
class LayoutTest : public ::testing::TestWithParam<int> {
protected:
    LayoutTest() : link(clock), form(link, clock, nullptr, std::nullopt, bus(GetParam()))
    {
        for (int slot = kFirstSlot; slot <= GetParam(); ++slot) {
            emit form.session->events().registered(slot, QStringLiteral("VT2400012%1").arg(slot));
            auto* lamp = slotControl<CiLedRectangleX>("m_OutOfSpecificationLED", slot);
            lamp->SetCenterLabelText(QStringLiteral("Normal"));
            lamp->SetVisible(true);
        }
        QCoreApplication::processEvents();
        form.refresh();
    }

    static InverterSlots bus(int count)
    {
        InverterSlots inverters;
        inverters.count = count;
        return inverters;
    }

    QRect at(const char* name) const { return form.find<QWidget>(name)->geometry(); }
    template <typename T>
    T* slotControl(const char* base, int slot) const
    {
        return form.find<T>(QStringLiteral("%1%2").arg(QLatin1String(base)).arg(slot).toLatin1());
    }

    VirtualClock clock;
    FakeLink link;
    ViewHarness form;
};

INSTANTIATE_TEST_SUITE_P(InvertersOnTheBus, LayoutTest, ::testing::Values(1, 3, 6),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::to_string(info.param) + "Inverters";
                         });

TEST_P(LayoutTest, EveryControlLiesOnTheFormAndNoneHidesAnother)
{
    const QRect formRect = form.view->rect();
    for (QWidget* child : form.view->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(formRect.contains(child->geometry())) << child->objectName().toStdString();

    // The connect switch sits in the corner of the rotary's rectangle; the knob and its
    // labels are drawn beside it.
    EXPECT_FALSE(at("m_iSwitchRotaryX1").intersects(at("m_iSwitchLedX0")));

    // The plot draws below the buttons and the status lamp on its top edge.
    const auto* plot = form.find<CiPlotX>("m_iPlotX");
    plot->customPlot()->replot();
    const int fieldTop =
        plot->customPlot()->mapTo(form.view.get(), plot->customPlot()->axisRect()->rect().topLeft()).y();
    for (const char* onTop : {"helpButton", "selectComButton", "updateButton", "m_iLedRectangleX1"})
        EXPECT_LT(at(onTop).bottom(), fieldTop) << onTop;
}

// A text the form shows: what it says, in which font, the room it is given and the place it
// takes there, all in form pixels.
struct Caption {
    QString owner;
    QString text;
    QFont font;
    QRectF room;
    QRectF drawn;
};

QRectF centredText(const QString& text, const QFont& font, const QRectF& room)
{
    const QFontMetricsF metrics(font);
    QRectF box(0, 0, metrics.horizontalAdvance(text), metrics.height());
    box.moveCenter(room.center());
    return box;
}

// Every caption of the form: its labels, its push buttons (less the 4 pixels of border and
// padding on each side that their style takes) and the gauge's caption.
std::vector<Caption> captionsOf(QWidget& form)
{
    std::vector<Caption> captions;
    for (QWidget* child : form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->isVisible())
            continue;
        const QString owner = child->objectName();
        QString text;
        QRectF room;
        QFont font = child->font();
        if (auto* label = qobject_cast<QLabel*>(child)) {
            text = label->text();
            room = QRectF(label->contentsRect().translated(label->pos()));
        } else if (auto* button = qobject_cast<QPushButton*>(child)) {
            text = button->text();
            room = QRectF(button->geometry()).adjusted(4, 4, -4, -4);
        } else if (auto* gauge = qobject_cast<CiAngularGaugeX*>(child)) {
            text = gauge->label2Text();
            font = gauge->captionFont();
            room = gauge->captionRect().translated(gauge->pos());
        }
        if (!text.isEmpty())
            captions.push_back({owner, text, font, room, centredText(text, font, room)});
    }
    return captions;
}

TEST_P(LayoutTest, EveryCaptionIsWhollyShownLegibleAndClearOfOtherControls)
{
    QWidget& view = *form.view;
    auto* plot = form.find<CiPlotX>("m_iPlotX");
    plot->customPlot()->replot();
    // The plot is a frame that other controls sit on; what must stay clear is its field.
    const QRectF plotField(plot->customPlot()->axisRect()->rect().translated(
        plot->customPlot()->mapTo(&view, QPoint(0, 0))));
    auto* gauge = form.find<CiAngularGaugeX>("m_iAngularGaugeX1");
    const QRectF dial = gauge->dialRect().translated(gauge->pos());

    const auto captions = captionsOf(view);
    ASSERT_GE(captions.size(), 6u);
    for (const Caption& caption : captions) {
        SCOPED_TRACE(caption.owner.toStdString() + ": " + caption.text.toStdString());
        // Half a pixel for the rounding of advances.
        EXPECT_LE(caption.drawn.width(), caption.room.width() + 0.5) << "cut at the sides";
        EXPECT_LE(QFontMetricsF(caption.font).capHeight(), caption.room.height()) << "cut";
        // Below eight pixels a glyph has too few pixels to be told apart.
        EXPECT_GE(QFontInfo(caption.font).pixelSize(), 8) << "too small to read";
        EXPECT_FALSE(caption.drawn.intersects(plotField)) << "over the plot's field";
        if (caption.owner != gauge->objectName())
            EXPECT_FALSE(caption.drawn.intersects(dial)) << "over the gauge's dial";
        else
            EXPECT_FALSE(caption.room.intersects(dial)) << "over its own scale";
        for (QWidget* other : view.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!other->isVisible() || other->objectName() == caption.owner || other == plot)
                continue;
            EXPECT_FALSE(caption.drawn.intersects(QRectF(other->geometry())))
                << "over " << other->objectName().toStdString();
        }
    }
}

TEST_P(LayoutTest, EveryListHeadingIsWhollyShownInItsColumn)
{
    const auto* list = form.find<CComboListCtrl>("m_DisplayList");
    const QHeaderView* header = list->horizontalHeader();
    const QFontMetricsF metrics(header->font());
    for (int column = 0; column < list->GetColumnCount(); ++column) {
        const QString heading = list->horizontalHeaderItem(column)->text();
        SCOPED_TRACE(heading.toStdString());
        // The heading starts 4 pixels into its section, as the header draws it.
        EXPECT_LE(metrics.horizontalAdvance(heading), header->sectionSize(column) - 4);
        EXPECT_GE(QFontInfo(header->font()).pixelSize(), 8);
    }
}

TEST_P(LayoutTest, TheStatusLampStandsInsideThePlotsFrame)
{
    const QRect frame = at("m_iPlotX").adjusted(CiPlotX::kFrameWidth, CiPlotX::kFrameWidth,
                                                -CiPlotX::kFrameWidth, -CiPlotX::kFrameWidth);
    EXPECT_TRUE(frame.contains(at("m_iLedRectangleX1")));
}

TEST_P(LayoutTest, ListColumnsFitTheListWithoutScrolling)
{
    const auto* list = form.find<CComboListCtrl>("m_DisplayList");
    int total = 0;
    for (int column = 0; column < list->GetColumnCount(); ++column)
        total += list->columnWidth(column);
    EXPECT_LE(total, list->width() - 2 * list->frameWidth());
    EXPECT_GT(total, list->width() - 2 * list->frameWidth() - list->GetColumnCount());
    EXPECT_LT(list->columnWidth(0), list->columnWidth(4)); // the proportions stay
}


TEST_P(LayoutTest, EachSlotShowsItsSwitchAndLampBesideItsOwnListRowClearOfEveryOtherControl)
{
    const auto* list = form.find<CComboListCtrl>("m_DisplayList");
    const QRect viewport(list->viewport()->mapTo(form.view.get(), QPoint(0, 0)), list->viewport()->size());
    std::vector<QWidget*> slotControls;
    for (int slot = kFirstSlot; slot <= GetParam(); ++slot) {
        SCOPED_TRACE("slot " + std::to_string(slot));
        auto* slotSwitch = slotControl<CiSwitchLedX>("m_iSwitchLedX", slot);
        auto* lamp = slotControl<CiLedRectangleX>("m_OutOfSpecificationLED", slot);
        ASSERT_TRUE(slotSwitch->isVisible());
        ASSERT_TRUE(lamp->isVisible());
        EXPECT_EQ(slotSwitch->caption(), QStringLiteral("VT2400012%1").arg(slot));
        // The row of the slot is wholly inside the list, not scrolled away or cut.
        const QRect row = list->visualItemRect(list->item(slot - 1, 0))
                              .translated(viewport.topLeft());
        EXPECT_TRUE(viewport.contains(row)) << "row cut off";
        if (GetParam() > 1) {
            // Beside its row: its middle within the row's height.
            for (const QWidget* control : {static_cast<QWidget*>(slotSwitch), static_cast<QWidget*>(lamp)}) {
                EXPECT_GE(control->geometry().center().y(), row.top());
                EXPECT_LE(control->geometry().center().y(), row.bottom());
            }
        }
        slotControls.push_back(slotSwitch);
        slotControls.push_back(lamp);
    }
    for (int slot = GetParam() + 1; slot <= kLastSlot; ++slot) {
        EXPECT_FALSE(slotControl<CiSwitchLedX>("m_iSwitchLedX", slot)->isVisible()) << slot;
        EXPECT_FALSE(slotControl<CiLedRectangleX>("m_OutOfSpecificationLED", slot)->isVisible()) << slot;
    }
    const QRect formRect = form.view->rect();
    for (const QWidget* control : slotControls) {
        SCOPED_TRACE(control->objectName().toStdString());
        EXPECT_TRUE(formRect.contains(control->geometry()));
        for (const QWidget* other : form.view->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (other == control || !other->isVisible())
                continue;
            EXPECT_FALSE(control->geometry().intersects(other->geometry()))
                << "over " << other->objectName().toStdString();
        }
    }
}

TEST_P(LayoutTest, DebugModesCountersStayOverThePlotClearOfTheListLampsAndSwitches)
{
    auto* rotary = form.find<CiSwitchRotaryX>("m_iSwitchRotaryX1");
    rotary->SetPosition(4);
    emit rotary->positionChanged(4);
    QCoreApplication::processEvents();
    const auto* panel = form.find<QWidget>("LinkHealthPanel");
    ASSERT_TRUE(panel->isVisible());
    EXPECT_TRUE(at("m_iPlotX").contains(panel->geometry()));
    EXPECT_FALSE(panel->geometry().intersects(at("m_DisplayList"))) << GetParam();
    for (int slot = kFirstSlot; slot <= GetParam(); ++slot) {
        EXPECT_FALSE(panel->geometry().intersects(slotControl<QWidget>("m_OutOfSpecificationLED", slot)->geometry()));
        EXPECT_FALSE(panel->geometry().intersects(slotControl<QWidget>("m_iSwitchLedX", slot)->geometry()));
    }
    // Every counter row is shown whole.
    EXPECT_GE(panel->height(), panel->minimumSizeHint().height()) << GetParam();
}

} // namespace
} // namespace veltroma::test
