#include "storage/SharedStrings.h"

#include "storage/BiffRecords.h"

#include <algorithm>

namespace veltroma {

namespace {

// Strings whose characters all fit in one byte are stored with one byte per character.
bool fitsOneByte(const QString& text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xFF; });
}

// Records of at most the size limit; the last one stays open for more data.
class TableWriter {
public:
    TableWriter(ByteWriter& out, qsizetype& openRecord) : m_out(out), m_openRecord(openRecord)
    {
        if (m_openRecord < 0)
            startRecord(biff::kSst);
    }
    ~TableWriter() { m_out.patchU16(m_openRecord + 2, static_cast<std::uint16_t>(used())); }
    TableWriter(const TableWriter&) = delete;
    TableWriter& operator=(const TableWriter&) = delete;

    [[nodiscard]] qsizetype room() const { return biff::kMaxRecordData - used(); }
    [[nodiscard]] qsizetype used() const { return m_out.size() - m_openRecord - 4; }

    void continueRecord()
    {
        m_out.patchU16(m_openRecord + 2, static_cast<std::uint16_t>(used()));
        startRecord(biff::kContinue);
    }

    SharedStrings::StringStart position() const
    {
        return {static_cast<std::uint32_t>(m_out.size()), static_cast<std::uint16_t>(used() + 4)};
    }

private:
    void startRecord(std::uint16_t type)
    {
        m_openRecord = m_out.size();
        m_out.u16(type);
        m_out.u16(0);
    }

    ByteWriter& m_out;
    qsizetype& m_openRecord;
};

} // namespace

std::uint32_t SharedStrings::add(const QString& text)
{
    if (const auto it = m_index.constFind(text); it != m_index.cend())
        return it.value();
    const std::uint32_t index = uniqueCount();
    m_index.insert(text, index);
    m_strings.push_back(text);
    return index;
}

// Writes the texts added since the last write. A string never starts without room for its
// header and first character, and a string cut at a record end continues after a fresh
// option byte, split between whole characters: readers that assume either would otherwise
// go astray.
void SharedStrings::encodePending()
{
    const bool fresh = m_openRecord < 0;
    TableWriter table(m_records, m_openRecord);
    if (fresh) {
        m_records.u32(0); // uses and unique count, filled in when the table is written out
        m_records.u32(0);
    }
    for (std::size_t i = m_starts.size(); i < m_strings.size(); ++i) {
        const QString& text = m_strings[i];
        const bool narrow = fitsOneByte(text);
        const qsizetype width = narrow ? 1 : 2;
        if (table.room() < 3 + width)
            table.continueRecord();
        m_starts.push_back(table.position());
        m_records.u16(static_cast<std::uint16_t>(text.size()));
        m_records.u8(narrow ? 0x00 : 0x01);
        qsizetype next = 0;
        for (;;) {
            const qsizetype take = std::min<qsizetype>(table.room() / width, text.size() - next);
            for (qsizetype k = next; k < next + take; ++k) {
                if (narrow)
                    m_records.u8(static_cast<std::uint8_t>(text[k].unicode()));
                else
                    m_records.u16(text[k].unicode());
            }
            next += take;
            if (next == text.size())
                break;
            table.continueRecord();
            m_records.u8(narrow ? 0x00 : 0x01);
        }
    }
}

void SharedStrings::write(ByteWriter& out, std::uint32_t uses)
{
    encodePending();
    const qsizetype base = out.size();
    out.bytes(m_records.data());
    out.patchU32(base + 4, uses);
    out.patchU32(base + 8, uniqueCount());

    // Excel keeps at most 128 buckets of at least 8 strings each.
    const std::uint32_t count = uniqueCount();
    const std::uint32_t bucketSize = std::max<std::uint32_t>(8, (count + 127) / 128);
    const std::uint32_t buckets = (count + bucketSize - 1) / bucketSize;
    out.u16(biff::kExtSst);
    out.u16(static_cast<std::uint16_t>(2 + 8 * buckets));
    out.u16(static_cast<std::uint16_t>(bucketSize));
    for (std::uint32_t i = 0; i < count; i += bucketSize) {
        out.u32(static_cast<std::uint32_t>(base) + m_starts[i].position);
        out.u16(m_starts[i].recordOffset);
        out.u16(0);
    }
}

} // namespace veltroma
