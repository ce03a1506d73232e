// marevox-sim: an instrument on a pseudo-terminal. It answers every command
// frame with one ping frame from a simulated sea, after a realistic delay,
// and can misbehave on purpose for tests. With a GNSS receiver, the boat runs
// survey lines and the sea's depth is the seabed's under it.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "tools/common/CliArgs.h"
#include "tools/sim/GnssPort.h"
#include "tools/sim/Instrument.h"
#include "tools/sim/Survey.h"
#include "tools/sim/Terminal.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kCloseGrace{200};
// The longest reply: a 500-byte frame body and its three tail bytes.
constexpr std::size_t kLongestReply = 503;

const char kUsage[] =
    "usage: marevox-sim [OPTIONS]\n"
    "\n"
    "Opens a pseudo-terminal and behaves as the echo sounder on it.\n"
    "\n"
    "  --link PATH            make PATH a symbolic link to the terminal\n"
    "  --seed N               random start value (default 1): same value, same sea\n"
    "  --log FILE             log every command frame received\n"
    "  --frames FILE          log every ping frame sent, one hex line each\n"
    "  --depth M              hold the bottom at M metres\n"
    "  --depth-min M          shallowest bottom of the drifting profile (default 3)\n"
    "  --depth-max M          deepest bottom of the drifting profile (default 30)\n"
    "  --period N             pings for one swing of the profile (default 600)\n"
    "  --bottom rock|sand|mud bottom type (default sand)\n"
    "  --fish P               chance per ping of a new fish school (default 0.01)\n"
    "  --multiple P           chance per ping of a second bottom echo (default 0.25)\n"
    "  --wake P               chance per ping that a boat's wake passes under (default 0)\n"
    "  --noise X              water-column noise, 0 for none (default 1)\n"
    "  --voltage V            supply voltage (default 12)\n"
    "  --selfcheck-flags N    self-check result byte (default 0x14: all good)\n"
    "  --tx-fail              the self-check finds the transmitter faulty\n"
    "  --rx-fail              the self-check finds the receiver faulty\n"
    "  --mark-every N         press the mark key every N pings\n"
    "  --delay-ms N           answer after N ms instead of the travel time\n"
    "  --garble P             chance per ping of damaged bytes\n"
    "  --drop P               chance per command of no answer\n"
    "  --silence-every N      after every N pings fall silent ...\n"
    "  --silence-ms N         ... for N ms (default 3000)\n"
    "  --close-after N        close the terminal after N pings and end\n"
    "\n"
    "A GNSS receiver and a boat on survey lines (the depth then follows the place):\n"
    "  --gnss PATH            make PATH a symbolic link to the receiver's terminal\n"
    "  --gnss-rate HZ         fixes per second, 0.1 to 50 (default 5)\n"
    "  --gnss-latency-ms N    send a fix's sentences N ms after its time (default 0)\n"
    "  --gnss-time fix|sent   the time the sentences carry: the fix's (default), or\n"
    "                         the time they are sent (positions older than their time)\n"
    "  --gnss-quality N       GGA fix quality 0..8 (default 4, RTK fixed)\n"
    "  --truth FILE           write the true place and depth of every ping sent (and\n"
    "                         with --wake whether it went through a wake)\n"
    "  --speed M/S            the boat's speed (default 2)\n"
    "  --pattern lines|cross  survey lines, or lines and lines across them (default lines)\n"
    "  --lines N              lines in a set (default 6)\n"
    "  --line-length M        length of a line (default 200)\n"
    "  --line-spacing M       distance between lines (default 20)\n"
    "  --origin LAT,LON       start of the first line (default 31.2,121.5)\n"
    "  --crab DEG             heading minus course, -90..90 (default 0)\n"
    "  --antenna-forward M    the antenna's place from the transducer, forward ...\n"
    "  --antenna-starboard M  ... and to starboard (default 0)\n"
    "The seabed lies between --depth-min and --depth-max, shaped by --seed.\n"
    "\n"
    "Faults of the receiver (AT,S: for S seconds from AT seconds after the start):\n"
    "  --gnss-garbage P       chance per fix of a burst of line noise before it\n"
    "  --gnss-bad-checksum P  chance per sentence of a wrong checksum\n"
    "  --gnss-no-fix AT,S     the receiver reports no fix\n"
    "  --gnss-silent AT,S     it sends nothing\n"
    "  --gnss-unplug AT,S     it is unplugged: its terminal and link go away, then\n"
    "                         come back as a new terminal\n"
    "  --gnss-time-back AT,S  its time steps S seconds back and repeats them, then\n"
    "                         is right again (the places sent stay true)\n"
    "  --gnss-leap-second AT  a leap second at the first minute's turn AT seconds or\n"
    "                         more after the start: that second is sent as hh:mm:60\n"
    "                         of the minute before, the next repeats hh:mm:00\n"
    "\n"
    "Commands on standard input: mark, garble, drop, silence MS, depth M,\n"
    "selfcheck N (the result byte of later self-checks), close, quit; with a\n"
    "receiver gnss-off, gnss-on, gnss-garbage, gnss-quality N.\n"
    "SIGUSR1 presses the mark key.\n";

