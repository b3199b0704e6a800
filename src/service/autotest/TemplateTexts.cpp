#include "service/autotest/TemplateTexts.h"

#include <QFile>
#include <QHash>

namespace veltroma {

namespace {

QHash<QString, QString> loadTexts()
{
    QHash<QString, QString> texts;
    QFile file(QStringLiteral(":/service/autotest/testview.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return texts;
    const QString content = QString::fromUtf8(file.readAll());
    for (const QStringView line : QStringView(content).split(u'\n')) {
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const auto equals = line.indexOf(u'=');
        if (equals > 0)
            texts.insert(line.left(equals).trimmed().toString(),
                         line.mid(equals + 1).trimmed().toString());
    }
    return texts;
}

} // namespace

QString testViewText(const QString& key)
{
    // Read once; the file is part of the program and never changes while it runs.
    static const QHash<QString, QString> texts = loadTexts();
    return texts.value(key, key);
}

} // namespace veltroma
