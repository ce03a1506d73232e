#include "link/NmeaSerialReceiver.h"

#include <QDateTime>
#include <QGeoPositionInfo>
#include <QNmeaPositionInfoSource>
#include <QSerialPort>
#include <QThread>
#include <QTimeZone>
#include <QTimer>
#include <array>
#include <chrono>
#include <cmath>
#include <optional>
#include <string_view>
#include <utility>

namespace {

constexpr int kRetryMs = 1000;
constexpr std::int64_t kHeadingAgeMaxMs = 1500;
constexpr std::int64_t kDayMs = 24 * 3600 * 1000;

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// The sentence's body between "$" and "*hh", when hh is its checksum.
std::string_view CheckedBody(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    const std::size_t star = line.rfind('*');
    if (line.size() < 2 || line.front() != '$' || star == std::string_view::npos ||
        star + 3 != line.size())
        return {};
    unsigned sum = 0;
    for (std::size_t i = 1; i < star; ++i) sum ^= static_cast<unsigned char>(line[i]);
    const auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    const int high = hex(line[star + 1]);
    const int low = hex(line[star + 2]);
    if (high < 0 || low < 0 || static_cast<unsigned>(high * 16 + low) != sum) return {};
    return line.substr(1, star - 1);
}

// Field n of a sentence's body (0: the address, "GNGGA").
std::string_view Field(std::string_view body, int n) {
    for (; n > 0; --n) {
        const std::size_t comma = body.find(',');
        if (comma == std::string_view::npos) return {};
        body.remove_prefix(comma + 1);
    }
    return body.substr(0, body.find(','));
}

bool IsType(std::string_view body, std::string_view type) {
    const std::string_view address = Field(body, 0);
    return address.size() == 5 && address.substr(2) == type;
}

// A whole number field; -1 when empty or not a number.
int Whole(std::string_view field) {
    if (field.empty() || field.size() > 6) return -1;
    int value = 0;
    for (const char c : field) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

// A decimal field; NaN when empty or not a number.
double Decimal(std::string_view field) {
    bool ok = false;
    const double value =
        QByteArray(field.data(), static_cast<qsizetype>(field.size())).toDouble(&ok);
    return ok ? value : Fix::kNone;
}

// GGA's fix quality: 1 a GNSS fix, 2 differential, 3 PPS, 4 RTK fixed,
// 5 RTK float. An estimated (dead-reckoned), manual or simulated position
// (6, 7, 8) is not a measured fix and is never charted.
FixQuality QualityOf(int gga, bool hasHeight) {
    switch (gga) {
        case 1:
        case 3:
            return hasHeight ? FixQuality::k3D : FixQuality::k2D;
        case 2:
            return FixQuality::kDgps;
        case 4:
            return FixQuality::kRtkFixed;
        case 5:
            return FixQuality::kRtkFloat;
        default:
            return FixQuality::kNone;
    }
}

}  // namespace

// Qt's NMEA source, which reads GGA, RMC, VTG, GLL, GSA and ZDA and merges
// the sentences of one fix; it keeps what GGA says of the fix's quality and
// satellites, and HDT's heading, which its positions do not carry.
class CNmeaSource : public QNmeaPositionInfoSource {
public:
    explicit CNmeaSource(QObject* parent) : QNmeaPositionInfoSource(RealTimeMode, parent) {}

