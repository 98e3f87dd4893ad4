#pragma once

#include "commands/InputTables.h"
#include "model/ModelInfo2.h"

#include <cstdint>
#include <span>
#include <vector>

namespace orvane {

// One toolbar update: check (1) or uncheck (0) the button of a command id.
struct ButtonCheck {
    int commandId;
    int check;

    friend bool operator==(const ButtonCheck&, const ButtonCheck&) = default;
};

// An uncheck for the command id of every row of the table, rows sharing an id included:
// what a projector that cannot be reached gets.
std::vector<ButtonCheck> UncheckAllRows(std::span<const InputRow> table);

// The first of the record's 16 input entries whose code is `code` (all 16 are compared,
// whatever InputNum says); -1 when none.
int FindInputIndex(const CModelInfo2& model, std::uint16_t code);

// The updates for a projector that reports input code `code`: for each distinct command id
// of the table, a check when any of its rows carries the name of the matching input entry
// (ignoring case), else an uncheck. Empty when the code is not among the record's inputs,
// which leaves the buttons as they are.
std::vector<ButtonCheck> InputChecksForCode(const CModelInfo2& model, std::span<const InputRow> table,
                                            std::uint16_t code);

} // namespace orvane
