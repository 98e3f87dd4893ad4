#pragma once

namespace orvane::test {

// A loopback TCP port on which nothing listens: bound and closed again at once, so most
// likely still free for a program the test starts on it.
int UnusedLoopbackPort();

} // namespace orvane::test