    struct Gga {
        QTime time;
        int quality = -1;
        int satellites = -1;
        double geoidSeparation = Fix::kNone;  // metres, the ellipsoid below mean sea level
    };
    // The GGA of the fix at this time; a receiver that sends none gives
    // nothing, one whose GGA of that time was missed an invalid time.
    std::optional<Gga> GgaAt(const QTime& time) const {
        if (!m_ggaSeen) return std::nullopt;
        for (const Gga& gga : m_gga)
            if (gga.time.isValid() && gga.time == time) return gga;
        return Gga{};
    }
    double Heading(std::int64_t nowMs) const {
        return nowMs - m_headingAtMs <= kHeadingAgeMaxMs ? m_heading : Fix::kNone;
    }
    // A GGA saying there is no fix, not yet taken.
    bool TakeNoFix() { return std::exchange(m_noFix, false); }

protected:
    bool parsePosInfoFromNmeaData(const char* data, int size, QGeoPositionInfo* info,
                                  bool* hasFix) override {
        const bool parsed =
            QNmeaPositionInfoSource::parsePosInfoFromNmeaData(data, size, info, hasFix);
        const std::string_view body =
            CheckedBody(std::string_view(data, static_cast<std::size_t>(std::max(size, 0))));
        if (body.empty()) return parsed;
        if (IsType(body, "HDT")) {
            const double heading = Decimal(Field(body, 1));
            if (heading >= 0.0 && heading < 360.0) {
                m_heading = heading;
                m_headingAtMs = NowMs();
            }
        } else if (IsType(body, "GGA")) {
            // The update of a fix goes out after the next fix's GGA may
            // have been read: the last few are kept.
            const Gga gga{info->timestamp().time(), Whole(Field(body, 6)), Whole(Field(body, 7)),
                          Decimal(Field(body, 11))};
            m_gga[m_nextGga++ % m_gga.size()] = gga;
            m_ggaSeen = true;
            if (gga.quality == 0) m_noFix = true;
        }
        return parsed;
    }

private:
    std::array<Gga, 4> m_gga;
    std::size_t m_nextGga = 0;
    bool m_ggaSeen = false;
    double m_heading = Fix::kNone;
    std::int64_t m_headingAtMs = 0;
    bool m_noFix = false;
};

namespace {

// The fix's own time, UTC ms; a time without a date (no RMC or ZDA) takes
// the system clock's date, the nearer of the days around it.
std::int64_t FixTimeMs(const QDateTime& stamp, std::int64_t nowMs) {
    if (!stamp.time().isValid()) return Fix::kNoTime;
    if (stamp.date().isValid()) return stamp.toMSecsSinceEpoch();
    const std::int64_t dayStart = nowMs - nowMs % kDayMs;
    std::int64_t ms = dayStart + stamp.time().msecsSinceStartOfDay();
    if (ms - nowMs > kDayMs / 2) ms -= kDayMs;
    if (nowMs - ms > kDayMs / 2) ms += kDayMs;
    return ms;
}

double Attribute(const QGeoPositionInfo& info, QGeoPositionInfo::Attribute attribute) {
    return info.hasAttribute(attribute) ? info.attribute(attribute) : Fix::kNone;
}

// The fix of Qt's update; nothing when the GGA of its time was missed (the
// first, partial cycle read).
std::optional<Fix> FixOf(const QGeoPositionInfo& info, const std::optional<CNmeaSource::Gga>& gga,
                         double heading, std::int64_t nowMs) {
    if (gga && !gga->time.isValid()) return std::nullopt;
    Fix fix;
    fix.timeMs = FixTimeMs(info.timestamp(), nowMs);
    fix.receivedMs = nowMs;
    const QGeoCoordinate place = info.coordinate();
    // A receiver without GGA says only that it has a fix (RMC): 2D.
    fix.quality = gga ? QualityOf(gga->quality, std::isfinite(place.altitude())) : FixQuality::k2D;
    if (fix.quality == FixQuality::kNone || !place.isValid()) {
        fix.quality = FixQuality::kNone;
        return fix;
    }
    if (gga) fix.satellites = gga->satellites;
    fix.latitude = place.latitude();
    fix.longitude = place.longitude();
    // Qt gives GGA's height above mean sea level; the fix's is above the
    // ellipsoid, and unknown without the geoid's separation.
    fix.height = gga ? place.altitude() + gga->geoidSeparation : Fix::kNone;
    fix.eph = Attribute(info, QGeoPositionInfo::HorizontalAccuracy);
    fix.epv = Attribute(info, QGeoPositionInfo::VerticalAccuracy);
    fix.course = Attribute(info, QGeoPositionInfo::Direction);
    fix.speed = Attribute(info, QGeoPositionInfo::GroundSpeed);
    fix.heading = heading;
    return fix;
}

}  // namespace

NmeaSerialReceiver::NmeaSerialReceiver(FixHistory& history, FixSink sink)
    : m_history(history), m_sink(std::move(sink)) {}

NmeaSerialReceiver::~NmeaSerialReceiver() {
    Stop();
}

bool NmeaSerialReceiver::Start(const QString& device, std::int32_t baud) {
    if (m_thread) return false;
    m_device = device;
    m_baud = baud;
    m_thread = std::make_unique<QThread>();
    m_context = new QObject;
    m_context->moveToThread(m_thread.get());
    m_thread->start();
    QMetaObject::invokeMethod(m_context, [this] { Open(); });
    return true;
}

void NmeaSerialReceiver::Stop() {
    if (!m_thread) return;
    QThread* caller = QThread::currentThread();
    QMetaObject::invokeMethod(
        m_context,
        [this, caller] {
            delete m_source;
            m_source = nullptr;
            delete m_port;
            m_port = nullptr;
            m_context->moveToThread(caller);
        },
        Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
    delete m_context;
    m_context = nullptr;
    m_thread.reset();
    m_state.store(State::kStopped, std::memory_order_release);
}

void NmeaSerialReceiver::Open() {
    if (m_port == nullptr) {
        m_port = new QSerialPort(m_context);
        QObject::connect(
            m_port, &QSerialPort::errorOccurred, m_context,
            [this](QSerialPort::SerialPortError error) {
                // A pty refuses RTS and DTR; only a lost port counts.
                if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError) Lost();
            });
    }
    m_port->setPortName(m_device);
    m_port->setBaudRate(m_baud);
    if (!m_port->open(QIODevice::ReadOnly)) {
        m_state.store(State::kUnavailable, std::memory_order_release);
        QTimer::singleShot(kRetryMs, m_context, [this] { Open(); });
        return;
    }
    m_connections.fetch_add(1, std::memory_order_relaxed);
    m_state.store(State::kReceiving, std::memory_order_release);
    m_source = new CNmeaSource(m_context);
    m_source->setDevice(m_port);
    m_source->setUpdateInterval(0);
    QObject::connect(m_source, &QGeoPositionInfoSource::positionUpdated, m_context,
                     [this](const QGeoPositionInfo& info) {
                         const std::int64_t now = NowMs();
                         const std::optional<Fix> fix =
                             FixOf(info, m_source->GgaAt(info.timestamp().time()),
                                   m_source->Heading(now), now);
                         if (fix) Publish(*fix);
                     });
    m_source->startUpdates();
    // A GGA without a fix reaches no position update: it is published as
    // the latest fix, saying there is none (after the source has read it).
    QObject::connect(m_port, &QIODevice::readyRead, m_source, [this] {
        if (m_source != nullptr && m_source->TakeNoFix()) {
            Fix none;
            none.receivedMs = NowMs();
            Publish(none);
        }
    });
}

void NmeaSerialReceiver::Lost() {
    if (m_port == nullptr || !m_port->isOpen()) return;
    // Closed on the first error: a pty gone away repeats it endlessly. The
    // source may be reading from it now.
    m_source->deleteLater();
    m_source = nullptr;
    m_port->close();
    m_state.store(State::kUnavailable, std::memory_order_release);
    QTimer::singleShot(kRetryMs, m_context, [this] { Open(); });
}

void NmeaSerialReceiver::Publish(const Fix& fix) {
    m_history.Publish(fix);
    m_fixes.fetch_add(1, std::memory_order_relaxed);
    if (m_sink) m_sink(fix);
}
