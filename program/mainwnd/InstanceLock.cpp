#include "mainwnd/InstanceLock.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {

namespace {

constexpr std::size_t kMaxFileName = 255;

bool SafeFileNameByte(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
           c == '-';
}

// FNV-1a: stable across runs and builds, which std::hash does not promise.
std::uint64_t NameDigest(std::string_view text) {
    std::uint64_t h = 14695981039346656037ull;
    for (unsigned char c : text) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

bool IsUsableDirectory(const char* path) {
    struct stat st;
    return path != nullptr && path[0] == '/' && stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

// /tmp is shared: the fallback directory must be ours and closed to others, or another
// user could plant the lock files and keep us from starting.
std::string PrivateTmpDirectory(int& error) {
    char path[64];
    std::snprintf(path, sizeof path, "/tmp/orvane-%u", static_cast<unsigned>(geteuid()));
    if (mkdir(path, 0700) != 0 && errno != EEXIST) {
        error = errno;
        return {};
    }
    struct stat st;
    if (lstat(path, &st) != 0) {
        error = errno;
        return {};
    }
    if (!S_ISDIR(st.st_mode) || st.st_uid != geteuid()) {
        error = EPERM;
        return {};
    }
    if ((st.st_mode & 077) != 0 && chmod(path, 0700) != 0) {
        error = errno;
        return {};
    }
    return path;
}

} // namespace

InstanceLock::InstanceLock(std::string directory) : directory_(std::move(directory)) {}

InstanceLock::~InstanceLock() {
    Release();
}

std::string InstanceLock::DefaultDirectory(int& error) {
    error = 0;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] != '\0' && IsUsableDirectory(runtime))
        return runtime;
    return PrivateTmpDirectory(error);
}

std::string InstanceLock::FileNameFor(std::string_view model) {
    model = model.substr(0, kMaxModelLength);
    static const char kHex[] = "0123456789ABCDEF";
    std::string name = kNamePrefix;
    std::size_t headEnd = 0; // the end of the longest head that leaves room for the digest
    constexpr std::size_t kDigestTail = 1 + 16;
    for (unsigned char c : model) {
        if (SafeFileNameByte(c)) {
            name += static_cast<char>(c);
        } else {
            name += '%';
            name += kHex[c >> 4];
            name += kHex[c & 0x0F];
        }
        if (name.size() + kDigestTail <= kMaxFileName)
            headEnd = name.size();
    }
    if (name.size() <= kMaxFileName)
        return name;
    char tail[kDigestTail + 1];
    std::snprintf(tail, sizeof tail, "~%016llx", static_cast<unsigned long long>(NameDigest(model)));
    name.resize(headEnd);
    return name + tail;
}

int InstanceLock::Take(std::string_view model) {
    const int result = TakePending(model);
    if (result == kTaken)
        CommitPending();
    return result;
}

int InstanceLock::TakePending(std::string_view model) {
    DropPending();
    model = model.substr(0, kMaxModelLength);
    // A second flock by this process on a new descriptor would fail against our own.
    if (fd_ >= 0 && model == model_)
        return kTaken;
    errno_ = 0;
    std::string dir = directory_;
    if (dir.empty()) {
        dir = DefaultDirectory(errno_);
        if (dir.empty())
            return kSystemError;
    }
    std::string path = dir + "/" + FileNameFor(model);
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        errno_ = errno;
        return kSystemError;
    }
    int rc;
    do {
        rc = flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        int err = errno;
        close(fd);
        if (err == EWOULDBLOCK)
            return kHeldElsewhere;
        errno_ = err;
        return kSystemError;
    }
    // The holder's pid, for whoever looks into the directory; the lock does not rely on it.
    char pid[32];
    int len = std::snprintf(pid, sizeof pid, "%ld\n", static_cast<long>(getpid()));
    if (ftruncate(fd, 0) == 0 && write(fd, pid, static_cast<std::size_t>(len)) < 0) {
        // Only informative; the lock holds regardless.
    }
    pendingFd_ = fd;
    pendingModel_ = std::string(model);
    pendingPath_ = std::move(path);
    return kTaken;
}

void InstanceLock::CommitPending() {
    if (pendingFd_ < 0)
        return;
    if (fd_ >= 0)
        close(fd_);
    fd_ = pendingFd_;
    model_ = std::move(pendingModel_);
    path_ = std::move(pendingPath_);
    pendingFd_ = -1;
    pendingModel_.clear();
    pendingPath_.clear();
}

void InstanceLock::DropPending() {
    if (pendingFd_ >= 0)
        close(pendingFd_);
    pendingFd_ = -1;
    pendingModel_.clear();
    pendingPath_.clear();
}

void InstanceLock::Release() {
    DropPending();
    // The file stays: removing it would let a process that opened it just before lock a
    // file no one else can find any more.
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
    model_.clear();
    path_.clear();
}

std::string InstanceLock::ErrorText() const {
    if (errno_ == 0)
        return {};
    return std::strerror(errno_);
}

} // namespace orvane
