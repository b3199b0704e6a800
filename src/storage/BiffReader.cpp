#include "storage/BiffReader.h"

#include "storage/BiffRecords.h"
#include "storage/ByteBuffer.h"
#include "storage/NumberText.h"
#include "storage/StringTableReader.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <tuple>

namespace veltroma {

namespace {

constexpr int kTitleTwips = 280; // bold text from 14 points up counts as a title
constexpr std::uint16_t kRString = 0x00D6;

struct Record {
    std::uint16_t type = 0;
    QByteArrayView body;
    qsizetype next = 0;
};

std::optional<Record> recordAt(const ByteReader& in, qsizetype at)
{
    const auto type = in.u16(at);
    const auto length = in.u16(at + 2);
    if (!type || !length)
        return std::nullopt;
    const QByteArrayView body = in.slice(at + 4, *length);
    if (body.size() != *length)
        return std::nullopt;
    return Record{*type, body, at + 4 + *length};
}

std::optional<std::uint16_t> narrowChar(const ByteReader& in, qsizetype at)
{
    if (const auto c = in.u8(at))
        return *c;
    return std::nullopt;
}

// A Unicode string whose character count (8 or 16 bits) starts at `at`, within one record.
std::optional<QString> unicodeString(const ByteReader& in, qsizetype at, bool shortCount)
{
    const auto count = shortCount ? narrowChar(in, at) : in.u16(at);
    qsizetype pos = at + (shortCount ? 1 : 2);
    const auto flags = in.u8(pos++);
    if (!count || !flags)
        return std::nullopt;
    if (*flags & 0x08)
        pos += 2; // formatting run count
    if (*flags & 0x04)
        pos += 4; // phonetic data size
    const bool wide = *flags & 0x01;
    QString text;
    text.reserve(*count);
    for (int i = 0; i < *count; ++i) {
        const auto c = wide ? in.u16(pos + 2 * i) : narrowChar(in, pos + i);
        if (!c)
            return std::nullopt;
        text.append(QChar(*c));
    }
    return text;
}

// The built-in number formats that show a number as a number; the others are dates and
// times, or differ from one language of the spreadsheet program to another.
bool isPlainBuiltInFormat(std::uint16_t index)
{
    return index <= 13 || (index >= 37 && index <= 44) || index == 48 || index == 49;
}

// Whether a workbook's own number format may show a date or a time. Cautious: any letter of
// a date or time part counts, even within quoted text.
bool mayShowDate(const QString& format)
{
    if (format.compare(u"General", Qt::CaseInsensitive) == 0)
        return false;
    return std::any_of(format.begin(), format.end(),
                       [](QChar c) { return QStringView(u"dmyhsDMYHSeEgGbB").contains(c); });
}

// The RK form of a number: 30 bits of an integer or of the top of a double, maybe divided
// by 100.
QString rkText(std::uint32_t rk)
{
    const bool hundredths = rk & 0x01;
    if (rk & 0x02) {
        const auto value = static_cast<std::int32_t>(rk) >> 2;
        return hundredths ? numberText(value / 100.0) : QString::number(value);
    }
    const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCU) << 32;
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return numberText(hundredths ? value / 100 : value);
}

// The cells of a sheet, filled row by row: records come in row order, so a row's cells are
// gathered and stored once. A row that comes again later is merged cell by cell.
class RowFiller {
public:
    // `stored` counts the cells stored, across sheets.
    RowFiller(Sheet& sheet, qint64& stored) : m_sheet(sheet), m_stored(stored) {}
    RowFiller(const RowFiller&) = delete;
    RowFiller& operator=(const RowFiller&) = delete;
    ~RowFiller() { flush(); }

