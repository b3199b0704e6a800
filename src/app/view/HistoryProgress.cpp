#include "app/view/HistoryProgress.h"

#include "app/view/FormLook.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QToolButton>

#include <utility>

namespace veltroma {

namespace {

constexpr int kPermille = 1000;

} // namespace

HistoryProgress::HistoryProgress(QWidget& parent, const TextLookup& tr, std::function<void()> cancel)
    : QWidget(&parent), bar_(new QProgressBar(this)), cancelButton_(new QToolButton(this))
{
    setObjectName(QStringLiteral("historyProgress"));
    bar_->setObjectName(QStringLiteral("historyProgressBar"));
    cancelButton_->setObjectName(QStringLiteral("historyCancelButton"));
    bar_->setRange(0, kPermille);
    bar_->setTextVisible(true);
    bar_->setAlignment(Qt::AlignCenter);
    bar_->setFormat(tr(QStringLiteral("IDC_HISTORY_READING")));
    // Language-neutral, as the window's own close button; the tip names it.
    cancelButton_->setText(QStringLiteral("✕"));
    cancelButton_->setToolTip(tr(QStringLiteral("IDCANCEL")));
    cancelButton_->setAutoRaise(true);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    row->addWidget(bar_, 1);
    row->addWidget(cancelButton_);
    connect(cancelButton_, &QToolButton::clicked, this, std::move(cancel));
    hide();
}

void HistoryProgress::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    cancelButton_->setFixedWidth(height());
    // The bar's border takes some 8 pixels of the room left of the button.
    QString widest = bar_->format();
    widest.replace(QStringLiteral("%p"), QStringLiteral("100"));
    const int room = width() - height() - 8;
    setStyleSheet(formlook::progressStyle(formlook::fittingPointSize(font(), {widest}, room)));
}

void HistoryProgress::showProgress(std::optional<int> permille)
{
    if (!permille) {
        hide();
        return;
    }
    bar_->setValue(*permille);
    if (isHidden()) {
        show();
        raise();
    }
}

} // namespace veltroma
