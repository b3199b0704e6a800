#pragma once

#include "config/ProfileDocument.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

namespace veltroma {

// The languages the web pages speak: those of the program's own translations. The other
// language files of the program carry the English texts.
enum class WebLanguage { English, ChineseSimplified, ChineseTraditional };

// The language for a request's Accept-Language header: of the ranges the pages speak, the one
// with the highest q-value (the first on a tie); English when the header names none of them.
// Chinese is Simplified unless the range names the Traditional script or a region that writes
// it (Taiwan, Hong Kong, Macao). A range with a malformed q-value counts as not given. Any thread.
[[nodiscard]] WebLanguage chooseWebLanguage(QByteArrayView acceptLanguage);

// The language tag of <html lang> and Content-Language: "en", "zh-Hans" or "zh-Hant".
[[nodiscard]] QString languageTag(WebLanguage language);

// The language file of `language` in `languageFolder` ("english.ini", ...).
[[nodiscard]] QString languageFilePath(WebLanguage language, const QString& languageFolder);

// The texts of one language, looked up by key (e.g. "IDC_WEB_TITLE"), read the way the program
// reads its own: the language file in the program's Language folder first, so that a text
// corrected there shows on the pages too, then the copy the program carries (a file written by
// an older version lacks the newer keys). Made per request, on the caller's thread.
class WebTexts {
public:
    // `languageFolder` holds english.ini, chinesesimple.ini and chinesecomplex.ini; empty or
    // missing files leave only the carried copies.
    WebTexts(WebLanguage language, const QString& languageFolder);

    // The text with "\n" in the file turned into a line break, as the program does; nothing
    // when neither the file nor the carried copy has the key.
    [[nodiscard]] std::optional<QString> text(QStringView key) const;

private:
    QString path_;
    std::optional<ProfileDocument> file_; // the Language folder's file, when it could be read
};

} // namespace veltroma
