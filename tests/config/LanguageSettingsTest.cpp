#include "config/EmbeddedFiles.h"
#include "config/GbkCodec.h"
#include "config/LanguageSettings.h"
#include "config/ProfileFile.h"
#include "config/ProgramPaths.h"
#include "config/SettingsStartup.h"
#include "config/Strings.h"

#include "TestFiles.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace veltroma {
namespace {

using test::readBytes;
using test::writeBytes;

enum class Encoding { Gbk, Utf16 };

struct ExpectedFile {
    const char* name;
    Encoding encoding;
    const char16_t* language;
};

// The twelve files a first start writes, and what each must hold.
const ExpectedFile kExpectedFiles[] = {
    {"english.ini", Encoding::Gbk, u"English"},
    {"chinesesimple.ini", Encoding::Gbk, u"中文(简体)"},
    {"chinesecomplex.ini", Encoding::Gbk, u"中文(繁體)"},
    {"deutsch.ini", Encoding::Utf16, u"Deutsch"},
    {"francais.ini", Encoding::Gbk, u"Francais "},
    {"espanol.ini", Encoding::Gbk, u"Espanol"},
    {"italiano.ini", Encoding::Gbk, u"Italiano"},
    {"nederlands.ini", Encoding::Gbk, u"Nederlands"},
    {"catal.ini", Encoding::Gbk, u"Català"},
    {"magyar.ini", Encoding::Utf16, u"Magyar"},
    {"portugu.ini", Encoding::Utf16, u"Português"},
    {"japanese.ini", Encoding::Gbk, u"Japanese"},
};

QString decodeFile(const QByteArray& bytes, Encoding encoding)
{
    if (encoding == Encoding::Gbk) {
        const GbkText text = decodeGbk(bytes);
        return text.clean ? text.text : QString();
    }
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2),
                              (bytes.size() - 2) / 2);
}

// The commented example the first setting.ini carries below the language.
const QByteArray kPortExample = "; The serial port: a device such as /dev/ttyUSB0, a "
                                "/dev/serial/by-id/ name or COM1.\r\n;CommNum=/dev/ttyUSB0\r\n";

class LanguageSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = dir_.path() + u'/';
        setLanguagePath({});
    }

    StartupSettings start() { return loadStartupSettings(folder_); }
    QString languageFile(const QString& name) const { return folder_ + "Language/" + name; }
    QString settings() const { return QString::fromLatin1(readBytes(folder_ + "setting.ini")); }

    void addLanguageFile(const QString& name, const QByteArray& gbkContent)
    {
        writeBytes(languageFile(name), gbkContent);
    }

    QTemporaryDir dir_;
    QString folder_;
};

TEST_F(LanguageSettingsTest, FirstStartInAnEmptyFolder)
{
    EXPECT_EQ(*embeddedFile(kDefaultSettingsFileId), "[Setting]\r\nLanguage=Chinese\r\n" + kPortExample);

    // The example is a comment: the port is still the default one.
    const StartupSettings started = start();
    EXPECT_EQ(started.portDescription, "COM1,9600,8,N,1");
    EXPECT_TRUE(started.portIsDefault);
    EXPECT_EQ(started.language, "English");
    EXPECT_EQ(g_szCurPath(), folder_);
    EXPECT_EQ(g_szSettingPath(), folder_ + "setting.ini");
    EXPECT_EQ(g_szLanguagePath(), languageFile("english.ini"));
    // The default file, with no language file called "Chinese", rewritten in place.
    EXPECT_EQ(settings(), "[Setting]\r\nLanguage=English\r\n" + kPortExample);

    EXPECT_EQ(QDir(folder_ + "Language").entryList(QDir::Files).size(), 12);
    const QString sources = qEnvironmentVariable("VELTROMA_SOURCE_DIR") + "/resources/languages/";
    for (const ExpectedFile& expected : kExpectedFiles) {
        SCOPED_TRACE(expected.name);
        const QString path = languageFile(expected.name);
        const QByteArray bytes = readBytes(path);
        EXPECT_EQ(bytes.startsWith("\xFF\xFE"), expected.encoding == Encoding::Utf16);
        const QString text = decodeFile(bytes, expected.encoding);
        ASSERT_FALSE(text.isEmpty());
        EXPECT_TRUE(text.contains("\r\nLanguage=" + QString::fromUtf16(expected.language) + "\r\n"));
        EXPECT_FALSE(text.contains(QRegularExpression("[^\r]\n")));
    }
    // The three translated files are exactly their sources, in the code page.
    for (const char* name : {"english.ini", "chinesesimple.ini", "chinesecomplex.ini"}) {
        SCOPED_TRACE(name);
        QString source = QString::fromUtf8(readBytes(sources + name));
        ASSERT_FALSE(source.isEmpty()) << "run through ctest";
        source.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
        EXPECT_EQ(decodeFile(readBytes(languageFile(name)), Encoding::Gbk), source);
    }

    EXPECT_EQ(g_LoadString("IDOK"), "OK");
    const LanguageChoices choices = languageChoices();
    EXPECT_EQ(choices.names, QStringList({u"Català"_qs, u"中文(繁體)"_qs, u"中文(简体)"_qs, "Deutsch",
                                          "English", "Espanol", "Francais", "Italiano", "Japanese",
                                          "Magyar", "Nederlands", u"Português"_qs}));
    EXPECT_EQ(choices.selected, 4);
}

