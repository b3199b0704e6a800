#pragma once

#include "monitor/DailyRecorder.h"
#include "monitor/RecordPaths.h"
#include "web/HttpExchange.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <thread>

namespace veltroma::test {

// A GET request of `path` with the query `query` ("date=2026-12-09&inverter=1").
inline WebRequest getRequest(const QString& path, const QString& query = {})
{
    return {"GET", path, QUrlQuery(query), {}, {}};
}

// The body of a JSON answer; an empty object for anything else.
inline QJsonObject jsonOf(const WebResponse& response)
{
    return QJsonDocument::fromJson(response.body).object();
}

// Runs the event loop until `done` holds; false after `limitMs`.
inline bool pumpUntil(const std::function<bool()>& done, int limitMs = 20000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// The record row of reply number `i`: values that differ from row to row, so that a row
// taken for its neighbour shows.
inline QStringList rowValues(const QDateTime& when, int i)
{
    const QTime t = when.time();
    return {QStringLiteral("%1:%2:%3").arg(t.hour()).arg(t.minute()).arg(t.second()),
            QString::number(300.0 + i * 0.1, 'f', 1),
            QString::number(229.0 + (i % 17) * 0.1, 'f', 1),
            QString::number(49.95 + (i % 11) * 0.01, 'f', 2),
            QString::number((i * 37) % 3100),
            QString::number(i * 0.1, 'f', 1),
            QString::number(i * 3),
            QString::number(5000.0 + i * 0.1, 'f', 1),
            QString::number(900 + i / 20),
            QString::number(30.0 + (i % 23) * 0.5, 'f', 1),
            QStringLiteral("Normal")};
}

// Writes rows into the month files of `slot` below `folder` (ending in "/") as the recorder
// writes them, one record event each.
inline void recordRows(const QString& folder, int slot, const std::vector<QDateTime>& times,
                       int firstIndex = 0)
{
    DailyRecorder recorder;
    int i = firstIndex;
    for (const QDateTime& when : times) {
        InverterModel model;
        model.realtimeDecoded = true;
        model.recordSlot = slot;
        model.sSerialNums[std::size_t(slot)] = QStringLiteral("A1B2C3D4E5");
        model.paths = LoadDataSet(folder, when, slot);
        model.NewRow = rowValues(when, i++);
        recorder.record(model);
    }
}

// What python's xlrd, a reader independent of ours, reads from a month file: per day sheet
// ("1".."31") its rows oldest first, every cell as text.
inline QJsonObject xlrdDays(const QString& file)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(VELTROMA_XLRD_ROWS), file});
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        return {};
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object().value("days").toObject();
}

} // namespace veltroma::test
