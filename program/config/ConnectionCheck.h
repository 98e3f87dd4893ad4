#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvane {

// Outcome of the connection page's check before OK, in the order the checks run.
enum class ConnectionCheck {
    Ok,
    NoProjectors, // refused without a message
    NoAddress,    // (2201, 9): the IP control has a blank field
    NoPort,       // (2201, 8): the port box is empty
    BadPort,      // (2201, 85): the port box is not a decimal number
};

// Catalog number (set 2201) of the message for a failed check; 0 for none.
int ConnectionCheckMessage(ConnectionCheck check);

// The check reads what the controls show, not the stored rows. The address and port are
// only looked at when the network method is chosen.
ConnectionCheck CheckConnectionFields(int pjtNum, bool network, int filledAddressFields, std::string_view portText);

// True when the whole text reads as one base-10 number: leading blanks and a sign are
// accepted, nothing may follow the digits.
bool IsWholeDecimalNumber(std::string_view text);

// The port number of a port box text as atoi reads it: 0 when it does not begin with one.
int32_t PortNumberOf(std::string_view text);

// Strict dotted IPv4 ("192.168.0.5"); false for anything else, `out` then untouched.
bool ParseDottedIPv4(std::string_view text, uint8_t (&out)[4]);

std::string FormatDottedIPv4(const uint8_t (&bytes)[4]);

} // namespace orvane
