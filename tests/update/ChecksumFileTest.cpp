#include <gtest/gtest.h>

#include "update/ChecksumFile.h"
#include "update/UpdateTestSupport.h"

namespace veltroma {
namespace {

// The SHA-256 of "test".
const QByteArray hex = "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08";

TEST(ChecksumFile, GivesTheDigestOfItsFirstLineInTheFormsSha256sumWrites)
{
    const QByteArray digest = QByteArray::fromHex(hex);
    for (const QByteArray& text :
         {hex, hex + "\n", hex + "  Veltromamonitor.rar\n", hex + " *Veltromamonitor.rar\r\n",
          hex.toUpper() + "\tVeltromamonitor.rar", hex + "\nanother line"}) {
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(parseChecksumFile(text), digest);
    }
}

TEST(ChecksumFile, AnythingElseGivesNoDigest)
{
    for (const QByteArray& text :
         {QByteArray(), hex.left(63), hex.left(63) + "g", hex + "0", " " + hex, "\n" + hex,
          QByteArray("<html>Not here</html>"), "SHA256 (Veltromamonitor.rar) = " + hex}) {
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(parseChecksumFile(text), std::nullopt);
    }
}

} // namespace
} // namespace veltroma
