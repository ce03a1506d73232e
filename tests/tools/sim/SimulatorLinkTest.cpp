// The program's serial layer against the instrument simulator, through a
// real pseudo-terminal.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "app/ReceiveHandler.h"
#include "app/Settings.h"
#include "link/CSerialPort.h"
#include "link/CommandTransport.h"
#include "link/PortSlot.h"
#include "tests/support/FakeHost.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/LinkTestSupport.h"

namespace {

// Keeps the command frames and sends them on through the transport.
class TransportHost : public FakeHost {
public:
    explicit TransportHost(CommandTransport& transport) : m_transport(transport) {}
    void SendCommandFrame(const std::uint8_t* frame, std::size_t length) override {
        FakeHost::SendCommandFrame(frame, length);
        m_transport.Send(frame, length);
    }

private:
    CommandTransport& m_transport;
};

// The engine connected to the instrument as the main window connects it:
// command frames through the transport to the port.
struct Station {
    Station() : transport(slot), host(transport), engine(&host) {}
    ~Station() { slot.Set(nullptr); }
    bool Connect(const std::string& device) {
        if (!port.OpenPort(1, QString::fromStdString(device), 9600, 'N', 8, 1, 9, 512) ||
            !port.StartReceiveThread())
            return false;
        port.SetBaudRate(115200);
        slot.Set(&port);
        return true;
    }

