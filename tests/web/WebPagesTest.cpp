#include "web/WebPages.h"

#include "config/ProfileDocument.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace veltroma {
namespace {

WebRequest get(const QString& pathAndQuery, const QByteArray& acceptLanguage = {})
{
    const qsizetype question = pathAndQuery.indexOf(u'?');
    WebRequest request;
    request.method = "GET";
    request.path = pathAndQuery.left(question < 0 ? pathAndQuery.size() : question);
    if (question >= 0)
        request.query = QUrlQuery(pathAndQuery.mid(question + 1));
    request.acceptLanguage = acceptLanguage;
    return request;
}

QByteArray header(const WebResponse& response, const QByteArray& name)
{
    for (const auto& [key, value] : response.headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

const char* const kPagePaths[] = {"/", "/history", "/health"};

struct LanguageCase {
    QByteArray acceptLanguage;
    QString tag;
    QString navigationText; // the live page's name in the navigation bar
};

const LanguageCase kLanguages[] = {
    {"", QStringLiteral("en"), QStringLiteral("Realtime Monitor")},
    {"zh-CN,zh;q=0.9", QStringLiteral("zh-Hans"), QStringLiteral("实时监控")},
    {"zh-TW", QStringLiteral("zh-Hant"), QStringLiteral("即時監控")},
};

// Each fixture renders with an empty Language folder, so that only the carried texts count.
class WebPagesTest : public ::testing::Test {
protected:
    QTemporaryDir languageFolder_;
    WebPages pages_{languageFolder_.path()};
};

TEST_F(WebPagesTest, EveryPageIsFilledInEveryLanguage)
{
    for (const LanguageCase& language : kLanguages) {
        for (const char* path : kPagePaths) {
            SCOPED_TRACE(QStringLiteral("%1 %2").arg(QLatin1String(path), language.tag).toStdString());
            const auto response = pages_.page(get(QLatin1String(path), language.acceptLanguage));
            ASSERT_TRUE(response);
            EXPECT_EQ(response->status, 200);
            EXPECT_EQ(response->contentType, "text/html; charset=utf-8");
            const QString html = QString::fromUtf8(response->body);
            EXPECT_TRUE(html.contains(QStringLiteral("<html lang=\"%1\">").arg(language.tag)));
            EXPECT_EQ(header(*response, "Content-Language"), language.tag.toLatin1());
            EXPECT_TRUE(html.contains(language.navigationText));
            // Every placeholder found its text, in this language's carried file.
            EXPECT_FALSE(html.contains(QStringLiteral("{{")));
            EXPECT_FALSE(html.contains(QStringLiteral("Not found")));
            EXPECT_EQ(header(*response, "Vary"), "Accept-Language");
        }
    }
}

TEST_F(WebPagesTest, TextsAreEscapedWhereverTheyStand)
{
    // A hand-edited language file may hold anything.
    QFile file(languageFolder_.filePath(QStringLiteral("english.ini")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[String]\r\nIDC_WEB_TITLE=<script>alert(1)</script> & co\r\n"
               "IDC_WEB_AGE_S=%1 \"s\" 'ago'\r\n");
    file.close();

    const QString html = QString::fromUtf8(pages_.page(get(QStringLiteral("/")))->body);
    EXPECT_TRUE(html.contains(QStringLiteral("&lt;script&gt;alert(1)&lt;/script&gt; &amp; co")));
    EXPECT_FALSE(html.contains(QStringLiteral("<script>alert")));
    // In an attribute value, neither kind of quote can end it.
    EXPECT_TRUE(html.contains(QStringLiteral("data-t-age-s=\"%1 &quot;s&quot; &#39;ago&#39;\"")));
    EXPECT_EQ(htmlEscaped(u"a<b>&\"'"), QStringLiteral("a&lt;b&gt;&amp;&quot;&#39;"));
}

TEST_F(WebPagesTest, AFilledPageIsServedAgainUntilItsLanguageFileChanges)
{
    QFile file(languageFolder_.filePath(QStringLiteral("english.ini")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[String]\r\nIDC_WEB_TITLE=Roof one\r\n");
    file.close();
    const QByteArray first = pages_.page(get(QStringLiteral("/")))->body;
    EXPECT_TRUE(first.contains("Roof one"));
    EXPECT_EQ(pages_.page(get(QStringLiteral("/")))->body, first);
    // Chinese is filled from its own file.
    EXPECT_FALSE(pages_.page(get(QStringLiteral("/"), "zh-CN"))->body.contains("Roof one"));

    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[String]\r\nIDC_WEB_TITLE=The garage roof\r\n");
    file.close();
    const QByteArray second = pages_.page(get(QStringLiteral("/")))->body;
    EXPECT_TRUE(second.contains("The garage roof"));
    EXPECT_FALSE(second.contains("Roof one"));
}

TEST_F(WebPagesTest, PagesRunNoInlineScriptSoAStrictPolicyHolds)
{
    static const QRegularExpression inlineScript(QStringLiteral("<script(?![^>]*\\bsrc=)[^>]*>"));
    static const QRegularExpression handler(QStringLiteral("\\son[a-z]+\\s*="), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression styleAttribute(QStringLiteral("\\sstyle\\s*="));
    for (const char* path : kPagePaths) {
        SCOPED_TRACE(path);
        const auto response = pages_.page(get(QLatin1String(path)));
        const QString html = QString::fromUtf8(response->body);
        EXPECT_FALSE(html.contains(inlineScript));
        EXPECT_FALSE(html.contains(handler));
        EXPECT_FALSE(html.contains(styleAttribute));
        EXPECT_TRUE(header(*response, "Content-Security-Policy").startsWith("default-src 'self'"));
    }
}

TEST_F(WebPagesTest, EverythingAPageLoadsIsServedWithItsTypeAndKeptByTheBrowser)
{
    static const QRegularExpression reference(QStringLiteral("(?:src|href)=\"(/static/[^\"]+)\""));
    const QHash<QString, QByteArray> types{
        {QStringLiteral("css"), "text/css; charset=utf-8"},
        {QStringLiteral("js"), "text/javascript; charset=utf-8"},
        {QStringLiteral("svg"), "image/svg+xml"},
    };
    QSet<QString> seen;
    for (const char* path : kPagePaths) {
        const QString html = QString::fromUtf8(pages_.page(get(QLatin1String(path)))->body);
        for (auto match = reference.globalMatch(html); match.hasNext();)
            seen.insert(match.next().captured(1));
    }
    for (const char* name : {"uplot.min.js", "uplot.min.css", "web.css", "common.js", "live.js",
                             "history.js", "health.js", "icon.svg"}) {
        EXPECT_TRUE(seen.contains(QStringLiteral("/static/%1?v=%2")
                                      .arg(QLatin1String(name), QString::fromLatin1(pages_.assetsVersion()))))
            << name;
    }
    for (const QString& address : seen) {
        SCOPED_TRACE(address.toStdString());
        const auto response = pages_.page(get(address));
        ASSERT_TRUE(response);
        EXPECT_FALSE(response->body.isEmpty());
        EXPECT_EQ(response->contentType, types.value(address.section(u'?', 0, 0).section(u'.', -1)));
        EXPECT_EQ(header(*response, "Cache-Control"), "public, max-age=31536000, immutable");
    }
}

TEST_F(WebPagesTest, StaticFilesWithoutTheCurrentFingerprintAreCheckedAgain)
{
    for (const char* address : {"/static/web.css", "/static/web.css?v=0123456789ab"}) {
        SCOPED_TRACE(address);
        const auto response = pages_.page(get(QLatin1String(address)));
        ASSERT_TRUE(response);
        EXPECT_EQ(header(*response, "Cache-Control"), "no-cache");
    }
    const auto licence = pages_.page(get(QStringLiteral("/static/uplot-LICENSE.txt")));
    ASSERT_TRUE(licence);
    EXPECT_EQ(licence->contentType, "text/plain; charset=utf-8");
    EXPECT_TRUE(licence->body.contains("MIT"));
}

TEST_F(WebPagesTest, OtherPathsAreLeftToTheRouter)
{
    for (const char* path : {"/static/", "/static/nothing.js", "/static/../pages/live.html",
                             "/static/%2e%2e/pages/live.html", "/static/sub/web.css", "/static/.hidden.css",
                             "/static/web.css/", "/static/live.html", "/history/", "/index.html",
                             "/favicon.ico", "/api/v1/live", ""}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(pages_.page(get(QLatin1String(path))));
        EXPECT_EQ(pages_.respond(get(QLatin1String(path))).status, 404);
    }
    EXPECT_EQ(pages_.respond(get(QStringLiteral("/static/web.css"))).status, 200);
}

// The web texts of the three translated language sources, by key.
QHash<QString, QString> webTexts(const QString& fileName)
{
    QFile file(qEnvironmentVariable("VELTROMA_SOURCE_DIR") + QStringLiteral("/resources/languages/") + fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QHash<QString, QString> texts;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.startsWith(QStringLiteral("IDC_WEB_")) && line.contains(u'='))
            texts.insert(line.section(u'=', 0, 0), line.section(u'=', 1).trimmed());
    }
    return texts;
}

TEST(WebLanguageFilesTest, EveryWebTextIsTranslatedInEveryLanguageFile)
{
    const QHash<QString, QString> english = webTexts(QStringLiteral("english.ini"));
    ASSERT_GT(english.size(), 40);
    for (const char* fileName : {"chinesesimple.ini", "chinesecomplex.ini"}) {
        SCOPED_TRACE(fileName);
        const QHash<QString, QString> other = webTexts(QLatin1String(fileName));
        EXPECT_EQ(QSet<QString>(other.keyBegin(), other.keyEnd()),
                  QSet<QString>(english.keyBegin(), english.keyEnd()));
        for (auto text = other.cbegin(); text != other.cend(); ++text) {
            SCOPED_TRACE(text.key().toStdString());
            EXPECT_FALSE(text.value().isEmpty());
            // The same placeholders, so that no value is lost in translation.
            static const QRegularExpression placeholder(QStringLiteral("%\\d"));
            QStringList mine;
            QStringList theirs;
            for (auto m = placeholder.globalMatch(text.value()); m.hasNext();)
                mine << m.next().captured();
            for (auto m = placeholder.globalMatch(english.value(text.key())); m.hasNext();)
                theirs << m.next().captured();
            EXPECT_EQ(mine, theirs);
        }
    }
}

} // namespace
} // namespace veltroma
