// marevox-cli live --port PATH [--count N] [--ini FILE] [--record FILE.sd]
//                  [--gpsd HOST:PORT [--gnss-latency-ms N]
//                   [--antenna-forward M] [--antenna-starboard M]]:
// the engine on a real serial port (an instrument, or marevox-sim's
// terminal), one JSON line per processed ping; --record stores the pings as
// the program's start-storing command does. With --gpsd the fixes come from
// gpsd: each ping's line gains its place, and a recording gains its two
// position files and the depth lines' position columns (docs/positions.md).
// Failures while recording are told on standard error as the window tells
// them; SIGTERM, SIGINT and SIGHUP end it as the end of --count does, with
// the recording closed.
#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "app/DepthSentence.h"
#include "app/EngineMessages.h"
#include "app/ReceiveHandler.h"
#include "app/Settings.h"
#include "engine/EngineHost.h"
#include "engine/RecordFile.h"
#include "engine/XSound.h"
#include "link/CSerialPort.h"
#include "link/CommandTransport.h"
#include "link/GpsdClient.h"
#include "link/PortSlot.h"
#include "link/TerminationSignals.h"
#include "survey/FixHistory.h"
#include "survey/PositionRecording.h"
#include "survey/TransducerPosition.h"
#include "tools/cli/CliSettings.h"
#include "tools/cli/Commands.h"
#include "tools/cli/JsonWriter.h"
#include "tools/common/CliArgs.h"

namespace {

constexpr const char* kUsage =
    "usage: marevox-cli live --port PATH [--count N] [--ini FILE] [--record FILE.sd]\n"
    "                        [--gpsd HOST:PORT [--gnss-latency-ms N]\n"
    "                         [--antenna-forward M] [--antenna-starboard M]]";
constexpr double kKnotsPerMetrePerSecond = 3600.0 / 1852.0;

int Refuse(const std::string& message) {
    std::fprintf(stderr, "marevox-cli live: %s\n%s\n", message.c_str(), kUsage);
    return 2;
}

// The program around the engine: command frames to the port, depth
// sentences noted for the ping's line, recorded pings placed.
class LiveHost : public EngineHost {
public:
    LiveHost(XSound& engine, const AppSettings& settings, CommandTransport& commands)
        : m_engine(engine), m_settings(settings), m_commands(commands) {}

