#include "app/shell/QtPrompt.h"

#include "config/Strings.h"
#include "app/shell/ProgramTitle.h"
#include "service/access/Password.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace veltroma {

namespace {

QMessageBox::StandardButtons standardButtons(PromptButtons buttons)
{
    switch (buttons) {
    case PromptButtons::Ok:
        return QMessageBox::Ok;
    case PromptButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case PromptButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case PromptButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon boxIcon(PromptIcon icon)
{
    switch (icon) {
    case PromptIcon::None:
        return QMessageBox::NoIcon;
    case PromptIcon::Information:
        return QMessageBox::Information;
    case PromptIcon::Warning:
        return QMessageBox::Warning;
    case PromptIcon::Error:
        return QMessageBox::Critical;
    case PromptIcon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

// What a box answers when it is closed without a button (Escape, the close box): the
// buttons' own way out, as a box of that kind offers it.
PromptAnswer dismissedAnswer(PromptButtons buttons)
{
    switch (buttons) {
    case PromptButtons::Ok:
        return PromptAnswer::Ok;
    case PromptButtons::YesNo:
        return PromptAnswer::No;
    case PromptButtons::OkCancel:
    case PromptButtons::YesNoCancel:
        return PromptAnswer::Cancel;
    }
    return PromptAnswer::Cancel;
}

} // namespace

QWidget* QtPrompt::owner() const
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    return m_fallbackParent.data();
}

PromptAnswer QtPrompt::message(const QString& text, const QString& caption, PromptButtons buttons,
                               PromptIcon icon)
{
    QMessageBox box(boxIcon(icon), caption.isEmpty() ? programTitle() : caption, text,
                    standardButtons(buttons), owner());
    box.exec();
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok:
        return PromptAnswer::Ok;
    case QMessageBox::Cancel:
        return PromptAnswer::Cancel;
    case QMessageBox::Yes:
        return PromptAnswer::Yes;
    case QMessageBox::No:
        return PromptAnswer::No;
    default:
        return dismissedAnswer(buttons);
    }
}

std::optional<QString> QtPrompt::password(const QString& prefill)
{
    return CPassword::Ask(owner(), prefill);
}

std::optional<QString> QtPrompt::openFile(const QString& caption, const QString& folder,
                                          const QString& filter)
{
    const QString path = QFileDialog::getOpenFileName(owner(), caption, folder, filter);
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

} // namespace veltroma
