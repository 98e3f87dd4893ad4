#pragma once

#include "Endpoint.h"
#include "StopEvent.h"

#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace pjsim {

// What one simulated projector says about itself when a finder's probe reaches it.
struct DiscoveryEntry {
    std::string name;
    std::string info; // the second text: where the projector listens, "HOST:PORT"
    std::string host; // the address a finder should connect to
};

// The discovery responder (docs/protocol.md, "Discovery"): a UDP socket that answers every
// well-formed probe with one datagram per simulated network projector, sent back to the
// probe's source. Anything else it receives is ignored.
class DiscoveryResponder : public Endpoint {
public:
    DiscoveryResponder(std::string host, int port, std::vector<DiscoveryEntry> entries, const StopEvent& stop);
    ~DiscoveryResponder() override;

    bool Start(std::string& error) override;
    std::string Address() const override;
    void Join() override;

    // "HOST:PORT" with an IPv4 host ("localhost" reads as 127.0.0.1) and a port 0..65535.
    static bool ParseHostPort(std::string_view text, std::string& host, int& port, std::string& error);
    // The probe's search id as written (1 to 16 hex digits); false for anything else.
    static bool ParseProbe(std::string_view datagram, std::string& id);
    static std::string FormatAnswer(std::string_view id, const DiscoveryEntry& entry);

private:
    void Loop();

    std::string host_;
    int port_;
    std::vector<DiscoveryEntry> entries_;
    const StopEvent& stop_;
    int fd_ = -1;
    std::thread thread_;
};

} // namespace pjsim
