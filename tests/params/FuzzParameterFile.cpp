// libFuzzer target: any bytes as a grid parameter file.
#include "params/GridParameterFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace veltroma;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const ParameterFileContents contents = parseParameterFile(bytes);
    // Whatever is taken from a file is a plain value in its row's format: it reads the same
    // when given again.
    for (std::size_t row = 0; row < kGridParameterCount; ++row) {
        const auto& value = contents.values[row];
        if (value && plainGridValue(kGridParameters[row], *value) != value)
            std::abort();
    }
    (void)consistencyProblems(contents.values);
    return 0;
}
