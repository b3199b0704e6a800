#pragma once

#include <QString>

namespace veltroma {

// The languages the status line and the record messages are written in; every other
// language shows English until it is translated.
enum class TextLanguage { English, SimplifiedChinese };

// The language of the active language file.
[[nodiscard]] TextLanguage activeTextLanguage();

// `english` or `chinese` for `language`.
[[nodiscard]] inline QString pickText(TextLanguage language, const char* english, const char* chinese)
{
    return QString::fromUtf8(language == TextLanguage::SimplifiedChinese ? chinese : english);
}

} // namespace veltroma
