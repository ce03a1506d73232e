#include "app/CLocalChannelServer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/CompanionMessages.h"
#include "engine/XSound.h"
#include "link/ChannelFolder.h"
#include "link/LocalChannelFrame.h"
#include "resources/CommandIds.h"
#include "tests/support/LinkTestSupport.h"

namespace {

std::unique_ptr<QLocalSocket> Connect(const QString& name, int timeoutMs = 2000) {
    auto socket = std::make_unique<QLocalSocket>();
    socket->connectToServer(name);
    EXPECT_TRUE(socket->waitForConnected(timeoutMs)) << name.toStdString();
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

// A channel folder of the test's own (QTemporaryDir makes it 0700).
class ChannelTest : public ::testing::Test {
protected:
    QString Path(const char* name) const { return folder.filePath(QString::fromLatin1(name)); }
    QTemporaryDir folder;
};

class LocalChannelServerTest : public ChannelTest {
protected:
    void SetUp() override {
        ASSERT_EQ(server.Start(), CLocalChannelServer::StartResult::kListening)
            << server.ErrorText().toStdString();
    }

    QString name = Path("Nereon");
    CLocalChannelServer server{name, nullptr, std::chrono::milliseconds(400)};
    QSignalSpy copyData{&server, &CLocalChannelServer::CopyDataReceived};
    QSignalSpy processNow{&server, &CLocalChannelServer::ProcessNowReceived};
    QSignalSpy commands{&server, &CLocalChannelServer::CommandReceived};
};

TEST_F(LocalChannelServerTest, DeliversWholeFramesHoweverTheBytesArrive) {
    auto client = Connect(name);
    // Unknown messages are dropped and the connection stays.
    const std::string stream = EncodeCopyData("OV-Piling00012") + EncodeProcessNow() +
                               EncodeLocalFrame(0x0400, "whatever") +
                               EncodeLocalFrame(0x0111 + 1, {}) +
                               EncodeCommand(CommandId::kConnect);
    // One byte at a time, then everything in one write.
    for (char byte : stream) {
        Write(*client, std::string(1, byte));
        QCoreApplication::processEvents();
    }
    Write(*client, stream);
    ASSERT_TRUE(QTest::qWaitFor([&] { return commands.size() >= 2; }, 2000));
    QTest::qWait(50);
    EXPECT_EQ(commands.size(), 2);
    ASSERT_EQ(copyData.size(), 2);
    EXPECT_EQ(copyData[0][0].toByteArray(), QByteArray("OV-Piling00012"));
    EXPECT_EQ(processNow.size(), 2);
    EXPECT_EQ(commands[1][0].toUInt(), static_cast<quint32>(CommandId::kConnect));
    EXPECT_EQ(client->state(), QLocalSocket::ConnectedState);
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

TEST_F(ChannelTest, RecoversANameLeftBehind) {
    // A socket file nobody listens on, as a killed program leaves it.
    const QString name = Path("Nereon");
    const QByteArray path = name.toLocal8Bit();
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
    EXPECT_EQ(engine.MarkNumber(), 345);
    EXPECT_EQ(engine.MarkFlag(), 1);
    EXPECT_EQ(engine.Sounding().ChannelCode(), 0x81);
    EXPECT_EQ(window.lastCommand, CommandId::kMark);
}

}  // namespace

namespace {

// Lowers this process's soft limit of open files for the test's duration.
class FileLimit {
public:
    explicit FileLimit(rlim_t soft) {
        ::getrlimit(RLIMIT_NOFILE, &m_saved);
        rlimit lowered = m_saved;
        lowered.rlim_cur = soft;
        ::setrlimit(RLIMIT_NOFILE, &lowered);
    }
    ~FileLimit() { ::setrlimit(RLIMIT_NOFILE, &m_saved); }

private:
    rlimit m_saved{};
};

// A child process that opens count connections to path and holds them,
// idle, until it is ended. Its own file limit is raised for that.
class IdleCrowd {
public:
    IdleCrowd(const std::string& path, int count) {
        m_pid = ::fork();
        if (m_pid != 0) return;
        rlimit limit{};
        ::getrlimit(RLIMIT_NOFILE, &limit);
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        for (int i = 0; i < count; ++i) {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
            if (fd < 0) break;
            ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        }
        for (;;) ::pause();
    }
    ~IdleCrowd() {
        if (m_pid <= 0) return;
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }

private:
    pid_t m_pid = -1;
};

}  // namespace

TEST_F(LocalChannelServerTest, CrowdsAndIdleConnectionsCannotExhaustTheChannel) {
    FileLimit limit(160);
    {
        IdleCrowd crowd(name.toStdString(), 1100);
        // The server takes its share and no more; the crowd's connections
        // are closed once they have been idle too long.
        EXPECT_TRUE(QTest::qWaitFor([&] { return server.ClientCount() > 0; }, 5000));
        for (int i = 0; i < 10; ++i) {
            EXPECT_LE(server.ClientCount(), CLocalChannelServer::kMaxClients);
            QTest::qWait(30);
        }

        // The program's own files and dialogs still open meanwhile.
        std::vector<std::unique_ptr<QFile>> files;
        for (int i = 0; i < 40; ++i) {
            files.push_back(std::make_unique<QFile>(folder.filePath(QString::number(i))));
            ASSERT_TRUE(files.back()->open(QIODevice::WriteOnly)) << i;
        }
        QFileDialog dialog(nullptr, QString(), folder.path());
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.show();
        QTest::qWait(100);
        dialog.selectFile(QStringLiteral("0"));
        EXPECT_EQ(dialog.selectedFiles().size(), 1);
        dialog.close();

        // Idle connections give way to one that speaks (behind the crowd's
        // queued ones, each taken and closed when idle in its turn).
        auto client = Connect(name, 10000);
        Write(*client, EncodeProcessNow());
        EXPECT_TRUE(QTest::qWaitFor([&] { return processNow.size() == 1; }, 5000));
    }
    EXPECT_TRUE(server.IsListening());
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.ClientCount() <= 1; }, 3000));
}

