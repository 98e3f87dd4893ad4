#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orvane {

// The application name that captions every message box: the application title (catalog
// text (11, 47)) cut to at most kAppNameSize - 1 bytes, never inside a character.
inline constexpr std::size_t kAppNameSize = 128;
inline constexpr int kAppTitleNumber = 47;

std::string CutAppName(std::string_view title);

// The application object hands over the name it made at start-up; an empty name takes it
// back. Safe from any thread.
void SetAppName(std::string name);

// The name handed over, or, before any was (dialogs run on their own, tests), the name
// made from the catalog as it is now: "No Message Catalog" without one.
std::string AppName();

} // namespace orvane
