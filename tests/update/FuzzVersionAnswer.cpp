// libFuzzer target: any bytes as the raw answer of the update server to the version request.
#include "update/UpdateFiles.h"
#include "update/VersionCheck.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace veltroma;
    const QByteArrayView answer(data, static_cast<qsizetype>(size));
    const VersionAnswer judged = judgeVersionAnswer(answer);
    // An answer is believed, with a version and no reason, or not, with a reason and no version.
    if (judged.version.isEmpty() == judged.failure.isEmpty())
        std::abort();
    if (!judged.version.isEmpty()) {
        // The version becomes part of a file name: it must be the answer's last four
        // characters and pass the same test as a version read back from the saved file.
        if (judged.version != QString::fromLatin1(answer.last(4)) || !isValidVersion(judged.version))
            std::abort();
        // Compared with the program's own version the way the check does.
        if (atofPrefix(judged.version.toLatin1()) < 0.0)
            std::abort();
    }
    // The number reading takes any text, however it begins.
    static_cast<void>(atofPrefix(answer));
    return 0;
}
