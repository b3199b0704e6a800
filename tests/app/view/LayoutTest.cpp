#include "ViewTestSupport.h"

#include "app/view/FormLayout.h"
#include "controls/ComboListCtrl.h"
#include "instruments/CiPlotX.h"
#include "support/FakeLink.h"
#include "support/VirtualClock.h"

#include <QPushButton>
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

class LayoutTest : public ::testing::Test {
protected:
    LayoutTest() : link(clock), form(link, clock) {}

    QRect at(const char* name) const { return form.find<QWidget>(name)->geometry(); }

    VirtualClock clock;
    FakeLink link;
    ViewHarness form;
};

TEST_F(LayoutTest, EveryControlLiesOnTheFormAndNoneHidesAnother)
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

TEST_F(LayoutTest, ListColumnsFitTheListWithoutScrolling)
{
    const auto* list = form.find<CComboListCtrl>("m_DisplayList");
    int total = 0;
    for (int column = 0; column < list->GetColumnCount(); ++column)
        total += list->columnWidth(column);
    EXPECT_LE(total, list->width() - 2 * list->frameWidth());
    EXPECT_GT(total, list->width() - 2 * list->frameWidth() - list->GetColumnCount());
    EXPECT_LT(list->columnWidth(0), list->columnWidth(4)); // the proportions stay
}

} // namespace
} // namespace veltroma::test
