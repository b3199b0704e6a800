#pragma once

#include "base/Prompt.h"

#include <cstdio>

namespace veltroma {

// The prompt of a program without a window: messages go to a stream (standard error), a
// question is answered No, and nothing is entered or chosen.
class ConsolePrompt final : public Prompt {
public:
    explicit ConsolePrompt(std::FILE* stream) : stream_(stream) {}

    PromptAnswer message(const QString& text, const QString& caption, PromptButtons buttons,
                         PromptIcon icon) override;
    std::optional<QString> password(const QString& prefill) override;
    std::optional<QString> openFile(const QString& caption, const QString& folder,
                                    const QString& filter) override;

private:
    std::FILE* stream_;
};

} // namespace veltroma
