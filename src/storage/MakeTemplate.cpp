// Build step: writes the record template workbook that the program carries embedded.
#include "storage/AtomicFile.h"
#include "storage/RecordTemplate.h"

#include <QString>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.xls>\n", argv[0]);
        return 2;
    }
    const auto result = veltroma::replaceFile(QString::fromLocal8Bit(argv[1]), veltroma::recordTemplateFile());
    if (!result.ok) {
        std::fprintf(stderr, "%s\n", qPrintable(result.error));
        return 1;
    }
    return 0;
}
