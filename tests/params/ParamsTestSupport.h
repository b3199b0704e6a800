#pragma once

#include "EnglishLanguage.h"
#include "link/Frame.h"
#include "params/DialogChannel.h"
#include "support/FakeLink.h"
#include "support/VirtualClock.h"

#include <cstdint>
#include <future>
#include <memory>
#include <utility>
#include <vector>

namespace veltroma::test {

// A reply frame from `source`: AA AA, the source, 00 00, the control code, the function
// code, N, the data and the checksum.
std::vector<std::uint8_t> replyFrom(std::uint16_t source, std::uint8_t control,
                                    std::uint8_t function, const std::vector<std::uint8_t>& data);

// The settings block an inverter at address 1 answers with: nine words.
std::vector<std::uint8_t> settingsReply(const std::vector<std::uint16_t>& words);

// The realtime block the display unit answers with, its display byte set.
std::vector<std::uint8_t> displayReply(std::uint8_t displayByte,
                                       std::uint8_t function = 0x82);

// A FakeLink in virtual time behind a DialogChannel, counting re-openings. Each re-opening
// checks, from another thread, whether the link lock is free at that moment.
struct FakeChannel {
    FakeChannel() : link(clock) {}

    DialogChannel channel()
    {
        return {link, clock, [this] {
                    ++portInits;
                    if (lockFree())
                        ++unlockedPortInits;
                }};
    }

    // Whether another thread could take the link lock right now.
    bool lockFree()
    {
        return std::async(std::launch::async, [this] {
                   if (!link.linkLock().try_lock())
                       return false;
                   link.linkLock().unlock();
                   return true;
               }).get();
    }

    // Answers every request with `reply` a few milliseconds after it was sent, and counts
    // the requests sent while the link lock was free.
    void answerWith(std::vector<std::uint8_t> reply)
    {
        link.respondWith([this, reply](FakeLink& l, const FakeLink::Sent& sent) {
            if (lockFree())
                ++unlockedSends;
            if (!reply.empty())
                l.arrive(sent.atMs + 5, reply);
        });
    }

    // Answers as an inverter at address 1 holding the nine settings words `words`: a read
    // gets the settings block, a write is applied and acknowledged, anything else goes
    // unanswered.
    void actAsInverter(std::vector<std::uint16_t> words)
    {
        auto held = std::make_shared<std::vector<std::uint16_t>>(std::move(words));
        link.respondWith([held](FakeLink& l, const FakeLink::Sent& sent) {
            const auto& b = sent.bytes;
            if (b.size() < 11 || b[0] != 0x43)
                return;
            if (b[6] == 0x01 && b[7] == 0x04) {
                l.arrive(sent.atMs + 5, settingsReply(*held));
                return;
            }
            const std::vector<std::pair<std::uint8_t, std::size_t>> words{
                {0x00, 0}, {0x01, 1}, {0x04, 2}, {0x05, 3}, {0x06, 4}, {0x07, 5}, {0x3D, 8}};
            for (const auto& [function, word] : words) {
                if (b[6] == 0x02 && b[7] == function && b.size() == 13) {
                    (*held)[word] = static_cast<std::uint16_t>(b[9] << 8 | b[10]);
                    l.arrive(sent.atMs + 5, replyFrom(0x0001, 0x02, function | 0x80, {b[9], b[10]}));
                }
            }
        });
    }

    // The requests sent so far.
    std::vector<std::vector<std::uint8_t>> requests() const
    {
        std::vector<std::vector<std::uint8_t>> out;
        for (const auto& s : link.sent())
            out.push_back(s.bytes);
        return out;
    }

    VirtualClock clock;
    FakeLink link;
    int portInits = 0;
    int unlockedPortInits = 0;
    int unlockedSends = 0;
};

} // namespace veltroma::test
