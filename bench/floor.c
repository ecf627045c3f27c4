/* The floor the whole-run figures are compared with: the calculator's first
   screen (title bar, first question, cursor after it) in one write, then a
   blocking wait for a line, as little as a program can do to show it.
   With an argument it waits in 50 ms sleeps instead, until it is killed:
   the least a wait that polls every 50 ms can cost. */
#include <time.h>
#include <unistd.h>

static const char SCREEN[] =
    "\x1b[H\x1b[2J\x1b[34;47m Velmora Istranda Quolvenix Pardov                      "
    "Ostravel Kamuni Dreskov \x1b[8;12H Antenna TX a mt. slm \x1b[8;40H";

int main(int argc, char** argv) {
    char key[64];
    struct timespec slice = {0, 50000000L};
    (void)argv;
    if (write(1, SCREEN, sizeof SCREEN - 1) != (ssize_t)(sizeof SCREEN - 1)) return 1;
    while (argc > 1) nanosleep(&slice, NULL);
    return read(0, key, sizeof key) < 0;
}