TEST_F(LocalChannelServerTest, KeepsListeningWhenNoDescriptorIsLeftToTakeAConnection) {
    FileLimit limit(128);
    auto client = Connect(name);
    Write(*client, EncodeCommand(CommandId::kConnect));
    // Every descriptor in use when the server tries to take the connection.
    std::vector<int> spare;
    for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) spare.push_back(fd);
    QTest::qWait(50);
    EXPECT_TRUE(server.IsListening());
    EXPECT_EQ(commands.size(), 0);
    for (int fd : spare) ::close(fd);
    EXPECT_TRUE(QTest::qWaitFor([&] { return commands.size() == 1; }, 2000));
    EXPECT_TRUE(server.IsListening());
}

TEST_F(LocalChannelServerTest, AConnectionWithoutACompleteMessageIsClosedWhenIdle) {
    auto talker = Connect(name);
    auto halfway = Connect(name);
    Write(*halfway, EncodeCopyData("OV-Simple").substr(0, 6));
    for (int i = 0; i < 4; ++i) {  // messages keep a connection open
        Write(*talker, EncodeProcessNow());
        QTest::qWait(150);
    }
    EXPECT_TRUE(ClosedByServer(*halfway));
    EXPECT_EQ(talker->state(), QLocalSocket::ConnectedState);
    EXPECT_EQ(processNow.size(), 4);
}

// Names in a folder another user can enter or owns, or a socket someone
// else made, are refused with a reason; as root the test also plays the
// other user, whose connections are refused one by one.
TEST_F(ChannelTest, PlacesOtherUsersCanReachAreRefused) {
    const QByteArray dir = folder.path().toLocal8Bit();
    ASSERT_EQ(::chmod(dir.constData(), 0755), 0);
    CLocalChannelServer open(Path("Nereon"));
    EXPECT_EQ(open.Start(), CLocalChannelServer::StartResult::kFailed);
    EXPECT_TRUE(open.ErrorText().contains(QStringLiteral("open to other users")));
    EXPECT_FALSE(QFileInfo::exists(Path("Nereon")));
    ASSERT_EQ(::chmod(dir.constData(), 0700), 0);
    EXPECT_EQ(CheckPrivateFolder(dir.toStdString()), "");
    // A name longer than a socket address holds is refused for that reason.
    CLocalChannelServer tooLong(Path("Nereon") + QString(110, QLatin1Char('x')));
    EXPECT_EQ(tooLong.Start(), CLocalChannelServer::StartResult::kFailed);
    EXPECT_TRUE(tooLong.ErrorText().endsWith(QString::fromLocal8Bit(std::strerror(ENAMETOOLONG))))
        << tooLong.ErrorText().toStdString();
    if (::getuid() != 0) return;  // only root can act as another user

    constexpr uid_t kOther = 65534;
    ASSERT_EQ(::chown(dir.constData(), kOther, kOther), 0);
    CLocalChannelServer foreignFolder(Path("Nereon"));
    EXPECT_EQ(foreignFolder.Start(), CLocalChannelServer::StartResult::kFailed);
    EXPECT_TRUE(foreignFolder.ErrorText().contains(QStringLiteral("owned by another user")));
    ASSERT_EQ(::chown(dir.constData(), 0, 0), 0);

    {
        CLocalChannelServer someoneElses(Path("Kelvara"));
        ASSERT_EQ(someoneElses.Start(), CLocalChannelServer::StartResult::kListening);
        ASSERT_EQ(::chown(Path("Kelvara").toLocal8Bit().constData(), kOther, kOther), 0);
        CLocalChannelServer second(Path("Kelvara"));
        EXPECT_EQ(second.Start(), CLocalChannelServer::StartResult::kFailed);
    }

    // The other user reaches the socket (folder and socket opened up after
    // the start) and is turned away all the same.
    CLocalChannelServer server(Path("Nereon"));
    ASSERT_EQ(server.Start(), CLocalChannelServer::StartResult::kListening);
    QSignalSpy processNow(&server, &CLocalChannelServer::ProcessNowReceived);
    ASSERT_EQ(::chmod(dir.constData(), 0711), 0);
    ASSERT_EQ(::chmod(Path("Nereon").toLocal8Bit().constData(), 0666), 0);
    const std::string path = Path("Nereon").toStdString();
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(kOther) != 0 || ::setuid(kOther) != 0) ::_exit(2);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) ::_exit(3);
        const std::string frame = EncodeProcessNow();
        if (::write(fd, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size()))
            ::_exit(4);
        char byte = 0;
        ::_exit(::read(fd, &byte, 1) <= 0 ? 0 : 5);  // closed (or reset) by the server
    }
    int status = -1;
    ASSERT_TRUE(QTest::qWaitFor([&] { return ::waitpid(child, &status, WNOHANG) == child; }, 3000));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    QTest::qWait(50);
    EXPECT_EQ(processNow.size(), 0);
    EXPECT_EQ(server.ClientCount(), 0);
}

