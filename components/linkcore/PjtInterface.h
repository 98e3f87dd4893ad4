#pragma once

#include "linkcore/ProjectorLink.h"

#include <memory>
#include <string_view>

namespace linkcore {
class LinkSession;
class Session;
} // namespace linkcore

// The projector link: carries one request to one projector over TCP or an RS-232C line and
// hands back its reply. One exchange is CopyData, Open and, only if Open succeeded, Send
// and Close. Two instances may run exchanges on two threads at once.
//
// A network slot on a PJLink port (4352, or one that LinkCore.conf names) speaks PJLink
// instead of our own protocol; Send translates the requests, so callers see no difference.
// Either protocol is a session (LinkSession, PjlinkSession) that this class runs over its
// blocking descriptor. A PJLink connection is not closed by Close but kept in the process's
// PjlinkPool, so that the exchanges of a status, an info or a poll round share one
// connection and one password check; Open takes it back, or connects when none is fit for
// use (idle 20 s or more, closed by the projector). `[PJLink] KeepConnection=0` in
// LinkCore.conf closes each one after its exchange instead. A request on a kept connection
// that the projector closed just then is sent once more on a new one.
class CPjtInterface final : public IProjectorLink {
public:
    CPjtInterface();
    ~CPjtInterface() override;
    CPjtInterface(const CPjtInterface&) = delete;
    CPjtInterface& operator=(const CPjtInterface&) = delete;

    // method 1 = TCP, anything else = RS-232C; comPort is 0-based (0 = COM1). The two text
    // arguments point into 64-byte fields and are copied (at most 63 characters); a null
    // pointer counts as empty.
    void CopyData(int method, int comPort, int tcpPort, char* ipAddress, char* password) override;

    // Connects (and authenticates) or opens the serial port. 0 = failure, nonzero = open.
    // The peer is accepted for the callers' sake and not used.
    [[nodiscard]] int Open(IProjectorLink* peer) override;

    // Sends (action, type, setting) and waits for the answer within the reply time-out.
    // On an answer the reply bytes are copied to reply[0..] (6 accepted, 0x15 refused, or
    // 0x1D with a 16-bit little-endian value in bytes 1 and 2) and the result is nonzero;
    // no, a cut-off or an unknown answer gives 0 and leaves reply untouched. After such a
    // failure a TCP connection is out of step: later Sends give 0 until it is opened again.
    [[nodiscard]] int Send(unsigned short action, unsigned short type, unsigned short setting, unsigned char* reply,
                           IProjectorLink* peer) override;

    // Sends one bulk frame carrying data[0..size) (1 to 1 MiB) on an open TCP session and waits
    // for its answer within the reply time-out, as Send does: nonzero with reply[0] 6 (taken)
    // or 0x15 (refused); 0 on a serial line, on a size out of range, or without an answer.
    [[nodiscard]] int SendBulk(const unsigned char* data, unsigned int size, unsigned char* reply,
                               IProjectorLink* peer) override;

    // Ends the connection. Nonzero if one was open.
    int Close(IProjectorLink* peer) override;

private:
    static constexpr int kFieldSize = 64;

    [[nodiscard]] int Run(unsigned char* reply);
    void CloseDescriptor();
    std::string_view Password() const;

    int method_ = 0;
    int comPort_ = 0;
    int tcpPort_ = 0;
    char ipAddress_[kFieldSize] = {};
    char password_[kFieldSize] = {};

    int fd_ = -1;
    bool isSocket_ = false;
    bool open_ = false;
    std::unique_ptr<linkcore::Session> session_;
    // PJLink: the connection goes to the pool at Close; it came from the pool at Open.
    bool keep_ = false;
    bool reused_ = false;
    // The session when it speaks our own protocol, which alone carries bulk frames.
    linkcore::LinkSession* linkSession_ = nullptr;
};
