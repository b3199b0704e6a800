#pragma once

#include <QDialog>

#include "update/PackageDownload.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace veltroma {

// The update dialog: one "update" button that downloads and starts the new version, a
// progress bar for the bytes received and a line that says how it goes. The work is done by
// PackageDownload; closing the dialog stops a download and waits for its thread.
class SetupUpdate final : public QDialog {
    Q_OBJECT
public:
    SetupUpdate(Prompt& prompt, Launcher& launcher, Clock& clock, std::function<void()> quit,
                const QString& programFolder, const UpdateHost& host,
                UpdateTimeouts timeouts = {}, QWidget* parent = nullptr);

    void OnUpdateSetup();

    [[nodiscard]] PackageDownload& download() { return m_download; }
    [[nodiscard]] QProgressBar* progressBar() const { return m_ProgressCtrl; }
    [[nodiscard]] QPushButton* updateButton() const { return m_updateButton; }
    [[nodiscard]] QLabel* statusLine() const { return m_status; }

public slots:
    void reject() override;

private:
    void setProgressRange(qint64 maximum);
    void setProgress(qint64 received);
    void showIdle(const QString& text);

    // As a member it stops and waits for its thread before the base class deletes the widgets.
    PackageDownload m_download;
    QProgressBar* m_ProgressCtrl = nullptr;
    QPushButton* m_updateButton = nullptr;
    QLabel* m_status = nullptr;
    qint64 m_expected = 0;
    // A size beyond the range of the bar is shown in units of 2^m_progressShift bytes.
    int m_progressShift = 0;
};

} // namespace veltroma
