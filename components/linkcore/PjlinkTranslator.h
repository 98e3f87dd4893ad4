#pragma once

#include "linkcore/Frame.h"
#include "linkcore/PjlinkLine.h"
#include "linkcore/PjlinkSettings.h"
#include "linkcore/Session.h"

#include <string_view>

namespace linkcore {

// Carries one request of ours to a PJLink projector and builds the reply our own protocol
// would have given, so that the link's callers need not know which protocol a slot speaks:
//
//   (2, 0x1007, 0) kind          %1CLSS ?          data 1 for either class
//   (1, 0x6000, 0/1) power       %1POWR 0/1
//   (2, 0x6000, 0)               %1POWR ?          0 off, 1 on, 2 cooling down or warming up
//   (1, 0x2000, code) input      %1INPT nn         nn from the input map; %2 for inputs of class 2
//   (2, 0x2000, 0)               %1INPT ?          data: our code for the input
//   (1, 0x3020, 0/1) blank       %1AVMT 10/11
//   (1, 0x2002, 0/1) mute        %1AVMT 20/21
//   (2, 0x3020 or 0x2002, 0)     %1AVMT ?          11 and 31 blank; 21 and 31 mute
//   (1, 0x3002, 0/1) freeze      %2FREZ 0/1        class 2 projectors only
//   (2, 0x3002, 0)               %2FREZ ?          class 2 projectors only
//   (4/5, 0x2001, 0) volume      %2SVOL 1/0        class 2 projectors only
//
// "Class 2 only": a projector whose %1CLSS ? answers 1 is refused without sending; one
// that answers with an error is sent the command all the same. The class is asked only when
// the session does not know it yet.
//
// "OK" becomes 06 and ERR1-ERR4 become 15. Anything else (the volume level, adjustments,
// image requests, a setting out of range, an input without a PJLink input) is refused with
// 15 without sending. An answer that cannot answer the command fails the request, and the
// connection with it.
//
// The translation does no I/O: it says which command to exchange next and, given each
// answer, what follows. PjlinkSession runs it.
class PjlinkTranslation {
public:
    struct Step {
        enum class Kind {
            Send, // exchange `command`, then call Next with its answer
            Done, // `result` is the reply
            Fail, // the answer was no answer to the command: the request fails, the stream is out of step
        };
        Kind kind = Kind::Fail;
        pjlink::Command command;
        RequestResult result;
    };

    PjlinkTranslation(const PjlinkSettings& settings, const Request& request)
        : settings_(settings), request_(request) {}

    // The first step; `knownClass` is the projector's class if the session knows it, else 0.
    Step Start(int knownClass);
    // The step after the answer (the text after '=') to the last Send.
    Step Next(std::string_view value);
    // The class the translation asked for and got (1 or 2), 0 when it asked none or got none.
    int LearnedClass() const { return learnedClass_; }

private:
    Step Begin();
    Step Decide(int cls);

    const PjlinkSettings& settings_;
    Request request_;
    bool askingClass_ = false;
    int learnedClass_ = 0;
};

// 1 or 2 for a class answer, 0 for anything else.
int PjlinkClassOf(std::string_view value);

} // namespace linkcore
