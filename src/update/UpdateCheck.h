#pragma once

#include <QString>

#include "update/UpdateHost.h"
#include "update/VersionCheck.h"

namespace veltroma {

class Prompt;

// The check behind the "Update Software" button: asks the server for the version file, saves
// it in the program folder and tells the user when there is nothing newer or the check failed.
class UpdateCheck {
public:
    enum class Outcome {
        NewerVersion,  // the update dialog is to be opened; nothing has been shown
        LatestVersion, // the user has been told that this is the latest version
        Failed,        // the user has been told why the check failed
    };

    UpdateCheck(Prompt& prompt, QString programFolder, UpdateHost host, UpdateTimeouts timeouts = {});

    // One check, from "no newer version" on. Runs on the calling thread until the server has
    // answered or the timeouts have passed.
    Outcome checkForUpdate();

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

// The message of a failed check, with its reason.
QString checkFailedText(const QString& reason);

} // namespace veltroma
