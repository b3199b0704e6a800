#include "web/MonthRecordCache.h"

#include <QFileInfo>

namespace veltroma {

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
    } else {
        result.records = readMonthRecords(path, result.error, day);
    }
    entries_.push_front({path, day, modified, size, std::move(result)});
    if (entries_.size() > kHeldReads)
        entries_.pop_back();
    return entries_.front().result;
}

} // namespace veltroma
