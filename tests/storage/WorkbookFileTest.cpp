#include "StorageTestSupport.h"

#include "storage/BiffRecords.h"
#include "storage/BiffWriter.h"
#include "storage/ByteBuffer.h"
#include "storage/CompoundFile.h"
#include "storage/NumberText.h"
#include "storage/XlsReader.h"

namespace veltroma {
namespace {

using test::readWithXlrd;

void save(const QString& file, const Workbook& book)
{
    const auto error = WorkbookStore::shared().save(file, book);
    ASSERT_FALSE(error.has_value()) << error->toStdString();
}

// Texts that make the shared string table long: narrow and wide characters, short and
// long strings, so that strings are cut at record ends in both widths.
QString tableText(int i)
{
    QString text = QStringLiteral("%1-").arg(i);
    if (i % 3 == 1)
        text += QStringLiteral("温度°C ");
    text += QString(i % 7 == 0 ? 180 : i % 40, QChar(u'a' + i % 26));
    return text;
}

class WorkbookFiles : public test::StorageTest {};

TEST_F(WorkbookFiles, TemplateIsTheSameOnEveryBuild)
{
    const QByteArray bytes = recordTemplateFile();
    EXPECT_EQ(recordTemplateFile(), bytes);
    QFile built(QStringLiteral(VELTROMA_BUILT_TEMPLATE));
    ASSERT_TRUE(built.open(QIODevice::ReadOnly));
    EXPECT_EQ(built.readAll(), bytes);
}

TEST_F(WorkbookFiles, TemplateReadsBackWithEverySheetTitleAndMergedArea)
{
    const Workbook book = readBack(newMonthFile());
    ASSERT_EQ(book.sheetCount(), 32);
    EXPECT_EQ(book.sheet(0).name(), QStringLiteral("Cover"));
    for (int day = 1; day <= 31; ++day) {
        const Sheet& sheet = book.sheet(day);
        EXPECT_EQ(sheet.name(), QString::number(day));
        EXPECT_EQ(sheet.usedRows(), 2);
        for (int c = 0; c < 11; ++c) {
            EXPECT_EQ(sheet.text(0, c), QString());
            EXPECT_EQ(sheet.text(1, c), recordColumnTitles()[c]);
            EXPECT_EQ(sheet.style(1, c), CellStyle::Heading);
        }
    }
    const Sheet& cover = book.sheet(0);
    EXPECT_EQ(cover.text(0, 0), QStringLiteral("Inverter History Data Management"));
    EXPECT_EQ(cover.style(0, 0), CellStyle::Title);
    EXPECT_EQ(cover.text(35, 1), QStringLiteral("Serial No."));
    EXPECT_EQ(cover.text(36, 1), QStringLiteral("Inverter Model"));
    EXPECT_EQ(cover.text(37, 1), QStringLiteral("Software Version"));
    EXPECT_EQ(cover.text(38, 1), QStringLiteral("Year-Month"));
    EXPECT_EQ(cover.merges(), (std::vector<CellRange>{{0, 21, 0, 8}, {35, 35, 3, 7}, {36, 36, 3, 7},
                                                       {37, 37, 3, 7}, {38, 38, 3, 7}}));
    EXPECT_EQ(recordColumnTitles()[9], QStringLiteral("Temperature (\u00B0C)"));
}

TEST_F(WorkbookFiles, LongStringTableReadsBackInBothReaders)
{
    Workbook book;
    Sheet& sheet = book.appendSheet(QStringLiteral("Strings"));
    constexpr int kCount = 3000;
    for (int i = 0; i < kCount; ++i)
        sheet.setText(i / 4, i % 4, tableText(i));
    const QString file = path(QStringLiteral("strings.xls"));
    save(file, book);

    const Sheet& ours = readBack(file).sheet(0);
    for (int i = 0; i < kCount; ++i)
        ASSERT_EQ(ours.text(i / 4, i % 4), tableText(i)) << i;

    const auto xlrd = readWithXlrd(file);
    ASSERT_EQ(xlrd.size(), 1u);
    ASSERT_EQ(xlrd[0].cells.size(), static_cast<std::size_t>(kCount));
    for (int i = 0; i < kCount; ++i)
        ASSERT_EQ(xlrd[0].cells.at({i / 4, i % 4}), tableText(i)) << i;
}

// The string table index must point at string starts: a reader that seeks through it
// would otherwise read garbage, while readers that ignore it notice nothing.
TEST_F(WorkbookFiles, StringTableIndexPointsAtStringStarts)
{
    Workbook book;
    Sheet& sheet = book.appendSheet(QStringLiteral("S"));
    constexpr int kCount = 2500;
    for (int i = 0; i < kCount; ++i)
        sheet.setText(i, 0, tableText(i));
    const QByteArray stream = writeWorkbookStream(book);
    const ByteReader in(stream);

    std::vector<qsizetype> tableRecords;
    qsizetype indexAt = -1;
    for (qsizetype at = 0; at < stream.size();) {
        const std::uint16_t type = *in.u16(at);
        if (type == biff::kSst || (type == biff::kContinue && !tableRecords.empty() && indexAt < 0))
            tableRecords.push_back(at);
        if (type == biff::kExtSst)
            indexAt = at;
        at += 4 + *in.u16(at + 2);
        if (type == biff::kEof)
            break;
    }
    ASSERT_GT(tableRecords.size(), 3u);
    ASSERT_GT(indexAt, 0);
    const int bucketSize = *in.u16(indexAt + 4);
    const int buckets = (*in.u16(indexAt + 2) - 2) / 8;
    EXPECT_LE(buckets, 128);
    EXPECT_EQ(buckets, (kCount + bucketSize - 1) / bucketSize);
    for (int b = 0; b < buckets; ++b) {
        const qsizetype stringAt = *in.u32(indexAt + 6 + 8 * b);
        const qsizetype recordAt = stringAt - *in.u16(indexAt + 10 + 8 * b);
        EXPECT_NE(std::find(tableRecords.begin(), tableRecords.end(), recordAt), tableRecords.end()) << b;
        EXPECT_EQ(*in.u16(stringAt), tableText(b * bucketSize).size()) << b;
    }
}

// Saving version after version keeps the encoded sheets and string table of the last: a
// sheet that only grew must give exactly the stream a fresh encoding gives, across the
// string table's continuation records and its index.
TEST_F(WorkbookFiles, EncodingVersionAfterVersionGivesTheFreshStream)
{
    Workbook book;
    book.appendSheet(QStringLiteral("Kept")).setText(0, 0, QStringLiteral("unchanged"));
    book.appendSheet(QStringLiteral("Grows"));
    WorkbookEncoder encoder;
    int next = 0;
    for (const int upTo : {10, 700, 701, 2600, 4000}) {
        Sheet& sheet = book.editSheet(1);
        for (; next < upTo; ++next)
            sheet.setText(next / 3, next % 3, tableText(next));
        ASSERT_EQ(encoder.encode(book), writeWorkbookStream(book)) << upTo;
    }
    const QString file = path(QStringLiteral("grown.xls"));
    save(file, book);
    const auto xlrd = readWithXlrd(file);
    ASSERT_EQ(xlrd.size(), 2u);
    EXPECT_EQ(xlrd[1].cells.size(), 4000u);
}

// A month of our own read back, as after a start of the program.
struct ReadOwnFile {
    Workbook written; // as it was written
    WorkbookEncoder writer;
    QByteArray stream;
    ReadWorkbook read;
};

void writeAndRead(const QString& file, ReadOwnFile& own)
{
    own.written = makeRecordTemplate();
    for (int day = 1; day <= 3; ++day) {
        Sheet& sheet = own.written.editSheet(day);
        for (int n = 0; n < 900; ++n)
            sheet.setText(2 + n / 9, n % 9, tableText(day * 1000 + n));
    }
    own.stream = own.writer.encode(own.written);
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(buildCompoundFile(own.stream));
    out.close();
    auto read = readXlsWorkbook(QFile::encodeName(file), buildCompoundFile(own.stream));
    ASSERT_TRUE(std::holds_alternative<ReadWorkbook>(read));
    own.read = std::get<ReadWorkbook>(std::move(read));
    ASSERT_NE(own.read.encoded, nullptr);
}

void addRow(Workbook& book, int day)
{
    Sheet& sheet = book.editSheet(day);
    const int row = sheet.usedRows();
    sheet.setText(row, 0, QStringLiteral("23:59:58"));
    sheet.setText(row, 1, QStringLiteral("a text never seen before"));
}

// The first save after a load encodes only the sheet that changed, yet writes exactly what
// the encoder that wrote the file would write next: directly, and through the store.
TEST_F(WorkbookFiles, EncoderTakesOverTheEncodingOfAFileItWrote)
{
    const QString file = path(QStringLiteral("2011-5.xls"));
    ReadOwnFile own;
    writeAndRead(file, own);
    addRow(own.written, 2);
    const QByteArray expected = own.writer.encode(own.written);

    WorkbookEncoder fresh;
    ASSERT_TRUE(fresh.adopt(own.read.file.book, *own.read.encoded));
    Workbook edited = own.read.file.book;
    addRow(edited, 2);
    EXPECT_EQ(fresh.encode(edited), expected);

    WorkbookStore::shared().clear();
    auto loaded = WorkbookStore::shared().load(file);
    ASSERT_TRUE(loaded.file);
    addRow(loaded.file->book, 2);
    save(file, loaded.file->book);
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), buildCompoundFile(expected));
}

