#include "web/RequestHead.h"

#include <QList>

#include <algorithm>

namespace veltroma {

namespace {

// The characters of a token (a method or a header name).
bool isTokenChar(char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
}

bool isToken(QByteArrayView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), isTokenChar);
}

// Visible ASCII only: no spaces, controls or bytes above 0x7e in a request target.
bool isTarget(QByteArrayView text)
{
    return text.startsWith('/') && std::all_of(text.begin(), text.end(), [](char c) {
               return c > 0x20 && c < 0x7f;
           });
}

// A header value may hold tabs and bytes above 0x7f, but no other control character: a CR
// or NUL inside it would let the value be read differently further on.
bool isFieldValue(QByteArrayView text)
{
    return std::all_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte == '\t' || (byte >= 0x20 && byte != 0x7f);
    });
}

QByteArrayView trimmedBlanks(QByteArrayView text)
{
    while (!text.isEmpty() && (text.front() == ' ' || text.front() == '\t'))
        text = text.sliced(1);
    while (!text.isEmpty() && (text.back() == ' ' || text.back() == '\t'))
        text.chop(1);
    return text;
}

bool parseRequestLine(QByteArrayView line, RequestHead& head)
{
    const qsizetype first = line.indexOf(' ');
    const qsizetype last = line.lastIndexOf(' ');
    if (first <= 0 || last <= first)
        return false;
    const QByteArrayView method = line.first(first);
    const QByteArrayView target = line.sliced(first + 1, last - first - 1);
    const QByteArrayView version = line.sliced(last + 1);
    if (!isToken(method) || !isTarget(target) || (version != "HTTP/1.1" && version != "HTTP/1.0"))
        return false;
    head.method = method.toByteArray();
    head.target = target.toByteArray();
    head.version = version.toByteArray();
    return true;
}

bool parseHeaderLine(QByteArrayView line, RequestHead& head)
{
    const qsizetype colon = line.indexOf(':');
    // No blank before the colon and no folded continuation line: both read differently in
    // different servers, so they are refused rather than guessed at.
    if (colon <= 0 || !isToken(line.first(colon)))
        return false;
    const QByteArrayView value = trimmedBlanks(line.sliced(colon + 1));
    if (!isFieldValue(value))
        return false;
    head.headers.emplace_back(line.first(colon).toByteArray().toLower(), value.toByteArray());
    return true;
}

// 413 for a body, 400 for a length that is no number; 0 when there is none.
int bodyStatus(const RequestHead& head)
{
    for (const auto& [name, value] : head.headers) {
        if (name == "transfer-encoding")
            return 413;
        if (name != "content-length")
            continue;
        if (value.isEmpty()
            || !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return 400;
        if (std::any_of(value.begin(), value.end(), [](char c) { return c != '0'; }))
            return 413;
    }
    return 0;
}

// Whether the bytes so far can begin a request line: a TLS handshake or other binary sent to
// the plain port is refused at once instead of when its time runs out.
bool startsLikeAMethod(QByteArrayView rest)
{
    const auto end = std::find_if(rest.begin(), rest.end(), [](char c) { return c == ' ' || c == '\r'; });
    return std::all_of(rest.begin(), end, isTokenChar);
}

HeadScan refused(int status)
{
    HeadScan scan;
    scan.outcome = HeadScan::Outcome::Refused;
    scan.status = status;
    return scan;
}

} // namespace

QByteArray RequestHead::header(QByteArrayView lowerName) const
{
    const auto found = std::find_if(headers.begin(), headers.end(),
                                    [lowerName](const auto& header) { return header.first == lowerName; });
    return found == headers.end() ? QByteArray() : found->second;
}

bool RequestHead::keepAlive() const
{
    const QByteArray connection = header("connection").toLower();
    const auto says = [&connection](QByteArrayView option) {
        for (const QByteArray& part : connection.split(','))
            if (trimmedBlanks(part) == option)
                return true;
        return false;
    };
    if (version == "HTTP/1.0")
        return says("keep-alive");
    return !says("close");
}

HeadScan scanRequestHead(QByteArrayView bytes, qsizetype maxBytes)
{
    qsizetype start = 0;
    while (bytes.sliced(start).startsWith("\r\n"))
        start += 2;
    const QByteArrayView rest = bytes.sliced(start);
    // A bare LF ends a line for some readers and not for others: the end is looked for with
    // either, and a bare one is refused below.
    qsizetype end = rest.indexOf("\n\r\n");
    const qsizetype bareEnd = rest.indexOf("\n\n");
    if (bareEnd >= 0 && (end < 0 || bareEnd < end))
        return refused(400);
    const qsizetype length = end < 0 ? -1 : start + end + 3;
    if (length < 0 || length > maxBytes) {
        if (length < 0 && bytes.size() <= maxBytes)
            return startsLikeAMethod(rest) ? HeadScan{} : refused(400);
        const qsizetype lineEnd = bytes.sliced(start).indexOf('\n');
        return refused(lineEnd < 0 || start + lineEnd >= maxBytes ? 414 : 431);
    }

    HeadScan scan;
    RequestHead& head = scan.head;
    const QByteArrayView text = rest.first(end + 1);
    qsizetype position = 0;
    bool firstLine = true;
    while (position < text.size()) {
        const qsizetype newline = text.indexOf('\n', position);
        if (newline <= position || text.at(newline - 1) != '\r')
            return refused(400);
        const QByteArrayView line = text.sliced(position, newline - 1 - position);
        position = newline + 1;
        if (firstLine ? !parseRequestLine(line, head) : !parseHeaderLine(line, head))
            return refused(400);
        firstLine = false;
    }
    if (head.method != "GET" && head.method != "HEAD")
        return refused(405);
    if (const int status = bodyStatus(head); status != 0)
        return refused(status);
    scan.outcome = HeadScan::Outcome::Complete;
    scan.length = length;
    return scan;
}

} // namespace veltroma
