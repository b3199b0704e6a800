#pragma once

#include "base/Prompt.h"

#include <QPointer>
#include <QWidget>

namespace veltroma {

// The program's prompt on screen: message boxes, the access-code entry and the file-open
// dialog. Each one is modal over the window that is active when it is asked for, so a
// message raised by a dialog stays above that dialog.
class QtPrompt final : public Prompt {
public:
    PromptAnswer message(const QString& text, const QString& caption = {},
                         PromptButtons buttons = PromptButtons::Ok,
                         PromptIcon icon = PromptIcon::None) override;
    std::optional<QString> password(const QString& prefill) override;
    std::optional<QString> openFile(const QString& caption, const QString& folder,
                                    const QString& filter) override;

    // The window the prompts belong to when no window is active (the main window).
    void setFallbackParent(QWidget* parent) { m_fallbackParent = parent; }

private:
    [[nodiscard]] QWidget* owner() const;

    QPointer<QWidget> m_fallbackParent;
};

} // namespace veltroma
