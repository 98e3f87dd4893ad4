#include "accounts/UserStore.h"

#include "platform/FileUtil.h"

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <sys/stat.h>

namespace accounts {

namespace {
std::mutex g_pathMutex;
std::string g_pathOverride;

// Stands in for an unknown user so that Verify spends the same time for it.
const UserRecord& DecoyRecord() {
    static const UserRecord decoy = [] {
        UserRecord r;
        r.salt.assign(kSaltSize, 0x5A);
        r.iterations = kDefaultIterations;
        return r;
    }();
    return decoy;
}

// Whether a file is there at all, as opposed to there but unreadable.
bool PathMissing(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) != 0 && errno == ENOENT;
}
} // namespace

std::string UserFilePath() {
    {
        std::lock_guard<std::mutex> lock(g_pathMutex);
        if (!g_pathOverride.empty())
            return g_pathOverride;
    }
    std::string path = orvane::ProgramDir();
    path += '/';
    path += kUserFileName;
    return path;
}

void SetUserFilePath(const std::string& path) {
    std::lock_guard<std::mutex> lock(g_pathMutex);
    g_pathOverride = path;
}

UserStore::UserStore(std::string path) : path_(std::move(path)) {}

int UserStore::Load() {
    users_.clear();
    skipped_ = 0;
    loaded_ = false;
    if (PathMissing(path_)) {
        loaded_ = true;
        return kStoreOk;
    }
    std::string text;
    if (!orvane::ReadWholeFile(path_, text, kMaxUserFileSize).ok())
        return kStoreReadError;

    std::string_view rest(text);
    while (!rest.empty()) {
        std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (line.empty() || line == "\r" || line.front() == '#')
            continue;
        UserRecord record;
        if (!ParseUserLine(line, record) || Find(record.name) != nullptr) {
            ++skipped_;
            continue;
        }
        users_.push_back(std::move(record));
    }
    loaded_ = true;
    return kStoreOk;
}

std::vector<std::string> UserStore::Names() const {
    std::vector<std::string> names;
    names.reserve(users_.size());
    for (const UserRecord& r : users_)
        names.push_back(r.name);
    return names;
}

const UserRecord* UserStore::Find(std::string_view name) const {
    auto it = std::find_if(users_.begin(), users_.end(), [&](const UserRecord& r) { return r.name == name; });
    return it == users_.end() ? nullptr : &*it;
}

bool UserStore::Contains(std::string_view name) const {
    return Find(name) != nullptr;
}

bool UserStore::Verify(std::string_view name, std::string_view password) const {
    const UserRecord* record = Find(name);
    bool matches = PasswordMatches(record != nullptr ? *record : DecoyRecord(), password);
    return record != nullptr && matches;
}

int UserStore::Add(std::string_view name, std::string_view password) {
    if (!IsValidUserName(name))
        return kStoreBadName;
    if (!IsValidPassword(password))
        return kStoreBadPassword;
    if (Load() != kStoreOk)
        return kStoreReadError;
    if (Contains(name))
        return kStoreExists;
    UserRecord record;
    if (MakeUserRecord(name, password, record) != 0)
        return kStoreCryptoError;
    std::vector<UserRecord> users = users_;
    users.push_back(std::move(record));
    return Save(users);
}

int UserStore::ChangePassword(std::string_view name, std::string_view password) {
    if (!IsValidPassword(password))
        return kStoreBadPassword;
    if (Load() != kStoreOk)
        return kStoreReadError;
    const UserRecord* old = Find(name);
    if (old == nullptr)
        return kStoreNotFound;
    UserRecord record;
    if (MakeUserRecord(name, password, record) != 0)
        return kStoreCryptoError;
    std::vector<UserRecord> users = users_;
    users[static_cast<std::size_t>(old - users_.data())] = std::move(record);
    return Save(users);
}

int UserStore::Remove(std::string_view name) {
    if (Load() != kStoreOk)
        return kStoreReadError;
    const UserRecord* old = Find(name);
    if (old == nullptr)
        return kStoreNotFound;
    if (users_.size() == 1)
        return kStoreLastUser;
    std::vector<UserRecord> users = users_;
    users.erase(users.begin() + (old - users_.data()));
    return Save(users);
}

int UserStore::Save(const std::vector<UserRecord>& users) {
    std::string text = "# Orvane users: name:salt:rounds:PBKDF2-HMAC-SHA-256, one a line\n";
    for (const UserRecord& r : users) {
        text += FormatUserLine(r);
        text += '\n';
    }
    if (orvane::WriteFileAtomically(path_, text, 0600) != 0)
        return kStoreWriteError;
    users_ = users;
    skipped_ = 0;
    return kStoreOk;
}

} // namespace accounts
