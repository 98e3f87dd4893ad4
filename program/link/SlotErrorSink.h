#pragma once

#include <string>

namespace orvane {

// Message-box styles of a slot error: the error icon for failures, plain OK for the
// information that a projector is between on and off.
inline constexpr int kMbIconHand = 0x10;
inline constexpr int kMbOk = 0;

// Where a failing projector is reported. The main window shows a modal message box, captioned
// with the application title; orvanectl prints the message on standard error.
class ISlotErrorSink {
public:
    virtual ~ISlotErrorSink() = default;

    // slot is 0-based, number the catalog message of set 2201, style kMbIconHand or kMbOk;
    // message is the complete text: the catalog text followed by "(com1)" or "(192.168.1.10)".
    // Returns the message box's result, which no caller looks at.
    virtual int ShowSlotError(int slot, int number, int style, const std::string& message) = 0;
};

} // namespace orvane
