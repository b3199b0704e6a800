#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace veltroma {

// What LoadSet stores in the settings file.
enum class LoadSetMode {
    Language = 0, // resolve the language file for a name and store the name
    CommNum = 1,  // store the port description
};

// Language: makes the language file whose [Setting] Language is `name` the active one
// (`name` empty: the stored language). When no file carries that name, the Language folder
// is written anew from the embedded files and English becomes active. The language taken is
// stored and returned.
// CommNum: stores `name` as the port description and returns it; the active language and
// the language files stay as they are.
QString LoadSet(const QString& name, LoadSetMode mode);

// The languages the start dialog offers: one entry per language file of the Language folder
// (by file name, duplicates kept) and the entry to preselect, the first one that begins with
// the stored language without regard to case.
struct LanguageChoices {
    QStringList names;
    std::optional<qsizetype> selected;
};

LanguageChoices languageChoices();

// The text of `key` in the program's own copy of the language file at `path` (one of the
// files it writes, known by its file name), or nothing. Language files are written only
// when missing, so a file written by an older version lacks the keys added since.
[[nodiscard]] std::optional<QString> embeddedLanguageText(const QString& path, const QString& key);

} // namespace veltroma
