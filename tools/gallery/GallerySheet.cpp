#include "GallerySheet.h"

#include "controls/Artwork.h"
#include "controls/Theme.h"

#include <QLabel>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>

namespace veltroma::gallery {

namespace {

constexpr int kMargin = 20;
constexpr int kHeaderHeight = 86;
constexpr int kGap = 14;
constexpr int kPad = 14;
constexpr int kCaption = 24;

// Packs cards into rows, tallest first so that neighbours have similar heights; every card
// of a row takes the row's height.
std::vector<std::vector<std::size_t>> PackRows(const std::vector<QSize>& sizes, int width)
{
    std::vector<std::size_t> order(sizes.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return sizes[a].height() > sizes[b].height(); });

    std::vector<std::vector<std::size_t>> rows;
    std::vector<int> used;
    for (const std::size_t i : order) {
        // The first row with room, so short cards fill the gaps beside wide ones.
        auto row = std::find_if(used.begin(), used.end(),
                                [&](int w) { return w + kGap + sizes[i].width() <= width; });
        if (row == used.end()) {
            rows.push_back({i});
            used.push_back(sizes[i].width());
        } else {
            rows[static_cast<std::size_t>(row - used.begin())].push_back(i);
            *row += kGap + sizes[i].width();
        }
    }
    return rows;
}

} // namespace

GallerySheet::GallerySheet(int width)
{
    resize(width, kHeaderHeight);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, theme::Surface());
    setPalette(pal);
    setAutoFillBackground(true);
}

void GallerySheet::AddSection(const QString& title, std::vector<GalleryItem> items)
{
    Section section;
    auto* label = new QLabel(title, this);
    QFont f = label->font();
    f.setPointSize(14);
    f.setBold(true);
    label->setFont(f);
    label->setStyleSheet(QStringLiteral("color: #2c575f;"));
    section.title = label;

    for (GalleryItem& item : items) {
        auto* frame = new QWidget(this);
        frame->setObjectName(QStringLiteral("card"));
        frame->setAttribute(Qt::WA_StyledBackground);
        frame->setStyleSheet(QStringLiteral(
            "#card { background: white; border: 1px solid #c5d0d4; border-radius: 6px; }"));
        auto* caption = new QLabel(item.name, frame);
        caption->setObjectName(QStringLiteral("caption"));
        caption->setStyleSheet(QStringLiteral("color: #4a5c62;"));
        item.widget->setParent(frame);
        section.cards.push_back({frame, item.widget, item.size, std::move(item.settle)});
    }
    m_sections.push_back(std::move(section));
}

void GallerySheet::Finish()
{
    const int inner = width() - 2 * kMargin;
    int y = kHeaderHeight + kMargin;
    for (Section& section : m_sections) {
        section.title->move(kMargin, y);
        section.title->adjustSize();
        y += section.title->height() + 10;

        std::vector<QSize> sizes;
        for (const Card& card : section.cards) {
            const auto* caption = card.frame->findChild<QLabel*>(QStringLiteral("caption"));
            const int captionWidth = caption->sizeHint().width();
            sizes.emplace_back(std::max(card.contentSize.width(), captionWidth) + 2 * kPad,
                               card.contentSize.height() + 2 * kPad + kCaption);
        }
        for (const auto& row : PackRows(sizes, inner)) {
            int rowHeight = 0;
            int used = -kGap;
            for (const std::size_t i : row) {
                rowHeight = std::max(rowHeight, sizes[i].height());
                used += sizes[i].width() + kGap;
            }
            // Rows are justified: the spare width is shared out among the row's cards.
            const int spare = inner - used;
            int x = kMargin;
            for (std::size_t k = 0; k < row.size(); ++k) {
                const std::size_t i = row[k];
                const int width = sizes[i].width() + spare / static_cast<int>(row.size())
                    + (k + 1 == row.size() ? spare % static_cast<int>(row.size()) : 0);
                Card& card = section.cards[i];
                card.frame->setGeometry(x, y, width, rowHeight);
                const int free = rowHeight - kCaption - 2 * kPad - card.contentSize.height();
                card.content->setGeometry((width - card.contentSize.width()) / 2, kPad + free / 2,
                                          card.contentSize.width(), card.contentSize.height());
                auto* caption = card.frame->findChild<QLabel*>(QStringLiteral("caption"));
                caption->setGeometry(kPad, rowHeight - kCaption - kPad / 2, width - 2 * kPad, kCaption);
                caption->setAlignment(Qt::AlignCenter);
                x += width + kGap;
            }
            y += rowHeight + kGap;
        }
        y += kMargin - kGap + 6;
    }
    resize(width(), y + kMargin / 2);
}

void GallerySheet::Settle()
{
    for (Section& section : m_sections) {
        for (Card& card : section.cards) {
            if (card.settle)
                card.settle();
        }
    }
}

void GallerySheet::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect band(0, 0, width(), kHeaderHeight - 4);
    QLinearGradient fill(band.topLeft(), band.bottomLeft());
    fill.setColorAt(0, QColor(0x37, 0x6a, 0x74));
    fill.setColorAt(1, theme::Desktop());
    painter.fillRect(band, fill);
    painter.fillRect(QRect(0, band.bottom() + 1, width(), 3), theme::Accent());

    const int icon = 54;
    painter.drawPixmap(kMargin, (band.height() - icon) / 2,
                       artwork::Render(artwork::Art::AppIcon, QSize(icon, icon), devicePixelRatioF()));
    QFont title = font();
    title.setPointSize(20);
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(Qt::white);
    const int textX = kMargin + icon + 16;
    painter.drawText(QRect(textX, 12, width() - textX, 36), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Veltroma monitor"));
    QFont subtitle = font();
    subtitle.setPointSize(11);
    painter.setFont(subtitle);
    painter.setPen(QColor(0xdf, 0xe8, 0xea));
    painter.drawText(QRect(textX, 46, width() - textX, 24), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Instruments and drawn controls, with sample readings"));
}

} // namespace veltroma::gallery
