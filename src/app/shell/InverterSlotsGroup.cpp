#include "app/shell/InverterSlotsGroup.h"

#include "config/Strings.h"

#include <QFormLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>

#include <algorithm>

namespace veltroma {

namespace {

enum Column { kSlotColumn, kSerialColumn, kLastSeenColumn, kClearColumn, kColumnCount };

// Room around a cell's text, in pixels.
constexpr int kRowPadding = 8;
constexpr int kTextMargin = 24;

QString text(const char* key)
{
    return g_LoadString(QLatin1String(key));
}

QTableWidgetItem* readOnlyItem(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

} // namespace

InverterSlotsGroup::InverterSlotsGroup(const InverterSlots& stored,
                                       InverterSlotsEditor::LastSeen lastSeen, QWidget* parent)
    : QGroupBox(text("IDC_SLOTS_GROUP"), parent)
    , editor_(stored, std::move(lastSeen))
    , count_(new QSpinBox(this))
    , table_(new QTableWidget(InverterSlots::kMaxCount, kColumnCount, this))
    , refresh_(new QTimer(this))
{
    setObjectName(QStringLiteral("slotsGroup"));
    count_->setObjectName(QStringLiteral("slotsCount"));
    table_->setObjectName(QStringLiteral("slotsTable"));
    count_->setRange(1, InverterSlots::kMaxCount);
    count_->setValue(editor_.count());

    table_->setHorizontalHeaderLabels({text("IDC_SLOTS_SLOT"), text("IDC_SLOTS_SERIAL"),
                                       text("IDC_SLOTS_LASTSEEN"), QString()});
    table_->verticalHeader()->hide();
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->setFocusPolicy(Qt::NoFocus);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (int row = 0; row < InverterSlots::kMaxCount; ++row) {
        const int slot = row + 1;
        auto* number = readOnlyItem(QString::number(slot));
        number->setTextAlignment(Qt::AlignCenter);
        table_->setItem(row, kSlotColumn, number);
        table_->setItem(row, kSerialColumn, readOnlyItem({}));
        table_->setItem(row, kLastSeenColumn, readOnlyItem({}));
        auto* clear = new QPushButton(text("IDC_SLOTS_CLEAR"), table_);
        clear->setObjectName(QStringLiteral("slotClear%1").arg(slot));
        clear->setAutoDefault(false);
        connect(clear, &QPushButton::clicked, this, [this, slot] {
            if (editor_.clear(slot))
                showSlots();
        });
        table_->setCellWidget(row, kClearColumn, clear);
    }

    // Every column as wide as its widest text; every row as tall as its button and the grid
    // line below it.
    QHeaderView* header = table_->horizontalHeader();
    header->setSectionResizeMode(kSlotColumn, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(kSerialColumn, QHeaderView::Stretch);
    header->setSectionResizeMode(kLastSeenColumn, QHeaderView::Stretch);
    header->setSectionResizeMode(kClearColumn, QHeaderView::ResizeToContents);
    const int rowHeight = std::max(table_->cellWidget(0, kClearColumn)->sizeHint().height() + 1,
                                   table_->fontMetrics().height() + kRowPadding);
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(rowHeight);

    auto* form = new QFormLayout(this);
    form->addRow(text("IDC_SLOTS_COUNT"), count_);
    form->addRow(table_);

    connect(count_, &QSpinBox::valueChanged, this, [this](int count) {
        editor_.setCount(count);
        showSlots();
    });
    refresh_->setInterval(kLastSeenRefreshMs);
    connect(refresh_, &QTimer::timeout, this, &InverterSlotsGroup::showLastSeen);
    refresh_->start();
    showSlots();

    // The whole table without scrolling, with room for a full serial number and a date with
    // time beside the slot and the button.
    table_->setFixedHeight(header->sizeHint().height() + InverterSlots::kMaxCount * rowHeight
                           + 2 * table_->frameWidth());
    const int wide = table_->fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00 00:00:00"))
        + kTextMargin;
    table_->setMinimumWidth(header->sectionSizeHint(kSlotColumn) + 2 * wide
                            + table_->cellWidget(0, kClearColumn)->sizeHint().width()
                            + 2 * table_->frameWidth());
}

void InverterSlotsGroup::showSlots()
{
    const QString freeText = text("IDC_SLOTS_FREE");
    for (int row = 0; row < InverterSlots::kMaxCount; ++row) {
        const int slot = row + 1;
        const bool enabled = editor_.isEnabled(slot);
        const Qt::ItemFlags flags = enabled ? Qt::ItemIsEnabled : Qt::NoItemFlags;
        for (int column : {kSlotColumn, kSerialColumn, kLastSeenColumn})
            table_->item(row, column)->setFlags(flags);
        QTableWidgetItem* serial = table_->item(row, kSerialColumn);
        serial->setText(editor_.serialText(slot, freeText));
        QFont font = serial->font();
        font.setItalic(editor_.serial(slot).isEmpty());
        serial->setFont(font);
        table_->cellWidget(row, kClearColumn)->setEnabled(editor_.canClear(slot));
    }
    showLastSeen();
}

void InverterSlotsGroup::showLastSeen()
{
    const QDateTime now = QDateTime::currentDateTime();
    for (int row = 0; row < InverterSlots::kMaxCount; ++row)
        table_->item(row, kLastSeenColumn)->setText(editor_.lastSeenText(row + 1, now));
}

} // namespace veltroma
