#pragma once

#include <QPointF>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <string>

#include "display/ColourScheme.h"
#include "display/TrackModel.h"
#include "settings/DepthUnit.h"
#include "survey/TransducerPosition.h"

class FixHistory;
class QPainter;
class XSound;

// 查看 → 航迹: the boat's track, north up, in metres around the track with
// no map beneath. Each point is the transducer's place at a ping, coloured
// by its depth in the echogram's echo levels, with the legend's two ends
// labelled; the boat is drawn where the transducer is now, pointing along
// the heading (the receiver's, or the course over ground when moving); a
// scale bar gives the metres.
//
// Live, the last minutes of track, a point at most every quarter second
// as depths come; in playback, the recording's track (its per-ping
// position file) up to the record played, the boat at the last of it.
//
// The view fits the whole track until the wheel zooms; from then on it
// keeps the scale chosen and follows the boat. A double click fits the
// track again.
//
// A tool window beside the main window, not modal; hiding it keeps the
// track. UI thread only.
class CTrackWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRefreshMs = 250;
    static constexpr int kMargin = 24;             // pixels around the fitted track
    static constexpr double kFitMetresMin = 20.0;  // the least a fitted view spans
    static constexpr double kWheelStep = 1.25;     // the scale's change per wheel notch
    // In playback a depth heard covers the records played since the one
    // before, up to this many (a second or two of pings).
    static constexpr std::uint32_t kFillMax = 20;

    CTrackWindow(const XSound& engine, const FixHistory& fixes, QWidget* parent = nullptr);

    // How the fixes place the transducer (latency, antenna offset).
    void SetPositionSettings(const PositionSettings& settings) { m_settings = settings; }
    // The legend's depths in the unit the window shows; the scale bar stays
    // in metres.
    void SetDepthUnit(DepthUnit unit);
    // Dusk and night dim the window as they dim the echogram.
    void SetColourScheme(ColourScheme scheme);

    // A new smoothed depth, heard by the main window: live, a track point
    // at the transducer's place at the ping; in playback, the depth of the
    // record just played and of those played since the last depth heard.
    void DepthArrived(double smoothedDepth);
    // Live: a track point for the ping at pingTimeMs (UTC) with its depth.
    void AddLiveDepth(double depth, std::int64_t pingTimeMs);
    // The engine's mode, recording and record played, the boat, the view;
    // then a repaint. Every kRefreshMs while shown.
    void Refresh();

    // The track shown (live or the recording's).
    const TrackModel& Track() const { return m_playing ? m_played : m_live; }
    bool Fitting() const { return m_fitting; }
    // Fits the whole track (and the boat) in the window again.
    void FitTrack();
    // Where a place is drawn, in the window's pixels.
    QPointF PixelOf(const LatLon& place) const;
    double MetresPerPixel() const { return m_metresPerPixel; }
    // The scale bar's length: the longest 1, 2 or 5 times a power of ten
    // metres that fits in maxPixels.
    static double ScaleBarMetres(double metresPerPixel, int maxPixels);

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    struct Boat {
        LatLon place;
        double heading = Fix::kNone;  // degrees true; NaN: not known
        bool stale = false;           // a place from an old fix
    };
    // Live or playback as the engine is now; reads a newly opened
    // recording's track.
    void FollowMode();
    void FindBoat();
    void PlaceView();
    // True when a point shown has no depth.
    bool DrawTrack(QPainter& painter, std::uint32_t echoWord,
                   const std::optional<TrackModel::DepthRange>& depths) const;
    void DrawBoat(QPainter& painter, const QColor& ink) const;
    void DrawScaleBar(QPainter& painter, const QColor& ink) const;
    void DrawLegend(QPainter& painter, const QColor& ink, std::uint32_t echoWord,
                    const std::optional<TrackModel::DepthRange>& depths, bool unknown) const;
    void DrawNote(QPainter& painter, const QColor& ink) const;

    const XSound& m_engine;
    const FixHistory& m_fixes;
    PositionSettings m_settings;
    DepthUnit m_unit = DepthUnit::kMetres;
    ColourScheme m_scheme = ColourScheme::kDay;
    TrackModel m_live;
    TrackModel m_played;
    bool m_playing = false;
    std::string m_recordingPath;  // the recording whose track m_played holds
    bool m_recordingHasTrack = false;
    std::optional<std::uint32_t> m_lastPlayed;  // the record the last depth was played at
    std::optional<Boat> m_boat;
    bool m_fitting = true;
    EastNorth m_centre;
    double m_metresPerPixel = 1.0;
    QTimer m_refreshTimer;
};
