#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "settings/AlarmSettings.h"
#include "settings/PositionSourceSettings.h"

// Settings of section Other that do not live in the engine. The worker reads
// the depth-output settings, so every number is atomic; the receiver's
// address is text and is reached through Ip()/SetIp(), which lock.
struct AppSettings {
    std::atomic<std::int32_t> m_language{0};    // Language: 0 Chinese, 1 English
    std::atomic<std::int8_t> m_comNumIdx{0};    // ComNumIdx: depth-output port COM1..COM4
    std::atomic<std::int8_t> m_comBaudIdx{0};   // ComBaudIdx: index into kBaudRates
    std::atomic<std::int32_t> m_pcCom{0};       // PcCom: instrument port number 1..4
    std::atomic<std::int32_t> m_depType{0};     // DepType: depth-output format 0..4
    std::atomic<std::int32_t> m_portListen{0};  // PortListen: kept, used by no link
    std::atomic<std::int32_t> m_portSend{0};    // PortSend: TCP port of the depth receiver
    std::atomic<std::int32_t> m_nmeaCheck{0};   // NmeaCheck: 1 ends SDDBT/SDDPT in "*hh"
    // FitToWindow: 1 (also when missing) scales the echogram to the whole
    // view, 0 shows it one picture pixel per screen pixel.
    std::atomic<std::int32_t> m_fitToWindow{1};

    // Section Alarms: the depth alarms. Read and changed on the UI thread
    // only; the alarms keep their own copy.
    AlarmSettings m_alarms;
    // Section Display, DepthUnit: what the window shows depths in (a
    // DepthUnit value).
    std::atomic<std::int32_t> m_depthUnit{0};
    // Section Display, ColourScheme: 0 day, 1 dusk, 2 night.
    std::atomic<std::int32_t> m_colourScheme{0};
    // Section Helm, the helm display in a browser (UI thread only).
    std::int32_t m_helmOn = 0;                // HelmOn: 1 serves the page
    std::string m_helmAddress = "127.0.0.1";  // HelmAddress: where it listens
    std::int32_t m_helmPort = 8080;           // HelmPort

    static constexpr std::int32_t kBaudRates[8] = {4800,  9600,  19200, 38400,
                                                   43000, 56000, 57600, 115200};
    static constexpr const char* kDefaultIp = "192.168.3.100";

    // Whether the NMEA sentences carry their checksum (NmeaCheck not 0).
    bool NmeaChecksum() const { return m_nmeaCheck.load() != 0; }
    void SetNmeaChecksum(bool on) { m_nmeaCheck.store(on ? 1 : 0); }

    std::string Ip() const;
    void SetIp(const std::string& ip);

    // Section GNSS: the position source, read and set as a whole.
    PositionSourceSettings Positions() const;
    void SetPositions(const PositionSourceSettings& positions);

private:
    mutable std::mutex m_ipMutex;
    std::string m_ip = kDefaultIp;       // IP
    PositionSourceSettings m_positions;  // under m_ipMutex too
};
