#include "linkcore/SerialChannel.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace linkcore {

int OpenSerialDevice(const std::string& device) {
    if (device.empty())
        return -1;
    // O_NOCTTY: a serial port must never become the controlling terminal of the program.
    int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        close(fd);
        return -1;
    }
    cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    // With VMIN 0 a read of an empty line returns 0, which looks like end of file; with 1 and
    // O_NONBLOCK it fails with EAGAIN and the poll does the waiting.
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (cfsetispeed(&tio, B19200) != 0 || cfsetospeed(&tio, B19200) != 0 || tcsetattr(fd, TCSANOW, &tio) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

int OpenSerialChannel(int comNo, const LinkSettings& settings) {
    return OpenSerialDevice(settings.SerialDevice(comNo));
}

} // namespace linkcore
