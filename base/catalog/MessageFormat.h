#pragma once

#include "platform/Utf8.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace orvane {

// Expands the inserts of a catalog text the way message tables define them:
//   %1 .. %99      argument n (1-based); "%1!d!"-style format tags are accepted and the
//                  argument's text is used as it is
//   %%  %.  %!     a literal %, . or !
//   %n  %r  %t     CR LF, CR, tab
//   "% "           a blank
//   %0             ends the text here (nothing after it, not even the closing CR LF)
// An insert whose argument was not passed stays as written, and a % followed by anything
// else is kept, so a stray percent sign in a translation never eats text.
//
// Expansion stops once the result holds `limit` bytes: the result is then the first
// `limit` bytes of the full expansion. A caller that keeps only a prefix thereby never
// builds a text of hundreds of megabytes from a long text full of inserts.
std::string FormatCatalogMessage(std::string_view text, std::span<const std::string> args,
                                 std::size_t limit = SIZE_MAX);

} // namespace orvane