TEST_F(WorkbookFiles, EncoderTakesOverOnlyWhatItWouldWriteItself)
{
    ReadOwnFile own;
    writeAndRead(path(QStringLiteral("2011-5.xls")), own);
    const Workbook& book = own.read.file.book;

    // The same cells, but globals another writer would write: the name of the author.
    EncodedWorkbook otherAuthor = *own.read.encoded;
    const qsizetype author = otherAuthor.stream.indexOf("Veltroma monitor");
    ASSERT_GT(author, 0);
    otherAuthor.stream[author] = 'W';
    EXPECT_FALSE(WorkbookEncoder().adopt(book, otherAuthor));

    EncodedWorkbook sheetMissing = *own.read.encoded;
    sheetMissing.sheets.pop_back();
    EXPECT_FALSE(WorkbookEncoder().adopt(book, sheetMissing));

    EncodedWorkbook repeatedText = *own.read.encoded;
    repeatedText.strings[1] = repeatedText.strings[0];
    EXPECT_FALSE(WorkbookEncoder().adopt(book, repeatedText));

    // An encoder that holds sheets of the book keeps its own encoding.
    WorkbookEncoder used;
    static_cast<void>(used.encode(book));
    EXPECT_FALSE(used.adopt(book, *own.read.encoded));
}

