#pragma once

#include <span>
#include <string_view>

namespace orvane::web {

// One file of the web remote, compiled into the program: its path below the server's root
// ("/index.html", "/static/app.js", "/static/icons/power_on.svg") and its bytes.
struct EmbeddedFile {
    std::string_view path;
    std::string_view body;
};

// Every file, in the order the build listed them.
std::span<const EmbeddedFile> EmbeddedFiles();

} // namespace orvane::web
