#pragma once

#include "app/view/StatusTexts.h"

#include <QWidget>

#include <functional>
#include <optional>

class QProgressBar;
class QToolButton;

namespace veltroma {

// How far the read of a history day or month file has come, on the form: a bar with the share
// read and a button beside it that cancels the read. Hidden while no read runs. It never holds
// up the event loop. User-interface thread.
class HistoryProgress final : public QWidget {
public:
    // `cancel` is called when the user presses the button.
    HistoryProgress(QWidget& parent, const TextLookup& tr, std::function<void()> cancel);

    // The share read in permille, or nothing to hide the bar.
    void showProgress(std::optional<int> permille);

protected:
    // The text takes the largest size that fits the bar, as the form's other controls do.
    void resizeEvent(QResizeEvent* event) override;

private:
    QProgressBar* bar_;
    QToolButton* cancelButton_;
};

} // namespace veltroma