TEST_F(WorkbookFiles, LayoutSurvivesASave)
{
    Workbook book;
    Sheet& sheet = book.appendSheet(QStringLiteral("Looks"));
    sheet.setText(0, 0, QStringLiteral("Title"));
    sheet.setStyle(0, 0, CellStyle::Title);
    sheet.setStyle(2, 2, CellStyle::Heading); // a styled cell without text
    sheet.setText(3, 1, QStringLiteral("plain"));
    sheet.addMerge({0, 1, 0, 3});
    sheet.setColumnWidth(1, 5000);
    sheet.setColumnWidth(2, 5000);
    sheet.setColumnWidth(4, 3000);
    book.appendSheet(QStringLiteral("Empty"));
    const QString file = path(QStringLiteral("looks.xls"));
    save(file, book);

    const Workbook back = readBack(file);
    ASSERT_EQ(back.sheetCount(), 2);
    const Sheet& looks = back.sheet(0);
    EXPECT_EQ(looks.style(0, 0), CellStyle::Title);
    EXPECT_EQ(looks.style(2, 2), CellStyle::Heading);
    EXPECT_EQ(looks.style(3, 1), CellStyle::Plain);
    EXPECT_EQ(looks.merges(), sheet.merges());
    EXPECT_EQ(looks.columnWidths(), sheet.columnWidths());
    EXPECT_EQ(looks.usedRows(), 4);
    EXPECT_EQ(looks.usedColumns(), 4);
    EXPECT_EQ(back.sheet(1).usedRows(), 0);

    const auto xlrd = readWithXlrd(file);
    EXPECT_EQ(xlrd[0].bold, (std::set<std::pair<int, int>>{{0, 0}, {2, 2}}));
}

