/* The least a program can do to blank five projectors: for each port given, the kind
 * query and then the blank set, each on a connection of its own (connect, hello, request
 * frame, reply, close), exactly the exchanges orvanectl makes for "blank on". No files, no
 * catalog, no checks beyond the reply codes. Exit status 0 when every projector answered
 * as expected.
 *
 *   bench_minimal_client PORT...
 */
#include "LoopbackConnect.h"

#include <stdlib.h>

static unsigned short Crc16(const unsigned char* data, int size) {
    unsigned short crc = 0xFFFF;
    for (int i = 0; i < size; ++i) {
        crc ^= (unsigned short)(data[i] << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? (unsigned short)((crc << 1) ^ 0x1021) : (unsigned short)(crc << 1);
    }
    return crc;
}

static int ReadExact(int fd, unsigned char* p, int n) {
    while (n > 0) {
        ssize_t got = read(fd, p, (size_t)n);
        if (got <= 0)
            return -1;
        p += got;
        n -= (int)got;
    }
    return 0;
}

/* One exchange; returns the reply's first byte, or -1. */
static int Exchange(int port, int action, int type, int setting) {
    int fd = ConnectLoopback(port);
    if (fd < 0)
        return -1;
    unsigned char frame[10] = {0xA5,
                               0x5A,
                               (unsigned char)action,
                               (unsigned char)(action >> 8),
                               (unsigned char)type,
                               (unsigned char)(type >> 8),
                               (unsigned char)setting,
                               (unsigned char)(setting >> 8)};
    unsigned short crc = Crc16(frame + 2, 6);
    frame[8] = (unsigned char)crc;
    frame[9] = (unsigned char)(crc >> 8);
    unsigned char hello = 0xFF, reply[3] = {0};
    int code = -1;
    if (ReadExact(fd, &hello, 1) == 0 && hello == 0 && write(fd, frame, sizeof frame) == (ssize_t)sizeof frame &&
        ReadExact(fd, reply, 1) == 0) {
        code = reply[0];
        if (code == 0x1D && ReadExact(fd, reply + 1, 2) != 0)
            code = -1;
    }
    close(fd);
    return code;
}

int main(int argc, char** argv) {
    int failed = 0;
    for (int i = 1; i < argc; ++i) {
        int port = atoi(argv[i]);
        failed |= Exchange(port, 2, 0x1007, 0) != 0x1D;
        failed |= Exchange(port, 1, 0x3020, 1) != 0x06;
    }
    return failed;
}
