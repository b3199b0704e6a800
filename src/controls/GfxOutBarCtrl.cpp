#include "controls/GfxOutBarCtrl.h"

#include "controls/ImageList.h"
#include "controls/Theme.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>
#include <utility>

namespace veltroma {

namespace {

constexpr int kScrollRepeatMs = 300;

// A 3D frame of two colours around `r` (inclusive pixel edges): `topLeft` along the top
// and left, `bottomRight` along the bottom and right.
void Draw3dRect(QPainter& painter, const QRect& r, const QColor& topLeft, const QColor& bottomRight)
{
    painter.setPen(topLeft);
    painter.drawLine(r.left(), r.top(), r.right() - 1, r.top());
    painter.drawLine(r.left(), r.top(), r.left(), r.bottom() - 1);
    painter.setPen(bottomRight);
    painter.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    painter.drawLine(r.right(), r.top(), r.right(), r.bottom());
}

} // namespace

CGfxOutBarCtrl::CGfxOutBarCtrl(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);

    const QPalette pal = palette();
    crBackGroundColor = theme::Desktop();
    crBackGroundColor1 = theme::Desktop();
    crTextColor = pal.color(QPalette::Base);
    cr3dFace = pal.color(QPalette::Button);
    crLightBorder = pal.color(QPalette::Midlight);
    crHilightBorder = pal.color(QPalette::Light);
    crShadowBorder = pal.color(QPalette::Dark);
    crDkShadowBorder = pal.color(QPalette::Shadow);

    m_scrollTimer.setInterval(kScrollRepeatMs);
    connect(&m_scrollTimer, &QTimer::timeout, this, [this] {
        if (m_press.over)
            ScrollStep(m_press.area);
    });
    connect(&m_blinkTimer, &QTimer::timeout, this, [this] {
        m_blinkOn = !m_blinkOn;
        if ((dwFlags & fSelHighlight) && iLastSel >= 0)
            update();
    });
    connect(&m_slideTimer, &QTimer::timeout, this, &CGfxOutBarCtrl::AdvanceSlide);
}

CGfxOutBarCtrl::~CGfxOutBarCtrl() = default;

bool CGfxOutBarCtrl::Create(QWidget* parent, const QRect& rect, std::uint32_t flags)
{
    setParent(parent);
    setGeometry(rect);
    dwFlags = flags;
    show();
    return true;
}

const ImageList* CGfxOutBarCtrl::SetImageList(const ImageList* list, std::uint32_t which)
{
    const ImageList** slot = nullptr;
    if (which == fSmallIcon)
        slot = &pSmallImageList;
    else if (which == fLargeIcon)
        slot = &pLargeImageList;
    if (slot == nullptr)
        return nullptr;
    const ImageList* previous = std::exchange(*slot, list);
    update();
    return previous;
}

void CGfxOutBarCtrl::SetAnimSelHighlight(int ms)
{
    iSelAnimTiming = ms;
    m_blinkOn = true;
    if (ms > 0)
        m_blinkTimer.start(ms);
    else
        m_blinkTimer.stop();
    update();
}

int CGfxOutBarCtrl::AddFolder(const QString& caption, std::uint32_t data)
{
    m_folders.push_back(CBarFolder{caption, data, {}});
    updateGeometry();
    update();
    return GetFolderCount() - 1;
}

int CGfxOutBarCtrl::InsertItem(int folder, int index, const QString& text, int image,
                               std::uint32_t data)
{
    CBarFolder* target = FolderAt(folder);
    if (target == nullptr)
        return -1;
    auto& items = target->arItems;
    if (index < 0 || index > static_cast<int>(items.size()))
        index = static_cast<int>(items.size());
    items.insert(items.begin() + index, CBarItem{image, text, data});
    updateGeometry();
    update();
    return index;
}

