#include "storage/BiffLayout.h"

#include "storage/BiffRecords.h"
#include "storage/ByteBuffer.h"
#include "storage/NumberText.h"

#include <algorithm>

namespace veltroma {

namespace {

constexpr int kTitleTwips = 280; // bold text from 14 points up counts as a title

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

// A Unicode string whose character count (8 or 16 bits) starts at `at`.
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

class LayoutScanner {
public:
    explicit LayoutScanner(QByteArrayView stream) : m_in(stream) {}

    std::optional<WorkbookLayout> scan()
    {
        const auto bof = recordAt(m_in, 0);
        if (!bof || bof->type != biff::kBof || ByteReader(bof->body).u16(0) != biff::kBiff8)
            return std::nullopt;
        std::vector<std::pair<std::uint32_t, bool>> sheetStarts;
        for (auto r = recordAt(m_in, bof->next); ; r = recordAt(m_in, r->next)) {
            if (!r)
                return std::nullopt;
            const ByteReader body(r->body);
            if (r->type == biff::kEof)
                break;
            if (r->type == biff::kFilePass)
                return std::nullopt;
            if (r->type == biff::kFont)
                addFont(body);
            else if (r->type == biff::kXf)
                m_xfStyles.push_back(styleOfFont(body.u16(0).value_or(0)));
            else if (r->type == biff::kBoundSheet) {
                const auto name = unicodeString(body, 6, true);
                if (!name)
                    return std::nullopt;
                m_layout.sheets.push_back(SheetLayout{*name, {}, {}, {}, {}});
                sheetStarts.emplace_back(body.u32(0).value_or(0), body.u8(5).value_or(0) == 0);
            }
        }
        // Sheets follow each other in the order of the list; a list that points back into
        // what was read already is damaged (and would make the scan quadratic).
        qsizetype scannedTo = bof->next;
        for (std::size_t i = 0; i < sheetStarts.size(); ++i) {
            if (sheetStarts[i].first < scannedTo)
                return std::nullopt;
            if (!sheetStarts[i].second) {
                noteLoss(QStringLiteral("charts or macro sheets"));
                scannedTo = sheetStarts[i].first;
                continue;
            }
            const auto end = scanSheet(sheetStarts[i].first, m_layout.sheets[i]);
            if (!end)
                return std::nullopt;
            scannedTo = *end;
        }
        return std::move(m_layout);
    }

private:
    struct Font {
        int twips;
        bool bold;
    };

    void addFont(const ByteReader& body)
    {
        m_fonts.push_back({body.u16(0).value_or(200), body.u16(6).value_or(400) >= 700});
        if (m_fonts.size() == 4)
            m_fonts.push_back(m_fonts.back()); // font index 4 does not exist in the file
    }

    CellStyle styleOfFont(std::uint16_t font) const
    {
        if (font >= m_fonts.size() || !m_fonts[font].bold)
            return CellStyle::Plain;
        return m_fonts[font].twips >= kTitleTwips ? CellStyle::Title : CellStyle::Heading;
    }

    void noteStyle(SheetLayout& sheet, int row, int column, std::uint16_t xf) const
    {
        if (xf < m_xfStyles.size() && m_xfStyles[xf] != CellStyle::Plain)
            sheet.styledCells.push_back({row, column, m_xfStyles[xf]});
    }

    void noteLoss(const QString& what)
    {
        if (!m_layout.lostOnSave.contains(what))
            m_layout.lostOnSave += (m_layout.lostOnSave.isEmpty() ? QString() : QStringLiteral(", ")) + what;
    }

    // Where the sheet's substream ends, or nothing when it is damaged.
    std::optional<qsizetype> scanSheet(std::uint32_t start, SheetLayout& sheet)
    {
        const auto bof = recordAt(m_in, start);
        if (!bof || bof->type != biff::kBof)
            return std::nullopt;
        int depth = 0; // embedded chart substreams nest their own BOF and EOF
        // The cell whose formula result follows in a string record; row -1: none.
        CellText pendingString{-1, 0, {}};
        for (auto r = recordAt(m_in, bof->next); ; r = recordAt(m_in, r->next)) {
            if (!r)
                return std::nullopt;
            if (r->type == biff::kBof) {
                noteLoss(QStringLiteral("charts or drawings"));
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
            const ByteReader body(r->body);
            const int row = body.u16(0).value_or(0);
            const int column = body.u16(2).value_or(0);
            switch (r->type) {
            case biff::kMergedCells:
                for (qsizetype at = 2; at + 8 <= r->body.size(); at += 8) {
                    const CellRange range{*body.u16(at), *body.u16(at + 2), *body.u16(at + 4), *body.u16(at + 6)};
                    if (range.firstRow <= range.lastRow && range.firstColumn <= range.lastColumn &&
                        range.lastColumn < kMaxSheetColumns)
                        sheet.merges.push_back(range);
                }
                break;
            case biff::kColInfo:
                for (int c = row; c <= std::min(column, kMaxSheetColumns - 1); ++c)
                    sheet.columnWidths[c] = body.u16(4).value_or(0);
                break;
            case biff::kLabelSst:
            case biff::kLabel:
            case biff::kNumber:
            case biff::kRk:
            case biff::kBlank:
                noteStyle(sheet, row, column, body.u16(4).value_or(0));
                break;
            case biff::kBoolErr:
                noteStyle(sheet, row, column, body.u16(4).value_or(0));
                if (body.u8(7).value_or(0) != 0)
                    sheet.texts.push_back({row, column, QString()});
                break;
            case biff::kMulBlank:
            case biff::kMulRk: {
                const qsizetype step = r->type == biff::kMulRk ? 6 : 2;
                const qsizetype count = (r->body.size() - 6) / step;
                for (qsizetype i = 0; i < count; ++i)
                    noteStyle(sheet, row, column + static_cast<int>(i), body.u16(4 + step * i).value_or(0));
                break;
            }
            case biff::kFormula:
                noteLoss(QStringLiteral("formulas"));
                noteStyle(sheet, row, column, body.u16(4).value_or(0));
                pendingString.row = -1;
                if (body.u16(12) != 0xFFFF)
                    sheet.texts.push_back({row, column, numberText(body.f64(6).value_or(0.0))});
                else if (body.u8(6) == 0)
                    pendingString = {row, column, {}};
                else if (body.u8(6) == 1)
                    sheet.texts.push_back({row, column, body.u8(8).value_or(0) ? QStringLiteral("1") : QStringLiteral("0")});
                else
                    sheet.texts.push_back({row, column, QString()});
                break;
            case biff::kString:
                if (pendingString.row >= 0) {
                    pendingString.text = unicodeString(body, 0, false).value_or(QString());
                    sheet.texts.push_back(pendingString);
                    pendingString.row = -1;
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
    WorkbookLayout m_layout;
    std::vector<Font> m_fonts;
    std::vector<CellStyle> m_xfStyles;
};

} // namespace

std::optional<WorkbookLayout> scanWorkbookLayout(QByteArrayView stream)
{
    return LayoutScanner(stream).scan();
}

} // namespace veltroma
