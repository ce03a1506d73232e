// marevox-cli live --port PATH [--count N] [--ini FILE] [--record FILE.sd]
//                  [--gpsd HOST:PORT | --gnss-serial PATH[:BAUD]]
//                  [--gnss-latency-ms N] [--antenna-forward M] [--antenna-starboard M]:
// the engine on a real serial port (an instrument, or marevox-sim's
// terminal), one JSON line per processed ping; --record stores the pings as
// the program's start-storing command does. With a position source (section
// GNSS of the --ini file, or --gpsd or --gnss-serial, which override it) the
// fixes come from gpsd or a serial NMEA receiver: each ping's line gains its
// place, and a recording gains its two position files and the depth lines'
// position columns (docs/positions.md).
// Failures while recording are told on standard error as the window tells
// them; SIGTERM, SIGINT and SIGHUP end it as the end of --count does, with
// the recording closed.
#include <QCoreApplication>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "app/DepthSentence.h"
#include "app/EngineMessages.h"
#include "app/ReceiveHandler.h"
#include "app/Settings.h"
#include "app/SettingsLocation.h"
#include "engine/EngineHost.h"
#include "engine/RecordFile.h"
#include "engine/XSound.h"
#include "link/CSerialPort.h"
#include "link/CommandTransport.h"
#include "link/PortSlot.h"
#include "link/PositionSource.h"
#include "link/TerminationSignals.h"
#include "settings/SettingLimits.h"
#include "survey/FixHistory.h"
#include "survey/TransducerPosition.h"
#include "tools/cli/CliSettings.h"
#include "tools/cli/Commands.h"
#include "tools/cli/JsonWriter.h"
#include "tools/common/CliArgs.h"

namespace {

constexpr const char* kUsage =
    "usage: marevox-cli live --port PATH [--count N] [--ini FILE] [--record FILE.sd]\n"
    "                        [--gpsd HOST:PORT | --gnss-serial PATH[:BAUD]]\n"
    "                        [--gnss-latency-ms N] [--antenna-forward M] [--antenna-starboard M]";

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

