#include "storage/CSpreadSheet.h"

#include "storage/AtomicFile.h"
#include "storage/RowText.h"
#include "storage/WorkbookConnection.h"

#include <QFile>

#include <algorithm>

namespace veltroma {

namespace {

const QString kWorkbookSeparator = QStringLiteral(",;.?");
const QString kBackupSheet = QStringLiteral("CSpreadSheetBackup");

// Blank names keep their place in a header and are written back blank, so they never
// count as two fields of the same name.
bool isBlank(const QString& text)
{
    return text.isEmpty() || text == QLatin1String(" ");
}

bool isColumnLetter(QChar c)
{
    return c >= u'A' && c <= u'Z';
}

} // namespace

CSpreadSheet::CSpreadSheet(const QString& File, const QString& sheetOrSeparator, bool backup)
    : m_bBackup(backup), m_sFile(File)
{
    m_bExcel = File.right(4).toLower() == QLatin1String(".xls");
    if (m_bExcel) {
        m_sSheetName = sheetOrSeparator;
        m_sSeparator = kWorkbookSeparator;
        if (Open() && m_bBackup && m_bAppend) {
            const QString sheet = m_sSheetName;
            m_sSheetName = kBackupSheet;
            m_bAppend = false;
            if (!Commit())
                m_bBackup = false;
            m_bAppend = true;
            m_sSheetName = sheet;
            m_dCurrentRow = 1;
        }
    } else {
        m_sSeparator = sheetOrSeparator;
        if (Open() && m_bBackup && m_dTotalColumns != 0 && !WriteTextFile(m_sFile + QStringLiteral(".bak")))
            m_bBackup = false;
    }
}

bool CSpreadSheet::Open()
{
    return m_bExcel ? OpenWorkbook() : OpenTextFile();
}

bool CSpreadSheet::OpenWorkbook()
{
    WorkbookConnection connection(m_sFile);
    if (!connection.connect(false)) {
        if (!connection.fileMissing())
            m_sLastError = connection.lastError();
        return false;
    }
    QStringList rows;
    QStringList fieldNames;
    const auto columns = connection.selectRows(m_sSheetName, [&](const QStringList& cells) {
        if (rows.isEmpty())
            fieldNames = cells;
        rows.append(joinRowText(cells, m_sSeparator));
    });
    if (!columns)
        return false; // a sheet still to be made
    m_aRows = std::move(rows);
    m_aFieldNames = std::move(fieldNames);
    m_dTotalColumns = *columns;
    m_dTotalRows = static_cast<long>(m_aRows.size());
    if (m_dTotalColumns != 0)
        m_bAppend = true;
    m_dCurrentRow = 1;
    return true;
}

bool CSpreadSheet::OpenTextFile()
{
    QFile file(m_sFile);
    if (!file.open(QIODevice::ReadOnly)) {
        m_sLastError = QStringLiteral("Error in opening file\n");
        return false;
    }
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        m_sLastError = QStringLiteral("Error in opening file\n");
        return false;
    }
    QString text = QString::fromUtf8(content);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    QStringList lines = text.split(u'\n');
    if (lines.last().isEmpty())
        lines.removeLast(); // the end of the last line, or an empty file
    for (QString& line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    m_aRows = lines;
    m_dTotalRows = static_cast<long>(lines.size());
    m_aFieldNames = lines.isEmpty() ? QStringList() : splitRowText(lines.first(), m_sSeparator);
    m_dTotalColumns = 0;
    for (const QString& line : lines)
        m_dTotalColumns = std::max(m_dTotalColumns, static_cast<int>(splitRowText(line, m_sSeparator).size()));
    if (m_dTotalColumns != 0)
        m_bAppend = true;
    m_dCurrentRow = 1;
    return true;
}

QString CSpreadSheet::BlankCell() const
{
    return m_bExcel ? QStringLiteral(" ") : QString();
}

QString CSpreadSheet::BlankRow() const
{
    return joinRowText(QStringList(m_dTotalColumns, BlankCell()), m_sSeparator);
}

bool CSpreadSheet::FailsOnDuplicate(const QStringList& names)
{
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (isBlank(names[i]))
            continue;
        if (names.indexOf(names[i], i + 1) >= 0) {
            m_sLastError = QStringLiteral("Duplicate header row field:%1\n").arg(names[i]);
            return true;
        }
    }
    return false;
}