void CGfxOutBarCtrl::SetSelFolder(int index)
{
    if (FolderAt(index) == nullptr)
        return;
    if (m_sliding) {
        m_slideTimer.stop();
        m_sliding = false;
    }
    const int old = iSelFolder;
    const bool slide = index != old && FolderAt(old) != nullptr && (dwFlags & fAnimation)
        && lAnimationTickCount > 0 && isVisible();
    QPixmap before;
    if (slide)
        before = RenderBar(old, iFirstItem);

    iSelFolder = index;
    iFirstItem = 0;
    iLastSel = -1;
    m_hoverItem = -1;

    if (slide)
        StartSlide(old, index, before);
    emit folderChanged(index);
    update();
}

std::uint32_t CGfxOutBarCtrl::GetFolderData(int index) const
{
    const CBarFolder* folder = FolderAt(index == -1 ? iSelFolder : index);
    return folder != nullptr ? folder->dwData : 0;
}

int CGfxOutBarCtrl::GetItemCount() const
{
    const CBarFolder* folder = FolderAt(iSelFolder);
    return folder != nullptr ? static_cast<int>(folder->arItems.size()) : 0;
}

std::uint32_t CGfxOutBarCtrl::GetItemData(int index) const
{
    const CBarItem* item = ItemAt(index);
    return item != nullptr ? item->dwData : 0;
}

int CGfxOutBarCtrl::GetItemImage(int index) const
{
    const CBarItem* item = ItemAt(index);
    return item != nullptr ? item->iImageIndex : -1;
}

QString CGfxOutBarCtrl::GetItemText(int index) const
{
    const CBarItem* item = ItemAt(index);
    return item != nullptr ? item->cItem : QString();
}

void CGfxOutBarCtrl::SetItemData(int index, std::uint32_t data)
{
    if (CBarItem* item = ItemAt(index))
        item->dwData = data;
}

void CGfxOutBarCtrl::SetItemImage(int index, int image)
{
    if (CBarItem* item = ItemAt(index)) {
        item->iImageIndex = image;
        update();
    }
}

void CGfxOutBarCtrl::SetItemText(int index, const QString& text)
{
    if (CBarItem* item = ItemAt(index)) {
        item->cItem = text;
        update();
    }
}

void CGfxOutBarCtrl::SetFolderText(int index, const QString& text)
{
    if (CBarFolder* folder = FolderAt(index)) {
        folder->cName = text;
        update();
    }
}

void CGfxOutBarCtrl::SetSmallIconView(bool small)
{
    iFirstItem = 0;
    ModifyFlag(small ? 0 : fSmallIcon, small ? fSmallIcon : 0, true);
}

void CGfxOutBarCtrl::ModifyFlag(std::uint32_t remove, std::uint32_t add, bool redraw)
{
    dwFlags = (dwFlags & ~remove) | add;
    if (redraw) {
        updateGeometry();
        update();
    }
}

void CGfxOutBarCtrl::SetBackColor(const QColor& color)
{
    crBackGroundColor = color;
    crBackGroundColor1 = color;
    update();
}

void CGfxOutBarCtrl::SetTextColor(const QColor& color)
{
    crTextColor = color;
    update();
}

// ---- geometry ------------------------------------------------------------------------

OutBarFrame CGfxOutBarCtrl::Frame(int selFolder) const
{
    return OutBarFrame{contentsRect(), GetFolderCount(), selFolder, iFolderHeight};
}

const CBarFolder* CGfxOutBarCtrl::FolderAt(int index) const
{
    if (index < 0 || index >= GetFolderCount())
        return nullptr;
    return &m_folders[static_cast<std::size_t>(index)];
}

CBarFolder* CGfxOutBarCtrl::FolderAt(int index)
{
    return const_cast<CBarFolder*>(std::as_const(*this).FolderAt(index));
}

const CBarItem* CGfxOutBarCtrl::ItemAt(int index) const
{
    const CBarFolder* folder = FolderAt(iSelFolder);
    if (folder == nullptr || index < 0 || index >= static_cast<int>(folder->arItems.size()))
        return nullptr;
    return &folder->arItems[static_cast<std::size_t>(index)];
}

CBarItem* CGfxOutBarCtrl::ItemAt(int index)
{
    return const_cast<CBarItem*>(std::as_const(*this).ItemAt(index));
}

