#include "storage/BiffWriter.h"

#include "storage/BiffRecords.h"
#include "storage/ByteBuffer.h"
#include "storage/SharedStrings.h"

#include <algorithm>
#include <array>
#include <vector>

namespace veltroma {

namespace {

constexpr int kMaxCellText = 32767;
constexpr int kMaxSheetNameLength = 31;
constexpr std::uint16_t kUtf16CodePage = 1200;
constexpr std::uint16_t kTextFormat = 164; // the first number format id free for a workbook's own

// Cell formats written after the fifteen style formats that every workbook carries.
enum XfIndex : std::uint16_t { kDefaultCellXf = 15, kPlainXf = 16, kHeadingXf = 17, kTitleXf = 18 };

std::uint16_t xfFor(CellStyle style)
{
    switch (style) {
    case CellStyle::Heading:
        return kHeadingXf;
    case CellStyle::Title:
        return kTitleXf;
    case CellStyle::Plain:
        break;
    }
    return kPlainXf;
}

void emitRecord(ByteWriter& out, std::uint16_t type, const ByteWriter& body)
{
    out.u16(type);
    out.u16(static_cast<std::uint16_t>(body.size()));
    out.bytes(body.data());
}

void emitU16Record(ByteWriter& out, std::uint16_t type, std::uint16_t value)
{
    out.u16(type);
    out.u16(2);
    out.u16(value);
}

// A Unicode string with a 16-bit or an 8-bit character count, stored uncompressed.
void unicodeString(ByteWriter& body, const QString& text, bool shortCount)
{
    if (shortCount)
        body.u8(static_cast<std::uint8_t>(text.size()));
    else
        body.u16(static_cast<std::uint16_t>(text.size()));
    body.u8(0x01);
    for (const QChar c : text)
        body.u16(c.unicode());
}

void writeFont(ByteWriter& out, std::uint16_t twips, bool bold)
{
    ByteWriter body;
    body.u16(twips);
    body.u16(bold ? 0x0001 : 0); // the bold flag older readers look for; not italic, not struck out
    body.u16(0x7FFF); // automatic colour
    body.u16(bold ? 700 : 400);
    body.u16(0);      // no super- or subscript
    body.u8(0);       // no underline
    body.u8(2);       // swiss family
    body.u8(0);       // ANSI character set
    body.u8(0);
    unicodeString(body, QStringLiteral("Arial"), true);
    emitRecord(out, biff::kFont, body);
}

struct XfFields {
    std::uint16_t font;
    std::uint16_t format;
    bool style;
    std::uint8_t alignment;
    std::uint8_t usedAttributes;
};

void writeXf(ByteWriter& out, const XfFields& xf)
{
    ByteWriter body;
    body.u16(xf.font);
    body.u16(xf.format);
    body.u16(xf.style ? 0xFFF5 : 0x0001); // locked; a style has no parent, a cell format the Normal style
    body.u8(xf.alignment);
    body.u8(0);  // no rotation
    body.u8(0);  // no indent
    body.u8(xf.usedAttributes);
    body.u32(0); // no borders
    body.u32(0); // no fill
    body.u16(0x20C0); // system window colours
    emitRecord(out, biff::kXf, body);
}

void writeFormatsAndStyles(ByteWriter& out)
{
    writeFont(out, 200, false); // fonts 0 to 3; font index 4 does not exist
    writeFont(out, 200, false);
    writeFont(out, 200, false);
    writeFont(out, 200, false);
    writeFont(out, 200, true);  // 5: headings and labels
    writeFont(out, 400, true);  // 6: the cover title

    ByteWriter format;
    format.u16(kTextFormat);
    unicodeString(format, QStringLiteral("@"), false);
    emitRecord(out, biff::kFormat, format);

    constexpr std::uint8_t kBottom = 0x20;
    constexpr std::uint8_t kCentredWrapped = 0x02 | 0x08 | 0x10;
    constexpr std::uint8_t kNumber = 0x04;
    constexpr std::uint8_t kFont = 0x08;
    constexpr std::uint8_t kAlignment = 0x10;
    writeXf(out, {0, 0, true, kBottom, 0x00});
    for (const std::uint16_t font : {1, 1, 2, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})
        writeXf(out, {font, 0, true, kBottom, 0xF4});
    writeXf(out, {0, 0, false, kBottom, 0x00});
    writeXf(out, {0, kTextFormat, false, kBottom, kNumber});
    writeXf(out, {5, kTextFormat, false, kBottom, kNumber | kFont});
    writeXf(out, {6, kTextFormat, false, kCentredWrapped, kNumber | kFont | kAlignment});

    out.u16(biff::kStyle); // the Normal style on format 0
    out.u16(4);
    out.u16(0x8000);
    out.u8(0);
    out.u8(0xFF);
}

void writeBof(ByteWriter& out, std::uint16_t substream)
{
    out.u16(biff::kBof);
    out.u16(16);
    out.u16(biff::kBiff8);
    out.u16(substream);
    out.u16(0x0DBB); // build
    out.u16(0x07CC); // year
    out.u32(0);
    out.u32(0x00000006);
}

void writeEof(ByteWriter& out)
{
    out.u16(biff::kEof);
    out.u16(0);
}

// The globals; returns the positions of the sheet offsets, filled in once the sheets are laid out.
std::vector<qsizetype> writeGlobals(ByteWriter& out, const Workbook& book, SharedStrings& strings,
                                    std::uint32_t uses)
{
    writeBof(out, biff::kGlobalsSubstream);
    emitU16Record(out, biff::kInterfaceHdr, kUtf16CodePage);
    emitU16Record(out, biff::kMms, 0);
    out.u16(biff::kInterfaceEnd);
    out.u16(0);

    ByteWriter access;
    const QString user = QStringLiteral("Veltroma monitor");
    access.u16(static_cast<std::uint16_t>(user.size()));
    access.u8(0);
    for (const QChar c : user)
        access.u8(static_cast<std::uint8_t>(c.unicode()));
    while (access.size() < 112)
        access.u8(' ');
    emitRecord(out, biff::kWriteAccess, access);

    emitU16Record(out, biff::kCodePage, kUtf16CodePage);
    emitU16Record(out, biff::kDsf, 0);
    ByteWriter tabs;
    for (int i = 0; i < book.sheetCount(); ++i)
        tabs.u16(static_cast<std::uint16_t>(i + 1));
    emitRecord(out, biff::kTabId, tabs);
    emitU16Record(out, biff::kFnGroupCount, 14);
    emitU16Record(out, biff::kWindowProtect, 0);
    emitU16Record(out, biff::kProtect, 0);
    emitU16Record(out, biff::kPassword, 0);
    emitU16Record(out, biff::kProt4Rev, 0);
    emitU16Record(out, biff::kProt4RevPass, 0);

    ByteWriter window;
    for (const std::uint16_t v : {0x01E0, 0x005A, 0x3FCF, 0x2A4E, 0x0038, 0, 0, 1, 0x0258})
        window.u16(v); // position, size, scroll bars and tabs shown, first sheet active
    emitRecord(out, biff::kWindow1, window);

    emitU16Record(out, biff::kBackup, 0);
    emitU16Record(out, biff::kHideObj, 0);
    emitU16Record(out, biff::kDateMode, 0);
    emitU16Record(out, biff::kPrecision, 1);
    emitU16Record(out, biff::kRefreshAll, 0);
    emitU16Record(out, biff::kBookBool, 0);
    writeFormatsAndStyles(out);
    emitU16Record(out, biff::kUsesElfs, 1);

    std::vector<qsizetype> offsetFields;
    for (int i = 0; i < book.sheetCount(); ++i) {
        ByteWriter entry;
        entry.u32(0);
        entry.u8(0); // visible
        entry.u8(0); // worksheet
        unicodeString(entry, book.sheet(i).name(), true);
        offsetFields.push_back(out.size() + 4);
        emitRecord(out, biff::kBoundSheet, entry);
    }

    out.u16(biff::kCountry);
    out.u16(4);
    out.u16(1);
    out.u16(1);
    strings.write(out, uses);
    writeEof(out);
    return offsetFields;
}

void writeColumnWidths(ByteWriter& out, const Sheet& sheet)
{
    const auto& widths = sheet.columnWidths();
    for (auto it = widths.begin(); it != widths.end();) {
        auto last = it;
        while (std::next(last) != widths.end() && std::next(last)->first == last->first + 1 &&
               std::next(last)->second == it->second)
            ++last;
        out.u16(biff::kColInfo);
        out.u16(12);
        out.u16(static_cast<std::uint16_t>(it->first));
        out.u16(static_cast<std::uint16_t>(last->first));
        out.u16(static_cast<std::uint16_t>(it->second));
        out.u16(kDefaultCellXf);
        out.u16(0);
        out.u16(0);
        it = std::next(last);
    }
}

// Returns how many cells refer to the shared strings.
std::uint32_t writeCells(ByteWriter& out, const Sheet& sheet, SharedStrings& strings)
{
    std::uint32_t labels = 0;
    for (const StoredRow& row : sheet.rows()) {
        const auto r = static_cast<std::uint16_t>(row.index);
        for (const Cell& cell : row.cells) {
            const auto c = static_cast<std::uint16_t>(cell.column);
            if (!cell.text.isEmpty()) {
                out.u16(biff::kLabelSst);
                out.u16(10);
                out.u16(r);
                out.u16(c);
                out.u16(xfFor(cell.style));
                out.u32(strings.add(cell.text));
                ++labels;
            } else if (cell.style != CellStyle::Plain) {
                out.u16(biff::kBlank);
                out.u16(6);
                out.u16(r);
                out.u16(c);
                out.u16(xfFor(cell.style));
            }
        }
    }
    return labels;
}

void writeMerges(ByteWriter& out, const Sheet& sheet)
{
    constexpr std::size_t kPerRecord = 1026;
    const auto& merges = sheet.merges();
    for (std::size_t first = 0; first < merges.size(); first += kPerRecord) {
        const std::size_t count = std::min(kPerRecord, merges.size() - first);
        out.u16(biff::kMergedCells);
        out.u16(static_cast<std::uint16_t>(2 + 8 * count));
        out.u16(static_cast<std::uint16_t>(count));
        for (std::size_t i = first; i < first + count; ++i) {
            out.u16(static_cast<std::uint16_t>(merges[i].firstRow));
            out.u16(static_cast<std::uint16_t>(merges[i].lastRow));
            out.u16(static_cast<std::uint16_t>(merges[i].firstColumn));
            out.u16(static_cast<std::uint16_t>(merges[i].lastColumn));
        }
    }
}

std::uint32_t writeSheet(ByteWriter& out, const Sheet& sheet, bool firstSheet, SharedStrings& strings)
{
    writeBof(out, biff::kWorksheetSubstream);
    emitU16Record(out, biff::kDefColWidth, 8);
    writeColumnWidths(out, sheet);

    const int rows = sheet.usedRows();
    const int columns = sheet.usedColumns();
    out.u16(biff::kDimensions);
    out.u16(14);
    out.u32(0);
    out.u32(static_cast<std::uint32_t>(rows));
    out.u16(0);
    out.u16(static_cast<std::uint16_t>(rows == 0 ? 0 : columns));
    out.u16(0);

    const std::uint32_t labels = writeCells(out, sheet, strings);

    // Grid, headers, zeros and outline symbols shown; the first sheet selected and shown.
    out.u16(biff::kWindow2);
    out.u16(18);
    out.u16(firstSheet ? 0x06B6 : 0x00B6);
    out.u16(0);  // top row
    out.u16(0);  // left column
    out.u16(64); // automatic grid colour
    out.u16(0);
    out.u16(0);  // page-break preview zoom: default
    out.u16(0);  // normal zoom: default
    out.u32(0);

    writeMerges(out, sheet);
    writeEof(out);
    return labels;
}

} // namespace

bool isValidSheetName(const QString& name)
{
    static const QString kForbidden = QStringLiteral(":\\/?*[]");
    if (name.isEmpty() || name.size() > kMaxSheetNameLength || name.startsWith(u'\'') ||
        name.endsWith(u'\'') || name.compare(QStringLiteral("History"), Qt::CaseInsensitive) == 0)
        return false;
    return std::none_of(name.begin(), name.end(), [](QChar c) {
        return kForbidden.contains(c) || c.unicode() < 0x20;
    });
}

std::optional<QString> workbookLimitError(const Workbook& book)
{
    if (book.sheetCount() == 0)
        return QStringLiteral("A workbook needs at least one sheet");
    if (book.sheetCount() > kMaxSheets)
        return QStringLiteral("A workbook holds at most %1 sheets").arg(kMaxSheets);
    for (int i = 0; i < book.sheetCount(); ++i) {
        const Sheet& sheet = book.sheet(i);
        if (!isValidSheetName(sheet.name()))
            return QStringLiteral("Invalid sheet name \"%1\"").arg(sheet.name());
        if (book.findSheet(sheet.name()) != i)
            return QStringLiteral("Two sheets are named \"%1\"").arg(sheet.name());
        if (sheet.usedRows() > kMaxSheetRows || sheet.usedColumns() > kMaxSheetColumns)
            return QStringLiteral("Sheet \"%1\" goes beyond %2 rows or %3 columns")
                .arg(sheet.name())
                .arg(kMaxSheetRows)
                .arg(kMaxSheetColumns);
        for (const StoredRow& row : sheet.rows()) {
            for (const Cell& cell : row.cells) {
                if (cell.text.size() > kMaxCellText)
                    return QStringLiteral("A cell of sheet \"%1\" holds more than %2 characters")
                        .arg(sheet.name())
                        .arg(kMaxCellText);
            }
        }
    }
    return std::nullopt;
}

QByteArray writeWorkbookStream(const Workbook& book)
{
    return WorkbookEncoder().encode(book);
}

QByteArray WorkbookEncoder::encode(const Workbook& book)
{
    const std::lock_guard lock(m_mutex);
    std::uint32_t uses = 0;
    for (const auto& [sheet, encoded] : m_encoded)
        uses += encoded.labels;
    // Texts that no cell uses any more stay in the table; once they outnumber the used ones
    // by far, everything is encoded afresh.
    if (m_strings.uniqueCount() > 2 * uses + kStaleStringAllowance) {
        m_strings = SharedStrings();
        m_encoded.clear();
    }

    qsizetype newCells = 0;
    for (int i = 0; i < book.sheetCount(); ++i) {
        if (!m_encoded.contains(book.sharedSheet(i).get())) {
            for (const StoredRow& row : book.sheet(i).rows())
                newCells += static_cast<qsizetype>(row.cells.size());
        }
    }
    m_strings.reserve(m_strings.uniqueCount() + newCells);

    std::unordered_map<const Sheet*, EncodedSheet> encoded;
    std::vector<const EncodedSheet*> order;
    for (int i = 0; i < book.sheetCount(); ++i) {
        const std::shared_ptr<const Sheet> sheet = book.sharedSheet(i);
        const bool first = i == 0;
        auto kept = m_encoded.find(sheet.get());
        auto [slot, added] = encoded.try_emplace(sheet.get());
        if (!added) {
            // The same sheet twice: cannot happen through the workbook's own interface, but
            // costs nothing to handle.
            order.push_back(&slot->second);
            continue;
        }
        if (kept != m_encoded.end() && kept->second.first == first) {
            slot->second = std::move(kept->second);
        } else {
            ByteWriter out;
            slot->second.sheet = sheet;
            slot->second.first = first;
            slot->second.labels = writeSheet(out, *sheet, first, m_strings);
            slot->second.bytes = out.take();
        }
        order.push_back(&slot->second);
    }
    m_encoded = std::move(encoded);
    return assemble(book, order, m_strings);
}

QByteArray WorkbookEncoder::assemble(const Workbook& book, const std::vector<const EncodedSheet*>& order,
                                     SharedStrings& strings)
{
    std::uint32_t uses = 0;
    qsizetype sheetBytes = 0;
    for (const EncodedSheet* sheet : order) {
        uses += sheet->labels;
        sheetBytes += sheet->bytes.size();
    }
    ByteWriter out;
    out.reserve(sheetBytes + static_cast<qsizetype>(strings.uniqueCount()) * 16 + 64 * 1024);
    const std::vector<qsizetype> offsetFields = writeGlobals(out, book, strings, uses);
    for (std::size_t i = 0; i < order.size(); ++i) {
        out.patchU32(offsetFields[i], static_cast<std::uint32_t>(out.size()));
        out.bytes(order[i]->bytes);
    }
    return out.take();
}

bool WorkbookEncoder::adopt(const Workbook& book, const EncodedWorkbook& encoded)
{
    const std::lock_guard lock(m_mutex);
    if (encoded.sheets.size() != static_cast<std::size_t>(book.sheetCount()))
        return false;
    for (int i = 0; i < book.sheetCount(); ++i) {
        if (m_encoded.contains(book.sharedSheet(i).get()))
            return false;
    }
    SharedStrings strings;
    strings.reserve(static_cast<qsizetype>(encoded.strings.size()));
    for (std::size_t i = 0; i < encoded.strings.size(); ++i) {
        if (encoded.strings[i].isEmpty() || strings.add(encoded.strings[i]) != i)
            return false; // a table with empty or repeated texts is not ours
    }
    std::unordered_map<const Sheet*, EncodedSheet> sheets;
    std::vector<const EncodedSheet*> order;
    for (int i = 0; i < book.sheetCount(); ++i) {
        const auto& part = encoded.sheets[static_cast<std::size_t>(i)];
        if (part.start < 0 || part.end < part.start || part.end > encoded.stream.size())
            return false;
        auto [slot, added] = sheets.try_emplace(book.sharedSheet(i).get());
        if (!added)
            return false;
        slot->second = {book.sharedSheet(i), encoded.stream.sliced(part.start, part.end - part.start), i == 0,
                        part.labels};
        order.push_back(&slot->second);
    }
    const QByteArray ours = assemble(book, order, strings);
    if (!encoded.stream.startsWith(ours))
        return false;
    m_strings = std::move(strings);
    m_encoded = std::move(sheets);
    return true;
}

} // namespace veltroma
