#pragma once

// The link as its callers see it: one slot's connection data, then Open, Send (and SendBulk)
// and Close. CPjtInterface carries it over TCP or a serial line; a test may put an in-process
// projector behind it instead. The calls and their results are CPjtInterface's (see there).
class IProjectorLink {
public:
    virtual ~IProjectorLink() = default;

    virtual void CopyData(int method, int comPort, int tcpPort, char* ipAddress, char* password) = 0;
    [[nodiscard]] virtual int Open(IProjectorLink* peer) = 0;
    [[nodiscard]] virtual int Send(unsigned short action, unsigned short type, unsigned short setting,
                                   unsigned char* reply, IProjectorLink* peer) = 0;
    [[nodiscard]] virtual int SendBulk(const unsigned char* data, unsigned int size, unsigned char* reply,
                                       IProjectorLink* peer) = 0;
    virtual int Close(IProjectorLink* peer) = 0;
};
