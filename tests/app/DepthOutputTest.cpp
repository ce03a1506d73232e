#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/CSettingsDialogs.h"
#include "app/DepthOutput.h"
#include "app/Settings.h"
#include "app/UserPrompts.h"
#include "link/ChannelFolder.h"
#include "link/LocalChannelFrame.h"
#include "tests/support/FakeHost.h"
#include "tests/support/FakePort.h"
#include "tests/support/LinkTestSupport.h"
#include "tests/support/LoopbackReceiver.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/StalledCompanion.h"
#include "tests/support/TempDir.h"

namespace {

// A companion program listening as "Kelvara" (at a private path) that keeps
// every copy-data text it receives.
class Companion {
public:
    explicit Companion(const QString& path) {
        QObject::connect(&m_server, &QLocalServer::newConnection, [this] {
            while (QLocalSocket* s = m_server.nextPendingConnection()) {
                auto decoder = std::make_shared<LocalChannelDecoder>();
                auto take = [this, s, decoder] {
                    const QByteArray bytes = s->readAll();
                    decoder->Feed(bytes.constData(), static_cast<std::size_t>(bytes.size()));
                    LocalChannelFrame frame;
                    while (decoder->Next(&frame) == LocalChannelDecoder::Status::kFrame)
                        if (frame.id == LocalChannelFrame::kCopyData)
                            texts.push_back(frame.payload);
                };
                QObject::connect(s, &QLocalSocket::readyRead, s, take);
                QObject::connect(s, &QLocalSocket::disconnected, s, [s, take] {
                    take();
                    s->deleteLater();
                });
                take();
            }
        });
        m_server.listen(path);
    }
    std::vector<std::string> texts;

private:
    QLocalServer m_server;
};

const std::string kSddbt = "$SDDBT,38.85,f,11.84,M,6.47,F\r\n";

class DepthOutputTest : public EngineTest {
protected:
    DepthOutputTest() {
        engine.SetSmoothedDepth(12.345);
        engine.Sounding().SetDraft(0.5);
        settings.m_depType.store(3);
        settings.SetIp("127.0.0.1");
    }
    QString CompanionPath() const { return dir.filePath(QStringLiteral("Kelvara")); }
    // A companion that starts listening gets the next depths.
    void ExpectServedOnceListening(DepthOutput& output) {
        Companion companion(CompanionPath());
        ASSERT_TRUE(RunUntil(
            [&] {
                output.OutputDepth();
                return !companion.texts.empty();
            },
            3000));
        EXPECT_EQ(companion.texts.front(), kSddbt);
    }

    QTemporaryDir dir;
    AppSettings settings;
};

}  // namespace

TEST_F(DepthOutputTest, CompanionAndOutputPortReceiveTheExactSentence) {
    Companion companion(CompanionPath());
    DepthOutput output(engine, settings, CompanionPath());
    FakePort port;
    output.OutputPort().Set(&port);
    EXPECT_TRUE(output.OutputPortOpen());

    EXPECT_EQ(output.OutputDepth(), kSddbt);
    settings.m_depType.store(0);
    EXPECT_EQ(output.OutputDepth(), "DT 001234\r\n");
    ASSERT_TRUE(RunUntil([&] { return companion.texts.size() == 2; }, 2000));
    EXPECT_EQ(companion.texts, (std::vector<std::string>{kSddbt, "DT 001234\r\n"}));
    EXPECT_EQ(port.sent, (std::vector<std::string>{kSddbt, "DT 001234\r\n"}));

    output.OutputPort().Set(nullptr);
    EXPECT_FALSE(output.OutputPortOpen());
}

TEST_F(DepthOutputTest, TypeOutsideTheFiveFormatsSendsNothingAnywhere) {
    Companion companion(CompanionPath());
    LoopbackReceiver receiver;
    settings.m_portSend.store(receiver.Port());
    engine.Sounding().SetUseNet(1);
    DepthOutput output(engine, settings, CompanionPath());
    FakePort port;
    output.OutputPort().Set(&port);
    settings.m_depType.store(5);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(output.OutputDepth(), "");
    RunUntil([] { return false; }, 200);
    EXPECT_TRUE(companion.texts.empty());
    EXPECT_TRUE(port.sent.empty());
    EXPECT_FALSE(receiver.Pending(0));
}

TEST_F(DepthOutputTest, NetworkLinkLosesTheFirstDepthThenCarriesEveryOne) {
    LoopbackReceiver receiver;
    settings.m_portSend.store(receiver.Port());
    DepthOutput output(engine, settings, CompanionPath());

    output.OutputDepth();  // UseNet 0: the link stays closed
    EXPECT_FALSE(receiver.Pending(100));

    engine.Sounding().SetUseNet(1);
    output.OutputDepth();  // fails on the unopened link and opens it
    ASSERT_EQ(receiver.Accept(), NetLink::kLocalPort);
    engine.SetSmoothedDepth(7.5);
    settings.m_depType.store(4);
    output.OutputDepth();
    EXPECT_EQ(receiver.Read(21), "$SDDPT,7.50,0.0,100\r\n");
}

TEST_F(DepthOutputTest, StalledCompanionCostsTheCallerNothingAndIsServedWhenItAnswersAgain) {
    const std::string path = CompanionPath().toStdString();
    auto stalled = std::make_unique<StalledCompanion>(path);
    DepthOutput output(engine, settings, CompanionPath());
    FakePort port;
    output.OutputPort().Set(&port);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 50; ++i) EXPECT_EQ(output.OutputDepth(), kSddbt);
    EXPECT_LT(timer.elapsed(), 100);  // nobody waited for the companion
    EXPECT_EQ(port.sent.size(), 50u);
    // What the companion did not take in time is counted.
    EXPECT_TRUE(RunUntil([&] { return output.CompanionDropped() == 50; }, 3000));

    stalled.reset();
    ExpectServedOnceListening(output);
    EXPECT_EQ(output.CompanionDropped(), 50u);
}

