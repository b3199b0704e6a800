#include "instruments/DateTimeFormat.h"

#include <algorithm>

namespace veltroma {

namespace {

bool startsWithNoCase(QStringView text, qsizetype at, QStringView word)
{
    return text.mid(at, word.size()).compare(word, Qt::CaseInsensitive) == 0;
}

// Qt reads letters as format characters, so literal text with letters or quotes goes into
// one quoted run, in which a quote is written twice.
void appendLiteral(QString& out, const QString& literal)
{
    const bool plain = std::none_of(literal.begin(), literal.end(),
                                    [](QChar c) { return c.isLetter() || c == u'\''; });
    if (plain) {
        out += literal;
        return;
    }
    QString escaped = literal;
    escaped.replace(QChar(u'\''), QStringLiteral("''"));
    out += u'\'' + escaped + u'\'';
}

QString repeated(QChar c, qsizetype count)
{
    return QString(count, c);
}

bool hasAmPm(QStringView format)
{
    return format.contains(u"am/pm", Qt::CaseInsensitive)
        || format.contains(u"a/p", Qt::CaseInsensitive);
}

} // namespace

QString qtDateTimeFormat(const QString& instrumentFormat)
{
    const QStringView in(instrumentFormat);
    // Without an am/pm marker hours count to 23.
    const QChar hour = hasAmPm(in) ? u'h' : u'H';
    QString out;
    QString literal;
    const auto token = [&](QStringView qt) {
        appendLiteral(out, literal);
        literal.clear();
        out += qt;
    };
    qsizetype i = 0;
    while (i < in.size()) {
        const QChar c = in[i];
        if (c == u'"' || c == u'\'') {
            const qsizetype end = in.indexOf(c, i + 1);
            const qsizetype stop = end < 0 ? in.size() : end;
            literal += in.mid(i + 1, stop - i - 1);
            i = stop + 1;
            continue;
        }
        if (startsWithNoCase(in, i, u"am/pm")) {
            token(in[i].isUpper() ? u"AP" : u"ap");
            i += 5;
            continue;
        }
        if (startsWithNoCase(in, i, u"a/p")) {
            token(in[i].isUpper() ? u"A" : u"a");
            i += 3;
            continue;
        }
        const QChar lower = c.toLower();
        qsizetype run = 1;
        while (i + run < in.size() && in[i + run].toLower() == lower)
            ++run;
        switch (lower.unicode()) {
        case u'y':
            token(run <= 2 ? u"yy" : u"yyyy");
            break;
        case u'm':
            token(repeated(u'M', std::min<qsizetype>(run, 4)));
            break;
        case u'd':
            token(repeated(u'd', std::min<qsizetype>(run, 4)));
            break;
        case u'h':
            token(repeated(hour, std::min<qsizetype>(run, 2)));
            break;
        case u'n':
            token(repeated(u'm', std::min<qsizetype>(run, 2)));
            break;
        case u's':
            token(repeated(u's', std::min<qsizetype>(run, 2)));
            break;
        case u'z':
            token(run >= 3 ? u"zzz" : u"z");
            break;
        default:
            literal += in.mid(i, run);
            break;
        }
        i += run;
    }
    appendLiteral(out, literal);
    return out;
}

} // namespace veltroma
