#pragma once

#include <QString>
#include <QStringList>

namespace veltroma {

// Row and cell access to one sheet of an .xls workbook, or to one delimited text file.
// An object loads the whole sheet when it is made, edits the copy in memory and writes it
// back on every change, or once at Commit inside a transaction. Rows and columns count from
// 1; row 1 holds the field names. Failures return false and leave a message for
// GetLastError; nothing is shown to the user. Nothing is written when the object goes.
//
// Workbooks go through the storage engine (WorkbookConnection): a commit replaces the
// sheet's content in one atomic save of the whole workbook, so the file holds either the
// previous or the new content, never a mix.
class CSpreadSheet {
public:
    // `sheetOrSeparator` is the sheet name for a path ending in ".xls" (any case), else the
    // cell separator of the text file. `backup`: keep a copy of what was there before -
    // the sheet "CSpreadSheetBackup" of the same workbook, or the file "<path>.bak".
    CSpreadSheet(const QString& File, const QString& sheetOrSeparator, bool backup);
    CSpreadSheet(const CSpreadSheet&) = delete;
    CSpreadSheet& operator=(const CSpreadSheet&) = delete;

    bool AddHeaders(const QStringList& FieldNames, bool replace = false);
    bool DeleteSheet();
    bool DeleteSheet(const QString& SheetName);
    // Row 0 appends; a row within the sheet is replaced or gets the new row inserted before
    // it; a row beyond the end is reached with blank rows.
    bool AddRow(const QStringList& RowValues, long row = 0, bool replace = false);
    bool AddCell(const QString& CellValue, int column, long row = 0);
    bool AddCell(const QString& CellValue, const QString& column, long row = 0, bool Auto = true);
    bool ReplaceRows(const QStringList& NewRowValues, const QStringList& OldRowValues);
    // Row 0 reads the row at the row pointer and moves it on.
    bool ReadRow(QStringList& RowValues, long row = 0);
    bool ReadColumn(int column, QStringList& ColumnValues);
    bool ReadColumn(const QString& column, QStringList& ColumnValues, bool Auto = true);
    bool ReadCell(QString& CellValue, int column, long row = 0);
    bool ReadCell(QString& CellValue, const QString& column, long row = 0, bool Auto = true);
    void BeginTransaction();
    bool Commit();
    bool RollBack();
    // Copies the sheet to "<path without .xls>.csv" with the separator given, or the text
    // file to "<path without extension>.xls" into the sheet given. Refused when the target
    // already has columns.
    bool Convert(const QString& sheetOrSeparator);

    void GetFieldNames(QStringList& FieldNames) const { FieldNames = m_aFieldNames; }
    [[nodiscard]] long GetTotalRows() const { return m_dTotalRows; }
    [[nodiscard]] int GetTotalColumns() const { return m_dTotalColumns; }
    [[nodiscard]] long GetCurrentRow() const { return m_dCurrentRow; }
    [[nodiscard]] bool GetBackupStatus() const { return m_bBackup; }
    [[nodiscard]] bool GetTransactionStatus() const { return m_bTransaction; }
    [[nodiscard]] QString GetLastError() const { return m_sLastError; }

private:
    bool Open();
    bool OpenWorkbook();
    bool OpenTextFile();
    int CalculateColumnNumber(const QString& column, bool Auto);
    bool CommitWorkbook();
    bool WriteTextFile(const QString& path);
    // Places a row text at `row` (0 appends), growing the sheet with blank rows to reach it.
    bool PlaceRow(const QString& rowText, long row, bool replace);
    bool CommitUnlessInTransaction();
    bool FailsOnDuplicate(const QStringList& names);
    [[nodiscard]] QString BlankCell() const;
    [[nodiscard]] QString BlankRow() const;

    bool m_bAppend = false;
    bool m_bBackup = false;
    bool m_bExcel = false;
    bool m_bTransaction = false;
    long m_dCurrentRow = 1;
    long m_dTotalRows = 0;
    int m_dTotalColumns = 0;
    QString m_sSheetName;
    QString m_sFile;
    QString m_sSeparator;
    QString m_sLastError;
    QStringList m_aFieldNames;
    QStringList m_aRows;
};

} // namespace veltroma
