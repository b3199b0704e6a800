#include "storage/CompoundFile.h"

#include "storage/ByteBuffer.h"

#include <QStringList>

#include <vector>

namespace veltroma {

namespace {

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFreeSector = 0xFFFFFFFF;
constexpr qsizetype kHeaderSize = 512;
constexpr qsizetype kEntrySize = 128;
constexpr std::uint8_t kStreamEntry = 2;
constexpr std::uint8_t kRootEntry = 5;

class Container {
public:
    explicit Container(QByteArrayView file) : m_file(file), m_reader(file) {}

    bool readHeader()
    {
        static constexpr char kSignature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
        if (m_file.size() < kHeaderSize || m_file.first(8) != QByteArrayView(kSignature, 8))
            return false;
        const auto shift = m_reader.u16(30);
        const auto miniShift = m_reader.u16(32);
        if (!shift || (*shift != 9 && *shift != 12) || !miniShift || *miniShift != 6)
            return false;
        m_sectorSize = qsizetype{1} << *shift;
        m_miniSectorSize = qsizetype{1} << *miniShift;
        return readAllocationTable();
    }

    // The sectors of a chain, refused when it leaves the table or runs in a circle.
    static std::optional<std::vector<std::uint32_t>> chain(std::uint32_t start, const std::vector<std::uint32_t>& table)
    {
        std::vector<std::uint32_t> sectors;
        for (std::uint32_t s = start; s != kEndOfChain; s = table[s]) {
            if (s >= table.size() || sectors.size() >= table.size())
                return std::nullopt;
            sectors.push_back(s);
        }
        return sectors;
    }

    // A whole chain, or its first `size` bytes; refused when the chain is shorter. Only the
    // sectors needed are copied.
    std::optional<QByteArray> readChain(std::uint32_t start, std::optional<qsizetype> size) const
    {
        const auto sectors = chain(start, m_fat);
        if (!sectors)
            return std::nullopt;
        const qsizetype wanted = size ? (*size + m_sectorSize - 1) / m_sectorSize
                                      : static_cast<qsizetype>(sectors->size());
        if (static_cast<qsizetype>(sectors->size()) < wanted)
            return std::nullopt;
        QByteArray data;
        data.reserve(wanted * m_sectorSize);
        for (qsizetype i = 0; i < wanted; ++i) {
            const QByteArrayView sector = sectorData((*sectors)[static_cast<std::size_t>(i)]);
            if (sector.isEmpty())
                return std::nullopt;
            data.append(sector);
        }
        if (size)
            data.truncate(*size);
        return data;
    }

    // The first stream entry of one of `names`. The directory is read once; the root entry,
    // always the first, holds the mini stream, which is read only when the stream lies in it.
    // A second root entry is damage: following each would read the mini stream again and
    // again.
    std::optional<QByteArray> readStream(const QStringList& names) const
    {
        const auto firstDirectory = m_reader.u32(48);
        const auto directory = firstDirectory ? readChain(*firstDirectory, std::nullopt) : std::nullopt;
        if (!directory)
            return std::nullopt;
        const ByteReader entries(*directory);
        if (entries.u8(66) != kRootEntry)
            return std::nullopt;
        for (qsizetype at = kEntrySize; at + kEntrySize <= directory->size(); at += kEntrySize) {
            const auto type = entries.u8(at + 66);
            if (type == kRootEntry)
                return std::nullopt;
            const auto nameBytes = entries.u16(at + 64).value_or(0);
            if (type != kStreamEntry || nameBytes < 2 || nameBytes > 64)
                continue;
            QString name;
            for (qsizetype i = 0; i + 2 < nameBytes; i += 2)
                name.append(QChar(entries.u16(at + i).value_or(0)));
            if (!names.contains(name, Qt::CaseInsensitive))
                continue;
            const std::uint32_t start = entries.u32(at + 116).value_or(kEndOfChain);
            const qsizetype size = entries.u32(at + 120).value_or(0);
            if (size >= m_reader.u32(56).value_or(4096))
                return readChain(start, size);
            const auto miniStream = readChain(entries.u32(116).value_or(kEndOfChain), entries.u32(120).value_or(0));
            return miniStream ? readMini(*miniStream, start, size) : std::nullopt;
        }
        return std::nullopt;
    }

private:
    QByteArrayView sectorData(std::uint32_t sector) const
    {
        // The header fills the first sector, whatever the sector size.
        return m_reader.slice((qsizetype{sector} + 1) * m_sectorSize, m_sectorSize);
    }