bool CSpreadSheet::CommitUnlessInTransaction()
{
    return m_bTransaction || Commit();
}

bool CSpreadSheet::AddHeaders(const QStringList& FieldNames, bool replace)
{
    if (!m_bAppend) {
        m_dTotalColumns = static_cast<int>(FieldNames.size());
        const bool added = AddRow(FieldNames, 1, true);
        m_dTotalRows = static_cast<long>(m_aRows.size());
        return added;
    }
    if (replace)
        return AddRow(FieldNames, 1, true);

    QStringList header;
    if (m_dTotalRows > 0)
        ReadRow(header, 1);
    if (m_bExcel) {
        for (const QString& name : FieldNames) {
            if (!isBlank(name) && header.contains(name)) {
                m_sLastError = QStringLiteral("Duplicate header row field:%1\n").arg(name);
                return false;
            }
        }
    }
    header += FieldNames;
    if (!AddRow(header, 1, true)) {
        m_sLastError = QStringLiteral("Problems with adding headers\n");
        return false;
    }
    m_dTotalColumns = std::max(m_dTotalColumns, static_cast<int>(header.size()));
    return true;
}

bool CSpreadSheet::DeleteSheet()
{
    if (m_bExcel) {
        if (!DeleteSheet(m_sSheetName)) {
            m_sLastError = QStringLiteral("Error deleting sheet\n");
            return false;
        }
        return true;
    }
    m_aRows.clear();
    m_aFieldNames.clear();
    m_dTotalRows = 0;
    m_dTotalColumns = 0;
    const bool written = CommitUnlessInTransaction();
    m_bAppend = false;
    return written;
}

bool CSpreadSheet::DeleteSheet(const QString& SheetName)
{
    if (!m_bExcel)
        return DeleteSheet();
    WorkbookConnection connection(m_sFile);
    if (!connection.connect(false) || !connection.dropTable(SheetName) || !connection.close()) {
        m_sLastError = connection.lastError();
        return false;
    }
    m_aRows.clear();
    m_aFieldNames.clear();
    m_dTotalRows = 0;
    m_dTotalColumns = 0;
    return true;
}

bool CSpreadSheet::AddRow(const QStringList& RowValues, long row, bool replace)
{
    if (row < 0) {
        m_sLastError = QStringLiteral("Row cannot be negative\n");
        return false;
    }
    if (row == 1) {
        if (m_bExcel) {
            if (FailsOnDuplicate(RowValues))
                return false;
            if (RowValues.size() < m_dTotalColumns) {
                m_sLastError = QStringLiteral("Number of columns in new header row cannot be less than the "
                                              "number of columns in previous header row");
                return false;
            }
            m_dTotalColumns = static_cast<int>(RowValues.size());
        }
        m_aFieldNames = RowValues;
    } else if (m_bExcel && m_dTotalColumns == 0) {
        m_sLastError = QStringLiteral("No header row. Add header row first\n");
        return false;
    }
    if (m_bExcel) {
        if (RowValues.size() > m_aFieldNames.size()) {
            m_sLastError = QStringLiteral("Number of columns to be added cannot be greater than the number of fields\n");
            return false;
        }
    } else {
        m_dTotalColumns = std::max(m_dTotalColumns, static_cast<int>(RowValues.size()));
    }
    return PlaceRow(joinRowText(RowValues, m_sSeparator), row, replace);
}

bool CSpreadSheet::PlaceRow(const QString& rowText, long row, bool replace)
{
    if (row != 0 && row <= m_dTotalRows) {
        if (replace) {
            m_aRows[row - 1] = rowText;
        } else {
            m_aRows.insert(row - 1, rowText);
            ++m_dTotalRows;
        }
    } else if (row > m_dTotalRows) {
        while (m_aRows.size() < row - 1)
            m_aRows.append(BlankRow());
        m_aRows.append(rowText);
        m_dTotalRows = row;
        m_dCurrentRow = row;
    } else {
        m_aRows.append(rowText);
        ++m_dTotalRows;
    }
    return CommitUnlessInTransaction();
}

