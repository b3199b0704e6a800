// Test and benchmark helper: reads one workbook file as the program's readers do - loaded,
// then every sheet row by row through the spreadsheet layer (as CSV export does) and through
// the sheet reader (as history review does) - and prints what came of it with the peak
// resident memory of the whole process, in kB:
//   read <sheets> <cells laid out> <peak kB>
//   refused <peak kB> <reason>
#include "storage/CSpreadSheet.h"
#include "storage/SheetReader.h"
#include "storage/WorkbookStore.h"

#include <cstdio>

#include <sys/resource.h>

namespace {

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace veltroma;
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <file.xls>\n", argv[0]);
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[1]);
    const auto loaded = WorkbookStore::shared().load(file);
    if (!loaded.file) {
        std::printf("refused %ld %s\n", peakKilobytes(), qPrintable(loaded.error));
        return 0;
    }
    const Workbook& book = loaded.file->book;
    qint64 laidOut = 0;
    QStringList cells;
    for (int i = 0; i < book.sheetCount(); ++i) {
        CSpreadSheet layer(file, book.sheet(i).name(), false);
        for (long r = 1; r <= layer.GetTotalRows(); ++r) {
            layer.ReadRow(cells, r);
            laidOut += cells.size();
        }
        const SheetReader reader(file, book.sheet(i).name());
        for (long r = 1; r <= reader.totalRows(); ++r) {
            reader.readRow(cells, r);
            laidOut += cells.size();
        }
    }
    std::printf("read %d %lld %ld\n", book.sheetCount(), static_cast<long long>(laidOut), peakKilobytes());
    return 0;
}