    void put(int row, int column, QString text, CellStyle style)
    {
        if (text.isEmpty() && style == CellStyle::Plain)
            return;
        if (row != m_row) {
            flush();
            m_row = row;
        }
        // Cells mostly come in column order: added at the end, without a search.
        auto cell = m_cells.empty() || m_cells.back().column < column
                        ? m_cells.end()
                        : std::lower_bound(m_cells.begin(), m_cells.end(), column,
                                           [](const Cell& c, int at) { return c.column < at; });
        if (cell == m_cells.end() || cell->column != column) {
            cell = m_cells.insert(cell, Cell{{}, column, CellStyle::Plain});
            ++m_stored;
        }
        if (!text.isEmpty())
            cell->text = std::move(text);
        if (style != CellStyle::Plain)
            cell->style = style;
    }

    void flush()
    {
        if (m_row < 0)
            return;
        m_sheet.putRow(m_row, std::move(m_cells));
        m_cells.clear();
        m_row = -1;
    }

private:
    Sheet& m_sheet;
    qint64& m_stored;
    int m_row = -1;
    std::vector<Cell> m_cells; // ascending columns
};

struct CellFormat {
    CellStyle style = CellStyle::Plain;
    bool dated = false; // numbers in it show as a date or a time
};

class StreamScanner {
public:
    explicit StreamScanner(QByteArrayView stream) : m_in(stream) {}

    std::variant<ScannedWorkbook, ScanFailure> scan()
    {
        const auto bof = recordAt(m_in, 0);
        if (!bof || bof->type != biff::kBof || ByteReader(bof->body).u16(0) != biff::kBiff8)
            return ScanFailure::Unreadable;
        if (!scanGlobals(bof->next))
            return failure();
        // Sheets follow each other in the order of the list; a list that points back into
        // what was read already is damaged (and would make the scan quadratic).
        qsizetype scannedTo = bof->next;
        for (const auto& [start, worksheet, name] : m_sheetList) {
            if (start < scannedTo)
                return ScanFailure::Unreadable;
            if (!worksheet) {
                noteLoss(QStringLiteral("charts or macro sheets"));
                m_book.otherSheets = true;
                scannedTo = start;
                continue;
            }
            ScannedSheet& sheet = m_book.sheets.emplace_back(name);
            sheet.start = start;
            const auto end = scanSheet(sheet);
            if (!end)
                return failure();
            sheet.end = *end;
            scannedTo = *end;
        }
        if (!fitLaidOutCells())
            return ScanFailure::TooLarge;
        return std::move(m_book);
    }

private:
    struct Font {
        int twips;
        bool bold;
    };
    struct ListedSheet {
        qsizetype start;
        bool worksheet;
        QString name;
    };

    ScanFailure failure() const { return m_tooLarge ? ScanFailure::TooLarge : ScanFailure::Unreadable; }

    bool refuseAsTooLarge()
    {
        m_tooLarge = true;
        return false;
    }

    static qint64 laidOut(const Sheet& sheet) { return qint64{sheet.usedRows()} * sheet.usedColumns(); }

    // Keeps the declared used ranges within kMaxLaidOutCells, cutting back the sheets that
    // declare most past their cells first; false when the cells alone spread too far.
    bool fitLaidOutCells()
    {
        struct Excess {
            ScannedSheet* sheet;
            qint64 cells; // what the sheet lays out from its cells alone
            qint64 declared;
        };
        std::vector<Excess> sheets;
        qint64 total = 0;
        qint64 cellsTotal = 0;
        for (ScannedSheet& s : m_book.sheets) {
            const Excess e{&s, qint64{s.sheet.cellRows()} * s.sheet.cellColumns(), laidOut(s.sheet)};
            total += e.declared;
            cellsTotal += e.cells;
            sheets.push_back(e);
        }
        if (cellsTotal > kMaxLaidOutCells)
            return false;
        std::sort(sheets.begin(), sheets.end(),
                  [](const Excess& a, const Excess& b) { return a.declared - a.cells > b.declared - b.cells; });
        for (auto e = sheets.begin(); e != sheets.end() && total > kMaxLaidOutCells; ++e) {
            Sheet& sheet = e->sheet->sheet;
            sheet.setTableExtent(0, 0);
            const int rows = sheet.cellRows();
            const int columns = sheet.cellColumns();
            for (const CellRange& merge : sheet.takeMerges()) {
                if (merge.lastRow < rows && merge.lastColumn < columns)
                    sheet.addMerge(merge);
                else
                    noteLoss(QStringLiteral("merged areas beyond its cells"));
            }
            e->sheet->plainRecords = false;
            total += laidOut(sheet) - e->declared;
        }
        return true;
    }

