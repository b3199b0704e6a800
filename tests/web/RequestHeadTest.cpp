#include "web/RequestHead.h"

#include <gtest/gtest.h>

namespace veltroma {
namespace {

constexpr qsizetype kLimit = 8 * 1024;

struct RefusedCase {
    const char* name;
    QByteArray bytes;
    int status;
};

TEST(RequestHeadTest, ReadsTheRequestLineAndHeadersOfAWholeHead)
{
    const QByteArray bytes = "\r\nGET /api/v1/day?date=2026-12-09 HTTP/1.1\r\nHost: x\r\n"
                             "Accept-Language:  zh-CN,zh;q=0.9 \r\nLast-Event-ID: 17\r\n\r\nGET /next";
    const HeadScan scan = scanRequestHead(bytes, kLimit);
    ASSERT_EQ(scan.outcome, HeadScan::Outcome::Complete);
    // The stray empty line before it counts; the next request's start does not.
    EXPECT_EQ(scan.length, bytes.indexOf("GET /next"));
    EXPECT_EQ(scan.head.method, "GET");
    EXPECT_EQ(scan.head.target, "/api/v1/day?date=2026-12-09");
    EXPECT_EQ(scan.head.header("accept-language"), "zh-CN,zh;q=0.9");
    EXPECT_EQ(scan.head.header("last-event-id"), "17");
    EXPECT_EQ(scan.head.header("authorization"), QByteArray());
    EXPECT_TRUE(scan.head.keepAlive());
}

TEST(RequestHeadTest, WaitsForTheRestOfAHeadThatCanStillBeOne)
{
    for (const QByteArray& bytes : {QByteArray(""), QByteArray("GE"), QByteArray("GET / HTTP/1.1\r\nHost: x\r\n"),
                                   QByteArray("GET / HTTP/1.1\r\n\r")}) {
        SCOPED_TRACE(bytes.toStdString());
        EXPECT_EQ(scanRequestHead(bytes, kLimit).outcome, HeadScan::Outcome::Incomplete);
    }
}

TEST(RequestHeadTest, KeepsTheConnectionAsTheVersionAndConnectionHeaderSay)
{
    const auto keeps = [](const QByteArray& head) {
        return scanRequestHead(head + "\r\n", kLimit).head.keepAlive();
    };
    EXPECT_TRUE(keeps("GET / HTTP/1.1\r\n"));
    EXPECT_FALSE(keeps("GET / HTTP/1.1\r\nConnection: Upgrade, Close\r\n"));
    EXPECT_FALSE(keeps("GET / HTTP/1.0\r\n"));
    EXPECT_TRUE(keeps("GET / HTTP/1.0\r\nConnection: keep-alive\r\n"));
}

TEST(RequestHeadTest, RefusesWhatIsNoSoundGetOrHeadWithTheStatusToAnswer)
{
    const QByteArray longValue(kLimit, 'a');
    const RefusedCase cases[] = {
        {"POST", "POST /x HTTP/1.1\r\nContent-Length: 2\r\n\r\nab", 405},
        {"an unknown method", "BREW / HTTP/1.1\r\n\r\n", 405},
        {"a body on a GET", "GET / HTTP/1.1\r\nContent-Length: 10\r\n\r\n", 413},
        {"a chunked GET", "GET / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n", 413},
        {"a length that is no number", "GET / HTTP/1.1\r\nContent-Length: -1\r\n\r\n", 400},
        {"no version", "GET /\r\n\r\n", 400},
        {"another version", "GET / HTTP/2.0\r\n\r\n", 400},
        {"a target that is no path", "GET http://a/ HTTP/1.1\r\n\r\n", 400},
        {"a space in the target", "GET /a b HTTP/1.1\r\n\r\n", 400},
        {"a blank before the colon", "GET / HTTP/1.1\r\nHost : x\r\n\r\n", 400},
        {"a folded header", "GET / HTTP/1.1\r\nX-A: 1\r\n 2\r\n\r\n", 400},
        {"a header without a colon", "GET / HTTP/1.1\r\nHost\r\n\r\n", 400},
        {"a control character in a value", QByteArray("GET / HTTP/1.1\r\nX-A: a") + '\0' + "b\r\n\r\n", 400},
        {"bare line feeds", "GET / HTTP/1.1\nHost: x\n\n", 400},
        {"a bare line feed inside", "GET / HTTP/1.1\r\nHost: x\nX-A: 1\r\n\r\n", 400},
        // A TLS handshake on the plain port: refused before any end of a head.
        {"binary", QByteArray("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", 11), 400},
        {"a header over the limit", "GET / HTTP/1.1\r\nX-Big: " + longValue + "\r\n\r\n", 431},
        {"a header over the limit, unfinished", "GET / HTTP/1.1\r\nX-Big: " + longValue, 431},
        {"a request line over the limit", "GET /" + longValue + " HTTP/1.1\r\n\r\n", 414},
    };
    for (const RefusedCase& c : cases) {
        SCOPED_TRACE(c.name);
        const HeadScan scan = scanRequestHead(c.bytes, kLimit);
        EXPECT_EQ(scan.outcome, HeadScan::Outcome::Refused);
        EXPECT_EQ(scan.status, c.status);
    }
}

TEST(RequestHeadTest, TakesAHeadOfExactlyTheLimitAndRefusesOneByteMore)
{
    const QByteArray start = "GET / HTTP/1.1\r\nX-Fill: ";
    const QByteArray fill(kLimit - start.size() - 4, 'f');
    EXPECT_EQ(scanRequestHead(start + fill + "\r\n\r\n", kLimit).outcome, HeadScan::Outcome::Complete);
    const HeadScan over = scanRequestHead(start + fill + "f\r\n\r\n", kLimit);
    EXPECT_EQ(over.outcome, HeadScan::Outcome::Refused);
    EXPECT_EQ(over.status, 431);
}

} // namespace
} // namespace veltroma
