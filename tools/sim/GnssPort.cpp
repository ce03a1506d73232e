#include "tools/sim/GnssPort.h"

#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

namespace {

std::int64_t PeriodMs(double rate) {
    return std::max<std::int64_t>(1, std::llround(1000.0 / std::clamp(rate, 0.1, 50.0)));
}

GnssReceiver::Config WithDecimals(const GnssPort::Config& config) {
    // Two decimals of seconds when every time sent falls on a whole hundredth.
    GnssReceiver::Config receiver = config.receiver;
    const bool hundredths =
        PeriodMs(config.rate) % 10 == 0 && (!config.tagSent || config.latencyMs % 10 == 0);
    receiver.timeDecimals = hundredths ? 2 : 3;
    return receiver;
}

}  // namespace

GnssPort::GnssPort(const Config& config, const Survey& survey, std::uint64_t randomStart,
                   std::int64_t startUtcMs)
    : m_config(config),
      m_survey(survey),
      m_receiver(WithDecimals(config), randomStart),
      m_startUtcMs(startUtcMs),
      m_periodMs(PeriodMs(config.rate)),
      m_nextFixMs((startUtcMs + m_periodMs - 1) / m_periodMs * m_periodMs) {
    if (config.faults.leapSecond >= 0.0) {
        const auto at = startUtcMs + std::llround(config.faults.leapSecond * 1000.0);
        m_leapUtcMs = (at + 59999) / 60000 * 60000;
    }
}

double GnssPort::Since(std::int64_t utcMs) const {
    return static_cast<double>(utcMs - m_startUtcMs) / 1000.0;
}

bool GnssPort::Open(std::string* error) {
    return m_terminal.Open(m_config.link, error);
}

int GnssPort::TimeoutMs(std::int64_t nowUtcMs) const {
    const std::int64_t left = m_nextFixMs + m_config.latencyMs - nowUtcMs;
    return static_cast<int>(std::clamp<std::int64_t>(left, 0, 60000));
}

GnssReceiver::Fix GnssPort::FixAt(std::int64_t utcMs) const {
    const Survey::Point p = m_survey.At(utcMs);
    GnssReceiver::Fix fix;
    fix.utcMs = m_config.tagSent ? utcMs + m_config.latencyMs : utcMs;
    fix.latitude = p.antenna.latitude;
    fix.longitude = p.antenna.longitude;
    fix.course = p.boat.antennaCourse;
    fix.speed = p.boat.antennaSpeed;
    fix.heading = p.boat.heading;
    const Faults& faults = m_config.faults;
    fix.noFix = faults.noFix.Covers(Since(utcMs));
    if (faults.timeBack.Covers(Since(utcMs)))
        fix.utcMs -= std::llround(faults.timeBack.seconds * 1000.0);
    if (m_leapUtcMs >= 0 && utcMs >= m_leapUtcMs && utcMs < m_leapUtcMs + 2000) {
        fix.leapSecond = utcMs < m_leapUtcMs + 1000;
        if (!fix.leapSecond) fix.utcMs -= 1000;
    }
    return fix;
}

void GnssPort::Plug(std::int64_t nowUtcMs) {
    const bool unplugged = m_config.faults.unplugged.Covers(Since(nowUtcMs));
    if (unplugged && m_terminal.Master() >= 0) {
        m_terminal.Unplug();
    } else if (!unplugged && m_terminal.Master() < 0 && Since(nowUtcMs) > 0.0) {
        std::string error;
        m_terminal.Open(m_config.link, &error);  // plugged in again, as a new terminal
    }
}

void GnssPort::Serve(std::int64_t nowUtcMs) {
    Plug(nowUtcMs);
    char buffer[512];
    while (m_terminal.Master() >= 0 && ::read(m_terminal.Master(), buffer, sizeof buffer) > 0) {
    }
    const std::int64_t latency = m_config.latencyMs;
    if (nowUtcMs - (m_nextFixMs + latency) > 1000) {
        // Far behind (the clock jumped or the simulator was stopped): the
        // receiver goes on with the latest fix.
        m_nextFixMs += (nowUtcMs - latency - m_nextFixMs) / m_periodMs * m_periodMs;
    }
    while (nowUtcMs >= m_nextFixMs + latency) {
        const Faults& faults = m_config.faults;
        if (m_sending && !faults.silent.Covers(Since(m_nextFixMs))) {
            const GnssReceiver::Fix fix = FixAt(m_nextFixMs);
            if (m_receiver.Chance(faults.garbage)) Write(m_receiver.Garbage(fix));
            std::string epoch = m_receiver.Epoch(fix);
            m_receiver.SpoilChecksums(epoch, faults.badChecksum);
            Write(epoch);
        }
        m_nextFixMs += m_periodMs;
    }
}

void GnssPort::SendGarbage(std::int64_t nowUtcMs) {
    Write(m_receiver.Garbage(FixAt(nowUtcMs - m_config.latencyMs)));
}

void GnssPort::Write(const std::string& bytes) {
    if (m_terminal.Master() < 0) return;
    int unread = 0;
    if (::ioctl(m_terminal.Slave(), FIONREAD, &unread) == 0 && unread > 0)
        ::tcflush(m_terminal.Slave(), TCIFLUSH);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(m_terminal.Master(), bytes.data() + done, bytes.size() - done);
        if (put <= 0) break;  // a full line drops the rest, as a serial line would
        done += static_cast<std::size_t>(put);
    }
}
