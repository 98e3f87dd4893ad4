#include "service/RoomCommands.h"

#include "adjust/AdjustItems.h"
#include "catalog/Language.h"
#include "commands/CommandCatalog.h"
#include "commands/CommandIds.h"
#include "commands/InputTables.h"
#include "mainwnd/ToolbarLayout.h"
#include "platform/AsciiCase.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace orvane::service {

namespace {

struct Named {
    const char* name;
    int commandId;
    int volumeStep;
    bool changesPolledState;  // power or volume
    bool changesPictureState; // blank, mute or freeze
};

constexpr Named kCommands[] = {
    {"power_on", kCmdPowerOn, 0, true, false},
    {"power_off", kCmdPowerOff, 0, true, false},
    {"blank_on", kCmdBlankOn, 0, false, true},
    {"blank_off", kCmdBlankOff, 0, false, true},
    {"mute", kCmdMute, 0, false, true},
    // What the Volume button itself sends.
    {"unmute", kCmdVolume, 0, false, true},
    {"volume_up", 0, 1, true, false},
    {"volume_down", 0, -1, true, false},
    {"freeze_on", kCmdFreezeOn, 0, false, true},
    {"freeze_off", kCmdFreezeOff, 0, false, true},
};

// A JSON value as the command line would have typed it.
bool AsText(const nlohmann::json& value, std::string& out) {
    if (value.is_string()) {
        out = value.get<std::string>();
        return true;
    }
    if (value.is_number_integer()) {
        out = std::to_string(value.get<long long>());
        return true;
    }
    return false;
}

std::string Labels(const adjust::ChoiceItem& item) {
    std::string text;
    for (const adjust::ChoiceEntry& e : item.entries)
        text += (text.empty() ? "" : "|") + e.label;
    return text;
}

// The request type and value of NAME VALUE, matched as the command line's adjust matches them.
bool ResolveAdjustment(const CModelInfo2& model, const std::string& name, const std::string& valueText,
                       CommandRequest& out, std::string& error) {
    const adjust::AdjustItems items = adjust::BuildItems(model);
    for (const adjust::RangeItem& r : items.ranges) {
        if (!EqualIgnoringAsciiCase(r.name, name))
            continue;
        int value = 0;
        auto [end, ec] = std::from_chars(valueText.data(), valueText.data() + valueText.size(), value);
        if (valueText.empty() || ec != std::errc() || end != valueText.data() + valueText.size() || value < r.min ||
            value > r.max) {
            error = r.name + " takes a whole number in " + std::to_string(r.min) + ".." + std::to_string(r.max) +
                    ", not \"" + valueText + "\"";
            return false;
        }
        out.adjustType = r.type;
        out.adjustValue = value;
        return true;
    }
    std::vector<adjust::ChoiceItem> lists = items.choices;
    if (!items.myButtons.entries.empty())
        lists.push_back(items.myButtons);
    for (const adjust::ChoiceItem& c : lists) {
        if (!EqualIgnoringAsciiCase(c.name, name))
            continue;
        for (const adjust::ChoiceEntry& e : c.entries) {
            if (EqualIgnoringAsciiCase(e.label, valueText)) {
                out.adjustType = c.type;
                out.adjustValue = e.code;
                return true;
            }
        }
        error = "unknown " + c.name + " \"" + valueText + "\"; valid: " + Labels(c);
        return false;
    }
    error = "model " + model.Name + " has no adjustment \"" + name + "\"";
    return false;
}

// "lang": the catalog language the answer's messages are in, as a page names its own.
bool ParseLanguage(const nlohmann::json& body, int& language, std::string& error) {
    language = 0;
    if (!body.is_object() || !body.contains("lang"))
        return true;
    const nlohmann::json& lang = body["lang"];
    language = lang.is_string() ? CatalogLanguage(lang.get<std::string>()) : 0;
    if (language != 0)
        return true;
    error = "\"lang\" must be \"en\" or \"zh\"";
    return false;
}

bool ParseCommand(const nlohmann::json& body, const CModelInfo2& model, CommandRequest& out, std::string& error) {
    if (!body.is_object() || !body.contains("command") || !body["command"].is_string()) {
        error = "the body must be a JSON object with a \"command\"";
        return false;
    }
    out = CommandRequest{};
    out.command = body["command"].get<std::string>();
    for (const Named& n : kCommands) {
        if (out.command == n.name) {
            out.commandId = n.commandId;
            out.volumeStep = n.volumeStep;
            out.changesPolledState = n.changesPolledState;
            out.changesPictureState = n.changesPictureState;
            return true;
        }
    }
    if (out.command == "input") {
        std::string name;
        if (!body.contains("input") || !AsText(body["input"], name)) {
            error = "input needs \"input\": NAME";
            return false;
        }
        out.changesPolledState = true;
        out.commandId = FindInputCommand(InputTableForModel(model.ModelID), name);
        if (out.commandId == 0) {
            error = "unknown input \"" + name + "\" for model " + model.Name;
            return false;
        }
        return true;
    }
    if (out.command == "adjust") {
        std::string value;
        if (!body.contains("name") || !body["name"].is_string() || !body.contains("value") ||
            !AsText(body["value"], value)) {
            error = "adjust needs \"name\" and \"value\"";
            return false;
        }
        // An adjustment may be the volume.
        out.changesPolledState = true;
        out.adjustName = body["name"].get<std::string>();
        const int slots = ClampCount(model.PjtNum, CModelInfo2::kSlots);
        if (body.contains("slot")) {
            const nlohmann::json& slot = body["slot"];
            if (!slot.is_number_integer() || slot.get<long long>() < 1 || slot.get<long long>() > slots) {
                error = "\"slot\" must name a projector in use, 1.." + std::to_string(slots);
                return false;
            }
            out.adjustSlot = slot.get<int>();
        }
        return ResolveAdjustment(model, out.adjustName, value, out, error);
    }
    error = "unknown command \"" + out.command + "\"";
    return false;
}

} // namespace