const ImageList* CGfxOutBarCtrl::CurrentImageList() const
{
    return IsSmallIconView() ? pSmallImageList : pLargeImageList;
}

std::vector<OutBarItemMetrics> CGfxOutBarCtrl::MeasureItems(int folder) const
{
    std::vector<OutBarItemMetrics> metrics;
    const CBarFolder* f = FolderAt(folder);
    if (f == nullptr)
        return metrics;
    const ImageList* list = CurrentImageList();
    const QSize icon = list != nullptr ? list->GetImageSize() : QSize(0, 0);
    const QFontMetrics fm = fontMetrics();
    const int wrapWidth = std::max(1, Frame(folder).InsideRect().width() - 2 * m_spacing.xLeftMargin);

    metrics.reserve(f->arItems.size());
    for (const CBarItem& item : f->arItems) {
        QSize label;
        if (!item.cItem.isEmpty()) {
            if (IsSmallIconView())
                label = QSize(fm.horizontalAdvance(item.cItem), fm.height());
            else
                label = fm.boundingRect(QRect(0, 0, wrapWidth, 4096),
                                        Qt::AlignHCenter | Qt::TextWordWrap, item.cItem).size();
        }
        metrics.push_back({icon, label});
    }
    return metrics;
}

std::vector<OutBarItemPlace> CGfxOutBarCtrl::PlaceItems(int folder, int firstItem) const
{
    const auto metrics = MeasureItems(folder);
    return PlaceOutBarItems(Frame(folder).InsideRect(), metrics, firstItem, IsSmallIconView(),
                            m_spacing);
}

bool CGfxOutBarCtrl::LastItemHidden(int folder, int firstItem) const
{
    const auto places = PlaceItems(folder, firstItem);
    if (places.empty())
        return false;
    const QRect inside = Frame(folder).InsideRect();
    const QRect& last = places.back().bounds;
    return last.y() + last.height() > inside.y() + inside.height();
}

int CGfxOutBarCtrl::ArrowExtent() const
{
    return std::max(16, style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this));
}

QRect CGfxOutBarCtrl::GetFolderRect(int folder) const
{
    return FolderAt(folder) != nullptr ? Frame(iSelFolder).FolderRect(folder) : QRect();
}

QRect CGfxOutBarCtrl::GetInsideRect() const
{
    return Frame(iSelFolder).InsideRect();
}

QRect CGfxOutBarCtrl::GetItemRect(int index) const
{
    if (ItemAt(index) == nullptr || index < iFirstItem)
        return {};
    const auto places = PlaceItems(iSelFolder, iFirstItem);
    return places[static_cast<std::size_t>(index - iFirstItem)].bounds;
}

QRect CGfxOutBarCtrl::GetUpArrowRect() const
{
    if (iFirstItem <= 0)
        return {};
    const QRect inside = GetInsideRect();
    const int e = ArrowExtent();
    return {inside.x() + inside.width() - e - 2, inside.y() + 2, e, e};
}

QRect CGfxOutBarCtrl::GetDownArrowRect() const
{
    if (!LastItemHidden(iSelFolder, iFirstItem))
        return {};
    const QRect inside = GetInsideRect();
    const int e = ArrowExtent();
    return {inside.x() + inside.width() - e - 2, inside.y() + inside.height() - e - 2, e, e};
}

CGfxOutBarCtrl::Hit CGfxOutBarCtrl::HitTestEx(QPoint point) const
{
    const OutBarFrame frame = Frame(iSelFolder);
    for (int i = 0; i < GetFolderCount(); ++i) {
        if (frame.FolderRect(i).contains(point))
            return {HitArea::Folder, i};
    }
    if (!frame.InsideRect().contains(point))
        return {};
    if (GetUpArrowRect().contains(point))
        return {HitArea::ScrollUp, -1};
    if (GetDownArrowRect().contains(point))
        return {HitArea::ScrollDown, -1};
    const auto places = PlaceItems(iSelFolder, iFirstItem);
    for (std::size_t k = 0; k < places.size(); ++k) {
        if (places[k].bounds.contains(point))
            return {HitArea::Item, iFirstItem + static_cast<int>(k)};
    }
    return {};
}

