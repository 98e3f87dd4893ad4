#pragma once

#include "ProjectorService.h"
#include "StopEvent.h"

namespace pjsim {

// A partial frame is dropped once the line has been quiet this long, so that the remains of
// a client that vanished mid-frame cannot spoil the next client's first request.
inline constexpr int kFrameGapMs = 500;

// Reads frames from a non-blocking descriptor and answers each one until the other side
// closes, a read or write fails, or the stop is set.
void ServeFrames(int fd, bool isSocket, ProjectorService& service, const StopEvent& stop);

} // namespace pjsim
