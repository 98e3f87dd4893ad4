#pragma once

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <functional>

namespace orvane::test {

// Plays the operator's part in a modal dialog: `act` runs once the next modal dialog is
// up. A dialog still open after the time-out is closed with kTimedOut, so a test whose
// actions fail to close it fails instead of hanging. Keep the object alive until the
// modal run has returned.
class ModalDriver {
public:
    static constexpr int kTimedOut = -99;

    explicit ModalDriver(std::function<void(QDialog*)> act, int timeoutMs = 20000) : act_(std::move(act)) {
        QTimer::singleShot(0, &watchdog_, [this] { Poll(); });
        watchdog_.setSingleShot(true);
        QObject::connect(&watchdog_, &QTimer::timeout, [] {
            if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                d->done(kTimedOut);
        });
        watchdog_.start(timeoutMs);
    }
    ~ModalDriver() { watchdog_.stop(); }
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;

    bool Acted() const { return acted_; }

private:
    void Poll() {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) {
            QTimer::singleShot(10, &watchdog_, [this] { Poll(); });
            return;
        }
        acted_ = true;
        act_(dialog);
    }

    std::function<void(QDialog*)> act_;
    QTimer watchdog_;
    bool acted_ = false;
};

// A control of the dialog by object name; a missing one ends the test program at once,
// as every later step would act on nothing.
template <typename T> T* Child(QWidget* parent, const char* name) {
    T* child = parent->findChild<T*>(name);
    if (child == nullptr)
        qFatal("no control named %s", name);
    return child;
}

inline void Type(QWidget* dialog, const char* field, const QString& text) {
    Child<QLineEdit>(dialog, field)->setText(text);
}

inline void Click(QWidget* dialog, const char* button) {
    Child<QPushButton>(dialog, button)->click();
}

} // namespace orvane::test
