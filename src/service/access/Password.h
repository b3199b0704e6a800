#pragma once

#include <QDialog>
#include <QString>

#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace veltroma {

// The access-code prompt: one masked entry field with OK and Cancel, captions in the active
// language. The program's Prompt shows it for every password entry.
class CPassword : public QDialog {
    Q_OBJECT

public:
    explicit CPassword(QWidget* parent = nullptr);

    // The text of the entry field: put into the field when the dialog opens, taken back
    // from it when OK is pressed.
    QString m_pass;

    // Shows the prompt with `prefill` in the field: the entered text, or none when the
    // prompt was cancelled or closed.
    static std::optional<QString> Ask(QWidget* parent, const QString& prefill);

    // For tests and pictures.
    [[nodiscard]] QLineEdit& field() const { return *m_field; }

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void LoadCaptions();

    QLabel* m_label;
    QLineEdit* m_field;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

} // namespace veltroma