QSize CGfxOutBarCtrl::sizeHint() const
{
    const QFontMetrics fm = fontMetrics();
    const ImageList* list = CurrentImageList();
    const QSize icon = list != nullptr ? list->GetImageSize() : QSize(32, 32);
    int width = icon.width() + 4 * m_spacing.xLeftMargin + 2 * ArrowExtent();
    int items = 0;
    for (const CBarFolder& folder : m_folders) {
        width = std::max(width, fm.horizontalAdvance(folder.cName) + 24);
        int height = m_spacing.yTopMargin;
        for (const CBarItem& item : folder.arItems) {
            const int label = std::min(fm.horizontalAdvance(item.cItem), 150);
            width = std::max(width, label + 2 * m_spacing.xLeftMargin + 8);
            height += icon.height() + m_spacing.yLargeIconLabelOffset + 2 * fm.height()
                + m_spacing.yLargeIconSpacing;
        }
        items = std::max(items, height);
    }
    const int frame = 2 * frameWidth();
    return {std::clamp(width, 96, 200) + frame,
            GetFolderCount() * iFolderHeight + std::max(items, 120) + frame};
}

QSize CGfxOutBarCtrl::minimumSizeHint() const
{
    return {60, GetFolderCount() * iFolderHeight + 40};
}

// ---- painting ------------------------------------------------------------------------

void CGfxOutBarCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.save();
    painter.setClipRect(contentsRect());
    if (m_sliding) {
        painter.drawPixmap(0, 0, m_slide.under);
        const int offset = m_slide.rising ? m_slide.distance - m_slide.travelled : m_slide.travelled;
        painter.setClipRect(m_slide.band.intersected(contentsRect()));
        painter.drawPixmap(QPoint(0, offset), m_slide.over);
    } else {
        DrawBar(painter, iSelFolder, iFirstItem, true);
    }
    painter.restore();
    drawFrame(&painter);
}

QPixmap CGfxOutBarCtrl::RenderBar(int folder, int firstItem) const
{
    const qreal dpr = devicePixelRatioF();
    QPixmap pixmap(size() * dpr);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(crBackGroundColor);
    QPainter painter(&pixmap);
    painter.setClipRect(contentsRect());
    DrawBar(painter, folder, firstItem, false);
    return pixmap;
}

void CGfxOutBarCtrl::DrawBar(QPainter& painter, int folder, int firstItem, bool live) const
{
    const OutBarFrame frame = Frame(folder);
    const QRect inside = frame.InsideRect();

    QLinearGradient fill(inside.topLeft(), inside.bottomLeft());
    fill.setColorAt(0, crBackGroundColor);
    fill.setColorAt(1, crBackGroundColor1);
    painter.fillRect(frame.client, crBackGroundColor);
    painter.fillRect(inside, fill);

    painter.save();
    painter.setClipRect(inside, Qt::IntersectClip);
    DrawItems(painter, folder, firstItem, live);
    if (live) {
        const bool upPushed = m_press.area == HitArea::ScrollUp && m_press.over;
        const bool downPushed = m_press.area == HitArea::ScrollDown && m_press.over;
        if (const QRect up = GetUpArrowRect(); !up.isEmpty())
            DrawArrow(painter, up, true, upPushed);
        if (const QRect down = GetDownArrowRect(); !down.isEmpty())
            DrawArrow(painter, down, false, downPushed);
        if (m_press.dragging && m_press.dropGap >= 0)
            DrawInsertMark(painter);
    }
    painter.restore();

    for (int i = 0; i < GetFolderCount(); ++i)
        DrawFolder(painter, i, frame.FolderRect(i), i == folder, live);
}

