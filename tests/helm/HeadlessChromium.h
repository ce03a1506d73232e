#pragma once

#include <QByteArray>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QWebSocket>

// Debian's Chromium, headless, driven through the DevTools protocol over its
// remote-debugging WebSocket: one page of a phone's size.
class HeadlessChromium {
public:
    static constexpr int kWidth = 412;
    static constexpr int kHeight = 870;

    ~HeadlessChromium() {
        m_page.close();
        m_process.kill();
        m_process.waitForFinished(5000);
        QDir(m_profile.path()).removeRecursively();
    }

    // Starts the browser and attaches to its first page; false with the
    // reason in Error().
    bool Start() {
        m_process.setProgram(QStringLiteral("/usr/bin/chromium"));
        m_process.setArguments({QStringLiteral("--headless=new"), QStringLiteral("--no-sandbox"),
                                QStringLiteral("--disable-gpu"), QStringLiteral("--no-first-run"),
                                QStringLiteral("--remote-debugging-port=0"),
                                QStringLiteral("--remote-allow-origins=*"),
                                QStringLiteral("--user-data-dir=") + m_profile.path(),
                                QStringLiteral("--window-size=%1,%2").arg(kWidth).arg(kHeight),
                                QStringLiteral("about:blank")});
        m_process.start();
        QByteArray log;
        const QRegularExpression listening(
            QStringLiteral("DevTools listening on ws://[^:]+:(\\d+)/"));
        QRegularExpressionMatch match;
        if (!QTest::qWaitFor(
                [&] {
                    log += m_process.readAllStandardError();
                    match = listening.match(QString::fromUtf8(log));
                    return match.hasMatch() || m_process.state() == QProcess::NotRunning;
                },
                60000) ||
            !match.hasMatch()) {
            m_error = QStringLiteral("chromium did not start: ") + QString::fromUtf8(log);
            return false;
        }
        // The page's own DevTools socket, from the list of targets.
        QNetworkAccessManager network;
        const QUrl list(QStringLiteral("http://127.0.0.1:%1/json/list").arg(match.captured(1)));
        QNetworkReply* reply = network.get(QNetworkRequest(list));
        (void)QTest::qWaitFor([reply] { return reply->isFinished(); }, 20000);
        QString pageSocket;
        for (const QJsonValue target : QJsonDocument::fromJson(reply->readAll()).array())
            if (target[QStringLiteral("type")] == QStringLiteral("page"))
                pageSocket = target[QStringLiteral("webSocketDebuggerUrl")].toString();
        reply->deleteLater();
        if (pageSocket.isEmpty()) {
            m_error = QStringLiteral("no page target");
            return false;
        }
        QObject::connect(&m_page, &QWebSocket::textMessageReceived, [this](const QString& text) {
            const QJsonObject message = QJsonDocument::fromJson(text.toUtf8()).object();
            if (message.contains(QStringLiteral("id")))
                m_replies[message[QStringLiteral("id")].toInt()] = message;
        });
        m_page.open(QUrl(pageSocket));
        if (!QTest::qWaitFor([this] { return m_page.state() == QAbstractSocket::ConnectedState; },
                             20000)) {
            m_error = QStringLiteral("cannot attach to the page: ") + m_page.errorString();
            return false;
        }
        // A phone's screen (a window cannot be made that narrow).
        Call(QStringLiteral("Emulation.setDeviceMetricsOverride"),
             {{"width", kWidth}, {"height", kHeight}, {"deviceScaleFactor", 1}, {"mobile", true}});
        return true;
    }

    QString Error() const { return m_error; }

    // One DevTools command; its result, or an empty object after 30 s.
    QJsonObject Call(const QString& method, const QJsonObject& params = {}) {
        const int id = ++m_lastId;
        const QJsonObject command{{"id", id}, {"method", method}, {"params", params}};
        m_page.sendTextMessage(QString::fromUtf8(QJsonDocument(command).toJson()));
        (void)QTest::qWaitFor([&] { return m_replies.contains(id); }, 30000);
        return m_replies.take(id)[QStringLiteral("result")].toObject();
    }

    // The value of a JavaScript expression in the page (returned by value).
    QJsonValue Evaluate(const QString& expression) {
        const QJsonObject result = Call(QStringLiteral("Runtime.evaluate"),
                                        {{"expression", expression}, {"returnByValue", true}});
        return result[QStringLiteral("result")].toObject()[QStringLiteral("value")];
    }

    // Waits until the expression gives `expected` (as text); false after
    // timeoutMs.
    bool WaitFor(const QString& expression, const QString& expected, int timeoutMs = 20000) {
        return QTest::qWaitFor(
            [&] { return Evaluate(expression).toVariant().toString() == expected; }, timeoutMs);
    }

private:
    QProcess m_process;
    QTemporaryDir m_profile;
    QWebSocket m_page;
    QMap<int, QJsonObject> m_replies;
    int m_lastId = 0;
    QString m_error;
};