    // The position files of the recording, while there is a position source.
    void SetPositions(PositionRecording* positions) { m_positions = positions; }
    std::optional<PingPlace> PlaceRecordedPing(std::uint32_t record, std::int64_t timeMs) override {
        if (m_positions == nullptr) return std::nullopt;
        const PingPosition p = m_positions->PlacePing(record, timeMs, NowMs());
        if (!p.Present()) return std::nullopt;
        return PingPlace{p.longitude, p.latitude, p.course, p.speed * kKnotsPerMetrePerSecond};
    }

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
    PositionRecording* m_positions = nullptr;
};

// The position source of --gpsd and how its fixes place a ping.
struct PositionSource {
    GpsdClient::Endpoint endpoint;
    PositionSettings settings;
};

// Reads --gpsd and its options; false with error set when they are wrong.
bool ParsePositionSource(const CliArgs& args, std::optional<PositionSource>* source,
                         std::string* error) {
    const char* options[] = {"gnss-latency-ms", "antenna-forward", "antenna-starboard"};
    const auto gpsd = args.Value("gpsd");
    if (!gpsd) {
        for (const char* name : options) {
            if (args.Has(name)) {
                *error = std::string("option --") + name + " needs --gpsd";
                return false;
            }
        }
        return true;
    }
    PositionSource s;
    const auto endpoint = GpsdClient::ParseEndpoint(*gpsd);
    if (!endpoint) {
        *error = "option --gpsd must be HOST:PORT";
        return false;
    }
    s.endpoint = *endpoint;
    long long latency = 0;
    if (args.Has("gnss-latency-ms") && !args.Int("gnss-latency-ms", -1000, 10000, &latency, error))
        return false;
    s.settings.latencyMs = static_cast<std::int32_t>(latency);
    for (const auto& [name, metres] : {std::pair{"antenna-forward", &s.settings.antennaForward},
                                       {"antenna-starboard", &s.settings.antennaStarboard}}) {
        if (!args.Has(name)) continue;
        if (!args.Double(name, metres, error)) return false;
        if (!(std::abs(*metres) <= 100.0)) {
            *error = std::string("option --") + name + " must be from -100 to 100 metres";
            return false;
        }
    }
    *source = s;
    return true;
}

std::string PositionFileProblem(const PositionLog::Status& status) {
    switch (status.problem) {
        case PositionLog::Problem::kNotRegular:
            return status.path + " is a link, FIFO, folder or device";
        case PositionLog::Problem::kOtherFormat:
            return status.path + " is not a position file of this program";
        default:
            return "cannot write " + status.path + ": " + std::strerror(status.systemError);
    }
}

// Tells on standard error when gpsd goes away and when it is back, and
// when the fixes fail and come back: what a ping processed now would get.
class GpsdWatch {
public:
    void Check(const GpsdClient& client, const std::string& endpoint, const FixHistory& fixes,
               const PositionSettings& settings, std::int64_t nowMs) {
        const GpsdClient::State now = client.CurrentState();
        if (now != m_last && now != GpsdClient::State::kConnecting) {
            if (now == GpsdClient::State::kUnreachable)
                std::fprintf(stderr, "marevox-cli live: no gpsd at %s; trying again\n",
                             endpoint.c_str());
            if (now == GpsdClient::State::kConnected)
                std::fprintf(stderr, "marevox-cli live: gpsd at %s connected\n", endpoint.c_str());
            m_last = now;
        }
        const FixHistory::Around around = fixes.Bracket(nowMs + settings.latencyMs);
        const PingPosition place = TransducerAt(around, nowMs, settings);
        Fixes state = place.Present() ? Fixes::kFix : Fixes::kNoFix;
        if (place.flag == PositionFlag::kStale) state = Fixes::kStale;
        if (around.repeatedTime) state = Fixes::kTimeBack;
        if (state == m_fixes) return;
        m_fixes = state;
        switch (state) {
            case Fixes::kFix:
                std::fprintf(stderr, "marevox-cli live: fix (%s)\n",
                             std::string(QualityName(place.quality)).c_str());
                break;
            case Fixes::kNoFix:
                std::fprintf(stderr, "marevox-cli live: no fix; the pings are not placed\n");
                break;
            case Fixes::kStale:
                std::fprintf(stderr,
                             "marevox-cli live: the last fix is more than 2 s old; the pings "
                             "are flagged stale\n");
                break;
            case Fixes::kTimeBack:
                std::fprintf(stderr,
                             "marevox-cli live: the receiver's time went back; the pings are "
                             "not placed until it passes the time it had given\n");
                break;
        }
    }

private:
    enum class Fixes { kNoFix, kFix, kStale, kTimeBack };
    GpsdClient::State m_last = GpsdClient::State::kConnecting;
    Fixes m_fixes = Fixes::kNoFix;
};

// The ping's place on its JSON line, with a position source.
void PrintPosition(JsonWriter& line, const PingPosition& p) {
    line.Double("lat", p.latitude)
        .Double("lon", p.longitude)
        .String("flag", std::string(FlagName(p.flag)));
}

void PrintPing(const XSound& engine, const LiveHost& host, std::uint64_t ping,
               const std::optional<PingPosition>& position) {
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
    if (position) PrintPosition(line, *position);
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
    if (std::string unknown =
            args.Unknown({"port", "count", "ini", "record", "gpsd", "gnss-latency-ms",
                          "antenna-forward", "antenna-starboard"});
        !unknown.empty())
        return Refuse("unknown option --" + unknown);
    if (!args.Positional().empty())
        return Refuse("unexpected argument \"" + args.Positional()[0] + "\"");
    const auto device = args.Value("port");
    if (!device || device->empty()) return Refuse("missing option --port");
    long long count = 0;  // 0: until interrupted
    std::string error;
    if (args.Has("count") && !args.Int("count", 1, 1LL << 40, &count, &error)) return Refuse(error);
    std::optional<PositionSource> source;
    if (!ParsePositionSource(args, &source, &error)) return Refuse(error);

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
    // The fixes, from gpsd on a thread of its own into the history; while
    // recording each one also goes into the raw position log.
    FixHistory fixes;
    std::unique_ptr<PositionRecording> positions;
    std::unique_ptr<GpsdClient> gpsd;
    if (source) {
        positions = std::make_unique<PositionRecording>(fixes, source->settings);
        gpsd = std::make_unique<GpsdClient>(
            fixes, [files = positions.get()](const Fix& fix) { files->LogFix(fix); });
    }
    const auto recording = args.Value("record");
    if (recording) {
        std::error_code ec;
        const bool continuing = std::filesystem::exists(RecordFile::PathsFor(*recording).data, ec);
        const EngineStatus started = engine->StartRecording(*recording);
        if (!started.Ok()) {
            std::fprintf(stderr, "marevox-cli live: %s\n", EngineMessageText(started).c_str());
            return 1;
        }
        if (positions) {
            const PositionLog::Status opened = positions->Open(*recording, continuing);
            if (!opened.Ok()) {
                std::fprintf(stderr, "marevox-cli live: %s\n", PositionFileProblem(opened).c_str());
                engine->CloseRecording();
                return 1;
            }
            host.SetPositions(positions.get());
        }
    }
    GpsdWatch gpsdWatch;
    QTimer positionTimer;
    if (gpsd) {
        gpsd->Start(source->endpoint);
        // Lines waiting for their next fix are written when it comes, even
        // when no ping follows.
        QObject::connect(&positionTimer, &QTimer::timeout, [&] {
            positions->WriteDue(host.NowMs());
            gpsdWatch.Check(*gpsd, *args.Value("gpsd"), fixes, source->settings, host.NowMs());
        });
        positionTimer.start(250);
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
        std::optional<PingPosition> position;
        if (source) position = TransducerAt(fixes, engine->PingTimeMs(), source->settings);
        PrintPing(*engine, host, ping++, position);
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
    if (engine->IsRecording()) {
        engine->CloseRecording();
        if (positions) {
            // The last pings' lines get the fix after them when it comes
            // within the latency and a fix period or two.
            const std::int64_t until = host.NowMs() + source->settings.latencyMs + 600;
            while (positions->WaitingLines() > 0 && host.NowMs() < until) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                positions->WriteDue(host.NowMs());
            }
            // A recording too short to keep takes its position files along.
            std::error_code ec;
            positions->Close(std::filesystem::exists(RecordFile::PathsFor(*recording).data, ec));
        }
    }
    host.SetPositions(nullptr);
    if (gpsd) gpsd->Stop();
    if (unrecorded.Total() > 0) {
        std::fprintf(stderr, "marevox-cli live: %llu of %llu pings not recorded\n",
                     static_cast<unsigned long long>(unrecorded.Total()),
                     static_cast<unsigned long long>(ping));
        if (result == 0) result = 3;
    }
    return result;
}
