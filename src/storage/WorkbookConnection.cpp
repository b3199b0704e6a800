#include "storage/WorkbookConnection.h"

#include "storage/BiffWriter.h"

namespace veltroma {

namespace {

constexpr int kMaxFieldText = 255;

// The spreadsheet layer writes a blank cell as one space; it is stored as no text at all.
QString storedText(const QString& text)
{
    return text == QLatin1String(" ") ? QString() : text;
}

bool holdsValues(const Sheet& sheet)
{
    for (const StoredRow& row : sheet.rows()) {
        for (const Cell& cell : row.cells) {
            if (!cell.text.isEmpty())
                return true;
        }
    }
    return false;
}

} // namespace

WorkbookConnection::WorkbookConnection(QString path, WorkbookStore& store)
    : m_path(std::move(path)), m_store(store)
{
}

bool WorkbookConnection::fail(const QString& error)
{
    m_error = error;
    return false;
}

bool WorkbookConnection::connect(bool createMissing)
{
    m_changed = false;
    m_lastSheet.reset();
    auto loaded = m_store.load(m_path);
    m_missing = loaded.missing;
    if (loaded.file) {
        m_file = std::move(loaded.file);
        return true;
    }
    if (loaded.missing && createMissing) {
        m_file = WorkbookFile{};
        return true;
    }
    return fail(loaded.missing ? QStringLiteral("No workbook %1").arg(m_path) : loaded.error);
}

Sheet* WorkbookConnection::sheetNamed(const QString& name)
{
    if (!m_file) {
        fail(QStringLiteral("No sheet \"%1\" in %2").arg(name, m_path));
        return nullptr;
    }
    if (!m_lastSheet || m_lastSheet->first != name) {
        const auto index = m_file->book.findSheet(name);
        if (!index) {
            fail(QStringLiteral("No sheet \"%1\" in %2").arg(name, m_path));
            return nullptr;
        }
        m_lastSheet.emplace(name, *index);
    }
    return &m_file->book.editSheet(m_lastSheet->second);
}

bool WorkbookConnection::checkTexts(const QStringList& texts)
{
    if (texts.size() > kMaxSheetColumns)
        return fail(QStringLiteral("More than %1 columns").arg(kMaxSheetColumns));
    for (const QString& text : texts) {
        if (text.size() > kMaxFieldText)
            return fail(QStringLiteral("Text longer than %1 characters: %2...").arg(kMaxFieldText).arg(text.left(20)));
    }
    return true;
}

std::optional<SheetTable> WorkbookConnection::select(const QString& sheetName) const
{
    SheetTable table;
    const auto columns = selectRows(sheetName, [&](const QStringList& cells) { table.rows.push_back(cells); });
    if (!columns)
        return std::nullopt;
    table.columns = *columns;
    return table;
}

std::optional<int> WorkbookConnection::selectRows(const QString& sheetName,
                                                  const std::function<void(const QStringList&)>& take) const
{
    const auto index = m_file ? m_file->book.findSheet(sheetName) : std::nullopt;
    if (!index)
        return std::nullopt;
    const Sheet& sheet = m_file->book.sheet(*index);
    const int columns = sheet.usedColumns();
    if (columns == 0)
        return columns;
    const int rows = sheet.usedRows();
    auto stored = sheet.rows().begin();
    QStringList cells(columns);
    for (int r = 0; r < rows; ++r) {
        cells.fill(QString());
        if (stored != sheet.rows().end() && stored->index == r) {
            for (const Cell& cell : stored->cells) {
                if (cell.column < columns)
                    cells[cell.column] = cell.text;
            }
            ++stored;
        }
        take(cells);
    }
    return columns;
}

bool WorkbookConnection::dropTable(const QString& sheetName)
{
    Sheet* sheet = sheetNamed(sheetName);
    if (!sheet)
        return false;
    sheet->clearTexts();
    m_changed = true;
    return true;
}

bool WorkbookConnection::createTable(const QString& sheetName, const QStringList& fieldNames, bool existingSheet)
{
    if (fieldNames.isEmpty())
        return fail(QStringLiteral("A table needs at least one field"));
    if (!checkTexts(fieldNames) || !m_file)
        return false;
    Sheet* sheet = nullptr;
    const auto index = m_file->book.findSheet(sheetName);
    if (existingSheet) {
        sheet = sheetNamed(sheetName);
        if (!sheet)
            return false;
    } else if (index) {
        sheet = &m_file->book.editSheet(*index);
        if (holdsValues(*sheet))
            return fail(QStringLiteral("Sheet \"%1\" already exists").arg(sheetName));
    } else {
        if (!isValidSheetName(sheetName))
            return fail(QStringLiteral("Invalid sheet name \"%1\"").arg(sheetName));
        sheet = &m_file->book.appendSheet(sheetName);
    }
    for (int c = 0; c < fieldNames.size(); ++c)
        sheet->setText(0, c, storedText(fieldNames[c]));
    sheet->growTableExtent(1, static_cast<int>(fieldNames.size()));
    m_changed = true;
    return true;
}

bool WorkbookConnection::insertRow(const QString& sheetName, long row, const QStringList& values)
{
    if (row < 1 || row > kMaxSheetRows)
        return fail(QStringLiteral("Row %1 is outside a sheet (1 to %2)").arg(row).arg(kMaxSheetRows));
    if (!checkTexts(values))
        return false;
    Sheet* sheet = sheetNamed(sheetName);
    if (!sheet)
        return false;
    const int r = static_cast<int>(row - 1);
    for (int c = 0; c < values.size(); ++c)
        sheet->setText(r, c, storedText(values[c]));
    sheet->growTableExtent(r + 1, static_cast<int>(values.size()));
    m_changed = true;
    return true;
}

bool WorkbookConnection::updateRows(const QString& sheetName, const QStringList& values, const QStringList& where)
{
    if (!checkTexts(values) || !checkTexts(where))
        return false;
    Sheet* sheet = sheetNamed(sheetName);
    if (!sheet)
        return false;
    const int columns = sheet->usedColumns();
    if (values.size() > columns || where.size() > columns)
        return fail(QStringLiteral("More values than sheet \"%1\" has fields").arg(sheetName));
    const int rows = sheet->usedRows();
    for (int r = 1; r < rows; ++r) {
        bool matches = true;
        for (int c = 0; c < where.size() && matches; ++c)
            matches = sheet->text(r, c) == storedText(where[c]);
        if (!matches)
            continue;
        for (int c = 0; c < values.size(); ++c)
            sheet->setText(r, c, storedText(values[c]));
        m_changed = true;
    }
    return true;
}

bool WorkbookConnection::close()
{
    if (!m_changed || !m_file)
        return true;
    if (!m_file->lostOnSave.isEmpty())
        return fail(QStringLiteral("%1 holds %2, which this program cannot write back; it was not changed")
                        .arg(m_path, m_file->lostOnSave));
    if (const auto error = m_store.save(m_path, m_file->book))
        return fail(*error);
    m_changed = false;
    return true;
}

} // namespace veltroma
