#pragma once

#include "model/ModelInfo2.h"
#include "support/TempDir.h"
#include "widgets/OrvaneMessageBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orvane::test {

// Records every message box instead of showing it and answers with `answer`.
class MessageBoxRecorder {
public:
    explicit MessageBoxRecorder(int answer = IDOK);
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    const std::vector<MessageBoxRequest>& Boxes() const { return boxes_; }
    std::size_t Count() const { return boxes_.size(); }
    const MessageBoxRequest& Last() const { return boxes_.back(); }
    void Clear() { boxes_.clear(); }

private:
    std::vector<MessageBoxRequest> boxes_;
    MessageBoxHandler previous_;
};

// A sandbox working and program directory with the sample model catalog in it, a
// discovery settings file that keeps every probe on loopback, and optionally the
// English catalog (opened, under language 1033).
class GuiSandbox {
public:
    explicit GuiSandbox(bool withCatalog = false);
    ~GuiSandbox();

    const Sandbox& Box() const { return box_; }
    std::string File(std::string_view name) const { return box_.File(name); }
    void Write(std::string_view name, std::string_view content) const { box_.Write(name, content); }
    std::string Read(std::string_view name) const { return box_.Read(name); }
    bool Exists(std::string_view name) const;

    // The catalog records of the sandbox's OrvaneModel.txt.
    const orvane::ModelList& Models() const { return models_; }
    orvane::ModelList& Models() { return models_; }

    // Writes a catalog of the given entries ("11.16 = text" lines under [1033]) and opens it.
    void OpenCatalogWith(const std::string& entries);

private:
    Sandbox box_;
    orvane::ModelList models_;
};

// The text of a file of the source tree.
std::string SourceFile(const std::string& relative);

// Runs `action` on the first modal dialog of type T that opens, from the event loop; a
// dialog that does not open within the time-out is given up. A modal dialog that is still
// open when the time-out passes is rejected, so that no test waits for a person.
template <class T> void WhenModalOpens(std::function<void(T*)> action, int timeoutMs = 15000) {
    auto* timer = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, action, timeoutMs] {
        QWidget* modal = QApplication::activeModalWidget();
        if (T* dialog = qobject_cast<T*>(modal)) {
            timer->stop();
            timer->deleteLater();
            action(dialog);
        } else if (clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            if (modal != nullptr)
                QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection);
        }
    });
    timer->start();
}

// pjsim with discovery on loopback: two or more TCP projectors with names and a UDP
// responder; stopped when the object goes.
class PjsimDiscovery {
public:
    explicit PjsimDiscovery(const QStringList& projectorNames, const QString& logPath);
    ~PjsimDiscovery();

    bool Ready() const { return ready_; }
    const QString& Error() const { return error_; }
    quint16 DiscoveryPort() const { return discoveryPort_; }
    // "127.0.0.1:PORT" of projector n (1-based).
    QString ProjectorAddress(int n) const;

private:
    QProcess process_;
    bool ready_ = false;
    QString error_;
    quint16 discoveryPort_ = 0;
    QStringList addresses_;
};

} // namespace orvane::test
