#include "display/CTrackWindow.h"

#include <QDateTime>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "display/DepthScales.h"
#include "display/EchoColourTable.h"
#include "engine/XSound.h"
#include "survey/FixHistory.h"
#include "survey/PositionRecording.h"

namespace {

constexpr int kPointRadius = 3;
constexpr int kBoatSize = 9;  // pixels from the boat's centre to its bow
constexpr int kPad = 8;       // from the window's edges to what is drawn there
const QColor kNoDepthColour(150, 150, 150);

}  // namespace

CTrackWindow::CTrackWindow(const XSound& engine, const FixHistory& fixes, QWidget* parent)
    : QWidget(parent, Qt::Tool), m_engine(engine), m_fixes(fixes) {
    setWindowTitle(tr("航迹"));
    setMinimumSize(240, 200);
    resize(480, 420);
    connect(&m_refreshTimer, &QTimer::timeout, this, &CTrackWindow::Refresh);
}

// --- What is shown ---------------------------------------------------------

void CTrackWindow::DepthArrived(double smoothedDepth) {
    FollowMode();
    if (!m_playing) {
        AddLiveDepth(smoothedDepth, m_engine.PingTimeMs());
        return;
    }
    // Going backward the worker redraws older records: no depth of its own.
    const std::uint32_t next = m_engine.RecordIndex();
    if (m_engine.PlayingBackward() || next == 0) return;
    // The smoothed depth is renewed every few records, and the window may
    // hear of a few at once: the records played since the last it heard of
    // take it too, unless playback jumped.
    const std::uint32_t record = next - 1;
    const bool run = m_lastPlayed && *m_lastPlayed < record && record - *m_lastPlayed <= kFillMax;
    m_played.SetDepth(run ? *m_lastPlayed + 1 : record, record, smoothedDepth);
    m_lastPlayed = record;
}

void CTrackWindow::AddLiveDepth(double depth, std::int64_t pingTimeMs) {
    const PingPosition at = TransducerAt(m_fixes, pingTimeMs, m_settings);
    if (!at.Present()) return;
    TrackModel::Point point;
    point.timeMs = pingTimeMs;
    point.place = {at.latitude, at.longitude};
    point.depth = depth;
    point.course = at.course;
    m_live.Add(point);
}

void CTrackWindow::FollowMode() {
    const bool playing = !m_engine.IsLive() && m_engine.DataFileOpen();
    if (playing && m_engine.DataPath() != m_recordingPath) {
        m_recordingPath = m_engine.DataPath();
        auto points = TrackModel::ReadPingFile(PositionRecording::PathsFor(m_recordingPath).pings);
        m_recordingHasTrack = points.has_value();
        m_lastPlayed.reset();
        m_played.Assign(points ? std::move(*points) : std::vector<TrackModel::Point>{});
    } else if (!playing && !m_recordingPath.empty()) {
        // Read afresh when played again: it may have grown meanwhile.
        m_recordingPath.clear();
        m_played.Clear();
        m_lastPlayed.reset();
    }
    if (playing) m_played.Cut(m_engine.RecordIndex());
    if (playing != m_playing) {
        m_playing = playing;
        m_fitting = true;
    }
}

void CTrackWindow::FindBoat() {
    m_boat.reset();
    if (m_playing) {
        const auto shown = m_played.Shown();
        if (!shown.empty()) m_boat = Boat{shown.back().place, shown.back().course, false};
        return;
    }
    const PingPosition now = TransducerAt(m_fixes, QDateTime::currentMSecsSinceEpoch(), m_settings);
    if (now.flag == PositionFlag::kNone) return;
    Boat boat{{now.latitude, now.longitude}, Fix::kNone, now.flag == PositionFlag::kStale};
    const std::optional<Fix> latest = m_fixes.Latest();
    if (latest && std::isfinite(latest->heading)) {
        boat.heading = latest->heading;
    } else if (now.speed >= kCourseSpeedMin) {
        boat.heading = now.course;
    }
    m_boat = boat;
    m_live.EnsureOrigin(boat.place);
}

