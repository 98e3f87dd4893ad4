#pragma once

#include "http/TokenStore.h"

#include <chrono>
#include <cstddef>
#include <deque>
#include <map>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace orvane::http {

inline constexpr const char* kSessionCookie = "orvane_session";

// Who a request speaks for.
struct Identity {
    std::string name;
    TokenScope scope = TokenScope::Control;
    bool viaCookie = false;
};

// Decides whether a request's bearer token or session cookie lets it in. Holds the tokens
// of the token file (re-read when the file changes), the browsers' sessions and the count
// of wrong tokens per address.
class AccessGate {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kWrongTokenLimit = 10;
    static constexpr std::chrono::seconds kWrongTokenWindow{60};
    static constexpr std::size_t kMaxSessions = 4096;
    static constexpr std::size_t kMaxTrackedAddresses = 4096;

    explicit AccessGate(std::string tokenFile) : store_(std::move(tokenFile)) {}

    // Reads the token file now. False, with the reason, when it exists but cannot be read;
    // the tokens read before stay in force then.
    [[nodiscard]] bool Reload(std::string& error);
    // Re-reads the file when its identity, size or time stamp changed since the last read.
    // While the file is watched, only after a change was told (MarkChanged): a request then
    // costs no look at the file system.
    void RefreshIfChanged();
    void SetWatched(bool watched) {
        watched_ = watched;
        changed_ = true;
    }
    void MarkChanged() { changed_ = true; }
    bool HasTokens() const { return !store_.Tokens().empty(); }
    // While listening on an address other than loopback, an empty token file shuts the API
    // instead of opening it.
    void RequireTokens(bool require) { requireTokens_ = require; }

    enum class Verdict { Allowed, Missing, Unknown, Throttled };
    // `authorization` and `cookie` are the request's header values (empty when absent).
    Verdict Check(std::string_view authorization, std::string_view cookie, const std::string& peer,
                  Clock::time_point now, Identity& who);
    // A new session for a bearer token's identity; the cookie value, empty if none was made.
    std::string OpenSession(std::string_view authorization);

private:
    bool Open() const { return !requireTokens_ && store_.Tokens().empty(); }
    const TokenRecord* Match(const TokenHash& hash) const;
    bool Throttled(const std::string& peer, Clock::time_point now);
    void CountWrongToken(const std::string& peer, Clock::time_point now);

    struct FileStamp {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        long long mtimeNs = 0;
        bool operator==(const FileStamp&) const = default;
    };
    FileStamp Stamp() const;

    struct Session {
        TokenHash token{};
    };
    struct Strikes {
        std::deque<Clock::time_point> wrong;
        Clock::time_point blockedUntil{};
    };

    TokenStore store_;
    FileStamp stamp_;
    bool requireTokens_ = false;
    bool watched_ = false;
    bool changed_ = true;
    // Keyed by the SHA-256 of the session id, so that a lookup's timing says nothing of an id.
    std::map<TokenHash, Session> sessions_;
    std::deque<TokenHash> sessionOrder_;
    std::map<std::string, Strikes> strikes_;
};

// The token of "Bearer TOKEN" (scheme in any case), or empty.
std::string_view BearerToken(std::string_view authorization);
// The value of cookie `name` in a Cookie header, or empty.
std::string_view CookieValue(std::string_view header, std::string_view name);

} // namespace orvane::http
