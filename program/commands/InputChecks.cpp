#include "commands/InputChecks.h"

#include <cstring>
#include <string_view>

namespace orvane {

std::vector<ButtonCheck> UncheckAllRows(std::span<const InputRow> table) {
    std::vector<ButtonCheck> checks;
    checks.reserve(table.size());
    for (const InputRow& row : table)
        checks.push_back({row.commandId, 0});
    return checks;
}

int FindInputIndex(const CModelInfo2& model, std::uint16_t code) {
    for (int i = 0; i < CModelInfo2::kInputCapacity; ++i) {
        if (model.InputCode[i] == static_cast<std::int32_t>(code))
            return i;
    }
    return -1;
}

std::vector<ButtonCheck> InputChecksForCode(const CModelInfo2& model, std::span<const InputRow> table,
                                            std::uint16_t code) {
    std::vector<ButtonCheck> checks;
    const int index = FindInputIndex(model, code);
    if (index < 0)
        return checks;
    const std::string name = FieldText(model.InputName[index]);
    for (std::int32_t id : DistinctInputCommands(table)) {
        int check = 0;
        for (const InputRow& row : table) {
            if (row.commandId == id && SameInputName(row.name, name)) {
                check = 1;
                break;
            }
        }
        checks.push_back({id, check});
    }
    return checks;
}

} // namespace orvane