bool ParseCommandRequest(const nlohmann::json& body, const CModelInfo2& model, CommandRequest& out,
                         std::string& error) {
    int language = 0;
    if (!ParseLanguage(body, language, error) || !ParseCommand(body, model, out, error))
        return false;
    out.language = language;
    return true;
}

std::vector<std::string> ToolbarCommands(const CModelInfo2& model) {
    std::vector<std::string> names;
    auto add = [&names](const std::string& name) {
        if (std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name);
    };
    for (const ToolbarItem& item : BuildToolbarLayout(model).items) {
        if (item.separator)
            continue;
        if (item.commandId == kCmdVolume) {
            for (const char* name : {"unmute", "volume_up", "volume_down"})
                add(name);
            continue;
        }
        for (const Named& n : kCommands) {
            if (n.commandId != 0 && n.commandId == item.commandId)
                add(n.name);
        }
        const CommandEntry* entry = FindCommand(item.commandId);
        if (entry != nullptr && entry->role == CommandRole::Input)
            add("input");
    }
    const adjust::AdjustItems items = adjust::BuildItems(model);
    if (!items.ranges.empty() || !items.choices.empty() || !items.myButtons.entries.empty())
        add("adjust");
    return names;
}

std::vector<std::string> ToolbarInputs(const CModelInfo2& model) {
    const ToolbarLayout layout = BuildToolbarLayout(model);
    const auto table = InputTableForModel(model.ModelID);
    std::vector<std::string> names;
    // The toolbar puts the shown inputs in the order of the record's list.
    for (int c = 0; c < ClampCount(model.InputNum, CModelInfo2::kInputCapacity); ++c) {
        if (model.InputShow[c] != 1)
            continue;
        const std::string name = FieldText(model.InputName[c]);
        const int id = FindInputCommand(table, name);
        const bool shown = std::any_of(layout.items.begin(), layout.items.end(), [id](const ToolbarItem& item) {
            return !item.separator && item.commandId == id;
        });
        if (id != 0 && shown)
            names.push_back(name);
    }
    return names;
}

bool HasVolumeRange(const CModelInfo2& model) {
    int min = 0;
    int max = 0;
    return adjust::ParseRange(model.Volume, min, max) && max > min;
}

} // namespace orvane::service
