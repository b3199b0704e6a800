#include "StorageTestSupport.h"

#include "storage/CSpreadSheet.h"
#include "storage/MonthWorkbook.h"

#include <QDir>

#include <random>

namespace veltroma {
namespace {

using test::recordRow;

class MonthWorkbook : public test::StorageTest {
protected:
    QString fileWith(const QString& name, const QByteArray& content)
    {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return file.fileName();
    }

    static QByteArray randomBytes(qsizetype size, QByteArray prefix = {})
    {
        std::mt19937 random(7);
        while (prefix.size() < size)
            prefix.append(static_cast<char>(random() & 0xFF));
        return prefix;
    }
};

TEST_F(MonthWorkbook, VerdictsTellKeepableFromUnreadableAndSayWhy)
{
    const QByteArray signature = QByteArrayLiteral("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    QByteArray truncated = recordTemplateFile();
    truncated.truncate(truncated.size() / 3);
    struct Case {
        QString file;
        WorkbookFitness fitness;
    };
    const std::vector<Case> cases = {
        {path(QStringLiteral("2011-1.xls")), WorkbookFitness::Missing},
        {newMonthFile(), WorkbookFitness::Keepable},
        {fileWith(QStringLiteral("random.xls"), randomBytes(20000)), WorkbookFitness::NotAWorkbook},
        {fileWith(QStringLiteral("empty.xls"), {}), WorkbookFitness::NotAWorkbook},
        {fileWith(QStringLiteral("text.xls"), "Hour:Minute,Power\n9:5:3,1200\n"), WorkbookFitness::NotAWorkbook},
        {fileWith(QStringLiteral("container.xls"), randomBytes(20000, signature)), WorkbookFitness::Damaged},
        {fileWith(QStringLiteral("cut.xls"), truncated), WorkbookFitness::Damaged},
    };
    for (const Case& c : cases) {
        const WorkbookCheck check = checkWorkbook(c.file);
        EXPECT_EQ(check.fitness, c.fitness) << c.file.toStdString();
        const bool fine = c.fitness == WorkbookFitness::Missing || c.fitness == WorkbookFitness::Keepable;
        EXPECT_EQ(check.reason.isEmpty(), fine) << check.reason.toStdString();
        if (!fine) {
            EXPECT_TRUE(check.reason.contains(QFileInfo(c.file).fileName())) << check.reason.toStdString();
        }
    }
    EXPECT_TRUE(checkWorkbook(fileWith(QStringLiteral("empty2.xls"), {})).reason.contains(QStringLiteral("empty")));

    ASSERT_TRUE(QDir().mkdir(path(QStringLiteral("folder.xls"))));
    EXPECT_EQ(checkWorkbook(path(QStringLiteral("folder.xls"))).fitness, WorkbookFitness::Inaccessible);
}

TEST_F(MonthWorkbook, OnlyWorkbooksWithTheMonthSheetsAreMonthFiles)
{
    EXPECT_EQ(monthWorkbookProblem(newMonthFile()), std::nullopt);

    const QString other = path(QStringLiteral("2011-7.xls"));
    {
        CSpreadSheet sheet(other, QStringLiteral("Cover"), false);
        ASSERT_TRUE(sheet.AddHeaders({QStringLiteral("a")}));
    }
    const auto problem = monthWorkbookProblem(other);
    ASSERT_TRUE(problem.has_value());
    EXPECT_TRUE(problem->contains(QStringLiteral("\"1\""))) << problem->toStdString();

    EXPECT_TRUE(monthWorkbookProblem(fileWith(QStringLiteral("2011-8.xls"), "a,b\n")).has_value());
    EXPECT_TRUE(monthWorkbookProblem(fileWith(QStringLiteral("2011-9.xls"), {})).has_value());
    EXPECT_TRUE(monthWorkbookProblem(path(QStringLiteral("2011-10.xls"))).has_value());
}

TEST_F(MonthWorkbook, MonthTextHoldsTheCoverAndEveryDaysRowsTopFirst)
{
    const QString file = newMonthFile();
    {
        CSpreadSheet cover(file, QStringLiteral("Cover"), false);
        ASSERT_TRUE(cover.AddCell(QStringLiteral("A123456789"), QStringLiteral("D"), 36));
        ASSERT_TRUE(cover.AddCell(QStringLiteral("2011-5"), QStringLiteral("D"), 39));
    }
    for (const int n : {1, 2, 3}) {
        CSpreadSheet day(file, QStringLiteral("12"), false);
        ASSERT_TRUE(day.AddRow(recordRow(n), 3));
    }
    {
        CSpreadSheet day(file, QStringLiteral("31"), false);
        ASSERT_TRUE(day.AddRow(recordRow(9), 3));
    }
    WorkbookStore::shared().clear();
    const auto read = readMonthText(file);
    ASSERT_TRUE(std::holds_alternative<MonthText>(read)) << std::get<QString>(read).toStdString();
    const MonthText& month = std::get<MonthText>(read);
    EXPECT_EQ(month.cover, (QStringList{QStringLiteral("A123456789"), QString(), QString(), QStringLiteral("2011-5")}));
    ASSERT_EQ(month.days.size(), 2U);
    ASSERT_EQ(month.days.at(12).size(), 3U);
    EXPECT_EQ(month.days.at(12)[0], recordRow(3));
    EXPECT_EQ(month.days.at(12)[2], recordRow(1));
    EXPECT_EQ(month.days.at(31).front(), recordRow(9));

    const auto damaged = readMonthText(fileWith(QStringLiteral("bad.xls"), "not a workbook"));
    ASSERT_TRUE(std::holds_alternative<QString>(damaged));
    EXPECT_TRUE(std::get<QString>(damaged).contains(QStringLiteral("bad.xls")));
}

} // namespace
} // namespace veltroma
