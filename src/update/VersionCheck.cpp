#include "update/VersionCheck.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QHostAddress>
#include <QHostInfo>
#include <QTcpSocket>
#include <QTimer>

#include "update/UpdateHost.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace veltroma {

namespace {

// The answer is judged in pieces of this size, the receive buffer of the request; cutting the
// stream at fixed offsets makes the result independent of how the network splits it.
constexpr qsizetype chunkSize = 512;
// A version file is a few hundred bytes; a server that streams without end is cut off here.
constexpr qint64 answerLimitBytes = 1024 * 1024;

bool isCSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The number text after the sign; out-of-range values become what the C library gives:
// infinity on overflow, 0 on underflow.
double parseUnsigned(const char* p, const char* end)
{
    auto format = std::chars_format::general;
    char exponentMark = 'e';
    if (end - p >= 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        if (end - p == 2 || !(isHexDigit(p[2]) || p[2] == '.'))
            return 0.0; // "0x" with nothing hexadecimal after it reads as the 0 alone
        p += 2;
        format = std::chars_format::hex;
        exponentMark = 'p';
    }
    if (p == end || *p == '+' || *p == '-')
        return 0.0;
    double value = 0.0;
    const auto [last, error] = std::from_chars(p, end, value, format);
    if (error == std::errc::invalid_argument)
        return 0.0;
    if (error == std::errc::result_out_of_range) {
        for (const char* c = p; c + 1 < last; ++c) {
            if ((*c | 0x20) == exponentMark && c[1] == '-')
                return 0.0;
        }
        return std::numeric_limits<double>::infinity();
    }
    return value;
}

// The host part of a scheme-less URL: everything before its first '/'.
QString hostOfUrl(const QString& url)
{
    const auto slash = url.indexOf(u'/');
    return slash < 0 ? url : url.left(slash);
}

QString pathOfUrl(const QString& url)
{
    const auto slash = url.indexOf(u'/');
    return slash < 0 ? QStringLiteral("/") : url.mid(slash);
}

QList<QHostAddress> lookUp(const QString& name, QDeadlineTimer deadline)
{
    if (QHostAddress address; address.setAddress(name))
        return {address};
    // The lookup runs on Qt's resolver threads; waiting for it here, without user input,
    // keeps a slow name server within the connect time as well.
    QList<QHostAddress> found;
    QEventLoop loop;
    const int id = QHostInfo::lookupHost(name, &loop, [&](const QHostInfo& info) {
        found = info.addresses();
        loop.quit();
    });
    QTimer::singleShot(std::max<qint64>(deadline.remainingTime(), 0), &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    QHostInfo::abortHostLookup(id);
    return found;
}

bool connectWithin(QTcpSocket& socket, const UpdateHost& host, QDeadlineTimer deadline)
{
    for (const QHostAddress& address : lookUp(host.name, deadline)) {
        if (deadline.hasExpired())
            break;
        socket.connectToHost(address, host.port);
        if (socket.waitForConnected(static_cast<int>(deadline.remainingTime())))
            return true;
        socket.abort();
    }
    return false;
}

} // namespace

double atofPrefix(QByteArrayView text)
{
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p != end && isCSpace(*p))
        ++p;
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    const double value = parseUnsigned(p, end);
    return negative ? -value : value;
}

bool chunkAnnouncesNewer(QByteArrayView chunk, double currentVersion)
{
    const auto semicolon = chunk.lastIndexOf(';');
    const auto number = semicolon < 0 ? chunk : chunk.sliced(semicolon + 1);
    return currentVersion < atofPrefix(number);
}

GetUrlResult VersionCheck::GetUrl(const QString& url, const QString& fileName,
                                  const QString& currentVersion)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {m_newerVersionSeen, file.errorString()};

    const QString hostText = hostOfUrl(url);
    const auto host = parseUpdateHost(hostText);
    QTcpSocket socket;
    if (!host || !connectWithin(socket, *host, QDeadlineTimer(m_timeouts.connectMs)))
        return {m_newerVersionSeen, {}};

    const QByteArray request = "GET " + pathOfUrl(url).toLatin1() + " HTTP/1.1\r\n"
        + "HOST: " + hostText.toLatin1() + "\r\nConnection: Close\r\n\r\n";
    socket.write(request);

    const double current = atofPrefix(currentVersion.toLatin1());
    QByteArray pending;
    const auto take = [&] {
        const QByteArray data = socket.readAll();
        file.write(data);
        pending += data;
        for (; pending.size() >= chunkSize; pending.remove(0, chunkSize)) {
            if (chunkAnnouncesNewer(QByteArrayView(pending).first(chunkSize), current))
                m_newerVersionSeen = true;
        }
    };
    // Until the server closes, the connection fails, the server falls silent, or the answer
    // runs beyond all reason in size or time.
    const QDeadlineTimer answerDeadline(m_timeouts.answerMs);
    qint64 received = 0;
    while (received < answerLimitBytes && !answerDeadline.hasExpired()
           && socket.waitForReadyRead(static_cast<int>(
               std::min<qint64>(m_timeouts.silenceMs, answerDeadline.remainingTime())))) {
        received += socket.bytesAvailable();
        take();
    }
    take();
    if (!pending.isEmpty() && chunkAnnouncesNewer(pending, current))
        m_newerVersionSeen = true;
    return {m_newerVersionSeen, {}};
}

} // namespace veltroma
