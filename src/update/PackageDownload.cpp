#include "update/PackageDownload.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThread>
#include <QUrl>

#include "base/Clock.h"
#include "base/Prompt.h"
#include "update/ChecksumFile.h"
#include "update/Launcher.h"
#include "update/ReplyWait.h"
#include "update/UpdateFiles.h"

#include <optional>

namespace veltroma {

namespace {

constexpr qint64 blockSize = 1024;
// What the network layer may hold for the download thread; beyond it the server is not read.
constexpr qint64 kReplyBufferBytes = 256 * 1024;
// Time the installer gets to come up before the program ends.
constexpr std::int64_t launchPauseMs = 200;

const QString dialogCaption = QStringLiteral("Update Software");

// A version text from the network, fit to be shown: control characters become '?'.
QString printable(QString text)
{
    for (QChar& c : text) {
        if (!c.isPrint())
            c = u'?';
    }
    return text;
}

QString hexDigest(const QByteArray& digest)
{
    return QString::fromLatin1(digest.toHex());
}

// The request for the package and for the checksum file beside it.
QNetworkRequest packageRequest(const QString& url, int transferMs)
{
    QNetworkRequest request{QUrl(url)};
    request.setRawHeader("Accept", "*/*");
    // The leading space makes the two spaces after the colon that the server has always seen.
    request.setRawHeader("User-Agent", " Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)");
    // Bytes as the server sends them, so that they add up to its Content-Length.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setTransferTimeout(transferMs);
    return request;
}

// Copies the package from the reply into its file in blocks of 1024 bytes, never more than
// the announced length or the limit, and hashes it on the way. Lives on the download thread.
class Transfer {
public:
    using Report = std::function<void(qint64)>;

    // `expected`: the SHA-256 the package must have; none when the server offers no checksum.
    Transfer(QNetworkReply& reply, const QString& filePath, const std::atomic<bool>& stop,
             qint64 limitBytes, std::optional<QByteArray> expected, Report range, Report progress)
        : m_reply(reply), m_file(filePath), m_stop(stop), m_limit(limitBytes),
          m_expected(std::move(expected)), m_range(std::move(range)),
          m_progress(std::move(progress))
    {
    }

    // New data has arrived. False: the download is refused (status, file) and must end.
    bool onData()
    {
        if (!m_begun && !begin())
            return false;
        return copyBlocks(false);
    }

    // The reply has finished: the rest of the data goes into the file and the package is
    // judged whole or not.
    PackageDownload::Result finish()
    {
        using Kind = PackageDownload::Result::Kind;
        if (m_failure.isEmpty() && !m_begun)
            begin();
        if (m_failure.isEmpty())
            copyBlocks(true);
        if (m_failure.isEmpty() && !m_stop)
            judge();
        if (m_file.isOpen()) {
            if (!m_file.flush() && m_failure.isEmpty())
                m_failure = writeError();
            m_file.close();
        }
        if (m_stop || !m_failure.isEmpty()) {
            if (m_begun)
                m_file.remove();
            return {.kind = m_stop ? Kind::Stopped : Kind::Failed, .message = m_failure};
        }
        return {.kind = Kind::Done,
                .sha256 = m_hash.result(),
                .verified = m_expected.has_value()};
    }

private:
    bool begin()
    {
        const QVariant status = m_reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (!status.isValid()) {
            m_failure = QStringLiteral("The update server could not be reached.\n%1")
                            .arg(m_reply.errorString());
            return false;
        }
        if (status.toInt() / 100 != 2) {
            m_failure = QStringLiteral("The update server answered %1 %2; nothing was downloaded.")
                            .arg(status.toInt())
                            .arg(m_reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute)
                                     .toString());
            return false;
        }
        if (const QVariant length = m_reply.header(QNetworkRequest::ContentLengthHeader);
            length.isValid())
            m_length = length.toLongLong();
        if (m_length && *m_length > m_limit) {
            m_failure = QStringLiteral("The update server announces a package of %1 bytes, more "
                                       "than the %2 bytes an update may have; nothing was "
                                       "downloaded.")
                            .arg(*m_length)
                            .arg(m_limit);
            return false;
        }
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            m_failure = QStringLiteral("The file %1 can not be created.\n%2")
                            .arg(m_file.fileName(), m_file.errorString());
            return false;
        }
        m_begun = true;
        m_range(m_length.value_or(0));
        return true;
    }

    // A block that would take the file past the announced length or the limit ends the
    // download before it is written: an endless body never fills the disk.
    bool fits(qint64 blockBytes)
    {
        const qint64 allowed = m_length.value_or(m_limit);
        if (m_total + blockBytes <= allowed)
            return true;
        m_failure = m_length
            ? QStringLiteral("The update server sent more than the %1 bytes it announced; the "
                             "download was given up.")
                  .arg(allowed)
            : QStringLiteral("The package grew beyond %1 bytes, more than an update may have; "
                             "the download was given up.")
                  .arg(allowed);
        return false;
    }

