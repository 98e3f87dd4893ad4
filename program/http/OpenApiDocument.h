#pragma once

#include <nlohmann/json.hpp>

namespace orvane::http {

// The OpenAPI 3.0 description of the service's HTTP API, as /api/v1/openapi.json serves it.
const nlohmann::json& OpenApiDocument();

} // namespace orvane::http
