#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTest>
#include <cstdint>
#include <optional>

// A WebSocket client written by hand on a plain socket, so that a test can
// behave as no browser would: never read, never answer a ping, flood.
class RawHelmClient {
public:
    // Connects and sends the opening request for /live (with ?code= when
    // code is given); true once the server agreed to the upgrade.
    bool Open(quint16 port, const QString& code = {}) {
        m_socket.connectToHost(QStringLiteral("127.0.0.1"), port);
        if (!m_socket.waitForConnected(5000)) return false;
        const QByteArray query = code.isNull() ? QByteArray() : "?code=" + code.toUtf8();
        m_socket.write("GET /live" + query +
                       " HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\n"
                       "Connection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                       "Sec-WebSocket-Version: 13\r\n\r\n");
        QElapsedTimer timer;
        timer.start();
        while (!m_buffer.contains("\r\n\r\n") && timer.elapsed() < 5000) {
            QTest::qWait(10);
            m_buffer += m_socket.readAll();
        }
        const qsizetype end = m_buffer.indexOf("\r\n\r\n");
        if (end < 0 || !m_buffer.startsWith("HTTP/1.1 101")) return false;
        m_buffer.remove(0, end + 4);
        return true;
    }

    // One masked frame as a browser sends it (opcode 1: text).
    void SendFrame(const QByteArray& payload, std::uint8_t opcode = 1) {
        QByteArray frame;
        frame.append(static_cast<char>(0x80 | opcode));
        if (payload.size() < 126) {
            frame.append(static_cast<char>(0x80 | payload.size()));
        } else {
            frame.append(static_cast<char>(0x80 | 126));
            frame.append(static_cast<char>((payload.size() >> 8) & 0xFF));
            frame.append(static_cast<char>(payload.size() & 0xFF));
        }
        const char mask[4] = {0x11, 0x22, 0x33, 0x44};
        frame.append(mask, 4);
        for (qsizetype i = 0; i < payload.size(); ++i)
            frame.append(static_cast<char>(payload[i] ^ mask[i % 4]));
        m_socket.write(frame);
        m_socket.flush();
    }

    // The next text or binary message's payload, answering pings as a
    // browser does; nothing when the connection closed or timeoutMs passed
    // first.
    std::optional<QByteArray> NextMessage(int timeoutMs = 5000) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < timeoutMs) {
            m_buffer += m_socket.readAll();
            while (m_buffer.size() >= 2) {
                const int opcode = static_cast<unsigned char>(m_buffer[0]) & 0x0F;
                qsizetype length = static_cast<unsigned char>(m_buffer[1]) & 0x7F;
                qsizetype head = 2;
                if (length == 126) {
                    if (m_buffer.size() < 4) break;
                    length = (static_cast<unsigned char>(m_buffer[2]) << 8) |
                             static_cast<unsigned char>(m_buffer[3]);
                    head = 4;
                }
                if (m_buffer.size() < head + length) break;
                const QByteArray payload = m_buffer.mid(head, length);
                m_buffer.remove(0, head + length);
                if (opcode == 1 || opcode == 2) return payload;
                if (opcode == 8) return std::nullopt;
                if (opcode == 9) SendFrame(payload, 0xA);
            }
            if (m_socket.state() != QAbstractSocket::ConnectedState) return std::nullopt;
            QTest::qWait(5);
        }
        return std::nullopt;
    }

    // Whether the server closed the connection within timeoutMs; reads
    // nothing meanwhile.
    bool ClosedWithin(int timeoutMs) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < timeoutMs) {
            if (m_socket.state() == QAbstractSocket::UnconnectedState) return true;
            QTest::qWait(20);
        }
        return m_socket.state() == QAbstractSocket::UnconnectedState;
    }

    QTcpSocket& Socket() { return m_socket; }

private:
    QTcpSocket m_socket;
    QByteArray m_buffer;
};
