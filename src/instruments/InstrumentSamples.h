#pragma once

#include <QString>
#include <QWidget>

#include <vector>

namespace veltroma {

// The instruments set up with typical readings, for galleries and screenshots.
struct InstrumentSample {
    QString name;
    QWidget* widget; // owned by the parent given to makeInstrumentSamples
    QSize size;      // a size that shows it as the monitor form does
};

[[nodiscard]] std::vector<InstrumentSample> makeInstrumentSamples(QWidget* parent);

} // namespace veltroma
