#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The PJLink wire format, shared by the link (client side), the finder and pjsim
// (projector side). Everything is ASCII text in lines that end with CR:
//
//   command   %<class><CMD> <parameter>      e.g. "%1POWR 1", "%1INPT ?"
//   answer    %<class><CMD>=<answer>         e.g. "%1POWR=OK", "%1INPT=31", "%1AVMT=ERR3"
//   greeting  PJLINK 0 | PJLINK 1 <random>   sent by the projector on every new connection
//   refusal   PJLINK ERRA                    wrong password
namespace linkcore::pjlink {

inline constexpr int kDefaultPort = 4352;
// The longest line either side may send, CR included.
inline constexpr std::size_t kMaxLine = 136;
inline constexpr char kTerminator = '\r';
// Length of the random text of a greeting and of the digest that answers it.
inline constexpr std::size_t kRandomSize = 8;
inline constexpr std::size_t kDigestSize = 32;

struct Command {
    char cls = '1';    // '1' or '2'
    std::string name;  // four characters, e.g. "POWR"
    std::string param; // "?" for a query
};

struct Answer {
    char cls = '1';
    std::string name;
    std::string value; // the text after '=': "OK", "ERR1".."ERR4" or data
};

// "%1POWR 1\r". The parameter must be printable ASCII; the caller keeps the line short.
std::string FormatCommand(char cls, std::string_view name, std::string_view param);
std::string FormatAnswer(char cls, std::string_view name, std::string_view value);

// Lines are given without their CR. Each parser accepts exactly its form: a '%', a class
// digit 1 or 2, four upper-case letters or digits, then ' ' (command) or '=' (answer) and
// printable ASCII. Nothing else, not even trailing blanks, parses.
[[nodiscard]] bool ParseCommand(std::string_view line, Command& out);
[[nodiscard]] bool ParseAnswer(std::string_view line, Answer& out);

// An answer as the link reads what projectors really send: NUL bytes, blanks and a telnet
// prompt ('>') in front of the '%' are skipped, and the command name is taken in any case
// ("%1powr=ok"). The name comes out in upper case, as do "OK" and "ERR1".."ERR4"; other
// values keep their case, since names and models are the projector's own text.
bool ReadAnswer(std::string_view line, Answer& out);
// "PJLINK ERRA" in any case, behind the same bytes ReadAnswer skips.
bool IsAuthError(std::string_view line);

// 1..4 for "ERR1".."ERR4", 0 for any other answer.
int ErrorCode(std::string_view value);

struct Greeting {
    bool auth = false;
    std::string random; // kRandomSize hexadecimal digits when auth
};

std::string FormatGreeting(const Greeting& greeting);
[[nodiscard]] bool ParseGreeting(std::string_view line, Greeting& out);
inline constexpr std::string_view kAuthError = "PJLINK ERRA";

// The 32 lower-case hexadecimal digits of MD5(random + password) that prefix the first
// command of an authenticated connection.
std::string AuthDigest(std::string_view random, std::string_view password);

// Gathers bytes from a stream into lines. Bytes are fed as they arrive; Next hands out one
// finished line at a time, without its end. A line ends with CR, LF or CR LF, since devices
// use all three; empty lines are skipped. A line that grows past kMaxLine without its end
// marks the stream as broken: the caller drops the connection.
class LineReader {
public:
    void Feed(const char* data, std::size_t size);
    [[nodiscard]] bool Next(std::string& line);
    bool Broken() const { return broken_; }
    bool HasPartial() const { return !buffer_.empty(); }

private:
    std::string buffer_;
    bool broken_ = false;
};

} // namespace linkcore::pjlink
