#pragma once

#include "model/ModelInfo2.h"

#include <cstdint>
#include <string>
#include <vector>

// The adjustment component's own talk with one projector, through the projector link. It
// uses a link object of its own, so it may run beside the program's commands.
namespace adjust {

// How one projector slot is reached: copied out of the record, so that a send on another
// thread never reads the record.
struct SlotConnection {
    int method = 0; // 1 network, else RS-232C
    int comNo = 0;
    int port = 0;
    char ip[64] = {};
    char password[64] = {};

    static SlotConnection FromModel(const orvane::CModelInfo2& model, int slot);
    // "127.0.0.1" or "com1", as the program names a projector in its messages.
    std::string Address() const;
};

enum class ValueState {
    Ok,       // the projector answered with a value
    Refused,  // the projector refused the request (it lacks the item)
    NoAnswer, // no valid answer (or the projector could not be reached)
};

struct ItemValue {
    std::uint16_t type = 0;
    ValueState state = ValueState::NoAnswer;
    int value = 0; // signed, when Ok
};

// Reads every type's current value over one connection (several requests on it, one after
// another). When a request gets no answer, the connection is opened again for the next one,
// so that a late answer is never taken for the next request's. Returns false, with every
// value NoAnswer, when the projector cannot be reached at all.
[[nodiscard]] bool ReadValues(const SlotConnection& connection, const std::vector<std::uint16_t>& types,
                              std::vector<ItemValue>& values);

// The outcome of one set.
struct [[nodiscard]] SetOutcome {
    std::uint16_t type = 0;
    int value = 0;                           // what was sent
    ValueState state = ValueState::NoAnswer; // Ok: accepted
    bool unreachable = false;                // the connection could not be opened
    // After a refusal the projector's value, read on the same connection.
    bool actualKnown = false;
    int actual = 0;
};

// Sends (1, type, value) on a connection of its own; after a refusal reads the value the
// projector kept.
SetOutcome SendSet(const SlotConnection& connection, std::uint16_t type, int value);

} // namespace adjust
