#include "update/VersionCheck.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QHostAddress>
#include <QHostInfo>
#include <QTcpSocket>
#include <QTimer>

#include "update/UpdateFiles.h"
#include "update/UpdateHost.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace veltroma {

namespace {

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

VersionAnswer judgeVersionAnswer(QByteArrayView response)
{
    const auto lineEnd = response.indexOf("\r\n");
    const QByteArrayView statusLine = lineEnd < 0 ? response : response.first(lineEnd);
    // "HTTP/1.1 200 OK": the version of the protocol, the code, the reason.
    const QList<QByteArray> parts = statusLine.toByteArray().split(' ');
    if (parts.size() < 2 || !parts[0].startsWith("HTTP/")) {
        return {{}, QStringLiteral("The update server gave no HTTP answer.")};
    }
    if (parts[1] != "200") {
        QString status = QString::fromLatin1(statusLine.sliced(parts[0].size() + 1)).left(80);
        for (QChar& c : status) {
            if (!c.isPrint())
                c = u'?';
        }
        return {{}, QStringLiteral("The update server answered \"%1\".").arg(status)};
    }
    const auto headerEnd = response.indexOf("\r\n\r\n");
    const QByteArrayView body = headerEnd < 0 ? QByteArrayView() : response.sliced(headerEnd + 4);
    // ";" and exactly four characters end the body.
    if (body.size() < 5 || body[body.size() - 5] != ';'
        || !isValidVersion(QString::fromLatin1(body.last(4)))) {
        return {{}, QStringLiteral("The update server's answer holds no version number.")};
    }
    return {QString::fromLatin1(body.last(4)), {}};
}

GetUrlResult VersionCheck::GetUrl(const QString& url, const QString& fileName,
                                  const QString& currentVersion)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {.fileError = file.errorString()};

    const QString hostText = hostOfUrl(url);
    const auto host = parseUpdateHost(hostText);
    QTcpSocket socket;
    if (!host || !connectWithin(socket, *host, QDeadlineTimer(m_timeouts.connectMs))) {
        return {.failure = QStringLiteral("The update server %1 could not be reached.%2")
                               .arg(hostText,
                                    socket.error() == QAbstractSocket::UnknownSocketError
                                        ? QString()
                                        : u'\n' + socket.errorString())};
    }

    const QByteArray request = "GET " + pathOfUrl(url).toLatin1() + " HTTP/1.1\r\n"
        + "HOST: " + hostText.toLatin1() + "\r\nConnection: Close\r\n\r\n";
    socket.write(request);

    QByteArray answer;
    const auto take = [&] {
        const QByteArray data = socket.readAll();
        file.write(data);
        answer += data;
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
    if (!file.flush())
        return {.fileError = file.errorString()};

    const VersionAnswer judged = judgeVersionAnswer(answer);
    if (!judged.failure.isEmpty())
        return {.failure = judged.failure};
    const bool newer = atofPrefix(currentVersion.toLatin1()) < atofPrefix(judged.version.toLatin1());
    return {.newerVersion = newer, .version = judged.version};
}

} // namespace veltroma
