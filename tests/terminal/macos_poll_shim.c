/* Loaded with LD_PRELOAD under a program in a test: poll() behaves as on
   macOS, where it reports POLLNVAL for every descriptor of a terminal
   device (documented under BUGS in macOS's poll(2)). A program that waits
   for its keyboard with poll() sees no keys at all under it. And every
   other read() of a terminal is interrupted (EINTR), as by a signal. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
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

ssize_t read(int fd, void* bytes, size_t count) {
    static int reads;
    ssize_t (*next_read)(int, void*, size_t) = (ssize_t(*)(int, void*, size_t))dlsym(RTLD_NEXT, "read");
    if (isatty(fd) && reads++ % 2 == 0) {
        errno = EINTR;
        return -1;
    }
    return next_read(fd, bytes, count);
}
