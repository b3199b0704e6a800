#include "HostileWorkbooks.h"
#include "StorageTestSupport.h"

#include "storage/BiffReader.h"
#include "storage/BiffRecords.h"
#include "storage/ByteBuffer.h"
#include "storage/CSpreadSheet.h"
#include "storage/CompoundFile.h"
#include "storage/MonthWorkbook.h"

#include <functional>
#include <tuple>

namespace veltroma {
namespace {

using CellList = std::vector<std::tuple<int, int, QString, CellStyle>>;

CellList cellsOf(const Sheet& sheet)
{
    CellList cells;
    for (const StoredRow& row : sheet.rows()) {
        for (const Cell& cell : row.cells)
            cells.emplace_back(row.index, cell.column, cell.text, cell.style);
    }
    return cells;
}

// A workbook stream put together record by record: a globals substream with one bold font
// and one cell format on it, then one worksheet substream per `sheets`.
class StreamBuilder {
public:
    StreamBuilder& globalsRecord(std::uint16_t type, const QByteArray& body)
    {
        m_globals.emplace_back(type, body);
        return *this;
    }
    StreamBuilder& sheet(std::function<void(ByteWriter&)> cells)
    {
        m_sheets.push_back(std::move(cells));
        return *this;
    }

    [[nodiscard]] QByteArray build() const
    {
        ByteWriter out;
        bof(out, biff::kGlobalsSubstream);
        record(out, biff::kFont, QByteArray::fromHex("c8000000ff7fbc0200000000000000"));
        record(out, biff::kXf, QByteArray::fromHex("0000000001002000000000000000000000000000"));
        std::vector<qsizetype> offsets;
        for (std::size_t i = 0; i < m_sheets.size(); ++i) {
            offsets.push_back(out.size() + 4);
            record(out, biff::kBoundSheet, QByteArray::fromHex("00000000000001") + "\0S"_qba);
        }
        for (const auto& [type, body] : m_globals)
            record(out, type, body);
        record(out, biff::kEof, {});
        for (std::size_t i = 0; i < m_sheets.size(); ++i) {
            out.patchU32(offsets[i], static_cast<std::uint32_t>(out.size()));
            bof(out, biff::kWorksheetSubstream);
            m_sheets[i](out);
            record(out, biff::kEof, {});
        }
        return out.take();
    }

    static void record(ByteWriter& out, std::uint16_t type, QByteArrayView body)
    {
        out.u16(type);
        out.u16(static_cast<std::uint16_t>(body.size()));
        out.bytes(body);
    }

private:
    static void bof(ByteWriter& out, std::uint16_t substream)
    {
        ByteWriter body;
        body.u16(biff::kBiff8);
        body.u16(substream);
        body.zeros(12);
        record(out, biff::kBof, body.data());
    }

    std::vector<std::pair<std::uint16_t, QByteArray>> m_globals;
    std::vector<std::function<void(ByteWriter&)>> m_sheets;
};

// A shared string table that says it holds `unique` texts and holds the texts "a" and "b".
QByteArray stringTable(std::uint32_t unique)
{
    ByteWriter body;
    body.u32(unique);
    body.u32(unique);
    for (const char c : {'a', 'b'}) {
        body.u16(1);
        body.u8(0);
        body.u8(static_cast<std::uint8_t>(c));
    }
    return body.take();
}

// A row of number cells (MULRK) from column 0.
void numberRow(ByteWriter& out, int row, int cells)
{
    ByteWriter body;
    body.u16(static_cast<std::uint16_t>(row));
    body.u16(0);
    for (int c = 0; c < cells; ++c) {
        body.u16(0);
        body.u32((static_cast<std::uint32_t>(c) << 2) | 0x02);
    }
    body.u16(static_cast<std::uint16_t>(cells - 1));
    StreamBuilder::record(out, biff::kMulRk, body.data());
}

void labelCell(ByteWriter& out, int row, int column)
{
    ByteWriter body;
    body.u16(static_cast<std::uint16_t>(row));
    body.u16(static_cast<std::uint16_t>(column));
    body.u16(0);
    body.u32(0);
    StreamBuilder::record(out, biff::kLabelSst, body.data());
}

std::optional<ScanFailure> failureOf(const QByteArray& stream)
{
    const auto scan = scanWorkbookStream(stream);
    if (const auto* failure = std::get_if<ScanFailure>(&scan))
        return *failure;
    return std::nullopt;
}

class HostileWorkbooks : public test::StorageTest {
protected:
    QString fileWith(const QString& name, const QByteArray& bytes)
    {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }

