// Test and benchmark helper: reads one workbook file as the program's readers do (see
// readEverySheet) and prints what came of it with the peak resident memory of the whole
// process, in kB:
//   read <sheets> <cells laid out> <peak kB>
//   refused <peak kB> <reason>
#include "ReadEverySheet.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

namespace {

// The peak resident size of this process's own memory. Not getrusage(): its maximum is kept
// across exec, so it would report the parent's size at the fork.
long peakKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <file.xls>\n", argv[0]);
        return 2;
    }
    const QCoreApplication app(argc, argv);
    const auto result = veltroma::test::readEverySheet(QString::fromLocal8Bit(argv[1]));
    if (result.read)
        std::printf("read %d %lld %ld\n", result.sheets, static_cast<long long>(result.laidOut), peakKilobytes());
    else
        std::printf("refused %ld %s\n", peakKilobytes(), qPrintable(result.error));
    return 0;
}
