#include "cli/Messages.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace veltroma {
namespace {

QByteArray printed(const QString& text)
{
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> stream(std::tmpfile(), &std::fclose);
    if (!stream)
        return {};
    printMessage(text, stream.get());
    std::rewind(stream.get());
    QByteArray bytes(256, '\0');
    bytes.resize(static_cast<qsizetype>(std::fread(bytes.data(), 1, 256, stream.get())));
    return bytes;
}

TEST(Messages, AMessageIsOneLineAfterTheProgramsName)
{
    EXPECT_EQ(printed(QStringLiteral("the port COM3 is unavailable or busy")),
              QByteArray("veltroma-monitor: the port COM3 is unavailable or busy\n"));
    // A value typed with a line break in it cannot start a line of its own.
    EXPECT_EQ(printed(QStringLiteral("'a\nveltroma-monitor: b\r' is no MQTT broker")),
              QByteArray("veltroma-monitor: 'a veltroma-monitor: b ' is no MQTT broker\n"));
}

} // namespace
} // namespace veltroma
