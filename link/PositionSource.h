#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "engine/EngineHost.h"
#include "link/GpsdClient.h"
#include "settings/PositionSourceSettings.h"
#include "survey/FixHistory.h"
#include "survey/PositionLog.h"
#include "survey/TransducerPosition.h"

class NmeaSerialReceiver;
class PositionRecording;

// The program's position source, as the window and marevox-cli live run
// it: gpsd or a serial NMEA receiver on a thread of its own publishing into
// the fix history, and the position files of the recording in progress.
//
// Threads: Start, Stop and the recording's OpenRecording and CloseRecording
// on one thread (the UI thread); PlaceRecordedPing on the thread that
// processes the pings, only while the engine records (between its
// StartRecording and the return of its CloseRecording); the rest anywhere.
class PositionSource {
public:
    struct Config {
        enum class Kind : std::uint8_t { kNone, kGpsd, kSerial };
        Kind kind = Kind::kNone;
        GpsdClient::Endpoint gpsd;
        QString serialDevice;
        std::int32_t serialBaud = 4800;
        PositionSettings placing;
    };
    enum class State : std::uint8_t {
        kNone,         // no source configured
        kConnecting,   // starting
        kReceiving,    // gpsd connected, or the serial port open
        kUnreachable,  // no gpsd answers, or the port cannot be opened: trying again
    };

    // The source of section GNSS; serialDevice is the device its port
    // number maps to.
    static Config FromSettings(const PositionSourceSettings& settings,
                               const std::string& serialDevice);

    explicit PositionSource(FixHistory& history);
    ~PositionSource();
    PositionSource(const PositionSource&) = delete;
    PositionSource& operator=(const PositionSource&) = delete;

    // Replaces the running source with the configured one (none stops it).
    // A recording in progress keeps its files, latency and offsets (with
    // none, its pings are flagged as fixes stop); the next one takes the
    // new ones.
    void Start(const Config& config);
    void Stop();
    // The one running (Start's thread).
    const Config& Current() const { return m_config; }
    const FixHistory& History() const { return m_history; }
    State CurrentState() const;

    // The position files beside the recording at chosenPath; nothing
    // happens without a source (Ok).
    PositionLog::Status OpenRecording(const std::string& chosenPath, bool continuing);
    // After the engine has closed its recording: the last pings' lines wait
    // up to the latency and 0.6 s, and at most maxWaitMs, for the fix after
    // them (the rest are written with what is known), then the files close;
    // a recording not kept (too short, its data file gone) takes them along.
    void CloseRecording(std::int64_t maxWaitMs = kNoWaitLimit);
    static constexpr std::int64_t kNoWaitLimit = 1'000'000;
    // Writes the lines whose fix has come; called a few times a second.
    void WriteDue(std::int64_t nowMs);

    // A recorded ping's place for its depth line, and its line in the
    // per-ping file; nothing while no files are open or without a fix.
    std::optional<EngineHost::PingPlace> PlaceRecordedPing(std::uint32_t record,
                                                           std::int64_t pingTimeMs,
                                                           std::int64_t nowMs);

private:
    void FinishFiles(std::int64_t waitMs);

    FixHistory& m_history;
    Config m_config;
    std::unique_ptr<PositionRecording> m_recording;
    std::atomic<bool> m_recordingOpen{false};
    std::string m_recordingPath;
    std::unique_ptr<GpsdClient> m_gpsd;
    std::unique_ptr<NmeaSerialReceiver> m_serial;
};
