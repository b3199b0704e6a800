#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

namespace veltroma {

// The bar-code entry of the auto test (and of the manual test's scan): OK keeps the code as
// the one entered last; Cancel leaves that as it was.
class CTestBar final : public QDialog {
    Q_OBJECT
public:
    explicit CTestBar(QWidget* parent = nullptr);

    [[nodiscard]] QLineEdit* entry() const { return m_entry; }

    // The code of the entry field, taken over when OK is pressed.
    QString m_DeviceBar;

public slots:
    void accept() override;

private:
    void setCaptions();

    QLabel* m_label = nullptr;
    QLineEdit* m_entry = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace veltroma