TEST_F(WorkbookFiles, LargeWorkbookNeedsMoreThanTheHeaderAllocationList)
{
    // Past 109 allocation-table sectors (about 7 MB) their list continues in extra sectors.
    Workbook book;
    Sheet& sheet = book.appendSheet(QStringLiteral("Big"));
    const QString filler(250, u'x');
    for (int r = 0; r < 32000; ++r)
        sheet.setText(r, 0, QString::number(r) + filler);
    const QString file = path(QStringLiteral("big.xls"));
    save(file, book);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    ASSERT_GT(bytes.size(), 8 * 1024 * 1024);
    EXPECT_GT(*ByteReader(bytes).u32(72), 0u); // extra list sectors in use

    const Sheet& back = readBack(file).sheet(0);
    ASSERT_EQ(back.usedRows(), 32000);
    EXPECT_EQ(back.text(31999, 0), QStringLiteral("31999") + filler);
}

TEST(CompoundFile, StreamComesBackWhole)
{
    for (const int size : {0, 100, 4096, 4097, 512 * 128 * 3 + 17}) {
        QByteArray stream(size, '\0');
        for (int i = 0; i < size; ++i)
            stream[i] = static_cast<char>(i * 31 + 7);
        const QByteArray file = buildCompoundFile(stream);
        EXPECT_EQ(file.size() % 512, 0);
        const auto back = readWorkbookStream(file);
        ASSERT_TRUE(back.has_value()) << size;
        EXPECT_GT(back->size(), 4096); // small streams are padded beyond the mini-stream limit
        EXPECT_EQ(back->left(size), stream) << size;
        EXPECT_EQ(back->mid(size).count('\0'), back->size() - size);
    }
}

TEST(CompoundFile, DamagedContainersAreRefused)
{
    const QByteArray good = buildCompoundFile(QByteArray(5000, 'w'));
    EXPECT_FALSE(readWorkbookStream(good.left(600)).has_value());
    // Ten stream sectors, the directory, then the allocation table: make the last stream
    // sector lead back to the first.
    QByteArray loop = good;
    loop.replace(512 * 12 + 4 * 9, 4, QByteArray(4, '\0'));
    EXPECT_FALSE(readWorkbookStream(loop).has_value());
    EXPECT_FALSE(readWorkbookStream(QByteArray("plain text")).has_value());
}

TEST(WorkbookLimits, InvalidWorkbooksAreNotWritten)
{
    Workbook empty;
    EXPECT_TRUE(workbookLimitError(empty).has_value());
    for (const QString& name : {QString(), QStringLiteral("a/b"), QStringLiteral("[x]"), QString(32, u'n'),
                               QStringLiteral("'q"), QStringLiteral("history")}) {
        EXPECT_FALSE(isValidSheetName(name)) << name.toStdString();
    }
    EXPECT_TRUE(isValidSheetName(QStringLiteral("31")));
    Workbook twice;
    twice.appendSheet(QStringLiteral("A"));
    twice.appendSheet(QStringLiteral("a"));
    EXPECT_TRUE(workbookLimitError(twice).has_value());
    Workbook tall;
    tall.appendSheet(QStringLiteral("T")).setText(kMaxSheetRows, 0, QStringLiteral("x"));
    EXPECT_TRUE(workbookLimitError(tall).has_value());
}

TEST(NumberText, NumbersReadAsSpreadsheetsShowThem)
{
    EXPECT_EQ(numberText(230.1), QStringLiteral("230.1"));
    EXPECT_EQ(numberText(230.09999999999999), QStringLiteral("230.1"));
    EXPECT_EQ(numberText(0.1 + 0.2), QStringLiteral("0.3"));
    EXPECT_EQ(numberText(1200.0), QStringLiteral("1200"));
    EXPECT_EQ(numberText(-0.0), QStringLiteral("0"));
    EXPECT_EQ(numberText(50.01), QStringLiteral("50.01"));
    EXPECT_EQ(numberText(123456789012.0), QStringLiteral("123456789012"));
}

} // namespace
} // namespace veltroma
