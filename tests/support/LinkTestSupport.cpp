#include "tests/support/LinkTestSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

extern char** environ;

PseudoTerminal::PseudoTerminal() {
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) return;
    termios t{};
    ::tcgetattr(m_slave, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(m_slave, TCSANOW, &t);
    m_path = name;
}

PseudoTerminal::~PseudoTerminal() {
    CloseMaster();
    if (m_slave >= 0) ::close(m_slave);
}

void PseudoTerminal::WriteAll(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(m_master, bytes.data() + done, bytes.size() - done);
        if (put <= 0) return;
        done += static_cast<std::size_t>(put);
    }
}

std::string PseudoTerminal::Read(std::size_t n, int timeoutMs) {
    std::string out;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (out.size() < n) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(end - std::chrono::steady_clock::now())
                .count();
        pollfd p{m_master, POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) != 1) break;
        char buffer[4096];
        const ssize_t got = ::read(m_master, buffer, std::min(sizeof buffer, n - out.size()));
        if (got <= 0) break;
        out.append(buffer, static_cast<std::size_t>(got));
    }
    return out;
}

void PseudoTerminal::CloseMaster() {
    if (m_master >= 0) ::close(m_master);
    m_master = -1;
}

BackgroundProcess::BackgroundProcess(const std::vector<std::string>& args,
                                     const std::string& outputPath, bool withErrors) {
    std::vector<std::string> copy = args;
    std::vector<char*> argv;
    for (auto& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(),
                                       O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (withErrors) ::posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    if (::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) m_pid = pid;
    ::posix_spawn_file_actions_destroy(&actions);
}

int BackgroundProcess::Stop(int signal) {
    if (m_pid <= 0) return -1;
    ::kill(m_pid, signal);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

SimulatorProcess::SimulatorProcess(const std::vector<std::string>& options) {
    char folder[] = "/tmp/marevox-sim-test-XXXXXX";
    if (::mkdtemp(folder) == nullptr) return;
    m_folder = folder;
    const std::string link = m_folder + "/instrument";
    std::vector<std::string> args = {MAREVOX_SIM_PATH, "--link",   link,        "--log",
                                     LogPath(),        "--frames", FramesPath()};
    args.insert(args.end(), options.begin(), options.end());
    m_process = std::make_unique<BackgroundProcess>(args, "/dev/null");
    if (!m_process->Started()) return;
    for (int i = 0; i < 200; ++i) {
        struct stat s {};
        if (::stat(link.c_str(), &s) == 0) {
            m_link = link;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

SimulatorProcess::~SimulatorProcess() {
    Stop();
    std::error_code ignored;
    if (!m_folder.empty()) std::filesystem::remove_all(m_folder, ignored);
}

void SimulatorProcess::Stop() {
    if (m_process) m_process->Stop();
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string FromHex(const std::string& hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

double CpuMilliseconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_usec) / 1000.0;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}