void CTrackWindow::Refresh() {
    FollowMode();
    FindBoat();
    PlaceView();
    update();
}

void CTrackWindow::SetDepthUnit(DepthUnit unit) {
    m_unit = unit;
    update();
}

void CTrackWindow::SetColourScheme(ColourScheme scheme) {
    m_scheme = scheme;
    update();
}

// --- The view --------------------------------------------------------------

void CTrackWindow::PlaceView() {
    const TrackModel& track = Track();
    std::optional<EastNorth> boat;
    if (m_boat && track.HasOrigin()) boat = track.Project(m_boat->place);
    if (!m_fitting) {
        if (boat) m_centre = *boat;
        return;
    }
    std::optional<TrackModel::Bounds> box = track.ShownBounds();
    if (boat) {
        if (!box) box = TrackModel::Bounds{*boat, *boat};
        box->low = {std::min(box->low.east, boat->east), std::min(box->low.north, boat->north)};
        box->high = {std::max(box->high.east, boat->east), std::max(box->high.north, boat->north)};
    }
    const double w = std::max(1, width() - 2 * kMargin);
    const double h = std::max(1, height() - 2 * kMargin);
    m_metresPerPixel = kFitMetresMin / std::min(w, h);
    if (!box) {
        m_centre = {};
        return;
    }
    m_centre = {(box->low.east + box->high.east) / 2, (box->low.north + box->high.north) / 2};
    m_metresPerPixel = std::max({m_metresPerPixel, (box->high.east - box->low.east) / w,
                                 (box->high.north - box->low.north) / h});
}

void CTrackWindow::FitTrack() {
    m_fitting = true;
    PlaceView();
    update();
}

QPointF CTrackWindow::PixelOf(const LatLon& place) const {
    const EastNorth at = Track().Project(place);
    return {width() / 2.0 + (at.east - m_centre.east) / m_metresPerPixel,
            height() / 2.0 - (at.north - m_centre.north) / m_metresPerPixel};
}

double CTrackWindow::ScaleBarMetres(double metresPerPixel, int maxPixels) {
    const double most = metresPerPixel * maxPixels;
    if (!(most > 0.0) || !std::isfinite(most)) return 0.0;
    const double power = std::pow(10.0, std::floor(std::log10(most)));
    for (const double step : {5.0, 2.0, 1.0}) {
        if (step * power <= most) return step * power;
    }
    return power;
}

// --- Drawing ---------------------------------------------------------------

void CTrackWindow::paintEvent(QPaintEvent* event) {
    (void)event;
    const auto word = [&](XSound::ColourKey key) {
        return ColourSchemes::Word(m_scheme, key, m_engine.Sounding().Colour(key));
    };
    const std::uint32_t echoWord = word(XSound::kWaveL1);
    const QColor back(ColourWordToRgb(word(XSound::kBack)));
    const QColor ink =
        ColourSchemes::Fixed(m_scheme, qGray(back.rgb()) < 128 ? 0xFFFFFFFF : 0xFF000000);
    QPainter painter(this);
    painter.fillRect(rect(), back);
    painter.setRenderHint(QPainter::Antialiasing);
    const std::optional<TrackModel::DepthRange> depths = Track().ShownDepths();
    const bool unknown = DrawTrack(painter, echoWord, depths);
    DrawBoat(painter, ink);
    painter.setRenderHint(QPainter::Antialiasing, false);
    DrawScaleBar(painter, ink);
    DrawLegend(painter, ink, echoWord, depths, unknown);
    DrawNote(painter, ink);
}

