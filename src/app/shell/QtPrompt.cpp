#include "app/shell/QtPrompt.h"

#include "config/Strings.h"
#include "app/shell/ProgramTitle.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

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

// The access-code entry: one masked line, captions in the active language.
class PasswordEntry final : public QDialog {
public:
    PasswordEntry(const QString& prefill, QWidget* parent) : QDialog(parent)
    {
        setWindowTitle(g_LoadString(QStringLiteral("IDD_PASSWORD_DIALOG")));
        setWindowFlag(Qt::WindowContextHelpButtonHint, false);

        auto* label = new QLabel(g_LoadString(QStringLiteral("IDC_PASSWORD")), this);
        m_edit = new QLineEdit(prefill, this);
        m_edit->setEchoMode(QLineEdit::Password);
        label->setBuddy(m_edit);

        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        buttons->button(QDialogButtonBox::Ok)->setText(g_LoadString(QStringLiteral("IDOK")));
        buttons->button(QDialogButtonBox::Cancel)->setText(g_LoadString(QStringLiteral("IDCANCEL")));
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

        auto* layout = new QVBoxLayout(this);
        layout->addWidget(label);
        layout->addWidget(m_edit);
        layout->addWidget(buttons);
        setMinimumWidth(300);
    }

    [[nodiscard]] QString text() const { return m_edit->text(); }

private:
    QLineEdit* m_edit = nullptr;
};

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
    PasswordEntry entry(prefill, owner());
    if (entry.exec() != QDialog::Accepted)
        return std::nullopt;
    return entry.text();
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
