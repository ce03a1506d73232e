// marevox-sim's GNSS receiver on its real pseudo-terminal: gpsd (Debian's)
// takes it as a receiver and reports the boat where the simulator's truth
// says it was; the sentences leave the injected latency after their fix;
// the receiver falls silent, sends garbage and changes its fix on command.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/TempDir.h"
#include "tests/tools/sim/NmeaFields.h"
#include "tools/sim/GeoOrigin.h"

extern char** environ;

namespace {

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// A program in the background, its output into a file, with a pipe to its
// standard input; ended with SIGTERM.
class Program {
public:
    Program(std::vector<std::string> args, const std::string& output) {
        if (::pipe(m_input) != 0) return;
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawn_file_actions_adddup2(&actions, m_input[0], 0);
        ::posix_spawn_file_actions_addclose(&actions, m_input[1]);
        ::posix_spawn_file_actions_addopen(&actions, 1, output.c_str(),
                                           O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::posix_spawn_file_actions_adddup2(&actions, 1, 2);
        if (::posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        ::posix_spawn_file_actions_destroy(&actions);
        ::close(m_input[0]);
    }
    ~Program() {
        Stop();
        ::close(m_input[1]);
    }
    bool Started() const { return m_pid > 0; }
    void Send(const std::string& line) { (void)!::write(m_input[1], line.data(), line.size()); }
    void Stop() {
        if (m_pid <= 0) return;
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    int m_input[2] = {-1, -1};
    pid_t m_pid = -1;
};

bool WaitFor(const std::string& path) {
    struct stat s {};
    for (int i = 0; i < 300 && ::stat(path.c_str(), &s) != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return ::stat(path.c_str(), &s) == 0;
}

// marevox-sim with a receiver, its truth file and its terminals in a folder.
struct Simulator {
    Simulator(const TempDir& dir, const std::string& name, std::vector<std::string> options)
        : instrument(dir.File(name + ".instrument")),
          gnss(dir.File(name + ".gnss")),
          truth(dir.File(name + ".truth.csv")),
          process(
              [&] {
                  std::vector<std::string> args = {
                      MAREVOX_SIM_PATH, "--link", instrument,   "--gnss", gnss,
                      "--truth",        truth,    "--delay-ms", "0"};
                  args.insert(args.end(), options.begin(), options.end());
                  return args;
              }(),
              dir.File(name + ".out")) {}
    bool Ready() const { return process.Started() && WaitFor(instrument); }

    std::string instrument, gnss, truth;
    Program process;
};

// A terminal opened the way a client opens a serial port.
int OpenTerminal(const std::string& path) {
    return ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
}

// Asks the instrument for a ping now and then and throws its answers away,
// so that the simulator writes its truth.
class Pinger {
public:
    explicit Pinger(const std::string& path) : m_fd(OpenTerminal(path)) {}
    ~Pinger() { ::close(m_fd); }
    void Tick() {
        char buffer[4096];
        while (::read(m_fd, buffer, sizeof buffer) > 0) {
        }
        if (NowMs() < m_next) return;
        // Range 5 m, gain 0.
        const unsigned char command[10] = {0x20, 0x42, 0x60, 0, 0x10, 1, 0xA0, 0, 0xE5, 0};
        (void)!::write(m_fd, command, sizeof command);
        m_next = NowMs() + 40;
    }

private:
    int m_fd;
    std::int64_t m_next = 0;
};

// The lines that come out of a terminal within a time, each with the
// moment it arrived.
std::vector<std::pair<std::int64_t, std::string>> ReadLinesFor(int fd, int ms) {
    std::vector<std::pair<std::int64_t, std::string>> lines;
    std::string pending;
    const std::int64_t end = NowMs() + ms;
    for (std::int64_t now = NowMs(); now < end; now = NowMs()) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(end - now)) != 1) continue;
        char buffer[4096];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0) continue;
        pending.append(buffer, static_cast<std::size_t>(got));
        for (std::size_t nl; (nl = pending.find('\n')) != std::string::npos;) {
            lines.emplace_back(NowMs(), pending.substr(0, nl + 1));
            pending.erase(0, nl + 1);
        }
    }
    return lines;
}

// A loopback TCP port nobody listens on at the moment.
int FreePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(s, reinterpret_cast<sockaddr*>(&address), size);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(s);
    return ntohs(address.sin_port);
}