void CGfxOutBarCtrl::DrawFolder(QPainter& painter, int index, const QRect& rect, bool open,
                                bool live) const
{
    const bool pressed = live && m_press.area == HitArea::Folder && m_press.index == index
        && m_press.over;
    const bool hovered = live && !pressed && m_press.area == HitArea::None
        && m_hoverFolder == index;

    QLinearGradient face(rect.topLeft(), rect.bottomLeft());
    face.setColorAt(0, cr3dFace.lighter(pressed ? 97 : 112));
    face.setColorAt(1, cr3dFace.darker(pressed ? 102 : 107));
    painter.fillRect(rect, face);

    const QRect outer = rect.adjusted(0, 0, -1, -1);
    const QRect inner = outer.adjusted(1, 1, -1, -1);
    if (pressed) {
        Draw3dRect(painter, outer, crDkShadowBorder, crHilightBorder);
        Draw3dRect(painter, inner, crShadowBorder, crLightBorder);
    } else {
        Draw3dRect(painter, outer, crLightBorder, crDkShadowBorder);
        Draw3dRect(painter, inner, crHilightBorder, crShadowBorder);
        if (hovered) {
            const QRect second = inner.adjusted(1, 1, -1, -1);
            painter.setPen(crDkShadowBorder);
            painter.drawLine(second.left(), second.bottom(), second.right(), second.bottom());
            painter.drawLine(second.right(), second.top(), second.right(), second.bottom());
        }
    }
    // The open folder's header carries a mark, so the open folder reads at a glance.
    if (open)
        painter.fillRect(QRect(inner.left() + 1, inner.top() + 2, 3, inner.height() - 3), theme::Accent());

    const CBarFolder& folder = m_folders[static_cast<std::size_t>(index)];
    const QRect text = rect.adjusted(8, 0, -8, 0).translated(pressed ? QPoint(1, 1) : QPoint());
    QFont caption = font();
    caption.setBold(true);
    painter.setFont(caption);
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(text, Qt::AlignCenter | Qt::TextSingleLine,
                     QFontMetrics(caption).elidedText(folder.cName, Qt::ElideRight, text.width()));
}

void CGfxOutBarCtrl::DrawItems(QPainter& painter, int folder, int firstItem, bool live) const
{
    const CBarFolder* f = FolderAt(folder);
    if (f == nullptr)
        return;
    const ImageList* list = CurrentImageList();
    const auto places = PlaceItems(folder, firstItem);
    const int textFlags = IsSmallIconView() ? int(Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine)
                                            : int(Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap);
    const bool current = live && folder == iSelFolder;
    const QColor light = crHilightBorder;
    const QColor dark = crDkShadowBorder;

    painter.setFont(font());
    for (std::size_t k = 0; k < places.size(); ++k) {
        const int index = firstItem + static_cast<int>(k);
        const CBarItem& item = f->arItems[static_cast<std::size_t>(index)];
        const OutBarItemPlace& place = places[k];
        const QRect target = list != nullptr ? place.icon : place.label;
        const QRect frame = target.adjusted(-2, -2, 1, 1);

        const bool pressed = current && m_press.area == HitArea::Item && m_press.index == index
            && m_press.over && !m_press.dragging;
        const bool hovered = current && m_press.area == HitArea::None && m_hoverItem == index;
        const bool selected = current && (dwFlags & fSelHighlight) && iLastSel == index
            && (iSelAnimTiming <= 0 || m_blinkOn);

        if (pressed || selected) {
            painter.fillRect(frame.adjusted(1, 1, 0, 0), QColor(0, 0, 0, 40));
            Draw3dRect(painter, frame, dark, light);
        } else if (hovered) {
            painter.fillRect(frame.adjusted(1, 1, 0, 0), QColor(255, 255, 255, 28));
            Draw3dRect(painter, frame, light, dark);
        }

        if (list != nullptr)
            list->Draw(painter, item.iImageIndex, place.icon.topLeft() + (pressed ? QPoint(1, 1) : QPoint()));
        painter.setPen(crTextColor);
        painter.drawText(place.label.translated(pressed ? QPoint(1, 1) : QPoint()), textFlags, item.cItem);
    }
}

void CGfxOutBarCtrl::DrawArrow(QPainter& painter, const QRect& rect, bool up, bool pushed) const
{
    QStyleOptionButton option;
    option.initFrom(this);
    option.rect = rect;
    option.state |= QStyle::State_Raised;
    if (pushed)
        option.state = (option.state & ~QStyle::State_Raised) | QStyle::State_Sunken;
    style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &option, &painter, this);
    option.rect = rect.adjusted(3, 3, -3, -3).translated(pushed ? QPoint(1, 1) : QPoint());
    style()->drawPrimitive(up ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown,
                           &option, &painter, this);
}

