#pragma once

#include <QDialog>

#include <cstdint>
#include <functional>
#include <thread>

class QLabel;
class QSlider;

// PX-Demo's own picture dialog: brightness and contrast of one projector, read when it opens
// and set when a slider is let go. The projector is talked to on a thread of the dialog's,
// one exchange at a time.
class DemoDialog : public QDialog {
public:
    DemoDialog(int method, int comNo, int tcpPort, const char* ip, const char* password);
    ~DemoDialog() override;

private:
    struct Connection {
        int method;
        int comNo;
        int port;
        char ip[64];
        char password[64];
    };

    // Runs `job` on the dialog's thread once the one before has ended.
    void Run(std::function<void()> job);
    void Read();
    void Send(std::uint16_t type, int value);

    Connection connection_{};
    QSlider* brightness_ = nullptr;
    QSlider* contrast_ = nullptr;
    QLabel* status_ = nullptr;
    std::thread worker_;
};
