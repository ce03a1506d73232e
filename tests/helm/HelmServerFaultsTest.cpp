// The helm server against clients no browser would be: one that never
// reads, one that floods, one that guesses the code. Each is dropped or
// refused while a well-behaved browser beside it keeps its data.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QWebSocket>

#include "helm/CHelmServer.h"
#include "tests/helm/RawHelmClient.h"

namespace {

using namespace std::chrono_literals;

CHelmServer::Limits FastLimits() {
    CHelmServer::Limits limits;
    limits.maxConnections = 8;
    limits.maxClients = 4;
    limits.requestTime = 1000ms;
    limits.pingEvery = 100ms;
    limits.pongWithin = 800ms;
    limits.delays.first = 200ms;
    limits.delays.max = 2000ms;
    return limits;
}

class HelmServerFaultsTest : public ::testing::Test {
protected:
    // Listening on every address: every browser must give the code.
    void SetUp() override { ASSERT_TRUE(m_server.Start(QHostAddress::AnyIPv4, 0)); }

    // A real WebSocket client with the right code, counting what it gets.
    void OpenBrowser() {
        QObject::connect(&m_browser, &QWebSocket::textMessageReceived,
                         [this](const QString&) { ++m_browserMessages; });
        m_browser.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/live?code=%2")
                                .arg(m_server.Port())
                                .arg(m_server.Code())));
        ASSERT_TRUE(QTest::qWaitFor([this] { return m_browserMessages > 0; }, 5000));
    }

    // The browser still gets what is published.
    void ExpectBrowserServed() {
        const int before = m_browserMessages;
        HelmState state;
        state.depthMetres = 7.5;
        m_server.Publish(state);
        EXPECT_TRUE(QTest::qWaitFor([&] { return m_browserMessages > before; }, 5000));
        EXPECT_EQ(m_browser.state(), QAbstractSocket::ConnectedState);
    }

    CHelmServer m_server{FastLimits(), nullptr};
    QWebSocket m_browser;
    int m_browserMessages = 0;
};

TEST_F(HelmServerFaultsTest, AClientThatNeverReadsIsDropped) {
    OpenBrowser();
    RawHelmClient deaf;
    ASSERT_TRUE(deaf.Open(m_server.Port(), m_server.Code()));
    deaf.Socket().setReadBufferSize(1);  // takes nothing more off the wire
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_server.Clients() == 2; }, 5000));
    // Seen from the server: the deaf one cannot even see its own close.
    EXPECT_TRUE(QTest::qWaitFor([this] { return m_server.Clients() == 1; }, 5000));
    EXPECT_EQ(m_server.Dropped(), 1u);
    ExpectBrowserServed();
}

TEST_F(HelmServerFaultsTest, AFlooderIsDropped) {
    OpenBrowser();
    struct Flood {
        const char* what;
        QByteArray payload;
        int count;
    };
    const Flood floods[] = {
        {"many small messages", "{\"set\":\"RangIdx\"}", 200},
        {"one message over the bound", QByteArray(4000, 'x'), 1},
    };
    for (const Flood& flood : floods) {
        RawHelmClient flooder;
        ASSERT_TRUE(flooder.Open(m_server.Port(), m_server.Code())) << flood.what;
        for (int i = 0; i < flood.count; ++i) flooder.SendFrame(flood.payload);
        EXPECT_TRUE(flooder.ClosedWithin(5000)) << flood.what;
    }
    ExpectBrowserServed();
}

TEST_F(HelmServerFaultsTest, ARequestNeverFinishedIsClosedButAWebSocketStays) {
    OpenBrowser();
    QTcpSocket slow;
    slow.connectToHost(QStringLiteral("127.0.0.1"), m_server.Port());
    ASSERT_TRUE(slow.waitForConnected(5000));
    slow.write("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n");  // and never the end
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return slow.state() == QAbstractSocket::UnconnectedState; }, 5000));
    // The browser's socket, older than the bound, still gets the depths.
    ExpectBrowserServed();
}

