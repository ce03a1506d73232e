#include "helm/CHelmServer.h"

#include <QDateTime>
#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QHttpServerResponse>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>
#include <QWebSocket>
#include <algorithm>

#include "helm/CHelmListener.h"
#include "helm/HelmMessage.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr auto kStripLength = std::chrono::seconds(60);

std::int64_t NowMs() {
    return QDateTime::currentMSecsSinceEpoch();
}

QHttpServerResponse FileResponse(const char* path, const QByteArray& mime) {
    QFile file(QString::fromLatin1(path));
    if (!file.open(QIODevice::ReadOnly))
        return QHttpServerResponse(QHttpServerResponse::StatusCode::NotFound);
    QHttpServerResponse response(mime, file.readAll());
    response.setHeader("Cache-Control", "no-store");
    response.setHeader("X-Content-Type-Options", "nosniff");
    return response;
}

}  // namespace

QString CHelmServer::Answer(const char* type) {
    // The page's own words in the window's language; the page starts with
    // the Chinese ones.
    const QJsonObject texts{
        {"connected", tr("已连接")},
        {"lost", tr("连接中断，正在重连")},
        {"waiting", tr("等待水深")},
        {"ago", tr("秒前")},
        {"playback", tr("回放")},
        {"noAlarm", tr("无报警")},
        {"sound", tr("轻触开启报警声")},
        {"soundOn", tr("报警声已开启")},
        {"codePrompt", tr("请输入主窗口显示的代码")},
        {"codeRefused", tr("代码不正确")},
        {"submit", tr("确定")},
        {"quality_none", tr("无定位")},
        {"quality_2d", tr("二维定位")},
        {"quality_3d", tr("三维定位")},
        {"quality_dgps", tr("差分定位")},
        {"quality_rtk_float", tr("RTK 浮点解")},
        {"quality_rtk_fixed", tr("RTK 固定解")},
    };
    const QJsonObject answer{{"t", QLatin1String(type)}, {"texts", texts}};
    return QString::fromUtf8(QJsonDocument(answer).toJson(QJsonDocument::Compact));
}

CHelmServer::CHelmServer(QObject* parent) : CHelmServer(Limits{}, parent) {}

CHelmServer::CHelmServer(const Limits& limits, QObject* parent)
    : QObject(parent), m_limits(limits) {
    m_pingTimer.setInterval(m_limits.pingEvery);
    connect(&m_pingTimer, &QTimer::timeout, this, &CHelmServer::PingAll);
}

CHelmServer::~CHelmServer() {
    Stop();
}

bool CHelmServer::Start(const QHostAddress& address, quint16 port) {
    Stop();
    m_http = std::make_unique<QHttpServer>();
    SetUpRoutes();
    connect(m_http.get(), &QHttpServer::newWebSocketConnection, this, &CHelmServer::Accept);
    auto* listener = new CHelmListener(m_limits.maxConnections, m_limits.requestTime, m_http.get());
    const quint16 listening = listener->listen(address, port) ? listener->serverPort() : 0;
    if (listening == 0) {
        m_error = tr("无法在 %1 端口 %2 上提供舵手显示").arg(address.toString()).arg(port);
        m_http.reset();
        return false;
    }
    m_http->bind(listener);
    m_listener = listener;
    m_error.clear();
    m_address = address;
    m_port = listening;
    m_access = std::make_unique<HelmAccess>(HelmAccess::NewCode(), m_limits.delays);
    m_pingTimer.start();
    return true;
}

void CHelmServer::Stop() {
    m_pingTimer.stop();
    // The WebSockets go before the server that holds their connections.
    for (Client& client : m_clients) {
        client.socket->disconnect(this);
        client.socket->abort();
        delete client.socket;
    }
    for (const QPointer<QWebSocket>& dropped : m_dropping) delete dropped.data();
    m_dropping.clear();
    const bool hadClients = !m_clients.empty();
    m_clients.clear();
    m_listener = nullptr;
    m_http.reset();
    m_access.reset();
    m_port = 0;
    if (hadClients) emit ClientsChanged(0);
}

QString CHelmServer::Code() const {
    if (!m_access || m_address.isLoopback()) return {};
    return QString::fromStdString(m_access->Code());
}

void CHelmServer::SetUpRoutes() {
    m_http->route("/",
                  [] { return FileResponse(":/helm/index.html", "text/html; charset=utf-8"); });
    m_http->route("/helm.js",
                  [] { return FileResponse(":/helm/helm.js", "text/javascript; charset=utf-8"); });
    m_http->route("/helm.css",
                  [] { return FileResponse(":/helm/helm.css", "text/css; charset=utf-8"); });
    // The socket's path. Qt hands an upgrade to the WebSocket server only
    // when a route took the request and wrote nothing back; anything else
    // there is a bad request.
    m_http->route("/live", [](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
        if (request.value("upgrade").compare("websocket", Qt::CaseInsensitive) != 0)
            responder.write(QHttpServerResponder::StatusCode::BadRequest);
    });
}

CHelmServer::Client* CHelmServer::Find(QWebSocket* socket) {
    auto found = std::find_if(m_clients.begin(), m_clients.end(),
                              [socket](const Client& client) { return client.socket == socket; });
    return found == m_clients.end() ? nullptr : &*found;
}

