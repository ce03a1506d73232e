#include "link/PositionSource.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <system_error>
#include <thread>

#include "engine/RecordFile.h"

#include "link/NmeaSerialReceiver.h"
#include "survey/PositionRecording.h"

namespace {

constexpr double kKnotsPerMetrePerSecond = 3600.0 / 1852.0;
// How long the last pings' lines wait past the latency for their fix.
constexpr std::int64_t kLastLinesWaitMs = 600;

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

PositionSource::Config PositionSource::FromSettings(const PositionSourceSettings& settings,
                                                    const std::string& serialDevice) {
    Config config;
    config.kind = settings.source == PositionSourceSettings::kGpsd     ? Config::Kind::kGpsd
                  : settings.source == PositionSourceSettings::kSerial ? Config::Kind::kSerial
                                                                       : Config::Kind::kNone;
    config.gpsd = {settings.gpsdHost, std::to_string(settings.gpsdPort)};
    config.serialDevice = QString::fromStdString(serialDevice);
    config.serialBaud = settings.serialBaud;
    config.placing = {settings.latencyMs, settings.antennaForward, settings.antennaStarboard};
    return config;
}

PositionSource::PositionSource(FixHistory& history) : m_history(history) {}

PositionSource::~PositionSource() {
    Stop();
    FinishFiles(0);
}

void PositionSource::Start(const Config& config) {
    Stop();
    m_config = config;
    // The clients are stopped: nothing logs into files being replaced. The
    // files of a recording in progress stay, with its latency and offsets:
    // the ping thread may be writing into them.
    if (!m_recordingOpen.load(std::memory_order_acquire)) {
        m_recording.reset();
        if (config.kind != Config::Kind::kNone)
            m_recording = std::make_unique<PositionRecording>(m_history, config.placing);
    }
    const auto sink = [files = m_recording.get()](const Fix& fix) {
        if (files != nullptr) files->LogFix(fix);
    };
    switch (config.kind) {
        case Config::Kind::kNone:
            break;
        case Config::Kind::kGpsd:
            m_gpsd = std::make_unique<GpsdClient>(m_history, sink);
            m_gpsd->Start(config.gpsd);
            break;
        case Config::Kind::kSerial:
            m_serial = std::make_unique<NmeaSerialReceiver>(m_history, sink);
            m_serial->Start(config.serialDevice, config.serialBaud);
            break;
    }
}

void PositionSource::Stop() {
    if (m_gpsd) m_gpsd->Stop();
    m_gpsd.reset();
    if (m_serial) m_serial->Stop();
    m_serial.reset();
}

PositionSource::State PositionSource::CurrentState() const {
    if (m_gpsd) {
        switch (m_gpsd->CurrentState()) {
            case GpsdClient::State::kConnected:
                return State::kReceiving;
            case GpsdClient::State::kUnreachable:
                return State::kUnreachable;
            default:
                return State::kConnecting;
        }
    }
    if (m_serial) {
        switch (m_serial->CurrentState()) {
            case NmeaSerialReceiver::State::kReceiving:
                return State::kReceiving;
            case NmeaSerialReceiver::State::kUnavailable:
                return State::kUnreachable;
            default:
                return State::kConnecting;
        }
    }
    return State::kNone;
}

PositionLog::Status PositionSource::OpenRecording(const std::string& chosenPath, bool continuing) {
    if (!m_recording || m_recordingOpen.load()) return {};
    const PositionLog::Status status = m_recording->Open(chosenPath, continuing);
    if (status.Ok()) {
        m_recordingPath = chosenPath;
        m_recordingOpen.store(true, std::memory_order_release);
    }
    return status;
}

void PositionSource::CloseRecording(std::int64_t maxWaitMs) {
    if (!m_recordingOpen.load(std::memory_order_acquire)) return;
    FinishFiles(
        std::min<std::int64_t>(maxWaitMs, m_recording->Settings().latencyMs + kLastLinesWaitMs));
    // The source or the placing changed while recording: the next
    // recording takes them.
    if (m_config.kind == Config::Kind::kNone || !(m_recording->Settings() == m_config.placing)) {
        const Config config = m_config;
        Start(config);
    }
}

void PositionSource::FinishFiles(std::int64_t waitMs) {
    if (!m_recordingOpen.load(std::memory_order_acquire)) return;
    const std::int64_t until = NowMs() + waitMs;
    while (m_recording->WaitingLines() > 0 && NowMs() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        m_recording->WriteDue(NowMs());
    }
    m_recordingOpen.store(false, std::memory_order_release);
    std::error_code ec;
    m_recording->Close(std::filesystem::exists(RecordFile::PathsFor(m_recordingPath).data, ec));
}

void PositionSource::WriteDue(std::int64_t nowMs) {
    if (m_recordingOpen.load(std::memory_order_acquire)) m_recording->WriteDue(nowMs);
}

std::optional<EngineHost::PingPlace> PositionSource::PlaceRecordedPing(std::uint32_t record,
                                                                       std::int64_t pingTimeMs,
                                                                       std::int64_t nowMs) {
    if (!m_recordingOpen.load(std::memory_order_acquire)) return std::nullopt;
    const PingPosition p = m_recording->PlacePing(record, pingTimeMs, nowMs);
    if (!p.Present()) return std::nullopt;
    return EngineHost::PingPlace{p.longitude, p.latitude, p.course,
                                 p.speed * kKnotsPerMetrePerSecond};
}
