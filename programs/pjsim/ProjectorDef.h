#pragma once

#include "SimProjector.h"

#include <string>
#include <string_view>

namespace pjsim {

enum class Fault {
    None,
    Nak,     // refuses every request
    Silent,  // accepts the connection and never answers, not even the hello
    Drop,    // closes the connection right after the hello (on a serial line: no answer)
    Garbage, // answers requests with random bytes that are no reply
    Slow,    // answers every request only after slowMs
    Err4,    // PJLink only: answers ERR4 (projector failure) to every command
};

// Habits of real PJLink projectors that pjsim can play, in its answers only (the greeting
// stays as the standard has it).
enum Quirk : unsigned {
    kQuirkLf = 1u << 0,     // answers end with LF instead of CR
    kQuirkPrompt = 1u << 1, // "> " in front of every answer
    kQuirkLower = 1u << 2,  // answers in lower case
    kQuirkNul = 1u << 3,    // NUL bytes in front of every answer
    kQuirkEcho = 1u << 4,   // every command line is echoed before its answer
    // Off or in transition, the input and mute queries get ERR3 ("not now"): the projector
    // has no picture to tell of.
    kQuirkStandby = 1u << 5,
};

inline constexpr int kDefaultIdleMs = 10000;
inline constexpr int kNoLamp = -1;

enum class Protocol {
    Orvane, // our own protocol
    Pjlink, // PJLink, on TCP only
};

// Where a class 2 PJLink projector sends its notifications.
enum class NotifyMode {
    LastController, // as a projector does: to port 4352 of the controller that last connected
    To,             // to notify=HOST:PORT
    Off,            // notify=off: none at all
};

// One --projector argument: where the projector listens and how it behaves.
struct ProjectorDef {
    bool serial = false;
    std::string host; // IPv4 dotted text
    int port = 0;     // 0: any free port
    std::string password;
    std::string name;
    Fault fault = Fault::None;
    int slowMs = 0;
    // false: the projector knows no images; bulk frames are noise and image requests unknown.
    bool images = true;
    // A TCP client that sends nothing for this long is let go, so that clients that connect
    // and never speak cannot take every connection; 0 keeps them for ever.
    int idleMs = kDefaultIdleMs;
    SimSettings sim;

    Protocol protocol = Protocol::Orvane;
    // PJLink only: its class, the lamp's hours and the six error status digits. The input
    // option names a PJLink input ("31"), kept in sim.input as the two characters' codes.
    int pjlinkClass = 1;
    int lampHours = 1200; // kNoLamp: a projector without a lamp, whose lamp query gets ERR1
    unsigned quirks = 0;  // Quirk bits
    // A PJLink client idle this long is let go (0: never); idle= sets it as it sets idleMs.
    int pjlinkIdleMs = 30000;
    std::string errorStatus = "000000";
    NotifyMode notify = NotifyMode::LastController;
    std::string notifyHost;
    int notifyPort = 0;
};

// Parses "HOST:PORT" or "serial", then comma-separated options
// (password=, kind=, power=off|on|transit, warm=, input=, volume=, volmax=,
// fault=nak|silent|drop|garbage|slow:MS, name=, images=0|1, idle=MS, refuse=TYPE+TYPE, values=TYPE:V+TYPE:V,
// protocol=orvane|pjlink, and for PJLink class=1|2, lamp=HOURS|none, error=DIGITS, fault=err4,
// quirks=lf+prompt+lower+nul+echo+standby, notify=HOST:PORT|off). False with a message in `error`.
bool ParseProjectorDef(std::string_view text, ProjectorDef& out, std::string& error);

// One --fleet argument, "N,OPTIONS": N projectors on consecutive loopback ports, each with
// the options of a TCP --projector definition. False with a message in `error`.
inline constexpr int kMaxFleetSize = 5000;
struct FleetDef {
    int count = 0;
    ProjectorDef def;
};
bool ParseFleetDef(std::string_view text, FleetDef& out, std::string& error);

// A PJLink input ("3A") as the state machine keeps it, and back.
std::uint16_t EncodePjlinkInput(std::string_view input);
std::string DecodePjlinkInput(std::uint16_t value);

} // namespace pjsim