    // Full blocks only while more data may follow; everything once the reply has finished.
    bool copyBlocks(bool toEnd)
    {
        while (!m_stop) {
            const qint64 available = m_reply.bytesAvailable();
            if (available == 0 || (!toEnd && available < blockSize))
                return true;
            const QByteArray block = m_reply.read(blockSize);
            if (!fits(block.size()))
                return false;
            if (m_file.write(block) != block.size()) {
                m_failure = writeError();
                return false;
            }
            m_hash.addData(block);
            m_total += block.size();
            m_progress(m_total);
        }
        return true;
    }

    void judge()
    {
        const auto error = m_reply.error();
        if (error == QNetworkReply::OperationCanceledError || error == QNetworkReply::TimeoutError) {
            m_failure = QStringLiteral("The update server stopped sending after %1 bytes; the "
                                       "download was given up.")
                            .arg(m_total);
        } else if (m_length && m_total != *m_length) {
            m_failure = QStringLiteral("The download ended after %1 of %2 bytes; the package is "
                                       "incomplete and was not started.")
                            .arg(m_total)
                            .arg(*m_length);
        } else if (error != QNetworkReply::NoError) {
            m_failure = QStringLiteral("The download failed.\n%1").arg(m_reply.errorString());
        } else if (m_total == 0) {
            m_failure = QStringLiteral("The update package is empty.");
        } else if (m_expected && m_hash.result() != *m_expected) {
            m_failure = QStringLiteral("The downloaded package does not match the checksum the "
                                       "update server offers (SHA-256 %1, expected %2); it was "
                                       "removed and not started.")
                            .arg(hexDigest(m_hash.result()), hexDigest(*m_expected));
        }
    }

    QString writeError() const
    {
        return QStringLiteral("The file %1 can not be written.\n%2")
            .arg(m_file.fileName(), m_file.errorString());
    }

    QNetworkReply& m_reply;
    QFile m_file;
    const std::atomic<bool>& m_stop;
    const qint64 m_limit;
    const std::optional<QByteArray> m_expected;
    Report m_range;
    Report m_progress;
    bool m_begun = false;
    std::optional<qint64> m_length;
    qint64 m_total = 0;
    QCryptographicHash m_hash{QCryptographicHash::Sha256};
    QString m_failure;
};

} // namespace

AfterDownload platformAfterDownload()
{
#ifdef Q_OS_WIN
    return AfterDownload::LaunchInstaller;
#else
    return AfterDownload::KeepPackage;
#endif
}

PackageDownload::PackageDownload(Prompt& prompt, Launcher& launcher, Clock& clock,
                                 std::function<void()> quit, QString programFolder,
                                 UpdateHost host, UpdateTimeouts timeouts, QObject* parent)
    : QObject(parent)
    , m_prompt(prompt)
    , m_launcher(launcher)
    , m_clock(clock)
    , m_quit(std::move(quit))
    , m_programFolder(std::move(programFolder))
    , m_host(std::move(host))
    , m_timeouts(timeouts)
{
}

PackageDownload::~PackageDownload()
{
    stop();
}

bool PackageDownload::OnUpdateSetup()
{
    if (isRunning())
        return false;

    m_strURL = QStringLiteral("http://") + m_host.authority() + QLatin1String(packageServerPath);
    const QString packageName = m_strURL.mid(m_strURL.lastIndexOf(u'/') + 1);
    // A package that is not started is kept apart from the program's own files.
    const QString targetFolder = m_afterDownload == AfterDownload::KeepPackage
        ? pathInFolder(m_programFolder, QLatin1String(updateFolderName))
        : m_programFolder;
    // Built afresh on every click, never appended to.
    m_strFilePath = pathInFolder(targetFolder, packageName);

    const QString versionFile = pathInFolder(m_programFolder, QLatin1String(versionFileName));
    const auto version = readNeededVersion(versionFile);
    if (!version) {
        fail(QStringLiteral("The version file %1 can not be read; nothing was downloaded.")
                 .arg(versionFile));
        return false;
    }
    sz_need = *version;
    if (!isValidVersion(sz_need)) {
        fail(QStringLiteral("The version file %1 is invalid: \"%2\" is no version number. "
                            "Nothing was downloaded.")
                 .arg(versionFile, printable(sz_need)));
        return false;
    }

    if (!QDir().mkpath(targetFolder)) {
        fail(QStringLiteral("The folder %1 can not be created; nothing was downloaded.")
                 .arg(targetFolder));
        return false;
    }
    const QString installerPath = pathInFolder(targetFolder, installerName(sz_need));
    const unsigned run = ++m_run;
    m_bExist = false;
    std::unique_ptr<QThread> thread(QThread::create(
        [this, run, url = m_strURL, file = m_strFilePath, installerPath, limit = m_sizeLimit] {
            const Result result = DownloadFileThread(url, file, installerPath, limit);
            QMetaObject::invokeMethod(
                this, [this, run, result] { finishDownload(run, result); }, Qt::QueuedConnection);
        }));
    thread->start();
    if (!thread->isRunning() && !thread->isFinished()) {
        m_prompt.message(QStringLiteral("启动版本更新失败,请重新启动计算机后再尝试升级!"),
                         QStringLiteral("自动升级"), PromptButtons::Ok, PromptIcon::Error);
        emit downloadFailed(QStringLiteral("The download could not be started."));
        return false;
    }
    m_hDownLoadThread = std::move(thread);
    emit downloadStarted();
    return true;
}

