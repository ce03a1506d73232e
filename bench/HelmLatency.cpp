// Latency of the helm page: a depth computed on a worker thread, handed to
// the UI thread as the program hands it (a queued call), sent by the helm
// server, to its arrival in the page's script in headless Chromium. Beside
// it, the floor: a bare QWebSocketServer sending the same number of
// messages to a socket the same page opened. Both sides stamp the system
// clock, so both figures are one-way on the same machine.
//
//   helm-latency [DEPTHS] [PERIOD_MS]
#include <QCoreApplication>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTimer>
#include <QWebSocketServer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

#include "helm/CHelmServer.h"
#include "tests/helm/HeadlessChromium.h"

namespace {

double NowMs() {
    using namespace std::chrono;
    return static_cast<double>(
               duration_cast<microseconds>(system_clock::now().time_since_epoch()).count()) /
           1000.0;
}

// Wraps the page's WebSocket so that every text message's arrival is kept.
constexpr const char* kStamp = R"(
window.__arrivals = [];
const NativeSocket = WebSocket;
window.WebSocket = function (url, protocols) {
  const socket = new NativeSocket(url, protocols);
  socket.addEventListener("message", (e) => {
    if (typeof e.data === "string")
      window.__arrivals.push([performance.timeOrigin + performance.now(), e.data]);
  });
  return socket;
};
window.WebSocket.prototype = NativeSocket.prototype;
)";

struct Figures {
    double p50 = 0, p99 = 0, max = 0;
    int count = 0;
};

Figures Percentiles(std::vector<double> ms) {
    Figures f;
    f.count = static_cast<int>(ms.size());
    if (ms.empty()) return f;
    std::sort(ms.begin(), ms.end());
    f.p50 = ms[ms.size() / 2];
    f.p99 = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
    f.max = ms.back();
    return f;
}

// Sends `count` messages from a worker thread every `period`; `send` runs
// on the UI thread with the message's number, and the send time is kept.
void Drive(int count, int periodMs, std::vector<double>& sent,
           const std::function<void(int)>& send) {
    sent.assign(static_cast<std::size_t>(count), 0.0);
    std::thread worker([&] {
        for (int i = 0; i < count; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(periodMs));
            sent[static_cast<std::size_t>(i)] = NowMs();  // the depth is computed
            QMetaObject::invokeMethod(
                qApp, [&send, i] { send(i); }, Qt::QueuedConnection);
        }
    });
    QTest::qWait(count * periodMs + 1000);
    worker.join();
    QTest::qWait(2000);
}

// The arrivals of messages whose number `number` finds, against their sending.
std::vector<double> Delays(HeadlessChromium& browser, const std::vector<double>& sent,
                           const std::function<int(const QString&)>& number) {
    std::vector<double> delays;
    std::vector<bool> seen(sent.size(), false);
    const QJsonArray arrivals =
        QJsonDocument::fromJson(
            browser.Evaluate("JSON.stringify(window.__arrivals)").toString().toUtf8())
            .array();
    for (const QJsonValue arrival : arrivals) {
        const int i = number(arrival[1].toString());
        // The server's heartbeat repeats the last state: first arrivals only.
        if (i >= 0 && i < static_cast<int>(sent.size()) && !seen[static_cast<std::size_t>(i)]) {
            seen[static_cast<std::size_t>(i)] = true;
            delays.push_back(arrival[0].toDouble() - sent[static_cast<std::size_t>(i)]);
        }
    }
    return delays;
}

void Print(const char* what, const Figures& f) {
    std::printf("%-28s n=%4d  p50 %7.3f ms  p99 %7.3f ms  max %7.3f ms\n", what, f.count, f.p50,
                f.p99, f.max);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int period = argc > 2 ? std::atoi(argv[2]) : 20;

    HeadlessChromium browser;
    if (!browser.Start()) {
        std::fprintf(stderr, "%s\n", qPrintable(browser.Error()));
        return 1;
    }
    browser.Call("Page.enable");
    browser.Call("Page.addScriptToEvaluateOnNewDocument", {{"source", kStamp}});

    // The helm page first; the floor's socket is opened by the same page.
    CHelmServer server;
    server.Start(QHostAddress::LocalHost, 0);
    browser.Call("Page.navigate",
                 {{"url", QStringLiteral("http://127.0.0.1:%1/").arg(server.Port())}});
    if (!QTest::qWaitFor([&] { return server.Clients() == 1; }, 20000)) {
        std::fprintf(stderr, "the page did not connect to the helm server\n");
        return 1;
    }
    QTest::qWait(500);
    // The floor: a bare WebSocket server and the same page's socket to it.
    QWebSocketServer echo(QStringLiteral("floor"), QWebSocketServer::NonSecureMode);
    echo.listen(QHostAddress::LocalHost, 0);
    QWebSocket* floorSocket = nullptr;
    QObject::connect(&echo, &QWebSocketServer::newConnection,
                     [&] { floorSocket = echo.nextPendingConnection(); });
    browser.Evaluate(QStringLiteral("window.__floor = new WebSocket('ws://127.0.0.1:%1/')")
                         .arg(echo.serverPort()));
    if (!QTest::qWaitFor([&] { return floorSocket != nullptr; }, 20000)) {
        std::fprintf(stderr, "the page did not open the floor's socket: %s\n",
                     qPrintable(browser.Evaluate("location.href + ' ' + window.__floor.readyState")
                                    .toVariant()
                                    .toString()));
        return 1;
    }
    std::vector<double> sent;
    Drive(count, period, sent, [&](int i) { floorSocket->sendTextMessage(QString::number(i)); });
    const Figures floor = Percentiles(Delays(browser, sent, [](const QString& text) {
        bool ok = false;
        const int i = text.toInt(&ok);
        return ok ? i : -1;
    }));

    // The helm page: depth i/100 m, so that the text tells which one came.
    Drive(count, period, sent, [&](int i) {
        HelmState state;
        state.depthMetres = i / 100.0;
        state.depthTimeMs = static_cast<std::int64_t>(NowMs());
        server.Publish(state);
    });
    const QRegularExpression depth(QStringLiteral("\"depth\":\"(\\d+)\\.(\\d\\d)\""));
    const Figures helm = Percentiles(Delays(browser, sent, [&](const QString& text) {
        const QRegularExpressionMatch m = depth.match(text);
        return m.hasMatch() ? m.captured(1).toInt() * 100 + m.captured(2).toInt() : -1;
    }));

    // Ten more browsers on the same page: the first one's latency again.
    for (int i = 0; i < 10; ++i)
        browser.Call("Target.createTarget",
                     {{"url", QStringLiteral("http://127.0.0.1:%1/").arg(server.Port())}});
    if (!QTest::qWaitFor([&] { return server.Clients() == 11; }, 60000))
        std::fprintf(stderr, "only %d browsers connected\n", server.Clients());
    browser.Evaluate("window.__arrivals = []");
    Drive(count, period, sent, [&](int i) {
        HelmState state;
        state.depthMetres = i / 100.0;
        state.depthTimeMs = static_cast<std::int64_t>(NowMs());
        server.Publish(state);
    });
    const Figures eleven = Percentiles(Delays(browser, sent, [&](const QString& text) {
        const QRegularExpressionMatch m = depth.match(text);
        return m.hasMatch() ? m.captured(1).toInt() * 100 + m.captured(2).toInt() : -1;
    }));
    Print("websocket floor", floor);
    Print("helm page", helm);
    Print("helm page, 11 browsers", eleven);
    return helm.count >= count && floor.count >= count && eleven.count >= count ? 0 : 1;
}
