#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QTimer>

#include <functional>

namespace orvane::test {

// Plays the operator's part in a modal dialog: `act` runs once the next modal dialog is up
// (with When<T>, the next one of type T). A dialog still open when the time-out passes is
// closed with kTimedOut, so a test whose actions fail to close it fails instead of hanging.
// Keep the object alive until the modal run has returned.
class ModalDriver {
public:
    static constexpr int kTimedOut = -99;
    static constexpr int kTimeoutMs = 20000;

    explicit ModalDriver(std::function<void(QDialog*)> act, int timeoutMs = kTimeoutMs);
    ~ModalDriver();
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;

    template <class T> [[nodiscard]] static ModalDriver When(std::function<void(T*)> act, int timeoutMs = kTimeoutMs) {
        return ModalDriver([](QDialog* d) { return qobject_cast<T*>(d) != nullptr; },
                           [act = std::move(act)](QDialog* d) { act(qobject_cast<T*>(d)); }, timeoutMs);
    }

    bool Acted() const { return acted_; }

private:
    ModalDriver(std::function<bool(QDialog*)> wanted, std::function<void(QDialog*)> act, int timeoutMs);
    void Poll();

    std::function<bool(QDialog*)> wanted_;
    std::function<void(QDialog*)> act_;
    QTimer watchdog_;
    bool acted_ = false;
};

// A control of the dialog by object name; a missing one ends the test program at once, as
// every later step would act on nothing.
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
