#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <limits>
#include <optional>
#include <string>

#include "engine/EngineStatus.h"

// The engine's only way out to the rest of the program. The application
// implements it (main window, ports, view); tests use a fake. Every call has
// an empty default so a host implements only what it needs.
//
// Calls may come from the worker thread or from the UI thread; an
// implementation that touches widgets must marshal to the UI thread itself.
class EngineHost {
public:
    enum DialogMask : unsigned {
        kGainDialog = 1u << 0,
        kRangeDialog = 1u << 1,
        kParameterDialog = 1u << 2,
    };

    virtual ~EngineHost() = default;

    // The 10-byte command frame for the instrument (serial port, or the
    // network in network mode).
    virtual void SendCommandFrame(const std::uint8_t* frame, std::size_t length) {
        (void)frame;
        (void)length;
    }

    // A new smoothed depth is in the engine's m_smoothedDepth: pass it to
    // the depth-output sinks.
    virtual void OutputDepth() {}

    // The depth monitor shows m_smoothedDepth and m_pingTime.
    virtual void RefreshDepthMonitor() {}

    // Automatic adjustment changed gain or range: refresh the open dialogs
    // named by the mask (DialogMask bits).
    virtual void RefreshDialogs(unsigned mask) { (void)mask; }

    // One processed ping is ready to become a column of the echogram.
    virtual void AdvanceAndPaint() {}

    // The echogram must be cleared (a recording was opened, a time search
    // moved the position).
    virtual void ClearEchogram() {}

    // The reply to a self-check request arrived; tail byte T1 is the low
    // byte of flags.
    virtual void SelfCheckReply(std::uint32_t flags) { (void)flags; }

    // A failure the user must hear of, found while recording or playing
    // (app/EngineMessages turns it into the message in the interface's
    // language).
    virtual void Report(const EngineStatus& status) { (void)status; }

    // Wall-clock time, seconds since 1970-01-01 UTC.
    virtual std::int64_t Now() { return static_cast<std::int64_t>(std::time(nullptr)); }

    // Wall-clock time, milliseconds since 1970-01-01 UTC: a live ping's time,
    // taken when its frame is complete.
    virtual std::int64_t NowMs() {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::system_clock::now().time_since_epoch())
            .count();
    }

    // Where the transducer was at a ping, for its depth line.
    struct PingPlace {
        double longitude = 0.0;  // degrees
        double latitude = 0.0;
        double course = std::numeric_limits<double>::quiet_NaN();  // degrees true; NaN: unknown
        double speedKnots = std::numeric_limits<double>::quiet_NaN();
    };
    // A live ping was recorded as record `record` (counted from 0) of the
    // recording; timeMs is its time (NowMs at its frame). The host may note
    // it beside the recording; it returns the ping's place for the depth
    // line, or nothing (no position source, no fix), and the line is then
    // as it is without positions. Called on the thread processing the ping
    // while the recording's files are held: it must not call the engine's
    // recording verbs.
    virtual std::optional<PingPlace> PlaceRecordedPing(std::uint32_t record, std::int64_t timeMs) {
        (void)record;
        (void)timeMs;
        return std::nullopt;
    }
};
