#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "update/UpdateFiles.h"
#include "update/UpdateTestSupport.h"
#include "update/VersionCheck.h"

#include <cmath>

namespace veltroma {
namespace {

TEST(AtofPrefix, ReadsTheLeadingNumberLikeTheCLibrary)
{
    EXPECT_DOUBLE_EQ(atofPrefix("1.01"), 1.01);
    EXPECT_DOUBLE_EQ(atofPrefix("3.10</version>"), 3.10);
    EXPECT_DOUBLE_EQ(atofPrefix(" \t\r\n+2.5x"), 2.5);
    EXPECT_DOUBLE_EQ(atofPrefix("-4"), -4.0);
    EXPECT_DOUBLE_EQ(atofPrefix("1e2"), 100.0);
    EXPECT_DOUBLE_EQ(atofPrefix("1e"), 1.0);
    EXPECT_DOUBLE_EQ(atofPrefix(".5"), 0.5);
    EXPECT_DOUBLE_EQ(atofPrefix("5."), 5.0);
    EXPECT_DOUBLE_EQ(atofPrefix("0x1A"), 26.0);
    EXPECT_DOUBLE_EQ(atofPrefix("0x.8"), 0.5);
    EXPECT_DOUBLE_EQ(atofPrefix("0xg"), 0.0);
    EXPECT_TRUE(std::isinf(atofPrefix("inf")));
    EXPECT_TRUE(std::isinf(atofPrefix("1e999")));
    EXPECT_DOUBLE_EQ(atofPrefix("1e-999"), 0.0);
    EXPECT_TRUE(std::isnan(atofPrefix("nan")));
}

TEST(AtofPrefix, TextWithoutALeadingNumberIsZero)
{
    for (const char* text : {"", "HTTP/1.1 200 OK", "../x", "+-1", "-+1", "+", " ", ",5", "e5"})
        EXPECT_EQ(atofPrefix(text), 0.0) << text;
}

TEST(VersionAnswer, OnlyAnOkStatusWithTheVersionAtTheEndIsBelieved)
{
    EXPECT_EQ(judgeVersionAnswer("HTTP/1.1 200 OK\r\n\r\n<v>;0.50;1.01").version, "1.01");
    EXPECT_EQ(judgeVersionAnswer("HTTP/1.0 200\r\nA: b\r\n\r\n;3.10").version, "3.10");

    const VersionAnswer refused = judgeVersionAnswer("HTTP/1.1 503 Busy\x07\r\n\r\n;3.10");
    EXPECT_TRUE(refused.version.isEmpty());
    // The status goes into a message: no control characters.
    EXPECT_EQ(refused.failure, QStringLiteral("The update server answered \"503 Busy?\"."));

    for (const char* unbelieved : {"HTTP/1.1 2000 OK\r\n\r\n;3.10", "HTTP/1.1 200 OK\r\n\r\n;../x",
                                   "HTTP/1.1 200 OK\r\n\r\n3.10", "HTTP/1.1 200 OK\r\n\r\n;3.10 ",
                                   "HTTP/1.1 200 OK\r\n;3.10", "", "HTTP/1.1"}) {
        SCOPED_TRACE(unbelieved);
        const VersionAnswer answer = judgeVersionAnswer(unbelieved);
        EXPECT_TRUE(answer.version.isEmpty());
        EXPECT_FALSE(answer.failure.isEmpty());
    }
}

TEST(NeededVersion, IsTheLastFourCharactersOfTheFirst700Bytes)
{
    QTemporaryDir folder;
    const QString path = pathInFolder(folder.path(), QStringLiteral("v.xml"));
    const auto write = [&](const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    };

    write("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\n<v>;3.10");
    EXPECT_EQ(readNeededVersion(path), QStringLiteral("3.10"));

    write(QByteArray(695, 'x') + ";2.20" + QByteArray(100, 'y'));
    EXPECT_EQ(readNeededVersion(path), QStringLiteral("2.20"));

    write(QByteArray("ab;9.99\0zzzz", 12));
    EXPECT_EQ(readNeededVersion(path), QStringLiteral("9.99"));

    write("12");
    EXPECT_EQ(readNeededVersion(path), QStringLiteral("12"));

    EXPECT_FALSE(readNeededVersion(pathInFolder(folder.path(), QStringLiteral("missing.xml"))));
}

TEST(NeededVersion, OnlyDigitsAroundOneDotMayBecomePartOfAFileName)
{
    for (const char* good : {"3.10", "1.01", "10.1", "0.00"})
        EXPECT_TRUE(isValidVersion(QString::fromLatin1(good))) << good;
    for (const char* bad : {"../x", "TT", "", "3.1a", ".310", "310.", "3..1", "1.2.", "3,10",
                            "\r\n\r\n", "31 0", "-1.0", "+1.0", "/3.1"})
        EXPECT_FALSE(isValidVersion(QString::fromLatin1(bad))) << bad;
    EXPECT_EQ(installerName(QStringLiteral("3.10")), QStringLiteral("Updatefile3.10.exe"));
}

} // namespace
} // namespace veltroma
