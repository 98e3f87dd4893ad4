#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace accounts {

// The UTF-8 bytes of a password typed into a field, wiped when the object goes so that
// the clear text does not stay behind in freed memory.
class PasswordText {
public:
    explicit PasswordText(const QString& text);
    ~PasswordText();
    PasswordText(const PasswordText&) = delete;
    PasswordText& operator=(const PasswordText&) = delete;

    std::string_view View() const { return bytes_; }
    bool Empty() const { return bytes_.empty(); }
    bool operator==(const PasswordText& other) const { return bytes_ == other.bytes_; }

private:
    std::string bytes_;
};

} // namespace accounts