void CHelmServer::Accept() {
    while (m_http && m_http->hasPendingWebSocketConnections()) {
        QWebSocket* socket = m_http->nextPendingWebSocketConnection().release();
        socket->setParent(this);
        m_listener->Upgraded(socket);
        if (static_cast<int>(m_clients.size()) >= m_limits.maxClients ||
            socket->requestUrl().path() != QLatin1String("/live")) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        socket->setMaxAllowedIncomingFrameSize(m_limits.maxIncomingBytes);
        socket->setMaxAllowedIncomingMessageSize(m_limits.maxIncomingBytes);
        m_clients.push_back({socket, false, 0, SteadyClock::now()});
        // Nothing a browser sends is acted on; a page sends nothing, so
        // whoever keeps sending is not a page.
        auto incoming = [this, socket] {
            Client* client = Find(socket);
            if (client != nullptr && ++client->incoming > m_limits.maxIncoming) Drop(socket);
        };
        connect(socket, &QWebSocket::textMessageReceived, this, incoming);
        connect(socket, &QWebSocket::binaryMessageReceived, this, incoming);
        connect(socket, &QWebSocket::pong, this, [this, socket] {
            if (Client* client = Find(socket)) client->lastPong = SteadyClock::now();
        });
        connect(socket, &QWebSocket::disconnected, this, [this, socket] { Drop(socket); });

        if (m_address.isLoopback()) {
            Admit(socket);
            continue;
        }
        const QString code = QUrlQuery(socket->requestUrl()).queryItemValue(QStringLiteral("code"));
        const HelmAccess::Verdict verdict = m_access->Check(
            socket->peerAddress().toString().toStdString(), code.toStdString(), SteadyClock::now());
        QTimer::singleShot(verdict.delay, socket, [this, socket, accepted = verdict.accepted] {
            if (accepted) {
                Admit(socket);
                return;
            }
            socket->sendTextMessage(Answer("refused"));
            socket->close(QWebSocketProtocol::CloseCodePolicyViolated);
        });
    }
}

void CHelmServer::Admit(QWebSocket* socket) {
    Client* client = Find(socket);
    if (client == nullptr) return;
    client->admitted = true;
    socket->sendTextMessage(Answer("hello"));
    const auto now = SteadyClock::now();
    for (const Kept& kept : m_columns) {
        const auto age = std::chrono::duration_cast<std::chrono::milliseconds>(now - kept.when);
        const std::string bytes = HelmMessage::Column(kept.column, age.count());
        socket->sendBinaryMessage(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    }
    if (m_state)
        socket->sendTextMessage(QString::fromStdString(HelmMessage::State(*m_state, NowMs())));
    emit ClientsChanged(Clients());
}

void CHelmServer::Drop(QWebSocket* socket) {
    auto found = std::find_if(m_clients.begin(), m_clients.end(),
                              [socket](const Client& client) { return client.socket == socket; });
    if (found == m_clients.end()) return;
    m_clients.erase(found);
    socket->disconnect(this);
    // abort(): a browser that does not read would hold a close up.
    socket->abort();
    socket->deleteLater();
    m_dropping.erase(std::remove_if(m_dropping.begin(), m_dropping.end(),
                                    [](const QPointer<QWebSocket>& gone) { return gone.isNull(); }),
                     m_dropping.end());
    m_dropping.emplace_back(socket);
    ++m_dropped;
    emit ClientsChanged(Clients());
}

bool CHelmServer::OverBacklog(Client& client) {
    return client.socket->bytesToWrite() > m_limits.maxBacklog;
}

void CHelmServer::PingAll() {
    const auto now = SteadyClock::now();
    std::vector<QWebSocket*> gone;
    for (Client& client : m_clients) {
        if (now - client.lastPong > m_limits.pongWithin || OverBacklog(client))
            gone.push_back(client.socket);
        else
            client.socket->ping();
    }
    for (QWebSocket* socket : gone) Drop(socket);
    // The state again with its age now: the page sees the link is alive
    // while no depth comes, and reconnects when nothing does.
    if (m_state) Send(QString::fromStdString(HelmMessage::State(*m_state, NowMs())));
}

void CHelmServer::Send(const QString& text) {
    std::vector<QWebSocket*> gone;
    for (Client& client : m_clients) {
        if (!client.admitted) continue;
        if (OverBacklog(client))
            gone.push_back(client.socket);
        else
            client.socket->sendTextMessage(text);
    }
    for (QWebSocket* socket : gone) Drop(socket);
}

void CHelmServer::SendBinary(const QByteArray& bytes) {
    std::vector<QWebSocket*> gone;
    for (Client& client : m_clients) {
        if (!client.admitted) continue;
        if (OverBacklog(client))
            gone.push_back(client.socket);
        else
            client.socket->sendBinaryMessage(bytes);
    }
    for (QWebSocket* socket : gone) Drop(socket);
}

void CHelmServer::Publish(const HelmState& state) {
    if (!Running()) return;
    m_state = state;
    Send(QString::fromStdString(HelmMessage::State(state, NowMs())));
}

void CHelmServer::PublishColumn(const EchoColumn& column) {
    if (!Running()) return;
    const auto now = SteadyClock::now();
    m_columns.push_back({now, column});
    while (!m_columns.empty() && now - m_columns.front().when > kStripLength) m_columns.pop_front();
    const std::string bytes = HelmMessage::Column(column, 0);
    SendBinary(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}
