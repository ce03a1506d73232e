#pragma once

#include <QHostAddress>
#include <QHttpServer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "helm/EchoColumn.h"
#include "helm/HelmAccess.h"
#include "helm/HelmState.h"

class CHelmListener;
class QWebSocket;

// The helm display's server: the page (static files built into the program)
// over HTTP and the depths over a WebSocket at /live, to any browser on the
// boat. Read-only: what a browser sends is never acted on, only counted.
//
// Listening on a loopback address needs no code. Listening on any other
// address, every browser must give the code shown in the window (the
// socket's URL carries ?code=...); a wrong one is refused after a delay that
// grows (HelmAccess).
//
// Everything runs on the UI thread. Publish() and PublishColumn() send to
// every browser at once and never wait: a browser whose unsent data passes
// kMaxBacklog is dropped, so is one that stops answering the socket's pings
// (a client that never reads) and one that sends more than a page would.
class CHelmServer : public QObject {
    Q_OBJECT
public:
    struct Limits {
        int maxConnections = 64;                       // TCP connections, page loads included
        std::chrono::milliseconds requestTime{30000};  // for a connection still plain HTTP
        int maxClients = 16;                           // WebSockets
        qint64 maxBacklog = 256 * 1024;                // unsent bytes to one browser
        std::chrono::milliseconds pingEvery{2000};
        std::chrono::milliseconds pongWithin{10000};
        int maxIncoming = 16;             // messages a browser may send in all
        quint64 maxIncomingBytes = 1024;  // one message or frame
        HelmAccess::Delays delays;
    };

    explicit CHelmServer(QObject* parent = nullptr);
    CHelmServer(const Limits& limits, QObject* parent);
    ~CHelmServer() override;

    // Listens on address:port (port 0: any free port) with a new code.
    // False, with the reason in Error(), when it cannot.
    bool Start(const QHostAddress& address, quint16 port);
    void Stop();
    bool Running() const { return m_port != 0; }
    quint16 Port() const { return m_port; }
    QHostAddress Address() const { return m_address; }
    // The code browsers on other machines give; empty on a loopback address.
    QString Code() const;
    QString Error() const { return m_error; }
    int Clients() const { return static_cast<int>(m_clients.size()); }
    std::uint64_t Dropped() const { return m_dropped; }

    // UI thread, at the window's refresh pace.
    void Publish(const HelmState& state);
    void PublishColumn(const EchoColumn& column);

signals:
    void ClientsChanged(int count);

private:
    struct Client {
        QWebSocket* socket = nullptr;
        bool admitted = false;
        int incoming = 0;
        std::chrono::steady_clock::time_point lastPong;
    };

    // The answer to a new socket ("hello" or "refused") with the page's texts.
    static QString Answer(const char* type);
    void SetUpRoutes();
    void Accept();
    void Admit(QWebSocket* socket);
    void Drop(QWebSocket* socket);
    void PingAll();
    void Send(const QString& text);
    void SendBinary(const QByteArray& bytes);
    bool OverBacklog(Client& client);
    Client* Find(QWebSocket* socket);

    Limits m_limits;
    std::unique_ptr<QHttpServer> m_http;
    CHelmListener* m_listener = nullptr;  // the server's child
    std::unique_ptr<HelmAccess> m_access;
    QHostAddress m_address;
    quint16 m_port = 0;
    QString m_error;
    std::vector<Client> m_clients;
    std::vector<QPointer<QWebSocket>> m_dropping;  // dropped, their deletion posted
    std::uint64_t m_dropped = 0;
    QTimer m_pingTimer;
    // The last state and the columns of the last minute, for a browser
    // that has just come in.
    std::optional<HelmState> m_state;
    struct Kept {
        std::chrono::steady_clock::time_point when;
        EchoColumn column;
    };
    std::deque<Kept> m_columns;
};
