#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "resources/CommandIds.h"
#include "settings/DepthUnit.h"

// What the seven status bar panes show, taken from the settings variables.
struct StatusValues {
    bool gainAuto = true;   // PlusMod
    bool rangeAuto = true;  // RangeMod
    double draft = 0.0;     // EatWater
    double soundSpeed = 0.0;
    int antiJamMode = 0;  // DisturbMod
    double antiJamDepth = 0.0;
    bool outputPortOpen = false;
    std::uint64_t companionDropped = 0;  // depth texts the companion did not take
    float supplyVoltage = 0.0f;
    // The unit the window shows depths in, and its short name in the
    // interface's language; metres keep the panes' texts as they are.
    DepthUnit unit = DepthUnit::kMetres;
    std::string unitName;
};

using StatusPaneTexts = std::array<std::string, StatusPaneId::kCount>;

// The panes' texts left to right (StatusPaneId::kOrder), in English when
// language is not 0, otherwise in Chinese (UTF-8).
StatusPaneTexts MakeStatusTexts(const StatusValues& v, int language);

// The texts a pane shows before the first refresh; they also fix the
// panes' widths.
const StatusPaneTexts& InitialStatusTexts();

// The status bar's note while pings fail to be recorded (a full disk), with
// their count; "" when every ping is recorded.
std::string UnrecordedText(std::uint32_t count, int language);
