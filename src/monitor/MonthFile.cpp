#include "monitor/MonthFile.h"

#include "config/EmbeddedFiles.h"
#include "storage/WorkbookStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace veltroma {

namespace {

constexpr int kDaysInFile = 31;
// Rows and columns from 0: the cover values sit in D36..D39, the day rows start at row 3.
constexpr int kCoverFirstValueRow = 35;
constexpr int kCoverValueCount = 4;
constexpr int kCoverValueColumn = 3;
constexpr int kFirstDataRow = 2;

std::optional<QString> createFromTemplate(const RecordPaths& paths)
{
    QDir().mkdir(paths.DataRecordDir1);
    QDir().mkdir(paths.DataRecordDir2);
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

// Copies the cover values and every day's rows, as text, into the fresh month file.
std::optional<QString> copyInto(const Workbook& kept, const QString& path)
{
    WorkbookStore& store = WorkbookStore::shared();
    auto fresh = store.load(path);
    if (!fresh.file)
        return fresh.error.isEmpty() ? QStringLiteral("%1 vanished").arg(path) : fresh.error;
    Workbook book = fresh.file->book;
    const auto copyRows = [&](const QString& name, int firstRow, int lastRow, int firstColumn,
                              int lastColumn) {
        const auto from = kept.findSheet(name);
        const auto to = book.findSheet(name);
        if (!from || !to)
            return;
        const Sheet& source = kept.sheet(*from);
        Sheet& target = book.editSheet(*to);
        for (int r = firstRow; r <= lastRow && r < source.usedRows(); ++r) {
            for (int c = firstColumn; c <= lastColumn && c < source.usedColumns(); ++c) {
                const QString text = source.text(r, c);
                if (!text.isEmpty())
                    target.setText(r, c, text);
            }
        }
    };
    copyRows(QStringLiteral("Cover"), kCoverFirstValueRow, kCoverFirstValueRow + kCoverValueCount - 1,
             kCoverValueColumn, kCoverValueColumn);
    for (int day = 1; day <= kDaysInFile; ++day)
        copyRows(QString::number(day), kFirstDataRow, kMaxSheetRows - 1, 0, kMaxSheetColumns - 1);
    return store.save(path, book);
}

} // namespace

bool isMonthWorkbook(const Workbook& book)
{
    if (!book.findSheet(QStringLiteral("Cover")))
        return false;
    for (int day = 1; day <= kDaysInFile; ++day) {
        if (!book.findSheet(QString::number(day)))
            return false;
    }
    return true;
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
    if (!QFileInfo::exists(path))
        return create();
    auto loaded = WorkbookStore::shared().load(path);
    if (loaded.missing) // removed a moment ago
        return create();
    if (loaded.file && loaded.file->lostOnSave.isEmpty() && isMonthWorkbook(loaded.file->book))
        return result;
    if (QFile probe(path); !probe.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("cannot read %1: %2").arg(path, probe.errorString());
        return result;
    }
    const QString kept = keptAsidePath(paths, now);
    if (!QFile::rename(path, kept)) {
        result.error = QStringLiteral("%1 cannot be read and cannot be renamed to %2")
                           .arg(path, QFileInfo(kept).fileName());
        return result;
    }
    result.notices.push_back({RecordingNotice::Kind::KeptAside, path, kept});
    if (create().error)
        return result;
    if (loaded.file) {
        if ((result.error = copyInto(loaded.file->book, path)))
            return result;
        result.notices.push_back({RecordingNotice::Kind::CopiedIn, path, kept});
    }
    return result;
}

} // namespace veltroma
