#include "web/MonthRecordCache.h"

#include <QDate>
#include <QFileInfo>

namespace veltroma {

namespace {

MonthRead dayOf(const MonthRead& month, int day)
{
    MonthRead part = month;
    if (!part.records)
        return part;
    const QString prefix = QDate(part.records->year, part.records->month, day).toString(Qt::ISODate);
    std::erase_if(part.records->rows,
                  [&](const MonthRecords::Row& row) { return !row.time.startsWith(prefix); });
    return part;
}

} // namespace

const MonthRead* MonthRecordCache::current(const QString& path, const QDateTime& modified,
                                           qint64 size) const
{
    for (const Entry& entry : entries_)
        if (entry.path == path && !entry.day && entry.modified == modified && entry.size == size)
            return &entry.result;
    return nullptr;
}

const MonthRead& MonthRecordCache::read(const QString& path, std::optional<int> day)
{
    const QFileInfo info(path);
    const bool exists = info.exists();
    const QDateTime modified = exists ? info.lastModified() : QDateTime();
    const qint64 size = exists ? info.size() : -1;

    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->path != path || it->day != day)
            continue;
        if (it->modified == modified && it->size == size) {
            entries_.splice(entries_.begin(), entries_, it);
            return entries_.front().result;
        }
        entries_.erase(it);
        break;
    }

    MonthRead result;
    if (!exists) {
        result.missing = true;
    } else if (const MonthRead* month = day ? current(path, modified, size) : nullptr) {
        // The whole month is at hand: the day is a part of it, no read of the file.
        result = dayOf(*month, *day);
    } else {
        result.records = readMonthRecords(path, result.error, day);
    }
    entries_.push_front({path, day, modified, size, std::move(result)});
    if (entries_.size() > kHeldReads)
        entries_.pop_back();
    return entries_.front().result;
}

} // namespace veltroma
