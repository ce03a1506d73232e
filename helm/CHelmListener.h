#pragma once

#include <QTcpServer>
#include <QWebSocket>
#include <chrono>

// The helm server's listening socket: at most maxConnections at once, and a
// connection that is still plain HTTP after requestTime (a request never
// finished, or a page load kept alive) is closed. A connection that became
// a WebSocket is said so with Upgraded() and left alone.
class CHelmListener : public QTcpServer {
    Q_OBJECT
public:
    CHelmListener(int maxConnections, std::chrono::milliseconds requestTime,
                  QObject* parent = nullptr);

    int Connections() const;
    // The connection webSocket came from is a WebSocket now.
    void Upgraded(QWebSocket* webSocket);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    int m_maxConnections;
    std::chrono::milliseconds m_requestTime;
};
