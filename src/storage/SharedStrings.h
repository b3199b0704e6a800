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
    // The index of `text` (not empty), added at the end when it is new. Indices once given
    // stay, so cells encoded earlier keep referring to the right texts.
    std::uint32_t add(const QString& text);

    [[nodiscard]] std::uint32_t uniqueCount() const { return static_cast<std::uint32_t>(m_strings.size()); }

    // Writes the table record, the continuation records that a long table needs, and the
    // index of stream positions that follows it. `uses`: how many cells refer to the table.
    // `out` must hold the workbook stream from its first byte, since the index records
    // absolute positions. The records are kept: a later write encodes only the texts added
    // since.
    void write(ByteWriter& out, std::uint32_t uses);

    struct StringStart {
        std::uint32_t position;     // from the start of the table's first record
        std::uint16_t recordOffset; // from the start of the record it begins in
    };

private:
    void encodePending();

    QHash<QString, std::uint32_t> m_index;
    std::vector<QString> m_strings;
    // The table's records as far as encoded, the last one still open for more texts.
    ByteWriter m_records;
    qsizetype m_openRecord = -1;
    std::vector<StringStart> m_starts; // per encoded text
};

} // namespace veltroma
