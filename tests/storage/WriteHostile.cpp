// Writes the hostile workbook files into a folder: at full size (as the tests read them), or
// small enough to seed the workbook fuzz target (`--seeds`; tests/storage/fuzz_seeds holds
// what this wrote).
#include "HostileWorkbooks.h"

#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

int main(int argc, char** argv)
{
    using namespace veltroma::test;
    const bool seeds = argc == 3 && std::strcmp(argv[2], "--seeds") == 0;
    if (argc != 2 && !seeds) {
        std::fprintf(stderr, "usage: %s <folder> [--seeds]\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot make %s\n", argv[1]);
        return 1;
    }
    std::vector<std::pair<QString, QByteArray>> files = {
        {QStringLiteral("claimed-extent.xls"), claimedExtentWorkbook()},
        {QStringLiteral("claimed-merge.xls"), claimedMergeWorkbook()},
    };
    if (seeds) {
        files.emplace_back(QStringLiteral("far-column.xls"), farColumnWorkbook(900));
        files.emplace_back(QStringLiteral("many-roots.xls"), manyRootsContainer(16 * 1024));
    } else {
        files.emplace_back(QStringLiteral("far-column.xls"), farColumnWorkbook());
        files.emplace_back(QStringLiteral("many-roots-2M.xls"), manyRootsContainer(2 << 20));
        files.emplace_back(QStringLiteral("many-roots-4M.xls"), manyRootsContainer(4 << 20));
    }
    for (const auto& [name, bytes] : files) {
        QFile file(folder.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
            return 1;
        }
    }
    return 0;
}
