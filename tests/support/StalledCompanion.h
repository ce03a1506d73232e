#pragma once

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>

// A companion that has hung: its channel's queue of connections is full and
// nobody takes them.
class StalledCompanion {
public:
    explicit StalledCompanion(const std::string& path) : m_path(path) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        m_listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_listener, 0);
        m_filler = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
        ::connect(m_filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    ~StalledCompanion() {
        ::close(m_filler);
        ::close(m_listener);
        ::unlink(m_path.c_str());
    }
    StalledCompanion(const StalledCompanion&) = delete;
    StalledCompanion& operator=(const StalledCompanion&) = delete;

private:
    std::string m_path;
    int m_listener = -1;
    int m_filler = -1;
};
