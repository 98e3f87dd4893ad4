#include "PjlinkService.h"

#include "linkcore/Auth.h"
#include "linkcore/FdIo.h"
#include "linkcore/PjlinkLine.h"
#include "linkcore/PjlinkSettings.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <netinet/in.h>
#include <openssl/crypto.h>
#include <poll.h>
#include <random>
#include <sys/socket.h>
#include <unistd.h>

namespace pjsim {

namespace {

using linkcore::pjlink::kDigestSize;

constexpr int kWriteTimeoutMs = 1000;

// Clients keep a connection and poll on it every 20 s or so.
static_assert(PjlinkService::kIdleMs >= 30000);

// The inputs every simulated PJLink projector has, with the names INNM gives them.
struct SimInput {
    const char* input;
    const char* name;
};
constexpr SimInput kInputs[] = {
    {"11", "Computer 1"}, {"12", "Computer 2"}, {"13", "Component"}, {"14", "BNC"},    {"21", "Video"},
    {"22", "S-Video"},    {"23", "Video 2"},    {"31", "HDMI 1"},    {"32", "HDMI 2"}, {"33", "HDMI 3"},
    {"34", "HDMI 4"},     {"35", "DVI-D"},      {"36", "HDBaseT"},   {"37", "SDI"},    {"38", "DisplayPort"},
    {"41", "USB type A"}, {"42", "USB type B"}, {"51", "LAN"},
};

const char* InputName(std::string_view input) {
    for (const SimInput& in : kInputs) {
        if (input == in.input)
            return in.name;
    }
    return nullptr;
}

bool WriteText(int fd, const std::string& text) {
    linkcore::Deadline deadline(kWriteTimeoutMs);
    return linkcore::WriteAll(fd, reinterpret_cast<const unsigned char*>(text.data()), text.size(), deadline, true) ==
           linkcore::IoResult::Ok;
}

std::string RandomText() {
    unsigned char bytes[linkcore::kChallengeSize];
    if (!linkcore::RandomChallenge(bytes))
        return std::string();
    char text[linkcore::pjlink::kRandomSize + 1];
    std::snprintf(text, sizeof text, "%02x%02x%02x%02x", bytes[0], bytes[1], bytes[2], bytes[3]);
    return text;
}

// Bytes that no client can take for an answer: no '%' or 'P' in front, no CR or LF inside.
std::string Garbage() {
    thread_local std::mt19937 rng{std::random_device{}()};
    std::uniform_int_distribution<int> length(1, 8);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string out;
    for (int n = length(rng); static_cast<int>(out.size()) < n;) {
        const char c = static_cast<char>(byte(rng));
        if (c == '\r' || c == '\n' || (out.empty() && (c == '%' || c == 'P')))
            continue;
        out += c;
    }
    return out + linkcore::pjlink::kTerminator;
}

} // namespace

PjlinkService::PjlinkService(ProjectorService& service) : service_(service), def_(service.Def()) {}

std::string PjlinkService::Mac() const {
    char text[32];
    std::snprintf(text, sizeof text, "02:4F:52:56:%02X:%02X", (service_.Index() >> 8) & 0xFF, service_.Index() & 0xFF);
    return text;
}

std::string PjlinkService::SearchAnswer(std::string_view datagram) {
    if (!datagram.empty() && datagram.back() == linkcore::pjlink::kTerminator)
        datagram.remove_suffix(1);
    if (def_.pjlinkClass != 2 || datagram != "%2SRCH")
        return std::string();
    std::string answer = linkcore::pjlink::FormatAnswer('2', "ACKN", Mac());
    Log(datagram, answer.substr(0, answer.size() - 1));
    return answer;
}

std::string PjlinkService::Log(std::string_view command, std::string_view answer) {
    service_.Log().WriteLine("PJLINK " + std::to_string(service_.Index()) + " " + std::string(command) + " -> " +
                             std::string(answer.empty() ? "none" : answer));
    return std::string(answer);
}

bool PjlinkService::HasInput(std::string_view input) const {
    return InputName(input) != nullptr || input == DecodePjlinkInput(def_.sim.input);
}

std::string PjlinkService::InputList(char cls) const {
    // A class 1 command selects only the inputs numbered 1-9; class 2 lists every input.
    auto listed = [cls](std::string_view input) { return cls == '2' || !linkcore::PjlinkSettings::NeedsClass2(input); };
    std::string list;
    for (const SimInput& in : kInputs)
        list += std::string(list.empty() ? "" : " ") + in.input;
    const std::string own = DecodePjlinkInput(def_.sim.input);
    if (InputName(own) == nullptr && listed(own))
        list += " " + own;
    return list;
}

std::string PjlinkService::WithQuirks(std::string_view line, std::string answer) const {
    const unsigned quirks = def_.quirks;
    if ((quirks & kQuirkLower) != 0) {
        for (char& c : answer)
            c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    const char end = (quirks & kQuirkLf) != 0 ? '\n' : linkcore::pjlink::kTerminator;
    std::string out;
    if ((quirks & kQuirkEcho) != 0)
        out += std::string(line) + end;
    if ((quirks & kQuirkNul) != 0)
        out += std::string(2, '\0');
    if ((quirks & kQuirkPrompt) != 0)
        out += "> ";
    return out + answer + end;
}

std::string PjlinkService::Answer(std::string_view line) {
    linkcore::pjlink::Command command;
    bool broken = false;
    if (!linkcore::pjlink::ParseCommand(line, command)) {
        // A line with a command's head but a broken rest is still that command's to answer.
        if (line.size() < 6 || !linkcore::pjlink::ParseCommand(line.substr(0, 6), command))
            return std::string();
        broken = true;
    }
    const std::string value = def_.fault == Fault::Err4           ? "ERR4"
                              : !Knows(command.cls, command.name) ? "ERR1"
                              : broken                            ? "ERR2"
                                                                  : Value(command.cls, command.name, command.param);
    std::string answer = linkcore::pjlink::FormatAnswer(command.cls, command.name, value);
    answer.pop_back(); // the CR
    return answer;
}

bool PjlinkService::Knows(char cls, const std::string& name) const {
    auto among = [&name](std::initializer_list<const char*> names) {
        for (const char* n : names) {
            if (name == n)
                return true;
        }
        return false;
    };
    const bool class1Command =
        among({"POWR", "INPT", "AVMT", "ERST", "LAMP", "INST", "NAME", "INF1", "INF2", "INFO", "CLSS"});
    const bool class2Command = among({"SNUM", "SVER", "INNM", "IRES", "RRES", "FILT", "RLMP", "RFIL", "SVOL", "FREZ"});
    // A class 2 projector also takes the class 1 commands with a class 2 head.
    if (cls == '2')
        return def_.pjlinkClass == 2 && (class1Command || class2Command);
    return class1Command;
}

std::string PjlinkService::Value(char cls, const std::string& name, const std::string& param) {
    using linkcore::Request;
    const bool query = param == "?";
    SimProjector& sim = service_.Sim();
    auto get = [&sim](std::uint16_t type) { return sim.Handle(Request{linkcore::kActionGet, type, 0}).value; };
    auto set = [&sim](std::uint16_t action, std::uint16_t type, std::uint16_t setting) {
        // The state machine refuses only what the projector's state does not allow now.
        return sim.Handle(Request{action, type, setting}).kind == SimReply::Kind::Ack ? "OK" : "ERR3";
    };
    if (def_.fault == Fault::Nak)
        return "ERR3";
    if ((def_.quirks & kQuirkStandby) != 0 && query && (name == "INPT" || name == "AVMT") &&
        sim.PowerState(SimProjector::Clock::now()) != kPowerOn)
        return "ERR3";

    if (name == "POWR") {
        if (query) {
            const std::uint16_t state = sim.PowerState(SimProjector::Clock::now());
            if (state == kPowerTransit)
                return sim.TargetOn() ? "3" : "2";
            return state == kPowerOn ? "1" : "0";
        }
        if (param != "0" && param != "1")
            return "ERR2";
        return set(linkcore::kActionSet, kTypePower, param == "1" ? 1 : 0);
    }
    if (name == "INPT") {
        if (query)
            return DecodePjlinkInput(get(kTypeInput));
        if (!HasInput(param) || (cls == '1' && linkcore::PjlinkSettings::NeedsClass2(param)))
            return "ERR2";
        return set(linkcore::kActionSet, kTypeInput, EncodePjlinkInput(param));
    }
    if (name == "AVMT") {
        if (query) {
            const bool blank = get(kTypeBlank) != 0;
            const bool mute = get(kTypeMute) != 0;
            return blank && mute ? "31" : blank ? "11" : mute ? "21" : "30";
        }
        if (param.size() != 2 || param[0] < '1' || param[0] > '3' || (param[1] != '0' && param[1] != '1'))
            return "ERR2";
        const std::uint16_t on = param[1] == '1' ? 1 : 0;
        if (param[0] == '1')
            return set(linkcore::kActionSet, kTypeBlank, on);
        if (param[0] == '2')
            return set(linkcore::kActionSet, kTypeMute, on);
        const std::string blank = set(linkcore::kActionSet, kTypeBlank, on);
        return blank == "OK" ? set(linkcore::kActionSet, kTypeMute, on) : blank;
    }
    if (name == "FREZ") {
        if (query)
            return std::to_string(get(kTypeFreeze));
        if (param != "0" && param != "1")
            return "ERR2";
        return set(linkcore::kActionSet, kTypeFreeze, param == "1" ? 1 : 0);
    }
    if (name == "SVOL") {
        if (param != "0" && param != "1")
            return "ERR2";
        return set(param == "1" ? linkcore::kActionIncrement : linkcore::kActionDecrement, kTypeVolume, 0);
    }
    if (name == "INNM") {
        // "?31": the name of input 31.
        const std::string input = param.size() == 3 && param[0] == '?' ? param.substr(1) : std::string();
        if (!HasInput(input))
            return "ERR2";
        const char* inputName = InputName(input);
        return inputName != nullptr ? inputName : "Input " + input;
    }
    // Everything else is a query only.
    if (!query)
        return "ERR2";
    if (name == "ERST")
        return def_.errorStatus;
    if (name == "LAMP") {
        if (def_.lampHours == kNoLamp)
            return "ERR1";
        const std::uint16_t state = sim.PowerState(SimProjector::Clock::now());
        return std::to_string(def_.lampHours) + (state == kPowerOn || sim.TargetOn() ? " 1" : " 0");
    }
    if (name == "INST")
        return InputList(cls);
    if (name == "NAME")
        return def_.name.empty() ? "pjsim " + std::to_string(service_.Index()) : def_.name;
    if (name == "INF1")
        return "ORVANE";
    if (name == "INF2")
        return "pjsim";
    if (name == "INFO")
        return "simulated projector";
    if (name == "CLSS")
        return std::to_string(def_.pjlinkClass);
    if (name == "SNUM") {
        char serial[16];
        std::snprintf(serial, sizeof serial, "PJSIM%04d", service_.Index());
        return serial;
    }
    if (name == "SVER")
        return "1.0";
    if (name == "IRES" || name == "RRES")
        return "1920x1080";
    if (name == "FILT")
        return "350";
    if (name == "RLMP")
        return "LMP-200";
    return "FLT-100"; // RFIL
}

void PjlinkService::Serve(int fd, const StopEvent& stop) {
    // Clients that keep one connection are told apart from those that open one per command.
    service_.Log().WriteLine("CONNECT " + std::to_string(service_.Index()));
    sockaddr_in peer{};
    socklen_t peerLen = sizeof peer;
    char peerText[INET_ADDRSTRLEN] = {};
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerLen) == 0 && peer.sin_family == AF_INET &&
        inet_ntop(AF_INET, &peer.sin_addr, peerText, sizeof peerText) != nullptr)
        service_.SetLastController(peerText);
    const bool silent = def_.fault == Fault::Silent;
    const int idleMs = def_.pjlinkIdleMs == 0 ? -1 : def_.pjlinkIdleMs;
    std::string random;
    if (!silent) {
        linkcore::pjlink::Greeting greeting;
        if (!def_.password.empty()) {
            greeting.auth = true;
            greeting.random = random = RandomText();
            if (random.empty())
                return;
        }
        if (!WriteText(fd, linkcore::pjlink::FormatGreeting(greeting)) || def_.fault == Fault::Drop)
            return;
    }
    bool needDigest = !random.empty();
    linkcore::pjlink::LineReader reader;
    char buffer[512];
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {stop.Fd(), POLLIN, 0}};
        const int rc = poll(fds, 2, idleMs);
        if (rc < 0 && errno == EINTR)
            continue;
        if (rc <= 0 || fds[1].revents != 0)
            return;
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n == 0)
            return;
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)
                continue;
            return;
        }
        reader.Feed(buffer, static_cast<std::size_t>(n));
        std::string line;
        while (reader.Next(line)) {
            if (needDigest) {
                needDigest = false;
                const std::string expected = linkcore::pjlink::AuthDigest(random, def_.password);
                const bool good =
                    line.size() > kDigestSize && CRYPTO_memcmp(line.data(), expected.data(), kDigestSize) == 0;
                if (!good) {
                    Log(line.size() > kDigestSize ? line.substr(kDigestSize) : line, linkcore::pjlink::kAuthError);
                    WriteText(fd, std::string(linkcore::pjlink::kAuthError) + linkcore::pjlink::kTerminator);
                    return;
                }
                line.erase(0, kDigestSize);
            }
            std::string answer = Answer(line);
            if (silent || def_.fault == Fault::Garbage) {
                Log(line, "");
                if (silent)
                    continue;
                answer = Garbage();
            } else {
                Log(line, answer);
                if (answer.empty())
                    continue;
                answer = WithQuirks(line, std::move(answer));
            }
            if (service_.ReplyDelayMs() > 0 && !stop.Sleep(service_.ReplyDelayMs()))
                return;
            if (!WriteText(fd, answer))
                return;
        }
        if (reader.Broken())
            return;
    }
}

} // namespace pjsim
