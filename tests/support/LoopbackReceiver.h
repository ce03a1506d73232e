#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>

// A depth receiver on the loopback interface (TCP).
class LoopbackReceiver {
public:
    LoopbackReceiver() {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        const int on = 1;
        ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(m_listener, 4);
        socklen_t len = sizeof a;
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&a), &len);
        m_port = ntohs(a.sin_port);
    }
    ~LoopbackReceiver() {
        CloseConnection();
        ::close(m_listener);
    }
    std::uint16_t Port() const { return m_port; }

    // Waits for a connection; returns the peer's port (0 when none came).
    std::uint16_t Accept(int timeoutMs = 2000) {
        pollfd p{m_listener, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) != 1) return 0;
        sockaddr_in peer{};
        socklen_t len = sizeof peer;
        m_connection = ::accept(m_listener, reinterpret_cast<sockaddr*>(&peer), &len);
        return ntohs(peer.sin_port);
    }
    bool Pending(int timeoutMs) {
        pollfd p{m_listener, POLLIN, 0};
        return ::poll(&p, 1, timeoutMs) == 1;
    }
    // Reads exactly n bytes (or what came within the time).
    std::string Read(std::size_t n) {
        std::string out;
        while (out.size() < n) {
            pollfd p{m_connection, POLLIN, 0};
            if (::poll(&p, 1, 2000) != 1) break;
            char buffer[256];
            const auto got = ::read(m_connection, buffer, std::min(sizeof buffer, n - out.size()));
            if (got <= 0) break;
            out.append(buffer, static_cast<std::size_t>(got));
        }
        return out;
    }
    void CloseConnection() {
        if (m_connection >= 0) ::close(m_connection);
        m_connection = -1;
    }

private:
    int m_listener = -1;
    int m_connection = -1;
    std::uint16_t m_port = 0;
};
