#pragma once

#include <cstdint>
#include <string>

#include "survey/LocalGrid.h"
#include "survey/PositionFormat.h"
#include "tests/support/SyntheticRecording.h"
#include "tests/support/TempDir.h"

// A recording with its position files written directly: pings 100 ms apart,
// the boat running east at 2 m/s from origin with fixes five times a
// second; the first pings before any fix (no position); one mark.
struct PositionRun {
    static constexpr LatLon kOrigin{31.2, 121.5};
    static constexpr std::int64_t kStartMs = 1796741090000;  // 2026-12-08T14:44:50.000Z
    static constexpr std::uint32_t kUnplaced = 5;            // pings before the first fix
    static constexpr std::uint32_t kMarkRecord = 57;
    static constexpr std::int32_t kMarkNumber = 7;

    static std::int64_t PingMs(std::uint32_t record) { return kStartMs + 100 * record + 36; }
    static LatLon At(std::int64_t ms) {
        return Displaced(kOrigin, {2.0 * static_cast<double>(ms - kStartMs) / 1000.0, 0.0});
    }

    // base.sd, .idx, .pos.csv and .gnss.csv; false when one cannot be written.
    static bool Write(const std::string& base, std::uint32_t count) {
        const Synthetic::Bytes raw = Synthetic::TypicalRawFrame(1000);
        const bool recorded =
            Synthetic::WriteRecording(base + ".sd", base + ".idx", count, [&](std::uint32_t i) {
                PingRecord record = Synthetic::Record(raw, PingMs(i) / 1000);
                if (i == kMarkRecord) record.markFlag = 1, record.markNumber = kMarkNumber;
                return record;
            }).size() == count;
        std::string fixes(PositionFormat::kFixHeader), pings(PositionFormat::kPingHeader);
        const std::int64_t firstFix = PingMs(kUnplaced) - 36;
        for (std::int64_t ms = firstFix; ms <= PingMs(count) + 200; ms += 200) {
            Fix fix;
            fix.timeMs = ms;
            fix.receivedMs = ms + 30;
            fix.quality = FixQuality::kRtkFixed;
            fix.latitude = At(ms).latitude;
            fix.longitude = At(ms).longitude;
            fix.eph = 0.02;
            fix.course = 90.0;
            fix.speed = 2.0;
            PositionFormat::AppendFixLine(fixes, fix);
        }
        for (std::uint32_t i = 0; i < count; ++i) {
            PositionFormat::PingLine line{i, PingMs(i), {}};
            if (i >= kUnplaced) {
                const LatLon at = At(PingMs(i));
                line.position = {PositionFlag::kInterpolated,
                                 FixQuality::kRtkFixed,
                                 at.latitude,
                                 at.longitude,
                                 0.02,
                                 90.0,
                                 2.0};
            }
            PositionFormat::AppendPingLine(pings, line);
        }
        WriteAll(base + ".gnss.csv", fixes);
        WriteAll(base + ".pos.csv", pings);
        return recorded;
    }
};