    // The position source, whose files sit beside the recording.
    void SetPositions(PositionSource* positions) { m_positions = positions; }
    std::optional<PingPlace> PlaceRecordedPing(std::uint32_t record, std::int64_t timeMs) override {
        if (m_positions == nullptr) return std::nullopt;
        return m_positions->PlaceRecordedPing(record, timeMs, NowMs());
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
    PositionSource* m_positions = nullptr;
};

// The position source: section GNSS of the settings, then the command
// line's options over it. False with error set when they are wrong.
bool ParsePositionSource(const CliArgs& args, const PositionSourceSettings& file,
                         const std::string& iniPath, PositionSource::Config* source,
                         std::string* error) {
    using Kind = PositionSource::Config::Kind;
    PositionSource::Config s =
        PositionSource::FromSettings(file, SettingsLocation::PortDevice(iniPath, file.serialPort));
    const auto gpsd = args.Value("gpsd");
    const auto serial = args.Value("gnss-serial");
    if (gpsd && serial) {
        *error = "options --gpsd and --gnss-serial exclude each other";
        return false;
    }
    if (gpsd) {
        const auto endpoint = GpsdClient::ParseEndpoint(*gpsd);
        if (!endpoint) {
            *error = "option --gpsd must be HOST:PORT";
            return false;
        }
        s.kind = Kind::kGpsd;
        s.gpsd = *endpoint;
    }
    if (serial) {
        // PATH or PATH:BAUD; a path may hold colons of its own.
        std::string path = *serial;
        const std::size_t colon = path.rfind(':');
        if (colon != std::string::npos && colon + 1 < path.size() &&
            path.find_first_not_of("0123456789", colon + 1) == std::string::npos) {
            const long long baud = std::stoll(path.substr(colon + 1).substr(0, 9));
            if (baud < SettingLimits::kMinBaud || baud > SettingLimits::kMaxBaud) {
                *error = "option --gnss-serial: the baud rate must be from 50 to 4000000";
                return false;
            }
            s.serialBaud = static_cast<std::int32_t>(baud);
            path.resize(colon);
        }
        if (path.empty()) {
            *error = "option --gnss-serial must be PATH[:BAUD]";
            return false;
        }
        s.kind = Kind::kSerial;
        s.serialDevice = QString::fromStdString(path);
    }
    const char* options[] = {"gnss-latency-ms", "antenna-forward", "antenna-starboard"};
    if (s.kind == Kind::kNone) {
        for (const char* name : options) {
            if (args.Has(name)) {
                *error = std::string("option --") + name + " needs --gpsd or --gnss-serial";
                return false;
            }
        }
    }
    long long latency = s.placing.latencyMs;
    if (args.Has("gnss-latency-ms") && !args.Int("gnss-latency-ms", SettingLimits::kMinLatencyMs,
                                                 SettingLimits::kMaxLatencyMs, &latency, error))
        return false;
    s.placing.latencyMs = static_cast<std::int32_t>(latency);
    for (const auto& [name, metres] : {std::pair{"antenna-forward", &s.placing.antennaForward},
                                       {"antenna-starboard", &s.placing.antennaStarboard}}) {
        if (!args.Has(name)) continue;
        if (!args.Double(name, metres, error)) return false;
        if (!(std::abs(*metres) <= SettingLimits::kMaxAntennaOffset)) {
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

// Tells on standard error when the source goes away and when it is back,
// and when the fixes fail and come back: what a ping processed now would get.
class SourceWatch {
public:
    void Check(const PositionSource& source, const PositionSource::Config& config,
               const FixHistory& fixes, std::int64_t nowMs) {
        const PositionSource::State now = source.CurrentState();
        if (now != m_last && now != PositionSource::State::kConnecting) {
            const bool gpsd = config.kind == PositionSource::Config::Kind::kGpsd;
            const std::string where = gpsd ? "gpsd at " + config.gpsd.host + ":" + config.gpsd.port
                                           : "the receiver on " + config.serialDevice.toStdString();
            if (now == PositionSource::State::kUnreachable)
                std::fprintf(stderr, "marevox-cli live: no %s; trying again\n", where.c_str());
            if (now == PositionSource::State::kReceiving)
                std::fprintf(stderr, "marevox-cli live: %s connected\n", where.c_str());
            m_last = now;
        }
        const PositionSettings& settings = config.placing;
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
    PositionSource::State m_last = PositionSource::State::kConnecting;
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
            args.Unknown({"port", "count", "ini", "record", "gpsd", "gnss-serial",
                          "gnss-latency-ms", "antenna-forward", "antenna-starboard"});
        !unknown.empty())
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
    PositionSource::Config source;
    if (!ParsePositionSource(args, settings.Positions(), args.Value("ini").value_or(""), &source,
                             &error))
        return Refuse(error);
    const bool withSource = source.kind != PositionSource::Config::Kind::kNone;

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
    // The fixes, from gpsd or the receiver on a thread of their own into the
    // history; while recording each one also goes into the raw position log.
    FixHistory fixes;
    PositionSource positions(fixes);
    positions.Start(source);
    const auto recording = args.Value("record");
    if (recording) {
        std::error_code ec;
        const bool continuing = std::filesystem::exists(RecordFile::PathsFor(*recording).data, ec);
        const EngineStatus started = engine->StartRecording(*recording);
        if (!started.Ok()) {
            std::fprintf(stderr, "marevox-cli live: %s\n", EngineMessageText(started).c_str());
            return 1;
        }
        const PositionLog::Status opened = positions.OpenRecording(*recording, continuing);
        if (!opened.Ok()) {
            std::fprintf(stderr, "marevox-cli live: %s\n", PositionFileProblem(opened).c_str());
            engine->CloseRecording();
            return 1;
        }
        host.SetPositions(&positions);
    }
    SourceWatch sourceWatch;
    QTimer positionTimer;
    if (withSource) {
        // Lines waiting for their next fix are written when it comes, even
        // when no ping follows.
        QObject::connect(&positionTimer, &QTimer::timeout, [&] {
            positions.WriteDue(host.NowMs());
            sourceWatch.Check(positions, source, fixes, host.NowMs());
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
        if (withSource) position = TransducerAt(fixes, engine->PingTimeMs(), source.placing);
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
        positions.CloseRecording();
    }
    host.SetPositions(nullptr);
    positions.Stop();
    if (unrecorded.Total() > 0) {
        std::fprintf(stderr, "marevox-cli live: %llu of %llu pings not recorded\n",
                     static_cast<unsigned long long>(unrecorded.Total()),
                     static_cast<unsigned long long>(ping));
        if (result == 0) result = 3;
    }
    return result;
}
