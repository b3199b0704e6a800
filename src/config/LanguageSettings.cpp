#include "config/LanguageSettings.h"

#include "base/PrivateFiles.h"
#include "config/EmbeddedFiles.h"
#include "config/ProfileDocument.h"
#include "config/ProfileFile.h"
#include "config/ProgramPaths.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <map>
#include <mutex>
#include <vector>

namespace veltroma {
namespace {

const QString kSection = QStringLiteral("Setting");
const QString kLanguageKey = QStringLiteral("Language");
const QString kCommNumKey = QStringLiteral("CommNum");
const QString kEnglish = QStringLiteral("English");
// The start dialog reads the names into a 100-character buffer.
constexpr int kNameCapacity = 100;

struct LanguageFile {
    int id;
    const char* fileName;
};

// In the order they are written.
constexpr std::array<LanguageFile, 12> kLanguageFiles{{
    {62, "english.ini"},
    {61, "chinesesimple.ini"},
    {64, "chinesecomplex.ini"},
    {63, "deutsch.ini"},
    {65, "francais.ini"},
    {66, "espanol.ini"},
    {67, "italiano.ini"},
    {68, "nederlands.ini"},
    {69, "catal.ini"},
    {70, "magyar.ini"},
    {71, "portugu.ini"},
    {72, "japanese.ini"},
}};

QString languageFolder()
{
    return g_szCurPath() + QStringLiteral("Language/");
}

// The language files in the order the folder search of the original platform gave them:
// by name, compared in upper case.
std::vector<QString> languageFilePaths()
{
    struct Found {
        QString sortKey;
        QString path;
    };
    std::vector<Found> found;
    const QFileInfoList files = QDir(languageFolder())
                                    .entryInfoList({QStringLiteral("*.ini")},
                                                   QDir::Files | QDir::Hidden, QDir::NoSort);
    for (const QFileInfo& file : files)
        found.push_back({file.fileName().toUpper(), file.absoluteFilePath()});
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return a.sortKey != b.sortKey ? a.sortKey < b.sortKey : a.path < b.path;
    });
    std::vector<QString> paths;
    paths.reserve(found.size());
    for (Found& f : found)
        paths.push_back(std::move(f.path));
    return paths;
}

std::optional<QString> findLanguageFile(const QString& name)
{
    for (const QString& path : languageFilePaths()) {
        const QString value = ProfileFile(path).read(kSection, kLanguageKey);
        if (!value.isEmpty() && value == name)
            return path;
    }
    return std::nullopt;
}

void writeLanguageFiles()
{
    const QString folder = languageFolder();
    makePrivateFolder(folder);
    for (const LanguageFile& file : kLanguageFiles)
        MakeResource(file.id, folder + QLatin1String(file.fileName));
}

} // namespace

QString LoadSet(const QString& name, LoadSetMode mode)
{
    const ProfileFile settings(g_szSettingPath());
    if (mode == LoadSetMode::CommNum) {
        settings.write(kSection, kCommNumKey, name);
        return name;
    }

    QString target = name.isEmpty() ? settings.read(kSection, kLanguageKey, kEnglish) : name;
    if (const auto path = findLanguageFile(target)) {
        setLanguagePath(*path);
    } else {
        writeLanguageFiles();
        setLanguagePath(languageFolder() + QStringLiteral("english.ini"));
        target = kEnglish;
    }
    settings.write(kSection, kLanguageKey, target);
    return target;
}

LanguageChoices languageChoices()
{
    LanguageChoices choices;
    for (const QString& path : languageFilePaths()) {
        const QString value = ProfileFile(path).read(kSection, kLanguageKey, {}, kNameCapacity);
        if (!value.isEmpty())
            choices.names.append(value);
    }
    const QString stored = ProfileFile(g_szSettingPath()).read(kSection, kLanguageKey, kEnglish);
    const auto match = std::find_if(choices.names.cbegin(), choices.names.cend(), [&](const QString& entry) {
        return entry.startsWith(stored, Qt::CaseInsensitive);
    });
    if (match != choices.names.cend())
        choices.selected = match - choices.names.cbegin();
    return choices;
}

std::optional<QString> embeddedLanguageText(const QString& path, const QString& key)
{
    const QString name = QFileInfo(path).fileName();
    const auto file = std::find_if(kLanguageFiles.begin(), kLanguageFiles.end(),
                                   [&](const LanguageFile& f) { return name == QLatin1String(f.fileName); });
    if (file == kLanguageFiles.end())
        return std::nullopt;
    // The carried files never change: each is parsed once, not on every lookup of a text an
    // older file lacks (the status line looks up several each second). Lookups come from the
    // user-interface thread and the worker.
    static std::mutex mutex;
    static std::map<int, ProfileDocument> parsed;
    const std::lock_guard lock(mutex);
    auto document = parsed.find(file->id);
    if (document == parsed.end()) {
        const auto bytes = embeddedFile(file->id);
        if (!bytes)
            return std::nullopt;
        document = parsed.emplace(file->id, ProfileDocument::parse(*bytes)).first;
    }
    return document->second.value(u"String", key);
}

} // namespace veltroma
