#include "storage/StringTableReader.h"

#include <QtEndian>

#include <algorithm>
#include <cstdint>

namespace veltroma {

namespace {

// Reads across the record bodies as if they were one, except for character data, which
// starts again with an option byte in every record it continues into.
class TableCursor {
public:
    explicit TableCursor(std::span<const QByteArrayView> records) : m_records(records) {}

    std::optional<std::uint8_t> u8()
    {
        if (!settle())
            return std::nullopt;
        return static_cast<std::uint8_t>(m_records[m_record][m_at++]);
    }
    std::optional<std::uint16_t> u16()
    {
        const auto low = u8();
        const auto high = u8();
        if (!low || !high)
            return std::nullopt;
        return static_cast<std::uint16_t>(*low | (*high << 8));
    }
    std::optional<std::uint32_t> u32()
    {
        const auto low = u16();
        const auto high = u16();
        if (!low || !high)
            return std::nullopt;
        return static_cast<std::uint32_t>(*low) | (static_cast<std::uint32_t>(*high) << 16);
    }

    bool skip(std::uint64_t count)
    {
        while (count > 0) {
            if (!settle())
                return false;
            const auto take = std::min<std::uint64_t>(count, static_cast<std::uint64_t>(left()));
            m_at += static_cast<qsizetype>(take);
            count -= take;
        }
        return true;
    }

    // `count` characters, the first ones `wide` or not.
    bool characters(qsizetype count, bool wide, QString& text)
    {
        text.resize(count);
        char16_t* out = reinterpret_cast<char16_t*>(text.data());
        while (count > 0) {
            if (left() == 0) {
                if (m_record + 1 >= m_records.size())
                    return false;
                ++m_record;
                m_at = 0;
                const auto flags = u8();
                if (!flags)
                    return false;
                wide = *flags & 0x01;
            }
            const qsizetype width = wide ? 2 : 1;
            const qsizetype take = std::min(count, left() / width);
            if (take == 0)
                return false; // a wide character cut in half
            const char* from = m_records[m_record].data() + m_at;
            if (wide) {
                qFromLittleEndian<char16_t>(from, take, out);
            } else {
                for (qsizetype i = 0; i < take; ++i)
                    out[i] = static_cast<unsigned char>(from[i]);
            }
            out += take;
            m_at += take * width;
            count -= take;
        }
        return true;
    }

    [[nodiscard]] qsizetype bytesLeft() const
    {
        qsizetype total = left();
        for (std::size_t r = m_record + 1; r < m_records.size(); ++r)
            total += m_records[r].size();
        return total;
    }

private:
    [[nodiscard]] qsizetype left() const
    {
        return m_record < m_records.size() ? m_records[m_record].size() - m_at : 0;
    }

    // Moves past ended records; false at the end of the table.
    bool settle()
    {
        while (m_record < m_records.size() && m_at == m_records[m_record].size()) {
            ++m_record;
            m_at = 0;
        }
        return m_record < m_records.size();
    }

    std::span<const QByteArrayView> m_records;
    std::size_t m_record = 0;
    qsizetype m_at = 0;
};

} // namespace

std::optional<std::vector<QString>> readStringTable(std::span<const QByteArrayView> records)
{
    TableCursor in(records);
    const auto uses = in.u32();
    const auto unique = in.u32();
    if (!uses || !unique)
        return std::nullopt;
    std::vector<QString> texts;
    // Every text takes at least three bytes: a damaged count must not reserve gigabytes.
    texts.reserve(std::min<std::size_t>(*unique, static_cast<std::size_t>(in.bytesLeft() / 3)));
    for (std::uint32_t i = 0; i < *unique; ++i) {
        const auto count = in.u16();
        const auto flags = in.u8();
        if (!count || !flags)
            return std::nullopt;
        std::uint16_t runs = 0;
        std::uint32_t phonetic = 0;
        if (*flags & 0x08) {
            const auto n = in.u16();
            if (!n)
                return std::nullopt;
            runs = *n;
        }
        if (*flags & 0x04) {
            const auto n = in.u32();
            if (!n)
                return std::nullopt;
            phonetic = *n;
        }
        QString text;
        if (!in.characters(*count, *flags & 0x01, text) || !in.skip(4ULL * runs + phonetic))
            return std::nullopt;
        texts.push_back(std::move(text));
    }
    return texts;
}

} // namespace veltroma
