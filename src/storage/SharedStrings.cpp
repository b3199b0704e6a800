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

struct BucketStart {
    std::uint32_t streamPosition;
    std::uint16_t recordOffset;
};

// Writes the table as one record and as many continuation records as the record size limit
// asks for. A string never starts without room for its header and first character, and a
// string cut at a record end continues after a fresh option byte, split between whole
// characters: readers that assume either would otherwise go astray.
class TableWriter {
public:
    explicit TableWriter(ByteWriter& out) : m_out(out) { startRecord(biff::kSst); }

    [[nodiscard]] qsizetype room() const { return biff::kMaxRecordData - used(); }
    [[nodiscard]] qsizetype used() const { return m_out.size() - m_recordStart - 4; }

    void continueRecord()
    {
        finishRecord();
        startRecord(biff::kContinue);
    }

    void finishRecord() { m_out.patchU16(m_recordStart + 2, static_cast<std::uint16_t>(used())); }

    BucketStart position() const
    {
        return {static_cast<std::uint32_t>(m_out.size()), static_cast<std::uint16_t>(used() + 4)};
    }

private:
    void startRecord(std::uint16_t type)
    {
        m_recordStart = m_out.size();
        m_out.u16(type);
        m_out.u16(0);
    }

    ByteWriter& m_out;
    qsizetype m_recordStart = 0;
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

void SharedStrings::write(ByteWriter& out, std::uint32_t uses) const
{
    const std::uint32_t count = uniqueCount();
    // Excel keeps at most 128 buckets of at least 8 strings each.
    const std::uint32_t bucketSize = std::max<std::uint32_t>(8, (count + 127) / 128);
    std::vector<BucketStart> buckets;

    TableWriter table(out);
    out.u32(uses);
    out.u32(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const QString& text = m_strings[i];
        const bool narrow = fitsOneByte(text);
        const qsizetype width = narrow ? 1 : 2;
        if (table.room() < 3 + width)
            table.continueRecord();
        if (i % bucketSize == 0)
            buckets.push_back(table.position());
        out.u16(static_cast<std::uint16_t>(text.size()));
        out.u8(narrow ? 0x00 : 0x01);
        qsizetype next = 0;
        for (;;) {
            const qsizetype take = std::min<qsizetype>(table.room() / width, text.size() - next);
            for (qsizetype k = next; k < next + take; ++k) {
                if (narrow)
                    out.u8(static_cast<std::uint8_t>(text[k].unicode()));
                else
                    out.u16(text[k].unicode());
            }
            next += take;
            if (next == text.size())
                break;
            table.continueRecord();
            out.u8(narrow ? 0x00 : 0x01);
        }
    }
    table.finishRecord();

    out.u16(biff::kExtSst);
    out.u16(static_cast<std::uint16_t>(2 + 8 * buckets.size()));
    out.u16(static_cast<std::uint16_t>(bucketSize));
    for (const BucketStart& bucket : buckets) {
        out.u32(bucket.streamPosition);
        out.u16(bucket.recordOffset);
        out.u16(0);
    }
}

} // namespace veltroma