void PackageDownload::stop()
{
    if (!m_hDownLoadThread)
        return;
    m_bExist = true;
    m_hDownLoadThread->wait();
    m_hDownLoadThread.reset();
    ++m_run; // a result still on its way belongs to the stopped download
}

PackageDownload::Result PackageDownload::DownloadFileThread(const QString& url,
                                                            const QString& filePath,
                                                            const QString& installerPath,
                                                            qint64 limitBytes)
{
    QNetworkAccessManager manager;
    // The checksum comes first: a broken one costs no package download.
    const ChecksumOffer checksum = fetchChecksum(
        manager, packageRequest(url + QLatin1String(checksumSuffix), m_timeouts.transferMs),
        m_bExist);
    switch (checksum.kind) {
    case ChecksumOffer::Kind::Stopped:
        return {.kind = Result::Kind::Stopped};
    case ChecksumOffer::Kind::Failed:
        return {.kind = Result::Kind::Failed, .message = checksum.failure};
    case ChecksumOffer::Kind::Offered:
    case ChecksumOffer::Kind::Absent:
        break;
    }

    const std::unique_ptr<QNetworkReply> reply(
        manager.get(packageRequest(url, m_timeouts.transferMs)));
    reply->setReadBufferSize(kReplyBufferBytes);
    const auto expected = checksum.kind == ChecksumOffer::Kind::Offered
        ? std::optional(checksum.digest)
        : std::nullopt;
    Transfer transfer(
        *reply, filePath, m_bExist, limitBytes, expected,
        [this](qint64 maximum) { emit progressRange(maximum); },
        [this](qint64 received) { emit progressChanged(received); });
    QObject::connect(reply.get(), &QNetworkReply::readyRead, reply.get(), [&] {
        if (!transfer.onData())
            reply->abort();
    });
    waitForReply(*reply, m_bExist);

    Result result = transfer.finish();
    if (result.kind != Result::Kind::Done)
        return result;
    // A file of the installer's name left from an earlier update must not be the one started.
    if (QFile::exists(installerPath) && !QFile::remove(installerPath)) {
        QFile::remove(filePath);
        return {.kind = Result::Kind::Failed,
                .message = QStringLiteral("The old installer %1 can not be replaced.")
                               .arg(installerPath)};
    }
    if (!QFile::rename(filePath, installerPath)) {
        QFile::remove(filePath);
        return {.kind = Result::Kind::Failed,
                .message = QStringLiteral("The package can not be renamed to %1.")
                               .arg(installerPath)};
    }
    result.installerPath = installerPath;
    return result;
}

void PackageDownload::finishDownload(unsigned run, const Result& result)
{
    if (run != m_run)
        return;
    if (m_hDownLoadThread) {
        m_hDownLoadThread->wait();
        m_hDownLoadThread.reset();
    }
    switch (result.kind) {
    case Result::Kind::Stopped:
        return;
    case Result::Kind::Failed:
        fail(result.message);
        return;
    case Result::Kind::Done:
        break;
    }
    if (m_afterDownload == AfterDownload::KeepPackage) {
        m_prompt.message(QStringLiteral("Version %1 of the program is available. Its package was "
                                        "downloaded to\n%2\nIt is an installer for Windows and "
                                        "was not started.")
                             .arg(sz_need, result.installerPath),
                         dialogCaption, PromptButtons::Ok, PromptIcon::Information);
        emit packageKept(result.installerPath);
        return;
    }
    if (!result.verified && !startUnverified(result)) {
        QFile::remove(result.installerPath);
        emit downloadFailed(QStringLiteral("The installer was not started."));
        return;
    }
    if (!m_launcher.launch(result.installerPath)) {
        fail(QStringLiteral("The installer %1 can not be started.").arg(result.installerPath));
        return;
    }
    emit installerLaunched(result.installerPath);
    m_clock.sleepMs(launchPauseMs);
    CloseUpdate();
}

bool PackageDownload::startUnverified(const Result& result)
{
    const QString question =
        QStringLiteral("The update server offers no checksum for version %1, so the installer "
                       "can not be checked. Its SHA-256 is\n%2\nStart it only if that is the "
                       "value the makers of the program publish for this version.\n\nStart the "
                       "installer now?")
            .arg(sz_need, hexDigest(result.sha256));
    return m_prompt.message(question, dialogCaption, PromptButtons::YesNo, PromptIcon::Question)
        == PromptAnswer::Yes;
}

void PackageDownload::fail(const QString& message)
{
    emit downloadFailed(message);
    m_prompt.message(message, dialogCaption, PromptButtons::Ok, PromptIcon::Warning);
}

void PackageDownload::CloseUpdate()
{
    if (m_quit)
        m_quit();
}

} // namespace veltroma