int g_signalPipe[2] = {-1, -1};

void OnSignal(int signal) {
    const char c = signal == SIGUSR1 ? 'm' : 'q';
    const int saved = errno;
    (void)!::write(g_signalPipe[1], &c, 1);
    errno = saved;
}

std::int64_t UtcNowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string Hex(const std::string& bytes, const char* separator) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (i > 0) out += separator;
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

struct Options {
    std::string link;
    std::string logPath;
    std::string framesPath;
    std::uint64_t randomStart = 1;
    Instrument::Config instrument;
    double holdDepth = -1.0;
    long long delayMs = -1;
    long long silenceEvery = 0;
    long long silenceMs = 3000;
    long long closeAfter = 0;
    // The receiver and the survey, with --gnss.
    GnssPort::Config gnss;
    Survey::Config survey;
    std::string truthPath;
};

// AT,S: a stretch of S seconds from AT seconds after the start.
bool ParseStretch(const CliArgs& args, const char* name, GnssPort::Stretch* stretch,
                  std::string* error) {
    const auto text = args.Value(name);
    if (!text) return true;
    char end = 0;
    if (std::sscanf(text->c_str(), "%lf,%lf%c", &stretch->from, &stretch->seconds, &end) != 2 ||
        !(stretch->from >= 0.0 && stretch->seconds > 0.0 && stretch->seconds <= 3600.0)) {
        *error = std::string("option --") + name + " must be AT,S in seconds (S from 0 to 3600)";
        return false;
    }
    return true;
}

bool ParseFaults(const CliArgs& args, GnssPort::Faults* faults, std::string* error) {
    for (const auto& [name, chance] : {std::pair{"gnss-garbage", &faults->garbage},
                                       {"gnss-bad-checksum", &faults->badChecksum}}) {
        if (!args.Has(name)) continue;
        if (!args.Double(name, chance, error)) return false;
        if (!(*chance >= 0.0 && *chance <= 1.0)) {
            *error = std::string("option --") + name + " must be from 0 to 1";
            return false;
        }
    }
    if (args.Has("gnss-leap-second")) {
        if (!args.Double("gnss-leap-second", &faults->leapSecond, error)) return false;
        if (!(faults->leapSecond >= 0.0)) {
            *error = "option --gnss-leap-second must be 0 or more seconds";
            return false;
        }
    }
    return ParseStretch(args, "gnss-no-fix", &faults->noFix, error) &&
           ParseStretch(args, "gnss-silent", &faults->silent, error) &&
           ParseStretch(args, "gnss-unplug", &faults->unplugged, error) &&
           ParseStretch(args, "gnss-time-back", &faults->timeBack, error);
}

