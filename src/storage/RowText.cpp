#include "storage/RowText.h"

#include <algorithm>
#include <vector>

namespace veltroma {

namespace {
constexpr QChar kQuote = u'"';
}

QString joinRowText(const QStringList& cells, const QString& separator)
{
    // Every row of a sheet is joined when it is opened: written straight into one allocation.
    qsizetype size = 0;
    for (const QString& cell : cells)
        size += cell.size() + 2 + separator.size();
    if (!cells.isEmpty())
        size -= separator.size();
    QString text(size, Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (i > 0)
            out = std::copy(separator.cbegin(), separator.cend(), out);
        *out++ = kQuote;
        out = std::copy(cells[i].cbegin(), cells[i].cend(), out);
        *out++ = kQuote;
    }
    return text;
}

QStringList splitRowText(const QString& rowText, const QString& separator)
{
    // An empty separator would be found everywhere; such a row can only be one cell.
    if (!separator.isEmpty()) {
        const QString quoted = kQuote + separator + kQuote;
        qsizetype at = rowText.indexOf(quoted);
        if (at >= 0) {
            // Quoted cells: the quotes at the row's two ends go. Every row of a sheet is split
            // on each save, so the cells are cut out once, without intermediate strings.
            std::vector<QStringView> parts;
            const QStringView row(rowText);
            qsizetype from = 0;
            for (; at >= 0; at = rowText.indexOf(quoted, from)) {
                parts.push_back(row.sliced(from, at - from));
                from = at + quoted.size();
            }
            parts.push_back(row.sliced(from));
            parts.front() = parts.front().sliced(std::min<qsizetype>(1, parts.front().size()));
            parts.back().chop(std::min<qsizetype>(1, parts.back().size()));
            QStringList cells;
            cells.reserve(static_cast<qsizetype>(parts.size()));
            for (const QStringView part : parts)
                cells.append(part.toString());
            return cells;
        }
        if (rowText.contains(separator))
            return rowText.split(separator);
    }
    if (rowText.startsWith(kQuote) && rowText.endsWith(kQuote))
        return {rowText.mid(1, rowText.size() - 2)};
    return {rowText};
}

} // namespace veltroma
