#include "link/NetLink.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

NetLink::~NetLink() {
    std::lock_guard lock(m_mutex);
    CloseSocket();
}

void NetLink::SetRemote(const std::string& ip, long long portSend) {
    std::lock_guard lock(m_mutex);
    m_ip = ip;
    m_portSend = portSend;
}

bool NetLink::HasSocket() const {
    std::lock_guard lock(m_mutex);
    return m_socket >= 0;
}

void NetLink::CloseSocket() {
    if (m_socket >= 0) ::close(m_socket);
    m_socket = -1;
}

void NetLink::OpenNetLink() {
    std::lock_guard lock(m_mutex);
    CloseSocket();

    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_addr.s_addr = ::inet_addr(m_ip.c_str());  // INADDR_NONE when not an address
    remote.sin_port = htons(static_cast<std::uint16_t>(m_portSend & 0xFFFF));

    m_socket = ::socket(AF_INET, SOCK_STREAM, 0);
    if (m_socket < 0) return;
    ::fcntl(m_socket, F_SETFD, FD_CLOEXEC);
    // Closing resets the connection at once, so the local port is free again
    // immediately; SO_REUSEADDR lets a restarted program bind it at once too.
    const linger noLinger{1, 0};
    ::setsockopt(m_socket, SOL_SOCKET, SO_LINGER, &noLinger, sizeof noLinger);
    const int on = 1;
    ::setsockopt(m_socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);

    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(kLocalPort);
    // The results of bind and connect are not examined: a failure shows as
    // a failed send, which starts the next attempt.
    (void)::bind(m_socket, reinterpret_cast<const sockaddr*>(&local), sizeof local);
    ::fcntl(m_socket, F_SETFL, ::fcntl(m_socket, F_GETFL) | O_NONBLOCK);
    (void)::connect(m_socket, reinterpret_cast<const sockaddr*>(&remote), sizeof remote);
}

bool NetLink::Send(std::string_view message) {
    {
        std::lock_guard lock(m_mutex);
        // MSG_NOSIGNAL: a receiver that has gone away must not end the program.
        if (m_socket >= 0 && ::send(m_socket, message.data(), message.size(), MSG_NOSIGNAL) >= 0)
            return true;
    }
    OpenNetLink();
    return false;
}
