#include "finder/PjlinkSearch.h"

#include "finder/DiscoveryMessage.h"
#include "linkcore/PjlinkConnection.h"
#include "linkcore/PjlinkLine.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace finder {

namespace {

constexpr std::string_view kAckHead = "%2ACKN=";
constexpr std::size_t kMacText = 17; // 00:11:22:33:44:55

bool IsHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::string AddressText(const std::uint8_t (&a)[4]) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", a[0], a[1], a[2], a[3]);
    return text;
}

// The projector's name, or empty when it does not tell it.
std::string AskName(const std::string& address, int port) {
    linkcore::PjlinkConnection session;
    std::string value;
    if (!session.Open(address.c_str(), port, "", linkcore::LinkSettings::Load()) ||
        session.Exchange('1', "NAME", "?", value) != linkcore::PjlinkConnection::Outcome::Answered ||
        linkcore::pjlink::ErrorCode(value) != 0)
        return std::string();
    return std::string(orvane::CutUtf8(value, kNameBytes));
}

bool Ready(const std::future<std::string>& name) {
    return name.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

} // namespace

std::string FormatPjlinkSearch() {
    return linkcore::pjlink::FormatCommand('2', "SRCH", "");
}

bool ParsePjlinkAck(std::string_view datagram, std::string& mac) {
    if (!datagram.empty() && datagram.back() == linkcore::pjlink::kTerminator)
        datagram.remove_suffix(1);
    if (datagram.size() != kAckHead.size() + kMacText || datagram.substr(0, kAckHead.size()) != kAckHead)
        return false;
    std::string text(datagram.substr(kAckHead.size()));
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool colon = i % 3 == 2;
        if (colon ? text[i] != ':' : !IsHex(text[i]))
            return false;
        if (text[i] >= 'a' && text[i] <= 'f')
            text[i] = static_cast<char>(text[i] - 'a' + 'A');
    }
    mac = text;
    return true;
}

PjlinkSearch::~PjlinkSearch() {
    Finish();
}

int PjlinkSearch::Open() {
    lookups_.clear();
    const int error = socket_.Open(port_);
    return error == 0 ? 0 : socket_.Open();
}

int PjlinkSearch::Send(std::string_view address) {
    return socket_.SendTo(address, port_, FormatPjlinkSearch());
}

void PjlinkSearch::Receive() {
    std::string data;
    std::uint8_t sender[4] = {};
    while (socket_.Receive(data, sender, kMaxDatagram + 1)) {
        std::string mac;
        if (!ParsePjlinkAck(data, mac))
            continue;
        FoundProjector p;
        std::copy(std::begin(sender), std::end(sender), p.addr);
        p.info = "PJLink " + mac;
        bool known = false;
        for (const Lookup& l : lookups_)
            known = known || (l.projector.SameAddress(p) && l.projector.info == p.info);
        if (known)
            continue; // the same projector answering the next search datagram
        Lookup& lookup = lookups_.emplace_back();
        lookup.projector = p;
        lookup.name = std::async(std::launch::async, AskName, AddressText(sender), port_);
    }
}

std::vector<FoundProjector> PjlinkSearch::TakeFinished() {
    std::vector<FoundProjector> out;
    for (Lookup& l : lookups_) {
        if (l.taken || !Ready(l.name))
            continue;
        l.projector.name = l.name.get();
        l.taken = true;
        out.push_back(l.projector);
    }
    return out;
}

bool PjlinkSearch::Pending() const {
    for (const Lookup& l : lookups_) {
        if (!l.taken && !Ready(l.name))
            return true;
    }
    return false;
}

void PjlinkSearch::Finish() {
    socket_.Close();
    for (Lookup& l : lookups_) {
        if (!l.taken)
            l.name.wait();
    }
}

} // namespace finder
