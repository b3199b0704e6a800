#pragma once

#include "RecordRows.h"

#include "storage/RecordTemplate.h"
#include "storage/WorkbookStore.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace veltroma::test {

// A fresh folder per test, and no workbook held in memory from before, so that every read
// goes to the file.
class StorageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        WorkbookStore::shared().clear();
    }

    [[nodiscard]] QString path(const QString& name) const { return m_folder.filePath(name); }

    // A month file as recording starts it: a copy of the record template.
    [[nodiscard]] QString newMonthFile(const QString& name = QStringLiteral("2011-5.xls")) const
    {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(recordTemplateFile());
        return file.fileName();
    }

    // The workbook as a fresh read of the file gives it.
    [[nodiscard]] static Workbook readBack(const QString& file)
    {
        WorkbookStore::shared().clear();
        auto loaded = WorkbookStore::shared().load(file);
        EXPECT_TRUE(loaded.file.has_value()) << loaded.error.toStdString();
        return loaded.file ? loaded.file->book : Workbook{};
    }

    QTemporaryDir m_folder;
};

struct ProcessResult {
    bool finished = false;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

inline ProcessResult runProcess(const QString& program, const QStringList& arguments, int timeoutMs = 120000)
{
    QProcess process;
    process.start(program, arguments);
    ProcessResult result;
    result.finished = process.waitForFinished(timeoutMs);
    if (!result.finished)
        process.kill();
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

// What python's xlrd reads: an independent reader of our files.
struct XlrdSheet {
    QString name;
    std::map<std::pair<int, int>, QString> cells;
    std::set<std::pair<int, int>> bold;
    std::vector<CellRange> merged; // rows and columns from 0, both ends included
};

inline std::vector<XlrdSheet> readWithXlrd(const QString& file)
{
    const ProcessResult run = runProcess(QStringLiteral("/usr/bin/python3"),
                                         {QStringLiteral(VELTROMA_XLRD_DUMP), file});
    EXPECT_TRUE(run.finished && run.exitCode == 0) << run.err.toStdString();
    std::vector<XlrdSheet> sheets;
    const QJsonArray list = QJsonDocument::fromJson(run.out).object().value(QStringLiteral("sheets")).toArray();
    for (const auto& entry : list) {
        const QJsonObject object = entry.toObject();
        XlrdSheet sheet;
        sheet.name = object.value(QStringLiteral("name")).toString();
        for (const auto& cell : object.value(QStringLiteral("cells")).toArray()) {
            const QJsonArray c = cell.toArray();
            sheet.cells[{c[0].toInt(), c[1].toInt()}] = c[2].toString();
        }
        for (const auto& cell : object.value(QStringLiteral("bold")).toArray())
            sheet.bold.insert({cell.toArray()[0].toInt(), cell.toArray()[1].toInt()});
        for (const auto& range : object.value(QStringLiteral("merged")).toArray()) {
            const QJsonArray m = range.toArray();
            // xlrd gives half-open ranges: first row, row after, first column, column after.
            sheet.merged.push_back({m[0].toInt(), m[1].toInt() - 1, m[2].toInt(), m[3].toInt() - 1});
        }
        sheets.push_back(std::move(sheet));
    }
    return sheets;
}

} // namespace veltroma::test
