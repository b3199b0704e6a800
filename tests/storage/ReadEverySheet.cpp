#include "ReadEverySheet.h"

#include "storage/CSpreadSheet.h"
#include "storage/SheetReader.h"
#include "storage/WorkbookStore.h"

namespace veltroma::test {

SheetsRead readEverySheet(const QString& file)
{
    WorkbookStore::shared().clear();
    const auto loaded = WorkbookStore::shared().load(file);
    if (!loaded.file)
        return {false, 0, 0, loaded.error};
    const Workbook& book = loaded.file->book;
    SheetsRead result{true, book.sheetCount(), 0, {}};
    QStringList cells;
    for (int i = 0; i < book.sheetCount(); ++i) {
        CSpreadSheet layer(file, book.sheet(i).name(), false);
        for (long r = 1; r <= layer.GetTotalRows(); ++r) {
            layer.ReadRow(cells, r);
            result.laidOut += cells.size();
        }
        const SheetReader reader(file, book.sheet(i).name());
        for (long r = 1; r <= reader.totalRows(); ++r) {
            reader.readRow(cells, r);
            result.laidOut += cells.size();
        }
    }
    return result;
}

} // namespace veltroma::test
