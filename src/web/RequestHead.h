#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <utility>
#include <vector>

namespace veltroma {

// The request line and headers of one HTTP/1.x request, as the client sent them.
struct RequestHead {
    QByteArray method;  // e.g. "GET"
    QByteArray target;  // e.g. "/api/v1/day?date=2026-12-09", as sent (not decoded)
    QByteArray version; // "HTTP/1.0" or "HTTP/1.1"
    // In the order sent, names in lower case, values without surrounding blanks.
    std::vector<std::pair<QByteArray, QByteArray>> headers;

    // The value of the first header of that name (lower case), or an empty text.
    [[nodiscard]] QByteArray header(QByteArrayView lowerName) const;
    // Whether the client keeps the connection for a further request: HTTP/1.1 unless it says
    // "Connection: close", HTTP/1.0 only when it says "Connection: keep-alive".
    [[nodiscard]] bool keepAlive() const;
};

// What the bytes received so far on a connection come to.
struct HeadScan {
    enum class Outcome {
        Incomplete, // no end of the head yet, and still within the limit
        Complete,   // `head` holds the request; `length` bytes of the input are its head
        Refused,    // answer `status` and close the connection
    };
    Outcome outcome = Outcome::Incomplete;
    int status = 0; // with Refused: 400, 405, 413, 414 or 431
    RequestHead head;
    qsizetype length = 0;
};

// Reads the head at the start of `bytes`, at most `maxBytes` of them. Refused, with the status
// to answer: a head longer than `maxBytes` (414 when not even the request line ended within
// it, else 431); a request line or header that is not well formed, a bare LF or a folded
// header line (400); a method other than GET and HEAD (405); a body announced by a
// Content-Length above 0 or a Transfer-Encoding (413). Bytes that cannot begin a request
// (no method before the first blank) are refused at once with 400. Empty lines before the
// request line are skipped, as clients may send them between requests.
[[nodiscard]] HeadScan scanRequestHead(QByteArrayView bytes, qsizetype maxBytes);

} // namespace veltroma
