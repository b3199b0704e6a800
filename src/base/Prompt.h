#pragma once

#include <QString>

#include <optional>

namespace veltroma {

enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class PromptIcon { None, Information, Warning, Error, Question };
enum class PromptAnswer { Ok, Cancel, Yes, No };

// Every message box, question, password entry and file choice of the program goes through
// the one Prompt that the application owns. The real one shows dialogs; tests install a
// scripted one. No other code shows a message box itself.
class Prompt {
public:
    virtual ~Prompt() = default;

    virtual PromptAnswer message(const QString& text, const QString& caption = {},
                                 PromptButtons buttons = PromptButtons::Ok,
                                 PromptIcon icon = PromptIcon::None) = 0;

    // The access-code entry; `prefill` is the text the edit box starts with.
    // Empty optional: the user cancelled.
    virtual std::optional<QString> password(const QString& prefill) = 0;

    // A file to open; empty optional: the user cancelled.
    virtual std::optional<QString> openFile(const QString& caption, const QString& folder,
                                            const QString& filter) = 0;
};

} // namespace veltroma