    bool scanGlobals(qsizetype from)
    {
        std::map<std::uint16_t, QString> formats;
        std::vector<std::pair<std::uint16_t, std::uint16_t>> xfs; // font, format
        std::vector<QByteArrayView> table;
        for (auto r = recordAt(m_in, from);; r = recordAt(m_in, r->next)) {
            if (!r)
                return false;
            const ByteReader body(r->body);
            if (r->type == biff::kEof)
                break;
            if (!table.empty() && r->type != biff::kContinue) {
                if (!readTable(table))
                    return false;
                table.clear();
            }
            switch (r->type) {
            case biff::kFilePass:
                return false;
            case biff::kFont:
                m_fonts.push_back({body.u16(0).value_or(200), body.u16(6).value_or(400) >= 700});
                if (m_fonts.size() == 4)
                    m_fonts.push_back(m_fonts.back()); // font index 4 does not exist in the file
                break;
            case biff::kFormat:
                formats[body.u16(0).value_or(0)] = unicodeString(body, 2, false).value_or(QString());
                break;
            case biff::kXf:
                xfs.emplace_back(body.u16(0).value_or(0), body.u16(2).value_or(0));
                break;
            case biff::kBoundSheet: {
                if (m_sheetList.size() >= static_cast<std::size_t>(kMaxSheets))
                    return refuseAsTooLarge();
                auto name = unicodeString(body, 6, true);
                if (!name)
                    return false;
                m_sheetList.push_back({body.u32(0).value_or(0), body.u8(5).value_or(0) == 0, std::move(*name)});
                break;
            }
            case biff::kSst:
                // Every text of the table becomes a string in memory, however short it is.
                if (body.u32(4).value_or(0) > kMaxReadCells)
                    return refuseAsTooLarge();
                table.push_back(r->body);
                break;
            case biff::kContinue:
                if (!table.empty())
                    table.push_back(r->body);
                break;
            default:
                break;
            }
        }
        if (!table.empty() && !readTable(table))
            return false;
        for (const auto& [font, format] : xfs) {
            const auto custom = formats.find(format);
            const bool dated = custom != formats.end() ? mayShowDate(custom->second) : !isPlainBuiltInFormat(format);
            m_formats.push_back({styleOfFont(font), dated});
        }
        return true;
    }

    bool readTable(std::span<const QByteArrayView> records)
    {
        auto texts = readStringTable(records);
        if (!texts)
            return false;
        m_book.strings = std::move(*texts);
        return true;
    }

    CellStyle styleOfFont(std::uint16_t font) const
    {
        if (font >= m_fonts.size() || !m_fonts[font].bold)
            return CellStyle::Plain;
        return m_fonts[font].twips >= kTitleTwips ? CellStyle::Title : CellStyle::Heading;
    }

    CellFormat format(std::uint16_t xf) const { return xf < m_formats.size() ? m_formats[xf] : CellFormat{}; }

    void noteLoss(const QString& what)
    {
        if (!m_book.lostOnSave.contains(what))
            m_book.lostOnSave += (m_book.lostOnSave.isEmpty() ? QString() : QStringLiteral(", ")) + what;
    }

    static bool isPlainRecord(std::uint16_t type)
    {
        switch (type) {
        case biff::kDefColWidth:
        case biff::kColInfo:
        case biff::kDimensions:
        case biff::kLabelSst:
        case biff::kBlank:
        case biff::kWindow2:
        case biff::kMergedCells:
            return true;
        default:
            return false;
        }
    }

