#pragma once

#include "model/ModelInfo2.h"

#include <nlohmann/json.hpp>

namespace orvane::service {

// What a remote needs to draw a room's toolbar as the toolbar draws it, beyond the command
// names: the input buttons in toolbar order, each
//   {"input": the name an input command takes, "tip": the button's tooltip (its label or
//    its name), "icon": the glyph of res/icons, "tag": the short text drawn under it}
// one for each name of ToolbarInputs, in the same order.
nlohmann::json ToolbarInputButtons(const CModelInfo2& model);

// The model's volume range as [min, max], or null when it has none.
nlohmann::json VolumeRange(const CModelInfo2& model);

} // namespace orvane::service
