#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace orvane {

// One thing the parser did not accept, with its 1-based line number. Problems never stop
// a load: the rest of the file still counts, so one bad line of a translation does not
// take every other text of the catalog with it.
struct CatalogProblem {
    int line = 0;
    std::string reason;
};

// A message catalog held in memory: texts keyed by language id and message id, read from
// a UTF-8 text file that a translator edits (format in docs/catalog.md):
//
//     # comment
//     [1033]
//     11.42 = Orvane - %1
//     11.6  = "Port No "
//
// Every text gets the CR LF that message-table texts end with, so the lookup's rule of
// dropping the last two characters holds for every entry.
class CatalogFile {
public:
    // Larger files are refused: a catalog is a few kilobytes, anything near this size is
    // not a catalog and is not worth holding in memory.
    static constexpr std::size_t kMaxFileSize = std::size_t{16} * 1024 * 1024;

    // 0 when the file was read (its problems, if any, are in Problems()), -1 when it could
    // not be read or is too large. The previous content is dropped either way.
    [[nodiscard]] int Load(const std::string& path);

    // Replaces the content with the entries of `content`.
    void Parse(std::string_view content);

    // The stored text (ending with CR LF), or nullptr. Language ids must match exactly.
    const std::string* Find(int language, std::uint32_t messageId) const;
    const std::string* Find(int language, int set, int number) const;

    std::size_t Size() const { return texts_.size(); }
    const std::vector<CatalogProblem>& Problems() const { return problems_; }

    // ((set + 256) << 16) | number, computed in 32 bits exactly as the id of a message table.
    static std::uint32_t MessageId(int set, int number);

private:
    void ParseLine(int lineNo, std::string_view line, int& language);
    void AddProblem(int lineNo, std::string reason);

    std::unordered_map<std::uint64_t, std::string> texts_;
    std::vector<CatalogProblem> problems_;
};

} // namespace orvane