bool ParseSurvey(const CliArgs& args, Options* o, std::string* error) {
    Boat::Config& boat = o->survey.boat;
    long long n = 0;
    auto number = [&](const char* name, double min, double max, double* out) {
        if (!args.Has(name)) return true;
        if (!args.Double(name, out, error)) return false;
        if (*out >= min && *out <= max) return true;
        char range[64];
        std::snprintf(range, sizeof range, " must be from %g to %g", min, max);
        *error = std::string("option --") + name + range;
        return false;
    };
    if (!number("gnss-rate", 0.1, 50.0, &o->gnss.rate) ||
        !number("speed", 0.0, 30.0, &boat.speed) ||
        !number("line-length", 1.0, 100000.0, &boat.lineLength) ||
        !number("line-spacing", 1.0, 10000.0, &boat.spacing) ||
        !number("crab", -90.0, 90.0, &boat.crab) ||
        !number("antenna-forward", -100.0, 100.0, &boat.antennaForward) ||
        !number("antenna-starboard", -100.0, 100.0, &boat.antennaStarboard) ||
        !ParseFaults(args, &o->gnss.faults, error))
        return false;
    if (args.Has("gnss-latency-ms")) {
        if (!args.Int("gnss-latency-ms", 0, 10000, &n, error)) return false;
        o->gnss.latencyMs = static_cast<int>(n);
    }
    if (args.Has("gnss-quality")) {
        if (!args.Int("gnss-quality", 0, 8, &n, error)) return false;
        o->gnss.receiver.quality = static_cast<int>(n);
    }
    if (args.Has("lines")) {
        if (!args.Int("lines", 1, 1000, &n, error)) return false;
        boat.lines = static_cast<int>(n);
    }
    if (auto tag = args.Value("gnss-time")) {
        if (*tag != "fix" && *tag != "sent") {
            *error = "option --gnss-time must be fix or sent";
            return false;
        }
        o->gnss.tagSent = *tag == "sent";
    }
    if (auto pattern = args.Value("pattern")) {
        if (*pattern != "lines" && *pattern != "cross") {
            *error = "option --pattern must be lines or cross";
            return false;
        }
        boat.pattern = *pattern == "cross" ? Boat::Pattern::kCross : Boat::Pattern::kLines;
    }
    if (auto origin = args.Value("origin")) {
        char end = 0;
        double& lat = o->survey.latitude;
        double& lon = o->survey.longitude;
        if (std::sscanf(origin->c_str(), "%lf,%lf%c", &lat, &lon, &end) != 2 || lat < -85.0 ||
            lat > 85.0 || lon < -180.0 || lon > 180.0) {
            *error = "option --origin must be LAT,LON in degrees (latitude -85..85)";
            return false;
        }
    }
    o->gnss.link = args.Value("gnss").value_or("");
    o->truthPath = args.Value("truth").value_or("");
    if (!o->gnss.link.empty() && o->gnss.link == o->link) {
        *error = "options --gnss and --link must name different paths";
        return false;
    }
    if (o->gnss.link.empty()) {
        for (const char* name : {"truth",           "gnss-rate",
                                 "gnss-latency-ms", "gnss-time",
                                 "gnss-quality",    "speed",
                                 "pattern",         "lines",
                                 "line-length",     "line-spacing",
                                 "origin",          "crab",
                                 "antenna-forward", "antenna-starboard",
                                 "gnss-garbage",    "gnss-bad-checksum",
                                 "gnss-no-fix",     "gnss-silent",
                                 "gnss-unplug",     "gnss-time-back",
                                 "gnss-leap-second"}) {
            if (args.Has(name)) {
                *error = std::string("option --") + name + " needs --gnss";
                return false;
            }
        }
    }
    o->survey.seabed = {o->instrument.sea.depthMin, o->instrument.sea.depthMax};
    return true;
}

