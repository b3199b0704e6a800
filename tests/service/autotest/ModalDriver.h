#pragma once

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace veltroma::test {

// Acts on the next modal dialog of type T once it is shown, from the event loop it runs;
// gives up after five seconds, so that a dialog that never came cannot hit a later test.
template <class T>
void whenModal(std::function<void(T&)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QTimer::singleShot(5000, timer, [timer] { timer->deleteLater(); });
    QObject::connect(timer, &QTimer::timeout, [timer, act = std::move(act)] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(*dialog);
        }
    });
    timer->start();
}

// Saves a picture of `widget` when VELTROMA_SCREENSHOT_DIR names a folder, to look at.
inline void saveScreenshot(QWidget& widget, const QString& name)
{
    const QString folder = qEnvironmentVariable("VELTROMA_SCREENSHOT_DIR");
    if (!folder.isEmpty())
        widget.grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

} // namespace veltroma::test
