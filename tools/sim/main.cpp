// marevox-sim: an instrument on a pseudo-terminal. It answers every command
// frame with one ping frame from a simulated sea, after a realistic delay,
// and can misbehave on purpose for tests.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>

#include "tools/common/CliArgs.h"
#include "tools/sim/Instrument.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kCloseGrace{200};

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
    "Commands on standard input: mark, garble, drop, silence MS, depth M,\n"
    "selfcheck N (the result byte of later self-checks), close, quit.\n"
    "SIGUSR1 presses the mark key.\n";

int g_signalPipe[2] = {-1, -1};

void OnSignal(int signal) {
    const char c = signal == SIGUSR1 ? 'm' : 'q';
    const int saved = errno;
    (void)!::write(g_signalPipe[1], &c, 1);
    errno = saved;
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
};

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
        !number("noise", &sea.noise) || !number("voltage", &o->instrument.voltage) ||
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
    return true;
}

class Simulator {
public:
    Simulator(const Options& options)
        : m_options(options),
          m_instrument(options.instrument, options.randomStart),
          m_start(Clock::now()) {
        if (options.holdDepth > 0) m_instrument.Water().HoldDepth(options.holdDepth);
    }
    ~Simulator() {
        ClosePort();
        if (m_log) std::fclose(m_log);
        if (m_frames) std::fclose(m_frames);
        if (!m_options.link.empty()) ::unlink(m_options.link.c_str());
    }

    bool Open(std::string* error) {
        char name[256] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
            *error = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
            return false;
        }
        // Bytes pass unchanged, nothing is echoed. The simulator keeps its own
        // slave open so the terminal lives while programs connect and leave.
        termios t{};
        ::tcgetattr(m_slave, &t);
        ::cfmakeraw(&t);
        ::cfsetspeed(&t, B115200);
        ::tcsetattr(m_slave, TCSANOW, &t);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
        ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
        m_path = name;
        if (!m_options.link.empty()) {
            ::unlink(m_options.link.c_str());
            if (::symlink(name, m_options.link.c_str()) != 0) {
                *error = "cannot make the link " + m_options.link + ": " + std::strerror(errno);
                return false;
            }
        }
        if (!OpenLog(m_options.logPath, &m_log, error) ||
            !OpenLog(m_options.framesPath, &m_frames, error))
            return false;
        return true;
    }

    const std::string& Path() const { return m_path; }

    int Run() {
        for (;;) {
            pollfd fds[3] = {
                {g_signalPipe[0], POLLIN, 0},
                {m_master, static_cast<short>(POLLIN | (m_out.empty() ? 0 : POLLOUT)), 0},
                {m_stdinOpen ? STDIN_FILENO : -1, POLLIN, 0}};
            const int ready = ::poll(fds, 3, Timeout());
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
            SendDueReplies();
            if (!Flush()) return 1;
            if (m_closeNow && m_out.empty()) {
                // A moment for the program to read the last frame: closing
                // the terminal discards what it has not read yet.
                if (m_closeAt == Clock::time_point{}) m_closeAt = Clock::now() + kCloseGrace;
                if (Clock::now() >= m_closeAt) {
                    ClosePort();
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
    };

    static bool OpenLog(const std::string& path, std::FILE** file, std::string* error) {
        if (path.empty()) return true;
        *file = std::fopen(path.c_str(), "w");
        if (*file == nullptr) *error = "cannot write " + path + ": " + std::strerror(errno);
        return *file != nullptr;
    }

    double Seconds() const { return std::chrono::duration<double>(Clock::now() - m_start).count(); }

    void Say(const std::string& text) const {
        std::fprintf(stderr, "marevox-sim: %s\n", text.c_str());
    }

    int Timeout() const {
        Clock::time_point next = m_closeAt;
        if (!m_replies.empty()) next = m_replies.front().due;
        if (next == Clock::time_point{}) return -1;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now()).count();
        return left <= 0 ? 0 : static_cast<int>(left) + 1;
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
            const ssize_t got = ::read(m_master, buffer, sizeof buffer);
            if (got <= 0) break;
            m_received.append(buffer, static_cast<std::size_t>(got));
        }
        while (auto frame = m_instrument.NextCommand(m_received)) {
            const std::string raw(frame->begin(), frame->end());
            const bool silent = Clock::now() < m_silentUntil;
            std::optional<std::string> answer;
            if (!silent && !m_closeNow) answer = m_instrument.Answer(*frame);
            if (m_log) {
                std::fprintf(m_log, "%.3f %s %s\n", Seconds(), Hex(raw, " ").c_str(),
                             silent ? "silent" : (answer ? "answered" : "dropped"));
                std::fflush(m_log);
            }
            if (!answer) continue;
            Clock::time_point due =
                Clock::now() + Delay(Instrument::Decode(*frame), answer->size());
            if (!m_replies.empty() && due < m_replies.back().due) due = m_replies.back().due;
            m_replies.push_back({due, std::move(*answer)});
        }
    }

    void SendDueReplies() {
        while (!m_replies.empty() && m_replies.front().due <= Clock::now()) {
            Reply reply = std::move(m_replies.front());
            m_replies.pop_front();
            m_out += reply.bytes;
            ++m_sent;
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
        while (!m_out.empty() && m_master >= 0) {
            const ssize_t put = ::write(m_master, m_out.data(), m_out.size());
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
        } else if (command == "selfcheck" && fields == 2 && value >= 0.0 && value <= 255.0) {
            m_instrument.SetSelfCheckFlags(static_cast<std::uint8_t>(value));
        } else if (command == "close") {
            m_closeNow = true;
            m_replies.clear();
        } else if (command == "quit") {
            m_quit = true;
        } else if (!command.empty()) {
            Say("unknown command \"" + line +
                "\" (mark, garble, drop, silence MS, depth M, selfcheck N, close, quit)");
        }
    }

    void ClosePort() {
        if (m_master >= 0) ::close(m_master);
        if (m_slave >= 0) ::close(m_slave);
        m_master = m_slave = -1;
    }

    Options m_options;
    Instrument m_instrument;
    Clock::time_point m_start;
    int m_master = -1;
    int m_slave = -1;
    std::string m_path;
    std::FILE* m_log = nullptr;
    std::FILE* m_frames = nullptr;
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
    std::fflush(stdout);
    return simulator.Run();
}
