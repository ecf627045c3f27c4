/* Loaded with LD_PRELOAD under a program in a test: poll() behaves as on
   macOS, where it reports POLLNVAL for every descriptor of a terminal
   device (documented under BUGS in macOS's poll(2)). A program that waits
   for its keyboard with poll() sees no keys at all under it. */
#define _GNU_SOURCE
#include <poll.h>
#include <unistd.h>

int poll(struct pollfd* fds, nfds_t count, int timeout) {
    (void)timeout;
    int ready = 0;
    for (nfds_t i = 0; i < count; ++i) {
        fds[i].revents = isatty(fds[i].fd) ? POLLNVAL : 0;
        if (fds[i].revents != 0) ++ready;
    }
    return ready;
}
