#pragma once

#include <QDialog>
#include <QPixmap>
#include <QPoint>

#include <optional>

class QComboBox;

namespace veltroma {

class CBitButtonNL;

// The start dialog every start with a window passes through, once the program folder, its
// settings and the port are open (app/shell/AppStartup.h): it lets the user pick the
// language, whose texts its captions show at once. OK goes on to the main window; Cancel,
// "X" and Escape end the program.
class CInitDlg final : public QDialog {
    Q_OBJECT

public:
    // A press this close to the top edge drags the dialog, as a caption bar would.
    static constexpr int kDragBandHeight = 26;

    explicit CInitDlg(QWidget* parent = nullptr);

    [[nodiscard]] QComboBox* LanguageList() const { return m_cmbLang; }
    [[nodiscard]] CBitButtonNL* OkButton() const { return m_btnNewproject; }
    [[nodiscard]] CBitButtonNL* CancelButton() const { return m_btnOpenproject; }
    [[nodiscard]] CBitButtonNL* ExitButton() const { return m_btnExit; }
    [[nodiscard]] CBitButtonNL* TitleLine() const { return m_btnTitle; }
    [[nodiscard]] CBitButtonNL* PromptLine() const { return m_btnName; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void OnInitDialog();
    void SetDialogFace();
    void LoadAllSet();
    void OnSelChangeLang();
    // The four captions from the active language file.
    void SetCaptions();

    CBitButtonNL* m_btnTitle = nullptr;
    CBitButtonNL* m_btnName = nullptr;
    CBitButtonNL* m_btnNewproject = nullptr;
    CBitButtonNL* m_btnOpenproject = nullptr;
    CBitButtonNL* m_btnExit = nullptr;
    QComboBox* m_cmbLang = nullptr;
    QPixmap m_bmDents; // the background
    // Where the pointer grabbed the dialog, while it is dragged by hand.
    std::optional<QPoint> m_dragOffset;
};

} // namespace veltroma
