#pragma once

#include "web/HttpExchange.h"
#include "web/WebLanguage.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <QDateTime>

#include <mutex>
#include <optional>
#include <vector>

namespace veltroma {

// `text` safe inside HTML text and inside single- or double-quoted attribute values.
[[nodiscard]] QString htmlEscaped(QStringView text);

// The pages of the web view ("/", "/history", "/health") and their static files ("/static/..."),
// carried in the program's resources under :/web/. A page's {{KEY}} placeholders are filled
// with the texts of the program's language files in the reader's language (HTML-escaped),
// {{LANG}} with its language tag and {{ASSETS}} with the version of the static files, so that
// a browser may keep those until the program changes. A filled page is kept until its language
// file changes. No state of the session is read; safe to use from any thread.
class WebPages {
public:
    // Texts from the language files in `languageFolder`, a key missing there from the program's
    // carried copy. Empty: the Language folder of the program folder at each request.
    explicit WebPages(QString languageFolder = {});

    // The answer to a GET or HEAD of a page or a static file; nothing for any other path,
    // including a static file the program does not carry (the caller answers 404).
    [[nodiscard]] std::optional<WebResponse> page(const WebRequest& request) const;

    // page(), or 404 (plain text) for a path it does not serve: what WebHub::Setup::pages asks for.
    [[nodiscard]] WebResponse respond(const WebRequest& request) const;

    // A short fingerprint of all static files.
    [[nodiscard]] const QByteArray& assetsVersion() const { return assetsVersion_; }

private:
    [[nodiscard]] WebResponse htmlPage(const QString& resource, const WebRequest& request) const;
    [[nodiscard]] WebResponse fillPage(const QString& resource, WebLanguage language,
                                       const WebTexts& texts) const;
    [[nodiscard]] std::optional<WebResponse> staticFile(QStringView name, const WebRequest& request) const;

    // A page as it was filled, and the language file it was filled from as it was then.
    struct FilledPage {
        QString resource;
        QByteArray languageTag;
        QDateTime fileModified;
        qint64 fileSize = -1;
        WebResponse response;
    };

    QString languageFolder_;
    QByteArray assetsVersion_;
    mutable std::mutex filledMutex_;
    mutable std::vector<FilledPage> filled_;
};

} // namespace veltroma