bool CSpreadSheet::AddCell(const QString& CellValue, int column, long row)
{
    if (column < 1) {
        m_sLastError = QStringLiteral("Column cannot be zero\n");
        return false;
    }
    if (row < 0) {
        m_sLastError = QStringLiteral("Row cannot be negative\n");
        return false;
    }
    if (m_bExcel) {
        if (column > m_aFieldNames.size()) {
            m_sLastError = QStringLiteral("Cell column to be added cannot be greater than the number of fields\n");
            return false;
        }
    } else {
        m_dTotalColumns = std::max(m_dTotalColumns, column);
    }
    if (row != 0 && row <= m_dTotalRows) {
        QStringList cells;
        ReadRow(cells, row);
        while (cells.size() < column)
            cells.append(BlankCell());
        cells[column - 1] = CellValue;
        if (row == 1 && m_bExcel && FailsOnDuplicate(cells))
            return false;
        return AddRow(cells, row, true);
    }
    QStringList cells(std::max(m_dTotalColumns, column), BlankCell());
    cells[column - 1] = CellValue;
    return PlaceRow(joinRowText(cells, m_sSeparator), row, false);
}

bool CSpreadSheet::AddCell(const QString& CellValue, const QString& column, long row, bool Auto)
{
    const int number = CalculateColumnNumber(column, Auto);
    return number != 0 && AddCell(CellValue, number, row);
}

bool CSpreadSheet::ReplaceRows(const QStringList& NewRowValues, const QStringList& OldRowValues)
{
    if (!m_bExcel) {
        m_sLastError = QStringLiteral("Function not available for text delimited file\n");
        return false;
    }
    WorkbookConnection connection(m_sFile);
    if (!connection.connect(false) || !connection.updateRows(m_sSheetName, NewRowValues, OldRowValues) ||
        !connection.close()) {
        m_sLastError = connection.lastError();
        return false;
    }
    return Open();
}

bool CSpreadSheet::ReadRow(QStringList& RowValues, long row)
{
    if (row < 0) {
        m_sLastError = QStringLiteral("Row cannot be negative\n");
        return false;
    }
    if (row > m_aRows.size()) {
        m_sLastError = QStringLiteral("Desired row is greater than total number of rows in spreadsheet\n");
        return false;
    }
    if (row == 0 && m_dCurrentRow > m_aRows.size())
        return false;
    if (row > 0)
        m_dCurrentRow = row;
    RowValues = splitRowText(m_aRows[m_dCurrentRow - 1], m_sSeparator);
    ++m_dCurrentRow;
    return true;
}

bool CSpreadSheet::ReadColumn(int column, QStringList& ColumnValues)
{
    if (column < 1) {
        m_sLastError = QStringLiteral("Column cannot be zero\n");
        return false;
    }
    const long pointer = m_dCurrentRow;
    ColumnValues.clear();
    QStringList cells;
    for (long r = 1; r <= m_dTotalRows; ++r) {
        if (!ReadRow(cells, r)) {
            m_dCurrentRow = pointer;
            m_sLastError = QStringLiteral("Error reading row\n");
            return false;
        }
        ColumnValues.append(column <= cells.size() ? cells[column - 1] : QString());
    }
    m_dCurrentRow = pointer;
    return true;
}

bool CSpreadSheet::ReadColumn(const QString& column, QStringList& ColumnValues, bool Auto)
{
    const int number = CalculateColumnNumber(column, Auto);
    return number != 0 && ReadColumn(number, ColumnValues);
}

bool CSpreadSheet::ReadCell(QString& CellValue, int column, long row)
{
    if (column < 1) {
        m_sLastError = QStringLiteral("Column cannot be zero\n");
        return false;
    }
    const long pointer = m_dCurrentRow;
    QStringList cells;
    const bool read = ReadRow(cells, row);
    m_dCurrentRow = pointer;
    if (!read) {
        m_sLastError = QStringLiteral("Error reading row\n");
        return false;
    }
    if (column > cells.size()) {
        CellValue.clear();
        return false;
    }
    CellValue = cells[column - 1];
    return true;
}

bool CSpreadSheet::ReadCell(QString& CellValue, const QString& column, long row, bool Auto)
{
    const int number = CalculateColumnNumber(column, Auto);
    return number != 0 && ReadCell(CellValue, number, row);
}

void CSpreadSheet::BeginTransaction()
{
    m_bTransaction = true;
}

bool CSpreadSheet::Commit()
{
    if (m_bExcel)
        return CommitWorkbook();
    if (!WriteTextFile(m_sFile)) {
        m_sLastError = QStringLiteral("Error writing file\n");
        return false;
    }
    m_bTransaction = false;
    return true;
}

