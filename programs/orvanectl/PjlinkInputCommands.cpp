// orvanectl's direct PJLink inputs: a projector's own input list ("inputs --projector N") and
// the selection of a PJLink input by its code ("input pjlink:32"), past the model's table.

#include "CtlContext.h"

#include "link/CommandTransport.h"
#include "linkcore/LinkSettings.h"
#include "linkcore/PjlinkInfo.h"
#include "linkcore/PjlinkSettings.h"
#include "model/ModelInfo2.h"

#include <iostream>

namespace orvane::ctl {

namespace {

int SlotsInUse(const CModelInfo2& m) {
    return m.PjtNum < 0 ? 0 : m.PjtNum > 5 ? 5 : m.PjtNum;
}

} // namespace

int RunProjectorInputs(const std::string& configName, int projector) {
    CModelInfo2 m;
    if (int rc = LoadConfiguration(configName, m); rc != 0)
        return rc;
    const int slot = projector - 1;
    const linkcore::LinkSettings settings = linkcore::LinkSettings::Load();
    if (slot < 0 || slot >= SlotsInUse(m)) {
        PrintError("no projector " + std::to_string(projector) + " in use (1 to " + std::to_string(SlotsInUse(m)) +
                   ")");
        return kExitUsage;
    }
    if (!IsPjlinkSlot(m, slot, linkcore::PjlinkSettings::FromProfile(settings.Profile()))) {
        PrintError("projector " + std::to_string(projector) + " does not speak PJLink: its inputs are the model's");
        return kExitUsage;
    }
    std::vector<linkcore::PjlinkInput> inputs;
    if (!linkcore::ReadPjlinkInputs(m.IPAddress[slot], m.PortNo[slot], m.Password[slot], settings, inputs)) {
        PrintError("projector " + std::to_string(projector) + " (" + m.IPAddress[slot] + ") gave no input list");
        return kExitFailed;
    }
    for (const linkcore::PjlinkInput& input : inputs)
        std::cout << input.code << (input.name ? " " + *input.name : std::string()) << '\n';
    std::cout.flush();
    return kExitOk;
}

int RunPjlinkInput(const std::string& configName, const std::string& code) {
    if (!linkcore::PjlinkSettings::IsInput(code)) {
        PrintError("\"" + code + "\" is no PJLink input (type 1-5, then 1-9 or A-Z, e.g. pjlink:32)");
        return kExitUsage;
    }
    CModelInfo2 m;
    if (int rc = LoadConfiguration(configName, m); rc != 0)
        return rc;
    const linkcore::LinkSettings settings = linkcore::LinkSettings::Load();
    const auto pjlink = linkcore::PjlinkSettings::FromProfile(settings.Profile());
    int sent = 0;
    int failed = 0;
    for (int slot = 0; slot < SlotsInUse(m); ++slot) {
        if (!IsPjlinkSlot(m, slot, pjlink))
            continue;
        ++sent;
        std::string answer;
        const std::string where = std::to_string(slot + 1) + " (" + m.IPAddress[slot] + ")";
        if (!linkcore::SelectPjlinkInput(m.IPAddress[slot], m.PortNo[slot], m.Password[slot], settings, code, answer)) {
            PrintError("projector " + where + " did not answer");
            ++failed;
        } else if (answer != "OK") {
            std::string message = "projector " + where;
            message += " refused input " + code;
            message += " (" + answer + ")";
            PrintError(message);
            ++failed;
        }
    }
    if (sent == 0) {
        PrintError("no projector in use speaks PJLink");
        return kExitUsage;
    }
    return failed == 0 ? kExitOk : kExitFailed;
}

} // namespace orvane::ctl
