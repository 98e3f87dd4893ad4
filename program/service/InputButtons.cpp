#include "service/InputButtons.h"

#include "adjust/AdjustItems.h"
#include "commands/InputTables.h"
#include "mainwnd/ButtonArt.h"
#include "mainwnd/ToolbarLayout.h"
#include "service/RoomCommands.h"

#include <cstring>

namespace orvane::service {

nlohmann::json ToolbarInputButtons(const CModelInfo2& model) {
    const auto table = InputTableForModel(model.ModelID);
    nlohmann::json buttons = nlohmann::json::array();
    // The names are those ToolbarInputs chose, so both lists always pair up.
    for (const std::string& name : ToolbarInputs(model)) {
        const int id = FindInputCommand(table, name);
        const ButtonArt art = ButtonArtFor(id);
        buttons.push_back({{"input", name}, {"tip", ToolbarTipText(id, model)}, {"icon", art.icon}, {"tag", art.tag}});
    }
    return buttons;
}

nlohmann::json VolumeRange(const CModelInfo2& model) {
    int min = 0;
    int max = 0;
    if (!adjust::ParseRange(model.Volume, min, max) || max <= min)
        return nullptr;
    return nlohmann::json::array({min, max});
}

} // namespace orvane::service
