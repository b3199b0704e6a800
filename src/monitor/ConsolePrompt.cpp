#include "monitor/ConsolePrompt.h"

namespace veltroma {

PromptAnswer ConsolePrompt::message(const QString& text, const QString& caption,
                                    PromptButtons buttons, PromptIcon)
{
    const QString line = caption.isEmpty() ? text : caption + QStringLiteral(": ") + text;
    std::fputs(line.toUtf8().constData(), stream_);
    std::fputc('\n', stream_);
    std::fflush(stream_);
    switch (buttons) {
    case PromptButtons::Ok:
        return PromptAnswer::Ok;
    case PromptButtons::OkCancel:
        return PromptAnswer::Cancel;
    case PromptButtons::YesNo:
    case PromptButtons::YesNoCancel:
        return PromptAnswer::No;
    }
    return PromptAnswer::Cancel;
}

std::optional<QString> ConsolePrompt::password(const QString&)
{
    return std::nullopt;
}

std::optional<QString> ConsolePrompt::openFile(const QString&, const QString&, const QString&)
{
    return std::nullopt;
}

} // namespace veltroma
