#pragma once

#include "picpush/ImageTransfer.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace picpush {

// Sends one encoded image to several projectors at once: one worker per projector, at most
// kMaxWorkers at a time. The events come on the workers' threads; a GUI hands them on to its
// own thread. Each worker holds no more than the link's one bulk frame beside the shared image.
class ImageSendJob {
public:
    static constexpr std::size_t kMaxWorkers = 5;

    struct Events {
        // index into the target list, bytes taken so far, total
        std::function<void(std::size_t index, std::size_t sent, std::size_t total)> progress;
        std::function<void(std::size_t index, SendResult result)> finished;
        // after the last target's `finished`, once
        std::function<void()> allDone;
    };

    ImageSendJob() = default;
    // Cancels and waits for the workers.
    ~ImageSendJob();
    ImageSendJob(const ImageSendJob&) = delete;
    ImageSendJob& operator=(const ImageSendJob&) = delete;

    // Starts the workers and returns at once; false (nothing started) while a run is going on
    // or without targets.
    [[nodiscard]] bool Start(std::vector<ImageTarget> targets, std::shared_ptr<const std::vector<unsigned char>> image,
                             const SendOptions& options, Events events);

    // Asks every transfer to stop before its next bulk frame; targets not begun are Cancelled.
    void Cancel() { cancel_ = true; }
    bool CancelRequested() const { return cancel_.load(); }

    // Joins the workers of the last run (returns at once when none).
    void Wait();

    // True from Start until the last target has finished.
    bool Running() const { return running_.load(); }

private:
    void Work();

    std::vector<ImageTarget> targets_;
    std::shared_ptr<const std::vector<unsigned char>> image_;
    SendOptions options_;
    Events events_;
    std::atomic<bool> cancel_{false};
    std::atomic<bool> running_{false};
    std::atomic<std::size_t> next_{0};
    std::atomic<std::size_t> left_{0};
    std::vector<std::thread> workers_;
};

// Runs a job to its end on the calling thread's behalf: the results in target order.
std::vector<SendResult> SendToAll(const std::vector<ImageTarget>& targets, const std::vector<unsigned char>& image,
                                  const SendOptions& options);

} // namespace picpush
