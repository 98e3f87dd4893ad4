#include "picpush/ImageSendJob.h"

#include <algorithm>

namespace picpush {

ImageSendJob::~ImageSendJob() {
    Cancel();
    Wait();
}

bool ImageSendJob::Start(std::vector<ImageTarget> targets, std::shared_ptr<const std::vector<unsigned char>> image,
                         const SendOptions& options, Events events) {
    if (running_ || targets.empty() || !image)
        return false;
    Wait();
    targets_ = std::move(targets);
    image_ = std::move(image);
    options_ = options;
    events_ = std::move(events);
    cancel_ = false;
    next_ = 0;
    left_ = targets_.size();
    running_ = true;
    const std::size_t workers = std::min(kMaxWorkers, targets_.size());
    for (std::size_t i = 0; i < workers; ++i)
        workers_.emplace_back([this] { Work(); });
    return true;
}

void ImageSendJob::Wait() {
    for (std::thread& worker : workers_) {
        if (worker.joinable())
            worker.join();
    }
    workers_.clear();
}

void ImageSendJob::Work() {
    for (;;) {
        const std::size_t index = next_++;
        if (index >= targets_.size())
            return;
        ProgressFn progress;
        if (events_.progress)
            progress = [this, index](std::size_t sent, std::size_t total) { events_.progress(index, sent, total); };
        const SendResult result = SendImage(targets_[index], *image_, options_, cancel_, progress);
        if (events_.finished)
            events_.finished(index, result);
        if (--left_ == 0) {
            running_ = false;
            if (events_.allDone)
                events_.allDone();
        }
    }
}

std::vector<SendResult> SendToAll(const std::vector<ImageTarget>& targets, const std::vector<unsigned char>& image,
                                  const SendOptions& options) {
    std::vector<SendResult> results(targets.size(), SendResult::Cancelled);
    if (targets.empty())
        return results;
    std::mutex mutex;
    ImageSendJob job;
    ImageSendJob::Events events;
    events.finished = [&](std::size_t index, SendResult result) {
        std::lock_guard lock(mutex);
        results[index] = result;
    };
    // The job only reads the image; a non-owning pointer keeps the caller's copy the only one.
    // A new job with targets always starts.
    static_cast<void>(job.Start(targets, std::shared_ptr<const std::vector<unsigned char>>(&image, [](const auto*) {}),
                                options, std::move(events)));
    job.Wait();
    return results;
}

} // namespace picpush