int ConnectWhenListening(int port) {
    for (int attempt = 0; attempt < 500; ++attempt) {
        const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return s;
        ::close(s);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
}

// A number or a string of gpsd's flat JSON reports.
std::optional<double> Number(const std::string& json, const std::string& key) {
    const std::size_t at = json.find("\"" + key + "\":");
    if (at == std::string::npos) return std::nullopt;
    return std::strtod(json.c_str() + at + key.size() + 3, nullptr);
}

std::string Text(const std::string& json, const std::string& key) {
    const std::size_t at = json.find("\"" + key + "\":\"");
    if (at == std::string::npos) return "";
    const std::size_t from = at + key.size() + 4;
    return json.substr(from, json.find('"', from) - from);
}

// 2026-12-08T14:44:34.400Z in ms since 1970.
std::int64_t IsoMs(const std::string& iso) {
    std::tm tm{};
    double seconds = 0.0;
    std::sscanf(iso.c_str(), "%d-%d-%dT%d:%d:%lfZ", &tm.tm_year, &tm.tm_mon, &tm.tm_mday,
                &tm.tm_hour, &tm.tm_min, &seconds);
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    return static_cast<std::int64_t>(::timegm(&tm)) * 1000 + std::llround(seconds * 1000.0);
}

struct TruthRow {
    std::int64_t ms;
    double latitude, longitude;
};

std::vector<TruthRow> ReadTruth(const std::string& path) {
    std::vector<TruthRow> rows;
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "ping,time_ms,time_utc,latitude,longitude,depth_m,east_m,north_m,heading");
    for (long long ms = 0; std::getline(in, line);) {
        TruthRow r{};
        if (std::sscanf(line.c_str(), "%*d,%lld,%*[^,],%lf,%lf", &ms, &r.latitude, &r.longitude) ==
            3)
            rows.push_back({ms, r.latitude, r.longitude});
    }
    return rows;
}

// How long after its fix each GGA arrived (below a second), the median.
std::int64_t MedianLateness(const std::vector<std::pair<std::int64_t, std::string>>& lines) {
    std::vector<std::int64_t> late;
    for (const auto& [arrived, line] : lines) {
        const auto f = NmeaFields(line.substr(0, line.size() - 2));
        if (f.size() < 2 || f[0] != "GNGGA") continue;
        const std::int64_t fixMs = std::llround(std::fmod(std::stod(f[1]), 1.0) * 1000.0);
        late.push_back((arrived % 1000 - fixMs + 1000) % 1000);
    }
    std::sort(late.begin(), late.end());
    return late.empty() ? -1 : late[late.size() / 2];
}

}  // namespace

TEST(SimulatorGnss, GpsdTakesTheReceiverAndReportsTheTruePlace) {
    TempDir dir;
    Simulator sim(dir, "sim", {"--seed", "3"});
    ASSERT_TRUE(sim.Ready());
    char device[256] = {};
    ASSERT_GT(::readlink(sim.gnss.c_str(), device, sizeof device - 1), 0);
    const int port = FreePort();
    Program gpsd(
        {GPSD_PATH, "-N", "-n", "-F", dir.File("gpsd.sock"), "-S", std::to_string(port), device},
        dir.File("gpsd.log"));
    ASSERT_TRUE(gpsd.Started());
    const int client = ConnectWhenListening(port);
    ASSERT_GE(client, 0) << "gpsd does not listen";
    const std::string watch = "?WATCH={\"enable\":true,\"json\":true};\n";
    ASSERT_EQ(::write(client, watch.data(), watch.size()), static_cast<ssize_t>(watch.size()));

    Pinger pinger(sim.instrument);
    std::vector<std::string> fixes, headings;
    std::string received;
    const std::int64_t end = NowMs() + 20000;
    while (fixes.size() < 15 && NowMs() < end) {
        pinger.Tick();
        pollfd p{client, POLLIN, 0};
        if (::poll(&p, 1, 10) != 1) continue;
        char buffer[8192];
        const ssize_t got = ::read(client, buffer, sizeof buffer);
        ASSERT_GT(got, 0) << "gpsd closed the connection";
        received.append(buffer, static_cast<std::size_t>(got));
        for (std::size_t nl; (nl = received.find('\n')) != std::string::npos;) {
            const std::string report = received.substr(0, nl);
            received.erase(0, nl + 1);
            if (Text(report, "class") == "TPV" && !Text(report, "time").empty())
                fixes.push_back(report);
            if (Text(report, "class") == "ATT") headings.push_back(report);
        }
    }
    ::close(client);
    gpsd.Stop();
    sim.process.Stop();
    ASSERT_GE(fixes.size(), 15u) << "gpsd reported " << fixes.size() << " fixes in 20 s";

    // Every fix against the truth at its time, between the pings around it.
    const std::vector<TruthRow> truth = ReadTruth(sim.truth);
    const GeoOrigin grid(31.2, 121.5);
    int compared = 0;
    for (const std::string& fix : fixes) {
        SCOPED_TRACE(fix);
        EXPECT_EQ(Number(fix, "mode"), 3.0);
        EXPECT_NEAR(Number(fix, "track").value_or(-1.0), 90.0, 0.01);  // the first line, eastward
        EXPECT_NEAR(Number(fix, "speed").value_or(-1.0), 2.0, 0.001);
        const std::int64_t t = IsoMs(Text(fix, "time"));
        EXPECT_EQ(t % 200, 0);  // on the 5 Hz grid
        const auto after =
            std::find_if(truth.begin(), truth.end(), [&](const TruthRow& r) { return r.ms >= t; });
        if (after == truth.begin() || after == truth.end()) continue;
        const TruthRow& a = *(after - 1);
        const TruthRow& b = *after;
        const double w = static_cast<double>(t - a.ms) / static_cast<double>(b.ms - a.ms);
        const GeoOrigin::Local there = grid.ToLocal(a.latitude + w * (b.latitude - a.latitude),
                                                    a.longitude + w * (b.longitude - a.longitude));
        const GeoOrigin::Local reported = grid.ToLocal(*Number(fix, "lat"), *Number(fix, "lon"));
        EXPECT_LT(std::hypot(reported.east - there.east, reported.north - there.north), 0.01);
        ++compared;
    }
    EXPECT_GE(compared, 10);
    ASSERT_FALSE(headings.empty());
    EXPECT_NEAR(Number(headings.back(), "heading").value_or(-1.0), 90.0, 0.01);
}

