#pragma once

#include "model/ModelInfo2.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace orvane {

// Input labels the channel-label editor offers a box for: the first ten inputs.
inline constexpr int kLabelEditorRows = 10;

// Characters a toolbar label may have at the record's icon size: the button's width
// allows 4 at 24x24 (any value but 1 and 2), 6 at 36x36 (1) and 8 at 48x48 (2).
int LabelLengthForIconSize(int32_t iconSize);

// The label cut to `maxChars` characters and to what the record's label field holds
// (8 bytes), never inside a UTF-8 character.
std::string CutLabel(std::string_view label, int maxChars);

// Number of label rows the editor fills for a record: InputNum, at most ten, never below 0.
int LabelRowCount(const CModelInfo2& model);

} // namespace orvane
