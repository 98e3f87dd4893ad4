#include "linkcore/Frame.h"

namespace linkcore {

std::uint16_t Crc16(const unsigned char* data, std::size_t size) {
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= static_cast<std::uint16_t>(data[i] << 8);
        for (int bit = 0; bit < 8; ++bit) {
            crc =
                (crc & 0x8000) ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021) : static_cast<std::uint16_t>(crc << 1);
        }
    }
    return crc;
}

Frame EncodeRequest(const Request& request) {
    Frame frame{};
    frame[0] = kFrameMagic0;
    frame[1] = kFrameMagic1;
    PutLe16(&frame[2], request.action);
    PutLe16(&frame[4], request.type);
    PutLe16(&frame[6], request.setting);
    PutLe16(&frame[8], Crc16(&frame[2], 6));
    return frame;
}

FrameStatus DecodeRequest(const unsigned char* frame, Request& out) {
    if (frame[0] != kFrameMagic0 || frame[1] != kFrameMagic1)
        return FrameStatus::BadMagic;
    out.action = GetLe16(&frame[2]);
    out.type = GetLe16(&frame[4]);
    out.setting = GetLe16(&frame[6]);
    return GetLe16(&frame[8]) == Crc16(&frame[2], 6) ? FrameStatus::Ok : FrameStatus::BadCrc;
}

std::size_t ReplySize(unsigned char code) {
    switch (code) {
    case kReplyAck:
    case kReplyNak:
        return 1;
    case kReplyData:
        return kDataReplySize;
    default:
        return 0;
    }
}

std::size_t EncodeDataReply(std::uint16_t value, unsigned char* out) {
    out[0] = kReplyData;
    PutLe16(out + 1, value);
    return kDataReplySize;
}

} // namespace linkcore
