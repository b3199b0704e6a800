#include "monitor/RowBacklog.h"

#include <algorithm>
#include <iterator>

namespace veltroma {

void RowBacklog::push(PendingRow row)
{
    rows_.push_back(std::move(row));
    while (rows_.size() > capacity_) {
        rows_.pop_front();
        ++dropped_;
    }
}

std::vector<QString> RowBacklog::files() const
{
    std::vector<QString> out;
    for (const PendingRow& r : rows_) {
        if (std::find(out.begin(), out.end(), r.paths.sWriteExcelPath) == out.end())
            out.push_back(r.paths.sWriteExcelPath);
    }
    return out;
}

std::vector<PendingRow> RowBacklog::rowsOf(const QString& file) const
{
    std::vector<PendingRow> out;
    std::copy_if(rows_.begin(), rows_.end(), std::back_inserter(out),
                 [&file](const PendingRow& r) { return r.paths.sWriteExcelPath == file; });
    return out;
}

void RowBacklog::remove(const QString& file)
{
    std::erase_if(rows_, [&file](const PendingRow& r) { return r.paths.sWriteExcelPath == file; });
}

std::size_t RowBacklog::takeDropped()
{
    return std::exchange(dropped_, 0);
}

} // namespace veltroma
