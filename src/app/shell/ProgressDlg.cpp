#include "app/shell/ProgressDlg.h"

#include "controls/TextProgressCtrl.h"
#include "controls/Theme.h"

#include <QKeyEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace veltroma {

namespace {

int toInt(unsigned value)
{
    return static_cast<int>(std::min<unsigned>(value, std::numeric_limits<int>::max()));
}

} // namespace

CProgressDlg::CProgressDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
    , m_Progress(new CTextProgress(this))
{
    setFixedSize(346, 39);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(m_Progress);
    m_Progress->SetRange(0, 100);
    m_Progress->SetPos(0);
}

void CProgressDlg::setRange(unsigned maximum)
{
    QMetaObject::invokeMethod(this, [this, maximum] { OnSetRange(maximum); }, Qt::QueuedConnection);
}

void CProgressDlg::setPosition(unsigned position)
{
    QMetaObject::invokeMethod(this, [this, position] { OnSetPos(position); }, Qt::QueuedConnection);
}

void CProgressDlg::close()
{
    // A close that arrives after the user closed the dialog finds nothing to close.
    QMetaObject::invokeMethod(this, [this] {
        if (isVisible())
            reject();
    }, Qt::QueuedConnection);
}

void CProgressDlg::showModal()
{
    m_Progress->SetRange(0, 100);
    m_Progress->SetPos(0);
    exec();
}

void CProgressDlg::OnSetRange(unsigned maximum)
{
    m_Progress->SetRange(0, toInt(maximum));
    m_Progress->SetPos(0);
}

void CProgressDlg::OnSetPos(unsigned position)
{
    m_Progress->SetPos(toInt(position));
}

void CProgressDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CProgressDlg::paintEvent(QPaintEvent*)
{
    // The dialog frame a window without a caption keeps.
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.setPen(theme::Steel());
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace veltroma