bool CTrackWindow::DrawTrack(QPainter& painter, std::uint32_t echoWord,
                             const std::optional<TrackModel::DepthRange>& depths) const {
    // One dot of each colour, drawn once and copied to every point: far
    // cheaper than filling a circle at each of a long recording's points.
    constexpr int kDot = 2 * kPointRadius + 1;
    const QColor noDepth = ColourSchemes::Fixed(m_scheme, kNoDepthColour.rgb());
    QPixmap dots[TrackModel::kLevels + 1];
    for (int level = 0; level <= TrackModel::kLevels; ++level) {
        dots[level] = QPixmap(kDot, kDot);
        dots[level].fill(Qt::transparent);
        QPainter dot(&dots[level]);
        dot.setRenderHint(QPainter::Antialiasing);
        dot.setPen(Qt::NoPen);
        dot.setBrush(level == 0 ? noDepth : QColor(EchoLevelColour(echoWord, level)));
        dot.drawEllipse(QPointF(kDot / 2.0, kDot / 2.0), kPointRadius, kPointRadius);
    }
    const QRectF seen =
        QRectF(rect()).adjusted(-kPointRadius, -kPointRadius, kPointRadius, kPointRadius);
    bool unknown = false;
    QPointF last(-1e9, -1e9);
    for (const TrackModel::Point& p : Track().Shown()) {
        const int level = depths ? TrackModel::LevelFor(p.depth, *depths) : 0;
        unknown = unknown || level == 0;
        const QPointF at(width() / 2.0 + (p.at.east - m_centre.east) / m_metresPerPixel,
                         height() / 2.0 - (p.at.north - m_centre.north) / m_metresPerPixel);
        // A long recording has many points to a pixel: one is enough.
        if (!seen.contains(at) ||
            (std::abs(at.x() - last.x()) < 1.0 && std::abs(at.y() - last.y()) < 1.0))
            continue;
        last = at;
        painter.drawPixmap(static_cast<int>(std::floor(at.x())) - kPointRadius,
                           static_cast<int>(std::floor(at.y())) - kPointRadius, dots[level]);
    }
    return unknown;
}

void CTrackWindow::DrawBoat(QPainter& painter, const QColor& ink) const {
    if (!m_boat || !Track().HasOrigin()) return;
    const QPointF at = PixelOf(m_boat->place);
    painter.setPen(QPen(ink, 2));
    painter.setBrush(m_boat->stale ? Qt::NoBrush : QBrush(ink));
    if (!std::isfinite(m_boat->heading)) {
        painter.drawEllipse(at, kBoatSize / 2.0, kBoatSize / 2.0);
        return;
    }
    // A dart pointing along the heading, north up.
    QPainterPath dart;
    dart.moveTo(0, -kBoatSize);
    dart.lineTo(kBoatSize * 0.6, kBoatSize * 0.8);
    dart.lineTo(0, kBoatSize * 0.4);
    dart.lineTo(-kBoatSize * 0.6, kBoatSize * 0.8);
    dart.closeSubpath();
    painter.save();
    painter.translate(at);
    painter.rotate(m_boat->heading);
    painter.drawPath(dart);
    painter.restore();
}

void CTrackWindow::DrawScaleBar(QPainter& painter, const QColor& ink) const {
    const double metres = ScaleBarMetres(m_metresPerPixel, width() / 3);
    if (metres <= 0.0) return;
    const int length = static_cast<int>(std::lround(metres / m_metresPerPixel));
    const int y = height() - kPad;
    painter.setPen(QPen(ink, 1));
    painter.drawLine(kPad, y, kPad + length, y);
    painter.drawLine(kPad, y - 4, kPad, y);
    painter.drawLine(kPad + length, y - 4, kPad + length, y);
    const QString label = metres >= 1000.0 ? QStringLiteral("%1 km").arg(metres / 1000.0)
                                           : QStringLiteral("%1 m").arg(metres);
    painter.drawText(QRect(kPad, 0, length + 60, y - 4), Qt::AlignLeft | Qt::AlignBottom, label);

    // North up.
    const int x = width() - kPad - 6;
    painter.drawLine(x, kPad + 14, x, kPad + 30);
    painter.drawLine(x, kPad + 14, x - 4, kPad + 20);
    painter.drawLine(x, kPad + 14, x + 4, kPad + 20);
    painter.drawText(QRect(x - 10, kPad - 2, 20, 16), Qt::AlignCenter, QStringLiteral("N"));
}