// Without a companion each depth is counted as failed, not dropped; one that
// starts listening gets the next depth.
TEST_F(DepthOutputTest, MissingCompanionCostsNothingAndOneThatStartsIsServed) {
    DepthOutput output(engine, settings, CompanionPath());
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 20; ++i) output.OutputDepth();
    EXPECT_LT(timer.elapsed(), 500);
    const auto failed = [&] {
        return output.Log().Count()[static_cast<int>(OutputLog::Sink::kCompanion)]
                                   [static_cast<int>(OutputLog::Result::kFailed)];
    };
    EXPECT_EQ(failed(), 20u);
    EXPECT_EQ(output.CompanionDropped(), 0u);

    ExpectServedOnceListening(output);
    EXPECT_EQ(output.CompanionDropped(), 0u);
}

// With the channel folder refused (here a runtime folder others can enter)
// the companion's name has no place at all: the depths do not go to the
// name in the shared temporary folder, where anyone may listen.
TEST_F(DepthOutputTest, NoSafeChannelFolderMeansNoDepthsForTheCompanion) {
    QTemporaryDir shared;
    QTemporaryDir open;
    ASSERT_EQ(::chmod(open.path().toLocal8Bit().constData(), 0755), 0);
    ScopedEnvironment runtime("XDG_RUNTIME_DIR", open.path().toStdString());
    ScopedEnvironment temporary("TMPDIR", shared.path().toStdString());
    const ChannelFolder channels = ChannelFolder::Find();
    Companion listener(QDir::temp().filePath(QStringLiteral("Kelvara")));
    {
        DepthOutput output(engine, settings, QString::fromStdString(channels.NamePath("Kelvara")));
        for (int i = 0; i < 5; ++i) output.OutputDepth();
        RunUntil([] { return false; }, 300);
        EXPECT_EQ(output.Log().Count()[static_cast<int>(OutputLog::Sink::kCompanion)]
                                      [static_cast<int>(OutputLog::Result::kFailed)],
                  5u);
    }
    EXPECT_FALSE(channels.error.empty());
    EXPECT_TRUE(listener.texts.empty());
}

// A listener run by another user under the companion's name gets
// connections but never a byte; the depths count as failed, not dropped.
// Only root can play the other user.
TEST_F(DepthOutputTest, ACompanionOfAnotherUserIsNeverWrittenTo) {
    if (::getuid() != 0) return;
    constexpr uid_t kOther = 65534;
    const std::string path = CompanionPath().toStdString();
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        // Exit 0: five connections came and brought nothing; 1: bytes came;
        // 2: too few connections; 3: setup failed.
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const timeval limit{3, 0};  // for accept
        if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::setgid(kOther) != 0 || ::setuid(kOther) != 0 || ::listen(listener, 32) != 0 ||
            ::setsockopt(listener, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit) != 0 ||
            ::write(ready[1], "x", 1) != 1)
            ::_exit(3);
        ssize_t bytes = 0;
        for (int i = 0; i < 5; ++i) {
            const int fd = ::accept(listener, nullptr, nullptr);
            if (fd < 0) ::_exit(2);
            char buffer[64];
            bytes += std::max<ssize_t>(0, ::read(fd, buffer, sizeof buffer));  // 0: closed at once
            ::close(fd);
        }
        ::_exit(bytes > 0 ? 1 : 0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);

    DepthOutput output(engine, settings, CompanionPath());
    const auto failed = [&] {
        return output.Log().Count()[static_cast<int>(OutputLog::Sink::kCompanion)]
                                   [static_cast<int>(OutputLog::Result::kFailed)];
    };
    for (std::uint64_t i = 1; i <= 5; ++i) {
        output.OutputDepth();
        EXPECT_TRUE(RunUntil([&] { return failed() == i; }, 2000)) << failed();
    }
    EXPECT_EQ(output.CompanionDropped(), 0u);
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// The depth-output device vanishing (its far end closed) stops the output
// and says so once, naming the port and the device, while depths go on.
TEST_F(DepthOutputTest, ALostOutputPortIsSaidOnceWithItsPortAndDevice) {
    struct : UserPrompts {
        void Message(QWidget*, const QString& text) override { said << text; }
        void PortWarning(QWidget*, const QString& text) override { said << text; }
        QStringList said;
    } prompts;
    PseudoTerminal pty;
    const std::string ini = dir.filePath(QStringLiteral("Marevox.ini")).toStdString();
    WriteAll(ini, "[Ports]\nCOM3=" + pty.Path() + "\n");
    DepthOutput output(engine, settings, CompanionPath());
    std::atomic<bool> headerDue{false};
    CSettingsDialogs dialogs({engine, settings, prompts, headerDue, &output.OutputPort(), ini, {}},
                             nullptr);
    ASSERT_TRUE(dialogs.OpenOutputPort(3, 9600));
    output.OutputDepth();
    EXPECT_EQ(pty.Read(kSddbt.size(), 2000), kSddbt);

    pty.CloseMaster();
    EXPECT_TRUE(RunUntil([&] { return !prompts.said.isEmpty(); }, 3000));
    for (int i = 0; i < 5; ++i) output.OutputDepth();
    RunUntil([] { return false; }, 300);
    EXPECT_EQ(prompts.said,
              QStringList{QString::fromStdString(
                  "水深输出已停止：与输出设备的连接已断开（串口 COM3：" + pty.Path() + "）")});
    EXPECT_FALSE(dialogs.OutputPortOpen() || output.OutputPortOpen());
}
