// orvanectl search: the finder's search from a shell. Our discovery probe and the PJLink
// search go to one address, and every answer that comes within the listening time is listed.

#include "CtlContext.h"

#include "finder/DiscoveryMessage.h"
#include "finder/FinderSettings.h"
#include "finder/PjlinkSearch.h"
#include "finder/UdpSocket.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <poll.h>
#include <random>

namespace orvane::ctl {

namespace {

struct Found {
    std::string address;
    std::string protocol; // "orvane" or "pjlink"
    std::string name;
    std::string mac; // PJLink only
};

std::string Dotted(const std::uint8_t (&addr)[4]) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", addr[0], addr[1], addr[2], addr[3]);
    return text;
}

void TakeProbeAnswers(finder::UdpSocket& socket, std::uint64_t id, std::vector<Found>& out) {
    std::string datagram;
    std::uint8_t sender[4] = {};
    while (socket.Receive(datagram, sender, finder::kMaxDatagram)) {
        finder::DiscoveryAnswer answer;
        if (!finder::ParseAnswer(datagram, id, answer))
            continue;
        Found found{Dotted(answer.hasAddr ? answer.addr : sender), "orvane", answer.name, ""};
        bool known = false;
        for (const Found& f : out)
            known = known || (f.address == found.address && f.protocol == found.protocol && f.name == found.name);
        if (!known)
            out.push_back(std::move(found));
    }
}

int RunSearch(std::string address, int seconds, bool json) {
    const finder::FinderSettings settings = finder::FinderSettings::Load();
    if (address.empty()) {
        if (!settings.valid) {
            PrintError("Finder.conf names no IPv4 address to search");
            return kExitUsage;
        }
        address = settings.address;
    }
    const int listenMs = seconds > 0 ? seconds * 1000 : settings.listenMs;

    finder::UdpSocket probe;
    const std::uint64_t id = std::random_device{}() | (static_cast<std::uint64_t>(std::random_device{}()) << 32);
    if (int error = probe.Open();
        error != 0 || (error = probe.SendTo(address, settings.port, finder::FormatProbe(id))) != 0) {
        PrintError("cannot send the search to " + address + ": " + finder::UdpSocket::ErrorText(error));
        return error == EINVAL ? kExitUsage : kExitFailed;
    }
    finder::PjlinkSearch pjlink(settings.pjlinkPort);
    const bool searchPjlink = settings.pjlinkSearch && pjlink.Open() == 0 && pjlink.Send(address) == 0;

    std::vector<Found> found;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(listenMs);
    for (auto now = std::chrono::steady_clock::now(); now < end; now = std::chrono::steady_clock::now()) {
        pollfd fds[2] = {{probe.Fd(), POLLIN, 0}, {searchPjlink ? pjlink.Fd() : -1, POLLIN, 0}};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now).count();
        if (poll(fds, 2, static_cast<int>(left) + 1) <= 0)
            continue;
        TakeProbeAnswers(probe, id, found);
        if (searchPjlink)
            pjlink.Receive();
    }
    if (searchPjlink) {
        pjlink.Finish();
        for (const finder::FoundProjector& p : pjlink.TakeFinished()) {
            // The finder's second text is "PJLink <MAC>".
            const std::size_t space = p.info.find(' ');
            found.push_back(
                {Dotted(p.addr), "pjlink", p.name, space == std::string::npos ? "" : p.info.substr(space + 1)});
        }
    }

    if (json) {
        nlohmann::json out = nlohmann::json::array();
        for (const Found& f : found) {
            out.push_back({{"address", f.address},
                           {"protocol", f.protocol},
                           {"name", f.name},
                           {"mac", f.mac.empty() ? nlohmann::json(nullptr) : nlohmann::json(f.mac)}});
        }
        std::cout << out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << std::endl;
        return kExitOk;
    }
    for (const Found& f : found) {
        std::cout << f.address << ' ' << f.protocol << ' ' << (f.name.empty() ? "-" : f.name) << ' '
                  << (f.mac.empty() ? "-" : f.mac) << '\n';
    }
    std::cout.flush();
    return kExitOk;
}

} // namespace

void AddSearchCommand(CLI::App& app, CtlContext& ctx) {
    struct Args {
        std::string address;
        int seconds = 0;
        bool json = false;
    };
    auto a = std::make_shared<Args>();
    auto* search = app.add_subcommand("search", "Search the network for projectors, ours and PJLink class 2, as the "
                                                "discovery dialog does; one line each: address protocol name MAC");
    search->add_option("--address", a->address, "IPv4 address to search (default: the probe address of Finder.conf)")
        ->type_name("A");
    search->add_option("--seconds", a->seconds, "How long to listen for answers (default: Finder.conf's ListenMs)")
        ->type_name("S")
        ->check(CLI::Range(1, 60));
    search->add_flag("--json", a->json, "As a JSON array of {address, protocol, name, mac}");
    search->callback([&ctx, a] { ctx.run = [a] { return RunSearch(a->address, a->seconds, a->json); }; });
}

} // namespace orvane::ctl
