#include "storage/XlsReader.h"

#include "storage/BiffReader.h"
#include "storage/CompoundFile.h"
#include "storage/NumberText.h"

#include <freexl.h>

#include <algorithm>
#include <memory>
#include <optional>
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

QString tooLarge()
{
    return QStringLiteral("it holds or claims more than this program reads: at most %L1 cells with a value, "
                          "%L2 cells laid out and %L3 sheets")
        .arg(kMaxReadCells)
        .arg(kMaxLaidOutCells)
        .arg(kMaxSheets);
}

QString cellText(const FreeXL_CellValue& value)
{
    switch (value.type) {
    case FREEXL_CELL_INT:
        return QString::number(value.value.int_value);
    case FREEXL_CELL_DOUBLE:
        return numberText(value.value.double_value);
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME:
        return QString::fromUtf8(value.value.text_value);
    default:
        return {};
    }
}

// A whole sheet from the value reader, for formats and sheets the stream scan does not read.
std::variant<Sheet, QString> readSheet(const void* handle, const QString& name)
{
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (const int rc = freexl_worksheet_dimensions(handle, &rows, &columns); rc != FREEXL_OK)
        return describeFreeXlError(rc);
    if (rows > static_cast<unsigned int>(kMaxSheetRows) || columns > kMaxSheetColumns)
        return QStringLiteral("sheet \"%1\" is larger than a workbook sheet can be").arg(name);
    if (qint64{rows} * columns > kMaxLaidOutCells)
        return tooLarge();

    Sheet sheet(name);
    sheet.setTableExtent(static_cast<int>(rows), columns);
    for (unsigned int r = 0; r < rows; ++r) {
        for (unsigned short c = 0; c < columns; ++c) {
            FreeXL_CellValue value;
            if (const int rc = freexl_get_cell_value(handle, r, c, &value); rc != FREEXL_OK)
                return describeFreeXlError(rc);
            sheet.setText(static_cast<int>(r), c, cellText(value));
        }
    }
    return sheet;
}

// The dates and times of a scanned sheet as the value reader renders them.
void renderDates(const void* handle, ScannedSheet& scanned)
{
    for (const auto& [row, column] : scanned.datedNumbers) {
        FreeXL_CellValue value;
        if (freexl_get_cell_value(handle, static_cast<unsigned int>(row), static_cast<unsigned short>(column),
                                  &value) == FREEXL_OK)
            scanned.sheet.setText(row, column, cellText(value));
    }
}

// The scanned sheet of that name, taken out of `scanned`.
std::optional<ScannedSheet> takeScanned(std::vector<ScannedSheet>* scanned, const QString& name)
{
    if (!scanned)
        return std::nullopt;
    const auto match = std::find_if(scanned->begin(), scanned->end(),
                                    [&](const ScannedSheet& s) { return s.sheet.name() == name; });
    if (match == scanned->end())
        return std::nullopt;
    ScannedSheet sheet = std::move(*match);
    scanned->erase(match);
    return sheet;
}

// The sheets as the value reader lists them: the scanned ones with their dates rendered,
// the others (older formats, charts) read by the value reader alone.
std::variant<Workbook, QString> readWithValueReader(const QByteArray& nativePath, std::vector<ScannedSheet>* scanned)
{
    const void* raw = nullptr;
    const int rc = freexl_open(nativePath.constData(), &raw);
    const FreeXlHandle handle(raw);
    if (rc != FREEXL_OK)
        return describeFreeXlError(rc);
    Workbook book;
    for (unsigned short i = 0;; ++i) {
        const char* utf8Name = nullptr;
        if (freexl_get_worksheet_name(raw, i, &utf8Name) != FREEXL_OK)
            break;
        if (const int selected = freexl_select_active_worksheet(raw, i); selected != FREEXL_OK)
            return describeFreeXlError(selected);
        const QString name = QString::fromUtf8(utf8Name);
        if (auto match = takeScanned(scanned, name)) {
            renderDates(raw, *match);
            book.appendSheet(std::move(match->sheet));
            continue;
        }
        auto sheet = readSheet(raw, name);
        if (auto* error = std::get_if<QString>(&sheet))
            return *error;
        book.appendSheet(std::move(std::get<Sheet>(sheet)));
    }
    return book;
}

// The stream as our writer left it, when nothing in it is beyond what the writer writes.
std::shared_ptr<const EncodedWorkbook> encodedByOurWriter(const QByteArray& stream, ScannedWorkbook& scanned)
{
    const bool plain = std::all_of(scanned.sheets.begin(), scanned.sheets.end(),
                                   [](const ScannedSheet& s) { return s.plainRecords; });
    if (!plain || !scanned.lostOnSave.isEmpty() || scanned.otherSheets)
        return nullptr;
    auto encoded = std::make_shared<EncodedWorkbook>();
    encoded->stream = stream;
    encoded->strings = std::move(scanned.strings);
    for (const ScannedSheet& s : scanned.sheets)
        encoded->sheets.push_back({s.start, s.end, s.labels});
    return encoded;
}

} // namespace

std::variant<ReadWorkbook, QString> readXlsWorkbook(const QByteArray& nativePath, const QByteArray& content)
{
    const auto stream = readWorkbookStream(content);
    if (!stream)
        return QStringLiteral("its container is damaged or holds no workbook");
    auto scan = scanWorkbookStream(*stream);
    auto* scanned = std::get_if<ScannedWorkbook>(&scan);
    if (!scanned && std::get<ScanFailure>(scan) == ScanFailure::TooLarge)
        return tooLarge();

    ReadWorkbook read;
    const bool datesInside = scanned && std::any_of(scanned->sheets.begin(), scanned->sheets.end(),
                                                    [](const ScannedSheet& s) { return !s.datedNumbers.empty(); });
    if (scanned && !datesInside && !scanned->otherSheets) {
        for (ScannedSheet& s : scanned->sheets)
            read.file.book.appendSheet(std::move(s.sheet));
        read.file.lostOnSave = scanned->lostOnSave;
        read.encoded = encodedByOurWriter(*stream, *scanned);
    } else {
        // The value reader takes the file's counts at their word: it lays every sheet out by
        // its DIMENSIONS record, whatever the cells.
        if (claimsTooMuch(*stream))
            return tooLarge();
        auto book = readWithValueReader(nativePath, scanned ? &scanned->sheets : nullptr);
        if (auto* error = std::get_if<QString>(&book))
            return *error;
        read.file.book = std::move(std::get<Workbook>(book));
        read.file.lostOnSave =
            scanned ? scanned->lostOnSave : QStringLiteral("the formatting of an older file format");
    }
    if (read.file.book.sheetCount() == 0)
        return QStringLiteral("it holds no sheet");
    return read;
}

} // namespace veltroma