    struct Probe {
        bool read = false;
        qint64 laidOut = 0; // cells the readers gave, when read
        double peakMb = 0;
    };

    // The file read in a process of its own, as CSV export and history review read it.
    static Probe probe(const QString& file)
    {
        QProcess process;
        // Freed memory that the address sanitizer holds back would count as the reader's.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ASAN_OPTIONS"),
                           environment.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":quarantine_size_mb=0"));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(VELTROMA_READ_PROBE), {file});
        EXPECT_TRUE(process.waitForFinished(120000) && process.exitCode() == 0)
            << process.readAllStandardError().toStdString();
        const QList<QByteArray> fields = process.readAllStandardOutput().trimmed().split(' ');
        Probe result;
        result.read = fields.value(0) == "read";
        result.laidOut = result.read ? fields.value(2).toLongLong() : 0;
        result.peakMb = fields.value(result.read ? 3 : 1).toDouble() / 1024;
        return result;
    }
};

TEST_F(HostileWorkbooks, ClaimedExtentsGiveWayToTheCellsTheSheetsHold)
{
    const Workbook honest = readBack(fileWith(QStringLiteral("honest.xls"), test::coverAndDayWorkbook()));
    for (const auto& [name, bytes] : {std::pair{QStringLiteral("extent.xls"), test::claimedExtentWorkbook()},
                                      std::pair{QStringLiteral("merge.xls"), test::claimedMergeWorkbook()}}) {
        SCOPED_TRACE(name.toStdString());
        const QString file = fileWith(name, bytes);
        const Workbook book = readBack(file);
        ASSERT_EQ(book.sheetCount(), 2);
        for (int i = 0; i < 2; ++i) {
            const Sheet& truth = honest.sheet(i);
            EXPECT_EQ(cellsOf(book.sheet(i)), cellsOf(truth));
            EXPECT_EQ(book.sheet(i).usedRows(), truth.cellRows());
            EXPECT_EQ(book.sheet(i).usedColumns(), truth.cellColumns());
        }
        CSpreadSheet day(file, QStringLiteral("1"), false);
        EXPECT_EQ(day.GetTotalRows(), 5);
        EXPECT_EQ(day.GetTotalColumns(), 11);
        // The merged areas that no cell backs were dropped: such a file is set aside and its
        // texts copied, never written back.
        const WorkbookCheck check = checkWorkbook(file);
        EXPECT_EQ(check.fitness, WorkbookFitness::NotKeepable);
        EXPECT_TRUE(check.reason.contains(QStringLiteral("merged areas"))) << check.reason.toStdString();
    }
}

// What a file declares beyond its cells still counts while it stays within the limits: the
// spreadsheet layer's blank fields, and the cover's merged title that makes column D writable.
TEST_F(HostileWorkbooks, DeclaredExtentsWithinTheLimitsStillCount)
{
    const QString file = path(QStringLiteral("blanks.xls"));
    {
        CSpreadSheet sheet(file, QStringLiteral("Data"), false);
        ASSERT_TRUE(sheet.AddHeaders({QStringLiteral("a"), QStringLiteral(" "), QStringLiteral(" ")}));
        ASSERT_TRUE(sheet.AddRow({QStringLiteral("1")}));
        ASSERT_TRUE(sheet.AddRow({QStringLiteral(" ")}, 4));
    }
    CSpreadSheet reread(file, QStringLiteral("Data"), false);
    EXPECT_EQ(reread.GetTotalColumns(), 3);
    EXPECT_EQ(reread.GetTotalRows(), 4);
    EXPECT_EQ(readBack(newMonthFile()).sheet(0).usedColumns(), 9);
}

