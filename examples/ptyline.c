/*
 * ptyline: a serial line without hardware. Creates a pseudo-terminal pair,
 * points TREVALO_COM<n> (COM1 unless --com says otherwise) at one end, runs
 * a command, and plays the device at the other end: it can write bytes into
 * the line and prints, as hex on the last line of standard output, every
 * byte the command sent.
 *
 *   ptyline [--com N] [--write HEX [--delay MS] [--every MS]] [--linger MS] [--hangup MS]
 *           -- COMMAND...
 *
 * --write sends the bytes DELAY ms after the start (default 300), and again
 * every EVERY ms while the command runs, for a command that opens the line
 * late. --linger is how long to keep reading after the command ended.
 * --hangup closes the far end MS ms after the start, as an unplugged
 * adapter would vanish, and waits for the command to end.
 *
 * Any argument "@PTY@" of the command is replaced by the device path.
 */
#define _XOPEN_SOURCE 700
#define _DEFAULT_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

static long now_ms(void) {
    struct timeval tv;
    gettimeofday(&tv, NULL);
    return tv.tv_sec * 1000L + tv.tv_usec / 1000;
}

static size_t parse_hex(const char* text, unsigned char* out, size_t max) {
    size_t n = 0;
    while (*text && n < max) {
        while (*text == ' ' || *text == ',' || *text == ':') ++text;
        if (!text[0] || !text[1]) break;
        char pair[3] = {text[0], text[1], 0};
        out[n++] = (unsigned char)strtoul(pair, NULL, 16);
        text += 2;
    }
    return n;
}

static void usage(void) {
    fprintf(stderr, "usage: ptyline [--com N] [--write HEX [--delay MS] [--every MS]] [--linger MS]"
                    " [--hangup MS] -- COMMAND...\n");
    exit(2);
}

int main(int argc, char** argv) {
    int com = 1;
    long delay = 300, every = 0, linger = 200, hangup = -1;
    const char* write_hex = NULL;
    int i = 1;
    for (; i < argc && strcmp(argv[i], "--") != 0; ++i) {
        if (i + 1 >= argc) usage();
        if (!strcmp(argv[i], "--com")) com = atoi(argv[++i]);
        else if (!strcmp(argv[i], "--write")) write_hex = argv[++i];
        else if (!strcmp(argv[i], "--delay")) delay = atol(argv[++i]);
        else if (!strcmp(argv[i], "--every")) every = atol(argv[++i]);
        else if (!strcmp(argv[i], "--linger")) linger = atol(argv[++i]);
        else if (!strcmp(argv[i], "--hangup")) hangup = atol(argv[++i]);
        else usage();
    }
    if (i + 1 >= argc) usage();
    char** command = argv + i + 1;

    int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        perror("ptyline: pseudo-terminal");
        return 1;
    }
    const char* slave = ptsname(master);
    if (!slave) {
        perror("ptyline: ptsname");
        return 1;
    }
    /* The far end is a device, not a terminal: no echo, no line editing. */
    struct termios tio;
    if (tcgetattr(master, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(master, TCSANOW, &tio);
    }
    char var[32];
    snprintf(var, sizeof var, "TREVALO_COM%d", com);
    setenv(var, slave, 1);
    for (char** a = command; *a; ++a)
        if (!strcmp(*a, "@PTY@")) *a = (char*)slave;

    /* Hold the slave open so the master never reads EIO between opens. */
    int keep = open(slave, O_RDWR | O_NOCTTY);

    pid_t child = fork();
    if (child < 0) {
        perror("ptyline: fork");
        return 1;
    }
    if (child == 0) {
        close(master);
        if (keep >= 0) close(keep);
        execvp(command[0], command);
        fprintf(stderr, "ptyline: cannot run %s: %s\n", command[0], strerror(errno));
        _exit(127);
    }

    static unsigned char out[1 << 16];
    size_t received = 0;
    unsigned char in[1024];
    const size_t to_write = write_hex ? parse_hex(write_hex, in, sizeof in) : 0;
    const long start = now_ms();
    long next_write = start + delay;
    long ended = -1;
    int status = 0;
    for (;;) {
        if (to_write && ended < 0 && next_write >= 0 && now_ms() >= next_write) {
            if (write(master, in, to_write) < 0) perror("ptyline: write");
            next_write = every > 0 ? next_write + every : -1;
        }
        if (hangup >= 0 && now_ms() - start >= hangup) {
            if (keep >= 0) close(keep);
            close(master);
            waitpid(child, &status, 0);
            for (size_t k = 0; k < received; ++k) printf(k ? " %02X" : "%02X", out[k]);
            printf("\n");
            return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
        }
        if (ended < 0 && waitpid(child, &status, WNOHANG) == child) ended = now_ms();
        if (ended >= 0 && now_ms() - ended >= linger) break;
        struct pollfd p = {master, POLLIN, 0};
        if (poll(&p, 1, 10) > 0 && (p.revents & POLLIN)) {
            unsigned char chunk[512];
            ssize_t n = read(master, chunk, sizeof chunk);
            for (ssize_t k = 0; k < n && received < sizeof out; ++k) out[received++] = chunk[k];
        }
    }
    for (size_t k = 0; k < received; ++k) printf(k ? " %02X" : "%02X", out[k]);
    printf("\n");
    if (keep >= 0) close(keep);
    close(master);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