bool ParseOptions(int argc, char** argv, Options* o, std::string* error) {
    CliArgs args(argc, argv, 1, {"help", "tx-fail", "rx-fail"});
    if (!args.Error().empty()) {
        *error = args.Error();
        return false;
    }
    if (!args.Positional().empty()) {
        *error = "unexpected argument \"" + args.Positional()[0] + "\"";
        return false;
    }
    long long n = 0;
    auto number = [&](const char* name, double* out) {
        return !args.Has(name) || args.Double(name, out, error);
    };
    auto whole = [&](const char* name, long long min, long long max, long long* out) {
        return !args.Has(name) || args.Int(name, min, max, out, error);
    };
    Sea::Config& sea = o->instrument.sea;
    if (!number("depth", &o->holdDepth) || !number("depth-min", &sea.depthMin) ||
        !number("depth-max", &sea.depthMax) || !number("period", &sea.period) ||
        !number("fish", &sea.fishRate) || !number("multiple", &sea.multipleRate) ||
        !number("wake", &sea.wakeRate) || !number("noise", &sea.noise) ||
        !number("voltage", &o->instrument.voltage) ||
        !number("garble", &o->instrument.garbleRate) || !number("drop", &o->instrument.dropRate) ||
        !whole("delay-ms", 0, 60000, &o->delayMs) ||
        !whole("silence-every", 0, 1LL << 40, &o->silenceEvery) ||
        !whole("silence-ms", 0, 3600000, &o->silenceMs) ||
        !whole("close-after", 0, 1LL << 40, &o->closeAfter))
        return false;
    if (args.Has("depth") && (o->holdDepth < 1.0 || o->holdDepth > 200.0)) {
        *error = "option --depth must be from 1 to 200 metres";
        return false;
    }
    if (sea.depthMin < 1.0 || sea.depthMax > 200.0 || sea.depthMin > sea.depthMax) {
        *error = "the bottom profile must lie between 1 and 200 metres (--depth-min, --depth-max)";
        return false;
    }
    if (args.Has("seed")) {
        if (!args.Int("seed", 0, (1LL << 62), &n, error)) return false;
        o->randomStart = static_cast<std::uint64_t>(n);
    }
    if (args.Has("selfcheck-flags")) {
        if (!args.Int("selfcheck-flags", 0, 255, &n, error)) return false;
        o->instrument.selfCheckFlags = static_cast<std::uint8_t>(n);
    }
    // Faults of the self-check clear the unit's "good" bit.
    if (args.Has("tx-fail")) o->instrument.selfCheckFlags &= static_cast<std::uint8_t>(~0x04u);
    if (args.Has("rx-fail")) o->instrument.selfCheckFlags &= static_cast<std::uint8_t>(~0x10u);
    if (args.Has("mark-every")) {
        if (!args.Int("mark-every", 0, 1000000, &n, error)) return false;
        o->instrument.markEvery = static_cast<int>(n);
    }
    if (auto bottom = args.Value("bottom")) {
        if (*bottom == "rock") {
            sea.bottom = Sea::Bottom::kRock;
        } else if (*bottom == "sand") {
            sea.bottom = Sea::Bottom::kSand;
        } else if (*bottom == "mud") {
            sea.bottom = Sea::Bottom::kMud;
        } else {
            *error = "option --bottom must be rock, sand or mud";
            return false;
        }
    }
    o->link = args.Value("link").value_or("");
    o->logPath = args.Value("log").value_or("");
    o->framesPath = args.Value("frames").value_or("");
    return ParseSurvey(args, o, error);
}

class Simulator {
public:
    Simulator(const Options& options)
        : m_options(options),
          m_instrument(options.instrument, options.randomStart),
          m_start(Clock::now()) {
        const std::int64_t startUtcMs = UtcNowMs();
        if (!options.gnss.link.empty()) {
            m_survey = std::make_unique<Survey>(options.survey, options.randomStart, startUtcMs);
            m_gnss = std::make_unique<GnssPort>(options.gnss, *m_survey, options.randomStart,
                                                startUtcMs);
        }
        if (options.holdDepth > 0) {
            m_instrument.Water().HoldDepth(options.holdDepth);
            if (m_survey) m_survey->HoldDepth(options.holdDepth);
        }
    }
    ~Simulator() {
        if (m_log) std::fclose(m_log);
        if (m_frames) std::fclose(m_frames);
        if (m_truth) std::fclose(m_truth);
    }