    static bool isCellRecord(std::uint16_t type)
    {
        switch (type) {
        case biff::kLabelSst:
        case biff::kLabel:
        case kRString:
        case biff::kNumber:
        case biff::kRk:
        case biff::kMulRk:
        case biff::kBlank:
        case biff::kMulBlank:
        case biff::kBoolErr:
        case biff::kFormula:
            return true;
        default:
            return false;
        }
    }

    void putNumber(ScannedSheet& sheet, RowFiller& cells, int row, int column, std::uint16_t xf, QString text)
    {
        const CellFormat f = format(xf);
        if (f.dated)
            sheet.datedNumbers.emplace_back(row, column);
        cells.put(row, column, std::move(text), f.style);
    }

    // Where the sheet's substream ends, or nothing when it is damaged.
    std::optional<qsizetype> scanSheet(ScannedSheet& scanned)
    {
        const auto bof = recordAt(m_in, scanned.start);
        if (!bof || bof->type != biff::kBof)
            return std::nullopt;
        Sheet& sheet = scanned.sheet;
        RowFiller cells(sheet, m_storedCells);
        int depth = 0; // embedded chart substreams nest their own BOF and EOF
        // The cell whose formula result follows in a string record; row -1: none.
        int pendingRow = -1;
        int pendingColumn = 0;
        std::uint16_t pendingXf = 0;
        for (auto r = recordAt(m_in, bof->next);; r = recordAt(m_in, r->next)) {
            if (!r)
                return std::nullopt;
            if (m_storedCells > kMaxReadCells) {
                refuseAsTooLarge();
                return std::nullopt;
            }
            if (r->type == biff::kBof) {
                noteLoss(QStringLiteral("charts or drawings"));
                scanned.plainRecords = false;
                ++depth;
                continue;
            }
            if (r->type == biff::kEof) {
                if (depth-- == 0)
                    return r->next;
                continue;
            }
            if (depth > 0)
                continue;
            scanned.plainRecords = scanned.plainRecords && isPlainRecord(r->type);
            const ByteReader body(r->body);
            const int row = body.u16(0).value_or(0);
            const int column = body.u16(2).value_or(0);
            const std::uint16_t xf = body.u16(4).value_or(0);
            if (isCellRecord(r->type) && column >= kMaxSheetColumns)
                continue; // beyond the last column a workbook can have: damaged, left out
            switch (r->type) {
            case biff::kDimensions: {
                const auto rows = body.u32(4).value_or(0);
                const int columns = body.u16(10).value_or(0);
                if (rows > static_cast<std::uint32_t>(kMaxSheetRows) || columns > kMaxSheetColumns)
                    return std::nullopt;
                sheet.setTableExtent(static_cast<int>(rows), columns);
                break;
            }
            case biff::kMergedCells:
                for (qsizetype at = 2; at + 8 <= r->body.size(); at += 8) {
                    const CellRange range{*body.u16(at), *body.u16(at + 2), *body.u16(at + 4), *body.u16(at + 6)};
                    if (range.firstRow <= range.lastRow && range.firstColumn <= range.lastColumn &&
                        range.lastColumn < kMaxSheetColumns)
                        sheet.addMerge(range);
                }
                break;
            case biff::kColInfo:
                for (int c = row; c <= std::min(column, kMaxSheetColumns - 1); ++c)
                    sheet.setColumnWidth(c, body.u16(4).value_or(0));
                break;
            case biff::kLabelSst: {
                const auto index = body.u32(6);
                if (!index || *index >= m_book.strings.size())
                    return std::nullopt;
                cells.put(row, column, m_book.strings[*index], format(xf).style);
                ++scanned.labels;
                break;
            }
            case biff::kLabel:
            case kRString: {
                auto text = unicodeString(body, 6, false);
                if (!text)
                    return std::nullopt;
                cells.put(row, column, std::move(*text), format(xf).style);
                break;
            }
            case biff::kNumber:
                putNumber(scanned, cells, row, column, xf, numberText(body.f64(6).value_or(0.0)));
                break;
            case biff::kRk:
                putNumber(scanned, cells, row, column, xf, rkText(body.u32(6).value_or(0)));
                break;
            case biff::kMulRk: {
                const qsizetype count = (r->body.size() - 6) / 6;
                for (qsizetype i = 0; i < count && column + i < kMaxSheetColumns; ++i)
                    putNumber(scanned, cells, row, column + static_cast<int>(i), body.u16(4 + 6 * i).value_or(0),
                              rkText(body.u32(6 + 6 * i).value_or(0)));
                break;
            }
            case biff::kBlank:
                cells.put(row, column, QString(), format(xf).style);
                break;
            case biff::kMulBlank: {
                const qsizetype count = (r->body.size() - 6) / 2;
                for (qsizetype i = 0; i < count && column + i < kMaxSheetColumns; ++i)
                    cells.put(row, column + static_cast<int>(i), QString(),
                              format(body.u16(4 + 2 * i).value_or(0)).style);
                break;
            }
            case biff::kBoolErr: {
                const bool error = body.u8(7).value_or(0) != 0;
                cells.put(row, column, error ? QString() : QString::number(body.u8(6).value_or(0) ? 1 : 0),
                          format(xf).style);
                break;
            }
            case biff::kFormula: {
                noteLoss(QStringLiteral("formulas"));
                pendingRow = -1;
                const CellStyle style = format(xf).style;
                if (body.u16(12) != 0xFFFF)
                    cells.put(row, column, numberText(body.f64(6).value_or(0.0)), style);
                else if (body.u8(6) == 0)
                    std::tie(pendingRow, pendingColumn, pendingXf) = std::tuple(row, column, xf);
                else if (body.u8(6) == 1)
                    cells.put(row, column, body.u8(8).value_or(0) ? QStringLiteral("1") : QStringLiteral("0"), style);
                else
                    cells.put(row, column, QString(), style);
                break;
            }
            case biff::kString:
                if (pendingRow >= 0) {
                    cells.put(pendingRow, pendingColumn, unicodeString(body, 0, false).value_or(QString()),
                              format(pendingXf).style);
                    pendingRow = -1;
                }
                break;
            case biff::kObj: // a drawing container alone, as some programs write it, holds nothing
            case biff::kNote:
                noteLoss(QStringLiteral("charts or drawings"));
                break;
            default:
                break;
            }
        }
    }

