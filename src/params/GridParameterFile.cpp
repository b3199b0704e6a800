#include "params/GridParameterFile.h"

#include "base/PrivateFiles.h"
#include "config/Strings.h"
#include "params/LeadingNumber.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <utility>

namespace veltroma {

namespace {

constexpr std::size_t kVacMinRow = 2;
constexpr std::size_t kVacMaxRow = 3;
constexpr std::size_t kFMinRow = 4;
constexpr std::size_t kFMaxRow = 5;

int decimals(EntryRule rule)
{
    return rule == EntryRule::Integer ? 0 : (rule == EntryRule::OneDecimal ? 1 : 2);
}

QString format(const GridParameter& parameter, double value)
{
    return QString::number(value, 'f', decimals(parameter.rule));
}

// The same tolerances as a typed entry: the bounds are single-precision values.
double tolerance(EntryRule rule)
{
    return rule == EntryRule::TwoDecimals ? 0.0005 : 0.00005;
}

QString orderProblem(const GridSelection& values, std::size_t low, std::size_t high)
{
    return g_LoadString(QStringLiteral("IDC_PARAMETER_ORDER"))
        .arg(QLatin1String(kGridParameters[low].name), *values[low],
             QLatin1String(kGridParameters[high].name), *values[high]);
}

} // namespace

std::optional<std::size_t> gridParameterRow(QStringView name)
{
    for (std::size_t row = 0; row < kGridParameterCount; ++row) {
        if (name.compare(QLatin1String(kGridParameters[row].name), Qt::CaseInsensitive) == 0)
            return row;
    }
    return std::nullopt;
}

std::optional<QString> strictGridValue(const GridParameter& parameter, QStringView text)
{
    const auto value = plainGridValue(parameter, text);
    if (!value)
        return std::nullopt;
    const double number = value->toDouble();
    const double tol = tolerance(parameter.rule);
    if (parameter.minimum - number > tol || number - parameter.maximum > tol)
        return std::nullopt;
    return value;
}

std::optional<QString> plainGridValue(const GridParameter& parameter, QStringView text)
{
    // Digits with at most one decimal point: no sign, exponent, "nan" or "inf".
    const QString trimmed = text.trimmed().toString();
    static const QRegularExpression plain(QStringLiteral("^[0-9]+(\\.[0-9]*)?$"));
    if (!plain.match(trimmed).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    // The word it travels in holds at most 65535 steps.
    if (value * parameter.scale > 65535.0)
        return std::nullopt;
    // A value between two steps of the row would be rounded on the way: refuse it.
    const double steps = value * std::pow(10.0, decimals(parameter.rule));
    if (std::fabs(steps - std::round(steps)) > 1e-6)
        return std::nullopt;
    return format(parameter, value);
}

QStringList consistencyProblems(const GridTexts& texts)
{
    GridSelection values;
    std::copy(texts.begin(), texts.end(), values.begin());
    return consistencyProblems(values);
}

QStringList consistencyProblems(const GridSelection& values)
{
    QStringList problems;
    const auto broken = [&](std::size_t low, std::size_t high) {
        if (!values[low] || !values[high])
            return false;
        // Compared in the units they travel in, as the rows show them.
        const double a = std::round(LeadingDouble(*values[low]) * kGridParameters[low].scale);
        const double b = std::round(LeadingDouble(*values[high]) * kGridParameters[high].scale);
        return a >= b;
    };
    for (const auto& [low, high] : {std::pair{kVacMinRow, kVacMaxRow}, std::pair{kFMinRow, kFMaxRow}}) {
        if (broken(low, high))
            problems << orderProblem(values, low, high);
    }
    return problems;
}

ParameterFileContents parseParameterFile(const QByteArray& content)
{
    ParameterFileContents result;
    bool given = false;
    const QList<QByteArray> lines = content.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = QString::fromUtf8(lines[i]).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QString where = QStringLiteral("line %1: ").arg(i + 1);
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0) {
            result.problems << where + QStringLiteral("expected Name=Value");
            continue;
        }
        const QString name = line.left(equals).trimmed();
        const QString text = line.mid(equals + 1).trimmed();
        const auto row = gridParameterRow(name);
        if (!row) {
            QStringList known;
            for (const GridParameter& parameter : kGridParameters)
                known << QLatin1String(parameter.name);
            result.problems << where
                    + QStringLiteral("unknown parameter '%1' (known: %2)").arg(name, known.join(u' '));
            continue;
        }
        const GridParameter& parameter = kGridParameters[*row];
        if (result.values[*row]) {
            result.problems << where + QStringLiteral("%1 given twice").arg(name);
            continue;
        }
        const QString problem = where
            + QStringLiteral("%1=%2 is not a value from %3 to %4")
                  .arg(name, text, format(parameter, parameter.minimum),
                       format(parameter, parameter.maximum));
        const auto value = plainGridValue(parameter, text);
        if (!value) {
            result.problems << problem;
            continue;
        }
        result.values[*row] = *value;
        if (!strictGridValue(parameter, text))
            result.outOfRange[*row] = problem;
        given = true;
    }
    if (!given && result.problems.isEmpty())
        result.problems << QStringLiteral("the file sets no parameter (expected Name=Value lines)");
    // With other problems to mend, every value outside its range is said in the same pass: it
    // passes later only where the inverter holds it already.
    if (!result.problems.isEmpty()) {
        for (const QString& problem : result.outOfRange) {
            if (!problem.isEmpty())
                result.problems << problem + QStringLiteral(" (accepted only where the inverter holds it)");
        }
        // In the order of the file's lines.
        const auto lineOf = [](const QString& problem) { return problem.section(u' ', 1, 1).chopped(1).toInt(); };
        std::stable_sort(result.problems.begin(), result.problems.end(),
                         [&](const QString& a, const QString& b) { return lineOf(a) < lineOf(b); });
    }
    return result;
}

