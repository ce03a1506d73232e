#include "helm/CHelmListener.h"

#include <QTcpSocket>
#include <QTimer>
#include <QVariant>

namespace {
const char* const kUpgraded = "helmUpgraded";
}  // namespace

CHelmListener::CHelmListener(int maxConnections, std::chrono::milliseconds requestTime,
                             QObject* parent)
    : QTcpServer(parent), m_maxConnections(maxConnections), m_requestTime(requestTime) {}

int CHelmListener::Connections() const {
    // Qt HTTP Server takes every signal of a socket it upgrades for itself,
    // so the sockets are counted as they are, not as they report.
    int open = 0;
    for (const QTcpSocket* socket : findChildren<QTcpSocket*>(Qt::FindDirectChildrenOnly))
        if (socket->state() != QAbstractSocket::UnconnectedState) ++open;
    return open;
}

void CHelmListener::Upgraded(QWebSocket* webSocket) {
    for (QTcpSocket* socket : findChildren<QTcpSocket*>(Qt::FindDirectChildrenOnly)) {
        if (socket->peerPort() != webSocket->peerPort() ||
            socket->peerAddress() != webSocket->peerAddress())
            continue;
        socket->setProperty(kUpgraded, true);
        // The socket goes with its WebSocket.
        connect(webSocket, &QObject::destroyed, socket, &QObject::deleteLater);
    }
}

void CHelmListener::incomingConnection(qintptr descriptor) {
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    if (Connections() > m_maxConnections) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    QTimer::singleShot(m_requestTime, socket, [socket] {
        if (!socket->property(kUpgraded).toBool()) socket->abort();
    });
    addPendingConnection(socket);
}
