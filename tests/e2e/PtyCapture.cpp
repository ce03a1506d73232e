// A serial device for the end-to-end tests: a pseudo-terminal whose device
// is linked at LINK; every byte written to it is appended to OUT, and the
// line's output speed in bits per second is written to OUT.speed whenever
// bytes arrive. Runs until killed.
//
// Usage: pty-capture LINK OUT
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

long Baud(speed_t speed) {
    switch (speed) {
        case B4800:
            return 4800;
        case B9600:
            return 9600;
        case B19200:
            return 19200;
        case B38400:
            return 38400;
        case B57600:
            return 57600;
        case B115200:
            return 115200;
        default:
            return static_cast<long>(speed);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: pty-capture LINK OUT\n");
        return 2;
    }
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return 1;
    const std::string device = ptsname(master);
    // Held open so the line keeps its settings and reading never sees a
    // hang-up between the program's opens.
    const int slave = open(device.c_str(), O_RDWR | O_NOCTTY);
    if (slave < 0) return 1;
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    unlink(argv[1]);
    if (symlink(device.c_str(), argv[1]) != 0) return 1;
    std::ofstream out(argv[2], std::ios::binary | std::ios::app);
    const std::string speedPath = std::string(argv[2]) + ".speed";
    for (;;) {
        pollfd p{master, POLLIN, 0};
        if (poll(&p, 1, 100) != 1 || !(p.revents & POLLIN)) continue;
        char buffer[512];
        const ssize_t n = read(master, buffer, sizeof buffer);
        if (n <= 0) continue;
        out.write(buffer, n);
        out.flush();
        termios line{};
        tcgetattr(master, &line);
        // Written aside and renamed, so a reader never sees the file empty.
        std::ofstream(speedPath + ".new", std::ios::trunc) << Baud(cfgetospeed(&line)) << "\n";
        std::rename((speedPath + ".new").c_str(), speedPath.c_str());
    }
}
