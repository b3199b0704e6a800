#pragma once

#include "app/view/MonitorViewActions.h"

#include <QDialog>

namespace veltroma {

class CTextProgress;

// The registration progress: a small frameless dialog with one text progress bar that reads
// "…have finished N%". The refresh drives it through its two messages, which arrive queued,
// as posted window messages would; OK and Cancel (Enter and Escape) close it.
class CProgressDlg final : public QDialog, public RegistrationProgress {
    Q_OBJECT

public:
    explicit CProgressDlg(QWidget* parent = nullptr);

    [[nodiscard]] CTextProgress* Progress() const { return m_Progress; }

    // ProgressDisplay: each posts its message to the dialog.
    void setRange(unsigned maximum) override;
    void setPosition(unsigned position) override;
    void close() override;
    // RegistrationProgress: modal, from 0 of 0..100, until it closes.
    void showModal() override;

public slots:
    // The range message: range 0..maximum, position 0.
    void OnSetRange(unsigned maximum);
    // The position message.
    void OnSetPos(unsigned position);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    CTextProgress* m_Progress = nullptr;
};

} // namespace veltroma
