#include "picpush/ImageTransfer.h"

#include "linkcore/BulkFrame.h"
#include "linkcore/Frame.h"
#include "linkcore/PjtInterface.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace picpush {

namespace {

constexpr int kMethodTcp = 1;

using Reply = std::array<unsigned char, 128>;

enum class Answer { Ack, Nak, None };

Answer Request(CPjtInterface& link, std::uint16_t type, std::uint16_t setting) {
    Reply reply{};
    if (link.Send(linkcore::kActionSet, type, setting, reply.data(), &link) == 0)
        return Answer::None;
    return reply[0] == linkcore::kReplyAck ? Answer::Ack : Answer::Nak;
}

// What a request that was not acknowledged makes of the transfer.
SendResult Failure(Answer answer) {
    return answer == Answer::Nak ? SendResult::Refused : SendResult::NoAnswer;
}

SendResult Transfer(CPjtInterface& link, std::span<const unsigned char> image, const SendOptions& options,
                    const std::atomic<bool>& cancel, const ProgressFn& progress) {
    // A projector that does not know images skips the bulk frames as noise; it may also stay
    // silent on the begin request, which therefore tells "no images" apart.
    if (Answer begun = Request(link, linkcore::kTypeImageBegin, 0); begun != Answer::Ack)
        return Failure(begun);
    const std::size_t chunk = std::clamp<std::size_t>(options.chunkSize, 1, linkcore::kMaxBulkPayload);
    std::size_t sent = 0;
    while (sent < image.size()) {
        if (cancel.load())
            return SendResult::Cancelled;
        const auto size = static_cast<unsigned>(std::min(chunk, image.size() - sent));
        Reply reply{};
        if (link.SendBulk(image.data() + sent, size, reply.data(), &link) == 0)
            return SendResult::NoAnswer;
        if (reply[0] != linkcore::kReplyAck)
            return SendResult::Refused;
        sent += size;
        if (progress)
            progress(sent, image.size());
    }
    if (Answer ended = Request(link, linkcore::kTypeImageEnd, 0); ended != Answer::Ack)
        return Failure(ended);
    if (options.show && Request(link, linkcore::kTypeImageShow, 1) != Answer::Ack)
        return SendResult::NotShown;
    return SendResult::Sent;
}

void CopyField(char (&field)[64], const std::string& text) {
    std::memset(field, 0, sizeof field);
    std::memcpy(field, text.data(), std::min(text.size(), sizeof field - 1));
}

} // namespace

const char* ResultName(SendResult result) {
    switch (result) {
    case SendResult::Sent:
        return "sent";
    case SendResult::Refused:
        return "refused";
    case SendResult::NoAnswer:
        return "no answer";
    case SendResult::Cancelled:
        return "cancelled";
    case SendResult::NotShown:
        return "not shown";
    }
    return "?";
}

SendResult SendImage(const ImageTarget& target, std::span<const unsigned char> image, const SendOptions& options,
                     const std::atomic<bool>& cancel, const ProgressFn& progress) {
    if (cancel.load())
        return SendResult::Cancelled;
    if (image.empty())
        return SendResult::Refused;
    char ip[64];
    char password[64];
    CopyField(ip, target.ipAddress);
    CopyField(password, target.password);
    CPjtInterface link;
    link.CopyData(kMethodTcp, 0, target.tcpPort, ip, password);
    std::memset(password, 0, sizeof password);
    if (link.Open(&link) == 0)
        return SendResult::NoAnswer;
    const SendResult result = Transfer(link, image, options, cancel, progress);
    // Closing mid-image tells the projector to drop what it has of it.
    link.Close(&link);
    return result;
}

} // namespace picpush
