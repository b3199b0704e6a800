#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include "update/UpdateHost.h"
#include "update/VersionCheck.h"

#include <atomic>
#include <functional>
#include <memory>

class QThread;

namespace veltroma {

class Clock;
class Launcher;
class Prompt;

// What becomes of a package that arrived whole.
enum class AfterDownload {
    LaunchInstaller, // in the program folder, started, and the program ends (Windows); one
                     // without a checksum only when the user agrees
    KeepPackage,     // kept in the program folder's Update/ and named to the user (elsewhere:
                     // the package is a Windows installer)
};

// LaunchInstaller on Windows, KeepPackage elsewhere.
AfterDownload platformAfterDownload();

// The download behind the update dialog's "update" button: fetches the package on its own
// thread, keeps it only when it arrived whole, within its announced length and the size limit,
// and matching the checksum file the server offers beside it; renames it to the installer of
// the announced version, then starts that and ends the program, or keeps it and says where
// (see AfterDownload). An installer without a checksum is started only when the user agrees
// after seeing its SHA-256. Every failure is reported and the program goes on. Lives on the
// user-interface thread.
class PackageDownload final : public QObject {
    Q_OBJECT
public:
    // The most a package may have, in bytes, whatever the server announces.
    static constexpr qint64 kPackageLimitBytes = 512LL * 1024 * 1024;

    PackageDownload(Prompt& prompt, Launcher& launcher, Clock& clock, std::function<void()> quit,
                    QString programFolder, UpdateHost host, UpdateTimeouts timeouts = {},
                    QObject* parent = nullptr);
    ~PackageDownload() override;

    PackageDownload(const PackageDownload&) = delete;
    PackageDownload& operator=(const PackageDownload&) = delete;

    // The "update" button. False: nothing was started, because a download runs already or the
    // saved version file holds no usable version (the user has been told).
    bool OnUpdateSetup();

    // Stops a running download and waits for its thread; nothing is renamed or launched.
    void stop();

    // For tests of the other platform's behaviour; set before OnUpdateSetup().
    void setAfterDownload(AfterDownload after) { m_afterDownload = after; }
    // For tests: a smaller size limit in bytes than kPackageLimitBytes; set before
    // OnUpdateSetup().
    void setSizeLimit(qint64 bytes) { m_sizeLimit = bytes; }

    [[nodiscard]] bool isRunning() const { return m_hDownLoadThread != nullptr; }
    [[nodiscard]] const QString& url() const { return m_strURL; }
    [[nodiscard]] const QString& filePath() const { return m_strFilePath; }
    [[nodiscard]] const QString& neededVersion() const { return sz_need; }

    // Plain results of one download, as the thread hands them back.
    struct Result {
        enum class Kind { Done, Failed, Stopped };
        Kind kind = Kind::Failed;
        QString message{};
        QString installerPath{};
        // The package's SHA-256 (32 bytes) when Done.
        QByteArray sha256{};
        // The package matched the checksum file the server offers.
        bool verified = false;
    };

signals:
    void downloadStarted();
    // The expected size in bytes; 0 when the server does not say.
    void progressRange(qint64 maximum);
    void progressChanged(qint64 received);
    // The download ended without a launch: the user has been told `message`, or has declined
    // to start an installer that could not be checked.
    void downloadFailed(const QString& message);
    void installerLaunched(const QString& path);
    // The package is kept at `path`; the user has been told (KeepPackage).
    void packageKept(const QString& path);

private:
    Result DownloadFileThread(const QString& url, const QString& filePath,
                              const QString& installerPath, qint64 limitBytes);
    void finishDownload(unsigned run, const Result& result);
    // Shows the SHA-256 of an installer that could not be checked; true: the user wants it
    // started.
    bool startUnverified(const Result& result);
    void fail(const QString& message);
    void CloseUpdate();

    Prompt& m_prompt;
    Launcher& m_launcher;
    Clock& m_clock;
    std::function<void()> m_quit;
    QString m_programFolder;
    UpdateHost m_host;
    UpdateTimeouts m_timeouts;
    AfterDownload m_afterDownload = platformAfterDownload();
    qint64 m_sizeLimit = kPackageLimitBytes;

    QString m_strURL;
    QString m_strFilePath;
    // The announced version; "TT" until the version file has been read.
    QString sz_need = QStringLiteral("TT");
    // Stop request to the copy loop; false: go on.
    std::atomic<bool> m_bExist = false;
    std::unique_ptr<QThread> m_hDownLoadThread;
    // Tells a late result of a stopped download from the result of the current one.
    unsigned m_run = 0;
};

} // namespace veltroma
