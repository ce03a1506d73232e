/* The floor of a depth's latency: the least a program can do between a
 * ping frame and its depth sentence. It reads the instrument's terminal,
 * finds the end of each frame (0xCA and the three tail bytes, skipping the
 * second byte of each run, which may take any value), sends one depth
 * sentence on TCP and writes the next command frame, on one thread that
 * sleeps in read() between pings. bench/latency.sh runs it in turns with
 * the program.
 *
 * usage: bench-relay-floor DEVICE PORT
 */
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

static const unsigned char kCommand[10] = {0x20, 0x42, 0x60, 0, 0x10, 1, 0xA0, 0, 0xE5, 0};
static const char kSentence[] = "DT 000800\r\n";

static int ConnectTo(int port) {
    struct sockaddr_in address = {0};
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    address.sin_family = AF_INET;
    address.sin_port = htons((unsigned short)port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || connect(fd, (struct sockaddr*)&address, sizeof address) != 0) return -1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

int main(int argc, char** argv) {
    unsigned char chunk[4096];
    int tail = -1;        /* tail bytes still to come, -1 outside a tail */
    int runSecond = 0;    /* the next byte is a run's second byte */
    int device;
    int out;
    if (argc != 3) {
        fprintf(stderr, "usage: bench-relay-floor DEVICE PORT\n");
        return 2;
    }
    device = open(argv[1], O_RDWR | O_NOCTTY);
    out = ConnectTo(atoi(argv[2]));
    if (device < 0 || out < 0) {
        perror("bench-relay-floor");
        return 1;
    }
    if (write(device, kCommand, sizeof kCommand) < 0) return 1;
    for (;;) {
        const ssize_t got = read(device, chunk, sizeof chunk);
        ssize_t i;
        if (got <= 0) return 0;
        for (i = 0; i < got; ++i) {
            const unsigned char b = chunk[i];
            if (tail > 0) {
                if (--tail > 0) continue;
                tail = -1;
                if (send(out, kSentence, sizeof kSentence - 1, MSG_NOSIGNAL) < 0) return 0;
                if (write(device, kCommand, sizeof kCommand) < 0) return 0;
            } else if (runSecond) {
                runSecond = 0;
            } else if (b >= 0x80 && b <= 0xBF) {
                runSecond = 1;
            } else if (b == 0xCA) {
                tail = 3;
            }
        }
    }
}
