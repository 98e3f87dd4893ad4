#include "catalog/CatalogFile.h"

#include "platform/Blanks.h"
#include "platform/FileUtil.h"
#include "platform/Utf8.h"

#include <charconv>

namespace orvane {

namespace {

constexpr int kMaxSet = 65535 - 256; // set + 256 must fit the upper 16 bits of the id

// A plain decimal number without sign or blanks, within [0, max].
bool ParseDecimal(std::string_view s, int max, int& out) {
    if (s.empty() || s.size() > 9)
        return false;
    int value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size() || value < 0 || value > max)
        return false;
    out = value;
    return true;
}

// Resolves \n \t \r \\ \" ; anything else after a backslash is an error, so that a typo
// such as "\m" is reported instead of showing up in the program.
bool Unescape(std::string_view s, std::string& out, std::string& error) {
    out.clear();
    out.reserve(s.size() + 2);
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\') {
            out += s[i];
            continue;
        }
        if (i + 1 == s.size()) {
            error = "backslash at the end of the text";
            return false;
        }
        char e = s[++i];
        switch (e) {
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        case '\\':
            out += '\\';
            break;
        case '"':
            out += '"';
            break;
        default:
            error = std::string("unknown escape \\") + e;
            return false;
        }
    }
    return true;
}

std::uint64_t Key(int language, std::uint32_t id) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(language)) << 32) | id;
}

} // namespace

std::uint32_t CatalogFile::MessageId(int set, int number) {
    return ((static_cast<std::uint32_t>(set) + 256u) << 16) | static_cast<std::uint32_t>(number);
}

int CatalogFile::Load(const std::string& path) {
    texts_.clear();
    problems_.clear();
    std::string content;
    if (!ReadWholeFile(path, content, kMaxFileSize).ok())
        return -1;
    Parse(content);
    return 0;
}

void CatalogFile::Parse(std::string_view content) {
    texts_.clear();
    problems_.clear();
    if (content.starts_with("\xEF\xBB\xBF"))
        content.remove_prefix(3);
    int language = 0; // none until the first valid section
    int lineNo = 0;
    std::size_t pos = 0;
    for (;;) {
        std::size_t nl = content.find('\n', pos);
        std::size_t end = nl == std::string_view::npos ? content.size() : nl;
        std::string_view line = content.substr(pos, end - pos);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        ParseLine(++lineNo, line, language);
        if (nl == std::string_view::npos)
            break;
        pos = nl + 1;
    }
}

void CatalogFile::ParseLine(int lineNo, std::string_view line, int& language) {
    std::string_view t = TrimBlanks(line);
    if (t.empty() || t.front() == '#')
        return;
    if (!IsValidUtf8(t)) {
        AddProblem(lineNo, "not UTF-8 text");
        return;
    }
    for (char c : t) {
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
            AddProblem(lineNo, "control character in the line (write \\n, \\t or \\r instead)");
            return;
        }
    }
    if (t.front() == '[') {
        int lang = 0;
        if (t.back() != ']' || !ParseDecimal(TrimBlanks(t.substr(1, t.size() - 2)), 65535, lang) || lang == 0) {
            // Entries up to the next good section would land in a language nobody meant.
            language = 0;
            AddProblem(lineNo, "section is not a language id such as [1033]");
            return;
        }
        language = lang;
        return;
    }
    std::size_t eq = t.find('=');
    if (eq == std::string_view::npos) {
        AddProblem(lineNo, "no '=' in the line");
        return;
    }
    std::string_view key = TrimBlanks(t.substr(0, eq));
    std::size_t dot = key.find('.');
    int set = 0;
    int number = 0;
    if (dot == std::string_view::npos || !ParseDecimal(key.substr(0, dot), kMaxSet, set) ||
        !ParseDecimal(key.substr(dot + 1), 65535, number)) {
        AddProblem(lineNo, "key is not set.number such as 11.42");
        return;
    }
    if (language == 0) {
        AddProblem(lineNo, "entry outside a language section");
        return;
    }
    std::string_view value = TrimBlanks(t.substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    std::string text;
    std::string error;
    if (!Unescape(value, text, error)) {
        AddProblem(lineNo, error);
        return;
    }
    text += "\r\n";
    if (!texts_.try_emplace(Key(language, MessageId(set, number)), std::move(text)).second)
        AddProblem(lineNo, "duplicate entry; the first one counts");
}

void CatalogFile::AddProblem(int lineNo, std::string reason) {
    // A broken file must not make the problem list itself huge.
    constexpr std::size_t kMaxProblems = 1000;
    if (problems_.size() < kMaxProblems)
        problems_.push_back(CatalogProblem{lineNo, std::move(reason)});
}

const std::string* CatalogFile::Find(int language, std::uint32_t messageId) const {
    auto it = texts_.find(Key(language, messageId));
    return it == texts_.end() ? nullptr : &it->second;
}

const std::string* CatalogFile::Find(int language, int set, int number) const {
    return Find(language, MessageId(set, number));
}

} // namespace orvane
