#include "service/access/Password.h"

#include "config/Strings.h"
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace veltroma {

namespace {

constexpr int kTemplateWidth = 189;
constexpr int kTemplateHeight = 85;

// The template's size in dialog units, in pixels for the dialog's font: a unit across is a
// quarter of the average character width, a unit down an eighth of the font's height.
QSize TemplateSize(const QWidget& dialog)
{
    const QFontMetrics metrics(dialog.font());
    const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const double averageWidth =
        static_cast<double>(metrics.horizontalAdvance(alphabet)) / static_cast<double>(alphabet.size());
    return {qRound(kTemplateWidth * averageWidth / 4.0), qRound(kTemplateHeight * metrics.height() / 8.0)};
}

} // namespace

CPassword::CPassword(QWidget* parent)
    : QDialog(parent),
      m_label(new QLabel(this)),
      m_field(new QLineEdit(this)),
      m_ok(new QPushButton(this)),
      m_cancel(new QPushButton(this))
{
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_field->setEchoMode(QLineEdit::Password);
    m_label->setBuddy(m_field);
    m_ok->setDefault(true);
    m_cancel->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->addWidget(m_label);
    layout->addWidget(m_field);
    layout->addStretch();
    layout->addLayout(buttons);

    connect(m_ok, &QPushButton::clicked, this, &CPassword::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    LoadCaptions();
    resize(sizeHint().expandedTo(TemplateSize(*this)));
}

std::optional<QString> CPassword::Ask(QWidget* parent, const QString& prefill)
{
    CPassword pass(parent);
    pass.m_pass = prefill;
    if (pass.exec() != QDialog::Accepted)
        return std::nullopt;
    return pass.m_pass;
}

void CPassword::accept()
{
    m_pass = m_field->text();
    QDialog::accept();
}

void CPassword::showEvent(QShowEvent* event)
{
    LoadCaptions();
    m_field->setText(m_pass);
    // As a dialog's first field gets it: all selected, so typing replaces the pre-fill.
    m_field->selectAll();
    m_field->setFocus();
    QDialog::showEvent(event);
}

void CPassword::LoadCaptions()
{
    setWindowTitle(g_LoadString(QStringLiteral("IDD_PASSWORD_DIALOG")));
    m_label->setText(g_LoadString(QStringLiteral("IDC_PASSWORD")));
    m_ok->setText(g_LoadString(QStringLiteral("IDOK")));
    m_cancel->setText(g_LoadString(QStringLiteral("IDCANCEL")));
}

} // namespace veltroma
