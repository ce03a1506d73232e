// marevox-cli live --port PATH [--count N] [--ini FILE] [--record FILE.sd]:
// the engine on a real serial port (an instrument, or marevox-sim's
// terminal), one JSON line per processed ping; --record stores the pings as
// the program's start-storing command does. Failures while recording are
// told on standard error as the window tells them; SIGTERM, SIGINT and
// SIGHUP end it as the end of --count does, with the recording closed.
#include <QCoreApplication>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "app/DepthSentence.h"
#include "app/EngineMessages.h"
#include "app/ReceiveHandler.h"
#include "app/Settings.h"
#include "engine/EngineHost.h"
#include "engine/XSound.h"
#include "link/CSerialPort.h"
#include "link/CommandTransport.h"
#include "link/PortSlot.h"
#include "link/TerminationSignals.h"
#include "tools/cli/CliSettings.h"
#include "tools/cli/Commands.h"
#include "tools/cli/JsonWriter.h"
#include "tools/common/CliArgs.h"

namespace {

constexpr const char* kUsage =
    "usage: marevox-cli live --port PATH [--count N] [--ini FILE] [--record FILE.sd]";

int Refuse(const std::string& message) {
    std::fprintf(stderr, "marevox-cli live: %s\n%s\n", message.c_str(), kUsage);
    return 2;
}

// The program around the engine: command frames to the port, depth
// sentences noted for the ping's line.
class LiveHost : public EngineHost {
public:
    LiveHost(XSound& engine, const AppSettings& settings, CommandTransport& commands)
        : m_engine(engine), m_settings(settings), m_commands(commands) {}

    void SendCommandFrame(const std::uint8_t* frame, std::size_t length) override {
        m_commands.Send(frame, length);
    }
    void OutputDepth() override { output = BuildDepthSentence(m_settings, m_engine); }
    void AdvanceAndPaint() override { markFlag = m_engine.TakeMarkFlag(); }
    void Report(const EngineStatus& status) override {
        std::fprintf(stderr, "marevox-cli live: %s\n", EngineMessageText(status).c_str());
    }

    std::string output;
    std::uint8_t markFlag = 0;

private:
    XSound& m_engine;
    const AppSettings& m_settings;
    CommandTransport& m_commands;
};

void PrintPing(const XSound& engine, const LiveHost& host, std::uint64_t ping) {
    JsonWriter line;
    line.UInt("ping", ping)
        .UInt("sampleCount", engine.SampleCount())
        .Bool("bottomFound", engine.BottomFound() != 0)
        .Double("depth", engine.Depth())
        .Double("smoothed", engine.SmoothedDepth())
        .Int("gain", engine.Sounding().Gain())
        .Int("rangeIndex", engine.Sounding().RangeIndex())
        .Int("rangeOffset", engine.Sounding().RangeOffset())
        .Double("voltage", std::round(engine.SupplyVoltage() * 10.0f) / 10.0)
        .Int("markFlag", host.markFlag)
        .Int("markNumber", engine.MarkNumber());
    if (host.output.empty()) {
        line.Null("output");
    } else {
        line.String("output", host.output);
    }
    std::printf("%s\n", line.Line().c_str());
    std::fflush(stdout);
}

// Follows the pings a full disk keeps out of the recording: says when
// writing resumes, and keeps the total for the end.
class UnrecordedWatch {
public:
    void AfterPing(std::uint32_t unrecordedNow) {
        if (unrecordedNow > m_last) m_total += unrecordedNow - m_last;
        if (m_last > 0 && unrecordedNow == 0)
            std::fprintf(stderr,
                         "marevox-cli live: recording resumed after %u pings not recorded\n",
                         m_last);
        m_last = unrecordedNow;
    }
    std::uint64_t Total() const { return m_total; }

private:
    std::uint32_t m_last = 0;
    std::uint64_t m_total = 0;
};

}  // namespace

