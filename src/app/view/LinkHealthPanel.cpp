#include "app/view/LinkHealthPanel.h"

#include <QGridLayout>
#include <QLabel>

namespace veltroma {

namespace {

constexpr std::array<const char*, 10> kCaptionKeys{
    "IDC_LINK_SENT",     "IDC_LINK_REPLIES", "IDC_LINK_TIMEOUTS", "IDC_LINK_CHECKSUM",
    "IDC_LINK_HEADER",   "IDC_LINK_LENGTH",  "IDC_LINK_ECHOES",   "IDC_LINK_REOPENS",
    "IDC_LINK_REREGISTRATIONS", "IDC_LINK_LASTERROR"};
constexpr std::array<const char*, 4> kMqttCaptionKeys{"IDC_MQTT_SENT", "IDC_MQTT_DROPPED",
                                                      "IDC_MQTT_FAILED", "IDC_MQTT_RECONNECTS"};

} // namespace

LinkHealthPanel::LinkHealthPanel(const StringLoader& loadString, QWidget* parent)
    : QFrame(parent), noError_(loadString(QStringLiteral("IDC_LINK_NOERROR")))
{
    setObjectName(QStringLiteral("LinkHealthPanel"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    title_ = new QLabel(loadString(QStringLiteral("IDC_LINK_TITLE")), this);
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    for (int row = 0; row < kRows; ++row) {
        const auto i = static_cast<std::size_t>(row);
        captions_[i] = new QLabel(loadString(QString::fromLatin1(kCaptionKeys[i])), this);
        values_[i] = new QLabel(this);
        values_[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        values_[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    // The last error, with its time, on lines of its own below its caption.
    QLabel* lastError = values_[kRows - 1];
    lastError->setWordWrap(true);
    lastError->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    for (int row = 0; row < kMqttRows; ++row) {
        const auto i = static_cast<std::size_t>(row);
        auto* caption = new QLabel(loadString(QString::fromLatin1(kMqttCaptionKeys[i])), this);
        auto* value = new QLabel(this);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        values_[kRows + i] = value;
        mqttRows_[2 * i] = caption;
        mqttRows_[2 * i + 1] = value;
    }
    place();
    setCounters({});
    setMqttCounters(std::nullopt);
}

void LinkHealthPanel::setWide(bool wide)
{
    if (wide == wide_)
        return;
    wide_ = wide;
    place();
}

void LinkHealthPanel::place()
{
    // A new grid takes the labels over; the old one goes with its items, not its widgets.
    delete layout();
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(1);
    grid->setHorizontalSpacing(wide_ ? 12 : 6);
    const int pairs = wide_ ? 2 : 1;
    const int perColumn = (kRows - 1 + pairs - 1) / pairs;
    grid->addWidget(title_, 0, 0, 1, 2 * pairs);
    for (int row = 0; row < kRows - 1; ++row) {
        const auto i = static_cast<std::size_t>(row);
        const int at = 1 + row % perColumn;
        const int column = 2 * (row / perColumn);
        grid->addWidget(captions_[i], at, column);
        grid->addWidget(values_[i], at, column + 1);
    }
    const int errorRow = 1 + perColumn;
    grid->addWidget(captions_[kRows - 1], errorRow, 0, 1, 2 * pairs);
    grid->addWidget(values_[kRows - 1], errorRow + 1, 0, 1, 2 * pairs);
    grid->setRowStretch(errorRow + 1, 1);
    for (int row = 0; row < kMqttRows; ++row) {
        const auto i = static_cast<std::size_t>(row);
        const int at = errorRow + 2 + row / pairs;
        const int column = 2 * (row % pairs);
        grid->addWidget(mqttRows_[2 * i], at, column);
        grid->addWidget(mqttRows_[2 * i + 1], at, column + 1);
    }
}

void LinkHealthPanel::setMqttCounters(const std::optional<MqttCounters>& counters)
{
    for (QLabel* label : mqttRows_)
        label->setVisible(counters.has_value());
    if (!counters)
        return;
    values_[kRows]->setText(QString::number(counters->sent));
    values_[kRows + 1]->setText(QString::number(counters->dropped));
    values_[kRows + 2]->setText(QString::number(counters->failed));
    values_[kRows + 3]->setText(QString::number(counters->reconnects));
}

void LinkHealthPanel::setCounters(const LinkCounters& c)
{
    const std::array<std::uint64_t, kRows - 1> numbers{
        c.requestsSent,   c.validatedReplies, c.timeouts, c.rejectedChecksum, c.rejectedHeader,
        c.rejectedLength, c.echoesSkipped,    c.reopens,  c.reRegistrations};
    for (std::size_t i = 0; i < numbers.size(); ++i)
        values_[i]->setText(QString::number(numbers[i]));
    values_[kRows - 1]->setText(c.lastError.isEmpty()
                                ? noError_
                                : c.lastErrorTime.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss "))
                                      + c.lastError);
    setMqttCounters(mqttSource_ ? mqttSource_() : std::nullopt);
}

bool LinkHealthPanel::mqttShown() const
{
    return !mqttRows_.front()->isHidden();
}

QString LinkHealthPanel::valueText(int row) const
{
    return values_.at(static_cast<std::size_t>(row))->text();
}

} // namespace veltroma
