#include "storage/CompoundFile.h"

#include "storage/ByteBuffer.h"

#include <array>
#include <vector>

namespace veltroma {

namespace {

constexpr qsizetype kSectorSize = 512;
constexpr std::uint32_t kEntriesPerFatSector = kSectorSize / 4;
constexpr std::uint32_t kHeaderDifatEntries = 109;
constexpr std::uint32_t kEntriesPerDifatSector = kEntriesPerFatSector - 1;
constexpr qsizetype kMiniStreamCutoff = 4096;

constexpr std::uint32_t kFreeSector = 0xFFFFFFFF;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFatSector = 0xFFFFFFFD;
constexpr std::uint32_t kDifatSector = 0xFFFFFFFC;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;

// The class id that marks the root storage as an Excel 97-2003 workbook.
constexpr std::array<std::uint8_t, 16> kWorkbookClassId = {
    0x20, 0x08, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
    0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

enum class EntryType : std::uint8_t { Empty = 0, Stream = 2, Root = 5 };

struct DirectoryEntry {
    QString name;
    EntryType type = EntryType::Empty;
    std::uint32_t child = kNoStream;
    bool workbookClass = false;
    std::uint32_t startSector = 0;
    std::uint32_t size = 0;
};

void writeEntry(ByteWriter& out, const DirectoryEntry& entry)
{
    const qsizetype start = out.size();
    for (const QChar c : entry.name)
        out.u16(c.unicode());
    out.zeros(64 - (out.size() - start));
    const auto nameBytes = entry.name.isEmpty() ? 0 : (entry.name.size() + 1) * 2;
    out.u16(static_cast<std::uint16_t>(nameBytes));
    out.u8(static_cast<std::uint8_t>(entry.type));
    out.u8(entry.type == EntryType::Empty ? 0 : 1); // black: a tree of one node per level
    out.u32(kNoStream);                              // left sibling
    out.u32(kNoStream);                              // right sibling
    out.u32(entry.child);
    for (const std::uint8_t b : kWorkbookClassId)
        out.u8(entry.workbookClass ? b : 0);
    out.u32(0);  // state bits
    out.u64(0);  // creation time: none, so that equal workbooks give equal files
    out.u64(0);  // modification time
    out.u32(entry.startSector);
    out.u64(entry.size);
}

struct SectorLayout {
    std::uint32_t streamSectors = 0;
    std::uint32_t directorySector = 0;
    std::uint32_t fatSectors = 0;
    std::uint32_t difatSectors = 0;

    [[nodiscard]] std::uint32_t firstFatSector() const { return directorySector + 1; }
    [[nodiscard]] std::uint32_t firstDifatSector() const { return firstFatSector() + fatSectors; }
    [[nodiscard]] std::uint32_t total() const { return firstDifatSector() + difatSectors; }
};

// The allocation table must describe its own sectors and those of the table that lists
// them, so their counts are found by iterating to a fixed point.
SectorLayout layoutFor(qsizetype streamSize)
{
    SectorLayout layout;
    layout.streamSectors = static_cast<std::uint32_t>((streamSize + kSectorSize - 1) / kSectorSize);
    layout.directorySector = layout.streamSectors;
    for (;;) {
        const std::uint32_t fat = (layout.total() + kEntriesPerFatSector - 1) / kEntriesPerFatSector;
        const std::uint32_t difat =
            fat > kHeaderDifatEntries
                ? (fat - kHeaderDifatEntries + kEntriesPerDifatSector - 1) / kEntriesPerDifatSector
                : 0;
        if (fat == layout.fatSectors && difat == layout.difatSectors)
            return layout;
        layout.fatSectors = fat;
        layout.difatSectors = difat;
    }
}

} // namespace

QByteArray buildCompoundFile(const QByteArray& workbookStream)
{
    const qsizetype streamSize =
        workbookStream.size() <= kMiniStreamCutoff ? kMiniStreamCutoff + kSectorSize : workbookStream.size();
    const SectorLayout layout = layoutFor(streamSize);

    std::vector<std::uint32_t> fat(std::size_t{layout.fatSectors} * kEntriesPerFatSector, kFreeSector);
    for (std::uint32_t s = 0; s < layout.streamSectors; ++s)
        fat[s] = s + 1 < layout.streamSectors ? s + 1 : kEndOfChain;
    fat[layout.directorySector] = kEndOfChain;
    for (std::uint32_t i = 0; i < layout.fatSectors; ++i)
        fat[layout.firstFatSector() + i] = kFatSector;
    for (std::uint32_t i = 0; i < layout.difatSectors; ++i)
        fat[layout.firstDifatSector() + i] = kDifatSector;

    ByteWriter out;
    out.reserve(kSectorSize * (qsizetype{layout.total()} + 1));

    // Header sector.
    for (const std::uint8_t b : {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1})
        out.u8(b);
    out.zeros(16);      // header class id
    out.u16(0x003E);    // minor version
    out.u16(0x0003);    // major version 3: 512-byte sectors
    out.u16(0xFFFE);    // little-endian
    out.u16(9);         // sector size 2^9
    out.u16(6);         // mini sector size 2^6
    out.zeros(6);
    out.u32(0);         // directory sectors: always 0 in version 3
    out.u32(layout.fatSectors);
    out.u32(layout.directorySector);
    out.u32(0);         // transaction signature
    out.u32(static_cast<std::uint32_t>(kMiniStreamCutoff));
    out.u32(kEndOfChain); // no mini allocation table
    out.u32(0);
    out.u32(layout.difatSectors > 0 ? layout.firstDifatSector() : kEndOfChain);
    out.u32(layout.difatSectors);
    for (std::uint32_t i = 0; i < kHeaderDifatEntries; ++i)
        out.u32(i < layout.fatSectors ? layout.firstFatSector() + i : kFreeSector);

    // The stream, padded with zeros to its size and then to the end of its last sector.
    out.bytes(workbookStream);
    out.zeros(qsizetype{layout.streamSectors} * kSectorSize - workbookStream.size());

    // Directory: the root, the workbook stream and two unused entries.
    DirectoryEntry root{QStringLiteral("Root Entry"), EntryType::Root, 1, true, kEndOfChain, 0};
    DirectoryEntry workbook{QStringLiteral("Workbook"), EntryType::Stream, kNoStream, false, 0,
                            static_cast<std::uint32_t>(streamSize)};
    writeEntry(out, root);
    writeEntry(out, workbook);
    writeEntry(out, DirectoryEntry{});
    writeEntry(out, DirectoryEntry{});

    for (const std::uint32_t next : fat)
        out.u32(next);

    // Sector numbers of the allocation table beyond the 109 the header holds.
    std::uint32_t listed = kHeaderDifatEntries;
    for (std::uint32_t d = 0; d < layout.difatSectors; ++d) {
        for (std::uint32_t i = 0; i < kEntriesPerDifatSector; ++i, ++listed)
            out.u32(listed < layout.fatSectors ? layout.firstFatSector() + listed : kFreeSector);
        out.u32(d + 1 < layout.difatSectors ? layout.firstDifatSector() + d + 1 : kEndOfChain);
    }
    return out.take();
}

} // namespace veltroma