bool CSpreadSheet::CommitWorkbook()
{
    WorkbookConnection connection(m_sFile);
    const auto failed = [&] {
        m_sLastError = connection.lastError();
        return false;
    };
    if (!connection.connect(true))
        return failed();
    const bool created = !m_bAppend;
    if (m_bAppend) {
        if (!connection.dropTable(m_sSheetName) || !connection.createTable(m_sSheetName, m_aFieldNames, true))
            return failed();
    } else if (!connection.createTable(m_sSheetName, m_aFieldNames, false)) {
        return failed();
    }
    for (long r = 1; r < m_dTotalRows && r < m_aRows.size(); ++r) {
        if (!connection.insertRow(m_sSheetName, r + 1, splitRowText(m_aRows[r], m_sSeparator)))
            return failed();
    }
    // Nothing reaches the file unless every statement succeeded.
    if (!connection.close())
        return failed();
    if (created) {
        m_dTotalColumns = static_cast<int>(m_aFieldNames.size());
        m_bAppend = true;
    }
    m_bTransaction = false;
    return true;
}

bool CSpreadSheet::WriteTextFile(const QString& path)
{
    QByteArray content;
    for (const QString& row : std::as_const(m_aRows)) {
        content += row.toUtf8();
        content += "\r\n";
    }
    return replaceFile(path, content).ok;
}

bool CSpreadSheet::RollBack()
{
    m_bTransaction = false;
    if (!Open()) {
        m_sLastError = QStringLiteral("Error in returning to previous state\n");
        return false;
    }
    return true;
}

int CSpreadSheet::CalculateColumnNumber(const QString& column, bool Auto)
{
    if (Auto) {
        const QString upper = column.toUpper();
        if (upper.size() == 1 && isColumnLetter(upper[0]))
            return upper[0].unicode() - 64;
        if (upper.size() == 2 && isColumnLetter(upper[0]) && isColumnLetter(upper[1]))
            return (upper[0].unicode() - 64) * 26 + (upper[1].unicode() - 64);
    }
    const qsizetype index = m_aFieldNames.indexOf(column);
    if (index < 0) {
        m_sLastError = QStringLiteral("Invalid field name or column alphabet\n");
        return 0;
    }
    return static_cast<int>(index) + 1;
}

bool CSpreadSheet::Convert(const QString& sheetOrSeparator)
{
    const QString target = m_sFile.left(m_sFile.size() - 4) + (m_bExcel ? QStringLiteral(".csv") : QStringLiteral(".xls"));
    CSpreadSheet out(target, sheetOrSeparator, false);
    if (out.m_dTotalColumns != 0) {
        m_sLastError = QStringLiteral("%1 already holds data\n").arg(target);
        return false;
    }
    const auto failed = [&] {
        if (!out.m_sLastError.isEmpty())
            m_sLastError = out.m_sLastError;
        return false;
    };
    // One save for the whole copy: a failure leaves no half-written target behind.
    out.BeginTransaction();
    QStringList row;
    if (m_bExcel) {
        for (long r = 1; r <= m_dTotalRows; ++r) {
            if (!ReadRow(row, r) || !out.AddRow(row, r))
                return failed();
        }
    } else {
        bool duplicates = false;
        for (qsizetype i = 0; i < m_aFieldNames.size(); ++i) {
            for (qsizetype j = i + 1; j < m_aFieldNames.size(); ++j) {
                if (!isBlank(m_aFieldNames[i]) && m_aFieldNames[i] == m_aFieldNames[j]) {
                    m_sLastError = QStringLiteral("Duplicate header row field:%1\n").arg(m_aFieldNames[i]);
                    duplicates = true;
                }
            }
        }
        if (duplicates) {
            QStringList header;
            for (int c = 1; c <= m_dTotalColumns; ++c)
                header.append(QString::number(c));
            if (!out.AddRow(header, 1))
                return failed();
            for (long r = 1; r <= m_dTotalRows; ++r) {
                if (!ReadRow(row, r) || !out.AddRow(row, r + 1))
                    return failed();
            }
        } else {
            if (!out.AddRow(m_aFieldNames, 1))
                return failed();
            for (long r = 2; r <= m_dTotalRows; ++r) {
                if (!ReadRow(row, r) || !out.AddRow(row, r))
                    return failed();
            }
        }
    }
    return out.Commit() || failed();
}

} // namespace veltroma
