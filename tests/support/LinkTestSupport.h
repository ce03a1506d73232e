#pragma once

#include <QEventLoop>
#include <QTimer>
#include <csignal>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Runs the event loop until done() holds or the time is up; returns done().
// The condition is checked every few milliseconds; the thread sleeps between.
inline bool RunUntil(const std::function<bool()>& done, int timeoutMs) {
    bool met = done();
    if (met) return true;
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (!met && done()) {
            met = true;
            loop.quit();
        }
    });
    check.start(2);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return met;
}

// A pseudo-terminal: the test plays the far end on the master side.
class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal();
    const std::string& Path() const { return m_path; }
    int Master() const { return m_master; }
    void WriteAll(const std::string& bytes);
    // Reads what arrives within timeoutMs, up to n bytes.
    std::string Read(std::size_t n, int timeoutMs);
    void CloseMaster();

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_path;
};

// A program started in the background with standard input from /dev/null
// and standard output (with withErrors, standard error too) into a file;
// ended with SIGTERM.
class BackgroundProcess {
public:
    BackgroundProcess(const std::vector<std::string>& args, const std::string& outputPath,
                      bool withErrors = false);
    ~BackgroundProcess() { Stop(); }
    bool Started() const { return m_pid > 0; }
    int Pid() const { return m_pid; }
    // Sends the signal and waits: the exit code, or 128 + the signal that
    // ended it.
    int Stop(int signal = SIGTERM);

private:
    int m_pid = -1;
};

// marevox-sim running in the background on its own pseudo-terminal, with
// its command log and sent frames in a folder of its own.
class SimulatorProcess {
public:
    explicit SimulatorProcess(const std::vector<std::string>& options);
    ~SimulatorProcess();
    // The terminal's stable link; empty when the simulator did not start.
    const std::string& Link() const { return m_link; }
    std::string LogPath() const { return m_folder + "/commands.log"; }
    std::string FramesPath() const { return m_folder + "/frames.hex"; }
    // Ends the simulator (its files are complete afterwards).
    void Stop();

private:
    std::string m_folder;
    std::string m_link;
    std::unique_ptr<BackgroundProcess> m_process;
};

// Lines of a text file.
std::vector<std::string> ReadLines(const std::string& path);
// Bytes from lower- or upper-case hex without separators.
std::string FromHex(const std::string& hex);

// CPU time this process has used, in milliseconds.
double CpuMilliseconds();