void CTrackWindow::DrawLegend(QPainter& painter, const QColor& ink, std::uint32_t echoWord,
                              const std::optional<TrackModel::DepthRange>& depths,
                              bool unknown) const {
    const QFontMetrics metrics(painter.font());
    const int bottom = height() - kPad;
    int right = width() - kPad;
    painter.setPen(ink);
    if (depths) {
        // The deepest at the darkest end on the left, the shallowest on the right.
        static const char* const kSymbols[] = {" m", " ft", " ftm"};
        const QString shallow =
            QString::fromStdString(DepthUnits::MonitorText(depths->shallowest, m_unit)) +
            QLatin1String(kSymbols[static_cast<int>(m_unit)]);
        const QString deep =
            QString::fromStdString(DepthUnits::MonitorText(depths->deepest, m_unit));
        const int top = bottom - DepthScales::kLegendHeight;
        right -= metrics.horizontalAdvance(shallow);
        painter.drawText(QRect(right, top - 4, width(), DepthScales::kLegendHeight + 8),
                         Qt::AlignLeft | Qt::AlignVCenter, shallow);
        right -= 4 + DepthScales::kLegendWidth;
        DepthScales::DrawLegend(painter, QPoint(right, top), echoWord);
        painter.drawText(QRect(0, top - 4, right - 4, DepthScales::kLegendHeight + 8),
                         Qt::AlignRight | Qt::AlignVCenter, deep);
    }
    if (!unknown) return;
    // Played records only have a depth: the rest of the track is grey.
    const QString text = tr("水深未知");
    const int y = bottom - (depths ? DepthScales::kLegendHeight + 6 : 0) - metrics.height() / 2;
    const int textLeft = width() - kPad - metrics.horizontalAdvance(text);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(ColourSchemes::Fixed(m_scheme, kNoDepthColour.rgb())));
    painter.drawEllipse(QPointF(textLeft - 8, y), kPointRadius, kPointRadius);
    painter.setPen(ink);
    painter.drawText(QRect(textLeft, y - metrics.height(), width(), 2 * metrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, text);
}

void CTrackWindow::DrawNote(QPainter& painter, const QColor& ink) const {
    QString note;
    if (m_playing && !m_recordingHasTrack) {
        note = tr("该记录没有位置文件");
    } else if (!m_boat) {
        note = m_playing ? QString() : tr("无定位");
    } else {
        note = QStringLiteral("%1, %2")
                   .arg(m_boat->place.latitude, 0, 'f', 7)
                   .arg(m_boat->place.longitude, 0, 'f', 7);
        if (std::isfinite(m_boat->heading))
            note += QStringLiteral("   ") + tr("航向 %1°").arg(m_boat->heading, 0, 'f', 1);
    }
    painter.setPen(ink);
    painter.drawText(QRect(kPad, kPad, width() - 2 * kPad - 24, height()),
                     Qt::AlignLeft | Qt::AlignTop, note);
}

// --- Input and showing -------------------------------------------------------

void CTrackWindow::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0.0) return;
    m_fitting = false;
    m_metresPerPixel = std::clamp(m_metresPerPixel * std::pow(kWheelStep, -notches), 0.001, 1e5);
    PlaceView();
    update();
    event->accept();
}

void CTrackWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    (void)event;
    FitTrack();
}

void CTrackWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Refresh();
    m_refreshTimer.start(kRefreshMs);
}

void CTrackWindow::changeEvent(QEvent* event) {
    // Made before the interface's language is put in place.
    if (event->type() == QEvent::LanguageChange) setWindowTitle(tr("航迹"));
    QWidget::changeEvent(event);
}

void CTrackWindow::hideEvent(QHideEvent* event) {
    m_refreshTimer.stop();
    QWidget::hideEvent(event);
}
