#pragma once

#include "linkcore/FdIo.h"
#include "linkcore/Session.h"

namespace linkcore {

// Runs a session over a non-blocking descriptor the blocking way: writes its output and reads
// what it asks for, waiting in poll() no longer than the session's deadline, until the
// session no longer waits on the other side (Ready or Finished). The session decides every
// time-out; the runner only reads the clock for it. Sockets are written with sendmsg (no
// SIGPIPE), other descriptors (serial lines) with write().
void RunSession(Session& session, int fd, bool isSocket);

// Writes all of the session's output, waiting for the descriptor to take more no longer than
// the session's deadline (without one, as long as it takes), and consumes what went out.
IoResult WriteOutput(Session& session, int fd, bool isSocket);

// Milliseconds from now until `deadline`, rounded up so that a wait never wakes just before
// it; 0 once passed.
int MillisecondsUntil(SessionTime deadline, SessionTime now);

} // namespace linkcore