void CGfxOutBarCtrl::DrawInsertMark(QPainter& painter) const
{
    const auto places = PlaceItems(iSelFolder, iFirstItem);
    if (places.empty())
        return;
    const int k = m_press.dropGap - iFirstItem;
    int y = 0;
    if (k < static_cast<int>(places.size()) && k >= 0)
        y = places[static_cast<std::size_t>(k)].bounds.top() - m_spacing.yLargeIconSpacing / 2 - 1;
    else
        y = places.back().bounds.bottom() + m_spacing.yLargeIconSpacing / 2 + 1;

    const QRect inside = GetInsideRect();
    const int left = inside.left() + m_spacing.xLeftMargin;
    const int right = inside.right() - m_spacing.xLeftMargin;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(crTextColor, 2));
    painter.drawLine(left + 4, y, right - 4, y);
    painter.setPen(Qt::NoPen);
    painter.setBrush(crTextColor);
    QPainterPath arrows;
    arrows.addPolygon(QPolygonF({QPointF(left, y - 5), QPointF(left + 6, y), QPointF(left, y + 5)}));
    arrows.addPolygon(QPolygonF({QPointF(right, y - 5), QPointF(right - 6, y), QPointF(right, y + 5)}));
    painter.drawPath(arrows);
    painter.restore();
}

// ---- mouse ---------------------------------------------------------------------------

void CGfxOutBarCtrl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (m_sliding) {
        m_slideTimer.stop();
        m_sliding = false;
    }
    setFocus(Qt::MouseFocusReason);
    const Hit hit = HitTestEx(event->position().toPoint());
    if (hit.area == HitArea::None)
        return;
    m_press = Press{hit.area, hit.index, true, false, -1};
    if (hit.area == HitArea::ScrollUp || hit.area == HitArea::ScrollDown)
        m_scrollTimer.start();
    UpdateCursor(event->position().toPoint());
    update();
}

void CGfxOutBarCtrl::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (m_press.area == HitArea::None) {
        UpdateHover(pos);
        UpdateCursor(pos);
        return;
    }
    const Hit hit = HitTestEx(pos);
    const bool over = hit.area == m_press.area && hit.index == m_press.index;
    if (m_press.area == HitArea::Item && !m_press.dragging && !over && (dwFlags & fDragItems))
        m_press.dragging = true;
    const int gap = m_press.dragging ? DropGapAt(pos, m_press.index) : -1;
    if (over != m_press.over || gap != m_press.dropGap) {
        m_press.over = over;
        m_press.dropGap = gap;
        update();
    }
    UpdateCursor(pos);
}

void CGfxOutBarCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_press.area == HitArea::None)
        return;
    m_scrollTimer.stop();
    const QPoint pos = event->position().toPoint();
    const Press press = std::exchange(m_press, Press{});
    const Hit hit = HitTestEx(pos);
    const bool onPressed = hit.area == press.area && hit.index == press.index;

    switch (press.area) {
    case HitArea::Folder:
        if (onPressed && press.index != iSelFolder)
            SetSelFolder(press.index);
        break;
    case HitArea::Item:
        if (press.dragging) {
            FinishDrag(press.index, DropGapAt(pos, press.index));
        } else if (onPressed) {
            iLastSel = press.index;
            m_blinkOn = true;
            update();
            emit itemClicked(press.index);
        }
        break;
    case HitArea::ScrollUp:
    case HitArea::ScrollDown:
        if (onPressed)
            ScrollStep(press.area);
        break;
    case HitArea::None:
        break;
    }
    UpdateHover(pos);
    UpdateCursor(pos);
    update();
}

void CGfxOutBarCtrl::leaveEvent(QEvent* event)
{
    m_hoverFolder = -1;
    m_hoverItem = -1;
    update();
    QFrame::leaveEvent(event);
}

