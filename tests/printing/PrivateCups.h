#pragma once

#include <dlfcn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/TempDir.h"

// A CUPS daemon of the test's own (scripts/private-cups.sh) and the printer
// stand-in marevox-printer listening on a free port, both in a temporary
// folder; libcups in this process is pointed at the daemon, whether it is
// loaded already or later.
class PrivateCups {
public:
    PrivateCups() {
        const std::string out = m_dir.File("printer");
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0) return;
        m_printer = fork();
        if (m_printer == 0) {
            dup2(pipeEnds[1], STDOUT_FILENO);
            close(pipeEnds[0]);
            execl(MAREVOX_PRINTER_PATH, MAREVOX_PRINTER_PATH, "--port", "0", "--out", out.c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        close(pipeEnds[1]);
        // "marevox-printer: listening on 127.0.0.1:PORT, jobs in FOLDER"
        // Kept open: the stand-in goes on telling its jobs there.
        m_output = fdopen(pipeEnds[0], "r");
        char line[512] = "";
        if (m_output != nullptr && std::fgets(line, sizeof line, m_output) != nullptr) {
            const std::string text(line);
            const auto at = text.find("127.0.0.1:");
            if (at != std::string::npos) m_port = std::atoi(text.c_str() + at + 10);
        }
        m_started = m_port > 0 && Run("start " + m_dir.File("cups"));
        setenv("CUPS_SERVER", m_dir.File("cups/cups.sock").c_str(), 1);
        // libcups keeps the server it found first: make it look again.
        using SetServer = void (*)(const char*);
        if (auto setServer = reinterpret_cast<SetServer>(dlsym(RTLD_DEFAULT, "cupsSetServer")))
            setServer(nullptr);
    }
    ~PrivateCups() {
        Resume();
        Run("stop " + m_dir.File("cups"));
        if (m_printer > 0) {
            kill(m_printer, SIGTERM);
            waitpid(m_printer, nullptr, 0);
        }
        if (m_output != nullptr) std::fclose(m_output);
    }

    bool Started() const { return m_started; }
    int PrinterPort() const { return m_port; }

    // lpadmin and friends against the private daemon; true on success.
    bool Admin(const std::string& arguments) const {
        const std::string command =
            "CUPS_SERVER='" + m_dir.File("cups/cups.sock") + "' " + arguments + " >/dev/null";
        return std::system(command.c_str()) == 0;
    }
    // A raw queue to the stand-in. A daemon just started on a busy machine
    // may refuse the first try.
    bool AddQueue(const std::string& name, const std::string& description) const {
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (Admin("lpadmin -p '" + name + "' -E -v socket://127.0.0.1:" +
                      std::to_string(m_port) + " -D '" + description + "'"))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        }
        return false;
    }

    // A daemon that hangs: stopped (SIGSTOP) until resumed (SIGCONT).
    bool Pause() const { return Signal(SIGSTOP); }
    bool Resume() const { return Signal(SIGCONT); }

    // The jobs the stand-in has received so far, in order.
    std::vector<std::string> Jobs() const {
        std::vector<std::string> jobs;
        for (int n = 1;; ++n) {
            char name[32];
            std::snprintf(name, sizeof name, "printer/job-%04d.prn", n);
            if (!std::filesystem::exists(m_dir.File(name))) break;
            jobs.push_back(ReadAll(m_dir.File(name)));
        }
        return jobs;
    }
    // Waits up to `seconds` for `count` complete jobs (the stand-in adds a
    // job to chart.prn once it is complete).
    std::vector<std::string> CompleteJobs(std::size_t count, int seconds) const {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        std::vector<std::string> jobs;
        do {
            jobs = Jobs();
            std::size_t total = 0;
            for (const std::string& job : jobs) total += job.size();
            if (jobs.size() >= count && ChartBytes().size() == total) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        } while (std::chrono::steady_clock::now() < until);
        return jobs;
    }
    // Every complete job's bytes, in order.
    std::string ChartBytes() const { return ReadAll(m_dir.File("printer/chart.prn")); }

private:
    bool Signal(int signal) const {
        std::ifstream file(m_dir.File("cups/cupsd.pid"));
        pid_t pid = 0;
        return file >> pid && pid > 0 && kill(pid, signal) == 0;
    }
    bool Run(const std::string& arguments) const {
        const std::string command =
            std::string(MAREVOX_SOURCE_DIR) + "/scripts/private-cups.sh " + arguments;
        return std::system(command.c_str()) == 0;
    }

    TempDir m_dir;
    pid_t m_printer = -1;
    FILE* m_output = nullptr;
    int m_port = 0;
    bool m_started = false;
};
