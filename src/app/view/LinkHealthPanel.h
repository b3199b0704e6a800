#pragma once

#include "link/LinkHealth.h"

#include <QFrame>
#include <QString>

#include <array>
#include <functional>

class QLabel;

namespace veltroma {

// The link doctor's counters as a small read-only table, shown in the form's debug mode:
// requests, replies, timeouts, rejected frames by reason, echoes, reopens,
// re-registrations and the last error with its time.
class LinkHealthPanel final : public QFrame {
    Q_OBJECT
public:
    using StringLoader = std::function<QString(const QString& key)>;

    // Captions in the chosen language, fetched once.
    explicit LinkHealthPanel(const StringLoader& loadString, QWidget* parent = nullptr);

    // User-interface thread: shows this copy of the counters.
    void setCounters(const LinkCounters& counters);

    // The value shown beside the caption of `row` (0: requests sent ... 9: last error).
    [[nodiscard]] QString valueText(int row) const;

private:
    static constexpr int kRows = 10;

    std::array<QLabel*, kRows> values_{};
    QString noError_;
};

} // namespace veltroma
