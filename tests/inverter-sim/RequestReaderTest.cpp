#include "RequestReader.h"

#include "PtyClient.h"

#include <gtest/gtest.h>

namespace veltroma::sim {
namespace {

using test::concat;
using test::frame;
using Outcome = RequestReader::Outcome;

const Bytes kPoll = frame(0x01, 0x02, 0x01);
const Bytes kReadDci{0x4B, 0x5F, 0x70, 0x43};

std::vector<Outcome> outcomes(const std::vector<RequestReader::Event>& events)
{
    std::vector<Outcome> out;
    for (const auto& e : events)
        out.push_back(e.outcome);
    return out;
}

TEST(RequestReader, FrameArrivingInPiecesCompletesOnItsLastByte)
{
    RequestReader reader;
    EXPECT_TRUE(reader.feed(std::span(kPoll).first(3), 0).empty());
    EXPECT_TRUE(reader.feed(std::span(kPoll).subspan(3, 7), 1).empty());
    const auto events = reader.feed(std::span(kPoll).last(1), 2);
    ASSERT_EQ(events.size(), 1u);
    ASSERT_TRUE(events[0].request);
    const auto& f = std::get<FramedRequest>(events[0].request->body);
    EXPECT_EQ(f.destinationLow, 0x01);
    EXPECT_EQ(f.control, 0x01);
    EXPECT_EQ(f.function, 0x02);
    EXPECT_EQ(events[0].request->raw, kPoll);
}

TEST(RequestReader, BackToBackRequestsOfBothKindsAreSeparated)
{
    RequestReader reader;
    const Bytes setSerial = concat({0x4B, 0x5F, 0x63, 0x53}, Bytes{'0', '1', '2', '3', '4', '5',
                                                                   '6', '7', '8', '9', 'E'});
    const Bytes writeDci{0x4B, 0x5F, 0x44, 0x41, 0x07, 0xD0};
    const Bytes assign = frame(0x00, 0x01, 0x00, concat(Bytes(10, 'S'), {0x01}));
    const Bytes all = concat(concat(concat(concat(kPoll, kReadDci), setSerial), writeDci), assign);
    const auto events = reader.feed(all, 0);
    ASSERT_EQ(outcomes(events), std::vector(5, Outcome::Request));
    EXPECT_EQ(std::get<ServiceRequest>(events[1].request->body).command, ServiceCommand::ReadDci);
    const auto& set = std::get<ServiceRequest>(events[2].request->body);
    EXPECT_EQ(set.command, ServiceCommand::SetSerial);
    EXPECT_EQ(set.payload.size(), 11u);
    EXPECT_EQ(std::get<ServiceRequest>(events[3].request->body).payload, (Bytes{0x07, 0xD0}));
    EXPECT_EQ(std::get<FramedRequest>(events[4].request->body).data.size(), 11u);
}

TEST(RequestReader, DropsWhatIsNoRequestAndFindsTheNextOne)
{
    RequestReader reader;
    Bytes badSum = kPoll;
    badSum.back() ^= 0x01;
    const Bytes setSerialWithoutEnd = concat({0x4B, 0x5F, 0x63, 0x53}, Bytes(11, 'x'));
    const Bytes noise{0x00, 0xAA, 0x43, 0x00};
    const auto events = reader.feed(
        concat(concat(concat(concat(noise, badSum), setSerialWithoutEnd), kPoll), kReadDci), 0);
    ASSERT_EQ(outcomes(events), (std::vector{Outcome::Stray, Outcome::BadChecksum, Outcome::Stray,
                                             Outcome::Request, Outcome::Request}));
    EXPECT_EQ(events[0].bytes, (Bytes{0x00, 0xAA, 0x43, 0x00}));
    EXPECT_EQ(events[1].bytes, badSum);
}

TEST(RequestReader, RequestBehindACutOffFrameIsStillFound)
{
    RequestReader reader;
    // Four bytes of a frame, then a whole one: the cut-off frame's "length" swallows part of
    // the real one, the checksum fails, and the reader resumes at the real header.
    const auto events = reader.feed(concat(Bytes{0x43, 0x5A, 0x00, 0x00}, kPoll), 0);
    ASSERT_EQ(outcomes(events), (std::vector{Outcome::BadChecksum, Outcome::Request}));
    EXPECT_EQ(events[1].request->raw, kPoll);
}

TEST(RequestReader, SilenceEndsAStartedRequest)
{
    RequestReader reader(50);
    reader.feed(std::span(kPoll).first(5), 100);
    EXPECT_EQ(reader.deadlineMs(), 150);
    EXPECT_FALSE(reader.expire(149));
    const auto dropped = reader.expire(150);
    ASSERT_TRUE(dropped);
    EXPECT_EQ(dropped->outcome, Outcome::Incomplete);
    EXPECT_FALSE(reader.deadlineMs());
    // The next request is not spoiled by the lost bytes.
    EXPECT_EQ(outcomes(reader.feed(kPoll, 300)), std::vector{Outcome::Request});
}

} // namespace
} // namespace veltroma::sim
