// Build-time tool: turns a UTF-8 language source into the bytes the program embeds, with
// CR LF line ends, in GBK or in UTF-16LE after a byte-order mark. The languages that carry
// the English texts are made from the English source with their own [Setting] Language
// value, optionally another program title, and without some keys.
//
// make_language_file SOURCE OUTPUT gbk|utf16le [--language VALUE] [--title VALUE]
//                    [--without KEY]...

#include "config/GbkCodec.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringList>
#include <QtEndian>

#include <cstdio>
#include <optional>

namespace {

struct Options {
    QString source;
    QString output;
    QString encoding;
    std::optional<QString> language;
    std::optional<QString> title;
    QStringList without;
};

int fail(const QString& message)
{
    std::fprintf(stderr, "make_language_file: %s\n", qPrintable(message));
    return 1;
}

std::optional<Options> parseArguments(int argc, char** argv)
{
    if (argc < 4)
        return std::nullopt;
    Options options{QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]),
                    QString::fromLatin1(argv[3]), {}, {}, {}};
    for (int i = 4; i + 1 < argc; i += 2) {
        const QByteArray flag(argv[i]);
        // Values come as UTF-8 from the build files, whatever the locale.
        const QString value = QString::fromUtf8(argv[i + 1]);
        if (flag == "--language")
            options.language = value;
        else if (flag == "--title")
            options.title = value;
        else if (flag == "--without")
            options.without.append(value);
        else
            return std::nullopt;
    }
    if ((argc - 4) % 2 != 0 || (options.encoding != u"gbk" && options.encoding != u"utf16le"))
        return std::nullopt;
    return options;
}

QString keyOf(const QString& line)
{
    const qsizetype eq = line.indexOf(u'=');
    return eq < 0 ? QString() : line.first(eq);
}

} // namespace

int main(int argc, char** argv)
{
    const auto options = parseArguments(argc, argv);
    if (!options)
        return fail(QStringLiteral("usage: SOURCE OUTPUT gbk|utf16le [--language V] [--title V] [--without KEY]..."));

    QFile source(options->source);
    if (!source.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1").arg(options->source));
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(source.readAll());
    if (utf8.hasError())
        return fail(QStringLiteral("%1 is not UTF-8").arg(options->source));
    text.remove(u'\r');
    if (text.endsWith(u'\n'))
        text.chop(1);

    QString section;
    int languageSet = 0;
    int titleSet = 0;
    QStringList kept;
    QStringList dropped;
    for (const QString& line : text.split(u'\n')) {
        if (line.startsWith(u'[')) {
            section = line;
            kept.append(line);
            continue;
        }
        const QString key = keyOf(line);
        if (section == u"[Setting]" && key == u"Language" && options->language) {
            kept.append(key + u'=' + *options->language);
            ++languageSet;
        } else if (section == u"[String]" && key == u"IDC_BUTTON_TITLE" && options->title) {
            kept.append(key + u'=' + *options->title);
            ++titleSet;
        } else if (section == u"[String]" && options->without.contains(key)) {
            dropped.append(key);
        } else {
            kept.append(line);
        }
    }
    if ((options->language && languageSet != 1) || (options->title && titleSet != 1)
        || dropped.size() != options->without.size())
        return fail(QStringLiteral("%1 does not have the keys to change").arg(options->source));

    QByteArray bytes;
    const QString crlf = QStringLiteral("\r\n");
    if (options->encoding == u"gbk") {
        for (const QString& line : kept) {
            const auto encoded = veltroma::encodeGbk(QString(line + crlf));
            if (!encoded)
                return fail(QStringLiteral("no GBK form for: %1").arg(line));
            bytes += *encoded;
        }
    } else {
        bytes = QByteArray("\xFF\xFE", 2);
        for (const QChar c : kept.join(crlf) + crlf) {
            const quint16 unit = qToLittleEndian<quint16>(c.unicode());
            bytes.append(reinterpret_cast<const char*>(&unit), 2);
        }
    }

    QSaveFile output(options->output);
    if (!output.open(QIODevice::WriteOnly) || output.write(bytes) != bytes.size() || !output.commit())
        return fail(QStringLiteral("cannot write %1").arg(options->output));
    return 0;
}
