#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace orvane {

// What a command's handler does with the projectors.
enum class CommandRole {
    PowerOn,  // power-on rule per slot, then (1, 0x6000, 1)
    PowerOff, // power-off rule per slot, then (1, 0x6000, 0)
    Send,     // a send to all of (action, type, setting)
    Input,    // an input-source send to all; the setting may depend on the model
    Mute,     // a send to all without suspending the poller
    Volume,   // a send to all, then the volume popup toggles
    FreezeOn, // a send to all with the main window hidden around it
    Window,   // handled by the window alone (configuration, dialogs, tray menu)
    None,     // in the toolbar resources, but without a handler
};

// One window command, as data.
struct CommandEntry {
    int id;
    std::string_view name; // button name, or the first input name of its table rows ("" for none)
    CommandRole role;
    std::uint16_t action;
    std::uint16_t type;
    std::uint16_t setting; // see CommandSetting for the one model-dependent setting
    int message;           // set-2201 message per failing slot; 0 when the command sends nothing
    int tooltip;           // set-11 tooltip message of the button; 0 when it has none
    bool hidePopup;        // hides the volume popup first
    bool suspendPoller;    // suspends the poller around the send and resumes it after
    bool refreshInput;     // refreshes the input buttons before the resume
};

// Every command id the window knows, projector commands first.
std::span<const CommandEntry> AllCommands();

// nullptr for an id that is no command.
const CommandEntry* FindCommand(int commandId);

// The setting sent for the command to a set of model `modelId`: BNC sends 7 to models 1000
// to 1005 inclusive and 4 to all others; every other command's setting is fixed.
std::uint16_t CommandSetting(const CommandEntry& entry, std::int32_t modelId);

// True for the roles that talk to projectors.
bool IsProjectorCommand(const CommandEntry& entry);

} // namespace orvane
