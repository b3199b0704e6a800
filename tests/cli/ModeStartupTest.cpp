#include "ProgramRun.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace veltroma::test {
namespace {

enum class Kind { Logger, Parameters, Window };

// A mode that works in a program folder, as a user starts it.
struct ModeStart {
    const char* name;
    QStringList arguments;
    Kind kind;
};

QList<ModeStart> modesWithAProgramFolder(const QString& parameterFile, const QString& accessCode)
{
    return {
        {"logger", {"--headless"}, Kind::Logger},
        {"read parameters", {"--read-parameters", "--access-code", accessCode}, Kind::Parameters},
        {"write parameters", {"--write-parameters", parameterFile, "--access-code", accessCode},
         Kind::Parameters},
#ifdef VELTROMA_HAS_WINDOW
        {"window", {}, Kind::Window},
#endif
    };
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The lines of standard error that the program itself wrote.
QStringList programLines(const QString& err)
{
    QStringList lines;
    for (const QString& line : err.split(u'\n')) {
        if (line.startsWith(QStringLiteral("veltroma-monitor: ")))
            lines << line;
    }
    return lines;
}

class ModeStartupTest : public ::testing::Test {
protected:
    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }

    QTemporaryDir dir;
};

TEST_F(ModeStartupTest, EveryModeRefusesAProgramFolderItCannotMakeWithTheSameLineAndExitCode)
{
    const QString home = writeFile(QStringLiteral("a-file"), "x") + QStringLiteral("/veltroma");
    const QString parameters = writeFile(QStringLiteral("fleet.txt"), "T-start=60\n");
    const QString expectedStart =
        QStringLiteral("veltroma-monitor: The program folder %1/ cannot be created: ").arg(home);
    ASSERT_TRUE(QFile::exists(home.section(u'/', 0, -2)));
    QString first;
    for (const ModeStart& mode : modesWithAProgramFolder(parameters, QStringLiteral("lantern4"))) {
        SCOPED_TRACE(mode.name);
        ProgramRun run(QStringList{"--home", home} + mode.arguments);
        if (mode.kind != Kind::Window) {
            EXPECT_EQ(run.exitCode(), 1);
        } else {
            // The window shows the message in a box too and waits for it to be closed; that it
            // then ends with 1 is proven in app/shell's start-up test.
            EXPECT_TRUE(run.waitUntil([&] { return !programLines(run.err()).isEmpty(); }))
                << run.err().toStdString();
            EXPECT_TRUE(run.running());
        }
        // Of the window's standard error only the program's own lines count: the offscreen
        // platform has things to say about the message box.
        const QStringList lines = programLines(run.err());
        ASSERT_EQ(lines.size(), 1) << run.err().toStdString();
        EXPECT_TRUE(lines[0].startsWith(expectedStart)) << lines[0].toStdString();
        if (mode.kind != Kind::Window) {
            EXPECT_EQ(run.err(), lines[0] + u'\n');
        }
        if (first.isEmpty())
            first = lines[0];
        EXPECT_EQ(lines[0], first);
        EXPECT_TRUE(run.out().isEmpty());
    }
}

TEST_F(ModeStartupTest, EveryModeLeavesTheSameSettingsAndLanguageFilesInAFreshProgramFolder)
{
    const QString parameters = writeFile(QStringLiteral("fleet.txt"), "T-start=60\n");
    // A wrong access code ends the parameter modes right after the start-up. The others are
    // stopped once the start-up's last step is done: the embedded setting.ini names a language
    // without files, and the language taken instead is written back.
    int made = 0;
    for (const ModeStart& mode : modesWithAProgramFolder(parameters, QStringLiteral("wrong"))) {
        SCOPED_TRACE(mode.name);
        const QString home = dir.filePath(QStringLiteral("home%1/program").arg(++made));
        const QString settingPath = home + QStringLiteral("/setting.ini");
        ProgramRun run(QStringList{"--home", home} + mode.arguments);
        if (mode.kind == Kind::Parameters) {
            EXPECT_EQ(run.exitCode(), 3) << run.err().toStdString();
        } else {
            EXPECT_TRUE(run.waitUntil([&] {
                const QByteArray bytes = fileBytes(settingPath);
                return !bytes.isEmpty() && !bytes.contains("Language=Chinese");
            }))
                << fileBytes(settingPath).toStdString() << run.err().toStdString();
        }
        EXPECT_EQ(fileBytes(settingPath),
                  QByteArray("[Setting]\r\nLanguage=English\r\n; The serial port: a device such as "
                             "/dev/ttyUSB0, a /dev/serial/by-id/ name or COM1.\r\n"
                             ";CommNum=/dev/ttyUSB0\r\n"));
        EXPECT_EQ(QDir(home + QStringLiteral("/Language")).entryList({"*.ini"}, QDir::Files).size(), 12);
    }
}

} // namespace
} // namespace veltroma::test
