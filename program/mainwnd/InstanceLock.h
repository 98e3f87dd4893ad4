#pragma once

#include <string>
#include <string_view>

namespace orvane {

// One running instance per configuration name. The lock is a file
// "PJT_MUTEX_ORVANE-<model>" in the user's runtime directory held with flock: other
// processes see it, and the system drops it when the holder dies, however it dies.
class InstanceLock {
public:
    // Results of Take.
    static constexpr int kTaken = 0;
    static constexpr int kHeldElsewhere = 1; // another instance runs with this configuration
    static constexpr int kSystemError = -1;  // ErrorNumber()/ErrorText() say why

    static constexpr const char* kNamePrefix = "PJT_MUTEX_ORVANE-";
    // The model name counts up to this many characters, like the name of the lock it stands for.
    static constexpr std::size_t kMaxModelLength = 255;

    // `directory` empty: $XDG_RUNTIME_DIR, or /tmp/orvane-<uid> (made private to the user)
    // when that is not set.
    explicit InstanceLock(std::string directory = {});
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Takes the lock of `model`. Taking the model already held is kTaken at once. For
    // another model the old lock is released only once the new one is taken, so a refused
    // change keeps the instance guarded by its current configuration.
    [[nodiscard]] int Take(std::string_view model);
    void Release(); // also gives up a pending lock

    // Take in two steps, for a change of configuration that can still fail once the new
    // lock is had: TakePending takes the lock of `model` beside the one held (results as
    // for Take; the model held already is kTaken with nothing pending), CommitPending
    // then gives up the old lock for it, DropPending gives up the new one and keeps the old.
    [[nodiscard]] int TakePending(std::string_view model);
    void CommitPending();
    void DropPending();
    bool HasPending() const { return pendingFd_ >= 0; }

    bool Held() const { return fd_ >= 0; }
    const std::string& Model() const { return model_; }
    const std::string& Path() const { return path_; } // of the lock held, else empty

    int ErrorNumber() const { return errno_; }
    std::string ErrorText() const;

    // The file name for a model: the prefix and the model name cut to kMaxModelLength,
    // with every byte that is not a letter, a digit, '.', '_' or '-' written as %XX, so
    // that two different names never share a lock. A name too long for a file name
    // keeps its head and gets a digest of the whole as its tail.
    static std::string FileNameFor(std::string_view model);

    // The directory the default constructor uses; empty when it cannot be had (then
    // `error` holds the errno).
    static std::string DefaultDirectory(int& error);

private:
    std::string directory_;
    std::string model_;
    std::string path_;
    int fd_ = -1;
    std::string pendingModel_;
    std::string pendingPath_;
    int pendingFd_ = -1;
    int errno_ = 0;
};

} // namespace orvane