// Connections that come and go free their place under the bound.
TEST_F(HelmServerFaultsTest, PageLoadsAndSocketsComeAndGo) {
    const auto load = [this] {
        QTcpSocket http;
        http.connectToHost(QStringLiteral("127.0.0.1"), m_server.Port());
        if (!http.waitForConnected(5000)) return QByteArray();
        http.write("GET /helm.css HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
        QByteArray answer;
        (void)QTest::qWaitFor(
            [&] {
                answer += http.readAll();
                return answer.contains("\r\n\r\n");
            },
            5000);
        return answer;
    };
    for (int i = 0; i < 12; ++i) {
        EXPECT_TRUE(load().startsWith("HTTP/1.1 200")) << i;
        QWebSocket socket;
        socket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/live?code=%2")
                             .arg(m_server.Port())
                             .arg(m_server.Code())));
        EXPECT_TRUE(QTest::qWaitFor([&] { return m_server.Clients() == 1; }, 5000)) << i;
        socket.close();
        EXPECT_TRUE(QTest::qWaitFor([&] { return m_server.Clients() == 0; }, 5000)) << i;
    }
    OpenBrowser();
    ExpectBrowserServed();
}

TEST_F(HelmServerFaultsTest, WrongCodesAreRefusedAlikeWithAGrowingDelay) {
    OpenBrowser();
    // The right code with one digit changed, a prefix, nothing, too long.
    QString nearMiss = m_server.Code();
    nearMiss[0] = nearMiss[0] == QLatin1Char('0') ? QLatin1Char('1') : QLatin1Char('0');
    const QString guesses[] = {nearMiss, m_server.Code().left(3), QString(),
                               m_server.Code() + QLatin1Char('0')};
    std::optional<QByteArray> firstAnswer;
    qint64 previous = 0;
    for (const QString& guess : guesses) {
        RawHelmClient guesser;
        QElapsedTimer timer;
        timer.start();
        ASSERT_TRUE(guesser.Open(m_server.Port(), guess));
        const std::optional<QByteArray> answer = guesser.NextMessage(10000);
        const qint64 waited = timer.elapsed();
        ASSERT_TRUE(answer.has_value()) << guess.toStdString();
        EXPECT_TRUE(answer->contains("\"t\":\"refused\"")) << answer->toStdString();
        // Nothing in the answer tells one wrong code from another.
        if (!firstAnswer) firstAnswer = answer;
        EXPECT_EQ(*answer, *firstAnswer);
        EXPECT_TRUE(guesser.ClosedWithin(5000));
        // 200, 400, 800, 1600 ms: each wait at least doubles the bound.
        EXPECT_GE(waited, previous == 0 ? 190 : 2 * previous - 200) << guess.toStdString();
        previous = waited;
    }
    // The right code is still let in.
    RawHelmClient right;
    ASSERT_TRUE(right.Open(m_server.Port(), m_server.Code()));
    const std::optional<QByteArray> hello = right.NextMessage(10000);
    ASSERT_TRUE(hello.has_value());
    EXPECT_TRUE(hello->contains("\"t\":\"hello\""));
    ExpectBrowserServed();
}

TEST_F(HelmServerFaultsTest, ClientsBeyondTheBoundAreTurnedAway) {
    const int bound = FastLimits().maxClients;
    std::vector<std::unique_ptr<QWebSocket>> browsers;
    const QUrl url(
        QStringLiteral("ws://127.0.0.1:%1/live?code=%2").arg(m_server.Port()).arg(m_server.Code()));
    for (int i = 0; i < bound; ++i) {
        browsers.push_back(std::make_unique<QWebSocket>());
        browsers.back()->open(url);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_server.Clients() == bound; }, 10000));
    RawHelmClient extra;
    extra.Open(m_server.Port(), m_server.Code());
    EXPECT_TRUE(extra.ClosedWithin(5000));
    EXPECT_EQ(m_server.Clients(), bound);
}

}  // namespace
