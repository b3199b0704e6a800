#pragma once

#include "storage/ByteBuffer.h"

#include <QHash>
#include <QString>

#include <vector>

namespace veltroma {

// The workbook's shared string table: every distinct cell text once, in the order of first
// use, which cells refer to by index.
class SharedStrings {
public:
    void reserve(qsizetype texts) { m_index.reserve(texts); }
    // The index of `text` (not empty), counting one more use.
    std::uint32_t add(const QString& text);

    [[nodiscard]] std::uint32_t uniqueCount() const { return static_cast<std::uint32_t>(m_strings.size()); }
    [[nodiscard]] std::uint32_t useCount() const { return m_uses; }

    // Writes the table record, the continuation records that a long table needs, and the
    // index of stream positions that follows it. `out` must hold the workbook stream from
    // its first byte, since the index records absolute positions.
    void write(ByteWriter& out) const;

private:
    QHash<QString, std::uint32_t> m_index;
    std::vector<QString> m_strings;
    std::uint32_t m_uses = 0;
};

} // namespace veltroma
