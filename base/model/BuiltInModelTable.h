#pragma once

#include <cstdint>
#include <span>

namespace orvane {

struct BuiltInModelRow {
    const char* name;
    int32_t id;
};

// Models whose catalog entry or configuration file carries no model id get theirs from
// this fixed table, ordered by id.
std::span<const BuiltInModelRow> BuiltInModelTable();

// The id of an exactly matching name (case-sensitive, whole name), 0 for any other name.
// No side effects; safe from any thread.
int32_t LookupBuiltInModelId(const char* name);

} // namespace orvane
