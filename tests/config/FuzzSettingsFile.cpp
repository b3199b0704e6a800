// libFuzzer target: any bytes as a settings file, read and changed as the program does.
#include "config/ProfileDocument.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace veltroma;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    ProfileDocument document = ProfileDocument::parse(bytes);
    for (const auto& [section, key] : {std::pair{u"Setting", u"CommNum"}, {u"Inverters", u"Count"},
                                       {u"Mqtt", u"Prefix"}, {u"Inverters", u"Serial1"}})
        (void)document.value(section, key);
    // A value written is the value read back, and every other key keeps its text.
    const auto before = document.value(u"Mqtt", u"Host");
    if (document.setValue(QStringLiteral("Inverters"), QStringLiteral("Serial2"), QStringLiteral("VT24000124"))) {
        const ProfileDocument again = ProfileDocument::parse(document.serialize());
        if (again.value(u"Inverters", u"Serial2") != QStringLiteral("VT24000124")
            || again.value(u"Mqtt", u"Host") != before)
            std::abort();
    }
    return 0;
}
