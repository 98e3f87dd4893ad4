#include "http/OpenApiDocument.h"

namespace orvane::http {

namespace {
// Kept as the document itself, so that it reads as what a client sees.
constexpr const char* kDocument = R"json({
  "openapi": "3.0.3",
  "info": {
    "title": "Orvane service",
    "version": "1",
    "description": "Every room's projectors: state, commands, live events and metrics."
  },
  "security": [{"bearer": []}, {"session": []}],
  "paths": {
    "/healthz": {
      "get": {
        "summary": "Liveness check",
        "security": [],
        "responses": {"200": {"description": "The service runs", "content": {"text/plain": {"schema": {"type": "string"}}}}}
      }
    },
    "/api/v1/rooms": {
      "get": {
        "summary": "Every room with its projectors",
        "responses": {
          "200": {"description": "The rooms", "content": {"application/json": {"schema": {"type": "object",
            "properties": {"rooms": {"type": "array", "items": {"$ref": "#/components/schemas/Room"}}}}}}},
          "401": {"$ref": "#/components/responses/Unauthorized"},
          "429": {"$ref": "#/components/responses/Throttled"}
        }
      }
    },
    "/api/v1/rooms/{id}": {
      "get": {
        "summary": "One room",
        "parameters": [{"$ref": "#/components/parameters/RoomId"}],
        "responses": {
          "200": {"description": "The room", "content": {"application/json": {"schema": {"$ref": "#/components/schemas/Room"}}}},
          "401": {"$ref": "#/components/responses/Unauthorized"},
          "404": {"$ref": "#/components/responses/Error"},
          "429": {"$ref": "#/components/responses/Throttled"}
        }
      }
    },
    "/api/v1/rooms/{id}/commands": {
      "post": {
        "summary": "Run a command on every projector of a room",
        "parameters": [{"$ref": "#/components/parameters/RoomId"}],
        "requestBody": {"required": true, "content": {"application/json": {"schema": {"$ref": "#/components/schemas/Command"}}}},
        "responses": {
          "200": {"description": "Every projector accepted", "content": {"application/json": {"schema": {"$ref": "#/components/schemas/CommandAnswer"}}}},
          "400": {"$ref": "#/components/responses/Error"},
          "401": {"$ref": "#/components/responses/Unauthorized"},
          "403": {"$ref": "#/components/responses/Error"},
          "404": {"$ref": "#/components/responses/Error"},
          "413": {"$ref": "#/components/responses/Error"},
          "415": {"$ref": "#/components/responses/Error"},
          "429": {"$ref": "#/components/responses/Throttled"},
          "502": {"description": "At least one projector failed", "content": {"application/json": {"schema": {"$ref": "#/components/schemas/CommandAnswer"}}}}
        }
      }
    },
    "/api/v1/events": {
      "get": {
        "summary": "Server-sent events: the state of every projector, then every change and command answer",
        "responses": {
          "200": {"description": "An endless event stream", "content": {"text/event-stream": {"schema": {"type": "string"}}}},
          "401": {"$ref": "#/components/responses/Unauthorized"},
          "429": {"$ref": "#/components/responses/Throttled"}
        }
      }
    },
    "/api/v1/session": {
      "post": {
        "summary": "Trade a bearer token for a session cookie (HttpOnly, SameSite=Strict)",
        "security": [{"bearer": []}],
        "responses": {
          "200": {"description": "The session is open", "headers": {"Set-Cookie": {"schema": {"type": "string"}}},
            "content": {"application/json": {"schema": {"type": "object", "properties": {"name": {"type": "string"}, "scope": {"type": "string", "enum": ["read", "control"]}}}}}},
          "401": {"$ref": "#/components/responses/Unauthorized"},
          "429": {"$ref": "#/components/responses/Throttled"}
        }
      }
    },
    "/metrics": {
      "get": {
        "summary": "Prometheus metrics",
        "responses": {
          "200": {"description": "Metrics in the Prometheus text format", "content": {"text/plain": {"schema": {"type": "string"}}}},
          "401": {"$ref": "#/components/responses/Unauthorized"},
          "429": {"$ref": "#/components/responses/Throttled"}
        }
      }
    },
    "/api/v1/openapi.json": {
      "get": {
        "summary": "This document",
        "responses": {
          "200": {"description": "The OpenAPI document", "content": {"application/json": {"schema": {"type": "object"}}}},
          "401": {"$ref": "#/components/responses/Unauthorized"},
          "429": {"$ref": "#/components/responses/Throttled"}
        }
      }
    }
  },
  "components": {
    "securitySchemes": {
      "bearer": {"type": "http", "scheme": "bearer"},
      "session": {"type": "apiKey", "in": "cookie", "name": "orvane_session"}
    },
    "parameters": {
      "RoomId": {"name": "id", "in": "path", "required": true, "description": "The room file's name without .txt", "schema": {"type": "string"}}
    },
    "responses": {
      "Error": {"description": "The request was refused", "content": {"application/json": {"schema": {"$ref": "#/components/schemas/Error"}}}},
      "Unauthorized": {"description": "No token, or an unknown one", "headers": {"WWW-Authenticate": {"schema": {"type": "string"}}},
        "content": {"application/json": {"schema": {"$ref": "#/components/schemas/Error"}}}},
      "Throttled": {"description": "Too many wrong tokens from this address within a minute", "headers": {"Retry-After": {"schema": {"type": "integer"}}},
        "content": {"application/json": {"schema": {"$ref": "#/components/schemas/Error"}}}}
    },
    "schemas": {
      "Error": {"type": "object", "required": ["error"], "properties": {"error": {"type": "string"}}},
      "Command": {
        "type": "object", "required": ["command"],
        "properties": {
          "command": {"type": "string", "enum": ["power_on", "power_off", "blank_on", "blank_off", "mute", "unmute",
            "volume_up", "volume_down", "freeze_on", "freeze_off", "input", "adjust"]},
          "input": {"type": "string", "description": "For input: the input's name"},
          "name": {"type": "string", "description": "For adjust: the adjustment"},
          "value": {"description": "For adjust: its value", "oneOf": [{"type": "string"}, {"type": "integer"}]},
          "slot": {"type": "integer", "minimum": 1, "maximum": 5},
          "lang": {"type": "string", "description": "The messages' language: en or zh (the service's own without it)"}
        }
      },
      "CommandAnswer": {
        "type": "object",
        "properties": {
          "command": {"type": "string"},
          "ok": {"type": "boolean"},
          "results": {"type": "array", "items": {"type": "object", "properties": {
            "slot": {"type": "integer"}, "ok": {"type": "boolean"}, "message": {"type": "string", "nullable": true}}}}
        }
      },
      "Room": {
        "type": "object",
        "properties": {
          "id": {"type": "string"},
          "model": {"type": "string"},
          "reported_slot": {"type": "integer"},
          "inputs": {"type": "array", "items": {"type": "string"}},
          "commands": {"type": "array", "items": {"type": "string"}},
          "input_buttons": {"type": "array", "items": {"type": "object", "properties": {
            "input": {"type": "string"}, "tip": {"type": "string"}, "icon": {"type": "string"},
            "tag": {"type": "string"}}}},
          "volume_range": {"type": "array", "items": {"type": "integer"}, "minItems": 2, "maxItems": 2,
            "nullable": true},
          "projectors": {"type": "array", "items": {"$ref": "#/components/schemas/Projector"}}
        }
      },
      "Projector": {
        "type": "object",
        "properties": {
          "slot": {"type": "integer", "minimum": 1, "maximum": 5},
          "address": {"type": "string"},
          "protocol": {"type": "string", "enum": ["orvane", "pjlink"]},
          "reachable": {"type": "boolean"},
          "power": {"type": "string", "enum": ["off", "on", "transition"], "nullable": true},
          "input": {"type": "string", "nullable": true},
          "volume": {"type": "number", "nullable": true},
          "name": {"type": "string", "nullable": true},
          "lamps": {"type": "array", "nullable": true, "items": {"type": "object", "properties": {"hours": {"type": "integer"}, "on": {"type": "boolean"}}}},
          "errors": {"type": "object", "nullable": true, "additionalProperties": {"type": "integer", "enum": [0, 1, 2]}},
          "class": {"type": "integer", "enum": [1, 2], "nullable": true},
          "manufacturer": {"type": "string", "nullable": true},
          "product": {"type": "string", "nullable": true},
          "other": {"type": "string", "nullable": true},
          "avmute": {"type": "string", "nullable": true, "description": "PJLink's two characters, e.g. 31"},
          "inputs": {"type": "array", "nullable": true, "items": {"type": "object", "properties": {"code": {"type": "string"}, "name": {"type": "string", "nullable": true}}}},
          "serial": {"type": "string", "nullable": true},
          "software": {"type": "string", "nullable": true},
          "input_resolution": {"type": "string", "nullable": true},
          "recommended_resolution": {"type": "string", "nullable": true},
          "filter_hours": {"type": "integer", "nullable": true},
          "lamp_model": {"type": "string", "nullable": true},
          "filter_model": {"type": "string", "nullable": true},
          "freeze": {"type": "boolean", "nullable": true},
          "last_seen": {"type": "string", "format": "date-time", "nullable": true},
          "last_error": {"type": "string", "nullable": true}
        }
      }
    }
  }
})json";
} // namespace

const nlohmann::json& OpenApiDocument() {
    static const nlohmann::json document = nlohmann::json::parse(kDocument, nullptr, false);
    return document;
}

} // namespace orvane::http