void CGfxOutBarCtrl::resizeEvent(QResizeEvent* event)
{
    if (m_sliding) {
        m_slideTimer.stop();
        m_sliding = false;
    }
    QFrame::resizeEvent(event);
}

void CGfxOutBarCtrl::ScrollStep(HitArea arrow)
{
    if (arrow == HitArea::ScrollUp && iFirstItem > 0)
        --iFirstItem;
    else if (arrow == HitArea::ScrollDown && LastItemHidden(iSelFolder, iFirstItem))
        ++iFirstItem;
    else
        return;
    update();
}

int CGfxOutBarCtrl::DropGapAt(QPoint point, int from) const
{
    if (!GetInsideRect().contains(point))
        return -1;
    const auto places = PlaceItems(iSelFolder, iFirstItem);
    int gap = GetItemCount();
    for (std::size_t k = 0; k < places.size(); ++k) {
        if (point.y() < places[k].bounds.center().y()) {
            gap = iFirstItem + static_cast<int>(k);
            break;
        }
    }
    // Dropping just above or below itself would leave the item where it is.
    if (gap == from || gap == from + 1)
        return -1;
    return gap;
}

void CGfxOutBarCtrl::FinishDrag(int from, int gap)
{
    CBarFolder* folder = FolderAt(iSelFolder);
    if (gap < 0 || folder == nullptr || ItemAt(from) == nullptr)
        return;

    const OUTBAR_INFO info{iSelFolder, GetItemText(from), from, gap};
    bool move = false;
    emit itemDropRequested(info, &move);
    if (!move || ItemAt(from) == nullptr)
        return;

    auto& items = folder->arItems;
    CBarItem item = std::move(items[static_cast<std::size_t>(from)]);
    items.erase(items.begin() + from);
    const int to = std::min(gap > from ? gap - 1 : gap, static_cast<int>(items.size()));
    items.insert(items.begin() + to, std::move(item));
    iLastSel = -1;
    update();
}

void CGfxOutBarCtrl::UpdateHover(QPoint point)
{
    const Hit hit = rect().contains(point) ? HitTestEx(point) : Hit{};
    const int folder = hit.area == HitArea::Folder ? hit.index : -1;
    const int item = hit.area == HitArea::Item ? hit.index : -1;
    if (folder != m_hoverFolder || item != m_hoverItem) {
        m_hoverFolder = folder;
        m_hoverItem = item;
        update();
    }
}

void CGfxOutBarCtrl::UpdateCursor(QPoint point)
{
    if (m_press.dragging) {
        setCursor(m_press.dropGap >= 0 ? Qt::DragMoveCursor : Qt::ForbiddenCursor);
        return;
    }
    if (HitTestEx(point).area == HitArea::Folder)
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
}

// ---- folder slide --------------------------------------------------------------------

void CGfxOutBarCtrl::StartSlide(int from, int to, const QPixmap& before)
{
    const QPixmap after = RenderBar(to, 0);
    const int client = contentsRect().y() + contentsRect().height();
    m_slide = Slide{};
    m_slide.rising = to > from;
    // The headers between the two folders travel; with them the contents behind them.
    const int moving = std::min(from, to) + 1;
    const int startTop = Frame(from).FolderRect(moving).top();
    const int endTop = Frame(to).FolderRect(moving).top();
    const int bandTop = std::min(startTop, endTop);
    m_slide.distance = std::abs(endTop - startTop);
    m_slide.under = m_slide.rising ? before : after;
    m_slide.over = m_slide.rising ? after : before;
    m_slide.band = QRect(0, bandTop, width(), client - bandTop);
    if (m_slide.distance <= 0)
        return;
    m_sliding = true;
    m_slideTimer.start(lAnimationTickCount);
}

void CGfxOutBarCtrl::AdvanceSlide()
{
    m_slide.travelled = std::min(m_slide.distance, m_slide.travelled + iFolderHeight);
    if (m_slide.travelled >= m_slide.distance) {
        m_slideTimer.stop();
        m_sliding = false;
        m_slide = Slide{};
    }
    update();
}

} // namespace veltroma
