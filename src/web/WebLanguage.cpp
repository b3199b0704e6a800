#include "web/WebLanguage.h"

#include "config/LanguageSettings.h"

#include <QFile>
#include <QList>

namespace veltroma {
namespace {

// The language a range of Accept-Language stands for, if the pages speak it.
std::optional<WebLanguage> languageOfRange(const QByteArray& range)
{
    if (range == "*")
        return WebLanguage::English;
    const QList<QByteArray> subtags = range.toLower().split('-');
    if (subtags.front() == "en")
        return WebLanguage::English;
    if (subtags.front() != "zh")
        return std::nullopt;
    // A script subtag decides; otherwise the region.
    for (const QByteArray& subtag : subtags.mid(1)) {
        if (subtag == "hant")
            return WebLanguage::ChineseTraditional;
        if (subtag == "hans")
            return WebLanguage::ChineseSimplified;
    }
    for (const QByteArray& subtag : subtags.mid(1)) {
        if (subtag == "tw" || subtag == "hk" || subtag == "mo")
            return WebLanguage::ChineseTraditional;
    }
    return WebLanguage::ChineseSimplified;
}

// The q-value of a range's parameters ("q=0.8"); 1 without one, nothing when malformed.
std::optional<double> qualityOf(const QList<QByteArray>& parameters)
{
    double quality = 1.0;
    for (const QByteArray& parameter : parameters) {
        const QByteArray p = parameter.trimmed();
        if (!p.startsWith("q=") && !p.startsWith("Q="))
            continue;
        bool ok = false;
        quality = p.mid(2).toDouble(&ok);
        if (!ok || quality < 0.0 || quality > 1.0)
            return std::nullopt;
    }
    return quality;
}

const char* fileNameOf(WebLanguage language)
{
    switch (language) {
    case WebLanguage::ChineseSimplified:
        return "chinesesimple.ini";
    case WebLanguage::ChineseTraditional:
        return "chinesecomplex.ini";
    case WebLanguage::English:
        break;
    }
    return "english.ini";
}

} // namespace

WebLanguage chooseWebLanguage(QByteArrayView acceptLanguage)
{
    WebLanguage best = WebLanguage::English;
    double bestQuality = 0.0;
    for (const QByteArray& item : acceptLanguage.toByteArray().split(',')) {
        QList<QByteArray> parts = item.split(';');
        const auto language = languageOfRange(parts.takeFirst().trimmed());
        const auto quality = qualityOf(parts);
        if (language && quality && *quality > bestQuality) {
            best = *language;
            bestQuality = *quality;
        }
    }
    return best;
}

QString languageTag(WebLanguage language)
{
    switch (language) {
    case WebLanguage::ChineseSimplified:
        return QStringLiteral("zh-Hans");
    case WebLanguage::ChineseTraditional:
        return QStringLiteral("zh-Hant");
    case WebLanguage::English:
        break;
    }
    return QStringLiteral("en");
}

QString languageFilePath(WebLanguage language, const QString& languageFolder)
{
    const QString folder = languageFolder.isEmpty() || languageFolder.endsWith(u'/')
        ? languageFolder
        : languageFolder + u'/';
    return folder + QLatin1String(fileNameOf(language));
}

WebTexts::WebTexts(WebLanguage language, const QString& languageFolder)
{
    path_ = languageFilePath(language, languageFolder);
    QFile file(path_);
    if (!languageFolder.isEmpty() && file.open(QIODevice::ReadOnly))
        file_ = ProfileDocument::parse(file.readAll());
}

std::optional<QString> WebTexts::text(QStringView key) const
{
    std::optional<QString> text = file_ ? file_->value(u"String", key) : std::nullopt;
    // embeddedLanguageText knows the carried copy by the file's name.
    if (!text)
        text = embeddedLanguageText(path_, key.toString());
    if (text)
        text->replace(QStringLiteral("\\n"), QStringLiteral("\n"));
    return text;
}

} // namespace veltroma