TEST_F(LanguageSettingsTest, ChoosingDeutschGivesEnglishTextsWithTheOlderTitle)
{
    start();
    EXPECT_EQ(LoadSet("Deutsch", LoadSetMode::Language), "Deutsch");
    EXPECT_EQ(g_szLanguagePath(), languageFile("deutsch.ini"));
    EXPECT_EQ(g_LoadString("IDC_BUTTON_TITLE"), "Veltroma monitor V2.60");
    EXPECT_EQ(g_LoadString("IDC_BUTTON_TITLE2"), "Please select Language");
    EXPECT_EQ(g_LoadString("IDC_MANUALTEST_DCIRANGE"), "Not found");
    EXPECT_EQ(g_LoadString("IDC_MANUALTEST_SERIALRANGE"), "Not found");
    EXPECT_EQ(settings(), "[Setting]\r\nLanguage=Deutsch\r\n" + kPortExample);

    // The next start keeps the choice and leaves the files alone.
    writeBytes(languageFile("english.ini"), "[Setting]\r\nLanguage=English\r\n");
    EXPECT_EQ(start().language, "Deutsch");
    EXPECT_EQ(readBytes(languageFile("english.ini")), "[Setting]\r\nLanguage=English\r\n");
    EXPECT_EQ(languageChoices().selected, 3);
}

TEST_F(LanguageSettingsTest, ChineseChoiceSurvivesARestart)
{
    start();
    EXPECT_EQ(LoadSet(u"中文(简体)"_qs, LoadSetMode::Language), u"中文(简体)");
    EXPECT_EQ(g_LoadString("IDOK"), u"确定");
    EXPECT_EQ(readBytes(folder_ + "setting.ini"),
              "[Setting]\r\nLanguage=" + QByteArray::fromHex("d6d0cec428bcf2cce529") + "\r\n" + kPortExample);
    start();
    EXPECT_EQ(g_szLanguagePath(), languageFile("chinesesimple.ini"));
    EXPECT_EQ(g_LoadString("IDCANCEL"), u"取消");
}

