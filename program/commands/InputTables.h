#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace orvane {

// One row of an input-button table: an input name, the button's position within the
// toolbar's input group, and the command id the button sends. Several names may share a
// position and a command id.
struct InputRow {
    std::string_view name;
    std::int32_t position;
    std::int32_t commandId;
};

// The three input layouts; the model id alone picks one.
enum class InputLayout { Default, Wide, Compact };

// 500: Wide; 223..227, 501, 24714, 24722, 24723, 24729, 24731, 41041: Compact; else Default.
InputLayout InputLayoutForModel(std::int32_t modelId);

// InputTableDefault (35 rows), InputTableWide (7) or InputTableCompact (15).
std::span<const InputRow> InputTable(InputLayout layout);
std::span<const InputRow> InputTableForModel(std::int32_t modelId);

// Buttons in the toolbar's input group of a layout: 29, 7 or 15.
int InputButtonCount(InputLayout layout);

// Input names are compared without regard to (ASCII) case.
bool SameInputName(std::string_view a, std::string_view b);

// The command id of the first row named `name`, ignoring case; 0 when no row has it.
std::int32_t FindInputCommand(std::span<const InputRow> table, std::string_view name);

// The table's command ids, each once, in the order of their first row.
std::vector<std::int32_t> DistinctInputCommands(std::span<const InputRow> table);

} // namespace orvane
