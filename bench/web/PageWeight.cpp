// The weight of the web view's pages as a browser loads them: every page in every language,
// rendered by WebPages exactly as the program serves it, with each static file it asks for,
// compressed with gzip -9. The live page ("/") must stay within 15 KB compressed without the
// chart library, so that a phone on a weak link shows it promptly; exits 1 over that.
//
//   page_weight            (or: cmake --build <build> --target bench_web_page_weight)
#include "web/WebPages.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdio>
#include <map>

namespace veltroma {
namespace {

constexpr qsizetype kLivePageBudgetBytes = 15 * 1024;

// gzip -9 of `bytes`, in bytes; -1 when gzip could not run.
qsizetype gzipSize(const QByteArray& bytes)
{
    QProcess gzip;
    gzip.start(QStringLiteral("gzip"), {QStringLiteral("-9"), QStringLiteral("-c"), QStringLiteral("-n")});
    if (!gzip.waitForStarted())
        return -1;
    gzip.write(bytes);
    gzip.closeWriteChannel();
    gzip.waitForFinished();
    return gzip.readAllStandardOutput().size();
}

WebRequest get(const QString& path, const QByteArray& language)
{
    WebRequest request;
    request.method = "GET";
    request.path = path;
    request.acceptLanguage = language;
    return request;
}

bool isChartLibrary(const QString& path)
{
    return path.contains(QStringLiteral("uplot"));
}

} // namespace
} // namespace veltroma

int main(int argc, char** argv)
{
    using namespace veltroma;
    QCoreApplication app(argc, argv);
    // The carried texts only: no program folder is needed.
    QTemporaryDir noLanguageFolder;
    const WebPages pages(noLanguageFolder.path());
    static const QRegularExpression reference(QStringLiteral("(?:src|href)=\"(/static/[^\"?]+)"));

    std::printf("%-10s %-8s %-22s %9s %9s\n", "page", "language", "file", "bytes", "gzip -9");
    bool withinBudget = true;
    for (const char* path : {"/", "/history", "/health"}) {
        for (const char* language : {"en", "zh-CN", "zh-TW"}) {
            const auto page = pages.page(get(QLatin1String(path), language));
            if (!page)
                return 2;
            std::map<QString, QByteArray> files{{QStringLiteral("(page)"), page->body}};
            for (auto match = reference.globalMatch(QString::fromUtf8(page->body)); match.hasNext();) {
                const QString file = match.next().captured(1);
                if (const auto response = pages.page(get(file, language)))
                    files[file] = response->body;
            }
            qsizetype total = 0;
            qsizetype totalWithoutChart = 0;
            for (const auto& [file, body] : files) {
                const qsizetype compressed = gzipSize(body);
                if (compressed < 0) {
                    std::fprintf(stderr, "gzip did not run\n");
                    return 2;
                }
                total += compressed;
                if (!isChartLibrary(file))
                    totalWithoutChart += compressed;
                std::printf("%-10s %-8s %-22s %9lld %9lld\n", path, language, qPrintable(file.section(u'/', -1)),
                            static_cast<long long>(body.size()), static_cast<long long>(compressed));
            }
            std::printf("%-10s %-8s %-22s %9s %9lld\n", path, language, "total", "", static_cast<long long>(total));
            std::printf("%-10s %-8s %-22s %9s %9lld\n\n", path, language, "total without chart", "",
                        static_cast<long long>(totalWithoutChart));
            if (QLatin1String(path) == QLatin1String("/") && totalWithoutChart > kLivePageBudgetBytes) {
                std::printf("the live page (%s) weighs %lld bytes compressed, over %lld\n", language,
                            static_cast<long long>(totalWithoutChart), static_cast<long long>(kLivePageBudgetBytes));
                withinBudget = false;
            }
        }
    }
    return withinBudget ? 0 : 1;
}
