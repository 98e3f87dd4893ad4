#pragma once

#include "accounts/UserRecord.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace accounts {

inline constexpr const char* kUserFileName = "OrvaneUsers.txt";

// A user file larger than this is not ours; it is refused rather than read.
inline constexpr std::size_t kMaxUserFileSize = std::size_t{1024} * 1024;

// Results of the store's operations.
enum StoreResult : int {
    kStoreOk = 0,
    kStoreBadName = -1,     // the name breaks the rules of IsValidUserName
    kStoreBadPassword = -2, // empty or too long
    kStoreExists = -3,      // a user of that name is there already
    kStoreNotFound = -4,    // no user of that name
    kStoreLastUser = -5,    // the last user cannot be removed
    kStoreReadError = -6,   // the file is there but cannot be read
    kStoreWriteError = -7,  // the file cannot be written; nothing changed
    kStoreCryptoError = -8, // no random salt or digest could be had
};

// The user file in use: the one set with SetUserFilePath, else OrvaneUsers.txt in the
// program directory.
std::string UserFilePath();
// An empty path goes back to the default.
void SetUserFilePath(const std::string& path);

// The users of one file. Every change re-reads the file first, so that an edit made in
// the meantime by another program is not lost, and counts only once the new file has
// been written (atomically, readable by its owner only).
class UserStore {
public:
    explicit UserStore(std::string path = UserFilePath());

    // kStoreOk (a missing file is an empty list) or kStoreReadError (then the list is
    // empty and no change is allowed until a Load succeeds). Lines that are not valid
    // records, and later lines repeating a name, are skipped and counted.
    [[nodiscard]] int Load();

    const std::string& Path() const { return path_; }
    bool Loaded() const { return loaded_; }
    bool Empty() const { return users_.empty(); }
    std::size_t Size() const { return users_.size(); }
    const std::vector<UserRecord>& Users() const { return users_; }
    std::vector<std::string> Names() const;
    bool Contains(std::string_view name) const;
    std::size_t SkippedLines() const { return skipped_; }

    // True when the user exists and the password is right. An unknown name costs as much
    // time as a wrong password, so the answer's timing does not tell which names exist.
    bool Verify(std::string_view name, std::string_view password) const;

    [[nodiscard]] int Add(std::string_view name, std::string_view password);
    [[nodiscard]] int ChangePassword(std::string_view name, std::string_view password);
    // Refuses to remove the last user: with no users the login asks for a first account,
    // which would open the program to anyone.
    [[nodiscard]] int Remove(std::string_view name);

private:
    const UserRecord* Find(std::string_view name) const;
    [[nodiscard]] int Save(const std::vector<UserRecord>& users);

    std::string path_;
    std::vector<UserRecord> users_;
    std::size_t skipped_ = 0;
    bool loaded_ = false;
};

} // namespace accounts
