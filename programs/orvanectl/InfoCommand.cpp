// orvanectl info: what every projector in use says about itself. PJLink projectors report
// every item the standard lets them tell (class 2 items on class 2 projectors); projectors
// of our own protocol their kind and power.

#include "CtlContext.h"

#include "link/CommandTransport.h"
#include "link/LinkCodes.h"
#include "linkcore/LinkSettings.h"
#include "linkcore/PjlinkInfo.h"
#include "linkcore/PjlinkSettings.h"
#include "model/ModelInfo2.h"
#include "service/ProjectorState.h"

#include <nlohmann/json.hpp>

#include <iostream>
#include <optional>

namespace orvane::ctl {

namespace {

struct SlotInfo {
    int slot = 0; // 1-based
    std::string address;
    int port = 0; // 0 for a serial slot
    bool pjlink = false;
    bool reachable = false;
    std::optional<int> kind;  // our protocol
    std::optional<int> power; // as the projector says it
    linkcore::PjlinkInfo pjlinkInfo;
};

SlotInfo ReadSlot(CommandTransport& transport, int slot, const linkcore::LinkSettings& settings) {
    CModelInfo2& m = transport.Model();
    SlotInfo info;
    info.slot = slot + 1;
    const bool network = m.ConnectMethod[slot] == CModelInfo2::kMethodNetwork;
    info.address = network ? FieldText(m.IPAddress[slot]) : "com" + std::to_string(m.ComNo[slot] + 1LL);
    info.port = network ? m.PortNo[slot] : 0;
    info.pjlink = IsPjlinkSlot(m, slot, linkcore::PjlinkSettings::FromProfile(settings.Profile()));
    if (info.pjlink) {
        info.reachable =
            linkcore::ReadPjlinkInfo(m.IPAddress[slot], info.port, m.Password[slot], settings, info.pjlinkInfo);
        info.power = info.pjlinkInfo.power;
        return info;
    }
    ReplyBuffer reply{};
    const int result = transport.SendToSlot(slot, kActionGet, kTypeKind, 0, reply.data());
    info.reachable = result != kExchangeOpenFailed;
    if (result == kExchangeOk && reply[0] == kReplyData)
        info.kind = ReplyValue(reply.data());
    if (info.reachable) {
        const std::uint16_t state = transport.QueryPowerState(slot);
        if (state != kPowerUnknown)
            info.power = state;
    }
    return info;
}

std::string PowerText(const SlotInfo& s) {
    if (!s.power)
        return "?";
    switch (*s.power) {
    case 0:
        return "off";
    case 1:
        return "on";
    case 2:
        return s.pjlink ? "cooling down" : "between states";
    case 3:
        return "warming up";
    default:
        return std::to_string(*s.power);
    }
}

const char* LevelText(int level) {
    return level == 0 ? "ok" : level == 1 ? "warning" : "error";
}

void PrintText(const SlotInfo& s) {
    const std::string where = s.port != 0 ? s.address + ":" + std::to_string(s.port) : s.address;
    const linkcore::PjlinkInfo& p = s.pjlinkInfo;
    std::cout << "Projector " << s.slot << " (" << where << "): ";
    if (!s.pjlink) {
        std::cout << "Orvane protocol";
    } else {
        std::cout << "PJLink" << (p.pjlinkClass != 0 ? " class " + std::to_string(p.pjlinkClass) : std::string());
    }
    if (!s.reachable) {
        std::cout << ", not reachable\n";
        return;
    }
    std::cout << '\n';
    auto item = [](const std::string& label, const std::string& value) {
        std::cout << "  " << label << std::string(label.size() < 14 ? 14 - label.size() : 1, ' ') << value << '\n';
    };
    auto text = [](const std::optional<std::string>& v) { return v ? *v : std::string("?"); };
    if (!s.pjlink) {
        item("kind:", s.kind ? std::to_string(*s.kind) : "?");
        item("power:", PowerText(s));
        return;
    }
    item("name:", text(p.name));
    item("manufacturer:", text(p.manufacturer));
    item("product:", text(p.product));
    item("other:", text(p.other));
    item("power:", PowerText(s));
    item("input:", text(p.input));
    item("av mute:", text(p.avmute));
    if (!p.lamps) {
        item("lamps:", "?");
    } else if (p.lamps->empty()) {
        item("lamps:", "none");
    } else {
        for (std::size_t i = 0; i < p.lamps->size(); ++i) {
            const linkcore::PjlinkLamp& lamp = (*p.lamps)[i];
            item("lamp " + std::to_string(i + 1) + ":",
                 std::to_string(lamp.hours) + " hours, " + (lamp.on ? "on" : "off"));
        }
    }
    std::string errors = "?";
    if (p.errors) {
        errors.clear();
        for (std::size_t i = 0; i < p.errors->size(); ++i) {
            errors += std::string(i == 0 ? "" : ", ") + linkcore::PjlinkInfo::kErrorItems[i] + " " +
                      LevelText((*p.errors)[i]);
        }
    }
    item("errors:", errors);
    std::string inputs = "?";
    if (p.inputs) {
        inputs.clear();
        for (const linkcore::PjlinkInput& input : *p.inputs)
            inputs += (inputs.empty() ? "" : ", ") + input.code + (input.name ? " " + *input.name : std::string());
    }
    item("inputs:", inputs);
    if (p.pjlinkClass != 2)
        return;
    auto number = [](const std::optional<int>& v) { return v ? std::to_string(*v) : std::string("?"); };
    item("serial:", text(p.serial));
    item("software:", text(p.software));
    item("input signal:", text(p.inputResolution));
    item("recommended:", text(p.recommendedResolution));
    item("filter hours:", number(p.filterHours));
    item("lamp model:", text(p.lampModel));
    item("filter model:", text(p.filterModel));
    item("freeze:", p.freeze ? (*p.freeze ? "on" : "off") : "?");
}

nlohmann::json Json(const SlotInfo& s) {
    auto optional = [](const auto& v) { return v ? nlohmann::json(*v) : nlohmann::json(nullptr); };
    nlohmann::json j = {{"slot", s.slot},           {"address", s.address},
                        {"port", s.port},           {"protocol", s.pjlink ? "pjlink" : "orvane"},
                        {"reachable", s.reachable}, {"power", optional(s.power)}};
    if (!s.pjlink) {
        j["kind"] = optional(s.kind);
        return j;
    }
    j["input"] = optional(s.pjlinkInfo.input);
    service::WritePjlinkItems(s.pjlinkInfo, j);
    return j;
}

int RunInfo(const std::string& configName, bool json) {
    return WithTransport(configName, [json](CommandTransport& transport) {
        const linkcore::LinkSettings settings = linkcore::LinkSettings::Load();
        bool allReachable = true;
        nlohmann::json out = {{"projectors", nlohmann::json::array()}};
        for (int slot = 0; slot < transport.SlotsInUse(); ++slot) {
            const SlotInfo info = ReadSlot(transport, slot, settings);
            allReachable = allReachable && info.reachable;
            if (json) {
                out["projectors"].push_back(Json(info));
            } else {
                PrintText(info);
            }
        }
        if (json)
            std::cout << out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << std::endl;
        std::cout.flush();
        return allReachable ? kExitOk : kExitFailed;
    });
}

} // namespace

void AddInfoCommand(CLI::App& app, CtlContext& ctx) {
    struct Args {
        std::string config;
        bool json = false;
    };
    auto a = std::make_shared<Args>();
    auto* info = app.add_subcommand("info", "What every projector in use says about itself (name, lamps, errors "
                                            "for PJLink projectors; kind and power for the others)");
    info->add_option("--config", a->config,
                     "Use the per-model file MODEL.txt of the program directory instead of ./Orvane.txt")
        ->type_name("MODEL");
    info->add_flag("--json", a->json, "As a JSON object");
    info->callback([&ctx, a] { ctx.run = [a] { return RunInfo(a->config, a->json); }; });
}

} // namespace orvane::ctl