    PortSlot slot;
    CommandTransport transport;
    TransportHost host;
    XSound engine;
    CSerialPort port;
};

std::string SpacedHex(const std::vector<std::uint8_t>& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char b : bytes) {
        if (!out.empty()) out += ' ';
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

}  // namespace

TEST(SimulatorLink, ThousandPingsExactWithAWatchdogResendAfterASilence) {
    SimulatorProcess sim({"--seed", "5", "--delay-ms", "0", "--depth-min", "2", "--depth-max",
                          "120", "--period", "300", "--silence-every", "500", "--silence-ms",
                          "1000"});
    ASSERT_FALSE(sim.Link().empty()) << "marevox-sim did not start";

    Station station;
    ASSERT_TRUE(station.Connect(sim.Link()));
    auto& [slot, transport, host, engine, port] = station;

    constexpr std::size_t kPings = 1000;
    std::vector<std::string> frames;
    std::vector<float> volts;
    QObject::connect(&port, &CSerialPort::DataReceived, &port, [&](quint32, int number) {
        HandleReceiveNotification(number, slot, engine);
        if (!engine.FrameReady()) return;
        const auto raw = engine.RawFrame();
        frames.emplace_back(reinterpret_cast<const char*>(raw.data()), raw.size());
        volts.push_back(engine.SupplyVoltage());
        engine.LoadFrame({});
        engine.DiscardFrame();
        if (frames.size() == kPings) return;
        // Ask for a different range, offset and gain on every ping.
        engine.Sounding().SetRangeIndexSet(static_cast<std::uint8_t>(frames.size() % 5));
        engine.Sounding().SetRangeOffsetSet(static_cast<std::uint8_t>(frames.size() / 5 % 3));
        engine.Sounding().SetGain(static_cast<std::int8_t>(frames.size() % 81 - 40));
        engine.SendCommandFrame();
    });
    int resends = 0;
    QTimer watchdog;
    QObject::connect(&watchdog, &QTimer::timeout, [&] { resends += engine.WatchdogTick(); });
    watchdog.start(400);

    engine.SendCommandFrame();  // as the connect command does
    ASSERT_TRUE(RunUntil([&] { return frames.size() >= kPings; }, 30000))
        << frames.size() << " pings";
    watchdog.stop();
    sim.Stop();

    // Every frame arrived exactly as the simulator sent it.
    const auto sentFrames = ReadLines(sim.FramesPath());
    ASSERT_EQ(sentFrames.size(), kPings);
    for (std::size_t i = 0; i < kPings; ++i) {
        const std::string wire = FromHex(sentFrames[i]);
        ASSERT_EQ(frames[i], wire.substr(0, wire.size() - 3)) << "ping " << i;
        ASSERT_NEAR(volts[i], static_cast<unsigned char>(wire[wire.size() - 3]) / 13.2f, 1e-4);
    }

    // One command frame per ping, byte for byte, plus the watchdog's one
    // re-send of the frame the silent instrument ignored after ping 500.
    EXPECT_EQ(resends, 1);
    const auto log = ReadLines(sim.LogPath());
    ASSERT_EQ(log.size(), kPings + 1);
    ASSERT_EQ(host.frames.size(), kPings + 1);
    for (std::size_t i = 0; i < log.size(); ++i) {
        const std::string expected =
            SpacedHex(host.frames[i]) + (i == kPings / 2 ? " silent" : " answered");
        ASSERT_EQ(log[i].substr(log[i].find(' ') + 1), expected) << "command " << i;
    }
    EXPECT_EQ(host.frames[kPings / 2], host.frames[kPings / 2 + 1]);
}

TEST(SimulatorLink, ClosingTheInstrumentMidStreamIsReportedOnce) {
    SimulatorProcess sim({"--delay-ms", "1", "--close-after", "20"});
    ASSERT_FALSE(sim.Link().empty());
    Station station;
    ASSERT_TRUE(station.Connect(sim.Link()));
    auto& [slot, transport, host, engine, port] = station;
    int pings = 0;
    int warnings = 0;
    int lost = 0;
    QObject::connect(&port, &CSerialPort::Warning, &port, [&] { ++warnings; });
    QObject::connect(&port, &CSerialPort::PortLost, &port, [&] { ++lost; });
    QObject::connect(&port, &CSerialPort::DataReceived, &port, [&](quint32, int number) {
        HandleReceiveNotification(number, slot, engine);
        if (!engine.DiscardFrame()) return;
        ++pings;
        engine.SendCommandFrame();
    });
    engine.SendCommandFrame();
    ASSERT_TRUE(RunUntil([&] { return lost > 0; }, 5000));
    const double cpuBefore = CpuMilliseconds();
    RunUntil([] { return false; }, 300);
    EXPECT_LT(CpuMilliseconds() - cpuBefore, 100.0);
    EXPECT_EQ(pings, 20);
    EXPECT_EQ(warnings, 0);  // the loss is its own report
    EXPECT_EQ(lost, 1);
    EXPECT_FALSE(port.IsOpen());
}

TEST(SimulatorLink, LiveToolPrintsTheDepthOfTheSimulatedBottom) {
    SimulatorProcess sim({"--depth", "12.34", "--noise", "0", "--fish", "0", "--delay-ms", "2"});
    ASSERT_FALSE(sim.Link().empty());
    const std::string output = sim.LogPath() + ".live";
    BackgroundProcess live({MAREVOX_CLI_PATH, "live", "--port", sim.Link(), "--count", "40"},
                           output);
    ASSERT_TRUE(live.Started());
    ASSERT_TRUE(RunUntil([&] { return ReadLines(output).size() >= 40; }, 20000));
    live.Stop();
    // After the automatic range has settled the bottom is found where the
    // simulator put it, below the transducer's draft.
    XSound defaults;
    AppSettings settings;
    SetDefaultSettings(defaults, settings);
    const double expected = 12.34 + defaults.Sounding().Draft();
    const std::string last = ReadLines(output).back();
    EXPECT_NE(last.find("\"bottomFound\":true"), std::string::npos) << last;
    const auto at = last.find("\"depth\":");
    ASSERT_NE(at, std::string::npos);
    EXPECT_NEAR(std::stod(last.substr(at + 8)), expected, 0.05) << last;
}

TEST(SimulatorLink, ARecordedLiveSessionReplaysToEveryDepthOfItsTextFile) {
    // A bottom swinging between 3 and 45 m makes the automatic range step
    // up and down several times. A record that carried the range of the
    // ping before a change replayed with another depth about once in 700
    // pings of this sea.
    SimulatorProcess sim({"--depth-min", "3", "--depth-max", "45", "--period", "240", "--seed", "3",
                          "--delay-ms", "1"});
    ASSERT_FALSE(sim.Link().empty());
    const std::string base = sim.LogPath().substr(0, sim.LogPath().rfind('/')) + "/live";
    const std::string cli = std::string("TZ=UTC timeout 120 ") + MAREVOX_CLI_PATH;
    ASSERT_EQ(std::system((cli + " live --port " + sim.Link() + " --count 2000 --record " + base +
                           ".sd >/dev/null")
                              .c_str()),
              0);
    ASSERT_EQ(std::system((cli + " replay --csv " + base + ".sd >" + base + ".csv").c_str()), 0);
    ASSERT_EQ(std::system((cli + " replay " + base + ".sd >" + base + ".json").c_str()), 0);

    std::vector<std::string> live = ReadLines(base + ".txt");
    const std::vector<std::string> replayed = ReadLines(base + ".csv");
    // No position source: no position files.
    EXPECT_FALSE(std::filesystem::exists(base + ".gnss.csv") ||
                 std::filesystem::exists(base + ".pos.csv"));
    ASSERT_GT(live.size(), 1u);
    live.erase(live.begin());  // the header
    ASSERT_EQ(live.size(), replayed.size());
    for (std::size_t i = 0; i < live.size(); ++i) {
        std::string line = live[i];
        if (!line.empty() && line.back() == '\r') line.pop_back();
        line.replace(line.find("   "), 3, ",");
        ASSERT_EQ(line, replayed[i]) << "ping " << i;
    }
    // The session did change range.
    std::set<std::string> ranges;
    for (const std::string& line : ReadLines(base + ".json"))
        ranges.insert(line.substr(line.find("\"rangeIndex\":"), 14));
    EXPECT_GE(ranges.size(), 3u);
}

namespace {

std::string ReadText(const std::string& path) {
    std::string text;
    for (const std::string& line : ReadLines(path)) text += line + "\n";
    return text;
}

// The headless recorder, ended by a signal: the recording is closed with an
// index of every record, and the text file has a line for each record only.
// With a full disk for a while it says when writing resumes, how many pings
// were not recorded, and exits 3.
void RecordUntilSignalled(int signal, bool diskFillsUp) {
    SimulatorProcess sim({"--depth", "20", "--delay-ms", "1", "--seed", "5"});
    ASSERT_FALSE(sim.Link().empty());
    const std::string folder = sim.LogPath().substr(0, sim.LogPath().rfind('/'));
    const std::string base = folder + "/live", errors = folder + "/errors";
    const std::string cli = std::string("TZ=UTC ") + MAREVOX_CLI_PATH;
    std::unique_ptr<BackgroundProcess> live;
    {
        // The recorder inherits the limit: its files stop growing past it.
        std::unique_ptr<FileSizeLimit> full;
        if (diskFillsUp) full = std::make_unique<FileSizeLimit>(8000);
        live = std::make_unique<BackgroundProcess>(
            std::vector<std::string>{"/bin/sh", "-c",
                                     "TZ=UTC exec " + std::string(MAREVOX_CLI_PATH) +
                                         " live --port " + sim.Link() + " --record " + base +
                                         ".sd >/dev/null 2>" + errors},
            "/dev/null");
    }
    ASSERT_TRUE(live->Started());
    if (diskFillsUp) {
        ASSERT_TRUE(RunUntil([&] { return !ReadText(errors).empty(); }, 20000));
        RunUntil([] { return false; }, 300);
        rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
        ASSERT_EQ(::prlimit(live->Pid(), RLIMIT_FSIZE, &unlimited, nullptr), 0);
        ASSERT_TRUE(RunUntil(
            [&] { return ReadText(errors).find("recording resumed") != std::string::npos; },
            20000));
    }
    ASSERT_TRUE(RunUntil([&] { return ReadLines(base + ".txt").size() > 100; }, 20000));
    EXPECT_EQ(live->Stop(signal), diskFillsUp ? 3 : 0) << ReadText(errors);
    const std::string said = ReadText(errors);
    EXPECT_EQ(said.find("not recorded\n") != std::string::npos, diskFillsUp) << said;

    ASSERT_EQ(std::system((cli + " replay --csv " + base + ".sd >" + base + ".csv").c_str()), 0);
    std::vector<std::string> lines = ReadLines(base + ".txt");
    const std::vector<std::string> replayed = ReadLines(base + ".csv");
    lines.erase(lines.begin());  // the header
    ASSERT_EQ(lines.size(), replayed.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string line = lines[i];
        if (!line.empty() && line.back() == '\r') line.pop_back();
        line.replace(line.find("   "), 3, ",");
        ASSERT_EQ(line, replayed[i]) << "record " << i;
    }
    const std::string info = folder + "/info";
    std::system((cli + " info " + base + ".sd >" + info).c_str());
    EXPECT_NE(ReadText(info).find("\"indexAgrees\":true"), std::string::npos) << ReadText(info);
    EXPECT_EQ(ReadText(info).find("\"records\":0,"), std::string::npos) << ReadText(info);
}

}  // namespace

TEST(SimulatorLink, TheHeadlessRecorderClosesItsRecordingWhenSignalled) {
    RecordUntilSignalled(SIGINT, false);
}

TEST(SimulatorLink, TheHeadlessRecorderTellsOfAFullDiskAndWhenWritingResumes) {
    RecordUntilSignalled(SIGTERM, true);
}

TEST(SimulatorLink, TheHeadlessRecorderRefusesALinkAtARecordingsName) {
    SimulatorProcess sim({"--delay-ms", "1"});
    ASSERT_FALSE(sim.Link().empty());
    const std::string folder = sim.LogPath().substr(0, sim.LogPath().rfind('/'));
    const std::string precious = folder + "/precious";
    std::system(("printf 'keep me' >" + precious).c_str());
    for (const char* suffix : {".sd", ".idx", ".txt"}) {
        SCOPED_TRACE(suffix);
        const std::string base = folder + "/line" + suffix[1];
        ASSERT_EQ(::symlink(precious.c_str(), (base + suffix).c_str()), 0);
        const std::string errors = base + ".errors";
        const int status =
            std::system(("timeout 20 " + std::string(MAREVOX_CLI_PATH) + " live --port " +
                         sim.Link() + " --count 5 --record " + base + ".sd >/dev/null 2>" + errors)
                            .c_str());
        EXPECT_EQ(WEXITSTATUS(status), 1);
        EXPECT_NE(ReadText(errors).find(base + suffix), std::string::npos) << ReadText(errors);
        EXPECT_EQ(ReadText(precious), "keep me\n");
    }
}
