#pragma once

#include "base/Prompt.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <mutex>
#include <optional>

namespace veltroma::test {

// A Prompt that records every message and answers from a script. Without a scripted
// answer a message is answered Ok / Yes, a password or file choice is cancelled.
class ScriptedPrompt final : public Prompt {
public:
    struct Shown {
        QString text;
        QString caption;
        PromptButtons buttons;
    };

    PromptAnswer message(const QString& text, const QString& caption, PromptButtons buttons,
                         PromptIcon) override
    {
        std::lock_guard lock(mutex_);
        shown_.push_back({text, caption, buttons});
        if (!answers_.empty()) {
            auto answer = answers_.front();
            answers_.pop_front();
            return answer;
        }
        return buttons == PromptButtons::YesNo || buttons == PromptButtons::YesNoCancel
            ? PromptAnswer::Yes
            : PromptAnswer::Ok;
    }

    std::optional<QString> password(const QString& prefill) override
    {
        std::lock_guard lock(mutex_);
        passwordPrefills_.push_back(prefill);
        return take(passwords_);
    }

    std::optional<QString> openFile(const QString&, const QString&, const QString&) override
    {
        std::lock_guard lock(mutex_);
        return take(files_);
    }

    void answer(PromptAnswer a) { std::lock_guard lock(mutex_); answers_.push_back(a); }
    void enterPassword(std::optional<QString> code) { std::lock_guard lock(mutex_); passwords_.push_back(std::move(code)); }
    void chooseFile(std::optional<QString> path) { std::lock_guard lock(mutex_); files_.push_back(std::move(path)); }

    std::deque<Shown> shown() const { std::lock_guard lock(mutex_); return shown_; }
    QStringList texts() const
    {
        std::lock_guard lock(mutex_);
        QStringList list;
        for (const auto& s : shown_)
            list << s.text;
        return list;
    }
    std::deque<QString> passwordPrefills() const { std::lock_guard lock(mutex_); return passwordPrefills_; }
    void clear() { std::lock_guard lock(mutex_); shown_.clear(); }

private:
    static std::optional<QString> take(std::deque<std::optional<QString>>& queue)
    {
        if (queue.empty())
            return std::nullopt;
        std::optional<QString> value;
        value.swap(queue.front());
        queue.pop_front();
        return value;
    }

    mutable std::mutex mutex_;
    std::deque<Shown> shown_;
    std::deque<PromptAnswer> answers_;
    std::deque<std::optional<QString>> passwords_;
    std::deque<std::optional<QString>> files_;
    std::deque<QString> passwordPrefills_;
};

} // namespace veltroma::test
