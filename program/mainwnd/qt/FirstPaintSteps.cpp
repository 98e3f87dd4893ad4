#include "mainwnd/qt/FirstPaintSteps.h"

#include <QEvent>
#include <QMetaObject>
#include <QTimer>

namespace orvane {

void FirstPaintSteps::RunAfterPaintOf(QWidget* widget) {
    StopWatching();
    watched_ = widget;
    if (widget != nullptr)
        widget->installEventFilter(this);
}

void FirstPaintSteps::RunWithin(int milliseconds) {
    QTimer::singleShot(milliseconds, this, [this] { Run(); });
}

void FirstPaintSteps::Run() {
    StopWatching();
    // Taken out first: a step that leads back here finds nothing left to run.
    std::vector<Step> steps;
    steps.swap(steps_);
    for (Step& step : steps)
        step();
}

void FirstPaintSteps::Drop() {
    StopWatching();
    steps_.clear();
}

void FirstPaintSteps::StopWatching() {
    if (watched_ != nullptr)
        watched_->removeEventFilter(this);
    watched_ = nullptr;
}

bool FirstPaintSteps::eventFilter(QObject* watched, QEvent* event) {
    if (watched == watched_ && event->type() == QEvent::Paint && Pending()) {
        // Queued, so that it runs once this paint has reached the screen.
        QMetaObject::invokeMethod(
            this, [this] { Run(); }, Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace orvane