    std::vector<std::uint32_t> tableOf(QByteArrayView bytes) const
    {
        const ByteReader reader(bytes);
        std::vector<std::uint32_t> table;
        table.reserve(static_cast<std::size_t>(bytes.size() / 4));
        for (qsizetype at = 0; at + 4 <= bytes.size(); at += 4)
            table.push_back(*reader.u32(at));
        return table;
    }

    bool readAllocationTable()
    {
        const auto fatCount = m_reader.u32(44);
        auto difatSector = m_reader.u32(68);
        const auto difatCount = m_reader.u32(72);
        // No table can have more sectors than the file has: counts beyond are damage.
        const qsizetype sectorsInFile = m_file.size() / m_sectorSize;
        if (!fatCount || !difatSector || !difatCount || *fatCount > sectorsInFile || *difatCount > sectorsInFile)
            return false;
        std::vector<std::uint32_t> fatSectors;
        for (qsizetype i = 0; i < 109; ++i) {
            const std::uint32_t s = *m_reader.u32(76 + 4 * i);
            if (s != kFreeSector)
                fatSectors.push_back(s);
        }
        const qsizetype perDifat = m_sectorSize / 4 - 1;
        for (std::uint32_t d = 0; d < *difatCount && *difatSector != kEndOfChain && fatSectors.size() < *fatCount; ++d) {
            const QByteArrayView sector = sectorData(*difatSector);
            if (sector.isEmpty())
                return false;
            const auto entries = tableOf(sector);
            for (qsizetype i = 0; i < perDifat; ++i) {
                if (entries[static_cast<std::size_t>(i)] != kFreeSector)
                    fatSectors.push_back(entries[static_cast<std::size_t>(i)]);
            }
            difatSector = entries.back();
        }
        if (fatSectors.size() < *fatCount)
            return false;
        fatSectors.resize(*fatCount);
        m_fat.reserve(fatSectors.size() * static_cast<std::size_t>(m_sectorSize / 4));
        for (const std::uint32_t s : fatSectors) {
            const QByteArrayView sector = sectorData(s);
            if (sector.isEmpty())
                return false;
            const auto part = tableOf(sector);
            m_fat.insert(m_fat.end(), part.begin(), part.end());
        }
        return true;
    }

    std::optional<QByteArray> readMini(const QByteArray& miniStream, std::uint32_t start,
                                       qsizetype size) const
    {
        const auto miniFatStart = m_reader.u32(60);
        const auto miniFatBytes = miniFatStart ? readChain(*miniFatStart, std::nullopt) : std::nullopt;
        if (!miniFatBytes)
            return std::nullopt;
        const auto sectors = chain(start, tableOf(*miniFatBytes));
        if (!sectors)
            return std::nullopt;
        const ByteReader mini(miniStream);
        QByteArray data;
        for (const std::uint32_t s : *sectors) {
            const QByteArrayView piece = mini.slice(qsizetype{s} * m_miniSectorSize, m_miniSectorSize);
            if (piece.isEmpty())
                return std::nullopt;
            data.append(piece);
        }
        if (data.size() < size)
            return std::nullopt;
        data.truncate(size);
        return data;
    }

    QByteArrayView m_file;
    ByteReader m_reader;
    qsizetype m_sectorSize = 512;
    qsizetype m_miniSectorSize = 64;
    std::vector<std::uint32_t> m_fat;
};

} // namespace

std::optional<QByteArray> readWorkbookStream(QByteArrayView file)
{
    Container container(file);
    if (!container.readHeader())
        return std::nullopt;
    return container.readStream({QStringLiteral("Workbook"), QStringLiteral("Book")});
}

} // namespace veltroma