TEST_F(LanguageSettingsTest, ExtraAndDuplicateLanguageFiles)
{
    start();
    addLanguageFile("zz_klingon.ini", "[Setting]\r\nLanguage=Klingon\r\n[String]\r\nIDOK=Qapla'\r\n");
    // By upper-case name "AA.INI" comes before "ZZ.INI", though 'Z' < 'a' in ASCII.
    addLanguageFile("Zz.ini", "[Setting]\r\nLanguage=Twin\r\n[String]\r\nIDOK=second\r\n");
    addLanguageFile("aa.ini", "[Setting]\r\nLanguage=Twin\r\n[String]\r\nIDOK=first\r\n");
    addLanguageFile("nameless.ini", "[String]\r\nIDOK=none\r\n");
    QDir().mkpath(languageFile("folder.ini"));

    const LanguageChoices choices = languageChoices();
    EXPECT_EQ(choices.names.size(), 15);
    EXPECT_EQ(choices.names.first(), "Twin");
    EXPECT_EQ(choices.names.last(), "Klingon");
    EXPECT_EQ(choices.names.count("Twin"), 2);

    EXPECT_EQ(LoadSet("Klingon", LoadSetMode::Language), "Klingon");
    EXPECT_EQ(g_LoadString("IDOK"), "Qapla'");
    EXPECT_EQ(g_LoadString("IDCANCEL"), "Not found");
    EXPECT_EQ(languageChoices().selected, 14);

    LoadSet("Twin", LoadSetMode::Language);
    EXPECT_EQ(g_LoadString("IDOK"), "first");
}

TEST_F(LanguageSettingsTest, SelectionByCaseInsensitivePrefix)
{
    start();
    const auto selectedFor = [&](const QByteArray& stored) {
        writeBytes(folder_ + "setting.ini", "[Setting]\r\nLanguage=" + stored + "\r\n");
        const LanguageChoices choices = languageChoices();
        return choices.selected ? choices.names[*choices.selected] : QString();
    };
    EXPECT_EQ(selectedFor("deutsch"), "Deutsch");
    EXPECT_EQ(selectedFor("Francais"), "Francais");
    EXPECT_EQ(selectedFor("Ital"), "Italiano");
    EXPECT_EQ(selectedFor("Klingon"), "");
}

TEST_F(LanguageSettingsTest, LostLanguageFileFallsBackToEnglish)
{
    start();
    LoadSet("Magyar", LoadSetMode::Language);
    QFile::remove(languageFile("magyar.ini"));
    QFile::remove(languageFile("english.ini"));
    EXPECT_EQ(start().language, "English");
    EXPECT_TRUE(QFile::exists(languageFile("magyar.ini")));
    EXPECT_EQ(g_LoadString("IDCANCEL"), "Cancel");
    EXPECT_EQ(settings(), "[Setting]\r\nLanguage=English\r\n" + kPortExample);
}

TEST_F(LanguageSettingsTest, StoringThePortLeavesTheLanguageAlone)
{
    start();
    LoadSet("Deutsch", LoadSetMode::Language);
    QFile::remove(languageFile("english.ini"));

    EXPECT_EQ(LoadSet("COM3,9600,8,N,1", LoadSetMode::CommNum), "COM3,9600,8,N,1");
    // Below the example, which stays as it was.
    EXPECT_EQ(settings(), "[Setting]\r\nLanguage=Deutsch\r\n" + kPortExample + "CommNum=COM3,9600,8,N,1\r\n");
    EXPECT_EQ(g_szLanguagePath(), languageFile("deutsch.ini"));
    EXPECT_FALSE(QFile::exists(languageFile("english.ini")));
}

TEST_F(LanguageSettingsTest, CommNumReplacesTheWholePortDescription)
{
    writeBytes(folder_ + "setting.ini", "[Setting]\r\nCommNum=COM2,300,8,N,1\r\nLanguage=English\r\n");
    EXPECT_EQ(start().portDescription, "COM2,300,8,N,1");
    EXPECT_FALSE(start().portIsDefault);
    writeBytes(folder_ + "setting.ini", "[Setting]\r\nCommNum=\r\n");
    EXPECT_EQ(start().portDescription, "COM1,9600,8,N,1");
    EXPECT_TRUE(start().portIsDefault);
    // An existing file is not replaced by the default.
    EXPECT_EQ(settings(), "[Setting]\r\nCommNum=\r\nLanguage=English\r\n");
}

