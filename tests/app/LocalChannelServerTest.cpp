#include "app/CLocalChannelServer.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTest>
#include <atomic>
#include <cstring>
#include <memory>
#include <string>

#include "app/CompanionMessages.h"
#include "engine/XSound.h"
#include "link/LocalChannelFrame.h"
#include "resources/CommandIds.h"

namespace {

QString UniqueName() {
    static std::atomic<int> counter{0};
    return QStringLiteral("marevox-test-%1-%2")
        .arg(QCoreApplication::applicationPid())
        .arg(++counter);
}

std::unique_ptr<QLocalSocket> Connect(const QString& name) {
    auto socket = std::make_unique<QLocalSocket>();
    socket->connectToServer(name);
    EXPECT_TRUE(socket->waitForConnected(2000)) << name.toStdString();
    return socket;
}

void Write(QLocalSocket& socket, const std::string& bytes) {
    socket.write(bytes.data(), static_cast<qint64>(bytes.size()));
    socket.flush();
}

// True when the server closed the connection within two seconds.
bool ClosedByServer(QLocalSocket& socket) {
    return QTest::qWaitFor([&] { return socket.state() == QLocalSocket::UnconnectedState; }, 2000);
}

std::string U32(std::uint32_t v) {
    std::string out;
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>((v >> shift) & 0xFF));
    return out;
}

class LocalChannelServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(server.Start(), CLocalChannelServer::StartResult::kListening);
    }

    QString name = UniqueName();
    CLocalChannelServer server{name};
    QSignalSpy copyData{&server, &CLocalChannelServer::CopyDataReceived};
    QSignalSpy processNow{&server, &CLocalChannelServer::ProcessNowReceived};
    QSignalSpy commands{&server, &CLocalChannelServer::CommandReceived};
};

TEST_F(LocalChannelServerTest, DeliversWholeFramesHoweverTheBytesArrive) {
    auto client = Connect(name);
    const std::string stream =
        EncodeCopyData("OV-Piling00012") + EncodeProcessNow() + EncodeCommand(CommandId::kConnect);
    // One byte at a time, then everything in one write.
    for (char byte : stream) {
        Write(*client, std::string(1, byte));
        QCoreApplication::processEvents();
    }
    Write(*client, stream);
    ASSERT_TRUE(QTest::qWaitFor([&] { return commands.size() == 2; }, 2000));
    ASSERT_EQ(copyData.size(), 2);
    EXPECT_EQ(copyData[0][0].toByteArray(), QByteArray("OV-Piling00012"));
    EXPECT_EQ(processNow.size(), 2);
    EXPECT_EQ(commands[1][0].toUInt(), static_cast<quint32>(CommandId::kConnect));
}

TEST_F(LocalChannelServerTest, ServesSeveralClientsAtOnce) {
    auto first = Connect(name);
    auto second = Connect(name);
    Write(*first, EncodeCopyData("OV-Simple"));
    Write(*second, EncodeCopyData("OV-Usual"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return copyData.size() == 2; }, 2000));
    EXPECT_EQ(server.ClientCount(), 2);
    first->disconnectFromServer();
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.ClientCount() == 1; }, 2000));
}

TEST_F(LocalChannelServerTest, UnknownMessagesAreDroppedAndTheConnectionStays) {
    auto client = Connect(name);
    Write(*client, EncodeLocalFrame(0x0400, "whatever") + EncodeLocalFrame(0x0111 + 1, {}) +
                       EncodeCopyData("OV-Usual"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return copyData.size() == 1; }, 2000));
    EXPECT_EQ(processNow.size() + commands.size(), 0);
    EXPECT_EQ(client->state(), QLocalSocket::ConnectedState);
}

