#include "monitor/MonthFile.h"

#include "base/PrivateFiles.h"
#include "config/EmbeddedFiles.h"
#include "storage/CSpreadSheet.h"
#include "storage/MonthWorkbook.h"
#include "storage/RowBatch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <variant>

namespace veltroma {

namespace {

// The first row of a day sheet that holds a record: row 1 is empty, row 2 has the titles.
constexpr long kFirstDataRow = 3;
constexpr long kFirstCoverValueRow = 36;

std::optional<QString> createFromTemplate(const RecordPaths& paths)
{
    makePrivateFolder(paths.DataRecordDir2);
    if (MakeResource(kRecordTemplateFileId, paths.sWriteExcelPath))
        return std::nullopt;
    for (const QString& dir : {paths.DataRecordDir1, paths.DataRecordDir2}) {
        const QFileInfo info(dir);
        if (info.exists() && !info.isDir())
            return QStringLiteral("%1 is no folder").arg(QDir::cleanPath(dir));
        if (!info.exists())
            return QStringLiteral("cannot create the folder %1").arg(QDir::cleanPath(dir));
    }
    return QStringLiteral("cannot write %1").arg(paths.sWriteExcelPath);
}

// Copies the cover values and every day's rows of a kept-aside month, as text, into the
// fresh month file: the rows in one save.
std::optional<QString> copyInto(const MonthText& kept, const QString& path)
{
    if (auto error = writeCoverTexts(path, kept.cover))
        return error;
    std::vector<SheetRow> rows;
    for (const auto& [day, dayRows] : kept.days) {
        // The batch puts the last row given for a sheet on top, so the oldest goes first.
        for (auto row = dayRows.rbegin(); row != dayRows.rend(); ++row)
            rows.push_back({QString::number(day), *row});
    }
    return insertRowsAt(path, rows, kFirstDataRow);
}

} // namespace

std::optional<QString> writeCoverTexts(const QString& file, const QStringList& values)
{
    CSpreadSheet cover(file, QStringLiteral("Cover"), false);
    cover.BeginTransaction();
    for (int i = 0; i < values.size(); ++i) {
        if (!cover.AddCell(values[i], QStringLiteral("D"), kFirstCoverValueRow + i))
            return cover.GetLastError();
    }
    if (!cover.Commit())
        return cover.GetLastError();
    return std::nullopt;
}

QString officeLockFile(const QString& file)
{
    const QFileInfo info(file);
    for (const QString& name : {QStringLiteral(".~lock.%1#").arg(info.fileName()),
                                QStringLiteral("~$%1").arg(info.fileName())}) {
        const QString lock = info.dir().filePath(name);
        if (QFileInfo::exists(lock))
            return lock;
    }
    return {};
}

QString keptAsidePath(const RecordPaths& paths, const QDateTime& now)
{
    const QString stem = paths.DataRecordDir2 + paths.sExcelFileName + QStringLiteral(".unreadable-") +
                         now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString path = stem + QStringLiteral(".xls");
    // Two damaged files within one second (or a clock set back) never overwrite a kept one.
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = stem + QStringLiteral("-%1.xls").arg(n);
    return path;
}

PreparedMonthFile prepareMonthFile(const RecordPaths& paths, const QDateTime& now)
{
    PreparedMonthFile result;
    const QString& path = paths.sWriteExcelPath;
    const auto create = [&] {
        result.error = createFromTemplate(paths);
        result.created = !result.error;
        return result;
    };
    const WorkbookCheck check = checkWorkbook(path);
    switch (check.fitness) {
    case WorkbookFitness::Missing:
        return create();
    case WorkbookFitness::Inaccessible:
        // No file can be there, as when a folder on the way is a plain file: creating it
        // tells which folder is in the way.
        if (!QFileInfo::exists(path))
            return create();
        // A file that cannot even be opened is no proof of damage: it stays where it is.
        result.error = check.reason;
        return result;
    case WorkbookFitness::Keepable:
        if (!monthWorkbookProblem(path))
            return result;
        break;
    case WorkbookFitness::NotKeepable:
    case WorkbookFitness::Damaged:
    case WorkbookFitness::NotAWorkbook:
        break;
    }
    // Read while the file still has its name; a damaged one gives no text.
    const auto kept = readMonthText(path);
    const QString keptPath = keptAsidePath(paths, now);
    if (!QFile::rename(path, keptPath)) {
        result.error = QStringLiteral("%1 cannot be read and cannot be renamed to %2")
                           .arg(path, QFileInfo(keptPath).fileName());
        return result;
    }
    result.notices.push_back({RecordingNotice::Kind::KeptAside, path, keptPath});
    if (create().error)
        return result;
    if (const auto* month = std::get_if<MonthText>(&kept)) {
        if ((result.error = copyInto(*month, path)))
            return result;
        result.notices.push_back({RecordingNotice::Kind::CopiedIn, path, keptPath});
    }
    return result;
}

} // namespace veltroma