TEST_F(LanguageSettingsTest, LookupTurnsBackslashNIntoLineBreaks)
{
    EXPECT_EQ(g_LoadString("IDOK"), "Not found");
    QDir().mkpath(folder_ + "Language");
    addLanguageFile("own.ini", "[Setting]\r\nLanguage=Own\r\n[String]\r\n"
                               "Two=Line one\\nLine two\\\\n\r\nEmpty=\r\n");
    setLanguagePath(languageFile("own.ini"));
    EXPECT_EQ(g_LoadString("Two"), "Line one\nLine two\\\n");
    EXPECT_EQ(g_LoadString("two"), "Line one\nLine two\\\n");
    EXPECT_EQ(g_LoadString("Empty"), "");
    EXPECT_EQ(g_LoadString("Missing"), "Not found");
}

// Language files are written only when missing: after an update, the files an older version
// wrote lack the texts added since, which come from the program's own copy.
TEST_F(LanguageSettingsTest, TextsMissingFromAnOlderFileComeFromTheProgramsOwnCopy)
{
    start();
    QByteArray older = readBytes(languageFile("english.ini"));
    const qsizetype line = older.indexOf("IDC_SETTING=");
    ASSERT_GE(line, 0);
    older.remove(line, older.indexOf("\r\n", line) + 2 - line);
    writeBytes(languageFile("english.ini"), older);
    EXPECT_EQ(g_LoadString("IDC_SETTING"), "System setting");
    EXPECT_EQ(g_LoadString("IDC_HELP"), "Help");

    QFile::remove(languageFile("english.ini"));
    EXPECT_EQ(g_LoadString("IDOK"), "OK");
    EXPECT_EQ(g_LoadString("NoSuchKey"), "Not found");
}

TEST_F(LanguageSettingsTest, ReadersNeverSeeAHalfWrittenFile)
{
    start();
    const QString path = languageFile("english.ini");
    std::atomic<bool> done = false;
    std::atomic<int> missing = 0;
    std::vector<std::thread> readers;
    for (int i = 0; i < 3; ++i) {
        readers.emplace_back([&] {
            while (!done)
                missing += g_LoadString("IDOK") != "OK";
        });
    }
    for (int i = 0; i < 200; ++i)
        ProfileFile(path).write("String", "IDC_HELP", QString::number(i));
    done = true;
    for (std::thread& reader : readers)
        reader.join();
    EXPECT_EQ(missing, 0);
}

TEST(EmbeddedFiles, MakeResourceReportsWhatItCouldNotWrite)
{
    QTemporaryDir dir;
    EXPECT_FALSE(MakeResource(9999, dir.filePath("none")));
    EXPECT_FALSE(QFile::exists(dir.filePath("none")));
    EXPECT_FALSE(MakeResource(62, dir.filePath("missing/english.ini")));

    // The record template is carried when the workbook writer is part of the build.
    const QString workbook = dir.filePath("2011-5.xls");
    if (embeddedFile(kRecordTemplateFileId)) {
        EXPECT_TRUE(MakeResource(kRecordTemplateFileId, workbook));
        EXPECT_TRUE(readBytes(workbook).startsWith(QByteArray::fromHex("d0cf11e0a1b11ae1")));
    } else {
        EXPECT_FALSE(MakeResource(kRecordTemplateFileId, workbook));
    }
}

TEST(ProgramPaths, ProgramFolderIsTheExecutablesOrHome)
{
    const QString previous = QDir::currentPath();
    QTemporaryDir elsewhere;
    QDir::setCurrent(elsewhere.path());
    const QString folder = programFolder();
    const QString home = programFolder("home");
    QDir::setCurrent(previous);

    EXPECT_TRUE(folder.endsWith(u'/'));
    EXPECT_TRUE(QFile::exists(folder + "config_tests")) << qPrintable(folder);
    EXPECT_EQ(home, QDir(elsewhere.path()).absoluteFilePath("home") + u'/');
    EXPECT_EQ(programFolder("/opt/veltroma/"), "/opt/veltroma/");

    setProgramFolder("/opt/veltroma");
    EXPECT_EQ(g_szCurPath(), "/opt/veltroma/");
    EXPECT_EQ(g_szSettingPath(), "/opt/veltroma/setting.ini");
}

} // namespace
} // namespace veltroma
