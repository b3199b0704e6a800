#pragma once

#include <QDate>
#include <QString>

#include <functional>

class QWidget;

namespace veltroma::shots {

// Lets the event loop run for `ms` milliseconds.
void Wait(int ms);

// Runs `handle` on the first modal window that comes up, as a user answering it would.
void WhenModal(std::function<void(QWidget&)> handle);

// Saves what `widget` shows as a PNG; false with a message on standard error when it fails.
bool Save(QWidget& widget, const QString& path);

// Narrows the time axis of the window's plot to the points its visible curves hold.
void ZoomToData(QWidget& window);

// Writes a recorded day into the program folder's month file: one row every 180 s from
// 05:00 to 20:30, as the monitor records them, with readings of the simulated plant.
bool RecordDay(const QString& programFolder, QDate day);

} // namespace veltroma::shots