    ByteReader m_in;
    ScannedWorkbook m_book;
    qint64 m_storedCells = 0;
    bool m_tooLarge = false;
    std::vector<ListedSheet> m_sheetList;
    std::vector<Font> m_fonts;
    std::vector<CellFormat> m_formats;
};

} // namespace

std::variant<ScannedWorkbook, ScanFailure> scanWorkbookStream(QByteArrayView stream)
{
    return StreamScanner(stream).scan();
}

bool claimsTooMuch(QByteArrayView stream)
{
    constexpr std::uint16_t kOldDimensions = 0x0000; // the DIMENSIONS record of the first version
    const ByteReader in(stream);
    qint64 laidOut = 0;
    qint64 sheets = 0;
    for (auto r = recordAt(in, 0); r; r = recordAt(in, r->next)) {
        const ByteReader body(r->body);
        switch (r->type) {
        case biff::kDimensions:
        case kOldDimensions: {
            // Row counts are 32 bits wide in BIFF8 (14 bytes), 16 bits before.
            const bool wide = r->body.size() >= 14;
            const qint64 rows = wide ? body.u32(4).value_or(0) : body.u16(2).value_or(0);
            laidOut += rows * body.u16(wide ? 10 : 6).value_or(0);
            if (laidOut > kMaxLaidOutCells)
                return true;
            break;
        }
        case biff::kSst:
            if (body.u32(4).value_or(0) > kMaxReadCells)
                return true;
            break;
        case biff::kBoundSheet:
            if (++sheets > kMaxSheets)
                return true;
            break;
        default:
            break;
        }
    }
    return false;
}

} // namespace veltroma
