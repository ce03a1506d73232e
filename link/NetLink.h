#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

// The network link: one outgoing TCP connection from local port 1325 to the
// depth receiver at IP:PortSend. It only sends; nothing is read from it.
//
// The link is opened only when a send fails: the first message goes out on
// no socket, fails and opens the link, and is lost; later messages go out
// once the connection is made. A message whose send fails (connection still
// being made, receiver gone) is not sent again: the socket is closed at once
// (reset, no lingering) and a new non-blocking connection is started.
//
// Plain sockets, safe to use from any thread (the worker sends, the network
// dialog changes the remote address).
class NetLink {
public:
    static constexpr std::uint16_t kLocalPort = 1325;

    NetLink() = default;
    ~NetLink();
    NetLink(const NetLink&) = delete;
    NetLink& operator=(const NetLink&) = delete;

    // The receiver, from the settings IP and PortSend; used by the next
    // OpenNetLink. A text that is not a dotted address gives
    // 255.255.255.255; only the port's low 16 bits count.
    void SetRemote(const std::string& ip, long long portSend);

    // Closes the socket and starts a new connection.
    void OpenNetLink();

    // One send of the whole message. On an error the link is reopened and
    // false returned; the message is not sent again.
    bool Send(std::string_view message);

    bool HasSocket() const;

private:
    void CloseSocket();

    mutable std::mutex m_mutex;
    int m_socket = -1;
    std::string m_ip = "127.0.0.1";
    long long m_portSend = 0;
};
