#include "HostileWorkbooks.h"

#include "RecordRows.h"

#include "storage/BiffRecords.h"
#include "storage/BiffWriter.h"
#include "storage/ByteBuffer.h"
#include "storage/CompoundFile.h"
#include "storage/RecordTemplate.h"

#include <QtEndian>

#include <vector>

namespace veltroma::test {

namespace {

constexpr CellRange kWholeSheet{0, kMaxSheetRows - 1, 0, kMaxSheetColumns - 1};

// Where the bodies of the DIMENSIONS records of a workbook stream start, in stream order.
std::vector<qsizetype> dimensionBodies(const QByteArray& stream)
{
    std::vector<qsizetype> bodies;
    const ByteReader in(stream);
    for (qsizetype at = 0; at + 4 <= stream.size(); at += 4 + *in.u16(at + 2)) {
        if (*in.u16(at) == biff::kDimensions)
            bodies.push_back(at + 4);
    }
    return bodies;
}

// A cover and a day sheet with a few records, as recording leaves them.
Workbook coverAndDay()
{
    const Workbook month = makeRecordTemplate();
    Workbook book;
    book.appendSheet(month.sheet(0));
    Sheet& day = book.appendSheet(month.sheet(1));
    for (int n = 0; n < 3; ++n) {
        const QStringList row = recordRow(n);
        for (int c = 0; c < row.size(); ++c)
            day.setText(2 + n, c, row[c]);
    }
    return book;
}

} // namespace

QByteArray coverAndDayWorkbook()
{
    return buildCompoundFile(writeWorkbookStream(coverAndDay()));
}

QByteArray claimedExtentWorkbook()
{
    QByteArray stream = writeWorkbookStream(coverAndDay());
    for (const qsizetype body : dimensionBodies(stream)) {
        qToLittleEndian<std::uint32_t>(kMaxSheetRows, stream.data() + body + 4);
        qToLittleEndian<std::uint16_t>(kMaxSheetColumns, stream.data() + body + 10);
    }
    return buildCompoundFile(stream);
}

QByteArray claimedMergeWorkbook()
{
    const Workbook plain = coverAndDay();
    Workbook merged = plain;
    for (int i = 0; i < merged.sheetCount(); ++i)
        merged.editSheet(i).addMerge(kWholeSheet);
    // Our writer counts merged areas into the used range; the extents written for the
    // sheets without them are the true ones.
    const QByteArray truth = writeWorkbookStream(plain);
    QByteArray stream = writeWorkbookStream(merged);
    const auto trueBodies = dimensionBodies(truth);
    const auto bodies = dimensionBodies(stream);
    for (std::size_t i = 0; i < bodies.size() && i < trueBodies.size(); ++i)
        stream.replace(bodies[i], 14, truth.mid(trueBodies[i], 14));
    return buildCompoundFile(stream);
}

QByteArray farColumnWorkbook(int rows)
{
    Workbook book;
    Sheet& day = book.appendSheet(QStringLiteral("1"));
    for (int r = 0; r < rows; ++r)
        day.setText(r, kMaxSheetColumns - 1, QStringLiteral("x"));
    return buildCompoundFile(writeWorkbookStream(book));
}

QByteArray manyRootsContainer(qsizetype bytes)
{
    constexpr qsizetype kSector = 512;
    constexpr qsizetype kEntry = 128;
    constexpr std::uint32_t kEnd = 0xFFFFFFFE;
    constexpr std::uint32_t kFree = 0xFFFFFFFF;
    constexpr std::uint32_t kFatSector = 0xFFFFFFFD;
    constexpr std::uint32_t kEntriesPerFatSector = kSector / 4;

    Workbook small;
    small.appendSheet(QStringLiteral("1")).setText(0, 0, QStringLiteral("x"));
    QByteArray stream = writeWorkbookStream(small);
    stream.append(QByteArray(4096 + kSector - stream.size() % kSector, '\0')); // beyond the mini-stream limit
    const auto streamSectors = static_cast<std::uint32_t>(stream.size() / kSector);
    // The header, the stream, the directory and about one allocation sector in 129.
    const qsizetype sectors = bytes / kSector - 1 - streamSectors;
    const auto directorySectors = static_cast<std::uint32_t>(std::max<qsizetype>(1, sectors - sectors / 129 - 1));
    std::uint32_t fatSectors = 1;
    while (fatSectors * kEntriesPerFatSector < streamSectors + directorySectors + fatSectors)
        ++fatSectors;
    const std::uint32_t firstDirectory = streamSectors;
    const std::uint32_t firstFat = streamSectors + directorySectors;

    ByteWriter out;
    for (const std::uint8_t b : {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1})
        out.u8(b);
    out.zeros(16);
    out.u16(0x003E);
    out.u16(0x0003);
    out.u16(0xFFFE);
    out.u16(9);
    out.u16(6);
    out.zeros(6);
    out.u32(0);
    out.u32(fatSectors);
    out.u32(firstDirectory);
    out.u32(0);
    out.u32(4096);
    out.u32(kEnd);
    out.u32(0);
    out.u32(kEnd);
    out.u32(0);
    for (std::uint32_t i = 0; i < 109; ++i)
        out.u32(i < fatSectors ? firstFat + i : kFree);

    out.bytes(stream);

    const auto entry = [&](const QString& name, std::uint8_t type, std::uint32_t start, std::uint32_t size) {
        const qsizetype at = out.size();
        for (const QChar c : name)
            out.u16(c.unicode());
        out.zeros(64 - (out.size() - at));
        out.u16(static_cast<std::uint16_t>((name.size() + 1) * 2));
        out.u8(type);
        out.u8(1);
        out.u32(kFree);
        out.u32(kFree);
        out.u32(kFree);
        out.zeros(16 + 4 + 16);
        out.u32(start);
        out.u32(size);
        out.u32(0);
    };
    const qsizetype entries = directorySectors * kSector / kEntry;
    const auto directoryBytes = static_cast<std::uint32_t>(directorySectors * kSector);
    entry(QStringLiteral("Root Entry"), 5, kEnd, 0);
    for (qsizetype i = 1; i + 1 < entries; ++i)
        entry(QStringLiteral("Root Entry"), 5, firstDirectory, directoryBytes);
    entry(QStringLiteral("Workbook"), 2, 0, static_cast<std::uint32_t>(stream.size()));

    std::vector<std::uint32_t> fat(std::size_t{fatSectors} * kEntriesPerFatSector, kFree);
    for (std::uint32_t s = 0; s < streamSectors; ++s)
        fat[s] = s + 1 < streamSectors ? s + 1 : kEnd;
    for (std::uint32_t s = firstDirectory; s < firstFat; ++s)
        fat[s] = s + 1 < firstFat ? s + 1 : kEnd;
    for (std::uint32_t s = firstFat; s < firstFat + fatSectors; ++s)
        fat[s] = kFatSector;
    for (const std::uint32_t next : fat)
        out.u32(next);
    return out.take();
}

} // namespace veltroma::test
