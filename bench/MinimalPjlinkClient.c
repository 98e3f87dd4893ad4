/* The least a program can do for a status of five PJLink projectors: for each port given,
 * one connection (connect, greeting) and on it the class, power and input queries, one line
 * each, then close: the exchanges orvanectl status makes on a kept PJLink connection. No
 * files, no catalog, no checks beyond "an answer came". Exit status 0 when every projector
 * answered every query.
 *
 *   bench_minimal_pjlink_client PORT...
 */
#include "LoopbackConnect.h"

#include <stdlib.h>
#include <string.h>

/* Reads one line ending in CR; 0 when it came. */
static int ReadLine(int fd) {
    char c = 0;
    for (int n = 0; n < 136; ++n) {
        if (read(fd, &c, 1) != 1)
            return -1;
        if (c == '\r')
            return 0;
    }
    return -1;
}

static int Status(int port) {
    static const char* const kQueries[] = {"%1CLSS ?\r", "%1POWR ?\r", "%1INPT ?\r"};
    int fd = ConnectLoopback(port);
    if (fd < 0)
        return -1;
    int rc = ReadLine(fd) == 0 ? 0 : -1;
    for (int i = 0; rc == 0 && i < 3; ++i) {
        const size_t size = strlen(kQueries[i]);
        if (write(fd, kQueries[i], size) != (ssize_t)size || ReadLine(fd) != 0)
            rc = -1;
    }
    close(fd);
    return rc;
}

int main(int argc, char** argv) {
    int failed = 0;
    for (int i = 1; i < argc; ++i)
        failed |= Status(atoi(argv[i])) != 0;
    return failed;
}
