#include "tools/sim/Terminal.h"

#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

Terminal::~Terminal() {
    Close();
    if (!m_link.empty()) ::unlink(m_link.c_str());
}

bool Terminal::Open(const std::string& link, std::string* error) {
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        *error = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    // Bytes pass unchanged, nothing is echoed.
    termios t{};
    ::tcgetattr(m_slave, &t);
    ::cfmakeraw(&t);
    ::cfsetspeed(&t, B115200);
    ::tcsetattr(m_slave, TCSANOW, &t);
    // Open to every user, as a serial port is to its group: gpsd, which
    // gives up root after its start, opens a receiver plugged in later.
    ::fchmod(m_slave, 0666);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    m_path = name;
    if (!link.empty()) {
        ::unlink(link.c_str());
        if (::symlink(name, link.c_str()) != 0) {
            *error = "cannot make the link " + link + ": " + std::strerror(errno);
            return false;
        }
        m_link = link;
    }
    return true;
}

void Terminal::Close() {
    if (m_master >= 0) ::close(m_master);
    if (m_slave >= 0) ::close(m_slave);
    m_master = m_slave = -1;
}

void Terminal::Unplug() {
    Close();
    if (!m_link.empty()) ::unlink(m_link.c_str());
    m_link.clear();
}