TEST_F(LocalChannelServerTest, MalformedFramesCloseOnlyThatConnection) {
    auto bystander = Connect(name);
    const std::string malformed[] = {
        U32(LocalChannelFrame::kCopyData) + U32(64 * 1024 + 1),           // too long
        U32(LocalChannelFrame::kCommand) + U32(3) + std::string("abc"),   // short command id
        U32(LocalChannelFrame::kProcessNow) + U32(1) + std::string("x"),  // process-now with data
    };
    for (const std::string& frame : malformed) {
        auto client = Connect(name);
        // The frame, then a good one that must not be acted on.
        Write(*client, frame + EncodeCommand(CommandId::kConnect));
        EXPECT_TRUE(ClosedByServer(*client));
    }
    EXPECT_EQ(copyData.size() + processNow.size() + commands.size(), 0);
    // The server and its other clients go on.
    Write(*bystander, EncodeProcessNow());
    EXPECT_TRUE(QTest::qWaitFor([&] { return processNow.size() == 1; }, 2000));
    EXPECT_EQ(server.ClientCount(), 1);
}

TEST_F(LocalChannelServerTest, LargestFrameIsAccepted) {
    auto client = Connect(name);
    Write(*client, EncodeCopyData(std::string(64 * 1024, 'x')));
    ASSERT_TRUE(QTest::qWaitFor([&] { return copyData.size() == 1; }, 2000));
    EXPECT_EQ(copyData[0][0].toByteArray().size(), 64 * 1024);
}

TEST_F(LocalChannelServerTest, OnlyTheCurrentUserCanReachTheSocket) {
    struct stat info {};
    ASSERT_EQ(::stat(server.FullServerName().toLocal8Bit().constData(), &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    EXPECT_EQ(info.st_mode & (S_IRWXG | S_IRWXO), 0u);
    EXPECT_EQ(info.st_uid, ::getuid());
}

TEST_F(LocalChannelServerTest, ASecondProgramDoesNotTakeTheName) {
    CLocalChannelServer second(name);
    EXPECT_EQ(second.Start(), CLocalChannelServer::StartResult::kNameInUse);
    EXPECT_FALSE(second.IsListening());
    // The first one still answers.
    auto client = Connect(name);
    Write(*client, EncodeProcessNow());
    EXPECT_TRUE(QTest::qWaitFor([&] { return processNow.size() == 1; }, 2000));
}

TEST(LocalChannelServerStart, RecoversANameLeftBehind) {
    // A socket file nobody listens on, as a killed program leaves it.
    const QString name = UniqueName();
    const QByteArray path = QDir(QDir::tempPath()).filePath(name).toLocal8Bit();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(static_cast<std::size_t>(path.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    ASSERT_TRUE(QFileInfo::exists(QString::fromLocal8Bit(path)));

    CLocalChannelServer server(name);
    ASSERT_EQ(server.Start(), CLocalChannelServer::StartResult::kListening);
    EXPECT_EQ(server.FullServerName(), QString::fromLocal8Bit(path));
    QSignalSpy processNow(&server, &CLocalChannelServer::ProcessNowReceived);
    auto client = Connect(name);
    Write(*client, EncodeProcessNow());
    EXPECT_TRUE(QTest::qWaitFor([&] { return processNow.size() == 1; }, 2000));
}

// The server's messages reach the engine through the companion handling.
class NullWindow : public CompanionTarget {
public:
    void SetCompactMode() override {}
    void SetFullMode() override {}
    bool ExecuteCommand(int id) override {
        lastCommand = id;
        return true;
    }
    int lastCommand = 0;
};

TEST_F(LocalChannelServerTest, DeliversToTheCompanionMessages) {
    XSound engine;
    NullWindow window;
    CompanionMessages messages(engine, window);
    QObject context;
    server.DeliverTo(messages, &context);
    auto client = Connect(name);
    Write(*client, EncodeCopyData(std::string("OV-Piling00345\0", 15)) +
                       EncodeCommand(CommandId::kChannel81) + EncodeCommand(CommandId::kMark));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.lastCommand != 0; }, 2000));
    EXPECT_EQ(engine.m_markNumber.load(), 345);
    EXPECT_EQ(engine.m_markFlag.load(), 1);
    EXPECT_EQ(engine.m_channelCode.load(), 0x81);
    EXPECT_EQ(window.lastCommand, CommandId::kMark);
}

}  // namespace
