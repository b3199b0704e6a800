#pragma once

#include "link/Commands.h"
#include "monitor/EngineTestSupport.h"
#include "support/FakeLink.h"

namespace veltroma::test {

// An inverter on a fake link in real time: it answers the registration and every poll
// a few milliseconds after the request, so a worker cycle takes about two seconds. A send
// first pauses 30 ms and drops what is left of the reply before, as the serial port does.
inline void answerEveryRequest(FakeLink& link)
{
    link.respondWith([](FakeLink& l, const FakeLink::Sent& sent) {
        const auto at = sent.atMs + 5;
        switch (sent.bytes.at(kOffsetFunction)) {
        case kFunctionQuerySerial: {
            const QByteArray serial("A1B2C3D4E5");
            l.arrive(at, replyFrame(0x80, {serial.begin(), serial.end()}, 0x00));
            break;
        }
        case kFunctionAssignAddress:
            l.arrive(at, replyFrame(0x81, std::vector<std::uint8_t>(11, 0), 0x00));
            break;
        case kFunctionRealtime:
            l.arrive(at, replyFrame(0x82, exampleRealtimeData()));
            break;
        case kFunctionSettings: {
            std::vector<std::uint8_t> data(40, 0);
            put(data, 14, {0x01, 0xE0});
            l.arrive(at, replyFrame(0x84, data));
            break;
        }
        default:
            break;
        }
    });
}

} // namespace veltroma::test
