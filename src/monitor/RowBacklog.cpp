#include "monitor/RowBacklog.h"

#include <algorithm>

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

std::vector<std::vector<PendingRow>> RowBacklog::sheetsOf(const QString& file) const
{
    std::vector<std::vector<PendingRow>> sheets;
    for (const PendingRow& r : rows_) {
        if (r.paths.sWriteExcelPath != file)
            continue;
        auto it = std::find_if(sheets.begin(), sheets.end(), [&r](const auto& sheet) {
            return sheet.front().paths.sExcelShellName == r.paths.sExcelShellName;
        });
        if (it == sheets.end())
            sheets.push_back({r});
        else
            it->push_back(r);
    }
    return sheets;
}

void RowBacklog::remove(const QString& file, const QString& sheet)
{
    std::erase_if(rows_, [&](const PendingRow& r) {
        return r.paths.sWriteExcelPath == file && r.paths.sExcelShellName == sheet;
    });
}

std::size_t RowBacklog::takeDropped()
{
    return std::exchange(dropped_, 0);
}

} // namespace veltroma