TEST(SimulatorGnss, SentencesLeaveTheLatencyAfterTheirFixAndObeyCommands) {
    TempDir dir;
    Simulator prompt(dir, "prompt", {});
    Simulator late(dir, "late", {"--gnss-latency-ms", "300", "--gnss-rate", "10"});
    ASSERT_TRUE(prompt.Ready());
    ASSERT_TRUE(late.Ready());
    const int promptFd = OpenTerminal(prompt.gnss);
    const int lateFd = OpenTerminal(late.gnss);
    ASSERT_GE(promptFd, 0);
    ASSERT_GE(lateFd, 0);
    const std::int64_t promptLateness = MedianLateness(ReadLinesFor(promptFd, 2000));
    const auto lateLines = ReadLinesFor(lateFd, 2000);
    EXPECT_GE(promptLateness, 0);
    EXPECT_LT(promptLateness, 100);
    EXPECT_NEAR(static_cast<double>(MedianLateness(lateLines) - promptLateness), 300.0, 50.0);
    // Ten fixes a second: twenty GGA in two seconds.
    const auto fixes = std::count_if(lateLines.begin(), lateLines.end(), [](const auto& l) {
        return l.second.rfind("$GNGGA", 0) == 0;
    });
    EXPECT_NEAR(static_cast<double>(fixes), 20.0, 2.0);

    // A lost receiver sends nothing; garbage is sentences that fail their
    // checksum; back on, it sends the fix quality it was given.
    late.process.Send("gnss-off\n");
    ReadLinesFor(lateFd, 500);
    EXPECT_TRUE(ReadLinesFor(lateFd, 1000).empty());
    late.process.Send("gnss-garbage\n");
    bool badSentence = false;
    for (const auto& [at, line] : ReadLinesFor(lateFd, 500)) {
        EXPECT_TRUE(NmeaFields(line.substr(0, line.size() - 2)).empty()) << line;
        badSentence = badSentence || line.rfind("$GNGGA", 0) == 0;
    }
    EXPECT_TRUE(badSentence);
    late.process.Send("gnss-quality 0\ngnss-on\n");
    int noFix = 0;
    for (const auto& [at, line] : ReadLinesFor(lateFd, 1000)) {
        const auto f = NmeaFields(line.substr(0, line.size() - 2));
        ASSERT_FALSE(f.empty()) << line;
        if (f[0] == "GNGGA") noFix += f[6] == "0" && f[2].empty();
    }
    EXPECT_GE(noFix, 5);
    ::close(promptFd);
    ::close(lateFd);
}
