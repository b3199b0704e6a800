#pragma once

#include "app/view/StatusTexts.h"
#include "config/EmbeddedFiles.h"
#include "config/ProfileDocument.h"

#include <memory>

namespace veltroma::test {

inline constexpr int kEnglishFileId = 62;
inline constexpr int kSimplifiedChineseFileId = 61;
inline constexpr int kTraditionalChineseFileId = 64;

// The texts of one of the language files the program carries, looked up as the program
// looks them up, without a program folder.
inline TextLookup embeddedLanguage(int fileId)
{
    const auto document =
        std::make_shared<const ProfileDocument>(ProfileDocument::parse(embeddedFile(fileId).value_or(QByteArray())));
    return [document](const QString& key) {
        return document->value(u"String", key).value_or(QStringLiteral("Not found"));
    };
}

} // namespace veltroma::test
