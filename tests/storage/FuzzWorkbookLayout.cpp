// Feeds arbitrary bytes to our readers of workbook files, which come from anywhere: the
// compound-file reader, the scan of the workbook stream and the check of the counts it
// claims.
#include "storage/BiffReader.h"
#include "storage/CompoundFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (const auto stream = veltroma::readWorkbookStream(bytes)) {
        static_cast<void>(veltroma::scanWorkbookStream(*stream));
        static_cast<void>(veltroma::claimsTooMuch(*stream));
    }
    static_cast<void>(veltroma::scanWorkbookStream(bytes));
    static_cast<void>(veltroma::claimsTooMuch(bytes));
    return 0;
}
