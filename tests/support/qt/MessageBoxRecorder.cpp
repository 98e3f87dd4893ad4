#include "support/qt/MessageBoxRecorder.h"

#include <QCoreApplication>
#include <QThread>

namespace orvane::test {

MessageBoxRecorder::MessageBoxRecorder(int answer) : answer_(answer) {
    previous_ = SetMessageBoxHandler([this](const MessageBoxRequest& request) {
        Box box;
        static_cast<MessageBoxRequest&>(box) = request;
        box.onGuiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        boxes_.push_back(box);
        if (onBox)
            onBox(box);
        if (!answers_.empty()) {
            const int next = answers_.front();
            answers_.pop_front();
            return next;
        }
        if (answer_ != kNoOrOk)
            return answer_;
        return (request.style & 0x0F) == MB_YESNO ? IDNO : IDOK;
    });
}

MessageBoxRecorder::~MessageBoxRecorder() {
    SetMessageBoxHandler(std::move(previous_));
}

} // namespace orvane::test
