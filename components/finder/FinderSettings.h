#pragma once

#include <string>

namespace finder {

// Where the probe goes and how long the finder listens, from the settings file beside
// the program:
//
//   [Probe]
//   Address=255.255.255.255   ; IPv4 address the probe is sent to
//   Port=9716
//   ListenMs=3000             ; how long one search listens for answers
//
// Missing keys keep their defaults. Tests and demonstrations point Address at 127.0.0.1.
struct FinderSettings {
    static constexpr const char* kFileName = "Finder.conf";
    static constexpr int kMinListenMs = 100;
    static constexpr int kMaxListenMs = 60000;

    std::string address = "255.255.255.255";
    int port = 9716;
    int listenMs = 3000;
    // False when the file names an address that is no IPv4 address: the finder then
    // sends nothing rather than guess where the operator meant the probe to go.
    bool valid = true;

    // The PJLink search, sent to the same address beside our probe:
    //   [PJLink]
    //   Search=1     ; 0 turns it off
    //   Port=4352    ; UDP port of the search and TCP port of the name query
    bool pjlinkSearch = true;
    int pjlinkPort = 4352;

    // Reads the file in the program's directory.
    static FinderSettings Load();
    static FinderSettings LoadFrom(const std::string& path);
};

} // namespace finder
