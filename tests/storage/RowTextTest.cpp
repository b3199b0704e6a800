#include "storage/RowText.h"

#include <gtest/gtest.h>

namespace veltroma {
namespace {

const QString kWorkbookSeparator = QStringLiteral(",;.?");

TEST(RowText, QuotedCellsJoinedAndSplitBack)
{
    const QStringList cells = {QStringLiteral("a"), QString(), QStringLiteral("it's"), QStringLiteral("x y")};
    const QString text = joinRowText(cells, kWorkbookSeparator);
    EXPECT_EQ(text, QStringLiteral("\"a\",;.?\"\",;.?\"it's\",;.?\"x y\""));
    EXPECT_EQ(splitRowText(text, kWorkbookSeparator), cells);
    EXPECT_EQ(splitRowText(joinRowText(cells, QStringLiteral(",")), QStringLiteral(",")), cells);
}

TEST(RowText, OneQuotedCellLosesItsQuotes)
{
    EXPECT_EQ(splitRowText(QStringLiteral("\"only\""), kWorkbookSeparator), QStringList{QStringLiteral("only")});
    EXPECT_EQ(splitRowText(QStringLiteral("bare"), kWorkbookSeparator), QStringList{QStringLiteral("bare")});
    EXPECT_EQ(splitRowText(QStringLiteral("\""), kWorkbookSeparator), QStringList{QString()});
    EXPECT_EQ(splitRowText(QString(), QStringLiteral(",")), QStringList{QString()});
}

TEST(RowText, SeparatorInsideACellOfSeveralStaysInTheCell)
{
    const QStringList cells = {QStringLiteral("a,;.?b"), QStringLiteral("c")};
    EXPECT_EQ(splitRowText(joinRowText(cells, kWorkbookSeparator), kWorkbookSeparator), cells);
}

TEST(RowText, SeparatorInsideTheOnlyCellSplitsItWithTheQuotesKept)
{
    const QString text = joinRowText({QStringLiteral("a,;.?b")}, kWorkbookSeparator);
    EXPECT_EQ(splitRowText(text, kWorkbookSeparator), (QStringList{QStringLiteral("\"a"), QStringLiteral("b\"")}));
}

TEST(RowText, UnquotedTextSplitsAtTheBareSeparator)
{
    EXPECT_EQ(splitRowText(QStringLiteral("1;2;;3"), QStringLiteral(";")),
              (QStringList{QStringLiteral("1"), QStringLiteral("2"), QString(), QStringLiteral("3")}));
}

TEST(RowText, OuterCharactersGoEvenWhenTheyAreNoQuotes)
{
    // Only the sequence quote-separator-quote is looked for; whatever stands at the ends goes.
    EXPECT_EQ(splitRowText(QStringLiteral("xa\",\"by"), QStringLiteral(",")),
              (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
}

TEST(RowText, EmptySeparatorKeepsTheRowOneCell)
{
    EXPECT_EQ(splitRowText(QStringLiteral("\"\""), QString()), QStringList{QString()});
    EXPECT_EQ(splitRowText(QStringLiteral("\"a\"\"b\""), QString()), QStringList{QStringLiteral("a\"\"b")});
}

} // namespace
} // namespace veltroma
