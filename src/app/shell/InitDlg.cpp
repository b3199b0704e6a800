#include "app/shell/InitDlg.h"

#include "config/LanguageSettings.h"
#include "config/Strings.h"
#include "controls/Artwork.h"
#include "controls/BitButtonNL.h"
#include "controls/Theme.h"
#include "app/shell/ProgramTitle.h"

#include <QComboBox>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace veltroma {

namespace {

constexpr QSize kDialogSize{332, 312};
constexpr int kCaptionPoints = 10;

} // namespace

CInitDlg::CInitDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
    , m_btnTitle(new CBitButtonNL(this))
    , m_btnName(new CBitButtonNL(this))
    , m_btnNewproject(new CBitButtonNL(this))
    , m_btnOpenproject(new CBitButtonNL(this))
    , m_btnExit(new CBitButtonNL(this))
    , m_cmbLang(new QComboBox(this))
{
    setFixedSize(kDialogSize);
    m_btnTitle->setGeometry(9, 0, 194, 27);
    m_btnName->setGeometry(4, 33, 242, 27);
    m_cmbLang->setGeometry(184, 123, 122, 24);
    m_btnNewproject->move(22, 259);
    m_btnOpenproject->move(193, 259);
    m_btnExit->move(303, 0);
    // The dialog's keyboard belongs to the language list; Enter is OK.
    for (CBitButtonNL* button : {m_btnTitle, m_btnName, m_btnNewproject, m_btnOpenproject, m_btnExit})
        button->setFocusPolicy(Qt::NoFocus);
    m_btnNewproject->setDefault(true);

    connect(m_btnNewproject, &QPushButton::clicked, this, &CInitDlg::accept);
    connect(m_btnOpenproject, &QPushButton::clicked, this, &CInitDlg::reject);
    connect(m_btnExit, &QPushButton::clicked, this, &CInitDlg::reject);

    OnInitDialog();
    connect(m_cmbLang, &QComboBox::currentIndexChanged, this, &CInitDlg::OnSelChangeLang);
}

void CInitDlg::OnInitDialog()
{
    setWindowIcon(artwork::Render(artwork::Art::AppIcon));
    setWindowTitle(programTitle());
    SetDialogFace();
    LoadAllSet();
    SetCaptions();
}

void CInitDlg::SetDialogFace()
{
    const QColor brand = theme::Brand();
    m_bmDents = artwork::Render(artwork::Art::StartBackground, size());

    m_btnExit->SetBitmaps(artwork::Render(artwork::Art::CloseNormal),
                          artwork::Render(artwork::Art::ClosePressed),
                          artwork::Render(artwork::Art::CloseHover));
    m_btnExit->SizeToContent();
    m_btnExit->SetDrawText(false);
    m_btnExit->SetBtnCursor(QCursor(Qt::PointingHandCursor));

    // The title lies in the band that drags the dialog, so it lets the pointer through.
    m_btnTitle->SetDrawText(true).SetFontSize(kCaptionPoints).SetForceColor(Qt::white, Qt::black, Qt::black);
    m_btnTitle->SetTextAlign(0);
    m_btnTitle->setText(programTitle());
    m_btnTitle->setAttribute(Qt::WA_TransparentForMouseEvents);

    m_btnName->SetDrawText(true).SetFontSize(kCaptionPoints).SetForceColor(brand, Qt::black, Qt::black);
    m_btnName->SetTextAlign(0);

    for (CBitButtonNL* button : {m_btnNewproject, m_btnOpenproject}) {
        button->SetBitmaps(artwork::Render(artwork::Art::ButtonNormal),
                           artwork::Render(artwork::Art::ButtonPressed),
                           artwork::Render(artwork::Art::ButtonHover));
        button->SetDrawText(true).SetFontSize(kCaptionPoints).SetForceColor(brand, Qt::black, Qt::black);
        button->SetTextAlign(2);
        button->SizeToContent();
        button->SetBtnCursor(QCursor(Qt::PointingHandCursor));
    }
}

void CInitDlg::LoadAllSet()
{
    const LanguageChoices choices = languageChoices();
    m_cmbLang->addItems(choices.names);
    if (choices.selected)
        m_cmbLang->setCurrentIndex(static_cast<int>(*choices.selected));
}

void CInitDlg::OnSelChangeLang()
{
    if (m_cmbLang->currentIndex() < 0)
        return;
    LoadSet(m_cmbLang->currentText(), LoadSetMode::Language);
    SetCaptions();
    update();
}

void CInitDlg::SetCaptions()
{
    m_btnTitle->setText(g_LoadString(QStringLiteral("IDC_BUTTON_TITLE")));
    m_btnName->setText(g_LoadString(QStringLiteral("IDC_BUTTON_TITLE2")));
    m_btnNewproject->setText(g_LoadString(QStringLiteral("IDOK")));
    m_btnOpenproject->setText(g_LoadString(QStringLiteral("IDCANCEL")));
}

void CInitDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_bmDents);
}

void CInitDlg::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || event->position().y() >= kDragBandHeight) {
        QDialog::mousePressEvent(event);
        return;
    }
    // The window system moves the window where it can; elsewhere the dialog follows the
    // pointer itself.
    if (QWindow* window = windowHandle(); window != nullptr && window->startSystemMove())
        return;
    m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void CInitDlg::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragOffset && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - *m_dragOffset);
        return;
    }
    QDialog::mouseMoveEvent(event);
}

void CInitDlg::mouseReleaseEvent(QMouseEvent* event)
{
    m_dragOffset.reset();
    QDialog::mouseReleaseEvent(event);
}

} // namespace veltroma