    bool Open(std::string* error) {
        // The receiver's terminal is there once the instrument's link is.
        if ((m_gnss && !m_gnss->Open(error)) || !m_port.Open(m_options.link, error) ||
            !OpenLog(m_options.logPath, &m_log, error) ||
            !OpenLog(m_options.framesPath, &m_frames, error) ||
            !OpenLog(m_options.truthPath, &m_truth, error))
            return false;
        if (m_truth) {
            // The wake column only when wakes are asked for.
            std::fputs("ping,time_ms,time_utc,latitude,longitude,depth_m,east_m,north_m,heading",
                       m_truth);
            std::fputs(Wakes() ? ",wake\n" : "\n", m_truth);
            std::fflush(m_truth);
        }
        return true;
    }

    const std::string& Path() const { return m_port.Path(); }
    std::string GnssPath() const { return m_gnss ? m_gnss->Path() : ""; }

    int Run() {
        for (;;) {
            pollfd fds[4] = {
                {g_signalPipe[0], POLLIN, 0},
                {m_port.Master(), static_cast<short>(POLLIN | (m_out.empty() ? 0 : POLLOUT)), 0},
                {m_stdinOpen ? STDIN_FILENO : -1, POLLIN, 0},
                {m_gnss ? m_gnss->Fd() : -1, POLLIN, 0}};
            const int ready = ::poll(fds, 4, Timeout());
            if (ready < 0 && errno != EINTR) return 1;
            if (fds[0].revents & POLLIN) {
                char c = 0;
                while (::read(g_signalPipe[0], &c, 1) == 1) {
                    if (c == 'q') return 0;
                    m_instrument.PressMark();
                }
            }
            if (fds[2].revents & (POLLIN | POLLHUP)) ReadStdin();
            if (m_quit) return 0;
            if (fds[1].revents & POLLIN) ReadCommands();
            if (m_gnss) m_gnss->Serve(UtcNowMs());
            SendDueReplies();
            if (!Flush()) return 1;
            if (m_closeNow && m_out.empty()) {
                // A moment for the program to read the last frame: closing
                // the terminal discards what it has not read yet.
                if (m_closeAt == Clock::time_point{}) m_closeAt = Clock::now() + kCloseGrace;
                if (Clock::now() >= m_closeAt) {
                    m_port.Close();
                    Say("port closed");
                    return 0;
                }
            }
        }
    }

private:
    struct Reply {
        Clock::time_point due;
        std::string bytes;
        bool wake = false;  // the ping went through a wake
    };

    static bool OpenLog(const std::string& path, std::FILE** file, std::string* error) {
        if (path.empty()) return true;
        *file = std::fopen(path.c_str(), "w");
        if (*file == nullptr) *error = "cannot write " + path + ": " + std::strerror(errno);
        return *file != nullptr;
    }

    bool Wakes() const { return m_options.instrument.sea.wakeRate > 0.0; }

    double Seconds() const { return std::chrono::duration<double>(Clock::now() - m_start).count(); }

    void Say(const std::string& text) const {
        std::fprintf(stderr, "marevox-sim: %s\n", text.c_str());
    }