int CmdLive(int argc, char** argv, int first) {
    CliArgs args(argc, argv, first, {});
    if (!args.Error().empty()) return Refuse(args.Error());
    if (std::string unknown = args.Unknown({"port", "count", "ini", "record"}); !unknown.empty())
        return Refuse("unknown option --" + unknown);
    if (!args.Positional().empty())
        return Refuse("unexpected argument \"" + args.Positional()[0] + "\"");
    const auto device = args.Value("port");
    if (!device || device->empty()) return Refuse("missing option --port");
    long long count = 0;  // 0: until interrupted
    std::string error;
    if (args.Has("count") && !args.Int("count", 1, 1LL << 40, &count, &error)) return Refuse(error);

    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QCoreApplication app(qtArgc, qtArgv);

    auto engine = std::make_unique<XSound>();
    AppSettings settings;
    PortSlot instrumentPort;
    CommandTransport commands(instrumentPort);
    LiveHost host(*engine, settings, commands);
    engine->SetHost(&host);
    if (!LoadSettingsOption(args, "live", *engine, settings)) return 1;

    CSerialPort port;
    QObject::connect(&port, &CSerialPort::Warning, [](const QString& text) {
        std::fprintf(stderr, "%s", text.toLocal8Bit().constData());
    });
    QObject::connect(&port, &CSerialPort::PortLost, [] {
        std::fprintf(stderr, "marevox-cli live: the port has gone away\n");
        QCoreApplication::exit(1);
    });
    if (!port.OpenPort(1, QString::fromStdString(*device), 9600, 'N', 8, 1,
                       CSerialPort::kEvRxChar | CSerialPort::kEvCts, 512)) {
        std::fprintf(stderr, "marevox-cli live: cannot open %s\n", device->c_str());
        return 1;
    }
    const auto recording = args.Value("record");
    if (recording) {
        const EngineStatus started = engine->StartRecording(*recording);
        if (!started.Ok()) {
            std::fprintf(stderr, "marevox-cli live: %s\n", EngineMessageText(started).c_str());
            return 1;
        }
    }
    port.StartReceiveThread();
    port.SetBaudRate(115200);
    instrumentPort.Set(&port);

    std::uint64_t ping = 0;
    UnrecordedWatch unrecorded;
    QObject::connect(&port, &CSerialPort::DataReceived, [&](quint32, int portNumber) {
        HandleReceiveNotification(portNumber, instrumentPort, *engine);
        host.output.clear();
        host.markFlag = 0;
        if (engine->StepLive() != 1) return;
        if (engine->IsRecording()) unrecorded.AfterPing(engine->UnrecordedPings());
        PrintPing(*engine, host, ping++);
        if (count > 0 && ping >= static_cast<std::uint64_t>(count)) QCoreApplication::exit(0);
    });
    // The main window's timers: the command watchdog every 400 ms and the
    // mark key's debounce counter every 100 ms.
    QTimer watchdog;
    QObject::connect(&watchdog, &QTimer::timeout, [&] { engine->WatchdogTick(); });
    watchdog.start(400);
    QTimer debounce;
    QObject::connect(&debounce, &QTimer::timeout, [&] { engine->TickMarkDebounce(100); });
    debounce.start(100);

    // Asked to end: the recording is closed as at the end of --count.
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::Received,
                     [] { QCoreApplication::exit(0); });

    engine->SendCommandFrame();  // as the connect command does
    engine->ResetWatchdog();
    int result = QCoreApplication::exec();
    instrumentPort.Set(nullptr);
    if (engine->IsRecording()) engine->CloseRecording();
    if (unrecorded.Total() > 0) {
        std::fprintf(stderr, "marevox-cli live: %llu of %llu pings not recorded\n",
                     static_cast<unsigned long long>(unrecorded.Total()),
                     static_cast<unsigned long long>(ping));
        if (result == 0) result = 3;
    }
    return result;
}
