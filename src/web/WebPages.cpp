#include "web/WebPages.h"

#include "config/ProgramPaths.h"
#include "web/WebLanguage.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <array>

namespace veltroma {
namespace {

const QString kPagesFolder = QStringLiteral(":/web/pages/");
const QString kStaticFolder = QStringLiteral(":/web/static/");

struct PageRoute {
    const char* path;
    const char* resource;
};

constexpr std::array<PageRoute, 3> kPages{{
    {"/", "live.html"},
    {"/history", "history.html"},
    {"/health", "health.html"},
}};

struct ContentType {
    const char* suffix;
    const char* type;
};

constexpr std::array<ContentType, 5> kContentTypes{{
    {".css", "text/css; charset=utf-8"},
    {".js", "text/javascript; charset=utf-8"},
    {".svg", "image/svg+xml"},
    {".txt", "text/plain; charset=utf-8"},
    {".html", "text/html; charset=utf-8"},
}};

// The pages load nothing from elsewhere and run no inline script or style, so the browser
// may refuse anything else that finds its way into them.
constexpr char kContentSecurityPolicy[] =
    "default-src 'self'; img-src 'self' data:; object-src 'none'; base-uri 'none'; "
    "form-action 'self'; frame-ancestors 'none'";

std::optional<QByteArray> resource(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

QByteArray fingerprintOfStaticFiles()
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const QStringList names = QDir(kStaticFolder).entryList(QDir::Files, QDir::Name);
    for (const QString& name : names) {
        hash.addData(name.toUtf8());
        hash.addData(resource(kStaticFolder + name).value_or(QByteArray()));
    }
    return hash.result().toHex().left(12);
}

} // namespace

QString htmlEscaped(QStringView text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'&':
            escaped += u"&amp;";
            break;
        case u'<':
            escaped += u"&lt;";
            break;
        case u'>':
            escaped += u"&gt;";
            break;
        case u'"':
            escaped += u"&quot;";
            break;
        case u'\'':
            escaped += u"&#39;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

WebPages::WebPages(QString languageFolder)
    : languageFolder_(std::move(languageFolder))
    , assetsVersion_(fingerprintOfStaticFiles())
{
}

std::optional<WebResponse> WebPages::page(const WebRequest& request) const
{
    for (const PageRoute& route : kPages) {
        if (request.path == QLatin1String(route.path))
            return htmlPage(kPagesFolder + QLatin1String(route.resource), request);
    }
    const QString staticPrefix = QStringLiteral("/static/");
    if (request.path.startsWith(staticPrefix))
        return staticFile(QStringView(request.path).sliced(staticPrefix.size()), request);
    return std::nullopt;
}

WebResponse WebPages::respond(const WebRequest& request) const
{
    if (auto response = page(request))
        return std::move(*response);
    WebResponse notFound;
    notFound.status = 404;
    notFound.contentType = "text/plain; charset=utf-8";
    notFound.body = "Not found\n";
    return notFound;
}

WebResponse WebPages::htmlPage(const QString& resourcePath, const WebRequest& request) const
{
    const WebLanguage language = chooseWebLanguage(request.acceptLanguage);
    const QString folder = languageFolder_.isEmpty() ? g_szCurPath() + QStringLiteral("Language/")
                                                     : languageFolder_;
    // Filling a page reads and parses its language file; a page asked for again is served as
    // filled until that file changes (a text corrected there shows at the next request).
    const QFileInfo file(languageFilePath(language, folder));
    const QDateTime modified = file.exists() ? file.lastModified() : QDateTime();
    const qint64 size = file.exists() ? file.size() : -1;
    const QByteArray tag = languageTag(language).toLatin1();
    const std::lock_guard lock(filledMutex_);
    for (const FilledPage& page : filled_) {
        if (page.resource == resourcePath && page.languageTag == tag && page.fileModified == modified
            && page.fileSize == size)
            return page.response;
    }
    std::erase_if(filled_, [&](const FilledPage& page) {
        return page.resource == resourcePath && page.languageTag == tag;
    });
    WebResponse response = fillPage(resourcePath, language, WebTexts(language, folder));
    filled_.push_back({resourcePath, tag, modified, size, response});
    return response;
}

WebResponse WebPages::fillPage(const QString& resourcePath, WebLanguage language, const WebTexts& texts) const
{
    const QString source = QString::fromUtf8(resource(resourcePath).value_or(QByteArray()));

    static const QRegularExpression placeholder(QStringLiteral("\\{\\{([A-Z0-9_]+)\\}\\}"));
    QString html;
    html.reserve(source.size() + source.size() / 4);
    qsizetype done = 0;
    for (auto match = placeholder.globalMatch(source); match.hasNext();) {
        const QRegularExpressionMatch m = match.next();
        html += QStringView(source).sliced(done, m.capturedStart() - done);
        const QStringView key = m.capturedView(1);
        if (key == u"LANG")
            html += languageTag(language);
        else if (key == u"ASSETS")
            html += QString::fromLatin1(assetsVersion_);
        else
            // As the program shows a text its files lack.
            html += htmlEscaped(texts.text(key).value_or(QStringLiteral("Not found")));
        done = m.capturedEnd();
    }
    html += QStringView(source).sliced(done);

    WebResponse response;
    response.contentType = "text/html; charset=utf-8";
    response.body = html.toUtf8();
    response.headers = {
        {"Cache-Control", "no-cache"},
        {"Vary", "Accept-Language"},
        {"Content-Language", languageTag(language).toLatin1()},
        {"Content-Security-Policy", kContentSecurityPolicy},
    };
    return response;
}

std::optional<WebResponse> WebPages::staticFile(QStringView name, const WebRequest& request) const
{
    // Only the files of the static folder itself: no sub-folder, no way up.
    if (name.isEmpty() || name.contains(u'/') || name.contains(u'\\') || name.startsWith(u'.'))
        return std::nullopt;
    const auto type = std::find_if(kContentTypes.begin(), kContentTypes.end(), [&](const ContentType& t) {
        return name.endsWith(QLatin1String(t.suffix));
    });
    if (type == kContentTypes.end())
        return std::nullopt;
    auto bytes = resource(kStaticFolder + name.toString());
    if (!bytes)
        return std::nullopt;

    WebResponse response;
    response.contentType = type->type;
    response.body = std::move(*bytes);
    // The pages ask for the files with the fingerprint of this build; such an address never
    // changes its content. Any other address is checked again on each use.
    const bool fingerprinted = request.query.queryItemValue(QStringLiteral("v")).toLatin1() == assetsVersion_;
    response.headers.emplace_back("Cache-Control",
                                  fingerprinted ? "public, max-age=31536000, immutable" : "no-cache");
    return response;
}

} // namespace veltroma
