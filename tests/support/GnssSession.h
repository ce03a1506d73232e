#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/LinkTestSupport.h"
#include "tests/support/TempDir.h"

// marevox-sim with its GNSS receiver, and a real gpsd (Debian's) reading the
// receiver's terminal on a loopback port of its own, all in a temporary
// folder: no system service is touched. gpsd can be stopped and started
// again on the same port.
class GnssSession {
public:
    GnssSession(const TempDir& dir, const std::string& name, std::vector<std::string> simOptions)
        : instrument(dir.File(name + ".instrument")),
          gnss(dir.File(name + ".gnss")),
          truth(dir.File(name + ".truth.csv")),
          port(FreePort()),
          m_dir(dir),
          m_name(name) {
        std::vector<std::string> args = {MAREVOX_SIM_PATH, "--link", instrument, "--gnss", gnss,
                                         "--truth",        truth};
        args.insert(args.end(), simOptions.begin(), simOptions.end());
        m_sim = std::make_unique<BackgroundProcess>(args, dir.File(name + ".sim.out"), true);
    }
    ~GnssSession() {
        StopGpsd();
        if (m_sim) m_sim->Stop();
    }

    bool SimulatorReady() const {
        for (int i = 0; i < 300; ++i) {
            struct stat s {};
            if (::stat(instrument.c_str(), &s) == 0 && ::stat(gnss.c_str(), &s) == 0) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    // gpsd in the foreground (-N), reading the receiver at once (-n), with
    // its control socket in the folder (-F) and the session's port (-S).
    bool StartGpsd() {
        char device[256] = {};
        if (::readlink(gnss.c_str(), device, sizeof device - 1) <= 0) return false;
        m_gpsd = std::make_unique<BackgroundProcess>(
            std::vector<std::string>{GPSD_PATH, "-N", "-n", "-F", m_dir.File(m_name + ".gpsd.sock"),
                                     "-S", std::to_string(port), device},
            m_dir.File(m_name + ".gpsd.out"), true);
        return m_gpsd->Started();
    }
    void StopGpsd(int signal = SIGTERM) {
        if (m_gpsd) {
            ::kill(m_gpsd->Pid(), SIGCONT);  // a stopped gpsd would keep a SIGTERM waiting
            m_gpsd->Stop(signal);
        }
        m_gpsd.reset();
    }
    // Holds gpsd (SIGSTOP) or lets it go on (SIGCONT).
    void SignalGpsd(int signal) const {
        if (m_gpsd) ::kill(m_gpsd->Pid(), signal);
    }
    // Tells gpsd of the receiver's terminal through its control socket, as
    // the system's hot-plug rule does when a receiver is plugged in (once
    // the simulator has made it, within 2 s).
    bool PlugInReceiver() const {
        char device[256] = {};
        for (int i = 0; i < 200 && ::readlink(gnss.c_str(), device, sizeof device - 1) <= 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (device[0] == '\0') return false;
        const std::string socketPath = m_dir.File(m_name + ".gpsd.sock");
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (socketPath.size() >= sizeof address.sun_path) return false;
        std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
        const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const std::string command = "+" + std::string(device) + "\r\n";
        const bool told =
            ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::write(s, command.data(), command.size()) == static_cast<ssize_t>(command.size());
        char answer[16];
        if (told) (void)!::read(s, answer, sizeof answer);  // "OK" once it is taken
        ::close(s);
        return told;
    }
    std::string Endpoint() const { return "127.0.0.1:" + std::to_string(port); }

    const std::string instrument, gnss, truth;
    const int port;

private:
    // A loopback port nobody listens on at the moment.
    static int FreePort() {
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

    const TempDir& m_dir;
    const std::string m_name;
    std::unique_ptr<BackgroundProcess> m_sim;
    std::unique_ptr<BackgroundProcess> m_gpsd;
};
