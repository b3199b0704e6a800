#include "web/BasicAuth.h"

#include <gtest/gtest.h>

namespace veltroma {
namespace {

QByteArray basic(const QByteArray& credentials)
{
    return "Basic " + credentials.toBase64();
}

TEST(BasicAuthTest, TakesThePasswordWithAnyUserName)
{
    const QString password = QStringLiteral("s3cr:et ü");
    EXPECT_TRUE(basicAuthAccepts(basic("admin:s3cr:et \xc3\xbc"), password));
    EXPECT_TRUE(basicAuthAccepts(basic(":s3cr:et \xc3\xbc"), password));
    EXPECT_TRUE(basicAuthAccepts("bAsIc   " + QByteArray("x:s3cr:et \xc3\xbc").toBase64(), password));
}

TEST(BasicAuthTest, RefusesEverythingElse)
{
    const QString password = QStringLiteral("secret");
    const QByteArray cases[] = {
        "",
        basic("admin:secreT"),
        basic("admin:secret "),
        basic("admin:secre"),
        basic("secret"), // no colon: a user name alone
        "Bearer " + QByteArray("admin:secret").toBase64(),
        "Basic",
        "Basic " + QByteArray("admin:secret").toBase64() + "!",
    };
    for (const QByteArray& authorization : cases) {
        SCOPED_TRACE(authorization.toStdString());
        EXPECT_FALSE(basicAuthAccepts(authorization, password));
    }
}

} // namespace
} // namespace veltroma
