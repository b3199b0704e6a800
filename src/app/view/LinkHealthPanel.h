#pragma once

#include "link/LinkHealth.h"
#include "publish/MqttPublisher.h"

#include <QFrame>
#include <QString>

#include <array>
#include <functional>
#include <optional>

class QLabel;

namespace veltroma {

// The link doctor's counters as a small read-only table, shown in the form's debug mode:
// requests, replies, timeouts, rejected frames by reason, echoes, reopens,
// re-registrations and the last error with its time; below them, when the live values are
// published, the publisher's messages sent, dropped and failed and its reconnections.
class LinkHealthPanel final : public QFrame {
    Q_OBJECT
public:
    using StringLoader = std::function<QString(const QString& key)>;

    // Captions in the chosen language, fetched once.
    explicit LinkHealthPanel(const StringLoader& loadString, QWidget* parent = nullptr);

    // User-interface thread: shows this copy of the counters, and the publisher's.
    void setCounters(const LinkCounters& counters);

    // User-interface thread: shows the publisher's counters, or hides their rows when
    // nothing is published.
    void setMqttCounters(const std::optional<MqttCounters>& counters);
    // Where setCounters() takes the publisher's counters from as well; none: nothing is
    // published.
    void setMqttSource(std::function<std::optional<MqttCounters>()> source)
    {
        mqttSource_ = std::move(source);
    }

    // Two columns of counters instead of one: half the height, for a form whose plot is
    // shorter (several inverters on the bus).
    void setWide(bool wide);

    // The value shown beside the caption of `row` (0: requests sent ... 9: last error,
    // 10: messages sent, 11: dropped, 12: failed, 13: reconnects).
    [[nodiscard]] QString valueText(int row) const;
    [[nodiscard]] bool mqttShown() const;

private:
    static constexpr int kRows = 10;
    static constexpr int kMqttRows = 4;

    void place();

    QLabel* title_ = nullptr;
    std::array<QLabel*, kRows> captions_{};
    std::array<QLabel*, kRows + kMqttRows> values_{};
    // Caption and value of each publisher row, shown and hidden together.
    std::array<QLabel*, 2 * kMqttRows> mqttRows_{};
    QString noError_;
    std::function<std::optional<MqttCounters>()> mqttSource_;
    bool wide_ = false;
};

} // namespace veltroma
