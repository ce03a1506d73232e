#pragma once

#include <cstddef>

// The fields of an exported ping, in this order, in every format.
enum ExportField {
    kRecording,
    kRecord,
    kTime,
    kLatitude,
    kLongitude,
    kEasting,
    kNorthing,
    kDepth,
    kSmoothed,
    kDraft,
    kSoundSpeed,
    kQuality,
    kError,
    kFlag,
    kMark,
    kFieldCount
};

enum class FieldKind { kText, kWhole, kReal };

struct ExportFieldInfo {
    const char* name;  // at most 10 characters: a Shapefile's limit
    FieldKind kind;
    int width, decimals;
};

inline constexpr ExportFieldInfo kExportFields[kFieldCount] = {
    {"recording", FieldKind::kText, 64, 0}, {"record", FieldKind::kWhole, 9, 0},
    {"time_utc", FieldKind::kText, 24, 0},  {"latitude", FieldKind::kReal, 13, 9},
    {"longitude", FieldKind::kReal, 14, 9}, {"easting", FieldKind::kReal, 14, 3},
    {"northing", FieldKind::kReal, 14, 3},  {"depth_m", FieldKind::kReal, 8, 3},
    {"smoothed_m", FieldKind::kReal, 8, 3}, {"draft_m", FieldKind::kReal, 6, 2},
    {"sound_mps", FieldKind::kReal, 7, 1},  {"quality", FieldKind::kText, 9, 0},
    {"error_m", FieldKind::kReal, 10, 3},   {"flag", FieldKind::kText, 12, 0},
    {"mark", FieldKind::kWhole, 9, 0},
};
