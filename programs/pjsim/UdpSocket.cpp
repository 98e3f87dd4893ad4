#include "UdpSocket.h"

#include "StopEvent.h"

#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace pjsim {

void AnswerDatagrams(int fd, const StopEvent& stop, std::size_t maxSize,
                     const std::function<std::vector<std::string>(std::string_view)>& answer) {
    std::vector<char> buffer(maxSize);
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {stop.Fd(), POLLIN, 0}};
        const int rc = poll(fds, 2, -1);
        if (rc < 0 && errno == EINTR)
            continue;
        if (rc < 0 || fds[1].revents != 0)
            return;
        sockaddr_in from{};
        socklen_t fromLen = sizeof from;
        const ssize_t n = recvfrom(fd, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &fromLen);
        if (n < 0)
            continue;
        for (const std::string& reply : answer(std::string_view(buffer.data(), static_cast<std::size_t>(n))))
            sendto(fd, reply.data(), reply.size(), 0, reinterpret_cast<const sockaddr*>(&from), fromLen);
    }
}

} // namespace pjsim
