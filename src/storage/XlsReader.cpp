#include "storage/XlsReader.h"

#include "storage/BiffLayout.h"
#include "storage/CompoundFile.h"
#include "storage/NumberText.h"

#include <freexl.h>

#include <memory>
#include <cstdint>
#include <vector>

namespace veltroma {

namespace {

struct FreeXlClose {
    void operator()(const void* handle) const { freexl_close(handle); }
};
using FreeXlHandle = std::unique_ptr<const void, FreeXlClose>;

QString describeFreeXlError(int code)
{
    switch (code) {
    case FREEXL_FILE_NOT_FOUND:
        return QStringLiteral("the file cannot be read");
    case FREEXL_INSUFFICIENT_MEMORY:
        return QStringLiteral("not enough memory");
    case FREEXL_INVALID_CFBF_HEADER:
    case FREEXL_CFBF_INVALID_SIGNATURE:
    case FREEXL_CFBF_INVALID_SECTOR_SIZE:
        return QStringLiteral("it is not an Excel 97-2003 workbook");
    case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
        return QStringLiteral("it holds no workbook");
    case FREEXL_BIFF_INVALID_SST:
    case FREEXL_BIFF_ILLEGAL_SST_INDEX:
        return QStringLiteral("its shared strings are damaged");
    default:
        return QStringLiteral("it is damaged (reader error %1)").arg(code);
    }
}

// The texts of the shared-string table as QStrings, each decoded once: the value reader
// hands out the same pointer for every cell that refers to the same entry. An open-addressed
// table keyed by that pointer; a month has tens of thousands of distinct texts, looked up
// once per cell.
class SharedTexts {
public:
    explicit SharedTexts(const void* handle)
    {
        unsigned int count = 0;
        if (freexl_get_info(handle, FREEXL_BIFF_STRING_COUNT, &count) != FREEXL_OK)
            count = 0;
        std::size_t size = 64;
        while (size < 2 * static_cast<std::size_t>(count))
            size *= 2;
        m_slots.resize(size);
    }

    const QString& text(const char* utf8)
    {
        if (2 * (m_used + 1) > m_slots.size())
            grow();
        Slot& slot = find(utf8);
        if (!slot.key) {
            slot.key = utf8;
            slot.text = QString::fromUtf8(utf8);
            ++m_used;
        }
        return slot.text;
    }

private:
    struct Slot {
        const char* key = nullptr;
        QString text;
    };

    Slot& find(const char* key)
    {
        const std::size_t mask = m_slots.size() - 1;
        // The reader allocates the texts one after the other, and cells mostly follow the
        // table's order: keeping neighbouring addresses in neighbouring slots keeps the lookups
        // in the cache. The low bits only reflect the allocation's alignment.
        std::size_t i = (reinterpret_cast<std::uintptr_t>(key) >> 4) & mask;
        while (m_slots[i].key && m_slots[i].key != key)
            i = (i + 1) & mask;
        return m_slots[i];
    }

    void grow()
    {
        std::vector<Slot> old(m_slots.size() * 2);
        old.swap(m_slots);
        for (Slot& slot : old) {
            if (slot.key)
                find(slot.key) = std::move(slot);
        }
    }

    std::vector<Slot> m_slots;
    std::size_t m_used = 0;
};

QString cellText(const FreeXL_CellValue& value, SharedTexts& shared)
{
    switch (value.type) {
    case FREEXL_CELL_SST_TEXT:
        return shared.text(value.value.text_value);
    case FREEXL_CELL_INT:
        return QString::number(value.value.int_value);
    case FREEXL_CELL_DOUBLE:
        return numberText(value.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME:
        return QString::fromUtf8(value.value.text_value);
    default:
        return {};
    }
}

std::variant<Sheet, QString> readSheet(const void* handle, unsigned short index, const QString& name,
                                       SharedTexts& shared)
{
    int rc = freexl_select_active_worksheet(handle, index);
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (rc == FREEXL_OK)
        rc = freexl_worksheet_dimensions(handle, &rows, &columns);
    if (rc != FREEXL_OK)
        return describeFreeXlError(rc);
    if (rows > static_cast<unsigned int>(kMaxSheetRows) || columns > kMaxSheetColumns)
        return QStringLiteral("sheet \"%1\" is larger than a workbook sheet can be").arg(name);

    Sheet sheet(name);
    sheet.setTableExtent(static_cast<int>(rows), columns);
    for (unsigned int r = 0; r < rows; ++r) {
        std::vector<Cell> cells;
        for (unsigned short c = 0; c < columns; ++c) {
            FreeXL_CellValue value;
            rc = freexl_get_cell_value(handle, r, c, &value);
            if (rc != FREEXL_OK)
                return describeFreeXlError(rc);
            if (value.type == FREEXL_CELL_NULL)
                continue;
            QString text = cellText(value, shared);
            if (text.isEmpty())
                continue;
            if (cells.empty())
                cells.reserve(columns);
            cells.resize(c);
            cells.push_back({std::move(text), CellStyle::Plain});
        }
        if (!cells.empty())
            sheet.setRow(static_cast<int>(r), std::move(cells));
    }
    return sheet;
}

void applyLayout(Sheet& sheet, const SheetLayout& layout)
{
    for (const CellRange& merge : layout.merges)
        sheet.addMerge(merge);
    for (const auto& [column, width] : layout.columnWidths)
        sheet.setColumnWidth(column, width);
    for (const StyledCell& styled : layout.styledCells)
        sheet.setStyle(styled.row, styled.column, styled.style);
    for (const CellText& cell : layout.texts)
        sheet.setText(cell.row, cell.column, cell.text);
}

} // namespace

std::variant<WorkbookFile, QString> readXlsWorkbook(const QByteArray& nativePath, const QByteArray& content)
{
    const void* raw = nullptr;
    const int rc = freexl_open(nativePath.constData(), &raw);
    const FreeXlHandle handle(raw);
    if (rc != FREEXL_OK)
        return describeFreeXlError(rc);

    std::optional<WorkbookLayout> layout;
    if (const auto stream = readWorkbookStream(content))
        layout = scanWorkbookLayout(*stream);

    WorkbookFile file;
    file.lostOnSave = layout ? layout->lostOnSave : QStringLiteral("the formatting of an older file format");
    SharedTexts shared(raw);
    for (unsigned short i = 0;; ++i) {
        const char* utf8Name = nullptr;
        if (freexl_get_worksheet_name(raw, i, &utf8Name) != FREEXL_OK)
            break;
        const QString name = QString::fromUtf8(utf8Name);
        auto sheet = readSheet(raw, i, name, shared);
        if (auto* error = std::get_if<QString>(&sheet))
            return *error;
        if (layout && i < layout->sheets.size() && layout->sheets[i].name == name)
            applyLayout(std::get<Sheet>(sheet), layout->sheets[i]);
        file.book.appendSheet(std::move(std::get<Sheet>(sheet)));
    }
    if (file.book.sheetCount() == 0)
        return QStringLiteral("it holds no sheet");
    return file;
}

} // namespace veltroma
