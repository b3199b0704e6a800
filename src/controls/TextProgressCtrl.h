#pragma once

#include <QColor>
#include <QString>
#include <QFrame>

#include <functional>

namespace veltroma {

// A progress bar that prints its text, or the localized percentage, across itself in two
// colours: one over the filled part and one over the empty part, so it reads on both.
// The bar fills the inside of its thin frame.
class CTextProgress : public QFrame {
    Q_OBJECT

public:
    // Where the percentage text comes from; by default the active language's
    // IDC_NETREGISTDISPLAY, fetched at every paint so a language switch shows at once.
    using FormatSource = std::function<QString()>;

    explicit CTextProgress(QWidget* parent = nullptr);

    void SetRange(int min, int max);
    void GetRange(int& min, int& max) const;
    int SetPos(int pos); // returns the previous position
    int GetPos() const { return m_nPos; }
    int StepIt() { return SetPos(m_nPos + m_nStepSize); }
    int OffsetPos(int n) { return SetPos(m_nPos + n); }
    int SetStep(int step);
    void SetShowText(bool show);

    void SetBarColor(const QColor& color);
    void SetBkColor(const QColor& color);
    void SetTextColor(const QColor& color);   // over the empty part
    void SetTextBkColor(const QColor& color); // over the filled part
    QColor GetBarColor() const { return m_colFore; }
    QColor GetBkColor() const { return m_colBk; }
    QColor GetTextColor() const { return m_colTextFore; }
    QColor GetTextBkColor() const { return m_colTextBk; }

    void SetWindowText(const QString& text);
    QString GetWindowText() const { return m_strText; }

    void SetFormatSource(FormatSource source);
    // The text the bar prints now; empty when text is off.
    QString DisplayText() const;
    // Filled width in pixels at the last change; -1 before the first.
    int GetBarWidth() const { return m_nBarWidth; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int FilledWidth() const;

    int m_nPos = 0;
    int m_nStepSize = 1;
    int m_nMin = 0;
    int m_nMax = 100;
    QString m_strText;
    bool m_bShowText = true;
    int m_nBarWidth = -1;
    QColor m_colFore;
    QColor m_colBk;
    QColor m_colTextFore;
    QColor m_colTextBk;
    FormatSource m_formatSource;
};

} // namespace veltroma
