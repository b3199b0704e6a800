// Test helper: inserts record rows into one day sheet of a month file without end, one save
// per row, and reports each row on standard output once its save has returned. The test
// kills it at random moments.
#include "RecordRows.h"

#include "storage/CSpreadSheet.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <file.xls> <sheet> <first row number>\n", argv[0]);
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[1]);
    const QString sheet = QString::fromLocal8Bit(argv[2]);
    for (int n = std::atoi(argv[3]);; ++n) {
        veltroma::CSpreadSheet day(file, sheet, false);
        if (!day.AddRow(veltroma::test::recordRow(n), 3)) {
            std::fprintf(stderr, "%s\n", qPrintable(day.GetLastError()));
            return 1;
        }
        std::printf("%d\n", n);
        std::fflush(stdout);
    }
}