// With every slot taken a newcomer still gets in: the connection that has
// gone longest without sending a byte makes room, not one that has spoken.
TEST_F(LocalChannelServerTest, ANewcomerTakesTheSlotOfTheLongestSilentConnection) {
    std::vector<std::unique_ptr<QLocalSocket>> clients;
    for (int i = 0; i < CLocalChannelServer::kMaxClients; ++i) {
        clients.push_back(Connect(name));
        ASSERT_TRUE(QTest::qWaitFor([&] { return server.ClientCount() == i + 1; }, 2000));
    }
    Write(*clients[0], EncodeCopyData("OV-Simple").substr(0, 3));  // the oldest speaks
    QTest::qWait(20);
    auto newcomer = Connect(name);
    Write(*newcomer, EncodeProcessNow());
    ASSERT_TRUE(QTest::qWaitFor([&] { return processNow.size() == 1; }, 2000));
    EXPECT_TRUE(ClosedByServer(*clients[1]));
    for (int i : {0, 2, CLocalChannelServer::kMaxClients - 1})
        EXPECT_EQ(clients[static_cast<std::size_t>(i)]->state(), QLocalSocket::ConnectedState) << i;
    EXPECT_EQ(server.ClientCount(), CLocalChannelServer::kMaxClients);
}

// A real client flooding the channel with idle connections that reconnect
// the moment they are dropped keeps no command out: each one sent while it
// floods, as a companion sends it, is served well before an idle
// connection would time out. Prints the delays.
TEST_F(ChannelTest, AFloodOfIdleConnectionsKeepsNoCommandOut) {
    using Clock = std::chrono::steady_clock;
    const QString name = Path("Nereon");
    CLocalChannelServer server(name);
    ASSERT_EQ(server.Start(), CLocalChannelServer::StartResult::kListening);
    Clock::time_point served;
    int commands = 0;
    QObject::connect(&server, &CLocalChannelServer::CommandReceived, [&] {
        served = Clock::now();
        ++commands;
    });
    for (const char* count : {"1100", "5000"}) {
        QProcess flooder;
        flooder.start(QString::fromLocal8Bit(CHANNEL_FLOODER_PATH),
                      {name, QString::fromLatin1(count)});
        ASSERT_TRUE(flooder.waitForReadyRead(20000)) << count;
        ASSERT_TRUE(RunUntil(
            [&] { return server.ClientCount() == CLocalChannelServer::kMaxClients; }, 5000));
        RunUntil([] { return false; }, 1500);  // the flood in full swing

        std::vector<double> delays;
        for (int n = 0; n < 10; ++n) {
            const int before = commands;
            std::atomic<bool> done{false};
            const Clock::time_point sent = Clock::now();
            std::unique_ptr<QThread> companion(QThread::create([&] {
                QLocalSocket socket;
                // A full listening queue refuses a connection while the
                // flood pours in; a companion tries again, as this one does.
                for (;;) {
                    socket.connectToServer(name);
                    if (socket.waitForConnected(1000)) break;
                    socket.abort();
                    if (done) return;
                    QThread::msleep(20);
                }
                Write(socket, EncodeCommand(CommandId::kConnect));
                while (!done) socket.waitForReadyRead(10);
            }));
            companion->start();
            // Generous for a loaded machine; without room made for a
            // newcomer the command is never served while the flood lasts.
            const bool got = RunUntil([&] { return commands > before; }, 10000);
            EXPECT_TRUE(got) << count << " connections, command " << n;
            done = true;
            companion->wait();
            if (got)
                delays.push_back(std::chrono::duration<double, std::milli>(served - sent).count());
        }
        std::sort(delays.begin(), delays.end());
        if (!delays.empty())
            std::printf(
                "[  figures ] %s idle connections: %zu of 10 commands served, median %.1f ms, "
                "slowest %.1f ms\n",
                count, delays.size(), delays[delays.size() / 2], delays.back());
        flooder.kill();
        flooder.waitForFinished();
        EXPECT_TRUE(server.IsListening());
    }
}