QStringList rangeProblems(const ParameterFileContents& contents, const GridTexts& present)
{
    QStringList problems;
    for (std::size_t row = 0; row < kGridParameterCount; ++row) {
        if (!contents.outOfRange[row].isEmpty() && contents.values[row] != present[row])
            problems << contents.outOfRange[row];
    }
    return problems;
}

QByteArray formatParameterFile(const GridTexts& texts, const QString& serialNumber,
                               const QDateTime& time)
{
    QByteArray out = "# inverter " + (serialNumber.isEmpty() ? QByteArray("unknown")
                                                             : serialNumber.toUtf8())
        + ", read " + time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8() + '\n';
    for (std::size_t row = 0; row < kGridParameterCount; ++row)
        out += QByteArray(kGridParameters[row].name) + '=' + texts[row].toUtf8() + '\n';
    return out;
}

QString backupPath(const QString& programFolder, int address, const QDateTime& time)
{
    return programFolder + QStringLiteral("Data/Inverter%1/parameters-%2.txt")
                               .arg(address)
                               .arg(time.toString(QStringLiteral("yyyyMMdd-HHmmss")));
}

std::optional<QString> writeBackup(const QString& programFolder, int address,
                                   const GridTexts& texts, const QString& serialNumber,
                                   const QDateTime& time)
{
    // Two backups within one second keep both: the second gets a number.
    QString path = backupPath(programFolder, address, time);
    const QString stem = path.chopped(4);
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = stem + QStringLiteral("-%1.txt").arg(n);
    if (makePrivateFolder(QFileInfo(path).absolutePath()))
        return std::nullopt;
    // Whole or not at all: a backup cut short would restore wrong values.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return std::nullopt;
    makeOpenFilePrivate(file);
    file.write(formatParameterFile(texts, serialNumber, time));
    if (!file.commit())
        return std::nullopt;
    return path;
}

} // namespace veltroma
