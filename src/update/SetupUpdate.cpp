#include "update/SetupUpdate.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace veltroma {

SetupUpdate::SetupUpdate(Prompt& prompt, Launcher& launcher, Clock& clock,
                         std::function<void()> quit, const QString& programFolder,
                         const UpdateHost& host, UpdateTimeouts timeouts, QWidget* parent)
    : QDialog(parent)
    , m_download(prompt, launcher, clock, std::move(quit), programFolder, host, timeouts)
    , m_ProgressCtrl(new QProgressBar(this))
    , m_updateButton(new QPushButton(QStringLiteral("update"), this))
    , m_status(new QLabel(this))
{
    setWindowTitle(QStringLiteral("Update Software"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_ProgressCtrl->setRange(0, 100);
    m_ProgressCtrl->setValue(0);
    m_ProgressCtrl->setTextVisible(false);
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_updateButton->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_status, 1);
    buttons->addWidget(m_updateButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_ProgressCtrl);
    layout->addLayout(buttons);
    setMinimumWidth(420);
    showIdle(QStringLiteral("A newer version of the program is available."));

    connect(m_updateButton, &QPushButton::clicked, this, &SetupUpdate::OnUpdateSetup);
    connect(&m_download, &PackageDownload::downloadStarted, this, [this] {
        m_updateButton->setEnabled(false);
        m_expected = 0;
        m_status->setText(QStringLiteral("Downloading version %1…").arg(m_download.neededVersion()));
    });
    connect(&m_download, &PackageDownload::progressRange, this, &SetupUpdate::setProgressRange);
    connect(&m_download, &PackageDownload::progressChanged, this, &SetupUpdate::setProgress);
    connect(&m_download, &PackageDownload::downloadFailed, this, &SetupUpdate::showIdle);
    connect(&m_download, &PackageDownload::installerLaunched, this, [this] {
        m_status->setText(QStringLiteral("Starting the installer…"));
        accept();
    });
    connect(&m_download, &PackageDownload::packageKept, this, &QDialog::accept);
}

void SetupUpdate::OnUpdateSetup()
{
    m_download.OnUpdateSetup();
}

void SetupUpdate::reject()
{
    m_download.stop();
    QDialog::reject();
}

void SetupUpdate::setProgressRange(qint64 maximum)
{
    m_expected = maximum;
    m_progressShift = 0;
    while ((maximum >> m_progressShift) > std::numeric_limits<int>::max())
        ++m_progressShift;
    // An unknown size shows a busy bar.
    m_ProgressCtrl->setRange(0, static_cast<int>(maximum >> m_progressShift));
    m_ProgressCtrl->setValue(0);
}

void SetupUpdate::setProgress(qint64 received)
{
    const QLocale locale;
    const auto size = [&](qint64 bytes) {
        return locale.formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
    };
    const QString version = m_download.neededVersion();
    m_status->setText(m_expected > 0
                          ? QStringLiteral("Downloading version %1: %2 of %3")
                                .arg(version, size(received), size(m_expected))
                          : QStringLiteral("Downloading version %1: %2").arg(version, size(received)));
    if (m_ProgressCtrl->maximum() > 0)
        m_ProgressCtrl->setValue(static_cast<int>(
            std::min<qint64>(received >> m_progressShift, m_ProgressCtrl->maximum())));
}

void SetupUpdate::showIdle(const QString& text)
{
    m_updateButton->setEnabled(true);
    m_status->setText(text);
}

} // namespace veltroma
