#include "adjust/AdjustLink.h"

#include "adjust/AdjustItems.h"

#include "linkcore/Frame.h"
#include "linkcore/PjtInterface.h"

#include <cstring>
#include <openssl/crypto.h>

namespace adjust {

namespace {

constexpr std::size_t kReplyBytes = 128;

void CopyText(char (&field)[64], const char* text) {
    std::memset(field, 0, sizeof field);
    std::memcpy(field, text, strnlen(text, sizeof field - 1));
}

// An open link to one projector, closed when it goes out of scope.
class Session {
public:
    explicit Session(const SlotConnection& c) : connection_(c) {}
    ~Session() { link_.Close(&link_); }

    bool Open() {
        SlotConnection c = connection_;
        link_.CopyData(c.method, c.comNo, c.port, c.ip, c.password);
        OPENSSL_cleanse(c.password, sizeof c.password);
        open_ = link_.Open(&link_) != 0;
        return open_;
    }

    bool IsOpen() const { return open_; }

    // One request; false when no valid answer came.
    bool Send(std::uint16_t action, std::uint16_t type, std::uint16_t setting, unsigned char* reply) {
        std::memset(reply, 0, kReplyBytes);
        return open_ && link_.Send(action, type, setting, reply, &link_) != 0;
    }

    // A get as an item value.
    ItemValue Get(std::uint16_t type) {
        ItemValue v{type, ValueState::NoAnswer, 0};
        unsigned char reply[kReplyBytes];
        if (!Send(linkcore::kActionGet, type, 0, reply))
            return v;
        if (reply[0] == linkcore::kReplyData) {
            v.state = ValueState::Ok;
            v.value = FromWire(linkcore::GetLe16(reply + 1));
        } else if (reply[0] == linkcore::kReplyNak) {
            v.state = ValueState::Refused;
        }
        return v;
    }

    void Close() {
        link_.Close(&link_);
        open_ = false;
    }

private:
    SlotConnection connection_;
    CPjtInterface link_;
    bool open_ = false;
};

} // namespace

SlotConnection SlotConnection::FromModel(const orvane::CModelInfo2& model, int slot) {
    SlotConnection c;
    if (slot < 0 || slot >= orvane::CModelInfo2::kSlots)
        return c;
    c.method = model.ConnectMethod[slot];
    c.comNo = model.ComNo[slot];
    c.port = model.PortNo[slot];
    CopyText(c.ip, model.IPAddress[slot]);
    CopyText(c.password, model.Password[slot]);
    return c;
}

std::string SlotConnection::Address() const {
    if (method == orvane::CModelInfo2::kMethodNetwork)
        return orvane::FieldText(ip);
    return "com" + std::to_string(static_cast<long long>(comNo) + 1);
}

bool ReadValues(const SlotConnection& connection, const std::vector<std::uint16_t>& types,
                std::vector<ItemValue>& values) {
    values.clear();
    for (std::uint16_t type : types)
        values.push_back({type, ValueState::NoAnswer, 0});
    Session session(connection);
    if (!session.Open())
        return false;
    for (ItemValue& value : values) {
        if (!session.IsOpen()) {
            session.Close();
            if (!session.Open())
                break;
        }
        value = session.Get(value.type);
        if (value.state == ValueState::NoAnswer)
            session.Close();
    }
    return true;
}

SetOutcome SendSet(const SlotConnection& connection, std::uint16_t type, int value) {
    SetOutcome outcome;
    outcome.type = type;
    outcome.value = value;
    Session session(connection);
    if (!session.Open()) {
        outcome.unreachable = true;
        return outcome;
    }
    unsigned char reply[kReplyBytes];
    if (!session.Send(linkcore::kActionSet, type, ToWire(value), reply))
        return outcome;
    if (reply[0] == linkcore::kReplyAck) {
        outcome.state = ValueState::Ok;
        return outcome;
    }
    outcome.state = ValueState::Refused;
    const ItemValue kept = session.Get(type);
    if (kept.state == ValueState::Ok) {
        outcome.actualKnown = true;
        outcome.actual = kept.value;
    }
    return outcome;
}

} // namespace adjust