// Each file read in a process of its own through the readers CSV export and history review
// use. Memory is the measure: the time is the benchmark's. Before, the claims laid out 16.7
// million cells per sheet (600 MB), the far column stored 256 cells per row (280 MB), and the
// many roots each read the directory again (seconds).
TEST_F(HostileWorkbooks, EveryHostileFileIsReadOrRefusedWithinTheBudgetOfAnyFile)
{
    constexpr double kBudgetMb = 200; // for any file up to 16 MB
    struct Case {
        QString name;
        QByteArray bytes;
        bool read;
        qint64 laidOut; // by both readers, every sheet
    };
    const std::vector<Case> cases = {
        {QStringLiteral("extent.xls"), test::claimedExtentWorkbook(), true, 2 * (39 * 2 + 5 * 11)},
        {QStringLiteral("merge.xls"), test::claimedMergeWorkbook(), true, 2 * (39 * 2 + 5 * 11)},
        {QStringLiteral("2011-5.xls"), test::farColumnWorkbook(), true, 2 * 16384 * 256},
        {QStringLiteral("roots-2M.xls"), test::manyRootsContainer(2 << 20), false, 0},
        {QStringLiteral("roots-4M.xls"), test::manyRootsContainer(4 << 20), false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        const Probe result = probe(fileWith(c.name, c.bytes));
        EXPECT_EQ(result.read, c.read);
        EXPECT_EQ(result.laidOut, c.laidOut);
        EXPECT_LT(result.peakMb, kBudgetMb);
    }
}

TEST_F(HostileWorkbooks, CountsBeyondTheBytesOrTheLimitsAreRefused)
{
    const auto oneLabel = [](ByteWriter& out) { labelCell(out, 0, 0); };
    struct Case {
        const char* what;
        QByteArray stream;
        std::optional<ScanFailure> failure;
    };
    const std::vector<Case> cases = {
        {"a sound stream", StreamBuilder().globalsRecord(biff::kSst, stringTable(2)).sheet(oneLabel).build(),
         std::nullopt},
        {"more texts counted than follow",
         StreamBuilder().globalsRecord(biff::kSst, stringTable(3)).sheet(oneLabel).build(), ScanFailure::Unreadable},
        {"more texts counted than any sheet can use",
         StreamBuilder().globalsRecord(biff::kSst, stringTable(kMaxReadCells + 1)).sheet(oneLabel).build(),
         ScanFailure::TooLarge},
        {"an inline text longer than its record",
         StreamBuilder()
             .sheet([](ByteWriter& out) { StreamBuilder::record(out, biff::kLabel, QByteArray::fromHex("000000000000ff0000414243")); })
             .build(),
         ScanFailure::Unreadable},
        {"more cells than the limit", StreamBuilder()
                                           .sheet([](ByteWriter& out) {
                                               for (int r = 0; r <= kMaxReadCells / 256; ++r)
                                                   numberRow(out, r, 256);
                                           })
                                           .build(),
         ScanFailure::TooLarge},
        {"two cells spread wider than the limit", StreamBuilder()
                                                      .globalsRecord(biff::kSst, stringTable(2))
                                                      .sheet([](ByteWriter& out) {
                                                          labelCell(out, 0, 0);
                                                          labelCell(out, kMaxSheetRows - 1, kMaxSheetColumns - 1);
                                                      })
                                                      .build(),
         ScanFailure::TooLarge},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(failureOf(c.stream), c.failure);
        EXPECT_FALSE(claimsTooMuch(c.stream) && c.failure != ScanFailure::TooLarge);
    }

    StreamBuilder manySheets;
    for (int i = 0; i <= kMaxSheets; ++i)
        manySheets.sheet([](ByteWriter&) {});
    EXPECT_EQ(failureOf(manySheets.build()), ScanFailure::TooLarge);
    EXPECT_TRUE(claimsTooMuch(manySheets.build()));

    // What the value reader would lay out, though no cell backs it.
    ByteWriter dimensions;
    dimensions.u32(0);
    dimensions.u32(kMaxSheetRows);
    dimensions.u16(0);
    dimensions.u16(kMaxSheetColumns / 4 + 1);
    dimensions.u16(0);
    const QByteArray claimed = StreamBuilder()
                                   .sheet([&](ByteWriter& out) {
                                       StreamBuilder::record(out, biff::kDimensions, dimensions.data());
                                   })
                                   .build();
    EXPECT_TRUE(claimsTooMuch(claimed));
    EXPECT_TRUE(std::holds_alternative<ScannedWorkbook>(scanWorkbookStream(claimed)));

    // A stream entry longer than its chain of sectors.
    QByteArray container = buildCompoundFile(QByteArray(5000, 'w'));
    ASSERT_TRUE(readWorkbookStream(container).has_value());
    const qsizetype sizeField = 512 * 11 + 128 + 120; // the header, ten stream sectors, the second entry
    container.replace(sizeField, 4, QByteArray::fromHex("00500000"));
    EXPECT_FALSE(readWorkbookStream(container).has_value());
}

} // namespace
} // namespace veltroma
