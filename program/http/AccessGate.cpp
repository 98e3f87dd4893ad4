#include "http/AccessGate.h"

#include "platform/Blanks.h"

#include <openssl/crypto.h>

#include <array>
#include <sys/stat.h>

namespace orvane::http {

std::string_view BearerToken(std::string_view authorization) {
    authorization = TrimBlanks(authorization);
    constexpr std::string_view kScheme = "bearer ";
    if (authorization.size() <= kScheme.size())
        return {};
    for (std::size_t i = 0; i < kScheme.size(); ++i) {
        const char c = authorization[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != kScheme[i])
            return {};
    }
    return TrimBlanks(authorization.substr(kScheme.size()));
}

std::string_view CookieValue(std::string_view header, std::string_view name) {
    while (!header.empty()) {
        const std::size_t end = header.find(';');
        const std::string_view pair = TrimBlanks(header.substr(0, end));
        header = end == std::string_view::npos ? std::string_view{} : header.substr(end + 1);
        const std::size_t eq = pair.find('=');
        if (eq != std::string_view::npos && TrimBlanks(pair.substr(0, eq)) == name)
            return TrimBlanks(pair.substr(eq + 1));
    }
    return {};
}

AccessGate::FileStamp AccessGate::Stamp() const {
    struct stat st {};
    FileStamp stamp;
    if (::stat(store_.Path().c_str(), &st) != 0)
        return stamp;
    stamp.exists = true;
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.size = st.st_size;
    stamp.mtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1'000'000'000LL + st.st_mtim.tv_nsec;
    return stamp;
}

bool AccessGate::Reload(std::string& error) {
    const FileStamp stamp = Stamp();
    TokenStore fresh(store_.Path());
    const FileReadResult read = fresh.Load();
    if (read.failed()) {
        error = ReadFailureText(store_.Path(), read);
        // Not taken as read: the next request tries again.
        stamp_ = FileStamp{};
        changed_ = true;
        return false;
    }
    store_ = std::move(fresh);
    stamp_ = stamp;
    return true;
}

void AccessGate::RefreshIfChanged() {
    if (watched_ && !changed_)
        return;
    changed_ = false;
    if (Stamp() == stamp_)
        return;
    std::string ignored;
    (void)Reload(ignored);
}

const TokenRecord* AccessGate::Match(const TokenHash& hash) const {
    // Every record is compared whole, so the time taken says nothing about which came close.
    const TokenRecord* found = nullptr;
    for (const TokenRecord& record : store_.Tokens()) {
        if (CRYPTO_memcmp(record.hash.data(), hash.data(), hash.size()) == 0)
            found = &record;
    }
    return found;
}

bool AccessGate::Throttled(const std::string& peer, Clock::time_point now) {
    const auto it = strikes_.find(peer);
    if (it == strikes_.end())
        return false;
    if (now < it->second.blockedUntil)
        return true;
    while (!it->second.wrong.empty() && now - it->second.wrong.front() >= kWrongTokenWindow)
        it->second.wrong.pop_front();
    if (it->second.wrong.empty())
        strikes_.erase(it);
    return false;
}

void AccessGate::CountWrongToken(const std::string& peer, Clock::time_point now) {
    if (strikes_.size() >= kMaxTrackedAddresses && strikes_.find(peer) == strikes_.end()) {
        // Forget the addresses whose strikes have run out before tracking another.
        for (auto it = strikes_.begin(); it != strikes_.end();) {
            const bool stale = now >= it->second.blockedUntil &&
                               (it->second.wrong.empty() || now - it->second.wrong.back() >= kWrongTokenWindow);
            it = stale ? strikes_.erase(it) : std::next(it);
        }
        if (strikes_.size() >= kMaxTrackedAddresses)
            return;
    }
    Strikes& strikes = strikes_[peer];
    strikes.wrong.push_back(now);
    while (now - strikes.wrong.front() >= kWrongTokenWindow)
        strikes.wrong.pop_front();
    if (strikes.wrong.size() >= static_cast<std::size_t>(kWrongTokenLimit)) {
        strikes.blockedUntil = now + kWrongTokenWindow;
        strikes.wrong.clear();
    }
}

AccessGate::Verdict AccessGate::Check(std::string_view authorization, std::string_view cookie, const std::string& peer,
                                      Clock::time_point now, Identity& who) {
    RefreshIfChanged();
    if (Open()) {
        who = Identity{};
        return Verdict::Allowed;
    }
    if (Throttled(peer, now))
        return Verdict::Throttled;
    if (const std::string_view token = BearerToken(authorization); !token.empty()) {
        const TokenRecord* record = Match(Sha256(token));
        if (record == nullptr) {
            CountWrongToken(peer, now);
            return Verdict::Unknown;
        }
        who = Identity{record->name, record->scope, false};
        return Verdict::Allowed;
    }
    if (const std::string_view id = CookieValue(cookie, kSessionCookie); !id.empty()) {
        const auto it = sessions_.find(Sha256(id));
        // A session lasts as long as the token it was opened with.
        const TokenRecord* record = it == sessions_.end() ? nullptr : Match(it->second.token);
        if (record == nullptr)
            return Verdict::Unknown;
        who = Identity{record->name, record->scope, true};
        return Verdict::Allowed;
    }
    return authorization.empty() ? Verdict::Missing : Verdict::Unknown;
}

std::string AccessGate::OpenSession(std::string_view authorization) {
    const std::string_view token = BearerToken(authorization);
    if (token.empty())
        return {};
    const TokenHash tokenHash = Sha256(token);
    if (Match(tokenHash) == nullptr)
        return {};
    std::string id = NewToken();
    if (id.empty())
        return {};
    while (sessions_.size() >= kMaxSessions && !sessionOrder_.empty()) {
        sessions_.erase(sessionOrder_.front());
        sessionOrder_.pop_front();
    }
    const TokenHash key = Sha256(id);
    sessions_[key] = Session{tokenHash};
    sessionOrder_.push_back(key);
    return id;
}

} // namespace orvane::http
