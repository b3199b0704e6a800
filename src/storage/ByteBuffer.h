#pragma once

#include <QByteArray>

#include <algorithm>

#include <cstdint>
#include <optional>

namespace veltroma {

// Little-endian writing into a growing byte array: the byte order of compound files and of
// the workbook stream, whatever the machine's. Bytes go straight into spare capacity, since
// a month file is written a few million bytes at a time.
class ByteWriter {
public:
    void reserve(qsizetype bytes) { grow(bytes); }

    void u8(std::uint8_t value)
    {
        grow(1);
        m_data[m_size++] = static_cast<char>(value);
    }
    void u16(std::uint16_t value)
    {
        grow(2);
        m_data[m_size++] = static_cast<char>(value);
        m_data[m_size++] = static_cast<char>(value >> 8);
    }
    void u32(std::uint32_t value)
    {
        grow(4);
        for (int shift = 0; shift < 32; shift += 8)
            m_data[m_size++] = static_cast<char>(value >> shift);
    }
    void u64(std::uint64_t value)
    {
        u32(static_cast<std::uint32_t>(value));
        u32(static_cast<std::uint32_t>(value >> 32));
    }
    void bytes(QByteArrayView data)
    {
        grow(data.size());
        std::copy(data.begin(), data.end(), m_data + m_size);
        m_size += data.size();
    }
    void zeros(qsizetype count)
    {
        grow(count);
        std::fill_n(m_data + m_size, count, '\0');
        m_size += count;
    }

    void patchU16(qsizetype at, std::uint16_t value)
    {
        m_data[at] = static_cast<char>(value);
        m_data[at + 1] = static_cast<char>(value >> 8);
    }
    void patchU32(qsizetype at, std::uint32_t value)
    {
        patchU16(at, static_cast<std::uint16_t>(value));
        patchU16(at + 2, static_cast<std::uint16_t>(value >> 16));
    }

    [[nodiscard]] qsizetype size() const { return m_size; }
    [[nodiscard]] QByteArrayView data() const { return {m_data, m_size}; }
    [[nodiscard]] QByteArray take()
    {
        m_bytes.truncate(m_size);
        m_data = nullptr;
        m_size = 0;
        return std::move(m_bytes);
    }

private:
    void grow(qsizetype extra)
    {
        if (m_size + extra <= m_bytes.size())
            return;
        m_bytes.resize(std::max(m_bytes.size() * 2, m_size + extra + 4096));
        m_data = m_bytes.data();
    }

    QByteArray m_bytes;
    char* m_data = nullptr;
    qsizetype m_size = 0;
};

// Bounds-checked little-endian reading: a field that lies beyond the data reads as nothing,
// so that damaged files are refused instead of read past their end.
class ByteReader {
public:
    explicit ByteReader(QByteArrayView data) : m_data(data) {}

    [[nodiscard]] qsizetype size() const { return m_data.size(); }

    [[nodiscard]] std::optional<std::uint8_t> u8(qsizetype at) const
    {
        if (at < 0 || at >= m_data.size())
            return std::nullopt;
        return static_cast<std::uint8_t>(m_data[at]);
    }
    [[nodiscard]] std::optional<std::uint16_t> u16(qsizetype at) const
    {
        const auto low = u8(at);
        const auto high = u8(at + 1);
        if (!low || !high)
            return std::nullopt;
        return static_cast<std::uint16_t>(*low | (*high << 8));
    }
    [[nodiscard]] std::optional<std::uint32_t> u32(qsizetype at) const
    {
        const auto low = u16(at);
        const auto high = u16(at + 2);
        if (!low || !high)
            return std::nullopt;
        return static_cast<std::uint32_t>(*low) | (static_cast<std::uint32_t>(*high) << 16);
    }
    [[nodiscard]] std::optional<double> f64(qsizetype at) const;

    [[nodiscard]] QByteArrayView slice(qsizetype at, qsizetype length) const
    {
        if (at < 0 || length < 0 || at > m_data.size() || length > m_data.size() - at)
            return {};
        return m_data.sliced(at, length);
    }

private:
    QByteArrayView m_data;
};

} // namespace veltroma