    int Timeout() const {
        Clock::time_point next = m_closeAt;
        if (!m_replies.empty()) next = m_replies.front().due;
        const int gnss = m_gnss ? m_gnss->TimeoutMs(UtcNowMs()) : -1;
        if (next == Clock::time_point{}) return gnss;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now()).count();
        const int timeout = left <= 0 ? 0 : static_cast<int>(left) + 1;
        return gnss < 0 ? timeout : std::min(timeout, gnss);
    }

    // The UTC time of a moment of the steady clock.
    static std::int64_t UtcMs(Clock::time_point at) {
        return UtcNowMs() +
               std::chrono::duration_cast<std::chrono::milliseconds>(at - Clock::now()).count();
    }

    std::chrono::microseconds Delay(const Instrument::Request& r, std::size_t bytes) const {
        if (m_options.delayMs >= 0) return std::chrono::milliseconds(m_options.delayMs);
        // The sound's trip down to the end of the range and back, a little
        // processing, and the frame's time on the 115200-baud line.
        const double seconds = 2.0 * Sea::WindowBottom(r.rangeIndex, r.rangeOffset) / 1500.0 +
                               0.005 + static_cast<double>(bytes) * 10.0 / 115200.0;
        return std::chrono::microseconds(static_cast<long long>(seconds * 1e6));
    }

    void ReadCommands() {
        char buffer[512];
        for (;;) {
            const ssize_t got = ::read(m_port.Master(), buffer, sizeof buffer);
            if (got <= 0) break;
            m_received.append(buffer, static_cast<std::size_t>(got));
        }
        while (auto frame = m_instrument.NextCommand(m_received)) {
            const std::string raw(frame->begin(), frame->end());
            const bool silent = Clock::now() < m_silentUntil;
            const Instrument::Request request = Instrument::Decode(*frame);
            Clock::time_point due{};
            std::optional<std::string> answer;
            if (!silent && !m_closeNow) {
                if (m_survey) {
                    // The ping sounds the seabed where the boat is when its
                    // frame goes out. Every frame takes as long as the
                    // longest one, so that moment is known beforehand.
                    due = Later(Clock::now() + Delay(request, kLongestReply));
                    m_instrument.Water().HoldDepth(m_survey->At(UtcMs(due)).depth);
                }
                answer = m_instrument.Answer(*frame);
            }
            if (m_log) {
                std::fprintf(m_log, "%.3f %s %s\n", Seconds(), Hex(raw, " ").c_str(),
                             silent ? "silent" : (answer ? "answered" : "dropped"));
                std::fflush(m_log);
            }
            if (!answer) continue;
            if (!m_survey) due = Later(Clock::now() + Delay(request, answer->size()));
            m_replies.push_back({due, std::move(*answer), m_instrument.Water().Wake()});
        }
    }

    // Replies go out in order.
    Clock::time_point Later(Clock::time_point due) const {
        return m_replies.empty() ? due : std::max(due, m_replies.back().due);
    }

    void WriteTruth(bool wake) {
        const std::int64_t now = UtcNowMs();
        const Survey::Point p = m_survey->At(now);
        const auto seconds = static_cast<std::time_t>(now / 1000);
        std::tm tm{};
        ::gmtime_r(&seconds, &tm);
        char utc[40];
        std::strftime(utc, sizeof utc, "%Y-%m-%dT%H:%M:%S", &tm);
        std::fprintf(m_truth, "%llu,%lld,%s.%03dZ,%.9f,%.9f,%.3f,%.3f,%.3f,%.2f",
                     static_cast<unsigned long long>(m_sent), static_cast<long long>(now), utc,
                     static_cast<int>(now % 1000), p.transducer.latitude, p.transducer.longitude,
                     p.depth, p.boat.east, p.boat.north, p.boat.heading);
        if (Wakes()) std::fprintf(m_truth, ",%d", wake ? 1 : 0);
        std::fputc('\n', m_truth);
        std::fflush(m_truth);
    }

    void SendDueReplies() {
        while (!m_replies.empty() && m_replies.front().due <= Clock::now()) {
            Reply reply = std::move(m_replies.front());
            m_replies.pop_front();
            m_out += reply.bytes;
            ++m_sent;
            if (m_truth) WriteTruth(reply.wake);
            if (m_frames) {
                std::fprintf(m_frames, "%s\n", Hex(reply.bytes, "").c_str());
                std::fflush(m_frames);
            }
            if (m_options.silenceEvery > 0 &&
                m_sent % static_cast<std::uint64_t>(m_options.silenceEvery) == 0)
                m_silentUntil = Clock::now() + std::chrono::milliseconds(m_options.silenceMs);
            if (m_options.closeAfter > 0 &&
                m_sent >= static_cast<std::uint64_t>(m_options.closeAfter)) {
                m_closeNow = true;
                m_replies.clear();
            }
        }
    }

    bool Flush() {
        while (!m_out.empty() && m_port.Master() >= 0) {
            const ssize_t put = ::write(m_port.Master(), m_out.data(), m_out.size());
            if (put < 0) return errno == EAGAIN || errno == EINTR;
            m_out.erase(0, static_cast<std::size_t>(put));
        }
        return true;
    }

    void ReadStdin() {
        char buffer[256];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            m_stdinOpen = false;  // no more commands; the instrument goes on
            return;
        }
        m_stdinText.append(buffer, static_cast<std::size_t>(got));
        std::size_t end;
        while ((end = m_stdinText.find('\n')) != std::string::npos) {
            Command(m_stdinText.substr(0, end));
            m_stdinText.erase(0, end + 1);
        }
    }

    void Command(const std::string& line) {
        char word[32] = {};
        double value = 0.0;
        const int fields = std::sscanf(line.c_str(), "%31s %lf", word, &value);
        const std::string command = fields >= 1 ? word : "";
        if (command == "mark") {
            m_instrument.PressMark();
        } else if (command == "garble") {
            m_instrument.GarbleNext();
        } else if (command == "drop") {
            m_instrument.DropNext();
        } else if (command == "silence" && fields == 2) {
            m_silentUntil = Clock::now() + std::chrono::milliseconds(static_cast<long long>(value));
        } else if (command == "depth" && fields == 2 && value >= 1.0 && value <= 200.0) {
            m_instrument.Water().HoldDepth(value);
            if (m_survey) m_survey->HoldDepth(value);
        } else if (command == "selfcheck" && fields == 2 && value >= 0.0 && value <= 255.0) {
            m_instrument.SetSelfCheckFlags(static_cast<std::uint8_t>(value));
        } else if (command == "close") {
            m_closeNow = true;
            m_replies.clear();
        } else if (command == "quit") {
            m_quit = true;
        } else if (m_gnss && command == "gnss-off") {
            m_gnss->SetSending(false);
        } else if (m_gnss && command == "gnss-on") {
            m_gnss->SetSending(true);
        } else if (m_gnss && command == "gnss-garbage") {
            m_gnss->SendGarbage(UtcNowMs());
        } else if (m_gnss && command == "gnss-quality" && fields == 2 && value >= 0.0 &&
                   value <= 8.0) {
            m_gnss->SetQuality(static_cast<int>(value));
        } else if (!command.empty()) {
            Say("unknown command \"" + line +
                "\" (mark, garble, drop, silence MS, depth M, selfcheck N, close, quit" +
                (m_gnss ? ", gnss-off, gnss-on, gnss-garbage, gnss-quality N)" : ")"));
        }
    }

    Options m_options;
    Instrument m_instrument;
    Clock::time_point m_start;
    Terminal m_port;
    std::unique_ptr<Survey> m_survey;
    std::unique_ptr<GnssPort> m_gnss;
    std::FILE* m_log = nullptr;
    std::FILE* m_frames = nullptr;
    std::FILE* m_truth = nullptr;
    std::string m_received;
    std::string m_out;
    std::deque<Reply> m_replies;
    std::uint64_t m_sent = 0;
    Clock::time_point m_silentUntil{};
    bool m_closeNow = false;
    Clock::time_point m_closeAt{};
    bool m_quit = false;
    bool m_stdinOpen = true;
    std::string m_stdinText;
};

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    Options options;
    std::string error;
    if (!ParseOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "marevox-sim: %s\n\n%s", error.c_str(), kUsage);
        return 2;
    }
    if (::pipe(g_signalPipe) != 0) return 1;
    for (int fd : g_signalPipe) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    ::sigemptyset(&action.sa_mask);
    for (int s : {SIGUSR1, SIGINT, SIGTERM, SIGHUP}) ::sigaction(s, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    Simulator simulator(options);
    if (!simulator.Open(&error)) {
        std::fprintf(stderr, "marevox-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("marevox-sim: instrument on %s%s%s\n", simulator.Path().c_str(),
                options.link.empty() ? "" : " linked as ", options.link.c_str());
    if (!options.gnss.link.empty())
        std::printf("marevox-sim: GNSS receiver on %s linked as %s\n", simulator.GnssPath().c_str(),
                    options.gnss.link.c_str());
    std::fflush(stdout);
    return simulator.Run();
}
