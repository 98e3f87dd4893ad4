#include "linkcore/PjlinkLine.h"

#include "linkcore/Digest.h"
#include "platform/Hex.h"

namespace linkcore::pjlink {

namespace {

bool IsUpperAlnum(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool IsHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Commands are plain ASCII; answers may carry UTF-8 in names, so only control bytes are out.
bool IsCommandText(std::string_view text) {
    for (char c : text) {
        if (c < 0x20 || c > 0x7E)
            return false;
    }
    return true;
}

bool IsAnswerText(std::string_view text) {
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F)
            return false;
    }
    return true;
}

// "%" class name, the part both line kinds share; the rest of the line is left in `line`.
bool ParseHead(std::string_view& line, char& cls, std::string& name) {
    if (line.size() < 6 || line[0] != '%' || (line[1] != '1' && line[1] != '2'))
        return false;
    for (std::size_t i = 2; i < 6; ++i) {
        if (!IsUpperAlnum(line[i]))
            return false;
    }
    cls = line[1];
    name.assign(line.substr(2, 4));
    line.remove_prefix(6);
    return true;
}

char ToUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = ToUpper(c);
    return out;
}

// What some projectors put in front of a line: NUL padding, blanks, a telnet prompt.
std::string_view SkipLeadIn(std::string_view line) {
    const std::size_t start = line.find_first_not_of(std::string_view("\0 \t>", 4));
    return start == std::string_view::npos ? std::string_view() : line.substr(start);
}

} // namespace

std::string FormatCommand(char cls, std::string_view name, std::string_view param) {
    std::string line = "%";
    line += cls;
    line += name;
    if (!param.empty()) {
        line += ' ';
        line += param;
    }
    line += kTerminator;
    return line;
}

std::string FormatAnswer(char cls, std::string_view name, std::string_view value) {
    std::string line = "%";
    line += cls;
    line += name;
    line += '=';
    line += value;
    line += kTerminator;
    return line;
}

bool ParseCommand(std::string_view line, Command& out) {
    Command command;
    if (line.size() + 1 > kMaxLine || !ParseHead(line, command.cls, command.name))
        return false;
    // A command without a parameter (the search) ends right after its name.
    if (!line.empty()) {
        if (line[0] != ' ' || line.size() < 2 || !IsCommandText(line.substr(1)))
            return false;
        command.param.assign(line.substr(1));
    }
    out = std::move(command);
    return true;
}

bool ParseAnswer(std::string_view line, Answer& out) {
    Answer answer;
    if (line.size() + 1 > kMaxLine || !ParseHead(line, answer.cls, answer.name))
        return false;
    if (line.empty() || line[0] != '=' || !IsAnswerText(line.substr(1)))
        return false;
    answer.value.assign(line.substr(1));
    out = std::move(answer);
    return true;
}

bool ReadAnswer(std::string_view line, Answer& out) {
    if (line.size() + 1 > kMaxLine)
        return false;
    line = SkipLeadIn(line);
    if (line.size() < 7)
        return false;
    const std::string head = Upper(line.substr(0, 6));
    std::string_view rest = head;
    Answer answer;
    if (!ParseHead(rest, answer.cls, answer.name) || line[6] != '=' || !IsAnswerText(line.substr(7)))
        return false;
    answer.value.assign(line.substr(7));
    const std::string upper = Upper(answer.value);
    if (upper == "OK" || ErrorCode(upper) != 0)
        answer.value = upper;
    out = std::move(answer);
    return true;
}

bool IsAuthError(std::string_view line) {
    return Upper(SkipLeadIn(line)) == kAuthError;
}

int ErrorCode(std::string_view value) {
    if (value.size() == 4 && value.substr(0, 3) == "ERR" && value[3] >= '1' && value[3] <= '4')
        return value[3] - '0';
    return 0;
}

std::string FormatGreeting(const Greeting& greeting) {
    return greeting.auth ? "PJLINK 1 " + greeting.random + kTerminator : std::string("PJLINK 0") + kTerminator;
}

bool ParseGreeting(std::string_view line, Greeting& out) {
    if (line == "PJLINK 0") {
        out = Greeting{};
        return true;
    }
    constexpr std::string_view kAuthHead = "PJLINK 1 ";
    if (line.size() != kAuthHead.size() + kRandomSize || line.substr(0, kAuthHead.size()) != kAuthHead)
        return false;
    std::string_view random = line.substr(kAuthHead.size());
    for (char c : random) {
        if (!IsHex(c))
            return false;
    }
    out.auth = true;
    out.random.assign(random);
    return true;
}

std::string AuthDigest(std::string_view random, std::string_view password) {
    unsigned char md[kMd5Size];
    Md5(random, password, md);
    return orvane::ToHex(md);
}

void LineReader::Feed(const char* data, std::size_t size) {
    buffer_.append(data, size);
}

bool LineReader::Next(std::string& line) {
    if (broken_)
        return false;
    const std::size_t first = buffer_.find_first_not_of("\r\n");
    buffer_.erase(0, first == std::string::npos ? buffer_.size() : first);
    const std::size_t end = buffer_.find_first_of("\r\n");
    if (end == std::string::npos) {
        if (buffer_.size() >= kMaxLine)
            broken_ = true;
        return false;
    }
    if (end + 1 > kMaxLine) {
        broken_ = true;
        return false;
    }
    line.assign(buffer_, 0, end);
    buffer_.erase(0, end + 1);
    return true;
}

} // namespace linkcore::pjlink
