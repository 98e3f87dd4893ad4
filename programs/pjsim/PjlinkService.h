#pragma once

#include "ProjectorService.h"
#include "StopEvent.h"

#include <string>
#include <string_view>

namespace pjsim {

// The PJLink face of a simulated projector: the same state machine, options and faults as
// our own protocol, spoken so that any PJLink client can use it. Every command line gets
// exactly one answer line; commands it does not know get ERR1. Each exchange is logged as
//   PJLINK <n> <command line> -> <answer line | none>
class PjlinkService {
public:
    // A connection that stays idle this long is closed, as projectors do; clients poll
    // well within it. An idle= option replaces it.
    static constexpr int kIdleMs = 30000;

    explicit PjlinkService(ProjectorService& service);

    // Serves one client on a connected non-blocking socket: greeting, password, commands.
    // Logs "CONNECT <n>" first. Returns when the client closes, stays idle, sends a line longer than a
    // PJLink line can be, fails the password, or the stop is set.
    void Serve(int fd, const StopEvent& stop);

    // The answer line (without CR) to one command line (without CR and digest); empty for a
    // line that is no command and gets no answer. Applies no fault but the refusing one.
    std::string Answer(std::string_view line);

    // "%2ACKN=<MAC>" for a "%2SRCH" datagram of a class 2 projector, else empty.
    std::string SearchAnswer(std::string_view datagram);
    // The projector's made-up hardware address, "02:4F:52:56:00:01" for projector 1.
    std::string Mac() const;

private:
    bool Knows(char cls, const std::string& name) const;
    std::string Value(char cls, const std::string& name, const std::string& param);
    std::string InputList(char cls) const;
    // The answer line as the projector's quirks send it, its end included.
    std::string WithQuirks(std::string_view line, std::string answer) const;
    bool HasInput(std::string_view input) const;
    std::string Log(std::string_view command, std::string_view answer);

    ProjectorService& service_;
    const ProjectorDef& def_;
};

} // namespace pjsim
