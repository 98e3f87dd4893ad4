#pragma once

#include "support/PjsimProcess.h"
#include "support/SessionPeer.h"
#include "support/TempDir.h"

#include "linkcore/ProjectorLink.h"
#include "linkcore/Session.h"

#include <memory>
#include <string>
#include <vector>

namespace pjsim {
class ProjectorService;
class PjlinkService;
class RequestLog;
} // namespace pjsim

namespace orvane::test {

// Projectors played in-process by the simulator's own state machine and faults, reached
// through link sessions fed in memory: what pjsim does, without a process, a socket or a
// wait. Time passes on each connection's own clock, so a time-out costs nothing. The request
// log has pjsim's format, so the same helpers read it.
//
//   FakeProjectors sim({PjsimProcess::Tcp("power=on"), PjsimProcess::Serial("kind=3")});
//   FakeLink link(sim);   // an IProjectorLink for the transport
//   ... slot with ConnectMethod 1 and PortNo sim.Port(1), or ConnectMethod 0 and ComNo sim.ComNo(2)
class FakeProjectors {
public:
    explicit FakeProjectors(const std::vector<std::string>& defs);
    ~FakeProjectors();
    FakeProjectors(const FakeProjectors&) = delete;
    FakeProjectors& operator=(const FakeProjectors&) = delete;

    bool Ready() const { return error_.empty(); }
    const std::string& Error() const { return error_; }

    // Projectors are numbered from 1. A TCP projector answers on a port number of its own
    // that nothing listens on; a serial one on a COM number of its own; 0 and -1 otherwise.
    int Port(int n) const;
    int ComNo(int n) const;
    // The projector a slot's data reach, or 0.
    int Find(int method, int comNo, int port) const;

    std::vector<std::string> RequestLines() const;
    std::vector<PjsimRequest> Requests() const;

    // The projector's side of one connection.
    class Connection;
    struct ConnectionEnd {
        void operator()(Connection* connection) const;
    };
    using ConnectionPtr = std::unique_ptr<Connection, ConnectionEnd>;

    // Plays projector n on a session just made for it: Begin, the connect (for TCP), and the
    // greeting and password until the session no longer waits.
    ConnectionPtr Open(int n, linkcore::Session& session, SessionPeer& peer);
    // Carries what the session sends to the projector and its answers back, until the
    // session no longer waits. A wait for an answer that does not come ends at the session's
    // deadline at once.
    void Serve(Connection& connection, linkcore::Session& session, SessionPeer& peer);

private:
    struct Projector;

    TempDir dir_;
    std::string logPath_;
    std::unique_ptr<pjsim::RequestLog> log_;
    std::vector<std::unique_ptr<Projector>> projectors_;
    std::string error_;
};

// The link a transport takes, reaching FakeProjectors instead of the network: CopyData, Open,
// Send and Close as CPjtInterface does them, each connection a session in memory. Bulk frames
// are not played (SendBulk gives 0).
class FakeLink final : public IProjectorLink {
public:
    explicit FakeLink(FakeProjectors& projectors) : projectors_(projectors) {}
    ~FakeLink() override;

    void CopyData(int method, int comPort, int tcpPort, char* ipAddress, char* password) override;
    int Open(IProjectorLink* peer) override;
    int Send(unsigned short action, unsigned short type, unsigned short setting, unsigned char* reply,
             IProjectorLink* peer) override;
    int SendBulk(const unsigned char* data, unsigned int size, unsigned char* reply, IProjectorLink* peer) override;
    int Close(IProjectorLink* peer) override;

private:
    FakeProjectors& projectors_;
    int method_ = 0;
    int comPort_ = 0;
    int tcpPort_ = 0;
    std::string password_;
    std::unique_ptr<linkcore::Session> session_;
    std::unique_ptr<SessionPeer> peer_;
    FakeProjectors::ConnectionPtr connection_;
};

} // namespace orvane::test
