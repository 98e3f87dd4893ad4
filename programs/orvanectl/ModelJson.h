#pragma once

#include "model/ModelInfo2.h"

#include <nlohmann/json.hpp>

namespace orvane {

// Every field of the record under its own name; arrays at full capacity.
nlohmann::json ModelToJson(const CModelInfo2& model);

} // namespace orvane
