#include "ShellTestSupport.h"

#include "app/shell/QtPrompt.h"

#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace veltroma {
namespace {

using test::whenModal;

struct Seen {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

// Shows one message and answers it with `respond`; returns the answer and what was shown.
std::pair<PromptAnswer, Seen> ask(PromptButtons buttons, PromptIcon icon,
                                  std::function<void(QMessageBox&)> respond, const QString& caption = {})
{
    Seen seen;
    whenModal<QMessageBox>([&](QMessageBox& box) {
        seen = {box.windowTitle(), box.text(), box.icon(), box.standardButtons()};
        respond(box);
    });
    QtPrompt prompt;
    const PromptAnswer answer = prompt.message(QStringLiteral("Question?"), caption, buttons, icon);
    return {answer, seen};
}

TEST(QtPrompt, MessageBoxesCarryTheRequestedButtonsAndReportTheChoice)
{
    auto [no, seen] = ask(PromptButtons::YesNo, PromptIcon::Question,
                          [](QMessageBox& box) { box.button(QMessageBox::No)->click(); });
    EXPECT_EQ(no, PromptAnswer::No);
    EXPECT_EQ(seen.title, QStringLiteral("Veltroma monitor V3.00"));
    EXPECT_EQ(seen.text, QStringLiteral("Question?"));
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);

    EXPECT_EQ(ask(PromptButtons::YesNo, PromptIcon::None,
                  [](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); }).first,
              PromptAnswer::Yes);
    // Escape on a question is No, never Yes.
    EXPECT_EQ(ask(PromptButtons::YesNo, PromptIcon::None,
                  [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }).first,
              PromptAnswer::No);
    EXPECT_EQ(ask(PromptButtons::OkCancel, PromptIcon::None,
                  [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }).first,
              PromptAnswer::Cancel);

    auto [ok, warning] = ask(PromptButtons::Ok, PromptIcon::Warning,
                             [](QMessageBox& box) { box.button(QMessageBox::Ok)->click(); },
                             QStringLiteral("Notice"));
    EXPECT_EQ(ok, PromptAnswer::Ok);
    EXPECT_EQ(warning.title, QStringLiteral("Notice"));
    EXPECT_EQ(warning.icon, QMessageBox::Warning);
    EXPECT_EQ(warning.buttons, QMessageBox::Ok);
}

TEST(QtPrompt, PasswordEntryIsMaskedStartsWithThePrefillAndCanBeCancelled)
{
    QtPrompt prompt;
    QString prefilled;
    bool masked = false;
    whenModal<QDialog>([&](QDialog& dialog) {
        auto* edit = dialog.findChild<QLineEdit*>();
        prefilled = edit->text();
        masked = edit->echoMode() == QLineEdit::Password;
        edit->setText(QStringLiteral("lantern4"));
        dialog.accept();
    });
    EXPECT_EQ(prompt.password(QStringLiteral(" ")), QStringLiteral("lantern4"));
    EXPECT_EQ(prefilled, QStringLiteral(" "));
    EXPECT_TRUE(masked);

    whenModal<QDialog>([](QDialog& dialog) { dialog.reject(); });
    EXPECT_EQ(prompt.password({}), std::nullopt);
}

} // namespace
} // namespace veltroma
