#pragma once

#include "controls/OutBarLayout.h"

#include <QColor>
#include <QFrame>
#include <QPixmap>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <vector>

namespace veltroma {

class ImageList;

struct CBarItem {
    int iImageIndex = -1; // negative: no icon
    QString cItem;
    std::uint32_t dwData = 0;
};

struct CBarFolder {
    QString cName;
    std::uint32_t dwData = 0;
    std::vector<CBarItem> arItems;
};

// What the bar tells its owner about a drop: the folder, the dragged item's text and index,
// and the drop position as the gap before item `iDragTo` (the item count: below the last).
struct OUTBAR_INFO {
    int index = -1;
    QString cText;
    int iDragFrom = -1;
    int iDragTo = -1;
};

// The vertical navigation bar: folder headers stacked above and below the item area of
// the selected folder, icons with labels in between, all drawn by the bar itself.
class CGfxOutBarCtrl : public QFrame {
    Q_OBJECT

public:
    static constexpr std::uint32_t fSmallIcon = 1;
    static constexpr std::uint32_t fLargeIcon = 2;
    static constexpr std::uint32_t fEditGroups = 4;
    static constexpr std::uint32_t fEditItems = 8;
    static constexpr std::uint32_t fRemoveGroups = 16;
    static constexpr std::uint32_t fRemoveItems = 32;
    static constexpr std::uint32_t fAddGroups = 64;
    static constexpr std::uint32_t fDragItems = 128;
    static constexpr std::uint32_t fAnimation = 256;
    static constexpr std::uint32_t fSelHighlight = 512;

    enum class HitArea { None, Folder, Item, ScrollUp, ScrollDown };
    struct Hit {
        HitArea area = HitArea::None;
        int index = -1; // the folder or the item of the selected folder
    };

    explicit CGfxOutBarCtrl(QWidget* parent = nullptr);
    ~CGfxOutBarCtrl() override;

    // Makes the bar a child of `parent` at `rect` with the given flags and shows it.
    bool Create(QWidget* parent, const QRect& rect, std::uint32_t flags);

    // `which` fSmallIcon or fLargeIcon; returns the list it replaces. The caller keeps the list.
    const ImageList* SetImageList(const ImageList* list, std::uint32_t which);
    void SetAnimationTickCount(int ms) { lAnimationTickCount = ms; }
    void SetAnimSelHighlight(int ms);

    int AddFolder(const QString& caption, std::uint32_t data);
    // An index below 0 or beyond the item count appends; returns the index used, or -1
    // when the folder does not exist.
    int InsertItem(int folder, int index, const QString& text, int image, std::uint32_t data);
    void SetSelFolder(int index);

    // Index -1 means the selected folder; a folder that does not exist has data 0.
    std::uint32_t GetFolderData(int index = -1) const;
    int GetSelFolder() const { return iSelFolder; }
    int GetFolderCount() const { return static_cast<int>(m_folders.size()); }

    // Items of the selected folder.
    int GetItemCount() const;
    std::uint32_t GetItemData(int index) const;
    int GetItemImage(int index) const;
    QString GetItemText(int index) const;
    void SetItemData(int index, std::uint32_t data);
    void SetItemImage(int index, int image);
    void SetItemText(int index, const QString& text);
    void SetFolderText(int index, const QString& text);

    bool IsSmallIconView() const { return (dwFlags & fSmallIcon) != 0; }
    void SetSmallIconView(bool small);
    void ModifyFlag(std::uint32_t remove, std::uint32_t add, bool redraw = false);
    std::uint32_t GetFlag() const { return dwFlags; }

    int GetFirstItem() const { return iFirstItem; }
    int GetLastSel() const { return iLastSel; }

    void SetBackColor(const QColor& color);
    void SetTextColor(const QColor& color);

    // Geometry in widget coordinates, for the owner and for tests.
    QRect GetFolderRect(int folder) const;
    QRect GetInsideRect() const;
    QRect GetItemRect(int index) const;     // empty when the item is not laid out
    QRect GetUpArrowRect() const;           // empty when no items are hidden above
    QRect GetDownArrowRect() const;         // empty when the last item is fully shown
    Hit HitTestEx(QPoint point) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void itemClicked(int index);
    // Set *move to true to let the bar move the item to the drop position.
    void itemDropRequested(const veltroma::OUTBAR_INFO& info, bool* move);
    void folderChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Press {
        HitArea area = HitArea::None;
        int index = -1;
        bool over = false;     // the pointer is still on what was pressed
        bool dragging = false;
        int dropGap = -1;      // -1: no drop here
    };
    struct Slide {
        QPixmap under;   // stays in place
        QPixmap over;    // moves across it
        QRect band;      // the part of `over` that moves, at its final place
        int distance = 0;
        int travelled = 0;
        bool rising = false; // `over` rises into place (a later folder was chosen)
    };

    OutBarFrame Frame(int selFolder) const;
    const CBarFolder* FolderAt(int index) const;
    CBarFolder* FolderAt(int index);
    const CBarItem* ItemAt(int index) const;
    CBarItem* ItemAt(int index);
    const ImageList* CurrentImageList() const;
    std::vector<OutBarItemMetrics> MeasureItems(int folder) const;
    std::vector<OutBarItemPlace> PlaceItems(int folder, int firstItem) const;
    bool LastItemHidden(int folder, int firstItem) const;
    int ArrowExtent() const;

    void DrawBar(QPainter& painter, int folder, int firstItem, bool live) const;
    void DrawFolder(QPainter& painter, int index, const QRect& rect, bool open, bool live) const;
    void DrawItems(QPainter& painter, int folder, int firstItem, bool live) const;
    void DrawArrow(QPainter& painter, const QRect& rect, bool up, bool pushed) const;
    void DrawInsertMark(QPainter& painter) const;
    QPixmap RenderBar(int folder, int firstItem) const;

    void ScrollStep(HitArea arrow);
    // The gap before which item `from` would be dropped at `point`; -1 for no drop there.
    int DropGapAt(QPoint point, int from) const;
    void FinishDrag(int from, int gap);
    void UpdateHover(QPoint point);
    void UpdateCursor(QPoint point);
    void StartSlide(int from, int to, const QPixmap& before);
    void AdvanceSlide();

    std::vector<CBarFolder> m_folders;

    QColor crBackGroundColor;
    QColor crBackGroundColor1;
    QColor crTextColor;
    QColor cr3dFace;
    QColor crLightBorder;
    QColor crHilightBorder;
    QColor crShadowBorder;
    QColor crDkShadowBorder;

    int iFolderHeight = 22;
    OutBarSpacing m_spacing;
    std::uint32_t dwFlags = 1020;
    int iSelFolder = 1;
    int iFirstItem = 0;
    int lAnimationTickCount = 10;
    int iLastSel = -1;
    int iSelAnimTiming = 0;
    const ImageList* pLargeImageList = nullptr;
    const ImageList* pSmallImageList = nullptr;

    int m_hoverFolder = -1;
    int m_hoverItem = -1;
    Press m_press;
    QTimer m_scrollTimer;
    QTimer m_blinkTimer;
    bool m_blinkOn = true;
    QTimer m_slideTimer;
    Slide m_slide;
    bool m_sliding = false;
};

} // namespace veltroma
