#pragma once

#include <QString>

#include "update/UpdateHost.h"
#include "update/VersionCheck.h"

namespace veltroma {

class Prompt;

// The check behind the "Update Software" button: asks the server for the version file, saves
// it in the program folder and tells the user when there is nothing newer.
class UpdateCheck {
public:
    UpdateCheck(Prompt& prompt, QString programFolder, UpdateHost host, UpdateTimeouts timeouts = {});

    // True: a newer version has been announced (during this run) and the update dialog is to
    // be opened. False: the user has been told why not.
    bool checkForUpdate();

    [[nodiscard]] const QString& programFolder() const { return m_programFolder; }
    [[nodiscard]] const UpdateHost& host() const { return m_host; }
    [[nodiscard]] const UpdateTimeouts& timeouts() const { return m_timeouts; }

private:
    Prompt& m_prompt;
    QString m_programFolder;
    UpdateHost m_host;
    UpdateTimeouts m_timeouts;
    VersionCheck m_versionCheck;
};

// The two lines shown when the server announces nothing newer.
QString latestVersionText();

} // namespace veltroma
