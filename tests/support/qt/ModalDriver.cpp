#include "support/qt/ModalDriver.h"

#include <QApplication>

namespace orvane::test {

ModalDriver::ModalDriver(std::function<void(QDialog*)> act, int timeoutMs)
    : ModalDriver([](QDialog*) { return true; }, std::move(act), timeoutMs) {}

ModalDriver::ModalDriver(std::function<bool(QDialog*)> wanted, std::function<void(QDialog*)> act, int timeoutMs)
    : wanted_(std::move(wanted)), act_(std::move(act)) {
    QTimer::singleShot(0, &watchdog_, [this] { Poll(); });
    watchdog_.setSingleShot(true);
    QObject::connect(&watchdog_, &QTimer::timeout, [] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            d->done(kTimedOut);
    });
    watchdog_.start(timeoutMs);
}

ModalDriver::~ModalDriver() {
    watchdog_.stop();
}

void ModalDriver::Poll() {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isVisible() || !wanted_(dialog)) {
        QTimer::singleShot(10, &watchdog_, [this] { Poll(); });
        return;
    }
    acted_ = true;
    // Once the dialog it acted on is closed, a later modal run is none of this driver's.
    QObject::connect(dialog, &QDialog::finished, &watchdog_, [this] { watchdog_.stop(); });
    act_(dialog);
}

} // namespace orvane::test
