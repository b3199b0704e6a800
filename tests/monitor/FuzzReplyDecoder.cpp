// libFuzzer target: any frame as a validated reply of any slot, through the decoder.
#include "monitor/NoDisplay.h"
#include "monitor/ReplyDecoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace veltroma;
    if (size < 1)
        return 0;
    SharedModel model;
    NoDisplay display;
    ReplyDecoder decoder(model, display, QStringLiteral("/pv/"), [](const QString&) { return QString(); },
                         [] { return QDateTime(QDate(2026, 12, 9), QTime(12, 0)); });
    // The first byte picks the slot (also ones that are none); the rest is the frame.
    const int slot = data[0] % 8;
    decoder.setReadingListener([slot](const Reading& reading) {
        if (reading.slot != slot)
            std::abort();
        // Texts the program shows and records hold no control characters.
        for (const QString& text : {reading.serial, reading.model, reading.firmware})
            for (const QChar c : text)
                if (c.unicode() < 0x20)
                    std::abort();
    });
    decoder.ProcessRecv(slot, std::span(data + 1, size - 1));
    return 0;
}
